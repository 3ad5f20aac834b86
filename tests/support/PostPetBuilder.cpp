#include "tests/support/PostPetBuilder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/files/Files.h"

namespace {

void PutLe32(std::string& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(value >> shift));
}

std::string NamesBytes(const RecordFields& record) {
  std::string names;
  for (const std::string& name : record.attachNames) names.append(name).push_back('\0');
  return names;
}

// The bytes from mailStart up to the trailer, without the leading counts.
std::string Body(const RecordFields& record) {
  std::string out;
  PutLe32(out, record.mailStart);
  PutLe32(out, record.bodyStart);
  PutLe32(out, record.bodyLength);
  PutLe32(out, record.reserved);
  for (const std::string* text : {&record.from, &record.to, &record.cc, &record.subject, &record.date})
    out.append(*text).push_back('\0');
  out.push_back(static_cast<char>(record.status));
  if (record.head == "SsS0") return out;
  out.push_back(static_cast<char>(record.idLength.value_or(record.id.size())));
  out.append(record.id);
  out.push_back(static_cast<char>(record.attachCount.value_or(record.attachNames.size())));
  out.append(NamesBytes(record));
  return out;
}

}  // namespace

std::string EncodeRecord(const RecordFields& record) {
  const std::string body = Body(record);
  std::string out = record.head;
  PutLe32(out, record.recordSize.value_or(static_cast<uint32_t>(body.size())));
  return out + body + record.trailer;
}

uint32_t GetLe32(std::string_view bytes, size_t pos) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes.at(pos + i));
  return value;
}

namespace {

// Reads a NUL-ended string at pos; false when no NUL follows.
bool TakeString(std::string_view bytes, size_t& pos, std::string& text) {
  const size_t end = bytes.find('\0', pos);
  if (end == std::string_view::npos) return false;
  text = std::string(bytes.substr(pos, end - pos));
  pos = end + 1;
  return true;
}

bool TakeRecord(std::string_view bytes, size_t& pos, RecordFields& record) {
  if (pos + 24 > bytes.size()) return false;
  record.head = std::string(bytes.substr(pos, 4));
  uint32_t* words[] = {nullptr, &record.mailStart, &record.bodyStart, &record.bodyLength, &record.reserved};
  record.recordSize = GetLe32(bytes, pos + 4);
  for (size_t i = 1; i < 5; ++i) *words[i] = GetLe32(bytes, pos + 4 + 4 * i);
  pos += 24;
  for (std::string* text : {&record.from, &record.to, &record.cc, &record.subject, &record.date})
    if (!TakeString(bytes, pos, *text)) return false;
  if (pos + 2 > bytes.size()) return false;
  record.status = static_cast<uint8_t>(bytes[pos++]);
  record.idLength = static_cast<uint8_t>(bytes[pos++]);
  if (pos + *record.idLength + 1 > bytes.size()) return false;
  record.id = std::string(bytes.substr(pos, *record.idLength));
  pos += *record.idLength;
  record.attachCount = static_cast<uint8_t>(bytes[pos++]);
  record.attachNames.resize(*record.attachCount);
  for (std::string& name : record.attachNames)
    if (!TakeString(bytes, pos, name)) return false;
  if (pos + 4 > bytes.size()) return false;
  record.trailer = std::string(bytes.substr(pos, 4));
  pos += 4;
  return true;
}

}  // namespace

std::vector<RecordFields> DecodeRecords(std::string_view listBytes) {
  std::vector<RecordFields> records;
  size_t pos = 0;
  RecordFields record;
  while (TakeRecord(listBytes, pos, record)) records.push_back(record);
  return records;
}

RecordFields& DrawerBuilder::AddMail(std::string_view header, std::string_view body,
                                   RecordFields fields) {
  fields.mailStart = static_cast<uint32_t>(m_mail.size());
  fields.bodyStart = static_cast<uint32_t>(m_mail.size() + header.size());
  fields.bodyLength = static_cast<uint32_t>(body.size());
  m_mail.append(header).append(body);
  m_records.push_back(std::move(fields));
  return m_records.back();
}

std::string NumberedHeader(int n) {
  std::ostringstream header;
  header << "From: sender" << n << "@example.jp\r\nSubject: mail " << n
         << "\r\nDate: Tue, 7 Dec 1999 17:01:02 +0900\r\n\r\n";
  return header.str();
}

std::string NumberedBody(int n, size_t bodyBytes) {
  std::string body = "body of mail " + std::to_string(n) + "\r\n";
  const size_t start = body.size();
  if (start >= bodyBytes) return body;
  // Filled in place: the checks of large drawers build many bodies.
  body.resize(bodyBytes);
  char* letters = body.data();
  for (size_t i = start; i < bodyBytes; ++i) letters[i] = static_cast<char>('a' + (i + n) % 26);
  return body;
}

RecordFields& DrawerBuilder::AddNumberedMail(int n, size_t bodyBytes) {
  RecordFields fields;
  fields.from = "sender" + std::to_string(n) + "@example.jp";
  fields.to = "me@example.jp";
  fields.subject = "mail " + std::to_string(n);
  fields.date = "Tue, 7 Dec 1999 17:01:02 +0900";
  return AddMail(NumberedHeader(n), NumberedBody(n, bodyBytes), std::move(fields));
}

std::string DrawerBuilder::ListBytes() const {
  std::string out;
  for (const RecordFields& record : m_records) out += EncodeRecord(record);
  return out;
}

void DrawerBuilder::Write(std::string_view listPath, std::string_view mailPath) const {
  WriteBytes(mailPath, m_mail);
  WriteBytes(listPath, ListBytes());
}

std::string EncodeFriendRecord(int32_t petKind, std::string_view petName,
                               std::string_view ownerName, std::string_view address,
                               uint32_t count) {
  std::string out;
  PutLe32(out, static_cast<uint32_t>(petKind));
  for (std::string_view text : {petName, ownerName, address}) {
    out.push_back(static_cast<char>(text.size()));
    out.append(text);
  }
  PutLe32(out, count);
  return out;
}

void WriteBytes(std::string_view path, std::string_view bytes) {
  const std::filesystem::path native(platform::NativePath(path));
  std::filesystem::create_directories(native.parent_path());
  std::ofstream(native, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
}

// Read at once: a byte at a time costs the sanitizer builds most of a test.
std::string ReadBytes(std::string_view path) {
  std::ifstream in(platform::NativePath(path), std::ios::binary | std::ios::ate);
  std::string bytes;
  if (!in) return bytes;
  bytes.resize(static_cast<size_t>(in.tellg()));
  in.seekg(0).read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

bool PathExists(std::string_view path) {
  return std::filesystem::exists(platform::NativePath(path));
}
