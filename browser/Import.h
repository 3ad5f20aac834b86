#pragma once
// Cutting mails out of the three kinds of import file: PostPet's text export
// (one mail, lines by position), a one-mail file whose header ends at a line
// the user names, and a multi-mail file cut at its header lines. Works on
// the lines of a file held in memory and shows nothing; the window appends
// what it gives through the store.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browser/store/ListRecord.h"

// Lines of an input file, as views into its bytes (TextLines).
using ImportLines = std::vector<std::string_view>;

// One mail as an importer builds it.
struct ImportedMail {
  std::string text;         // the header part, then the body part, every line ended by CR LF
  size_t headerLength = 0;  // bytes of the header part
  std::string from, to, cc, subject, date;
};

// PostPet's text export: To, From, Subject, Date and Cc on lines 0 to 4, two
// lines skipped, then the body. EStringListError (the string list's range
// error with the first missing line) when the file has fewer than 5 lines.
ImportedMail CutPostPetExport(const ImportLines& lines);

// One mail whose header ends with the first line equal to headerEnd
// (case-insensitive in the user's locale); none when no line is.
std::optional<ImportedMail> CutSingleMail(const ImportLines& lines, std::string_view headerEnd);

// Cuts a multi-mail file into mails, one at a time, in file order.
class MultiMailCutter {
 public:
  explicit MultiMailCutter(const ImportLines& lines) : m_lines(lines) {}
  bool AtEnd() const { return m_next >= m_lines.size(); }
  // The mail that begins at the next line; not AtEnd(). EStringListError (the
  // range error with the line count) when the file ends inside its header.
  ImportedMail Next();

 private:
  void CutHeader(ImportedMail& mail);
  void CutBody(ImportedMail& mail);
  std::string_view LineAt(size_t index) const;

  const ImportLines& m_lines;
  size_t m_next = 0;
};

// The record an imported mail is appended with: its values cut to what the
// list reader gives back whole, at a character boundary; placed at offset 0
// (the store puts it at the MailFile's end).
MailEntry ImportRecord(const ImportedMail& mail);
