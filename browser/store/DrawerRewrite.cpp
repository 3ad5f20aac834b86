#include "browser/store/DrawerRewrite.h"

#include <algorithm>
#include <map>
#include <new>
#include <optional>
#include <string>

#include "browser/store/DrawerCommit.h"
#include "browser/store/MailFile.h"
#include "browser/store/SortJournal.h"

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
  bool CanReadBack(const std::vector<const MailEntry*>& rows) const {
    return std::none_of(rows.begin(), rows.end(),
                        [this](const MailEntry* row) { return CannotReadBack(*row, m_length); });
  }
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

// The drawer as found under its lock, checked against the part that was
// loaded: the rows its new pair holds, each of which can be read back.
class CheckedDrawer {
 public:
  CheckedDrawer(const DrawerFiles& drawer, const DrawerListing& loaded,
                const std::vector<const MailEntry*>& keep)
      : m_mails(drawer.mailPath) {
    // A missing file is empty; one that is there but cannot be read is never replaced.
    if (!platform::ReadFileContents(drawer.listPath, m_listBytes) && platform::PathExists(drawer.listPath)) {
      m_result = {kCannotOpenListFile};
      return;
    }
    if (!LoadedPartUnchanged(m_listBytes, loaded)) {
      m_result = {kDrawerChanged};
      return;
    }
    m_carried = ReadWholeRecords(m_listBytes, loaded.LoadedBytes().size());
    m_rows = keep;
    for (const MailEntry& record : m_carried) m_rows.push_back(&record);
    if (!m_mails.CanReadBack(m_rows)) m_result = {kCannotOpenMailFile};
  }
  CheckedDrawer(const CheckedDrawer&) = delete;
  CheckedDrawer& operator=(const CheckedDrawer&) = delete;

  const StoreResult& Result() const { return m_result; }
  const std::vector<const MailEntry*>& Rows() const { return m_rows; }
  MailSource& Mails() { return m_mails; }

 private:
  std::string m_listBytes;          // the carried records refer to these bytes
  std::vector<MailEntry> m_carried;
  std::vector<const MailEntry*> m_rows;
  MailSource m_mails;
  StoreResult m_result;
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
    // Once the marker stands the scratch files are the drawer's new pair.
    if (m_commit != Commit::Failed) return;
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

  ::Commit Commit() {
    if (!WriteBuffers() || !m_mailFile->Sync() || !m_listFile->Sync()) return Commit::Failed;
    if (!m_mailFile->Close() || !m_listFile->Close()) return Commit::Failed;
    m_commit = CommitScratchFiles(m_drawer);
    return m_commit;
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
  ::Commit m_commit = Commit::Failed;
};

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

StoreResult WriteNewPair(const DrawerFiles& drawer, CheckedDrawer& checked) {
  ScratchPair scratch(drawer);
  if (!scratch.Opened()) return {kCannotCreateScratch};
  const StoreResult copied = CopyMails(checked.Rows(), checked.Mails(), scratch);
  if (!copied.Ok()) return copied;
  if (scratch.Commit() != Commit::Done) return {kCannotWriteMail};
  return {};
}

StoreResult AppendMails(DrawerAppender& target, MailSource& source,
                        const std::vector<const MailEntry*>& moved) {
  for (const MailEntry* row : moved) {
    const std::optional<std::string> text = source.Read(row->mailStart, source.ExistingLength(*row));
    if (!text) return {kCannotOpenMailFile};
    if (!target.Append(*row, *text)) return {kCannotWriteMail};
  }
  return {};
}

StoreResult MoveLocked(const DrawerFiles& source, const DrawerListing& loaded,
                       const std::vector<const MailEntry*>& moved,
                       const std::vector<const MailEntry*>& keep, const DrawerFiles& target) {
  if (!RecoverDrawer(source)) return {kCannotWriteMail};
  CheckedDrawer checked(source, loaded, keep);
  if (!checked.Result().Ok()) return checked.Result();
  if (!checked.Mails().CanReadBack(moved)) return {kCannotOpenMailFile};
  {
    DrawerAppender appender(target, DrawerAppender::LockHeld{});
    if (!appender.OpenResult().Ok()) return appender.OpenResult();
    const StoreResult appended = AppendMails(appender, checked.Mails(), moved);
    if (!appended.Ok()) return appended;
  }  // the target's files are closed and its note cleared before the source changes
  return WriteNewPair(source, checked);
}

// The appenders of one run, one per target drawer, open until the run ends.
class TargetAppenders {
 public:
  DrawerAppender& For(const DrawerFiles& target) {
    std::unique_ptr<DrawerAppender>& appender = m_byListPath[target.listPath];
    if (!appender) appender = std::make_unique<DrawerAppender>(target, DrawerAppender::LockHeld{});
    return *appender;
  }

