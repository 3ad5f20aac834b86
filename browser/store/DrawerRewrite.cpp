#include "browser/store/DrawerRewrite.h"

#include <map>
#include <memory>
#include <new>
#include <set>

#include "browser/store/BookLocks.h"
#include "browser/store/DrawerJournal.h"
#include "browser/store/MailFile.h"
#include "browser/store/NewPair.h"
#include "browser/store/PairAppender.h"
#include "platform/files/Files.h"

namespace {

template <typename Call>
StoreResult Guarded(const Call& call) {
  try {
    return call();
  } catch (const std::bad_alloc&) {
    return {StoreFailure::OutOfMemory};
  }
}

// The drawers a call appends to, each opened once, at its first use; their
// order is the journal's.
class Targets {
 public:
  // Opens target unless it is open already. A target that cannot be opened
  // is not kept: its failure is returned.
  StoreResult Open(const DrawerFiles& target) {
    if (m_index.contains(target.listPath)) return {};
    auto pair = std::make_unique<PairAppender>(target);
    if (!pair->Opened().Ok()) return pair->Opened();
    m_index.emplace(target.listPath, m_pairs.size());
    m_pairs.push_back(std::move(pair));
    return {};
  }
  size_t IndexOf(const DrawerFiles& target) const { return m_index.at(target.listPath); }
  PairAppender& operator[](size_t index) { return *m_pairs[index]; }
  std::vector<const PairAppender*> All() const {
    std::vector<const PairAppender*> all;
    for (const auto& pair : m_pairs) all.push_back(pair.get());
    return all;
  }
  StoreResult SyncAll() {
    for (const auto& pair : m_pairs) {
      const StoreResult synced = pair->Sync();
      if (!synced.Ok()) return synced;
    }
    return {};
  }
  bool CutBackAll() {
    bool whole = true;
    for (const auto& pair : m_pairs) whole = pair->CutBack() && whole;
    return whole;
  }

