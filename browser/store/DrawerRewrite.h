#pragma once
// Changing a drawer's files: appending mails to a drawer, and writing a
// drawer anew without some of its mails or in another order. Both hold the
// drawer's book folder lock for their whole run, so Dorvane and Quillet never
// interleave, and both finish an interrupted rewrite before they start.

#include <memory>
#include <string_view>
#include <vector>

#include "browser/store/DrawerPaths.h"
#include "browser/store/ListFile.h"
#include "browser/store/ListRecord.h"
#include "browser/store/StoreMessages.h"
#include "platform/files/Files.h"

// Appends mails to one drawer. Holds the lock and both files open for
// appending ("ab", created when missing) from construction to destruction.
class DrawerAppender {
 public:
  enum class OpenFailure { None, MailFile, ListFile };

  explicit DrawerAppender(const DrawerFiles& drawer);
  // Which file could not be opened (or locked); None when ready.
  OpenFailure Failure() const { return m_failure; }
  // Appends one mail and its record (WriteMail). False: nothing of it stays
  // in either file (kCannotWriteMail).
  bool Append(const MailEntry& entry, std::string_view text);

 private:
  platform::FileLock m_lock;
  std::unique_ptr<platform::Stream> m_mailFile;
  std::unique_ptr<platform::Stream> m_listFile;
  OpenFailure m_failure = OpenFailure::None;
};

// Copies a drawer's files over another drawer's (an own drawer given a new
// name): MailFile, then ListFile. When the ListFile cannot be copied the
// copied MailFile is removed again, so the target never holds half a drawer.
enum class CopyFailure { None, MailFile, ListFile };
CopyFailure CopyDrawerFiles(const DrawerFiles& from, const DrawerFiles& to);

// Removes a drawer's ListFile, then its MailFile; a missing file is no error.
void DeleteDrawerFiles(const DrawerFiles& drawer);

// Writes the drawer anew holding the rows of keep (rows of `loaded`) in that
// order, followed by every record of its ListFile after the part `loaded`
// was read from: records appended since and records past kMaxRows, unchanged
// but for their new offsets. Each mail's text is copied from the drawer's
// MailFile; a text that runs past the file's end is cut to the bytes that exist.
// On failure the drawer's files stay as they were and the message says why:
// kDrawerChanged when the loaded part changed meanwhile, kCannotOpenMailFile
// when a mail cannot be read back (its range starts past the file's end or its
// body before its header), kCannotCreateScratch, kCannotWriteMail, kOutOfMemory.
StoreResult RewriteDrawer(const DrawerFiles& drawer, const DrawerListing& loaded,
                          const std::vector<const MailEntry*>& keep);
