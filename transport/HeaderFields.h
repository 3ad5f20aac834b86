#pragma once
// The header fields of a message as they go on the wire. Every value is one
// logical line, folded before a blank so that its lines stay within 78
// characters wherever a blank allows (RFC 5322 section 2.1.1). Text in
// ISO-2022-JP, and text with a run no line could hold, goes out as RFC 2047
// encoded-words, which a reader joins back to the text as it was; an address
// is never encoded.

#include <cstddef>
#include <string>
#include <string_view>

class TStringList;

// A line break (or NUL) inside a value would end the command or header line
// early and let the rest act as a command or header of its own; it goes out
// as one blank instead.
std::string OneLine(std::string_view text);

// Where c stands in text outside ISO-2022-JP's two-byte runs, whose bytes can
// equal "<", ":" or ">"; npos when nowhere. Text without escape sequences
// (ASCII or Shift-JIS, whose bytes never equal these) is searched byte by byte.
size_t FindOutsideJis(std::string_view text, char c);

// The values below are folded for the field named fieldName: the name only
// counts towards the first line. An empty text gives an empty value.

// Unstructured text (Subject, X-Mailer): encoded-words, all of it, when it
// holds ISO-2022-JP or a run of more than 77 characters; otherwise as it is.
std::string FoldedText(std::string_view fieldName, std::string_view text);
// A structured value (Date, Content-Type, ...): never encoded, only folded.
std::string FoldedAtBlanks(std::string_view fieldName, std::string_view text);
// A display name and an address: the name as unstructured text followed by
// "<" address ">". An encoded name is parted from "<" by one blank; a plain
// name keeps its own spacing, so a name without a trailing blank touches "<".
std::string FoldedMailbox(std::string_view fieldName, std::string_view displayName,
                          std::string_view address);
// Recipient entries parted by ", ": each a display name followed by an
// address in angle brackets, encoded as FoldedMailbox encodes, or an address
// alone, which goes out as it stands (encoded only when it is ISO-2022-JP).
std::string FoldedRecipients(std::string_view fieldName, const TStringList& entries);
