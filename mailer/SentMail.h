#pragma once
// What Quillet files into PostPet's send book for a mail: SentMailText, a
// short header of its own and the body, and the values of its list record.

#include <ctime>
#include <string>
#include <string_view>

#include "browser/store/ListRecord.h"

struct SentMail {
  std::string header;  // LF line ends, the last line empty; no Date or Message-ID
  std::string body;    // the compose window's text as it stands (CR LF lines)
};

// From is the user's name, not the sender address; Cc is always empty.
SentMail SentMailText(std::string_view to, std::string_view userName, std::string_view subject,
                      std::string_view body);

// "4535625330." and the first 7 characters of the time in seconds written in
// octal with at least 7 digits: mails filed close together share an id.
std::string FilingId(std::time_t now);

// The send book's record of a filed mail: from the user's name, no Cc,
// status 1, reserved 0, no attachment names. Offsets are relative to the
// mail's start; the store places the record at the mail file's end.
MailEntry SentMailRecord(const SentMail& mail, std::string_view to, std::string_view userName,
                         std::string_view subject, std::string_view dateText, std::string_view id);
