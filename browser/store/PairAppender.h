#pragma once
// Appending mails to one drawer's pair of files, in the order given: each
// mail's text to the MailFile, then its full-form record, placed at the
// text's offset, to the ListFile. Writes are gathered into large pieces and
// nothing is synced until Sync(): the caller holds the book's locks and has
// noted the pair's lengths in a journal first, so that a kill or a power cut
// in between is cut back or kept whole by recovery, never joined by a later
// mail.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "browser/store/DrawerPaths.h"
#include "browser/store/ListRecord.h"
#include "browser/store/StoreResult.h"

namespace platform {
class Stream;
}

class PairAppender {
 public:
  // Opens both files for appending, the MailFile first; either is created
  // when missing (a drawer's files come into being with its first mail).
  explicit PairAppender(const DrawerFiles& drawer);
  ~PairAppender();
  PairAppender(const PairAppender&) = delete;
  PairAppender& operator=(const PairAppender&) = delete;

  // CannotOpenMailFile or CannotOpenListFile when a file could not be opened.
  const StoreResult& Opened() const { return m_opened; }
  const DrawerFiles& Drawer() const { return m_drawer; }
  // The files' lengths when they were opened.
  uint64_t MailLengthBefore() const { return m_mailBefore; }
  uint64_t ListLengthBefore() const { return m_listBefore; }

  // WriteMail: appends text and the record of entry for it. MailFileFull,
  // with nothing written, when the mail would take the MailFile past the
  // 32-bit offsets of its records; CannotWriteMail when a write failed: the
  // files are then cut back to the last piece written whole, and when even
  // that fails, Broken().
  StoreResult WriteMail(const MailEntry& entry, std::string_view text);
  // A failed mail could not be taken back: nothing more is written, and only
  // a recovery can tell what the files hold.
  bool Broken() const { return m_broken; }
  // Makes everything appended durable: both files synced, and their folder
  // when this made either of them.
  StoreResult Sync();
  // Takes back everything appended since the files were opened.
  bool CutBack();

 private:
  DrawerFiles m_drawer;
  std::unique_ptr<platform::Stream> m_mailFile;
  std::unique_ptr<platform::Stream> m_listFile;
  StoreResult m_opened;
  StoreResult WritePieces();
  bool CutBackTo(uint64_t mailLength, uint64_t listLength);

  bool m_created = false;
  bool m_broken = false;
  uint64_t m_mailBefore = 0;
  uint64_t m_listBefore = 0;
  uint64_t m_mailLength = 0;     // with the mails gathered but not written yet
  uint64_t m_mailWritten = 0;    // the lengths after the last piece written whole
  uint64_t m_listWritten = 0;
  std::string m_mailPiece;
  std::string m_listPiece;
};
