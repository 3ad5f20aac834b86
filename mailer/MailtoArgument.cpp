#include "mailer/MailtoArgument.h"

#include <array>
#include <memory>

#include "platform/base/Exception.h"
#include "platform/files/Files.h"
#include "platform/text/ShiftJis.h"

namespace {

// The class library's command line keeps at most 4096 characters with its NUL.
constexpr size_t kMaxArgumentLength = 4095;
constexpr std::string_view kMailtoPrefix = "mailto:";

struct FieldName {
  std::string_view prefix;
  MailtoFieldKind kind;
};
constexpr std::array<FieldName, 3> kFieldNames = {{
    {"subject=", MailtoFieldKind::Subject},
    {"file=", MailtoFieldKind::File},
    {"body=", MailtoFieldKind::Body},
}};

// CR LF, a lone CR and a lone LF each become one blank.
std::string OneLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    line += (text[i] == '\r' || text[i] == '\n') ? ' ' : text[i];
  }
  return line;
}

std::optional<MailtoField> ParseField(std::string_view field) {
  for (const FieldName& name : kFieldNames) {
    if (!field.starts_with(name.prefix)) continue;
    std::string_view value = field.substr(name.prefix.size());
    if (name.kind == MailtoFieldKind::Subject) return MailtoField{name.kind, OneLine(value)};
    return MailtoField{name.kind, std::string(value)};
  }
  return std::nullopt;
}

bool IsReplyQuoteFileName(std::string_view name) {
  constexpr std::string_view kPrefix = "qult", kSuffix = ".tmp";
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return false;
  std::string_view digits = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
  if (digits.empty()) return false;
  for (char c : digits)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

MailtoArgument ParseMailtoArgument(std::string_view arg) {
  arg = arg.substr(0, platform::SjisPrefixLength(arg, kMaxArgumentLength));
  MailtoArgument result;
  const size_t question = arg.find('?');
  std::string_view addressPart = arg.substr(0, question);
  if (addressPart.starts_with(kMailtoPrefix))
    result.address = OneLine(addressPart.substr(kMailtoPrefix.size()));
  if (question == std::string_view::npos) return result;

  std::string_view rest = arg.substr(question + 1);
  while (true) {
    const size_t amp = rest.find('&');
    if (std::optional<MailtoField> field = ParseField(rest.substr(0, amp)))
      result.fields.push_back(std::move(*field));
    if (amp == std::string_view::npos) break;
    rest = rest.substr(amp + 1);
  }
  return result;
}

bool IsReplyQuoteFilePath(std::string_view path) {
  // Compared as native paths: Dorvane writes "\" and the system "/".
  const std::string native = platform::NativePath(path);
  const size_t slash = native.rfind('/');
  if (slash == std::string::npos) return false;
  return IsReplyQuoteFileName(std::string_view(native).substr(slash + 1)) &&
         native.substr(0, slash) == platform::NativePath(platform::TempFolder());
}

std::string TakeScratchFile(std::string_view path) {
  std::unique_ptr<platform::Stream> file = platform::OpenOwnRegularFile(path, "rb");
  if (!file) throw EFOpenError(platform::CannotOpenFileText(path));
  std::string text;
  std::array<char, 65536> chunk;
  while (size_t got = file->Read(chunk.data(), chunk.size())) text.append(chunk.data(), got);
  // A read that stopped short must not be followed by the delete.
  if (static_cast<int64_t>(text.size()) != file->Length())
    throw EFOpenError(platform::CannotOpenFileText(path));
  file.reset();
  platform::DeleteFile(path);
  return text.substr(0, text.find('\0'));
}