 private:
  std::vector<std::unique_ptr<PairAppender>> m_pairs;
  std::map<std::string, size_t> m_index;  // by ListFile
};

// A mail that leaves the source, and the index of its target.
struct Leaving {
  const MailEntry* row;
  size_t target;
};

// Ends a call that failed after its journal was written and before its
// commit: what it appended is taken back, durably, and the journal goes.
// Should anything stay, the journal stays too, for the next recovery.
StoreResult Undo(Targets& targets, DrawerJournal& journal, StoreResult failure) {
  if (targets.CutBackAll() && targets.SyncAll().Ok()) journal.Remove();
  return failure;
}

// What a move and a sort share, under the journal: each leaving mail is
// appended to its target, the targets are made durable, and the source is
// written anew without the mails that left (checked holds the rows it keeps).
StoreResult MoveLeaving(const DrawerFiles& source, const DrawerListing& loaded, CheckedDrawer& checked,
                        Targets& targets, const std::vector<Leaving>& leaving) {
  JournalIntent intent{&source, loaded.LoadedBytes(), targets.All(), {}};
  for (const Leaving& mail : leaving) intent.leaves.push_back({mail.target, loaded.RecordIndex(*mail.row)});
  std::unique_ptr<DrawerJournal> journal;
  const StoreResult begun = DrawerJournal::Begin(source, intent, journal);
  if (!begun.Ok()) return begun;
  std::vector<const MailEntry*> rows;
  for (const Leaving& mail : leaving) rows.push_back(mail.row);
  const StoreResult appended = ForEachText(rows, checked.Mails(), [&](size_t i, std::string_view text) {
    return targets[leaving[i].target].WriteMail(*leaving[i].row, text);
  });
  if (!appended.Ok()) return Undo(targets, *journal, appended);
  const StoreResult synced = targets.SyncAll();
  if (!synced.Ok()) return Undo(targets, *journal, synced);
  const StoreResult committed = journal->CommitSource(source, checked);
  if (!committed.Ok()) return Undo(targets, *journal, committed);
  return journal->InstallSource(source);
}

std::vector<std::string> FoldersOfBoth(const DrawerFiles& one, const DrawerFiles& other) {
  std::vector<std::string> folders = BookFoldersOf(one);
  for (const std::string& folder : BookFoldersOf(other)) folders.push_back(folder);
  return folders;
}

// The book's locks held and its journals resolved, or why not.
StoreResult Opened(const LockedBook& book, StoreFailure notHeld, const std::string& folder) {
  if (!book.Held()) return {notHeld, folder};
  if (!book.Recovered()) return {StoreFailure::CannotWriteMail, folder};
  return {};
}

StoreResult MoveLocked(const DrawerFiles& source, const DrawerListing& loaded,
                       const std::vector<const MailEntry*>& moved,
                       const std::vector<const MailEntry*>& keep, const DrawerFiles& target) {
  CheckedDrawer checked(source, loaded.LoadedBytes());
  if (!checked.Result().Ok()) return checked.Result();
  const StoreResult kept = checked.Keep(keep);
  if (!kept.Ok()) return kept;
  if (!checked.Mails().CanReadBack(moved)) return {StoreFailure::CannotOpenMailFile, source.mailPath};
  Targets targets;
  const StoreResult opened = targets.Open(target);
  if (!opened.Ok()) return opened;
  std::vector<Leaving> leaving;
  for (const MailEntry* row : moved) leaving.push_back({row, 0});
  return MoveLeaving(source, loaded, checked, targets, leaving);
}

// What choose decided, up to its first stop.
struct Plan {
  std::vector<std::pair<size_t, DrawerFiles>> elsewhere;  // rows of loaded.entries, and their targets
  size_t stopAt = 0;                                     // the first row that stays for the stop
  StoreResult stop;
};

Plan ChooseAll(const DrawerFiles& source, const DrawerListing& loaded, const ChooseDestination& choose) {
  MailSource mails(source.mailPath);
  Plan plan{{}, loaded.entries.size(), {}};
  for (size_t i = 0; i < loaded.entries.size(); ++i) {
    const MailEntry& mail = *loaded.entries[i];
    const std::optional<std::string> header =
        mails.HasWhole(mail) ? mails.Read(mail.mailStart, mail.HeaderLength()) : std::nullopt;
    Destination destination = header ? choose(mail, *header)
                                     : Destination::StopWith({StoreFailure::CannotOpenMailFile, source.mailPath});
    if (destination.kind == Destination::Kind::Stop) {
      plan.stopAt = i;
      plan.stop = std::move(destination.stop);
      break;
    }
    if (destination.kind == Destination::Kind::Elsewhere) plan.elsewhere.emplace_back(i, std::move(destination.target));
  }
  return plan;
}

// Opens the targets in the order of their first mail; a target that cannot
// be opened moves the stop to that mail.
std::vector<Leaving> OpenTargets(const DrawerListing& loaded, Plan& plan, Targets& targets) {
  std::vector<Leaving> leaving;
  for (const auto& [row, target] : plan.elsewhere) {
    if (row >= plan.stopAt) break;
    const StoreResult opened = targets.Open(target);
    if (!opened.Ok()) {
      plan.stopAt = row;
      plan.stop = opened;
      break;
    }
    leaving.push_back({loaded.entries[row], targets.IndexOf(target)});
  }
  return leaving;
}

std::vector<const MailEntry*> RowsStaying(const DrawerListing& loaded, const std::vector<Leaving>& leaving) {
  std::set<const MailEntry*> left;
  for (const Leaving& mail : leaving) left.insert(mail.row);
  std::vector<const MailEntry*> keep;
  for (const MailEntry* row : loaded.entries)
    if (!left.count(row)) keep.push_back(row);
  return keep;
}

StoreResult DistributeLocked(const DrawerFiles& source, const DrawerListing& loaded, Plan& plan) {
  CheckedDrawer checked(source, loaded.LoadedBytes());
  if (!checked.Result().Ok()) return checked.Result();
  Targets targets;
  const std::vector<Leaving> leaving = OpenTargets(loaded, plan, targets);
  if (leaving.empty()) return plan.stop;
  const StoreResult kept = checked.Keep(RowsStaying(loaded, leaving));
  if (!kept.Ok()) return kept;
  const StoreResult moved = MoveLeaving(source, loaded, checked, targets, leaving);
  return moved.Ok() ? plan.stop : moved;
}

StoreResult RewriteLocked(const DrawerFiles& drawer, const DrawerListing& loaded,
                          const std::vector<const MailEntry*>& keep) {
  CheckedDrawer checked(drawer, loaded.LoadedBytes());
  if (!checked.Result().Ok()) return checked.Result();
  const StoreResult kept = checked.Keep(keep);
  if (!kept.Ok()) return kept;
  std::unique_ptr<DrawerJournal> journal;
  const StoreResult begun = DrawerJournal::Begin(drawer, {&drawer, loaded.LoadedBytes(), {}, {}}, journal);
  if (!begun.Ok()) return begun;
  const StoreResult committed = journal->CommitSource(drawer, checked);
  if (!committed.Ok()) {
    journal->Remove();
    return committed;
  }
  return journal->InstallSource(drawer);
}

// The mails appended so far made durable, and the journal gone. Unless they
// are durable, the journal stays for the next recovery to judge them.
StoreResult KeepAppended(PairAppender& pair, DrawerJournal& journal) {
  const StoreResult synced = pair.Sync();
  if (synced.Ok()) journal.Remove();
  return synced;
}

StoreResult AppendLocked(const DrawerFiles& drawer, const MailFeed& feed) {
  PairAppender pair(drawer);
  if (!pair.Opened().Ok()) return pair.Opened();
  std::unique_ptr<DrawerJournal> journal;
  const StoreResult begun = DrawerJournal::Begin(drawer, {nullptr, {}, {&pair}, {}}, journal);
  if (!begun.Ok()) return begun;
  StoreResult failed;
  const AppendOne append = [&](const MailEntry& entry, std::string_view text) {
    failed = pair.WriteMail(entry, text);
    return failed;
  };
  StoreResult stopped;
  try {
    stopped = feed(append);
  } catch (...) {
    (void)KeepAppended(pair, *journal);
    throw;
  }
  const StoreResult kept = KeepAppended(pair, *journal);
  if (!kept.Ok()) return kept;
  return failed.Ok() ? stopped : failed;
}

// A filing is whole or nothing: when it fails after its journal (a write, or
// the sync that would make it durable), what it appended is taken back before
// the journal goes, as a failed move's appends are; else the recovery would
// keep a mail its caller was told was not filed.
StoreResult FileLocked(const DrawerFiles& drawer, const MailEntry& entry, std::string_view text) {
  Targets targets;
  const StoreResult opened = targets.Open(drawer);
  if (!opened.Ok()) return opened;
  std::unique_ptr<DrawerJournal> journal;
  const StoreResult begun = DrawerJournal::Begin(drawer, {nullptr, {}, targets.All(), {}}, journal);
  if (!begun.Ok()) return begun;
  StoreResult filed = targets[0].WriteMail(entry, text);
  if (filed.Ok()) filed = targets.SyncAll();
  if (!filed.Ok()) return Undo(targets, *journal, filed);
  journal->Remove();
  return {};
}

StoreResult DeleteLocked(const DrawerFiles& drawer) {
  platform::DeleteFile(drawer.listPath);
  platform::DeleteFile(drawer.mailPath);
  if (platform::FileExists(drawer.listPath) || platform::FileExists(drawer.mailPath))
    return {StoreFailure::CannotWriteMail, drawer.listPath};
  return {};
}

}  // namespace

