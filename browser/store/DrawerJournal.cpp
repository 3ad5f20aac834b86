#include "browser/store/DrawerJournal.h"

#include <algorithm>
#include <new>

#include "browser/store/BookLocks.h"
#include "browser/store/ContentCheck.h"
#include "browser/store/ListFile.h"
#include "browser/store/MailFile.h"
#include "browser/store/NewPair.h"
#include "browser/store/TargetRepair.h"
#include "platform/files/Files.h"

namespace {

// What an earlier version of the store left beside every drawer it appended to.
constexpr std::string_view kLegacyAppendNoteSuffix = ".ppl.append";

bool AppendDurably(const std::string& path, std::string_view line) {
  std::unique_ptr<platform::Stream> file = platform::OpenFile(path, "ab");
  return file && file->Write(line) && file->Sync() && file->Close();
}

// ---------------------------------------------------------------------------
// Resolving what a journal names

enum class Outcome { Resolved, Waiting, Refused, Failed };

// The book as a journal found in it sees it.
struct JournalPlaceOf {
  std::string path;
  std::string folder;
  std::vector<BookFolder> book;  // every folder held
};

// A file name a journal may hold: no folder in it, nothing that leads out.
bool IsPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         std::none_of(name.begin(), name.end(), [](char c) { return c == '\\' || c == '/' || (c >= 0 && c < 0x20); });
}

std::optional<std::string> OtherFolderOf(const JournalPlaceOf& place) {
  for (const BookFolder& folder : place.book)
    if (!platform::SameFile(folder.path, place.folder)) return folder.path;
  return std::nullopt;
}

bool IsOwnFolder(const JournalPlaceOf& place, const std::string& folder) {
  return std::any_of(place.book.begin(), place.book.end(),
                     [&](const BookFolder& held) { return held.own && platform::SameFile(held.path, folder); });
}

std::optional<DrawerFiles> Resolve(const NamedDrawer& named, const JournalPlaceOf& place) {
  const std::optional<std::string> other = OtherFolderOf(place);
  const std::optional<std::string> folder = named.place == JournalPlace::Here ? place.folder : other;
  if (!folder) return std::nullopt;
  DrawerFiles drawer{*folder, *folder + "\\" + named.listName, *folder + "\\" + named.mailName, {}, false, std::nullopt};
  drawer.ownFolder = IsOwnFolder(place, *folder);
  drawer.otherFolder = named.place == JournalPlace::Here ? other.value_or("") : place.folder;
  return drawer;
}

bool SameDrawerFile(const std::string& a, const std::string& b) { return a == b || platform::SameFile(a, b); }

bool Distinct(const DrawerFiles& a, const DrawerFiles& b) {
  for (const std::string& one : {a.listPath, a.mailPath})
    for (const std::string& two : {b.listPath, b.mailPath})
      if (SameDrawerFile(one, two)) return false;
  return true;
}

uint64_t SizeOf(const std::string& path) { return static_cast<uint64_t>(std::max<int64_t>(platform::FileSize(path), 0)); }

// The drawers of a journal, and whether what it says of them can hold.
struct JournalDrawers {
  std::optional<DrawerFiles> source;
  std::vector<DrawerFiles> targets;
};

Outcome ResolveDrawers(const ParsedJournal& journal, const JournalPlaceOf& place, JournalDrawers& drawers) {
  std::vector<const NamedDrawer*> named;
  if (journal.source) named.push_back(&journal.source->drawer);
  for (const JournalTarget& target : journal.targets) named.push_back(&target.drawer);
  for (const NamedDrawer* drawer : named)
    if (!IsPlainName(drawer->listName) || !IsPlainName(drawer->mailName)) return Outcome::Refused;
  if (journal.source) {
    drawers.source = Resolve(journal.source->drawer, place);
    if (!drawers.source) return Outcome::Waiting;
  }
  for (const JournalTarget& target : journal.targets) {
    const std::optional<DrawerFiles> drawer = Resolve(target.drawer, place);
    if (!drawer) return Outcome::Waiting;
    drawers.targets.push_back(*drawer);
  }
  return Outcome::Resolved;
}

