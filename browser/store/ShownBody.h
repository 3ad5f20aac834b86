#pragma once
// A mail's body as the mail view shows it.

#include <string_view>

#include "browser/store/ListRecord.h"
#include "browser/store/MailFile.h"

// Reads the body of entry from the MailFile at path: one byte short of the
// stored bodyLength (PostPet's records count one byte too many), up to its
// first NUL, and with the LF restored after a last line cut just after its
// CR. Not opened when the file is missing or empty (kCannotOpenMailFile).
MailText ReadShownBody(std::string_view path, const MailEntry& entry);
