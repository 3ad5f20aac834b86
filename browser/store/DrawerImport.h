#pragma once
// An import into one drawer: a stream of mails, cut by the caller while the
// import runs, appended by one call under the drawer's book folder lock.

#include <optional>
#include <string>

#include "browser/store/DrawerPaths.h"
#include "browser/store/ListRecord.h"
#include "browser/store/StoreMessages.h"

// The importers' message for a drawer that cannot take the mails.
inline constexpr const char* kCannotOpenFiles = "ファイルが開けません";

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
  // After Next gave none: success at the stream's end, or the message of the
  // stop that ended it.
  virtual StoreResult Ended() const { return {}; }
};

// Appends the mails of mails to drawer, in order, each whole, and reports
// once at the end: success, the stream's own stop, or the first failure:
// kCannotOpenFiles when the drawer's files cannot be locked or opened, or a
// mail would take its MailFile past the 32-bit offsets of the list format;
// kCannotWriteMail when an append fails. The mails appended before a stop or
// a failure stay. An exception from the stream goes on to the caller, the
// mails appended before it staying as well.
StoreResult ImportMails(const DrawerFiles& drawer, MailStream& mails);
