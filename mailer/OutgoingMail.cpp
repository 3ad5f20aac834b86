#include "mailer/OutgoingMail.h"

#include <algorithm>
#include <ctime>
#include <random>

#include "mailer/MailDate.h"
#include "mailer/SjisToJis.h"
#include "platform/base/Format.h"
#include "transport/HeaderFields.h"
#include "transport/Znsmtp.h"

namespace {

constexpr const char* kMailer = "Quillet-Mailer";
// The Message-ID's domain when the sender's cannot serve.
constexpr std::string_view kMessageIdDomain = "quillet.invalid";
constexpr size_t kMaxHeaderLine = 78;
// RFC 5321 section 4.5.3.1.3: a path of 256 octets, "<" and ">" included.
constexpr size_t kMaxAddressLength = 254;
constexpr const char* kNoAddress = "%s にはアドレスがありません";
constexpr const char* kUnsendableAddress =
    "%s には送信できません\nアドレスに使えるのは半角の英数字と記号だけで、254文字までです";
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

// The entry the SMTP component takes for a recipient typed as entry: the
// address as typed (it is cut out of the Shift-JIS text, whose bytes never
// equal "<", ":" or ">"), and everything around it in ISO-2022-JP, which the
// component writes as encoded-words. The ISO-2022-JP form of a name can hold
// "<" (村 is 0x42 0x3C), so the entry is never converted whole.
std::string WireRecipient(const std::string& entry) {
  const EntryParts parts = SplitEntry(entry);
  if (parts.separator == '\0') return entry;
  const char* closing = parts.separator == '<' ? ">" : "";
  return SjisToJis(parts.before) + parts.separator + std::string(parts.address) + closing + SjisToJis(parts.after);
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// "(name) ", the From line's comment. A name that goes out as it stands has
// its parentheses and backslashes escaped, so that the comment ends where
// the name does; one in ISO-2022-JP goes out in encoded-words, where an
// escape would show.
std::string FromComment(std::string_view name) {
  const std::string jis = SjisToJis(name);
  if (jis.find('\x1b') != std::string::npos) return "(" + jis + ") ";
  std::string comment = "(";
  for (const char c : jis) {
    if (c == '(' || c == ')' || c == '\\') comment += '\\';
    comment += c;
  }
  return comment + ") ";
}

// Labels of letters, digits and hyphens parted by single dots: a domain a
// msg-id carries as it stands (RFC 5322 section 3.6.4).
bool IsPlainDomain(std::string_view domain) {
  const auto isDomainCharacter = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
  };
  return !domain.empty() && domain.front() != '.' && domain.back() != '.' &&
         domain.find("..") == std::string_view::npos &&
         std::all_of(domain.begin(), domain.end(), isDomainCharacter);
}

// "<" time "." random part "@" domain ">": no two sends share it. The
// domain is the sender's when it is a plain domain that leaves the header
// line within 78 characters, else the program's own.
std::string NewMessageId(std::string_view fromAddress, std::time_t now) {
  std::random_device random;
  const unsigned long long part = static_cast<unsigned long long>(random()) << 32 | random();
  const std::string local = Format("%llx.%016llx", static_cast<unsigned long long>(now), part);
  const size_t at = fromAddress.rfind('@');
  const std::string_view domain = at == std::string_view::npos ? "" : fromAddress.substr(at + 1);
  const size_t room = kMaxHeaderLine - std::string_view("Message-ID: <@>").size() - local.size();
  const bool own = IsPlainDomain(domain) && domain.size() <= room;
  return "<" + local + "@" + std::string(own ? domain : kMessageIdDomain) + ">";
}

bool IsSendableAddress(std::string_view address) {
  return IsAscii(address) && address.size() <= kMaxAddressLength;
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

std::string UnsendableAddress(std::string_view toText, std::string_view fromAddress) {
  if (!IsSendableAddress(fromAddress)) return Format(kUnsendableAddress, std::string(fromAddress).c_str());
  for (const std::string& entry : SplitRecipients(toText)) {
    const std::string address(Trimmed(SplitEntry(entry).address));
    if (address.empty()) return Format(kNoAddress, entry.c_str());
    if (!IsSendableAddress(address)) return Format(kUnsendableAddress, address.c_str());
  }
  return "";
}

void FillPostMessage(TPostMessage& message, const ComposedMail& mail, const SenderSettings& sender) {
  const std::time_t now = std::time(nullptr);
  message.FromAddress = sender.fromAddress;
  message.FromName = FromComment(mail.fromName);
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
