#pragma once
// Quillet's own settings files in its program folder: qult.cfg, three lines
// (SMTP host, user id, sender address) each ended by CR LF, and qults.cfg,
// the signature's lines.

#include <string>
#include <string_view>
#include <vector>

#include "platform/strings/StringList.h"

struct SmtpSettings {
  std::string host;
  std::string userId;
  std::string address;
};

// The complete lines of the file, at most three, in order: a last line
// without its line end does not count. Empty when the file cannot be read.
// Lines are taken whole, however long.
std::vector<std::string> ReadSmtpSettingsLines(std::string_view path);

// Replaces the file crash-safely; false when it cannot be written, the old
// file then stays as it was.
bool WriteSmtpSettingsFile(std::string_view path, const SmtpSettings& settings);

// The signature's lines; none when the file does not exist. EFOpenError when
// it exists but cannot be read.
TStringList ReadSignatureFile(std::string_view path);
// Saves text's lines (CR LF, LF or CR) as the signature, each ended by
// CR LF, crash-safely; false when it cannot be written, the old file then
// stays as it was.
bool WriteSignatureFile(std::string_view path, std::string_view text);