// Targets that differ from the source and from each other, noted lengths
// within their files, claims after them, and references that name something.
bool Holds(const ParsedJournal& journal, const JournalDrawers& drawers) {
  const size_t count = drawers.targets.size();
  for (size_t t = 0; t < count; ++t) {
    if (drawers.source && !Distinct(*drawers.source, drawers.targets[t])) return false;
    for (size_t u = t + 1; u < count; ++u)
      if (!Distinct(drawers.targets[t], drawers.targets[u])) return false;
    if (journal.targets[t].mailLength > SizeOf(drawers.targets[t].mailPath) ||
        journal.targets[t].listLength > SizeOf(drawers.targets[t].listPath))
      return false;
  }
  const auto refersToTarget = [count](const JournalDrawerRef& ref) { return !ref.target || *ref.target < count; };
  return std::all_of(journal.claims.begin(), journal.claims.end(),
                     [&](const JournalClaim& claim) {
                       if (claim.target >= count) return false;
                       const JournalTarget& target = journal.targets[claim.target];
                       return claim.offset >= (claim.file == ClaimedFile::Mail ? target.mailLength : target.listLength);
                     }) &&
         std::all_of(journal.leaves.begin(), journal.leaves.end(),
                     [count](const JournalLeave& leave) { return leave.target < count; }) &&
         std::all_of(journal.replaces.begin(), journal.replaces.end(),
                     [&](const JournalReplace& replace) { return refersToTarget(replace.drawer); }) &&
         (journal.source || !journal.ReplaceOf({})) &&
         std::all_of(journal.carried.begin(), journal.carried.end(),
                     [&](const JournalCarried& carried) { return refersToTarget(carried.drawer); });
}

const DrawerFiles& DrawerOf(const JournalDrawers& drawers, const JournalDrawerRef& ref) {
  return ref.target ? drawers.targets[*ref.target] : *drawers.source;
}

// ---------------------------------------------------------------------------
// Replacements

bool Install(const std::string& journalPath, const DrawerFiles& drawer, const JournalReplace& replace,
             const JournalCarried* carried) {
  return InstallReplacement(drawer, replace, carried,
                            [&](const JournalCarried& reached) { return AppendDurably(journalPath, CarriedLine(reached)); }) &&
         platform::SyncFolder(drawer.folder);
}

bool FinishReplacements(const std::string& journalPath, const ParsedJournal& journal, const JournalDrawers& drawers) {
  return std::all_of(journal.replaces.begin(), journal.replaces.end(), [&](const JournalReplace& replace) {
    return Install(journalPath, DrawerOf(drawers, replace.drawer), replace, journal.CarriedOf(replace.drawer));
  });
}

// The source's new pair written from checked's rows and committed.
StoreResult CommitNewPair(const std::string& journalPath, const DrawerFiles& source, CheckedDrawer& checked,
                          JournalReplace& commit) {
  const StoreResult written = WriteNewPair(source, checked.Rows(), checked.Mails());
  if (!written.Ok()) return written;
  const DrawerFiles scratch = NewPairOf(source);
  commit = {{}, checked.ListBytes().size(), CheckOf(checked.ListBytes()), false, SizeOf(scratch.mailPath),
            SizeOf(scratch.listPath)};
  if (!AppendDurably(journalPath, ReplaceLine(commit))) {
    const StoreResult failed = StoreResult::FromLastError(StoreFailure::CannotWriteMail, journalPath);
    RemoveNewPair(source);
    return failed;
  }
  return {};
}

// A target made whole: in place, or through a new pair the journal names
// before it is put in place. Another program appending while it is looked
// at makes it be looked at again.
bool RepairTarget(const std::string& journalPath, size_t t, const TargetClaims& claims) {
  constexpr int kLooks = 3;
  for (int look = 0; look < kLooks; ++look) {
    TargetRepair repair(claims);
    if (!repair.Found()) return false;
    if (!repair.NeedsReplacement()) {
      if (repair.RepairInPlace()) return true;
      continue;
    }
    JournalReplace replace;
    replace.drawer = {t};
    return repair.WriteReplacement(replace).Ok() && AppendDurably(journalPath, ReplaceLine(replace)) &&
           Install(journalPath, repair.Drawer(), replace, nullptr);
  }
  return false;
}

TargetClaims ClaimsOf(const ParsedJournal& journal, const JournalDrawers& drawers, size_t t, bool abandoned) {
  TargetClaims claims{drawers.targets[t], journal.targets[t].mailLength, journal.targets[t].listLength, {}, abandoned};
  for (const JournalClaim& claim : journal.claims)
    if (claim.target == t) claims.claims.push_back(&claim);
  return claims;
}

// ---------------------------------------------------------------------------
// The source of a move or a sort

