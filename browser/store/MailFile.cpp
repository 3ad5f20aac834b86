#include "browser/store/MailFile.h"

#include <algorithm>

#include "platform/files/Files.h"

bool CannotReadBack(const MailEntry& entry, uint64_t fileLength) {
  if (entry.bodyStart < entry.mailStart) return true;
  // A text that starts exactly at the end is empty, and written as empty.
  return entry.MailLength() > 0 && entry.mailStart > fileLength;
}

std::string ReadFileRange(platform::Stream& mailFile, uint64_t start, uint64_t count) {
  const int64_t length = mailFile.Length();
  if (length < 0 || start >= static_cast<uint64_t>(length) || !mailFile.Seek(start)) return {};
  std::string bytes(std::min(count, static_cast<uint64_t>(length) - start), '\0');
  size_t got = 0;
  while (got < bytes.size()) {
    const size_t n = mailFile.Read(bytes.data() + got, bytes.size() - got);
    if (n == 0) break;
    got += n;
  }
  bytes.resize(got);
  return bytes;
}

MailText ReadMailText(std::string_view path, uint64_t start, uint64_t count) {
  MailText text;
  std::unique_ptr<platform::Stream> file = platform::OpenFile(path, "rb");
  if (!file || file->Length() <= 0) return text;
  text.opened = true;
  text.bytes = ReadFileRange(*file, start, count);
  return text;
}