DrawerListing ReadDrawer(const DrawerFiles& drawer) {
  const LockedBook book(BookFoldersOf(drawer));
  // A drawer whose recovery failed is still listed as its files stand, but
  // not one whose two files do not belong together.
  if (book.Held() && !book.Recovered() && ReplacementPending(drawer)) {
    DrawerListing listing;
    listing.message = kCannotOpenListFile;
    return listing;
  }
  return ReadDrawerFiles(drawer);
}

StoreResult AppendMails(const DrawerFiles& drawer, const MailFeed& feed) {
  const LockedBook book(BookFoldersOf(drawer));
  const StoreResult opened = Opened(book, StoreFailure::CannotOpenMailFile, drawer.folder);
  if (!opened.Ok()) return opened;
  return Guarded([&] { return AppendLocked(drawer, feed); });
}

StoreResult AppendMail(const DrawerFiles& drawer, const MailEntry& entry, std::string_view text) {
  const LockedBook book(BookFoldersOf(drawer));
  const StoreResult opened = Opened(book, StoreFailure::CannotOpenMailFile, drawer.folder);
  if (!opened.Ok()) return opened;
  return Guarded([&] { return FileLocked(drawer, entry, text); });
}

StoreResult MoveMails(const DrawerFiles& source, const DrawerListing& loaded,
                      const std::vector<const MailEntry*>& moved,
                      const std::vector<const MailEntry*>& keep, const DrawerFiles& target) {
  const LockedBook book(FoldersOfBoth(source, target));
  const StoreResult opened = Opened(book, StoreFailure::CannotOpenMailFile, source.folder);
  if (!opened.Ok()) return opened;
  return Guarded([&] { return MoveLocked(source, loaded, moved, keep, target); });
}

