#include "browser/store/DrawerJournal.h"

#include <algorithm>
#include <charconv>
#include <new>

#include "browser/store/ListFile.h"
#include "browser/store/MailFile.h"
#include "browser/store/NewPair.h"
#include "browser/store/PairAppender.h"
#include "platform/files/Files.h"

namespace {

// The journal is text, one item a line, so that a person can read it:
//   marrowkit journal 1
//   source <loaded length> <loaded check>   then the source's folder, ListFile and MailFile, a line each
//   target <mail length> <list length>      then the target's three lines; once per target
//   leave <target> <record>                 once per leaving mail, in the order of the appends
//   intent <check of every byte above>
//   commit <covered length> <covered check> <check of the two>
// A path never holds a line feed: 0x0A is no byte of a Shift-JIS character,
// and no drawer name holds a control character.
constexpr std::string_view kFirstLine = "marrowkit journal 1";
constexpr uint64_t kCommitCheck = 0x5A17C0DE0F5E5EEDULL;
// What an earlier version of the store left beside every drawer it appended to.
constexpr std::string_view kLegacyAppendNoteSuffix = ".ppl.append";

// FNV-1a over the bytes.
uint64_t Check(std::string_view bytes) {
  uint64_t hash = 0xCBF29CE484222325ULL;
  for (const char byte : bytes) hash = (hash ^ static_cast<unsigned char>(byte)) * 0x100000001B3ULL;
  return hash;
}

std::string NumbersLine(std::string_view key, std::initializer_list<uint64_t> numbers) {
  std::string line(key);
  for (const uint64_t number : numbers) line.append(" ").append(std::to_string(number));
  return line + "\n";
}

std::string DrawerLines(const DrawerFiles& drawer) {
  return drawer.folder + "\n" + drawer.listPath + "\n" + drawer.mailPath + "\n";
}

std::string IntentText(const JournalIntent& intent) {
  std::string text = std::string(kFirstLine) + "\n";
  if (intent.source)
    text += NumbersLine("source", {intent.loadedBytes.size(), Check(intent.loadedBytes)}) + DrawerLines(*intent.source);
  for (const PairAppender* target : intent.targets)
    text += NumbersLine("target", {target->MailLengthBefore(), target->ListLengthBefore()}) + DrawerLines(target->Drawer());
  for (const JournalLeave& leave : intent.leaves) text += NumbersLine("leave", {leave.target, leave.record});
  return text + NumbersLine("intent", {Check(text)});
}

std::string CommitLine(std::string_view coveredBytes) {
  const uint64_t length = coveredBytes.size();
  const uint64_t check = Check(coveredBytes);
  return NumbersLine("commit", {length, check, length ^ check ^ kCommitCheck});
}

bool WriteDurably(const std::string& path, const char* mode, std::string_view bytes) {
  std::unique_ptr<platform::Stream> file = platform::OpenFile(path, mode);
  return file && file->Write(bytes) && file->Sync() && file->Close();
}

// ---------------------------------------------------------------------------
// Reading a journal back

struct NotedTarget {
  DrawerFiles drawer;
  uint64_t mailLength = 0;
  uint64_t listLength = 0;
};

struct Covered {
  uint64_t length = 0;
  uint64_t check = 0;
};

struct Journal {
  std::optional<DrawerFiles> source;
  Covered loaded;
  std::vector<NotedTarget> targets;
  std::vector<JournalLeave> leaves;
  std::optional<Covered> commit;
};

class LineReader {
 public:
  explicit LineReader(std::string_view bytes) : m_bytes(bytes) {}
  size_t Position() const { return m_pos; }
  // The next line without its line feed; none at the end or for a line cut short.
  std::optional<std::string_view> Next() {
    const size_t end = m_bytes.find('\n', m_pos);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view line = m_bytes.substr(m_pos, end - m_pos);
    m_pos = end + 1;
    return line;
  }