 private:
  std::map<std::string, std::unique_ptr<DrawerAppender>> m_byListPath;
};

// A stop: the rows from first on stay.
StoreResult KeepFrom(const DrawerListing& loaded, size_t first, std::string message,
                     std::vector<const MailEntry*>& keep) {
  keep.insert(keep.end(), loaded.entries.begin() + first, loaded.entries.end());
  return {std::move(message)};
}

// Places each mail, noting in journal each one that reached its target; the
// rows that stay in source are added to keep. The first message that stops
// the run, or success.
StoreResult PlaceMails(const DrawerListing& loaded, MailSource& mails, const ChooseDestination& choose,
                       SortJournal& journal, std::vector<const MailEntry*>& keep) {
  TargetAppenders appenders;
  for (size_t i = 0; i < loaded.entries.size(); ++i) {
    const MailEntry& mail = *loaded.entries[i];
    const std::optional<std::string> text = mails.Read(mail.mailStart, mail.MailLength());
    Destination destination = text ? choose(mail, std::string_view(*text).substr(0, mail.HeaderLength()))
                                    : Destination::StopWith(kCannotOpenMailFile);
    if (destination.kind == Destination::Kind::Elsewhere) {
      DrawerAppender& target = appenders.For(destination.target);
      if (!target.OpenResult().Ok()) destination = Destination::StopWith(target.OpenResult().message);
      else if (!target.Append(mail, *text)) destination = Destination::StopWith(kCannotWriteMail);
      else if (journal.Note(loaded.RecordIndex(mail))) continue;
      else return KeepFrom(loaded, i + 1, kCannotWriteMail, keep);  // this one is in its target
    }
    if (destination.kind == Destination::Kind::Stop) return KeepFrom(loaded, i, destination.message, keep);
    keep.push_back(&mail);
  }
  return {};
}

StoreResult DistributeLocked(const DrawerFiles& source, const DrawerListing& loaded,
                             const ChooseDestination& choose) {
  if (!RecoverDrawer(source)) return {kCannotWriteMail};
  std::string listBytes;
  if (!platform::ReadFileContents(source.listPath, listBytes) && platform::PathExists(source.listPath))
    return {kCannotOpenListFile};
  if (!LoadedPartUnchanged(listBytes, loaded)) return {kDrawerChanged};
  SortJournal journal(source);
  if (!journal.Begin(listBytes)) {
    journal.Remove();
    return {kCannotCreateScratch};
  }
  std::vector<const MailEntry*> keep;
  MailSource mails(source.mailPath);
  const StoreResult placed = PlaceMails(loaded, mails, choose, journal, keep);
  StoreResult rewritten;
  if (keep.size() < loaded.entries.size()) rewritten = RewriteRecoveredDrawer(source, loaded, keep);
  // A rewrite that failed is tried again by the next recovery, from the journal.
  if (rewritten.Ok()) journal.Remove();
  return placed.Ok() ? rewritten : placed;
}

StoreResult DeleteLocked(const DrawerFiles& drawer) {
  platform::DeleteFile(drawer.listPath);
  platform::DeleteFile(drawer.mailPath);
  platform::DeleteFile(ScratchFilesOf(drawer).appendNotePath);
  if (platform::FileExists(drawer.listPath) || platform::FileExists(drawer.mailPath))
    return {kCannotWriteMail};
  return {};
}

// The locks of one or two book folders, always taken in the order of their
// paths; one folder reached by two paths is locked once.
class BookLocks {
 public:
  BookLocks(const std::string& one, const std::string& other) {
    const auto [first, second] = std::minmax(one, other);
    m_first.emplace(first);
    if (!platform::SameFile(first, second)) m_second.emplace(second);
  }
  bool Held() const { return m_first->Held() && (!m_second || m_second->Held()); }

 private:
  std::optional<platform::FileLock> m_first;
  std::optional<platform::FileLock> m_second;
};

}  // namespace

DrawerAppender::DrawerAppender(const DrawerFiles& drawer) : m_drawer(drawer) {
  m_lock.emplace(drawer.folder);
  if (m_lock->Held()) Open();
  else m_failure = OpenFailure::MailFile;
}

