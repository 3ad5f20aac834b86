#pragma once
// The store's one journal: what a store call that changes drawers is about to
// do, written and made durable before it changes anything, so that after a
// kill or a power cut every mail is in exactly one drawer and no drawer's two
// files are out of step. LevelDB keeps one log for the same reason.
//
// A call that appends (a move, a sort, an import, a filing) notes each drawer
// it appends to, with its files' lengths, and claims every write before it
// makes it: where the bytes go, and a check of each page they cover (or the
// bytes themselves when they are few), each claim of a text durable before
// the text is synced. A call that writes a drawer anew (a move and a sort
// their source, without the mails that leave; a delete or a date sort the
// open drawer) names that drawer and the part of its ListFile its rows were
// loaded from; a move or a sort also lists each mail that leaves and the
// target it goes to.
// Once the targets are synced and the source's new pair is complete and
// durable, a replace line for the source commits the call: from then on it
// is finished, never taken back. The journal lies beside the drawer written
// anew, or the one appended to, as "…リスト.ppl.jnl", and is removed as the
// call ends: nothing stays beside PostPet's files.
//
// PostPet takes no lock: between any two of these steps it may append to any
// drawer. So recovery takes no byte for the call's unless the call claimed
// it and it is still what the call wrote; the rest is another program's and
// stays. What recovery finds, and does (under the book's locks, before any
// read of, append to or rewrite of its drawers):
//
// | found                                  | recovery                                         |
// |----------------------------------------|--------------------------------------------------|
// | no journal                             | nothing; in the program's own folders a scratch  |
// |                                        |   pair no journal names, a file a replacement    |
// |                                        |   left when its process ended, and any earlier   |
// |                                        |   version's note are removed                     |
// | a journal cut short or damaged         | removed: nothing was changed under it            |
// | a journal whose names or lengths do    | left alone and reported: the book is not changed |
// |   not hold for the files it names      |   until it is gone                               |
// | a replace line (a drawer's new pair    | the new pair put in place, taking the records    |
// |   complete), in any state of renaming  |   appended to the drawer since it was made       |
// | no replace line for the source         | each target keeps the call's mails whose record  |
// |                                        |   and text are both whole; what is left of the   |
// |                                        |   others is cut away; records are put in the     |
// |                                        |   MailFile's order; then the source, if          |
// |                                        |   any, is written anew without every leaving     |
// |                                        |   mail found byte for byte in its target, with   |
// |                                        |   the records appended to it since               |
// | an abandon line (the call failed)      | as above, but what the call appended goes too    |
//
// Then the journal goes. Renaming and deleting an own drawer keep a journal
// of their own beside the DrawerNameFile, whose states DrawerRowChange.h
// lists. A journal that cannot be resolved (a write fails)
// stays, and every call that would change the book refuses until one can.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browser/store/DrawerPaths.h"
#include "browser/store/JournalText.h"
#include "browser/store/PairAppender.h"
#include "browser/store/StoreResult.h"

class CheckedDrawer;

class DrawerJournal final : public AppendClaims {
 public:
  // A journal beside `beside` for a call that writes source anew (if any),
  // its rows loaded from loadedBytes. Nothing is written until Begin or the
  // first claim; the targets and leaving mails are added before that.
  DrawerJournal(const DrawerFiles& beside, const DrawerFiles* source, std::string_view loadedBytes);
  ~DrawerJournal() override;
  DrawerJournal(const DrawerJournal&) = delete;
  DrawerJournal& operator=(const DrawerJournal&) = delete;

  // Targets are numbered in the order they are added.
  void AddTarget(const PairAppender& target);
  void AddLeave(size_t target, size_t record);

  // Writes the intent, with what is claimed so far, and makes it durable,
  // its folder synced too. CannotCreateScratch (with nothing written) when
  // it cannot. Claim begins the journal itself when it has not begun.
  StoreResult Begin();
  bool Begun() const { return m_begun; }
  StoreResult Claim(const PairAppender& pair, ClaimedFile file, uint64_t offset, std::string_view bytes,
                    uint64_t& number) override;
  StoreResult Landed(uint64_t number, uint64_t offset, uint64_t written) override;
  StoreResult MakeDurable() override;

  // Puts the records of the targets another program appended to while the
  // call ran in the MailFile's order. Before the commit.
  StoreResult OrderTargets(const std::vector<const PairAppender*>& targets);
  // Writes source's new pair from checked's rows and commits the call. On
  // failure nothing is committed and no scratch file is left.
  StoreResult CommitSource(const DrawerFiles& source, CheckedDrawer& checked);
  // Puts the committed new pair in place and removes the journal.
  // CannotWriteMail when a rename fails: the next recovery finishes it.
  StoreResult InstallSource(const DrawerFiles& source);
  // The call failed before its commit: what it appended is taken back now
  // or, when that fails, by the next recovery; everything, or only what did
  // not become a whole mail (a failed piece of an import).
  enum class Appended { TakeAll, KeepWhole };
  void TakeBack(Appended appended);
  // The call ended with nothing more to do.
  void Remove();

 private:
  StoreResult BeginWith(std::string_view firstClaim);
  StoreResult WriteLine(const std::string& line, bool durable);

  DrawerFiles m_beside;
  std::string m_path;
  std::optional<JournalSource> m_source;
  std::vector<const PairAppender*> m_targets;
  std::vector<JournalLeave> m_leaves;
  uint64_t m_claimCount = 0;
  std::unique_ptr<platform::Stream> m_file;
  std::optional<JournalReplace> m_commit;
  bool m_begun = false;
  bool m_claimsUnsynced = false;
};

// What the one recovery found in a book's folders.
struct BookRecovery {
  bool whole = false;          // every journal is resolved: the book may be changed
  std::string refusedJournal;  // one that was left alone because it does not hold
};

// The one recovery: resolves every journal in the folders, and removes the
// scratch pairs no journal names and the files of replacements whose
// process ended from the program's own folders, and the side files that
// earlier versions of the store left. The caller holds the folders' locks.
// A journal naming the book's other folder, when only one is held, waits
// for a recovery that holds both.
BookRecovery RecoverBook(const std::vector<BookFolder>& folders);

// A committed new pair of drawer is not wholly in place: its files do not
// belong together until a recovery finishes it.
bool ReplacementPending(const DrawerFiles& drawer);
