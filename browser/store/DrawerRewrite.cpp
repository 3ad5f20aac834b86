#include "browser/store/DrawerRewrite.h"

#include <map>
#include <memory>
#include <new>
#include <set>

#include "browser/store/BookLocks.h"
#include "browser/store/DrawerJournal.h"
#include "browser/store/DrawerNameFile.h"
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

// The drawers a call appends to, each opened once, at its first use, with
// every write claimed in the call's journal; their order is the journal's.
class Targets {
 public:
  explicit Targets(DrawerJournal& journal) : m_journal(journal) {}
  // Opens target unless it is open already. A target that cannot be opened
  // is not kept: its failure is returned.
  StoreResult Open(const DrawerFiles& target) {
    if (m_index.contains(target.listPath)) return {};
    auto pair = std::make_unique<PairAppender>(target, &m_journal);
    if (!pair->Opened().Ok()) return pair->Opened();
    m_journal.AddTarget(*pair);
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
  // Every mail written and made durable, and another program's records
  // appended meanwhile put in order.
  StoreResult Finish() {
    for (const auto& pair : m_pairs) {
      const StoreResult written = pair->WriteGathered();
      if (!written.Ok()) return written;
    }
    for (const auto& pair : m_pairs) {
      const StoreResult synced = pair->Sync();
      if (!synced.Ok()) return synced;
    }
    return m_journal.OrderTargets(All());
  }

 private:
  DrawerJournal& m_journal;
  std::vector<std::unique_ptr<PairAppender>> m_pairs;
  std::map<std::string, size_t> m_index;  // by ListFile
};

// A mail that leaves the source, and the index of its target.
struct Leaving {
  const MailEntry* row;
  size_t target;
};

// Ends a call that failed before its commit: what it appended is taken
// back, durably, and the journal goes. Should anything stay, the journal
// stays too, for the next recovery.
StoreResult Undo(DrawerJournal& journal, StoreResult failure) {
  journal.TakeBack(DrawerJournal::Appended::TakeAll);
  return failure;
}

// What a move and a sort share, under the journal: each leaving mail is
// appended to its target, the targets are made durable, and the source is
// written anew without the mails that left (checked holds the rows it keeps).
StoreResult MoveLeaving(const DrawerFiles& source, const DrawerListing& loaded, CheckedDrawer& checked,
                        Targets& targets, DrawerJournal& journal, const std::vector<Leaving>& leaving) {
  for (const Leaving& mail : leaving) journal.AddLeave(mail.target, loaded.RecordIndex(*mail.row));
  std::vector<const MailEntry*> rows;
  for (const Leaving& mail : leaving) rows.push_back(mail.row);
  const StoreResult appended = ForEachText(rows, checked.Mails(), [&](size_t i, std::string_view text) {
    return targets[leaving[i].target].WriteMail(*leaving[i].row, text);
  });
  if (!appended.Ok()) return Undo(journal, appended);
  const StoreResult finished = targets.Finish();
  if (!finished.Ok()) return Undo(journal, finished);
  const StoreResult committed = journal.CommitSource(source, checked);
  if (!committed.Ok()) return Undo(journal, committed);
  return journal.InstallSource(source);
}

std::vector<BookFolder> FoldersOfBoth(const DrawerFiles& one, const DrawerFiles& other) {
  std::vector<BookFolder> folders = BookFoldersOf(one);
  for (const BookFolder& folder : BookFoldersOf(other)) folders.push_back(folder);
  return folders;
}

StoreResult MoveLocked(const DrawerFiles& source, const DrawerListing& loaded,
                       const std::vector<const MailEntry*>& moved,
                       const std::vector<const MailEntry*>& keep, const DrawerFiles& target) {
  CheckedDrawer checked(source, loaded.LoadedBytes());
  if (!checked.Result().Ok()) return checked.Result();
  const StoreResult kept = checked.Keep(keep);
  if (!kept.Ok()) return kept;
  if (!checked.Mails().CanReadBack(moved)) return {StoreFailure::CannotOpenMailFile, source.mailPath};
  DrawerJournal journal(source, &source, loaded.LoadedBytes());
  Targets targets(journal);
  const StoreResult opened = targets.Open(target);
  if (!opened.Ok()) return opened;
  std::vector<Leaving> leaving;
  for (const MailEntry* row : moved) leaving.push_back({row, 0});
  return MoveLeaving(source, loaded, checked, targets, journal, leaving);
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

std::vector<const DrawerFiles*> TargetsBeforeStop(const Plan& plan) {
  std::vector<const DrawerFiles*> targets;
  for (const auto& [row, target] : plan.elsewhere)
    if (row < plan.stopAt) targets.push_back(&target);
  return targets;
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
  DrawerJournal journal(source, &source, loaded.LoadedBytes());
  Targets targets(journal);
  const std::vector<Leaving> leaving = OpenTargets(loaded, plan, targets);
  if (leaving.empty()) return plan.stop;
  const StoreResult kept = checked.Keep(RowsStaying(loaded, leaving));
  if (!kept.Ok()) return kept;
  const StoreResult moved = MoveLeaving(source, loaded, checked, targets, journal, leaving);
  return moved.Ok() ? plan.stop : moved;
}

// The source's two files as they stand, copied whole, the ListFile first.
StoreResult CopyAside(const DrawerFiles& source, const DrawerFiles& copies) {
  if (!platform::CopyFile(source.listPath, copies.listPath, false))
    return StoreResult::FromLastError(StoreFailure::BackupFailed, source.listPath);
  if (!platform::CopyFile(source.mailPath, copies.mailPath, false))
    return StoreResult::FromLastError(StoreFailure::BackupFailed, source.mailPath);
  return {};
}

StoreResult RewriteLocked(const DrawerFiles& drawer, const DrawerListing& loaded,
                          const std::vector<const MailEntry*>& keep) {
  CheckedDrawer checked(drawer, loaded.LoadedBytes());
  if (!checked.Result().Ok()) return checked.Result();
  const StoreResult kept = checked.Keep(keep);
  if (!kept.Ok()) return kept;
  DrawerJournal journal(drawer, &drawer, loaded.LoadedBytes());
  const StoreResult begun = journal.Begin();
  if (!begun.Ok()) return begun;
  const StoreResult committed = journal.CommitSource(drawer, checked);
  if (!committed.Ok()) {
    journal.Remove();
    return committed;
  }
  return journal.InstallSource(drawer);
}

// The mails appended so far made durable, and the journal gone: when a mail
// failed, the mails before its piece stay and the rest goes; when they
// cannot be made durable, none of them stays.
StoreResult KeepAppended(PairAppender& pair, DrawerJournal& journal, const StoreResult& failedWrite) {
  const StoreResult written = failedWrite.Ok() ? pair.WriteGathered() : failedWrite;
  StoreResult kept = pair.Sync();
  if (kept.Ok()) kept = journal.OrderTargets({&pair});
  if (!kept.Ok()) {
    journal.TakeBack(DrawerJournal::Appended::TakeAll);
    return kept;
  }
  if (written.Ok()) journal.Remove();
  else journal.TakeBack(DrawerJournal::Appended::KeepWhole);
  return written;
}

StoreResult AppendLocked(const DrawerFiles& drawer, const MailFeed& feed) {
  DrawerJournal journal(drawer, nullptr, {});
  PairAppender pair(drawer, &journal);
  if (!pair.Opened().Ok()) return pair.Opened();
  journal.AddTarget(pair);
  StoreResult failed;
  const AppendOne append = [&](const MailEntry& entry, std::string_view text) {
    failed = pair.WriteMail(entry, text);
    return failed;
  };
  StoreResult stopped;
  try {
    stopped = feed(append);
  } catch (...) {
    (void)KeepAppended(pair, journal, failed);
    throw;
  }
  const StoreResult kept = KeepAppended(pair, journal, failed);
  return kept.Ok() ? stopped : kept;
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
  const ListedDrawers listed({&drawer});
  if (!listed.Result().Ok()) return listed.Result();
  const LockedBook book(BookFoldersOf(drawer));
  const StoreResult opened = BookOpened(book, StoreFailure::CannotOpenMailFile, drawer.folder);
  if (!opened.Ok()) return opened;
  return Guarded([&] { return AppendLocked(drawer, feed); });
}

StoreResult AppendMail(const DrawerFiles& drawer, const MailEntry& entry, std::string_view text) {
  return AppendMails(drawer, [&](const AppendOne& append) { return append(entry, text); });
}

StoreResult MoveMails(const DrawerFiles& source, const DrawerListing& loaded,
                      const std::vector<const MailEntry*>& moved,
                      const std::vector<const MailEntry*>& keep, const DrawerFiles& target) {
  const ListedDrawers listed({&target});
  if (!listed.Result().Ok()) return listed.Result();
  const LockedBook book(FoldersOfBoth(source, target));
  const StoreResult opened = BookOpened(book, StoreFailure::CannotOpenMailFile, source.folder);
  if (!opened.Ok()) return opened;
  return Guarded([&] { return MoveLocked(source, loaded, moved, keep, target); });
}

StoreResult RewriteDrawer(const DrawerFiles& drawer, const DrawerListing& loaded,
                          const std::vector<const MailEntry*>& keep) {
  const LockedBook book(BookFoldersOf(drawer));
  const StoreResult opened = BookOpened(book, StoreFailure::CannotCreateScratch, drawer.folder);
  if (!opened.Ok()) return opened;
  return Guarded([&] { return RewriteLocked(drawer, loaded, keep); });
}

StoreResult DistributeMails(const DrawerFiles& source, const DrawerListing& loaded, const DrawerFiles* copies,
                            const ChooseDestination& choose) {
  return Guarded([&] {
    Plan plan = ChooseAll(source, loaded, choose);
    const ListedDrawers listed(TargetsBeforeStop(plan));
    if (!listed.Result().Ok()) return listed.Result();
    if (copies) platform::CreateDir(copies->folder);  // only a folder that exists is locked
    const LockedBook book(copies ? FoldersOfBoth(source, *copies) : BookFoldersOf(source));
    const StoreResult opened = BookOpened(book, StoreFailure::CannotOpenMailFile, source.folder);
    if (!opened.Ok()) return opened;
    const StoreResult copied = copies ? CopyAside(source, *copies) : StoreResult{};
    if (!copied.Ok()) return copied;
    return DistributeLocked(source, loaded, plan);
  });
}

bool DrawerHoldsMails(const DrawerFiles& drawer) { return platform::FileSize(drawer.listPath) > 0; }
