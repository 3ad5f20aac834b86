#pragma once
// The store's one journal: what a store call that changes drawers is about to
// do, written and made durable before it changes anything, so that after a
// kill or a power cut every mail is in exactly one drawer and no drawer's two
// files are out of step. LevelDB keeps one log for the same reason.
//
// A call that appends (a move, a sort, an import, a filing) notes each drawer
// it appends to, with its files' lengths. A call that writes a drawer anew
// (a move and a sort their source, without the mails that leave; a delete or
// a date sort the open drawer) names that drawer and the part of its ListFile
// its rows were loaded from; a move or a sort also lists each mail that
// leaves and the target it goes to. Once the targets are synced and the
// source's new pair is complete and durable, a commit line is added: from then
// on the call is finished, never taken back. The journal lies beside the
// drawer written anew, or the one appended to, as "…リスト.ppl.jnl", and is
// removed as the call ends: nothing stays beside PostPet's files.
//
// What recovery finds in a book's folders, and what it does (under the
// book's locks, before any read of, append to or rewrite of its drawers):
//
// | found                                  | recovery                                         |
// |----------------------------------------|--------------------------------------------------|
// | no journal, no scratch pair            | nothing                                          |
// | a scratch pair no journal names        | removed                                          |
// | a journal cut short or damaged         | removed: nothing was changed under it            |
// | a journal without its commit line      | each target keeps its whole records from the     |
// |                                        |   noted lengths on; what follows the last of     |
// |                                        |   them (a record cut short, a record whose text  |
// |                                        |   is missing, text without its record) is cut    |
// |                                        |   away unless another program's mail follows it; |
// |                                        |   the targets are synced; then the source, if    |
// |                                        |   any, is written anew without every leaving     |
// |                                        |   mail found byte for byte in its target (a move |
// |                                        |   or a sort taken as far as it got); records     |
// |                                        |   appended to the source since are carried       |
// | committed, the scratch pair whole      | the pair extended by the records appended to the |
// |                                        |   source since the commit, then put in place     |
// | committed, the MailFile renamed        | the ListFile's rename finished                   |
// | committed, both renamed                | nothing left to do                               |
//
// Then the journal goes. A journal that cannot be resolved (a write fails)
// stays, and every call that would change the book refuses until one can.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browser/store/DrawerPaths.h"
#include "browser/store/StoreResult.h"

class CheckedDrawer;
class PairAppender;

// A mail that leaves the source for targets[target]; record counts the
// records of the source's ListFile from 0.
struct JournalLeave {
  size_t target = 0;
  size_t record = 0;
};

// What a call notes before it changes anything. The targets are the open
// appenders whose lengths before the first append are noted.
struct JournalIntent {
  const DrawerFiles* source = nullptr;  // the drawer written anew, if any
  std::string_view loadedBytes;         // the part of its ListFile its rows were loaded from
  std::vector<const PairAppender*> targets;
  std::vector<JournalLeave> leaves;  // in the order they are appended
};

class DrawerJournal {
 public:
  // Writes intent beside `beside` and makes it durable, its folder synced
  // too. CannotCreateScratch (with nothing written) when it cannot.
  static StoreResult Begin(const DrawerFiles& beside, const JournalIntent& intent,
                           std::unique_ptr<DrawerJournal>& journal);
  // The journal at path, as a recovery found it.
  explicit DrawerJournal(std::string path) : m_path(std::move(path)) {}
  ~DrawerJournal();
  DrawerJournal(const DrawerJournal&) = delete;
  DrawerJournal& operator=(const DrawerJournal&) = delete;

  // Writes source's new pair from checked's rows and adds the commit line.
  // On failure nothing is committed and no scratch file is left.
  StoreResult CommitSource(const DrawerFiles& source, CheckedDrawer& checked);
  // Puts the committed new pair in place and removes the journal.
  // CannotWriteMail when a rename fails: the next recovery finishes it.
  StoreResult InstallSource(const DrawerFiles& source);
  // The call ended with nothing more to do.
  void Remove();

 private:
  std::string m_path;
};

// The one recovery: resolves every journal in the folders, removes scratch
// pairs no journal names and the side files that earlier versions of the
// store left. The caller holds the folders' locks. False when a journal
// could not be resolved: the book must then be neither appended to nor
// written anew.
[[nodiscard]] bool RecoverBook(const std::vector<std::string>& folders);

// A committed new pair of drawer is not wholly in place: its files do not
// belong together until a recovery finishes it.
bool ReplacementPending(const DrawerFiles& drawer);
