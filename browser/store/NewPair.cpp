#include "browser/store/NewPair.h"

#include <algorithm>
#include <new>

#include "browser/store/MailFile.h"
#include "browser/store/PairAppender.h"
#include "platform/files/Files.h"

namespace {

constexpr uint64_t kRunBytes = 1 << 20;  // mails lying back to back are read this many at once

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

StoreResult CopyMailsDurably(const DrawerFiles& drawer, const std::vector<const MailEntry*>& rows,
                             MailSource& mails) {
  PairAppender scratch(NewPairOf(drawer));
  if (!scratch.Opened().Ok()) return {StoreFailure::CannotCreateScratch, scratch.Opened().path, scratch.Opened().systemError};
  const StoreResult copied =
      ForEachText(rows, mails, [&](size_t row, std::string_view text) { return scratch.WriteMail(*rows[row], text); });
  return copied.Ok() ? scratch.Sync() : copied;
}

}  // namespace

StoreResult ForEachText(const std::vector<const MailEntry*>& rows, MailSource& mails, const EachText& each) {
  for (size_t first = 0; first < rows.size();) {
    const Run run = RunFrom(rows, first, mails);
    const uint64_t runStart = rows[first]->mailStart;
    const std::optional<std::string> texts = mails.Read(runStart, run.bytes);
    if (!texts) return {StoreFailure::CannotOpenMailFile};
    for (; first < run.end; ++first) {
      const MailEntry& row = *rows[first];
      const uint64_t length = mails.ExistingLength(row);
      const StoreResult handed =
          each(first, length ? std::string_view(*texts).substr(row.mailStart - runStart, length) : "");
      if (!handed.Ok()) return handed;
    }
  }
  return {};
}

MailSource::MailSource(std::string_view path) : m_file(platform::OpenFile(path, "rb")) {
  if (m_file) m_length = std::max<int64_t>(m_file->Length(), 0);
}

MailSource::~MailSource() = default;

bool MailSource::CanReadBack(const std::vector<const MailEntry*>& rows) const {
  return std::none_of(rows.begin(), rows.end(),
                      [this](const MailEntry* row) { return CannotReadBack(*row, m_length); });
}

bool MailSource::HasWhole(const MailEntry& row) const {
  return !CannotReadBack(row, m_length) && ExistingLength(row) == row.MailLength();
}

uint64_t MailSource::ExistingLength(const MailEntry& row) const {
  if (row.MailLength() == 0 || row.mailStart >= m_length) return 0;
  return std::min<uint64_t>(row.MailLength(), m_length - row.mailStart);
}

std::optional<std::string> MailSource::Read(uint64_t start, uint64_t count) {
  if (count == 0) return std::string();
  if (!m_file || start + count > m_length || !m_file->Seek(start)) return std::nullopt;
  std::string bytes(count, '\0');
  for (size_t got = 0; got < count;) {
    const size_t n = m_file->Read(bytes.data() + got, count - got);
    if (n == 0) return std::nullopt;
    got += n;
  }
  return bytes;
}

bool LoadedPartUnchanged(std::string_view listBytes, std::string_view loadedBytes) {
  return listBytes.substr(0, loadedBytes.size()) == loadedBytes;
}

CheckedDrawer::CheckedDrawer(const DrawerFiles& drawer, std::string_view loadedBytes)
    : m_drawer(drawer), m_loadedLength(loadedBytes.size()), m_mails(drawer.mailPath) {
  // A missing file is empty; one that is there but cannot be read is never replaced.
  if (!platform::ReadFileContents(drawer.listPath, m_listBytes) && platform::PathExists(drawer.listPath)) {
    m_result = StoreResult::FromLastError(StoreFailure::CannotOpenListFile, drawer.listPath);
    return;
  }
  if (!LoadedPartUnchanged(m_listBytes, loadedBytes)) {
    m_result = {StoreFailure::DrawerChanged, drawer.listPath};
    return;
  }
  m_carried = ReadWholeRecords(m_listBytes, m_loadedLength);
}

StoreResult CheckedDrawer::Keep(const std::vector<const MailEntry*>& keep) {
  m_rows = keep;
  for (const MailEntry& record : m_carried) m_rows.push_back(&record);
  if (!m_mails.CanReadBack(m_rows)) return {StoreFailure::CannotOpenMailFile, m_drawer.mailPath};
  return {};
}

DrawerFiles NewPairOf(const DrawerFiles& drawer) {
  DrawerFiles scratch = drawer;
  scratch.listPath += kScratchSuffix;
  scratch.mailPath += kScratchSuffix;
  return scratch;
}

StoreResult WriteNewPair(const DrawerFiles& drawer, const std::vector<const MailEntry*>& rows, MailSource& mails) {
  RemoveNewPair(drawer);  // what an earlier failure left
  StoreResult written;
  try {
    written = CopyMailsDurably(drawer, rows, mails);
  } catch (const std::bad_alloc&) {
    written = {StoreFailure::OutOfMemory};
  }
  if (!written.Ok()) RemoveNewPair(drawer);
  return written;
}

StoreResult ExtendNewPair(const DrawerFiles& drawer, std::string_view listBytes, size_t coveredLength) {
  const std::vector<MailEntry> appended = ReadWholeRecords(listBytes, coveredLength);
  if (appended.empty()) return {};
  std::vector<const MailEntry*> rows;
  for (const MailEntry& record : appended) rows.push_back(&record);
  MailSource mails(drawer.mailPath);
  if (!mails.CanReadBack(rows)) return {StoreFailure::CannotOpenMailFile, drawer.mailPath};
  return CopyMailsDurably(drawer, rows, mails);
}

bool InstallNewPair(const DrawerFiles& drawer) {
  const DrawerFiles scratch = NewPairOf(drawer);
  for (const auto& [from, to] : {std::pair{scratch.mailPath, drawer.mailPath}, std::pair{scratch.listPath, drawer.listPath}}) {
    if (platform::PathExists(from) && !platform::RenameFile(from, to)) return false;
  }
  return true;
}

bool NewPairLeft(const DrawerFiles& drawer) {
  const DrawerFiles scratch = NewPairOf(drawer);
  return platform::PathExists(scratch.mailPath) || platform::PathExists(scratch.listPath);
}

void RemoveNewPair(const DrawerFiles& drawer) {
  const DrawerFiles scratch = NewPairOf(drawer);
  platform::DeleteFile(scratch.mailPath);
  platform::DeleteFile(scratch.listPath);
}
