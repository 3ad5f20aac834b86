#pragma once
// The header fields of a message as they go on the wire. Every value is one
// logical line, folded before a blank so that its lines stay within 78
// characters wherever a blank allows (RFC 5322 section 2.1.1). Text in
// ISO-2022-JP, and text whose runs (of letters or of blanks) no line could
// hold, goes out as RFC 2047 encoded-words, which a reader joins back to the
// text as it was; an address is never encoded.

#include <cstddef>
#include <string>
#include <string_view>

class TStringList;

// A line break (or NUL) inside a value would end the command or header line
// early and let the rest act as a command or header of its own; it goes out
// as one blank instead.
std::string OneLine(std::string_view text);

// A recipient entry taken apart as the SMTP client takes it: the address
// between "<" and the next ">" (or "<"), else after ":" up to the next ":",
// else the whole entry. Only ASCII counts: inside ISO-2022-JP's two-byte runs
// "<", ":" and ">" are halves of characters (村 is 0x42 0x3C), and no byte of
// a Shift-JIS character equals them.
struct EntryParts {
  char separator = '\0';   // '<', ':' or none
  std::string_view before;  // the text before the separator: a display name
  std::string_view address;
  std::string_view after;   // what follows the address (its ">" left out)
};
EntryParts SplitEntry(std::string_view entry);

// The values below are folded for the field named fieldName: the name only
// counts towards the first line. An empty text gives an empty value.

// Unstructured text (Subject, X-Mailer): encoded-words, all of it, when it
// holds ISO-2022-JP or would not fold within 78 characters; otherwise as it is.
std::string FoldedText(std::string_view fieldName, std::string_view text);
// A structured value (Date, Content-Type, ...): never encoded, only folded.
std::string FoldedAtBlanks(std::string_view fieldName, std::string_view text);
// A display name and an address: the name followed by "<" address ">". A
// name in ISO-2022-JP, or one that would not fold within 78 characters, goes
// out as encoded-words parted from "<" by one blank; any other keeps its own
// spacing (a name without a trailing blank touches "<") and is quoted when it
// holds a character RFC 5322 reserves outside a quoted string or a comment,
// so that "(name)" stays a comment and "Taro@Home" a name.
std::string FoldedMailbox(std::string_view fieldName, std::string_view displayName,
                          std::string_view address);
// Recipient entries parted by ", ", each taken apart as SplitEntry does: the
// text before "<" or ":" (and any after the address) a display name as
// FoldedMailbox writes it, the address as it stands. An entry that is an
// address alone goes out as it stands (encoded only when it is ISO-2022-JP).
std::string FoldedRecipients(std::string_view fieldName, const TStringList& entries);
