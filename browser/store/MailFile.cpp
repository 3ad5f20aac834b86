#include "browser/store/MailFile.h"

#include <algorithm>

#include "platform/files/Files.h"

namespace {

// Drops whatever a failed append left behind.
bool CutBack(platform::Stream& file, int64_t length) {
  return file.Truncate(length) && file.Flush();
}

}  // namespace

bool CannotReadBack(const MailEntry& entry, uint64_t fileLength) {
  if (entry.bodyStart < entry.mailStart) return true;
  return entry.MailLength() > 0 && entry.mailStart >= fileLength;
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

Appended WriteMail(platform::Stream& mailFile, platform::Stream& listFile, const MailEntry& entry,
                   std::string_view text) {
  if (!mailFile.Flush() || !listFile.Flush()) return Appended::Nothing;
  const int64_t mailLength = mailFile.Length();
  const int64_t listLength = listFile.Length();
  if (mailLength < 0 || listLength < 0) return Appended::Nothing;
  if (static_cast<uint64_t>(mailLength) + text.size() > kMaxMailFileLength) return Appended::Nothing;
  const std::string record =
      EncodeListRecord(entry, static_cast<uint32_t>(mailLength), text.size());
  // The text reaches the file before its record, so no record ever points
  // at bytes that are not there.
  if (mailFile.Write(text) && mailFile.Flush() && listFile.Write(record) && listFile.Flush())
    return Appended::Whole;
  const bool mailCut = CutBack(mailFile, mailLength);
  const bool listCut = CutBack(listFile, listLength);
  return mailCut && listCut ? Appended::Nothing : Appended::Partly;
}
