#pragma once
// Changing a drawer's files, one call per user command: appending mails to a
// drawer, moving mails of the open drawer to another drawer, writing a drawer
// anew without some of its mails or in another order, and renaming and
// deleting a drawer's files. Each holds the lock of every book folder it
// touches for its whole run (taken in the order of the folders' paths, so two
// programs never wait on each other), so Dorvane and Quillet never
// interleave, and recovers the drawers before it starts. None shows
// anything: the caller shows the result once it returns and the locks are gone.

#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "browser/store/DrawerPaths.h"
#include "browser/store/ListFile.h"
#include "browser/store/ListRecord.h"
#include "browser/store/StoreMessages.h"
#include "platform/files/Files.h"

class AppendNote;

// Appends mails to one drawer. Holds both files open for appending ("ab",
// created when missing) from construction to destruction.
class DrawerAppender {
 public:
  enum class OpenFailure { None, MailFile, ListFile };
  // The caller holds the drawer's book folder lock already (a move).
  struct LockHeld {};

  // Takes the book folder lock for the appender's lifetime.
  explicit DrawerAppender(const DrawerFiles& drawer);
  DrawerAppender(const DrawerFiles& drawer, LockHeld);
  ~DrawerAppender();
  DrawerAppender(const DrawerAppender&) = delete;
  DrawerAppender& operator=(const DrawerAppender&) = delete;

  // Which file could not be opened (or locked); None when ready.
  OpenFailure Failure() const { return m_failure; }
  // The message for Failure(); success when None.
  StoreResult OpenResult() const;
  // Appends one mail and its record (WriteMail). False (kCannotWriteMail):
  // nothing of it stays in either file; or it could not be cut back, or the
  // drawer could not be recovered before, and then the drawer takes no
  // appends until a recovery has cut it back.
  bool Append(const MailEntry& entry, std::string_view text);

 private:
  void Open();

  DrawerFiles m_drawer;
  std::optional<platform::FileLock> m_lock;
  std::unique_ptr<AppendNote> m_note;
  std::unique_ptr<platform::Stream> m_mailFile;
  std::unique_ptr<platform::Stream> m_listFile;
  OpenFailure m_failure = OpenFailure::None;
  bool m_whole = false;  // recovered, and every append so far whole or cut back
};

// Moves the rows `moved` of the source drawer as it was loaded to the end of
// target, in that order, then writes the source anew holding the rows of
// keep, as RewriteDrawer does. Nothing is appended before both drawers are
// recovered, the loaded part of the source is found unchanged and every mail
// to write can be read back; a refusal leaves both drawers as they were:
// kDrawerChanged, kCannotOpenMailFile (a mail that cannot be read back, or
// the target's MailFile cannot be opened), kCannotOpenListFile,
// kCannotWriteMail. A failure after the first append leaves the mails
// appended so far in both drawers: a mail may be doubled, never lost.
StoreResult MoveMails(const DrawerFiles& source, const DrawerListing& loaded,
                      const std::vector<const MailEntry*>& moved,
                      const std::vector<const MailEntry*>& keep, const DrawerFiles& target);

// Writes the drawer anew holding the rows of keep (rows of `loaded`) in that
// order, followed by every whole record of its ListFile after the part
// `loaded` was read from: records appended since and records past kMaxRows,
// unchanged but for their new offsets; a last record cut short is neither
// listed nor carried. Each mail's text is copied from the drawer's MailFile;
// a text that runs past the file's end is cut to the bytes that exist.
// On failure the drawer's files stay as they were and the message says why:
// kDrawerChanged when the loaded part changed meanwhile, kCannotOpenMailFile
// when a mail cannot be read back (its range starts past the file's end or its
// body before its header), kCannotCreateScratch, kCannotWriteMail, kOutOfMemory.
// kCannotWriteMail also when a rename after the commit failed: the next
// recovery then finishes the replacement.
StoreResult RewriteDrawer(const DrawerFiles& drawer, const DrawerListing& loaded,
                          const std::vector<const MailEntry*>& keep);

// RewriteDrawer's work for a caller that holds the lock and has recovered the drawer.
StoreResult RewriteRecoveredDrawer(const DrawerFiles& drawer, const DrawerListing& loaded,
                                   const std::vector<const MailEntry*>& keep);

// Where one mail of a drawer being distributed goes.
struct Destination {
  enum class Kind { Stay, Elsewhere, Stop };
  Kind kind = Kind::Stay;
  DrawerFiles target;   // Elsewhere: the drawer it is appended to
  std::string message;  // Stop: why, to show
  static Destination Stay() { return {}; }
  static Destination To(DrawerFiles target) { return {Kind::Elsewhere, std::move(target), {}}; }
  static Destination StopWith(std::string message) { return {Kind::Stop, {}, std::move(message)}; }
};
// Asked once per mail, in list order, with the mail's header bytes.
using ChooseDestination = std::function<Destination(const MailEntry& mail, std::string_view header)>;

// Distributes the loaded rows of source: each mail that choose sends
// elsewhere is appended to its target, and once every mail is placed, or at
// the first stop, source is written anew once, as RewriteDrawer does, without
// exactly the mails appended elsewhere. The locks of source's book folder and
// of otherBookFolder (the book's other folder) are held for the whole run,
// choose included. A mail whose text cannot be read whole stops the run there
// (kCannotOpenMailFile) and stays. Refused with nothing changed, as
// RewriteDrawer refuses. A SortJournal notes each mail once it is in its
// target, so that a kill doubles at most the mail whose note it prevented:
// the next recovery writes source anew without the noted ones. None is ever
// lost.
StoreResult DistributeMails(const DrawerFiles& source, const std::string& otherBookFolder,
                            const DrawerListing& loaded, const ChooseDestination& choose);

// Gives an own drawer's files a new name: copies its MailFile, then its
// ListFile, over those of `to` (kCopyFailed when either copy fails, the copied
// MailFile then removed again, so the target never holds half a drawer, and
// also when either drawer cannot be locked or recovered), then removes the
// old files as DeleteDrawerFiles does.
StoreResult RenameDrawerFiles(const DrawerFiles& from, const DrawerFiles& to);

// Removes a drawer's ListFile, then its MailFile; a missing file is no error.
// kCannotWriteMail when a file stays, and with nothing removed when the
// drawer cannot be locked or recovered (a committed rewrite left unfinished would bring the files back).
StoreResult DeleteDrawerFiles(const DrawerFiles& drawer);

// The drawer's ListFile exists and is not empty.
bool DrawerHoldsMails(const DrawerFiles& drawer);
