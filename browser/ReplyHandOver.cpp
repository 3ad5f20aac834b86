#include "browser/ReplyHandOver.h"

#include <memory>
#include <optional>

#include "browser/MailAddress.h"
#include "platform/base/Format.h"
#include "platform/files/Files.h"
#include "platform/process/Process.h"
#include "platform/text/ShiftJis.h"

namespace {

// Quillet reads this many bytes of its argument.
constexpr size_t kMaxArgumentLength = 4095;
// An address longer than SMTP's path limit is no address to reply to.
constexpr size_t kMaxAddressLength = 255;

// The argument has no escapes: "?" would end the address, "&" a field, and
// a double quote the command line's item. An address holding one of them,
// or cut short, would name someone else: To is then left for the user.
std::string ArgumentAddress(std::string_view from) {
  const std::string address = ExtractAddress(from);
  const bool carried = address.find_first_of("?&\"") == std::string::npos && address.size() <= kMaxAddressLength;
  return carried ? address : std::string();
}

// The Subject keeps its look with the full-width forms of "&" and '"'.
// Neither byte occurs as the second byte of a Shift-JIS character.
std::string ArgumentSubject(std::string_view subject) {
  std::string text;
  for (char c : subject) {
    if (c == '&') text += "＆";
    else if (c == '"') text += "”";
    else text += c;
  }
  return text;
}

// nullopt when the quote file's path itself cannot be carried.
std::optional<std::string> ReplyArgument(const ShownMail& mail, const std::string& quotePath) {
  if (quotePath.find_first_of("&\"") != std::string::npos) return std::nullopt;
  const std::string address = ArgumentAddress(mail.from);
  const std::string subject = ArgumentSubject(mail.subject);
  const std::string withoutSubject = Format("mailto:%s?subject=Re.&file=%s", address.c_str(), quotePath.c_str());
  if (withoutSubject.size() > kMaxArgumentLength) return std::nullopt;
  const size_t room = kMaxArgumentLength - withoutSubject.size();
  const std::string cut = subject.substr(0, platform::SjisPrefixLength(subject, room));
  return Format("mailto:%s?subject=Re.%s&file=%s", address.c_str(), cut.c_str(), quotePath.c_str());
}

bool WriteQuotedLines(platform::Stream& file, const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    if (!file.Write(">" + line + "\r\n")) return false;
  return file.Close();
}

}  // namespace

HandOver StartReply(const ShownMail& mail, std::string_view exeDir) {
  std::string quotePath;
  std::unique_ptr<platform::Stream> file =
      platform::CreateScratchFile(platform::TempFolder(), "qult", ".tmp", quotePath);
  if (!file) return HandOver::NoScratchFile;
  const bool written = WriteQuotedLines(*file, mail.lines);
  file.reset();
  const std::optional<std::string> argument = written ? ReplyArgument(mail, quotePath) : std::nullopt;
  if (!argument) {
    platform::DeleteFile(quotePath);
    return HandOver::NoScratchFile;
  }
  const std::string commandLine =
      Format("\"%s\\quillet\" \"%s\"", std::string(exeDir).c_str(), argument->c_str());
  platform::ProcessInformation process;
  if (platform::CreateProcess(commandLine, process)) return HandOver::Started;
  platform::DeleteFile(quotePath);
  return HandOver::NotStarted;
}
