#include "mailer/SmtpSettingsFile.h"

#include "platform/base/Exception.h"
#include "platform/files/Files.h"

namespace {

constexpr size_t kLineCount = 3;

bool ReplaceSettingsFile(std::string_view path, std::string_view bytes) {
  try {
    platform::ReplaceFileContents(path, bytes);
  } catch (const EFCreateError&) {
    return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> ReadSmtpSettingsLines(std::string_view path) {
  std::string bytes;
  std::vector<std::string> lines;
  if (!platform::ReadFileContents(path, bytes)) return lines;
  // Text mode: a line ends at LF, and CR LF reads as LF.
  size_t start = 0;
  for (size_t end; lines.size() < kLineCount && (end = bytes.find('\n', start)) != std::string::npos;
       start = end + 1) {
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

bool WriteSmtpSettingsFile(std::string_view path, const SmtpSettings& settings) {
  return ReplaceSettingsFile(
      path, settings.host + "\r\n" + settings.userId + "\r\n" + settings.address + "\r\n");
}

TStringList ReadSignatureFile(std::string_view path) {
  TStringList lines;
  if (platform::FileExists(path)) lines.LoadFromFile(path);
  return lines;
}

bool WriteSignatureFile(std::string_view path, std::string_view text) {
  TStringList lines;
  lines.SetText(text);
  return ReplaceSettingsFile(path, lines.Text());
}
