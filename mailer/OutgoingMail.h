#pragma once
// The mail that one Send works on: a copy of the compose window's fields
// taken when Send is chosen, turned into the SMTP component's message, and
// what became of its recipients.

#include <string>
#include <string_view>
#include <vector>

#include "platform/strings/StringList.h"

class TPostMessage;

// The fields as the user composed them (Shift-JIS), with the user's name as
// it stood then; the send and the filing after it both work on this copy, so
// changes during a send reach neither.
struct ComposedMail {
  std::string to;
  std::string subject;
  std::string body;
  std::string fromName;  // NAME: the From of the sent and of the filed copy
};

// A recipient the server refused, with its reply line (CR LF removed).
struct RecipientRefusal {
  std::string address;
  std::string reply;
};

// What Quillet's own settings add to every mail.
struct SenderSettings {
  std::string fromAddress;
  TStringList signature;
};

// The recipients of a To text: cut at commas outside double quotes and
// angle brackets, each trimmed of blanks; empty entries dropped.
std::vector<std::string> SplitRecipients(std::string_view toText);

// Why the mail cannot go out, for the user; empty when it can. Every
// recipient entry needs an address, and every address, the sender's too,
// must be ASCII of at most 254 characters: SMTP without extensions carries
// nothing else, and the message has no other way to write it.
std::string UnsendableAddress(std::string_view toText, std::string_view fromAddress);

// Fills message for mail: the From name "(name) ", one recipient entry per
// address of the To text, the Subject and each body and signature line in
// ISO-2022-JP, body lines cut so that none passes the wire's 998 octets, the
// date and a Message-ID of its own. Only the text around a recipient's
// address is converted: the address goes out as typed.
void FillPostMessage(TPostMessage& message, const ComposedMail& mail, const SenderSettings& sender);
// Empties the message's sender, recipients, body and Subject for the next mail.
void ResetPostMessage(TPostMessage& message);

// The To text of the recipients that were not refused, for the filed copy.
std::string AcceptedRecipients(std::string_view toText, const std::vector<RecipientRefusal>& refusals);
// "<address> に送信できませんでした" and the server's reply, one pair per refusal.
std::string RefusalText(const std::vector<RecipientRefusal>& refusals);
