#include "browser/store/PairAppender.h"

#include "browser/store/MailFile.h"
#include "platform/files/Files.h"

namespace {

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
  m_mailBefore = m_mailLength = *mailLength;
  m_listBefore = m_listLength = *listLength;
}

PairAppender::~PairAppender() = default;

StoreResult PairAppender::WriteMail(const MailEntry& entry, std::string_view text) {
  if (!m_opened.Ok()) return m_opened;
  if (m_broken || m_mailLength + text.size() > kMaxMailFileLength)
    return {StoreFailure::CannotWriteMail, m_drawer.mailPath};
  const std::string record = EncodeListRecord(entry, static_cast<uint32_t>(m_mailLength), text.size());
  // The text goes before its record, so that no record is written for bytes that are not there.
  const bool written = m_mailFile->Write(text) && m_listFile->Write(record);
  if (!written) {
    const StoreResult failed = StoreResult::FromLastError(StoreFailure::CannotWriteMail, m_drawer.mailPath);
    m_broken = !CutBackTo(m_mailLength, m_listLength);
    return failed;
  }
  m_mailLength += text.size();
  m_listLength += record.size();
  return {};
}

StoreResult PairAppender::Sync() {
  if (!m_opened.Ok()) return m_opened;
  if (m_broken) return {StoreFailure::CannotWriteMail, m_drawer.mailPath};
  if (!m_mailFile->Sync()) return StoreResult::FromLastError(StoreFailure::CannotWriteMail, m_drawer.mailPath);
  if (!m_listFile->Sync()) return StoreResult::FromLastError(StoreFailure::CannotWriteMail, m_drawer.listPath);
  if (m_created && !platform::SyncFolder(m_drawer.folder))
    return StoreResult::FromLastError(StoreFailure::CannotWriteMail, m_drawer.folder);
  return {};
}

bool PairAppender::CutBack() {
  if (!m_opened.Ok()) return true;
  m_broken = !CutBackTo(m_mailBefore, m_listBefore);
  return !m_broken;
}

bool PairAppender::CutBackTo(uint64_t mailLength, uint64_t listLength) {
  const bool listCut = m_listFile->Truncate(listLength) && m_listFile->Flush();
  const bool mailCut = m_mailFile->Truncate(mailLength) && m_mailFile->Flush();
  if (!listCut || !mailCut) return false;
  m_mailLength = mailLength;
  m_listLength = listLength;
  return true;
}
