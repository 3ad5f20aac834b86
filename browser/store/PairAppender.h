#pragma once
// Appending mails to one drawer's pair of files, in the order given. The
// texts go to the MailFile in large pieces, each in one write at the file's
// real end, and each mail's record is placed at the offset its text landed
// at: another program appending between two pieces never shifts them. The
// records are written only once their texts are durable, all in one write,
// so that a kill leaves the ListFile ending on a record boundary and no
// record ever points at text a power cut took. The caller holds the book's
// locks; a drawer of a book (not a scratch pair) gets every write claimed in
// the journal before it is made, so that recovery knows its bytes by their
// content.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browser/store/DrawerPaths.h"
#include "browser/store/ListRecord.h"
#include "browser/store/StoreResult.h"

namespace platform {
class Stream;
}

class PairAppender;

enum class ClaimedFile : uint8_t { Mail, List };

// Where an appender notes what it is about to write (the journal).
class AppendClaims {
 public:
  virtual ~AppendClaims() = default;
  // bytes are about to be appended to pair's file, which now ends at offset.
  // On failure nothing is written.
  virtual StoreResult Claim(const PairAppender& pair, ClaimedFile file, uint64_t offset, std::string_view bytes,
                            uint64_t& number) = 0;
  // Claim number's bytes did not land as claimed: at offset (another
  // program appended first), or only written of them (the disk refused the
  // rest, and they could not be taken back).
  virtual StoreResult Landed(uint64_t number, uint64_t offset, uint64_t written) = 0;
  // Every claim so far is durable; asked before claimed texts are synced.
  virtual StoreResult MakeDurable() = 0;
};

class PairAppender {
 public:
  // Opens both files for appending, the MailFile first; either is created
  // when missing (a drawer's files come into being with its first mail).
  // With claims, a ListFile whose last record is torn is first cut back to
  // its last whole record (and the torn record's text, when it ends the
  // MailFile, with it); when that fails the pair is not opened.
  PairAppender(const DrawerFiles& drawer, AppendClaims* claims = nullptr);
  ~PairAppender();
  PairAppender(const PairAppender&) = delete;
  PairAppender& operator=(const PairAppender&) = delete;

  // CannotOpenMailFile or CannotOpenListFile when a file could not be opened
  // (or repaired).
  const StoreResult& Opened() const { return m_opened; }
  const DrawerFiles& Drawer() const { return m_drawer; }
  // The files' lengths when they were opened (after the repair).
  uint64_t MailLengthBefore() const { return m_mailBefore; }
  uint64_t ListLengthBefore() const { return m_listBefore; }

  // WriteMail: appends text and the record of entry for it. MailFileFull,
  // with nothing of it written, when the mail would take the MailFile past
  // the 32-bit offsets of its records; CannotWriteMail when a piece could not
  // be written: the mails of the pieces written before it can still be made
  // durable, nothing more is written.
  StoreResult WriteMail(const MailEntry& entry, std::string_view text);
  // Writes the mails gathered so far, the same failures as WriteMail.
  StoreResult WriteGathered();
  // Makes the mails written so far durable, the gathered ones first written
  // unless a piece failed: the MailFile synced, then their records written
  // and synced, and the folder when this made either file.
  // Once a sync has failed, every later one fails too: the data may be gone.
  StoreResult Sync();
  // Another program appended to a file of the pair while it was open.
  bool OthersAppended() const { return m_othersAppended; }

 private:
  StoreResult RepairTornTail();
  StoreResult WritePiece(std::string_view texts);
  // Appends bytes claimed at end to file; where they landed, or the failure
  // (what part of them was written is taken back or noted).
  std::optional<uint64_t> AppendClaimed(platform::Stream& file, ClaimedFile which, uint64_t end, std::string_view bytes,
                                        StoreResult& failure);
  StoreResult WriteRecords();
  StoreResult Stopped(StoreFailure failure, const std::string& path);
  StoreResult LostDurability(StoreFailure failure, const std::string& path);

  DrawerFiles m_drawer;
  AppendClaims* m_claims;
  std::unique_ptr<platform::Stream> m_mailFile;
  std::unique_ptr<platform::Stream> m_listFile;
  StoreResult m_opened;

  bool m_created = false;
  bool m_stopped = false;     // a piece failed: nothing more is written
  bool m_syncFailed = false;  // sticky
  bool m_othersAppended = false;
  uint64_t m_mailBefore = 0;
  uint64_t m_listBefore = 0;
  uint64_t m_mailEnd = 0;  // where our last text ended, as far as we know the file's end
  uint64_t m_listEnd = 0;
  std::string m_piece;                  // texts gathered, not yet written
  std::string m_pieceRecords;           // their records, placed as if the piece began at 0
  std::vector<size_t> m_pieceStarts;    // where each of them begins in m_pieceRecords
  std::string m_pendingRecords;         // records of the texts written, waiting for them to be durable
};
