#pragma once
// Builds PostPet's files byte by byte from their format, independently of the
// store's own reader and writer: ListFile/MailFile pairs of a drawer in either
// record form with any field values, and friend books. Paths are Shift-JIS
// with "\" as the programs hold them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One ListRecord. Counts and sizes left unset are computed from the fields.
struct RecordFields {
  std::string head = "SsS1";  // "SsS0" writes the short form (no id, no names)
  std::optional<uint32_t> recordSize;
  uint32_t mailStart = 0;
  uint32_t bodyStart = 0;
  uint32_t bodyLength = 0;
  uint32_t reserved = 65;
  std::string from, to, cc, subject, date;
  uint8_t status = 0;
  std::optional<uint8_t> idLength;
  std::string id = "4535625330.0000001";
  std::optional<uint8_t> attachCount;
  std::vector<std::string> attachNames;
  std::string trailer = "EeE1";
};

std::string EncodeRecord(const RecordFields& record);
uint32_t GetLe32(std::string_view bytes, size_t pos);
// The full-form records of a ListFile, read field by field from the format;
// recordSize as stored. Stops at the first record the bytes do not hold whole.
std::vector<RecordFields> DecodeRecords(std::string_view listBytes);

// A drawer's two files in memory; mails are placed back to back.
class DrawerBuilder {
 public:
  // Appends header + body to the mail bytes and a record that points at them.
  // The returned reference is valid until the next AddMail.
  RecordFields& AddMail(std::string_view header, std::string_view body, RecordFields fields = {});
  // A plain mail whose header and fields name it by number n.
  RecordFields& AddNumberedMail(int n, size_t bodyBytes = 64);
  std::string ListBytes() const;
  const std::string& MailBytes() const { return m_mail; }
  const std::vector<RecordFields>& Records() const { return m_records; }
  std::vector<RecordFields>& Records() { return m_records; }
  // Writes both files, creating the folder that holds them.
  void Write(std::string_view listPath, std::string_view mailPath) const;

 private:
  std::vector<RecordFields> m_records;
  std::string m_mail;
};

// The text of mail n as AddNumberedMail lays it out.
std::string NumberedHeader(int n);
std::string NumberedBody(int n, size_t bodyBytes);

std::string EncodeFriendRecord(int32_t petKind, std::string_view petName,
                               std::string_view ownerName, std::string_view address,
                               uint32_t count);

// Whole-file helpers on Shift-JIS paths, outside the code under test.
void WriteBytes(std::string_view path, std::string_view bytes);
std::string ReadBytes(std::string_view path);  // empty when missing
bool PathExists(std::string_view path);
