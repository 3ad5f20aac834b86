#include "browser/Import.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

#include "platform/files/Files.h"
#include "platform/strings/StringList.h"
#include "platform/text/ShiftJis.h"

namespace {

// A header label whose value an importer takes: the label and the one byte
// after it are skipped, whatever that byte is.
struct Capture {
  std::string_view label;
  size_t valueOffset;
  std::string ImportedMail::*field;
};

// In the order of PostPet's export lines; the one-mail format tests them in this order too.
constexpr Capture kHeaderCaptures[] = {
    {"To:", 4, &ImportedMail::to},       {"From:", 6, &ImportedMail::from},
    {"Subject:", 9, &ImportedMail::subject}, {"Date:", 6, &ImportedMail::date},
    {"Cc:", 4, &ImportedMail::cc},
};
constexpr Capture kMultiMailCaptures[] = {
    kHeaderCaptures[0], kHeaderCaptures[1], kHeaderCaptures[2], kHeaderCaptures[3],
    kHeaderCaptures[4], {"CC:", 4, &ImportedMail::cc},
};

constexpr const char* kNoHeaderEnd = "ヘッダ終了行がありません";

constexpr std::string_view kReceived = "Received:";
constexpr std::string_view kReceivedContinuation = "  ";

// Lines of a multi-mail header that are kept without a value taken.
constexpr std::string_view kKeptHeaderPrefixes[] = {
    "X-",      "Status: U", "Message-",    "Mime-",       "Content-",    "Reply-",
    "Errors-", "Return-",   "Sender:",     "Bcc:",        "BCC:",        "In-",
    "MIME-",   "Auto-",     "Apparently-", "Precedence:", "    ",        "\t",
    "LIST",    "List",      "References:", "Lines",       "Organization:", "User-",
    "Sent",
};

// A body line that begins with one of these begins the next mail.
constexpr std::string_view kMailStartPrefixes[] = {
    "To:", "From:", "Subject:", "Date:", "Cc:", "Received:", "Message-Id:", "X-",
};

// The five values as the list reader gives them back whole: From and Date
// hold 126 bytes there, To and Cc 4095, Subject 511.
constexpr size_t kFromBytes = 126;
constexpr size_t kToBytes = 4095;
constexpr size_t kCcBytes = 4095;
constexpr size_t kSubjectBytes = 511;
constexpr size_t kDateBytes = 126;
// The bytes of a full record without attachment names beside its five values.
constexpr uint32_t kRecordBytesBesideValues = 42;
constexpr uint32_t kImportedReserved = 65;

void AppendLine(std::string& text, std::string_view line) { text.append(line).append("\r\n"); }

// A line shorter than the offset has an empty value.
std::string ValueOf(std::string_view line, size_t offset) {
  return offset < line.size() ? std::string(line.substr(offset)) : std::string();
}

// Takes the value of the first capture whose label begins line; false when none does.
template <size_t N>
bool TakeValue(ImportedMail& mail, std::string_view line, const Capture (&captures)[N]) {
  for (const Capture& capture : captures) {
    if (!line.starts_with(capture.label)) continue;
    mail.*capture.field = ValueOf(line, capture.valueOffset);
    return true;
  }
  return false;
}

template <size_t N>
bool StartsWithAny(std::string_view line, const std::string_view (&prefixes)[N]) {
  return std::any_of(std::begin(prefixes), std::end(prefixes),
                     [line](std::string_view prefix) { return line.starts_with(prefix); });
}

// The rest of the file is the body. The text gets room for it at once, a
// line end each sixteen bytes counted in: a mail of any size is held once,
// not copied into a text twice as long.
void AppendBody(ImportedMail& mail, InputLines& lines) {
  mail.headerLength = mail.text.size();
  const uint64_t left = lines.BytesLeft();
  mail.text.reserve(mail.text.size() + left + left / 16 + 2);
  for (; !lines.AtEnd(); lines.Advance()) AppendLine(mail.text, lines.Line());
}

std::string CutValue(const std::string& value, size_t maxBytes) {
  return value.substr(0, platform::SjisPrefixLength(value, maxBytes));
}

MailToAppend ToAppend(ImportedMail mail) {
  MailEntry record = ImportRecord(mail);
  return {std::move(record), std::move(mail.text)};
}

}  // namespace

InputLines::InputLines(std::string_view path, size_t pieceBytes)
    : m_path(path), m_file(platform::OpenFile(path, "rb")), m_pieceBytes(pieceBytes) {
  const int64_t length = m_file ? m_file->Length() : -1;
  if (length < 0) throw FileOpenError(m_path);
  m_fileLength = static_cast<uint64_t>(length);
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
  const size_t wanted = static_cast<size_t>(std::min<uint64_t>(m_pieceBytes, m_fileLength - m_read));
  m_fileEnded = wanted == 0;
  if (m_fileEnded) return;
  const size_t kept = m_buffer.size();
  m_buffer.resize(kept + wanted);
  const size_t got = m_file->Read(m_buffer.data() + kept, wanted);
  m_buffer.resize(kept + got);
  m_read += got;
  if (got == 0) throw FileOpenError(m_path);
}