// The source's rows as they were loaded, while its loaded part is still the
// start of its ListFile.
class LoadedSource {
 public:
  LoadedSource(const DrawerFiles& source, const JournalSource& loaded) : m_mails(source.mailPath) {
    std::string listBytes;
    if (!platform::ReadFileContents(source.listPath, listBytes) || listBytes.size() < loaded.loadedLength ||
        CheckOf(std::string_view(listBytes).substr(0, loaded.loadedLength)) != loaded.loadedCheck)
      return;
    listBytes.resize(loaded.loadedLength);
    std::unique_ptr<platform::Stream> mailFile = platform::OpenFile(source.mailPath, "rb");
    m_listing = ReadListFile(std::move(listBytes), mailFile.get());
    m_found = m_listing.LoadedBytes().size() == loaded.loadedLength;
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
// and text, in the order they were appended, among its records after its
// noted length (another program's may stand between them).
void MarkArrived(const ParsedJournal& journal, size_t t, const DrawerFiles& target, LoadedSource& source,
                 std::vector<bool>& arrived) {
  std::string list;
  std::unique_ptr<platform::Stream> targetMails = platform::OpenFile(target.mailPath, "rb");
  if (!targetMails || !platform::ReadFileContents(target.listPath, list)) return;
  size_t pos = journal.targets[t].listLength;
  for (const JournalLeave& leave : journal.leaves) {
    if (leave.target != t) continue;
    const MailEntry* row = source.Row(leave.record);
    const std::optional<std::string> text = row ? source.Mails().TextOf(*row) : std::nullopt;
    if (!text) return;
    for (MailEntry record;;) {
      const size_t start = pos;
      if (pos >= list.size() || !ParseListRecord(list, pos, record)) return;
      if (std::string_view(list).substr(start, pos - start) == EncodeListRecord(*row, record.mailStart, text->size()) &&
          ReadFileRange(*targetMails, record.mailStart, text->size()) == *text)
        break;
    }
    arrived[leave.record] = true;
  }
}

// Writes the source anew without the mails that arrived, through the journal.
bool LeaveOutArrived(const std::string& journalPath, const DrawerFiles& source, LoadedSource& loaded,
                     const std::vector<bool>& arrived) {
  std::vector<const MailEntry*> keep;
  for (const MailEntry* row : loaded.Listing().entries)
    if (!arrived[loaded.Listing().RecordIndex(*row)]) keep.push_back(row);
  CheckedDrawer checked(source, loaded.Listing().LoadedBytes());
  JournalReplace commit;
  return checked.Result().Ok() && checked.Keep(keep).Ok() && CommitNewPair(journalPath, source, checked, commit).Ok() &&
         Install(journalPath, source, commit, nullptr);
}

bool FinishSource(const std::string& journalPath, const ParsedJournal& journal, const JournalDrawers& drawers,
                  bool abandoned) {
  const DrawerFiles& source = *drawers.source;
  if (!abandoned && journal.source->loadedLength > 0) {
    LoadedSource loaded(source, *journal.source);
    if (loaded.Found()) {
      std::vector<bool> arrived(loaded.Listing().entries.size());
      for (size_t t = 0; t < drawers.targets.size(); ++t) MarkArrived(journal, t, drawers.targets[t], loaded, arrived);
      if (std::find(arrived.begin(), arrived.end(), true) != arrived.end())
        return LeaveOutArrived(journalPath, source, loaded, arrived);
    }
  }
  RemoveNewPair(source);
  return true;
}

bool FinishUncommitted(const std::string& journalPath, const ParsedJournal& journal, const JournalDrawers& drawers,
                       bool abandoned) {
  for (size_t t = 0; t < drawers.targets.size(); ++t) {
    if (journal.ReplaceOf({t})) continue;  // already made whole
    if (!RepairTarget(journalPath, t, ClaimsOf(journal, drawers, t, abandoned))) return false;
  }
  return !drawers.source || FinishSource(journalPath, journal, drawers, abandoned);
}

Outcome RecoverJournal(const JournalPlaceOf& place, bool abandon = false) {
  std::string bytes;
  if (!platform::ReadFileContents(place.path, bytes)) return Outcome::Failed;
  try {
    const std::optional<ParsedJournal> journal = ParseJournal(bytes);
    // Nothing is changed before the intent is written whole and synced.
    if (!journal) return platform::DeleteFile(place.path) ? Outcome::Resolved : Outcome::Failed;
    JournalDrawers drawers;
    const Outcome resolved = ResolveDrawers(*journal, place, drawers);
    if (resolved != Outcome::Resolved) return resolved;
    if (!Holds(*journal, drawers)) return Outcome::Refused;
    if (!FinishReplacements(place.path, *journal, drawers)) return Outcome::Failed;
    const bool abandoned = journal->abandoned || abandon;
    if (!journal->ReplaceOf({}) && !FinishUncommitted(place.path, *journal, drawers, abandoned)) return Outcome::Failed;
    return platform::DeleteFile(place.path) || !platform::PathExists(place.path) ? Outcome::Resolved : Outcome::Failed;
  } catch (const std::bad_alloc&) {
    return Outcome::Failed;
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

// Every note in the program's own folders is ours to remove; beside
// PostPet's files only one that says its append ended.
bool IsLegacyNoteToRemove(const BookFolder& folder, const std::string& name, const std::string& path) {
  return name.ends_with(kLegacyAppendNoteSuffix) && (folder.own || IsIdleLegacyNote(path));
}

// Where a drawer lies as seen from beside: the same folder, or the other.
NamedDrawer NameOf(const DrawerFiles& drawer, const DrawerFiles& beside) {
  const bool here = drawer.folder == beside.folder || platform::SameFile(drawer.folder, beside.folder);
  return {here ? JournalPlace::Here : JournalPlace::Other, FileNameOf(drawer.listPath), FileNameOf(drawer.mailPath)};
}

}  // namespace

DrawerJournal::DrawerJournal(const DrawerFiles& beside, const DrawerFiles* source, std::string_view loadedBytes)
    : m_beside(beside), m_path(beside.listPath + std::string(kJournalSuffix)) {
  if (source) m_source = JournalSource{NameOf(*source, beside), loadedBytes.size(), CheckOf(loadedBytes)};
}

DrawerJournal::~DrawerJournal() = default;

void DrawerJournal::AddTarget(const PairAppender& target) { m_targets.push_back(&target); }

void DrawerJournal::AddLeave(size_t target, size_t record) { m_leaves.push_back({target, record}); }

StoreResult DrawerJournal::Begin() { return BeginWith({}); }

StoreResult DrawerJournal::BeginWith(std::string_view firstClaim) {
  if (m_begun) return {};
  std::vector<JournalTarget> targets;
  for (const PairAppender* target : m_targets)
    targets.push_back({NameOf(target->Drawer(), m_beside), target->MailLengthBefore(), target->ListLengthBefore()});
  const std::string text = IntentText(m_source, targets, m_leaves) + std::string(firstClaim);
  m_file = platform::OpenFile(m_path, "wb");
  if (!m_file || !m_file->Write(text) || !m_file->Sync() || !platform::SyncFolder(m_beside.folder)) {
    const StoreResult failed = StoreResult::FromLastError(StoreFailure::CannotCreateScratch, m_path);
    m_file.reset();
    platform::DeleteFile(m_path);
    return failed;
  }
  m_begun = true;
  m_claimsUnsynced = false;
  return {};
}

StoreResult DrawerJournal::WriteLine(const std::string& line, bool durable) {
  if (!m_file->Write(line) || !m_file->Flush() || (durable && !m_file->Sync()))
    return StoreResult::FromLastError(StoreFailure::CannotWriteMail, m_path);
  return {};
}

// A claim of a text must be durable before the text is: MakeDurable syncs
// the journal before any target's MailFile. A claim of records need not
// be: whole records are kept whoever wrote them.
StoreResult DrawerJournal::Claim(const PairAppender& pair, ClaimedFile file, uint64_t offset, std::string_view bytes,
                                 uint64_t& number) {
  const size_t target = static_cast<size_t>(std::find(m_targets.begin(), m_targets.end(), &pair) - m_targets.begin());
  number = m_claimCount++;
  const bool exact = bytes.size() <= kExactClaimBytes;
  const std::string line = ClaimLine({number, target, file, offset, offset, bytes.size(), bytes.size(),
                                      exact ? std::vector<uint32_t>{} : PageChecks(offset, bytes),
                                      exact ? std::string(bytes) : std::string()});
  if (!m_begun) return BeginWith(line);
  m_claimsUnsynced = m_claimsUnsynced || file == ClaimedFile::Mail;
  return WriteLine(line, false);
}

StoreResult DrawerJournal::Landed(uint64_t number, uint64_t offset, uint64_t written) {
  return WriteLine(LandedLine(number, offset, written), false);
}

StoreResult DrawerJournal::MakeDurable() {
  if (!m_begun || !m_claimsUnsynced) return {};  // nothing claimed since it was made durable
  if (!m_file->Sync()) return StoreResult::FromLastError(StoreFailure::CannotWriteMail, m_path);
  m_claimsUnsynced = false;
  return {};
}

// The claims are read back from the journal: a call that meets another
// program is rare, and holding every claim would cost memory in step with
// the mails.
StoreResult DrawerJournal::OrderTargets(const std::vector<const PairAppender*>& targets) {
  std::optional<ParsedJournal> journal;
  for (const PairAppender* pair : targets) {
    if (!pair->OthersAppended()) continue;
    std::string bytes;
    if (!journal && platform::ReadFileContents(m_path, bytes)) journal = ParseJournal(bytes);
    if (!journal) return {StoreFailure::CannotWriteMail, m_path};
    const size_t t = static_cast<size_t>(std::find(m_targets.begin(), m_targets.end(), pair) - m_targets.begin());
    TargetClaims claims{pair->Drawer(), pair->MailLengthBefore(), pair->ListLengthBefore(), {}, false};
    for (const JournalClaim& claim : journal->claims)
      if (claim.target == t) claims.claims.push_back(&claim);
    if (!RepairTarget(m_path, t, claims)) return {StoreFailure::CannotWriteMail, pair->Drawer().listPath};
  }
  return {};
}

StoreResult DrawerJournal::CommitSource(const DrawerFiles& source, CheckedDrawer& checked) {
  const StoreResult begun = Begin();
  if (!begun.Ok()) return begun;
  m_file.reset();
  JournalReplace commit;
  const StoreResult committed = CommitNewPair(m_path, source, checked, commit);
  if (committed.Ok()) m_commit = commit;
  return committed;
}

StoreResult DrawerJournal::InstallSource(const DrawerFiles& source) {
  if (!m_commit || !InstallReplacement(source, *m_commit, nullptr, [&](const JournalCarried& reached) {
        return AppendDurably(m_path, CarriedLine(reached));
      }))
    return StoreResult::FromLastError(StoreFailure::CannotWriteMail, source.listPath);
  // The renames reach the disk before the journal goes; without that the
  // journal stays, and the next recovery finds nothing left to rename.
  if (platform::SyncFolder(source.folder)) Remove();
  return {};
}

void DrawerJournal::TakeBack(Appended appended) {
  if (!m_begun) return;
  m_file.reset();
  const bool takeAll = appended == Appended::TakeAll;
  if (takeAll) (void)AppendDurably(m_path, AbandonLine());
  (void)RecoverJournal({m_path, m_beside.folder, BookFoldersOf(m_beside)}, takeAll);
}

void DrawerJournal::Remove() {
  m_file.reset();
  platform::DeleteFile(m_path);
}

BookRecovery RecoverBook(const std::vector<BookFolder>& folders) {
  BookRecovery recovery{true, {}};
  for (const BookFolder& folder : folders) {
    for (const std::string& name : platform::FolderEntries(folder.path)) {
      const std::string path = folder.path + "\\" + name;
      if (name.ends_with(kJournalSuffix)) {
        const Outcome outcome = RecoverJournal({path, folder.path, folders});
        recovery.whole = recovery.whole && outcome == Outcome::Resolved;
        if (outcome == Outcome::Refused && recovery.refusedJournal.empty()) recovery.refusedJournal = path;
      } else if (IsLegacyNoteToRemove(folder, name, path)) {
        platform::DeleteFile(path);
      }
    }
    // A copy or a save a killed process left half made; no journal names one.
    if (folder.own) platform::RemoveAbandonedScratch(folder.path);
  }
  // Every call makes its journal before its scratch pair and removes the pair
  // before the journal: a pair no journal names is left over. Only the
  // program's own folders are ours to clear; PostPet's may hold anything.
  if (recovery.whole) {
    for (const BookFolder& folder : folders)
      if (folder.own)
        for (const std::string& name : platform::FolderEntries(folder.path))
          if (IsScratchName(name)) platform::DeleteFile(folder.path + "\\" + name);
  }
  return recovery;
}

bool ReplacementPending(const DrawerFiles& drawer) {
  if (!NewPairLeft(drawer)) return false;
  const std::vector<BookFolder> book = BookFoldersOf(drawer);
  for (const BookFolder& folder : book) {
    for (const std::string& name : platform::FolderEntries(folder.path)) {
      std::string bytes;
      if (!name.ends_with(kJournalSuffix) || !platform::ReadFileContents(folder.path + "\\" + name, bytes)) continue;
      const std::optional<ParsedJournal> journal = ParseJournal(bytes);
      JournalDrawers drawers;
      if (!journal || ResolveDrawers(*journal, {folder.path + "\\" + name, folder.path, book}, drawers) != Outcome::Resolved)
        continue;
      for (const JournalReplace& replace : journal->replaces) {
        const bool named = replace.drawer.target ? *replace.drawer.target < drawers.targets.size() : drawers.source.has_value();
        if (named && SameDrawerFile(DrawerOf(drawers, replace.drawer).listPath, drawer.listPath)) return true;
      }
    }
  }
  return false;
}
