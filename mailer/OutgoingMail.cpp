#include "mailer/OutgoingMail.h"

#include <algorithm>
#include <ctime>
#include <iterator>
#include <random>

#include "mailer/MailDate.h"
#include "mailer/SjisToJis.h"
#include "platform/base/Format.h"
#include "transport/Znsmtp.h"

namespace {

constexpr const char* kMailer = "Quillet-Mailer";
// RFC 5321 allows 998 octets before CR LF; one is kept for the dot that a
// line beginning with "." gains on the wire.
constexpr size_t kMaxWireLineOctets = 997;

std::string_view Trimmed(std::string_view text) {
  const size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return {};
  return text.substr(start, text.find_last_not_of(' ') - start + 1);
}

void AddWireLines(TStringList& body, std::string_view sjisLine) {
  for (std::string& line : SjisToJisLines(sjisLine, kMaxWireLineOctets)) body.Add(line);
}

bool WasRefused(const std::string& entry, const std::vector<RecipientRefusal>& refusals) {
  const std::string address = TZnSMTP::ExtractAddress(entry);
  return std::any_of(refusals.begin(), refusals.end(),
                     [&](const RecipientRefusal& refusal) { return refusal.address == address; });
}

// The entry the SMTP component takes for a recipient typed as entry. The
// address is cut out of the Shift-JIS text, whose bytes never equal "<"; the
// ISO-2022-JP form of a name can hold "<" (村 is 0x42 0x3C), so only the name
// before it is converted and the address stays as typed.
std::string WireRecipient(const std::string& entry) {
  const size_t open = entry.find('<');
  if (open == std::string::npos) return entry;
  return SjisToJis(entry.substr(0, open)) + entry.substr(open);
}

bool IsDomainCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
}

// "<" time "." random part "@" the sender's domain ">": no two sends share it
// (RFC 5322 section 3.6.4).
std::string NewMessageId(std::string_view fromAddress, std::time_t now) {
  std::string domain;
  const size_t at = fromAddress.rfind('@');
  if (at != std::string_view::npos)
    std::copy_if(fromAddress.begin() + at + 1, fromAddress.end(), std::back_inserter(domain), IsDomainCharacter);
  std::random_device random;
  const unsigned long long part = static_cast<unsigned long long>(random()) << 32 | random();
  return Format("<%llx.%016llx@%s>", static_cast<unsigned long long>(now), part,
                domain.empty() ? "localhost" : domain.c_str());
}

std::string WithoutLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace

std::vector<std::string> SplitRecipients(std::string_view toText) {
  // Every character that matters here is below 0x40, which no Shift-JIS
  // second byte is, so the text can be walked byte by byte.
  std::vector<std::string> entries;
  bool quoted = false;
  int angle = 0;
  size_t start = 0;
  for (size_t i = 0; i <= toText.size(); ++i) {
    const char c = i < toText.size() ? toText[i] : ',';
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '<') ++angle;
    if (c == '>' && angle > 0) --angle;
    if (c != ',' || (angle > 0 && i < toText.size())) continue;
    const std::string_view entry = Trimmed(toText.substr(start, i - start));
    if (!entry.empty()) entries.emplace_back(entry);
    start = i + 1;
  }
  return entries;
}

void FillPostMessage(TPostMessage& message, const ComposedMail& mail, const SenderSettings& sender) {
  const std::time_t now = std::time(nullptr);
  message.FromAddress = sender.fromAddress;
  message.FromName = SjisToJis(Format("(%s) ", mail.fromName.c_str()));
  for (const std::string& entry : SplitRecipients(mail.to)) message.ToAddress.Add(WireRecipient(entry));
  TStringList lines;
  lines.SetText(mail.body);
  for (int i = 0; i < lines.Count(); ++i) AddWireLines(message.Body, lines[i]);
  for (int i = 0; i < sender.signature.Count(); ++i) AddWireLines(message.Body, sender.signature[i]);
  message.Subject = SjisToJis(mail.subject);
  message.LocalProgram = kMailer;
  message.Date = Rfc5322Date(now);
  message.MessageId = NewMessageId(sender.fromAddress, now);
}

void ResetPostMessage(TPostMessage& message) {
  message.FromAddress.clear();
  message.FromName.clear();
  message.ToAddress.Clear();
  message.Body.Clear();
  message.Subject.clear();
  message.Date.clear();
  message.MessageId.clear();
  message.LocalProgram = kMailer;
}

std::string AcceptedRecipients(std::string_view toText, const std::vector<RecipientRefusal>& refusals) {
  if (refusals.empty()) return std::string(toText);
  std::string accepted;
  for (const std::string& entry : SplitRecipients(toText)) {
    if (WasRefused(entry, refusals)) continue;
    accepted += (accepted.empty() ? "" : ", ") + entry;
  }
  return accepted;
}

std::string RefusalText(const std::vector<RecipientRefusal>& refusals) {
  std::string text;
  for (const RecipientRefusal& refusal : refusals)
    text.append(text.empty() ? "" : "\n")
        .append(Format("%s に送信できませんでした\n%s", refusal.address.c_str(),
                       WithoutLineEnd(refusal.reply).c_str()));
  return text;
}
