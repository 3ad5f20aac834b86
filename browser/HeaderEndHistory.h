#pragma once
// The header-end history of the one-mail import: dorvnhe.cfg in the program
// folder, the texts given in the header-end dialog, one a line, in the order
// they were first given.

#include <string_view>

#include "platform/strings/StringList.h"

// The texts of the history; none when the file does not exist. EFOpenError
// when it exists but cannot be read.
TStringList LoadHeaderEndHistory(std::string_view exeDir);

// Writes texts as the whole file, each followed by CR LF. EFCreateError when
// it cannot be written; the old file then stays as it was.
void SaveHeaderEndHistory(std::string_view exeDir, const TStringList& texts);
