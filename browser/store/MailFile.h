#pragma once
// A drawer's MailFile: the raw mail texts back to back, found only through
// their ListRecords. Reading one mail's text; PairAppender appends.

#include <cstdint>
#include <string>
#include <string_view>

#include "browser/store/ListRecord.h"

namespace platform {
class Stream;
}

// A MailFile may not grow past what the ListRecord's 32-bit offsets reach.
inline constexpr uint64_t kMaxMailFileLength = 0xFFFFFFFFu;

// One mail's bytes as read from a MailFile.
struct MailText {
  bool opened = false;  // false: the file is missing or empty (kCannotOpenMailFile)
  std::string bytes;    // the bytes that exist; fewer than asked when the file ends first
};

// A mail whose bytes cannot be found in a MailFile of fileLength bytes: its
// body lies before its header, or its text starts past the file's end. Its
// text must not be written anywhere as a mail.
bool CannotReadBack(const MailEntry& entry, uint64_t fileLength);

// Reads count bytes from start of the MailFile at path. Nothing that lies past
// the end of the file is returned.
MailText ReadMailText(std::string_view path, uint64_t start, uint64_t count);
// The same on an open file (a MailFile, or a ListFile read whole).
std::string ReadFileRange(platform::Stream& mailFile, uint64_t start, uint64_t count);