// Lines already passed leave the buffer once they fill a piece.
void InputLines::DropReadLines() {
  if (m_start < m_pieceBytes) return;
  m_buffer.erase(0, m_start);
  m_start = 0;
}

ImportedMail CutPostPetExport(InputLines& lines) {
  constexpr int kSkippedLines = 2;  // two lines of the export are no part of the mail
  ImportedMail mail;
  for (const Capture& capture : kHeaderCaptures) {
    if (lines.AtEnd()) throw ListIndexError(static_cast<int>(lines.Index()));
    AppendLine(mail.text, lines.Line());
    mail.*capture.field = ValueOf(lines.Line(), capture.valueOffset);
    lines.Advance();
  }
  for (int skipped = 0; skipped < kSkippedLines && !lines.AtEnd(); ++skipped) lines.Advance();
  AppendBody(mail, lines);
  return mail;
}

std::optional<ImportedMail> CutSingleMail(InputLines& lines, std::string_view headerEnd) {
  ImportedMail mail;
  for (; !lines.AtEnd(); lines.Advance()) {
    const std::string_view line = lines.Line();
    AppendLine(mail.text, line);
    TakeValue(mail, line, kHeaderCaptures);
    if (!platform::SameTextIgnoreCase(line, headerEnd)) continue;
    lines.Advance();
    AppendBody(mail, lines);
    return mail;
  }
  return std::nullopt;
}

ImportedMail MultiMailCutter::Next() {
  ImportedMail mail;
  CutHeader(mail);
  mail.headerLength = mail.text.size();
  CutBody(mail);
  return mail;
}

// A "Received:" line keeps the one line after it that begins with two blanks.
void MultiMailCutter::CutHeader(ImportedMail& mail) {
  bool keep = false;
  for (;;) {
    const std::string_view line = HeaderLine();
    if (line.starts_with(kReceived)) {
      AppendLine(mail.text, line);
      m_lines.Advance();
      keep = HeaderLine().starts_with(kReceivedContinuation);
      continue;
    }
    const bool captured = TakeValue(mail, line, kMultiMailCaptures);
    if (!keep && !captured && !StartsWithAny(line, kKeptHeaderPrefixes)) return;
    AppendLine(mail.text, line);
    keep = false;
    m_lines.Advance();
  }
}

void MultiMailCutter::CutBody(ImportedMail& mail) {
  for (; !m_lines.AtEnd() && !StartsWithAny(m_lines.Line(), kMailStartPrefixes); m_lines.Advance())
    AppendLine(mail.text, m_lines.Line());
}

// A header that runs to the end of the file asks for the line past it.
std::string_view MultiMailCutter::HeaderLine() const {
  if (m_lines.AtEnd()) throw ListIndexError(static_cast<int>(m_lines.Index()));
  return m_lines.Line();
}

MailEntry ImportRecord(const ImportedMail& mail) {
  const std::pair<MailField, std::string> values[] = {
      {MailField::From, CutValue(mail.from, kFromBytes)},
      {MailField::To, CutValue(mail.to, kToBytes)},
      {MailField::Cc, CutValue(mail.cc, kCcBytes)},
      {MailField::Subject, CutValue(mail.subject, kSubjectBytes)},
      {MailField::Date, CutValue(mail.date, kDateBytes)},
  };
  MailEntry entry;
  entry.recordSize = kRecordBytesBesideValues;
  for (const auto& [field, value] : values) {
    entry.SetText(field, value);
    entry.recordSize += static_cast<uint32_t>(value.size());
  }
  entry.SetText(MailField::Id, kShortFormId);
  entry.mailStart = 0;
  entry.bodyStart = static_cast<uint32_t>(mail.headerLength);
  entry.bodyLength = static_cast<uint32_t>(mail.text.size() - mail.headerLength);
  entry.reserved = kImportedReserved;
  entry.status = 0;
  return entry;
}

OneMailFiles::OneMailFiles(std::vector<std::string> files) : m_files(std::move(files)) {}

OneMailFiles::OneMailFiles(std::vector<std::string> files, std::string headerEnd)
    : m_files(std::move(files)), m_headerEnd(std::move(headerEnd)) {}

std::optional<MailToAppend> OneMailFiles::Next() {
  if (m_noHeaderEnd || m_next == m_files.size()) return std::nullopt;
  InputLines lines(m_files[m_next++]);
  if (!m_headerEnd) return ToAppend(CutPostPetExport(lines));
  std::optional<ImportedMail> mail = CutSingleMail(lines, *m_headerEnd);
  m_noHeaderEnd = !mail;
  if (!mail) return std::nullopt;
  return ToAppend(std::move(*mail));
}

const char* OneMailFiles::StopMessage() const { return m_noHeaderEnd ? kNoHeaderEnd : nullptr; }

std::optional<MailToAppend> MultiMailFile::Next() {
  if (m_cutter.AtEnd()) return std::nullopt;
  return ToAppend(m_cutter.Next());
}
