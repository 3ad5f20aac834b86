#include "browser/InputLines.h"

#include <cstring>

#include "platform/files/Files.h"
#include "platform/strings/StringList.h"

InputLines::InputLines(std::string_view path, size_t pieceBytes)
    : m_path(path), m_file(platform::OpenFile(path, "rb")), m_pieceBytes(pieceBytes) {
  if (!m_file) throw FileOpenError(m_path);
  FindLine();
}

InputLines::~InputLines() = default;

void InputLines::Advance() {
  m_start = m_next;
  ++m_index;
  FindLine();
}

// Reads on until the line that starts at m_start has its line end in the
// buffer, and after a CR the byte that tells whether an LF belongs to it.
void InputLines::FindLine() {
  DropReadLines();
  for (size_t searched = m_start;;) {
    const size_t end = LineEndFrom(searched);
    const bool whole = end < m_buffer.size() && (m_buffer[end] == '\n' || end + 1 < m_buffer.size());
    if (whole || (m_fileEnded && end < m_buffer.size())) return EndLineAt(end);
    if (m_fileEnded) {
      // A last line without a line end.
      m_atEnd = m_start == m_buffer.size();
      m_length = m_buffer.size() - m_start;
      m_next = m_buffer.size();
      return;
    }
    searched = end;
    ReadPiece();
  }
}

// The first CR or LF at or after from; the buffer's size when there is none.
size_t InputLines::LineEndFrom(size_t from) const {
  const char* begin = m_buffer.data() + from;
  const size_t count = m_buffer.size() - from;
  const void* lf = std::memchr(begin, '\n', count);
  const size_t beforeLf = lf ? static_cast<size_t>(static_cast<const char*>(lf) - begin) : count;
  const void* cr = std::memchr(begin, '\r', beforeLf);
  return from + (cr ? static_cast<size_t>(static_cast<const char*>(cr) - begin) : beforeLf);
}

// CR LF counts as one line end.
void InputLines::EndLineAt(size_t end) {
  m_length = end - m_start;
  const bool crLf = m_buffer[end] == '\r' && end + 1 < m_buffer.size() && m_buffer[end + 1] == '\n';
  m_next = end + (crLf ? 2 : 1);
}

// A read that stops before the file's length is a read error, not its end.
void InputLines::ReadPiece() {
  const size_t kept = m_buffer.size();
  m_buffer.resize(kept + m_pieceBytes);
  const size_t got = m_file->Read(m_buffer.data() + kept, m_pieceBytes);
  m_buffer.resize(kept + got);
  if (got > 0) return;
  m_fileEnded = true;
  if (m_file->Tell() < m_file->Length()) throw FileOpenError(m_path);
}

// Lines already passed leave the buffer once they fill a piece.
void InputLines::DropReadLines() {
  if (m_start < m_pieceBytes) return;
  m_buffer.erase(0, m_start);
  m_start = 0;
}