 private:
  std::string_view m_bytes;
  size_t m_pos = 0;
};

// "key n1 n2 ...", exactly count decimal numbers.
std::optional<std::vector<uint64_t>> Numbers(std::string_view line, std::string_view key, size_t count) {
  if (!line.starts_with(key)) return std::nullopt;
  std::vector<uint64_t> numbers;
  const char* pos = line.data() + key.size();
  const char* end = line.data() + line.size();
  while (pos < end && *pos == ' ') {
    uint64_t number = 0;
    const auto [next, error] = std::from_chars(pos + 1, end, number);
    if (error != std::errc() || next == pos + 1) return std::nullopt;
    numbers.push_back(number);
    pos = next;
  }
  if (pos != end || numbers.size() != count) return std::nullopt;
  return numbers;
}

std::optional<DrawerFiles> DrawerFrom(LineReader& lines) {
  DrawerFiles drawer;
  for (std::string* field : {&drawer.folder, &drawer.listPath, &drawer.mailPath}) {
    const std::optional<std::string_view> line = lines.Next();
    if (!line || line->empty()) return std::nullopt;
    *field = *line;
  }
  return drawer;
}

// The journal as written; none when it is cut short or damaged before its
// intent line ends. A commit line cut short counts as none.
std::optional<Journal> ParseJournal(std::string_view bytes) {
  LineReader lines(bytes);
  if (lines.Next() != kFirstLine) return std::nullopt;
  Journal journal;
  for (;;) {
    const size_t lineStart = lines.Position();
    const std::optional<std::string_view> line = lines.Next();
    if (!line) return std::nullopt;
    if (const auto n = Numbers(*line, "intent", 1)) {
      if ((*n)[0] != Check(bytes.substr(0, lineStart))) return std::nullopt;
      break;
    }
    if (const auto n = Numbers(*line, "source", 2); n && !journal.source) {
      journal.loaded = {(*n)[0], (*n)[1]};
      journal.source = DrawerFrom(lines);
      if (!journal.source) return std::nullopt;
    } else if (const auto n = Numbers(*line, "target", 2)) {
      const std::optional<DrawerFiles> drawer = DrawerFrom(lines);
      if (!drawer) return std::nullopt;
      journal.targets.push_back({*drawer, (*n)[0], (*n)[1]});
    } else if (const auto n = Numbers(*line, "leave", 2); n && (*n)[0] < journal.targets.size()) {
      journal.leaves.push_back({static_cast<size_t>((*n)[0]), static_cast<size_t>((*n)[1])});
    } else {
      return std::nullopt;
    }
  }
  const std::optional<std::string_view> line = lines.Next();
  const auto n = line ? Numbers(*line, "commit", 3) : std::nullopt;
  if (n && journal.source && (*n)[2] == ((*n)[0] ^ (*n)[1] ^ kCommitCheck)) journal.commit = Covered{(*n)[0], (*n)[1]};
  return journal;
}

// ---------------------------------------------------------------------------
// Recovery

bool StartsWith(std::string_view bytes, const Covered& covered) {
  return bytes.size() >= covered.length && Check(bytes.substr(0, covered.length)) == covered.check;
}

bool CutFileBack(const std::string& path, uint64_t length) {
  const int64_t size = platform::FileSize(path);
  if (size < 0 || static_cast<uint64_t>(size) <= length) return true;
  std::unique_ptr<platform::Stream> file = platform::OpenFile(path, "r+b");
  return file && file->Truncate(length) && file->Close();
}

bool SyncFile(const std::string& path) {
  if (!platform::PathExists(path)) return true;
  std::unique_ptr<platform::Stream> file = platform::OpenFile(path, "r+b");
  return file && file->Sync() && file->Close();
}

// A target as recovery leaves it: its ListFile, and where each whole record
// appended after the noted length lies in it.
struct TargetFound {
  std::string listBytes;
  std::vector<std::pair<size_t, size_t>> records;  // [start, end) in listBytes
};

// Keeps the target's whole mails after its noted lengths: the records, each
// placed right after the one before, whose texts are all there. What follows
// the last of them, when it is what an interrupted append of ours leaves
// (records whose texts never arrived, a record cut short, text without its
// record), is cut away; when another program's mail follows, nothing is.
// Then makes the pair durable.
bool RecoverTarget(const NotedTarget& target, TargetFound& found) {
  if (!platform::ReadFileContents(target.drawer.listPath, found.listBytes) &&
      platform::PathExists(target.drawer.listPath))
    return false;
  const uint64_t mailLength = std::max<int64_t>(platform::FileSize(target.drawer.mailPath), 0);
  if (found.listBytes.size() < target.listLength || mailLength < target.mailLength) return true;
  size_t keptEnd = target.listLength;
  uint64_t keptMails = target.mailLength;
  uint64_t chain = target.mailLength;  // where the next mail of ours starts
  bool foreign = false;
  for (size_t pos = target.listLength; pos < found.listBytes.size();) {
    size_t next = pos;
    MailEntry record;
    if (!ParseListRecord(found.listBytes, next, record)) break;  // cut short: the last thing there
    if (record.mailStart != chain) {
      foreign = true;
      break;
    }
    chain += record.MailLength();
    if (keptEnd == pos && chain <= mailLength) {
      found.records.emplace_back(pos, next);
      keptEnd = next;
      keptMails = chain;
    }
    pos = next;
  }
  if (!foreign) {
    if (!CutFileBack(target.drawer.listPath, keptEnd) || !CutFileBack(target.drawer.mailPath, keptMails)) return false;
    found.listBytes.resize(keptEnd);
  }
  return SyncFile(target.drawer.mailPath) && SyncFile(target.drawer.listPath) &&
         platform::SyncFolder(target.drawer.folder);
}

// The source's rows as they were loaded, while its loaded part is still the
// start of its ListFile.
class LoadedSource {
 public:
  LoadedSource(const DrawerFiles& source, const Covered& loaded) : m_mails(source.mailPath) {
    std::string listBytes;
    if (!platform::ReadFileContents(source.listPath, listBytes) || !StartsWith(listBytes, loaded)) return;
    listBytes.resize(loaded.length);
    std::unique_ptr<platform::Stream> mailFile = platform::OpenFile(source.mailPath, "rb");
    m_listing = ReadListFile(std::move(listBytes), mailFile.get());
    m_found = m_listing.LoadedBytes().size() == loaded.length;
  }
  // False when the source changed since (another program wrote it anew), or
  // its rows could not be read: no mail can then be told to have left.
  bool Found() const { return m_found; }
  const DrawerListing& Listing() const { return m_listing; }
  const MailEntry* Row(size_t record) const {
    return record < m_listing.entries.size() ? m_listing.entries[record] : nullptr;
  }
  MailSource& Mails() { return m_mails; }

