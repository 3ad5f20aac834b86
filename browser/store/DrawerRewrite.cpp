#include "browser/store/DrawerRewrite.h"

#include <algorithm>
#include <new>
#include <optional>
#include <string>

#include "browser/store/DrawerCommit.h"
#include "browser/store/MailFile.h"

namespace {

constexpr uint64_t kRunBytes = 1 << 20;  // mails lying back to back are read this many at once
constexpr size_t kWriteBytes = 1 << 20;  // the new pair is written in pieces this big

bool LoadedPartUnchanged(std::string_view listBytes, const DrawerListing& loaded) {
  const std::string_view loadedBytes = loaded.LoadedBytes();
  return listBytes.substr(0, loadedBytes.size()) == loadedBytes;
}

// The drawer's MailFile as the rewrite reads it.
class MailSource {
 public:
  explicit MailSource(std::string_view path) : m_file(platform::OpenFile(path, "rb")) {
    if (m_file) m_length = std::max<int64_t>(m_file->Length(), 0);
  }
  bool CanReadBack(const MailEntry& row) const { return !CannotReadBack(row, m_length); }
  // The bytes of a row's text that exist: a text running past the file's end is cut there.
  uint64_t ExistingLength(const MailEntry& row) const {
    return row.MailLength() == 0 ? 0 : std::min<uint64_t>(row.MailLength(), m_length - row.mailStart);
  }
  // Exactly count bytes from start, or none when the file gives fewer.
  std::optional<std::string> Read(uint64_t start, uint64_t count) {
    if (count == 0) return std::string();
    std::string bytes = ReadFileRange(*m_file, start, count);
    if (bytes.size() != count) return std::nullopt;
    return bytes;
  }

 private:
  std::unique_ptr<platform::Stream> m_file;
  uint64_t m_length = 0;
};

// Rows from `first` on whose texts lie back to back in the mail file, so that
// one read serves them all (a drawer in mail order is read in a few reads).
struct Run {
  size_t end = 0;      // the row after the run
  uint64_t bytes = 0;  // from the first row's mailStart to the run's last byte
};

Run RunFrom(const std::vector<const MailEntry*>& rows, size_t first, const MailSource& source) {
  Run run{first + 1, source.ExistingLength(*rows[first])};
  for (; run.end < rows.size(); ++run.end) {
    const MailEntry& row = *rows[run.end];
    const uint64_t length = source.ExistingLength(row);
    if (length == 0) continue;
    if (row.mailStart != rows[first]->mailStart + run.bytes || run.bytes + length > kRunBytes) break;
    run.bytes += length;
  }
  return run;
}

// The new pair beside the drawer's files, written in large pieces. Removed
// again unless committed.
class ScratchPair {
 public:
  explicit ScratchPair(const DrawerFiles& drawer)
      : m_drawer(drawer),
        m_names(ScratchFilesOf(drawer)),
        m_mailFile(platform::OpenFile(m_names.mailPath, "wb")),
        m_listFile(platform::OpenFile(m_names.listPath, "wb")) {}
  ~ScratchPair() {
    if (m_committed) return;
    m_mailFile.reset();
    m_listFile.reset();
    platform::DeleteFile(m_names.mailPath);
    platform::DeleteFile(m_names.listPath);
  }
  bool Opened() const { return m_mailFile && m_listFile; }

  // Adds a mail's text and its record, placed after the mails before it.
  bool Add(const MailEntry& entry, std::string_view text) {
    if (m_mailLength + text.size() > kMaxMailFileLength) return false;
    m_listBuffer += EncodeListRecord(entry, static_cast<uint32_t>(m_mailLength), text.size());
    m_mailBuffer.append(text);
    m_mailLength += text.size();
    return m_mailBuffer.size() < kWriteBytes || WriteBuffers();
  }

  bool Commit() {
    if (!WriteBuffers() || !m_mailFile->Sync() || !m_listFile->Sync()) return false;
    if (!m_mailFile->Close() || !m_listFile->Close()) return false;
    m_committed = CommitScratchFiles(m_drawer);
    return m_committed;
  }

 private:
  bool WriteBuffers() {
    const bool written = m_mailFile->Write(m_mailBuffer) && m_listFile->Write(m_listBuffer);
    m_mailBuffer.clear();
    m_listBuffer.clear();
    return written;
  }

