#pragma once
// Quillet's one command-line argument: "mailto:" address, then optionally "?"
// and fields separated by "&" ("subject=", "file=", "body="). There is no
// escaping: percent signs and "+" stay as they are, the address cannot hold
// "?" and a value cannot hold "&". No Shift-JIS trail byte equals either.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class MailtoFieldKind { Subject, File, Body };

struct MailtoField {
  MailtoFieldKind kind;
  std::string value;
};

struct MailtoArgument {
  std::optional<std::string> address;  // only when the argument begins with "mailto:"
  std::vector<MailtoField> fields;     // in argument order: a later field wins
};

// Splits the first 4095 bytes of arg (cut at a character boundary). Unknown
// and empty fields are dropped. Line breaks in the address and the Subject
// become one blank each: those fields hold one line.
MailtoArgument ParseMailtoArgument(std::string_view arg);

// True only for what Dorvane's reply writes: a file directly in the TEMP
// folder named "qult" + digits + ".tmp". Any other path is not ours to read
// or delete, whatever a mailto link from elsewhere says.
bool IsReplyQuoteFilePath(std::string_view path);

// Reads a scratch file of a hand-over (Dorvane's reply, the editor's text)
// whole, up to its first NUL, and deletes it. The file is opened without
// following a link and must be a regular file of this user. EFOpenError
// "ファイル %s は開けません" when it cannot be read; the file then stays.
std::string TakeScratchFile(std::string_view path);