DrawerAppender::DrawerAppender(const DrawerFiles& drawer, LockHeld) : m_drawer(drawer) { Open(); }

DrawerAppender::~DrawerAppender() = default;

void DrawerAppender::Open() {
  m_whole = RecoverDrawer(m_drawer);
  m_note = std::make_unique<AppendNote>(m_drawer);
  m_mailFile = platform::OpenFile(m_drawer.mailPath, "ab");
  if (!m_mailFile) {
    m_failure = OpenFailure::MailFile;
    return;
  }
  m_listFile = platform::OpenFile(m_drawer.listPath, "ab");
  if (!m_listFile) m_failure = OpenFailure::ListFile;
}

StoreResult DrawerAppender::OpenResult() const {
  switch (m_failure) {
    case OpenFailure::MailFile: return {kCannotOpenMailFile};
    case OpenFailure::ListFile: return {kCannotOpenListFile};
    case OpenFailure::None: break;
  }
  return {};
}

bool DrawerAppender::Append(const MailEntry& entry, std::string_view text) {
  if (m_failure != OpenFailure::None || !m_whole) return false;
  const int64_t mailLength = m_mailFile->Length();
  const int64_t listLength = m_listFile->Length();
  if (mailLength < 0 || listLength < 0) return false;
  if (!m_note->Begin(mailLength, listLength)) return false;
  const Appended appended = WriteMail(*m_mailFile, *m_listFile, entry, text);
  // What could not be cut back now is cut back by the next recovery, from the note.
  if (appended == Appended::Partly) m_whole = false;
  else (void)m_note->End();  // a note left standing only makes the next recovery look
  return appended == Appended::Whole;
}

StoreResult MoveMails(const DrawerFiles& source, const DrawerListing& loaded,
                      const std::vector<const MailEntry*>& moved,
                      const std::vector<const MailEntry*>& keep, const DrawerFiles& target) {
  BookLocks locks(source.folder, target.folder);
  if (!locks.Held()) return {kCannotOpenMailFile};
  try {
    return MoveLocked(source, loaded, moved, keep, target);
  } catch (const std::bad_alloc&) {
    return {kOutOfMemory};
  }
}

StoreResult DistributeMails(const DrawerFiles& source, const std::string& otherBookFolder,
                            const DrawerListing& loaded, const ChooseDestination& choose) {
  BookLocks locks(source.folder, otherBookFolder);
  if (!locks.Held()) return {kCannotOpenMailFile};
  try {
    return DistributeLocked(source, loaded, choose);
  } catch (const std::bad_alloc&) {
    return {kOutOfMemory};
  }
}

StoreResult RewriteRecoveredDrawer(const DrawerFiles& drawer, const DrawerListing& loaded,
                                   const std::vector<const MailEntry*>& keep) {
  CheckedDrawer checked(drawer, loaded, keep);
  if (!checked.Result().Ok()) return checked.Result();
  return WriteNewPair(drawer, checked);
}

StoreResult RewriteDrawer(const DrawerFiles& drawer, const DrawerListing& loaded,
                          const std::vector<const MailEntry*>& keep) {
  platform::FileLock lock(drawer.folder);
  if (!lock.Held()) return {kCannotCreateScratch};
  if (!RecoverDrawer(drawer)) return {kCannotWriteMail};
  try {
    return RewriteRecoveredDrawer(drawer, loaded, keep);
  } catch (const std::bad_alloc&) {
    return {kOutOfMemory};
  }
}

StoreResult RenameDrawerFiles(const DrawerFiles& from, const DrawerFiles& to) {
  BookLocks locks(from.folder, to.folder);
  if (!locks.Held() || !RecoverDrawer(from) || !RecoverDrawer(to)) return {kCopyFailed};
  if (!platform::CopyFile(from.mailPath, to.mailPath, false)) return {kCopyFailed};
  if (!platform::CopyFile(from.listPath, to.listPath, false)) {
    platform::DeleteFile(to.mailPath);
    return {kCopyFailed};
  }
  return DeleteLocked(from);
}

StoreResult DeleteDrawerFiles(const DrawerFiles& drawer) {
  platform::FileLock lock(drawer.folder);
  if (!lock.Held() || !RecoverDrawer(drawer)) return {kCannotWriteMail};
  return DeleteLocked(drawer);
}

bool DrawerHoldsMails(const DrawerFiles& drawer) { return platform::FileSize(drawer.listPath) > 0; }
