#include "browser/Import.h"

#include <algorithm>
#include <iterator>

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

void AppendBody(ImportedMail& mail, const ImportLines& lines, size_t first) {
  mail.headerLength = mail.text.size();
  for (size_t i = first; i < lines.size(); ++i) AppendLine(mail.text, lines[i]);
}

std::string CutValue(const std::string& value, size_t maxBytes) {
  return value.substr(0, platform::SjisPrefixLength(value, maxBytes));
}

}  // namespace

ImportedMail CutPostPetExport(const ImportLines& lines) {
  constexpr size_t kHeaderLines = std::size(kHeaderCaptures);
  constexpr size_t kFirstBodyLine = kHeaderLines + 2;  // two lines of the export are no part of the mail
  if (lines.size() < kHeaderLines) throw ListIndexError(static_cast<int>(lines.size()));
  ImportedMail mail;
  for (size_t i = 0; i < kHeaderLines; ++i) {
    AppendLine(mail.text, lines[i]);
    const Capture& capture = kHeaderCaptures[i];
    mail.*capture.field = ValueOf(lines[i], capture.valueOffset);
  }
  AppendBody(mail, lines, kFirstBodyLine);
  return mail;
}

std::optional<ImportedMail> CutSingleMail(const ImportLines& lines, std::string_view headerEnd) {
  const auto end = std::find_if(lines.begin(), lines.end(), [headerEnd](std::string_view line) {
    return platform::SameTextIgnoreCase(line, headerEnd);
  });
  if (end == lines.end()) return std::nullopt;
  ImportedMail mail;
  for (auto line = lines.begin(); line <= end; ++line) {
    AppendLine(mail.text, *line);
    TakeValue(mail, *line, kHeaderCaptures);
  }
  AppendBody(mail, lines, static_cast<size_t>(end - lines.begin()) + 1);
  return mail;
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
    const std::string_view line = LineAt(m_next);
    if (line.starts_with(kReceived)) {
      AppendLine(mail.text, line);
      keep = LineAt(++m_next).starts_with(kReceivedContinuation);
      continue;
    }
    const bool captured = TakeValue(mail, line, kMultiMailCaptures);
    if (!keep && !captured && !StartsWithAny(line, kKeptHeaderPrefixes)) return;
    AppendLine(mail.text, line);
    keep = false;
    ++m_next;
  }
}

void MultiMailCutter::CutBody(ImportedMail& mail) {
  for (; m_next < m_lines.size() && !StartsWithAny(m_lines[m_next], kMailStartPrefixes); ++m_next)
    AppendLine(mail.text, m_lines[m_next]);
}

// A header that runs to the end of the file asks for the line past it.
std::string_view MultiMailCutter::LineAt(size_t index) const {
  if (index >= m_lines.size()) throw ListIndexError(static_cast<int>(index));
  return m_lines[index];
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
