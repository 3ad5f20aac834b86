#pragma once
// One ListRecord of a drawer's ListFile and the row it becomes in memory.
//
// A record on disk, little-endian, no alignment:
//   head "SsS0" (short form) or anything else (full form), recordSize,
//   mailStart, bodyStart, bodyLength, reserved (u32 each), from, to, cc,
//   subject, date (bytes + NUL each), status (u8); the full form then has
//   idLength (u8), id, attachCount (u8) and the names (bytes + NUL each);
//   both end with the 4-byte trailer "EeE1".

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The text fields of a record, in file order.
enum class MailField : uint8_t { From, To, Cc, Subject, Date, Id };

// One row of a drawer. The text fields keep every stored byte, however long,
// so that writing a row back loses nothing; Shown() gives what the row shows.
// A row read by ParseListRecord refers to the bytes it was read from and
// lives no longer than they do (10010 rows so cost no allocation each);
// SetText gives a row bytes of its own. Rows move but are not copied.
class MailEntry {
 public:
  uint32_t recordSize = 0;  // as read, with the reader's corrections
  uint32_t mailStart = 0;   // offset of the mail's first header byte in the MailFile
  uint32_t bodyStart = 0;   // offset of the first body byte
  uint32_t bodyLength = 0;  // body bytes
  uint32_t reserved = 0;    // carried unchanged
  uint8_t status = 0;       // carried unchanged

  // The stored bytes of a field, whole: what a write-back writes.
  std::string_view Text(MailField field) const;
  // What the row shows: the reader's caps, cut at a character boundary.
  std::string_view Shown(MailField field) const;
  // Replaces a field. A string field ends at its first NUL, the id after 255
  // bytes. recovered marks a From or Date taken from the mail's header, which
  // shows one byte more than a stored one.
  void SetText(MailField field, std::string_view bytes, bool recovered = false);

  uint8_t attachCount() const { return m_attachCount; }
  std::vector<std::string_view> AttachNames() const;  // whole, without NULs
  std::string_view ShownAttachName(size_t index) const;

  // Bytes of the mail's header and of the whole mail (header + body); 0 when
  // bodyStart lies before mailStart.
  uint64_t HeaderLength() const;
  uint64_t MailLength() const;

 private:
  friend bool ParseListRecord(std::string_view bytes, size_t& pos, MailEntry& entry);
  friend std::string EncodeListRecord(const MailEntry& entry, uint32_t mailStart,
                                      uint64_t mailLength);
  static constexpr size_t kStrings = 5;  // from, to, cc, subject, date

  // The five strings lie back to back from m_strings, each followed by its
  // NUL, as in the record; m_end holds where each one ends.
  const char* m_strings = "\0\0\0\0";
  uint32_t m_end[kStrings] = {0, 1, 2, 3, 4};
  std::string_view m_id;
  std::string_view m_names;       // each attachment name followed by its NUL
  std::unique_ptr<char[]> m_own;  // the bytes of a row given texts by SetText
  uint8_t m_attachCount = 0;
  uint8_t m_recovered = 0;  // bit per MailField taken from the header
};

// The id a short-form record is listed and written back with.
inline constexpr std::string_view kShortFormId = "4535625330.3333333";

// Reads one record from bytes at pos and moves pos past it; entry then refers
// to bytes. False, with pos and entry unchanged, when the bytes end before the
// record is complete, its 4-byte trailer included (the trailer's value is
// not looked at). A short-form record gets the id above, no names, and a
// recordSize 20 larger.
bool ParseListRecord(std::string_view bytes, size_t& pos, MailEntry& entry);

// A whole record's mailStart, read from its bytes.
uint32_t RecordMailStart(std::string_view record);
// Moves the record at recordStart of bytes by delta in its MailFile: its
// mailStart and bodyStart change, every other byte stays as written.
void ShiftRecordOffsets(std::string& bytes, size_t recordStart, int64_t delta);

// The full-form bytes of a row placed at mailStart in its MailFile: bodyStart
// keeps its distance from mailStart, bodyLength is cut to the text that
// exists (mailLength bytes written), and recordSize counts the bytes written
// (equal to the stored one when nothing changed).
std::string EncodeListRecord(const MailEntry& entry, uint32_t mailStart, uint64_t mailLength);