  const DrawerFiles& m_drawer;
  ScratchFiles m_names;
  std::unique_ptr<platform::Stream> m_mailFile;
  std::unique_ptr<platform::Stream> m_listFile;
  std::string m_mailBuffer;
  std::string m_listBuffer;
  uint64_t m_mailLength = 0;
  bool m_committed = false;
};

// Everything the new pair holds, in order: the kept rows, then the carried records.
std::vector<const MailEntry*> RowsToWrite(const std::vector<const MailEntry*>& keep,
                                          const std::vector<MailEntry>& carried) {
  std::vector<const MailEntry*> rows(keep);
  for (const MailEntry& record : carried) rows.push_back(&record);
  return rows;
}

StoreResult CopyMails(const std::vector<const MailEntry*>& rows, MailSource& source,
                      ScratchPair& scratch) {
  for (size_t first = 0; first < rows.size();) {
    const Run run = RunFrom(rows, first, source);
    const uint64_t runStart = rows[first]->mailStart;
    const std::optional<std::string> texts = source.Read(runStart, run.bytes);
    if (!texts) return {kCannotOpenMailFile};
    for (; first < run.end; ++first) {
      const MailEntry& row = *rows[first];
      const uint64_t length = source.ExistingLength(row);
      const std::string_view text =
          length ? std::string_view(*texts).substr(row.mailStart - runStart, length) : "";
      if (!scratch.Add(row, text)) return {kCannotWriteMail};
    }
  }
  return {};
}

StoreResult WriteNewPair(const DrawerFiles& drawer, const std::vector<const MailEntry*>& rows) {
  MailSource source(drawer.mailPath);
  for (const MailEntry* row : rows)
    if (!source.CanReadBack(*row)) return {kCannotOpenMailFile};
  ScratchPair scratch(drawer);
  if (!scratch.Opened()) return {kCannotCreateScratch};
  const StoreResult copied = CopyMails(rows, source, scratch);
  if (!copied.Ok()) return copied;
  if (!scratch.Commit()) return {kCannotWriteMail};
  return {};
}

StoreResult RewriteLocked(const DrawerFiles& drawer, const DrawerListing& loaded,
                          const std::vector<const MailEntry*>& keep) {
  std::string listBytes;
  platform::ReadFileContents(drawer.listPath, listBytes);  // a missing file is empty
  if (!LoadedPartUnchanged(listBytes, loaded)) return {kDrawerChanged};
  // A record cut short may be another program's append in progress.
  const std::optional<std::vector<MailEntry>> carried =
      ReadRecordsToEnd(listBytes, loaded.LoadedBytes().size());
  if (!carried) return {kDrawerChanged};
  return WriteNewPair(drawer, RowsToWrite(keep, *carried));
}

}  // namespace

DrawerAppender::DrawerAppender(const DrawerFiles& drawer) : m_lock(drawer.folder) {
  if (!m_lock.Held() || !RecoverDrawer(drawer)) {
    m_failure = OpenFailure::MailFile;
    return;
  }
  m_mailFile = platform::OpenFile(drawer.mailPath, "ab");
  if (!m_mailFile) {
    m_failure = OpenFailure::MailFile;
    return;
  }
  m_listFile = platform::OpenFile(drawer.listPath, "ab");
  if (!m_listFile) m_failure = OpenFailure::ListFile;
}

bool DrawerAppender::Append(const MailEntry& entry, std::string_view text) {
  return m_failure == OpenFailure::None && WriteMail(*m_mailFile, *m_listFile, entry, text);
}

CopyFailure CopyDrawerFiles(const DrawerFiles& from, const DrawerFiles& to) {
  platform::FileLock lock(from.folder);
  std::optional<platform::FileLock> targetLock;
  if (to.folder != from.folder) targetLock.emplace(to.folder);
  RecoverDrawer(from);
  RecoverDrawer(to);
  if (!platform::CopyFile(from.mailPath, to.mailPath, false)) return CopyFailure::MailFile;
  if (platform::CopyFile(from.listPath, to.listPath, false)) return CopyFailure::None;
  platform::DeleteFile(to.mailPath);
  return CopyFailure::ListFile;
}

void DeleteDrawerFiles(const DrawerFiles& drawer) {
  platform::FileLock lock(drawer.folder);
  // A committed rewrite left unfinished would bring the files back later.
  RecoverDrawer(drawer);
  platform::DeleteFile(drawer.listPath);
  platform::DeleteFile(drawer.mailPath);
}

StoreResult RewriteDrawer(const DrawerFiles& drawer, const DrawerListing& loaded,
                          const std::vector<const MailEntry*>& keep) {
  platform::FileLock lock(drawer.folder);
  if (!lock.Held() || !RecoverDrawer(drawer)) return {kCannotCreateScratch};
  try {
    return RewriteLocked(drawer, loaded, keep);
  } catch (const std::bad_alloc&) {
    return {kOutOfMemory};
  }
}