 private:
  DrawerListing m_listing;
  MailSource m_mails;
  bool m_found = false;
};

// Marks the leaving mails of targets[t] that are in it byte for byte: record
// and text, in the order they were appended, from its first record kept on.
void MarkArrived(const Journal& journal, size_t t, const TargetFound& found, LoadedSource& source,
                 std::vector<bool>& arrived) {
  std::unique_ptr<platform::Stream> targetMails = platform::OpenFile(journal.targets[t].drawer.mailPath, "rb");
  if (!targetMails) return;
  uint64_t running = journal.targets[t].mailLength;
  size_t k = 0;
  for (const JournalLeave& leave : journal.leaves) {
    if (leave.target != t) continue;
    const MailEntry* row = source.Row(leave.record);
    if (!row || k >= found.records.size()) return;
    const std::optional<std::string> text = source.Mails().TextOf(*row);
    if (!text) return;
    const auto [start, end] = found.records[k];
    if (std::string_view(found.listBytes).substr(start, end - start) !=
            EncodeListRecord(*row, static_cast<uint32_t>(running), text->size()) ||
        ReadFileRange(*targetMails, running, text->size()) != *text)
      return;
    arrived[leave.record] = true;
    running += text->size();
    ++k;
  }
}

// Writes the source anew without the mails that arrived, through the journal.
bool LeaveOutArrived(const std::string& path, const DrawerFiles& source, LoadedSource& loaded,
                     const std::vector<bool>& arrived) {
  std::vector<const MailEntry*> keep;
  for (const MailEntry* row : loaded.Listing().entries)
    if (!arrived[loaded.Listing().RecordIndex(*row)]) keep.push_back(row);
  CheckedDrawer checked(source, loaded.Listing().LoadedBytes());
  if (!checked.Result().Ok() || !checked.Keep(keep).Ok()) return false;
  DrawerJournal journal(path);
  return journal.CommitSource(source, checked).Ok() && journal.InstallSource(source).Ok();
}

bool FinishAppends(const std::string& path, const Journal& journal) {
  std::vector<TargetFound> found(journal.targets.size());
  for (size_t t = 0; t < journal.targets.size(); ++t)
    if (!RecoverTarget(journal.targets[t], found[t])) return false;
  if (journal.source) {
    LoadedSource loaded(*journal.source, journal.loaded);
    if (journal.loaded.length > 0 && loaded.Found()) {
      std::vector<bool> arrived(loaded.Listing().entries.size());
      for (size_t t = 0; t < journal.targets.size(); ++t) MarkArrived(journal, t, found[t], loaded, arrived);
      if (std::find(arrived.begin(), arrived.end(), true) != arrived.end())
        return LeaveOutArrived(path, *journal.source, loaded, arrived);
    }
    RemoveNewPair(*journal.source);
  }
  return platform::DeleteFile(path) || !platform::PathExists(path);
}

// The source's committed new pair put in place, taking the records appended
// to the old pair since it was made. When the old ListFile no longer starts
// with what the new pair was made from, the old pair stays: its mails may
// then also be in their targets, but none is lost.
bool FinishReplacement(const Journal& journal) {
  const DrawerFiles& source = *journal.source;
  if (platform::PathExists(NewPairOf(source).mailPath)) {
    std::string listBytes;
    if (!platform::ReadFileContents(source.listPath, listBytes) && platform::PathExists(source.listPath)) return false;
    if (!StartsWith(listBytes, *journal.commit)) {
      RemoveNewPair(source);
      return true;
    }
    if (!ExtendNewPair(source, listBytes, journal.commit->length).Ok()) return false;
  }
  return InstallNewPair(source) && platform::SyncFolder(source.folder);
}

bool RecoverJournal(const std::string& path) {
  std::string bytes;
  if (!platform::ReadFileContents(path, bytes)) return false;
  try {
    const std::optional<Journal> journal = ParseJournal(bytes);
    // Nothing is changed before the intent is written whole and synced.
    if (!journal) return platform::DeleteFile(path);
    if (!journal->commit) return FinishAppends(path, *journal);
    return FinishReplacement(*journal) && (platform::DeleteFile(path) || !platform::PathExists(path));
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool IsScratchName(std::string_view name) {
  return name.ends_with(std::string(".ppl") + std::string(kScratchSuffix)) ||
         name.ends_with(std::string(".ppm") + std::string(kScratchSuffix));
}

// An earlier version's note of an append that ended ("-" in its first byte).
bool IsIdleLegacyNote(const std::string& path) {
  std::unique_ptr<platform::Stream> note = platform::OpenFile(path, "rb");
  return note && note->GetChar() == '-';
}

}  // namespace

StoreResult DrawerJournal::Begin(const DrawerFiles& beside, const JournalIntent& intent,
                                 std::unique_ptr<DrawerJournal>& journal) {
  const std::string path = beside.listPath + std::string(kJournalSuffix);
  if (!WriteDurably(path, "wb", IntentText(intent)) || !platform::SyncFolder(beside.folder)) {
    const StoreResult failed = StoreResult::FromLastError(StoreFailure::CannotCreateScratch, path);
    platform::DeleteFile(path);
    return failed;
  }
  journal = std::make_unique<DrawerJournal>(path);
  return {};
}

DrawerJournal::~DrawerJournal() = default;

StoreResult DrawerJournal::CommitSource(const DrawerFiles& source, CheckedDrawer& checked) {
  const StoreResult written = WriteNewPair(source, checked.Rows(), checked.Mails());
  if (!written.Ok()) return written;
  if (!WriteDurably(m_path, "ab", CommitLine(checked.ListBytes()))) {
    const StoreResult failed = StoreResult::FromLastError(StoreFailure::CannotWriteMail, m_path);
    RemoveNewPair(source);
    return failed;
  }
  return {};
}

StoreResult DrawerJournal::InstallSource(const DrawerFiles& source) {
  if (!InstallNewPair(source)) return StoreResult::FromLastError(StoreFailure::CannotWriteMail, source.listPath);
  // The renames reach the disk before the journal goes; without that the
  // journal stays, and the next recovery finds nothing left to rename.
  if (platform::SyncFolder(source.folder)) Remove();
  return {};
}

void DrawerJournal::Remove() { platform::DeleteFile(m_path); }

bool RecoverBook(const std::vector<std::string>& folders) {
  bool whole = true;
  for (const std::string& folder : folders) {
    for (const std::string& name : platform::FolderEntries(folder)) {
      const std::string path = folder + "\\" + name;
      if (name.ends_with(kJournalSuffix)) whole = RecoverJournal(path) && whole;
      else if (name.ends_with(kLegacyAppendNoteSuffix) && IsIdleLegacyNote(path)) platform::DeleteFile(path);
    }
  }
  // Every call makes its journal before its scratch pair and removes the pair
  // before the journal: a pair no journal names is left over (by an earlier
  // version of the store, or a removal that failed).
  if (whole) {
    for (const std::string& folder : folders)
      for (const std::string& name : platform::FolderEntries(folder))
        if (IsScratchName(name)) platform::DeleteFile(folder + "\\" + name);
  }
  return whole;
}

bool ReplacementPending(const DrawerFiles& drawer) {
  std::string bytes;
  if (!platform::ReadFileContents(drawer.listPath + std::string(kJournalSuffix), bytes)) return false;
  const std::optional<Journal> journal = ParseJournal(bytes);
  return journal && journal->commit && NewPairLeft(drawer);
}