StoreResult RewriteDrawer(const DrawerFiles& drawer, const DrawerListing& loaded,
                          const std::vector<const MailEntry*>& keep) {
  const LockedBook book(BookFoldersOf(drawer));
  const StoreResult opened = Opened(book, StoreFailure::CannotCreateScratch, drawer.folder);
  if (!opened.Ok()) return opened;
  return Guarded([&] { return RewriteLocked(drawer, loaded, keep); });
}

StoreResult DistributeMails(const DrawerFiles& source, const DrawerListing& loaded, const ChooseDestination& choose) {
  return Guarded([&] {
    Plan plan = ChooseAll(source, loaded, choose);
    const LockedBook book(BookFoldersOf(source));
    const StoreResult opened = Opened(book, StoreFailure::CannotOpenMailFile, source.folder);
    if (!opened.Ok()) return opened;
    return DistributeLocked(source, loaded, plan);
  });
}

StoreResult RenameDrawerFiles(const DrawerFiles& from, const DrawerFiles& to) {
  const LockedBook book(FoldersOfBoth(from, to));
  if (!book.Held() || !book.Recovered()) return {StoreFailure::CopyFailed, from.folder};
  if (!platform::CopyFile(from.mailPath, to.mailPath, false))
    return StoreResult::FromLastError(StoreFailure::CopyFailed, from.mailPath);
  if (!platform::CopyFile(from.listPath, to.listPath, false)) {
    const StoreResult failed = StoreResult::FromLastError(StoreFailure::CopyFailed, from.listPath);
    platform::DeleteFile(to.mailPath);
    return failed;
  }
  return DeleteLocked(from);
}

StoreResult DeleteDrawerFiles(const DrawerFiles& drawer) {
  const LockedBook book(BookFoldersOf(drawer));
  if (!book.Held() || !book.Recovered()) return {StoreFailure::CannotWriteMail, drawer.folder};
  return DeleteLocked(drawer);
}

bool DrawerHoldsMails(const DrawerFiles& drawer) { return platform::FileSize(drawer.listPath) > 0; }
