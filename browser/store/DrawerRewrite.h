#pragma once
// The store's calls that read and change drawers, one call per user command:
// reading a drawer, appending mails (an import, a filing), moving mails of
// the open drawer to another drawer, writing a drawer anew without some of
// its mails or in another order, distributing a drawer's mails (automatic
// sorting). Renaming and deleting a drawer is DrawerRowChange's. Each opens the book
// for its whole run (LockedBook: its folders locked, whatever an interrupted
// call left recovered) and notes what it is about to do in the journal
// (DrawerJournal) before it changes anything, so that after a kill or a power
// cut every mail is in exactly one drawer. None shows anything: the caller
// shows the result once it returns and the locks are gone.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "browser/store/DrawerPaths.h"
#include "browser/store/ListFile.h"
#include "browser/store/ListRecord.h"
#include "browser/store/StoreResult.h"

// Opens a drawer: recovers its book and reads its ListFile. A missing or
// empty ListFile gives an empty drawer without a message; a drawer whose
// committed new pair cannot be put in place gives no rows and
// kCannotOpenListFile (its two files do not belong together).
DrawerListing ReadDrawer(const DrawerFiles& drawer);

// Appends one mail (a record placed at the MailFile's end, and its text).
using AppendOne = std::function<StoreResult(const MailEntry& entry, std::string_view text)>;
// Hands each mail to append in turn, in order, and returns success at its
// end or the reason it stopped (stopping at the first append that fails).
using MailFeed = std::function<StoreResult(const AppendOne& append)>;

// Appends the mails feed gives to the end of drawer, and makes them durable
// before it returns. The mails appended before a stop stay; after a failed
// write, the mails of the pieces written before it stay and nothing of the
// others does; when they cannot be made durable, none stays, also after a
// later recovery. CannotOpenMailFile or CannotOpenListFile when a file cannot
// be opened (or the book cannot be locked, or its ListFile ends in a record
// cut short that cannot be cut away), and nothing is appended; DrawerChanged,
// with nothing appended, when drawer is an own drawer whose row is no longer
// listed (ListedDrawers); MailFileFull
// when a mail would take the MailFile past the 32-bit offsets of its
// records; CannotWriteMail when a write fails; JournalRefused when the book
// holds a journal recovery will not act on.
StoreResult AppendMails(const DrawerFiles& drawer, const MailFeed& feed);
// The same for one mail: filed durably, or not at all. A failure after the
// first byte, a failed sync included, takes the mail back before it returns,
// so that no later recovery keeps it.
StoreResult AppendMail(const DrawerFiles& drawer, const MailEntry& entry, std::string_view text);

// Moves the rows `moved` of the source drawer as it was loaded to the end of
// target, in that order, then writes the source anew holding the rows of
// keep followed by the records appended to it since it was loaded, as
// RewriteDrawer does. Nothing is appended before the source's loaded part
// is found unchanged and every mail to write can be read back. A failure
// leaves both drawers as they were: DrawerChanged (also for an own target
// whose row is no longer listed, see ListedDrawers), CannotOpenMailFile (a mail
// that cannot be read back, or the target's MailFile), CannotOpenListFile,
// CannotWriteMail, CannotCreateScratch, OutOfMemory.
StoreResult MoveMails(const DrawerFiles& source, const DrawerListing& loaded,
                      const std::vector<const MailEntry*>& moved,
                      const std::vector<const MailEntry*>& keep, const DrawerFiles& target);

// Writes the drawer anew holding the rows of keep (rows of `loaded`) in that
// order, followed by every whole record of its ListFile after the part
// `loaded` was read from: records appended since and records past kMaxRows,
// unchanged but for their new offsets; a last record cut short is neither
// listed nor carried. A text that runs past the MailFile's end is cut to the
// bytes that exist; one that starts exactly at the end is empty. On failure
// the drawer's files stay as they were: DrawerChanged when the loaded part
// changed meanwhile, CannotOpenMailFile when a text starts past the file's
// end (or a body before its header), CannotCreateScratch, CannotWriteMail,
// OutOfMemory. CannotWriteMail also when a rename after the commit failed:
// the next recovery then finishes the replacement.
StoreResult RewriteDrawer(const DrawerFiles& drawer, const DrawerListing& loaded,
                          const std::vector<const MailEntry*>& keep);

// Where one mail of a drawer being distributed goes.
struct Destination {
  enum class Kind { Stay, Elsewhere, Stop };
  Kind kind = Kind::Stay;
  DrawerFiles target;  // Elsewhere: the drawer it is appended to
  StoreResult stop;    // Stop: why
  static Destination Stay() { return {}; }
  static Destination To(DrawerFiles target) { return {Kind::Elsewhere, std::move(target), {}}; }
  static Destination StopWith(StoreResult why) { return {Kind::Stop, {}, std::move(why)}; }
};
// Asked once per mail, in the order of loaded.entries, with the mail's header bytes.
using ChooseDestination = std::function<Destination(const MailEntry& mail, std::string_view header)>;

// Distributes the loaded rows of source: first choose is asked for every
// mail (no lock is held while it shows its dialogs), up to the first stop;
// then, with the book locked (and the folder of copies), source's ListFile
// and MailFile are copied whole over those of copies, when given, and each
// mail that goes elsewhere is appended to its target and source is written
// anew once without them, as RewriteDrawer does. BackupFailed when a copy
// fails, and then nothing moved (a ListFile copied stays). A mail whose
// text cannot be read whole stops the run there and stays
// (CannotOpenMailFile), and so does the first mail of a target that cannot
// be opened. The result is the stop's, or success; DrawerChanged when the
// source changed while choose was asked, or an own target's row is no
// longer listed (ListedDrawers), and then nothing moved.
StoreResult DistributeMails(const DrawerFiles& source, const DrawerListing& loaded, const DrawerFiles* copies,
                            const ChooseDestination& choose);

// The drawer's ListFile exists and is not empty.
bool DrawerHoldsMails(const DrawerFiles& drawer);
