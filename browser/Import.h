#pragma once
// Cutting mails out of the three kinds of import file: PostPet's text export
// (one mail, lines by position), a one-mail file whose header ends at a line
// the user names, and a multi-mail file cut at its header lines. Reads each
// file in pieces, a line at a time, so that a file of any size costs no more
// memory than its longest mail, and shows nothing; the window hands the
// mails to the store as one stream.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browser/store/DrawerImport.h"
#include "browser/store/ListRecord.h"

namespace platform {
class Stream;
}

// The lines of an input file, read in pieces. Lines end at CR LF, a lone LF
// or a lone CR, and a last line needs no line end; every other byte belongs
// to its line, NUL included, as a MailFile holds it.
class InputLines {
 public:
  static constexpr size_t kPieceBytes = 1 << 16;

  // EFOpenError ("ファイル %s は開けません" with the path as given) when the
  // file cannot be opened, and later when it cannot be read as far as it
  // reached when it was opened. Nothing the file gains after that is read:
  // an import into the file itself would never end.
  explicit InputLines(std::string_view path, size_t pieceBytes = kPieceBytes);
  ~InputLines();
  InputLines(const InputLines&) = delete;
  InputLines& operator=(const InputLines&) = delete;

  bool AtEnd() const { return m_atEnd; }
  // The current line, without its line end; valid until Advance. Not AtEnd().
  std::string_view Line() const { return std::string_view(m_buffer).substr(m_start, m_length); }
  // The current line's index from 0; at the end, the number of lines.
  size_t Index() const { return m_index; }
  void Advance();
  // The bytes from the current line's start to the end of what is read.
  uint64_t BytesLeft() const { return m_fileLength - m_read + (m_buffer.size() - m_start); }

 private:
  void FindLine();
  size_t LineEndFrom(size_t from) const;
  void EndLineAt(size_t end);
  void ReadPiece();
  void DropReadLines();

  std::string m_path;
  std::unique_ptr<platform::Stream> m_file;
  size_t m_pieceBytes;
  uint64_t m_fileLength = 0;  // when it was opened
  uint64_t m_read = 0;
  std::string m_buffer;  // bytes read and not yet passed, from a line's start
  size_t m_start = 0;    // the current line in m_buffer
  size_t m_length = 0;
  size_t m_next = 0;     // where the line after it starts
  size_t m_index = 0;
  bool m_fileEnded = false;
  bool m_atEnd = false;
};

// One mail as an importer builds it.
struct ImportedMail {
  std::string text;         // the header part, then the body part, every line ended by CR LF
  size_t headerLength = 0;  // bytes of the header part
  std::string from, to, cc, subject, date;
};

// PostPet's text export: To, From, Subject, Date and Cc on lines 0 to 4, two
// lines skipped, then the body. EStringListError (the string list's range
// error with the first missing line) when the file has fewer than 5 lines.
ImportedMail CutPostPetExport(InputLines& lines);

// One mail whose header ends with the first line equal to headerEnd
// (case-insensitive in the user's locale); none when no line is.
std::optional<ImportedMail> CutSingleMail(InputLines& lines, std::string_view headerEnd);

// Cuts a multi-mail file into mails, one at a time, in file order.
class MultiMailCutter {
 public:
  explicit MultiMailCutter(InputLines& lines) : m_lines(lines) {}
  bool AtEnd() const { return m_lines.AtEnd(); }
  // The mail that begins at the next line; not AtEnd(). EStringListError (the
  // range error with the line count) when the file ends inside its header.
  ImportedMail Next();

 private:
  void CutHeader(ImportedMail& mail);
  void CutBody(ImportedMail& mail);
  std::string_view HeaderLine() const;

  InputLines& m_lines;
};

// The record an imported mail is appended with: its values cut to what the
// list reader gives back whole, at a character boundary; placed at offset 0
// (the store puts it at the MailFile's end).
MailEntry ImportRecord(const ImportedMail& mail);

// The mails of the one-mail files chosen, one per file in their order. A file
// that cannot be read or is too short throws as its cutter does; a one-mail
// file without its header-end line ends the stream with "ヘッダ終了行がありません".
class OneMailFiles : public MailStream {
 public:
  // PostPet's text export files.
  explicit OneMailFiles(std::vector<std::string> files);
  // One-mail files whose header ends at the line headerEnd.
  OneMailFiles(std::vector<std::string> files, std::string headerEnd);

  std::optional<MailToAppend> Next() override;
  const char* StopMessage() const override;
  std::vector<std::string> Files() const override { return m_files; }

 private:
  std::vector<std::string> m_files;
  std::optional<std::string> m_headerEnd;
  size_t m_next = 0;
  bool m_noHeaderEnd = false;
};

// The mails of one multi-mail file, cut as they are asked for. The file is
// opened at construction (EFOpenError when it cannot be).
class MultiMailFile : public MailStream {
 public:
  explicit MultiMailFile(std::string_view path) : m_path(path), m_lines(path), m_cutter(m_lines) {}
  std::optional<MailToAppend> Next() override;
  std::vector<std::string> Files() const override { return {m_path}; }

 private:
  std::string m_path;
  InputLines m_lines;
  MultiMailCutter m_cutter;
};
