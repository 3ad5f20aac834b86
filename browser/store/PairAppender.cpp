#include "browser/store/PairAppender.h"

#include "browser/store/MailFile.h"
#include "platform/files/Files.h"

namespace {

constexpr size_t kPieceBytes = 256 << 10;  // mails are written in pieces about this big

// The file's length, or none when it cannot be told (or it lies past what a
// record's offsets reach, which no append may build on).
std::optional<uint64_t> LengthOf(platform::Stream& file) {
  const int64_t length = file.Length();
  if (length < 0 || static_cast<uint64_t>(length) > kMaxMailFileLength) return std::nullopt;
  return static_cast<uint64_t>(length);
}

}  // namespace

PairAppender::PairAppender(const DrawerFiles& drawer) : m_drawer(drawer) {
  m_created = !platform::PathExists(drawer.mailPath) || !platform::PathExists(drawer.listPath);
  m_mailFile = platform::OpenFile(drawer.mailPath, "ab");
  if (!m_mailFile) {
    m_opened = StoreResult::FromLastError(StoreFailure::CannotOpenMailFile, drawer.mailPath);
    return;
  }
  m_listFile = platform::OpenFile(drawer.listPath, "ab");
  if (!m_listFile) {
    m_opened = StoreResult::FromLastError(StoreFailure::CannotOpenListFile, drawer.listPath);
    return;
  }
  const std::optional<uint64_t> mailLength = LengthOf(*m_mailFile);
  const std::optional<uint64_t> listLength = LengthOf(*m_listFile);
  if (!mailLength || !listLength) {
    m_opened = {StoreFailure::CannotOpenMailFile, drawer.mailPath};
    return;
  }
  m_mailBefore = m_mailLength = m_mailWritten = *mailLength;
  m_listBefore = m_listWritten = *listLength;
}

PairAppender::~PairAppender() = default;

StoreResult PairAppender::WriteMail(const MailEntry& entry, std::string_view text) {
  if (!m_opened.Ok()) return m_opened;
  if (m_broken) return {StoreFailure::CannotWriteMail, m_drawer.mailPath};
  if (m_mailLength + text.size() > kMaxMailFileLength) return {StoreFailure::MailFileFull, m_drawer.mailPath};
  m_listPiece += EncodeListRecord(entry, static_cast<uint32_t>(m_mailLength), text.size());
  m_mailPiece.append(text);
  m_mailLength += text.size();
  return m_mailPiece.size() < kPieceBytes ? StoreResult{} : WritePieces();
}

// The texts go before their records, so that no record is written for bytes
// that are not there.
StoreResult PairAppender::WritePieces() {
  const bool written = m_mailFile->Write(m_mailPiece) && m_listFile->Write(m_listPiece);
  const StoreResult result =
      written ? StoreResult{} : StoreResult::FromLastError(StoreFailure::CannotWriteMail, m_drawer.mailPath);
  if (written) {
    m_mailWritten += m_mailPiece.size();
    m_listWritten += m_listPiece.size();
  } else {
    m_broken = !CutBackTo(m_mailWritten, m_listWritten);
  }
  m_mailPiece.clear();
  m_listPiece.clear();
  m_mailLength = m_mailWritten;
  return result;
}

StoreResult PairAppender::Sync() {
  if (!m_opened.Ok()) return m_opened;
  if (m_broken) return {StoreFailure::CannotWriteMail, m_drawer.mailPath};
  if (!m_mailPiece.empty()) {
    const StoreResult written = WritePieces();
    if (!written.Ok()) return written;
  }
  if (!m_mailFile->Sync()) return StoreResult::FromLastError(StoreFailure::CannotWriteMail, m_drawer.mailPath);
  if (!m_listFile->Sync()) return StoreResult::FromLastError(StoreFailure::CannotWriteMail, m_drawer.listPath);
  if (m_created && !platform::SyncFolder(m_drawer.folder))
    return StoreResult::FromLastError(StoreFailure::CannotWriteMail, m_drawer.folder);
  return {};
}

bool PairAppender::CutBack() {
  if (!m_opened.Ok()) return true;
  m_mailPiece.clear();
  m_listPiece.clear();
  m_broken = !CutBackTo(m_mailBefore, m_listBefore);
  return !m_broken;
}

bool PairAppender::CutBackTo(uint64_t mailLength, uint64_t listLength) {
  const bool listCut = m_listFile->Truncate(listLength) && m_listFile->Flush();
  const bool mailCut = m_mailFile->Truncate(mailLength) && m_mailFile->Flush();
  if (!listCut || !mailCut) return false;
  m_mailLength = m_mailWritten = mailLength;
  m_listWritten = listLength;
  return true;
}
