#pragma once
// The lines of an import's input file, read in pieces, so that a file of any
// size costs no more memory than its longest line.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace platform {
class Stream;
}

// Lines end at CR LF, a lone LF or a lone CR, and a last line needs no line
// end; every other byte belongs to its line, NUL included, as a MailFile
// holds it.
class InputLines {
 public:
  static constexpr size_t kPieceBytes = 1 << 16;

  // EFOpenError ("ファイル %s は開けません" with the path as given) when the
  // file cannot be opened, and later when it cannot be read to its end.
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

 private:
  void FindLine();
  size_t LineEndFrom(size_t from) const;
  void EndLineAt(size_t end);
  void ReadPiece();
  void DropReadLines();

  std::string m_path;
  std::unique_ptr<platform::Stream> m_file;
  size_t m_pieceBytes;
  std::string m_buffer;  // bytes read and not yet passed, from a line's start
  size_t m_start = 0;    // the current line in m_buffer
  size_t m_length = 0;
  size_t m_next = 0;     // where the line after it starts
  size_t m_index = 0;
  bool m_fileEnded = false;
  bool m_atEnd = false;
};
