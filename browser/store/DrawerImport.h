#pragma once
// An import into one drawer: a stream of mails, cut by the caller while the
// import runs, appended by one store call (AppendMails) under the book's locks.

#include <optional>
#include <string>
#include <vector>

#include "browser/store/DrawerPaths.h"
#include "browser/store/ListRecord.h"
#include "browser/store/StoreResult.h"

// One mail to append: its record (the store places it at the MailFile's end)
// and its text.
struct MailToAppend {
  MailEntry record;
  std::string text;
};

// The mails of an import, one at a time, in the order they are appended.
class MailStream {
 public:
  virtual ~MailStream() = default;
  // The next mail; none once the stream has ended or stopped.
  virtual std::optional<MailToAppend> Next() = 0;
  // After Next gave none: the stream's own message for the stop that ended
  // it, for the caller to show; nullptr at its end.
  virtual const char* StopMessage() const { return nullptr; }
  // The files the mails are read from.
  virtual std::vector<std::string> Files() const = 0;
};

// Appends the mails of mails to drawer, in order, each whole, and reports
// once at the end, as AppendMails does: success (also after the stream's own
// stop), CannotOpenMailFile or CannotOpenListFile when the drawer's files
// cannot be locked or opened, DrawerChanged when it is an own drawer whose
// row is no longer listed, MailFileFull when a mail would take its
// MailFile past the 32-bit offsets of the list format, CannotWriteMail when
// a write fails, CannotReadFile (with nothing read) for an input file that
// is one of the drawer's own two. The mails appended before a stop or a
// failure stay as AppendMails keeps them. An exception from the stream goes
// on to the caller, the mails appended before it staying as well.
StoreResult ImportMails(const DrawerFiles& drawer, MailStream& mails);
