#include "browser/store/NewPair.h"

#include <algorithm>
#include <new>

#include "browser/store/ContentCheck.h"
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

namespace {

// A ListFile's bytes start with the part a new pair was made from.
bool StartsWithCovered(std::string_view list, const JournalReplace& replace) {
  return list.size() >= replace.coveredLength && CheckOf(list.substr(0, replace.coveredLength)) == replace.coveredCheck;
}

// Copies the records of list after from, with their texts from the drawer's
// MailFile, into the new pair; what was carried, or none when a write fails.
// What an interrupted carry added to the new pair goes first.
std::optional<JournalCarried> CarryWithTexts(const DrawerFiles& drawer, const JournalCarried& reached,
                                             std::string_view list) {
  const DrawerFiles scratch = NewPairOf(drawer);
  std::unique_ptr<platform::Stream> mail = platform::OpenFile(scratch.mailPath, "ab");
  std::unique_ptr<platform::Stream> records = platform::OpenFile(scratch.listPath, "ab");
  MailSource texts(drawer.mailPath);
  if (!mail || !records || !mail->Truncate(static_cast<int64_t>(reached.newMailLength)) ||
      !records->Truncate(static_cast<int64_t>(reached.newListLength)))
    return std::nullopt;
  const size_t from = reached.listLengthRead;
  size_t end = from;
  for (MailEntry row; end < list.size();) {
    const size_t start = end;
    if (!ParseListRecord(list, end, row)) break;
    const std::optional<std::string> text = texts.TextOf(row);
    if (!text) return std::nullopt;
    const platform::Stream::Appended appended = mail->Append(*text);
    if (appended.start < 0 || appended.written != text->size()) return std::nullopt;
    const int64_t landed = appended.start;
    std::string record(list.substr(start, end - start));
    if (text->size() == row.MailLength()) ShiftRecordOffsets(record, 0, landed - int64_t{row.mailStart});
    else record = EncodeListRecord(row, static_cast<uint32_t>(landed), text->size());
    if (!records->Write(record)) return std::nullopt;
  }
  const int64_t mailLength = mail->Length(), listLength = records->Length();
  if (mailLength < 0 || listLength < 0 || !mail->Sync() || !records->Sync()) return std::nullopt;
  return JournalCarried{reached.drawer, end, static_cast<uint64_t>(mailLength), static_cast<uint64_t>(listLength)};
}

// Records of list after from that another program appended, each placed
// where its text now lies: a text in the replaced MailFile (old, at or past
// oldEnd) is copied to the end of the drawer's MailFile; one in the drawer's
// MailFile at or past newEnd stays where it is. A record whose text is in
// neither is not carried: its text went with a file a rename replaced.
std::optional<std::string> CarryAppended(const DrawerFiles& drawer, std::string_view list, size_t from,
                                         platform::Stream* old, uint64_t oldEnd, uint64_t newEnd) {
  const int64_t oldLength = old ? old->Length() : 0;
  const int64_t newLength = platform::FileSize(drawer.mailPath);
  std::unique_ptr<platform::Stream> mail;
  std::string records;
  MailEntry row;
  for (size_t end = from, start = from; end < list.size() && ParseListRecord(list, end, row); start = end) {
    const uint64_t begin = row.mailStart, length = row.MailLength();
    std::string record(list.substr(start, end - start));
    if (old && begin >= oldEnd && static_cast<int64_t>(begin + length) <= oldLength) {
      if (!mail) mail = platform::OpenFile(drawer.mailPath, "ab");
      const std::string text = ReadFileRange(*old, begin, length);
      const platform::Stream::Appended appended = mail ? mail->Append(text) : platform::Stream::Appended{};
      if (text.size() != length || appended.start < 0 || appended.written != length) return std::nullopt;
      ShiftRecordOffsets(record, 0, appended.start - static_cast<int64_t>(begin));
    } else if (begin < newEnd || static_cast<int64_t>(begin + length) > newLength) {
      continue;
    }
    records += record;
  }
  if (mail && !mail->Sync()) return std::nullopt;
  return records;
}

bool AppendToFile(const std::string& path, int64_t keep, std::string_view bytes) {
  if (bytes.empty()) return true;
  std::unique_ptr<platform::Stream> file = platform::OpenFile(path, "ab");
  return file && (keep < 0 || file->Truncate(keep)) && file->Append(bytes).written == bytes.size() && file->Sync();
}

}  // namespace

// Each rename may race another program's append, which may reach the file
// the rename replaces: the replaced files stay open, and whatever reached
// them after the last look is carried once they are replaced.
bool InstallReplacement(const DrawerFiles& drawer, const JournalReplace& replace, const JournalCarried* carried,
                        const std::function<bool(const JournalCarried&)>& noteCarried) {
  const DrawerFiles scratch = NewPairOf(drawer);
  const int64_t mailBeforeRead = platform::FileSize(drawer.mailPath);
  std::string list;
  if (!platform::ReadFileContents(drawer.listPath, list) && platform::PathExists(drawer.listPath)) return false;
  const bool mailWaiting = !replace.listOnly && platform::PathExists(scratch.mailPath);
  const bool listWaiting = platform::PathExists(scratch.listPath);
  if ((mailWaiting || (replace.listOnly && listWaiting)) && !StartsWithCovered(list, replace)) {
    RemoveNewPair(drawer);
    return true;
  }
  JournalCarried reached = carried ? *carried
                                   : JournalCarried{replace.drawer, replace.coveredLength, replace.newMailLength,
                                                    replace.newListLength};
  std::unique_ptr<platform::Stream> oldMail;
  const uint64_t oldEnd = static_cast<uint64_t>(std::max<int64_t>(mailBeforeRead, 0));
  if (mailWaiting) {
    if (!ReadWholeRecords(list, reached.listLengthRead).empty()) {
      const std::optional<JournalCarried> copied = CarryWithTexts(drawer, reached, list);
      if (!copied || !noteCarried(*copied)) return false;
      reached = *copied;
    }
    oldMail = platform::OpenFile(drawer.mailPath, "rb");
    if (!platform::RenameFile(scratch.mailPath, drawer.mailPath)) return false;
  }
  if (!listWaiting) return true;
  const int64_t mailBeforeList = platform::FileSize(drawer.mailPath);
  if (!platform::ReadFileContents(drawer.listPath, list) && platform::PathExists(drawer.listPath)) return false;
  const uint64_t newEnd = replace.listOnly ? 0 : reached.newMailLength;
  const std::optional<std::string> beforeRename =
      CarryAppended(drawer, list, reached.listLengthRead, oldMail.get(), oldEnd, newEnd);
  if (!beforeRename || !AppendToFile(scratch.listPath, static_cast<int64_t>(reached.newListLength), *beforeRename))
    return false;
  std::unique_ptr<platform::Stream> oldList = platform::OpenFile(drawer.listPath, "rb");
  if (!platform::RenameFile(scratch.listPath, drawer.listPath)) return false;
  // What reached the replaced ListFile in between goes to the new one.
  const std::string lateBytes = oldList ? ReadFileRange(*oldList, 0, UINT64_MAX) : std::string();
  const std::optional<std::string> late =
      CarryAppended(drawer, lateBytes, list.size(), oldMail.get(), oldEnd,
                    static_cast<uint64_t>(std::max<int64_t>(mailBeforeList, 0)));
  return late && AppendToFile(drawer.listPath, -1, *late);
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
