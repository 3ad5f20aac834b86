#include "browser/store/ShownBody.h"

#include <algorithm>

MailText ReadShownBody(std::string_view path, const MailEntry& entry) {
  const uint64_t length = entry.bodyLength > 0 ? entry.bodyLength - 1 : 0;
  MailText body = ReadMailText(path, entry.bodyStart, length);
  std::string& bytes = body.bytes;
  bytes.resize(std::min(bytes.size(), bytes.find('\0')));
  if (!bytes.empty() && bytes.back() == '\r') bytes += '\n';
  return body;
}
