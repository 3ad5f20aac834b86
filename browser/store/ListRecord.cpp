#include "browser/store/ListRecord.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/text/ShiftJis.h"

namespace {

constexpr std::string_view kShortHead = "SsS0";
constexpr std::string_view kFullHead = "SsS1";
constexpr std::string_view kTrailer = "EeE1";
constexpr size_t kHeadSize = 4;
constexpr uint32_t kShortFormExtra = 20;  // idLength, an 18-byte id, attachCount
constexpr size_t kNumbersSize = 16;       // mailStart, bodyStart, bodyLength, reserved

// What a row shows of each field, as the reader's fixed buffers held them.
constexpr size_t kShownCap[] = {126, 4095, 4095, 511, 126, 127};
constexpr size_t kShownAttachNameCap = 511;

uint32_t GetU32(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
}

void PutU32(std::string& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(value >> shift));
}

// Where the first NUL of p[0, n) is, or n. The list's strings are short, so
// eight bytes are tested at a time inline rather than through a call per string.
size_t FindNul(const char* p, size_t n) {
  constexpr uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    const uint64_t zeros = (word - kOnes) & ~word & kHighs;
    if (zeros) return i + std::countr_zero(zeros) / 8;  // the lowest flag is exact (little-endian)
  }
  while (i < n && p[i] != 0) ++i;
  return i;
}

std::string_view CappedText(std::string_view text, size_t cap) {
  return text.substr(0, platform::SjisPrefixLength(text, cap));
}

// A cursor over a record's bytes; every read fails once the bytes run out.
class Cursor {
 public:
  Cursor(std::string_view bytes, size_t pos) : m_bytes(bytes), m_pos(pos) {}
  size_t Pos() const { return m_pos; }
  bool Bytes(size_t count, std::string_view& out) {
    if (m_bytes.size() - m_pos < count) return false;
    out = m_bytes.substr(m_pos, count);
    m_pos += count;
    return true;
  }
  bool U32(uint32_t& value) {
    std::string_view raw;
    if (!Bytes(4, raw)) return false;
    value = GetU32(raw.data());
    return true;
  }
  bool U8(uint8_t& value) {
    std::string_view raw;
    if (!Bytes(1, raw)) return false;
    value = static_cast<uint8_t>(raw[0]);
    return true;
  }
  // Bytes up to the next NUL, the NUL included.
  bool TextWithNul(std::string_view& out) {
    const size_t length = FindNul(m_bytes.data() + m_pos, m_bytes.size() - m_pos);
    return length < m_bytes.size() - m_pos && Bytes(length + 1, out);
  }
  std::string_view Since(size_t begin) const { return m_bytes.substr(begin, m_pos - begin); }

 private:
  std::string_view m_bytes;
  size_t m_pos;
};

// The full form's idLength, id, attachCount and names. Counts are read
// unsigned: a count above 127 still names the bytes that follow, so the next
// record is found where its writer put it.
bool ReadIdAndNames(Cursor& in, std::string_view& id, uint8_t& attachCount,
                    std::string_view& names) {
  uint8_t idLength = 0;
  if (!in.U8(idLength) || !in.Bytes(idLength, id) || !in.U8(attachCount)) return false;
  const size_t namesBegin = in.Pos();
  std::string_view name;
  for (int i = 0; i < attachCount; ++i)
    if (!in.TextWithNul(name)) return false;
  names = in.Since(namesBegin);
  return true;
}

}  // namespace

std::string_view MailEntry::Text(MailField field) const {
  const size_t index = static_cast<size_t>(field);
  if (index == kStrings) return m_id;
  const size_t begin = index == 0 ? 0 : m_end[index - 1] + 1;  // past the NUL
  return std::string_view(m_strings + begin, m_end[index] - begin);
}

std::string_view MailEntry::Shown(MailField field) const {
  const size_t index = static_cast<size_t>(field);
  const bool recovered = m_recovered & (1u << index);
  return CappedText(Text(field), kShownCap[index] + (recovered ? 1 : 0));
}

void MailEntry::SetText(MailField field, std::string_view bytes, bool recovered) {
  const size_t index = static_cast<size_t>(field);
  std::string_view parts[] = {Text(MailField::From), Text(MailField::To), Text(MailField::Cc),
                              Text(MailField::Subject), Text(MailField::Date), m_id, m_names};
  parts[index] = field == MailField::Id ? bytes.substr(0, 255) : bytes.substr(0, bytes.find('\0'));
  size_t total = kStrings;
  for (std::string_view part : parts) total += part.size();
  // Every text moves into one block of the row's own, laid out as in a record.
  auto own = std::make_unique<char[]>(total);
  char* next = own.get();
  for (size_t i = 0; i < std::size(parts); ++i) {
    if (!parts[i].empty()) std::memcpy(next, parts[i].data(), parts[i].size());
    parts[i] = std::string_view(next, parts[i].size());
    next += parts[i].size() + (i < kStrings ? 1 : 0);  // the NUL, zeroed by make_unique
    if (i < kStrings) m_end[i] = static_cast<uint32_t>(next - 1 - own.get());
  }
  m_strings = own.get();
  m_id = parts[kStrings];
  m_names = parts[kStrings + 1];
  m_own = std::move(own);
  m_recovered = recovered ? (m_recovered | 1u << index) : (m_recovered & ~(1u << index));
}

std::vector<std::string_view> MailEntry::AttachNames() const {
  std::vector<std::string_view> names;
  std::string_view rest = m_names;
  while (!rest.empty()) {
    const size_t nul = rest.find('\0');
    names.push_back(rest.substr(0, nul));
    rest.remove_prefix(nul + 1);
  }
  return names;
}

std::string_view MailEntry::ShownAttachName(size_t index) const {
  return CappedText(AttachNames().at(index), kShownAttachNameCap);
}

uint64_t MailEntry::HeaderLength() const {
  return bodyStart >= mailStart ? bodyStart - mailStart : 0;
}

uint64_t MailEntry::MailLength() const {
  return bodyStart >= mailStart ? HeaderLength() + bodyLength : 0;
}

bool ParseListRecord(std::string_view bytes, size_t& pos, MailEntry& entry) {
  Cursor in(bytes, pos);
  std::string_view head, text, id = kShortFormId, names;
  uint32_t numbers[5];
  uint32_t ends[MailEntry::kStrings];
  uint8_t status = 0, attachCount = 0;
  if (!in.Bytes(kHeadSize, head)) return false;
  for (uint32_t& number : numbers)
    if (!in.U32(number)) return false;
  const size_t stringsBegin = in.Pos();
  for (uint32_t& end : ends) {
    if (!in.TextWithNul(text)) return false;
    end = static_cast<uint32_t>(in.Pos() - 1 - stringsBegin);
  }
  const bool shortForm = head == kShortHead;
  std::string_view trailer;
  if (!in.U8(status) || (!shortForm && !ReadIdAndNames(in, id, attachCount, names)) ||
      !in.Bytes(kTrailer.size(), trailer))
    return false;

  entry.recordSize = numbers[0] + (shortForm ? kShortFormExtra : 0);
  entry.mailStart = numbers[1];
  entry.bodyStart = numbers[2];
  entry.bodyLength = numbers[3];
  entry.reserved = numbers[4];
  entry.status = status;
  entry.m_strings = bytes.data() + stringsBegin;
  std::copy(std::begin(ends), std::end(ends), entry.m_end);
  entry.m_id = id;
  entry.m_names = names;
  entry.m_own.reset();
  entry.m_attachCount = attachCount;
  entry.m_recovered = 0;
  pos = in.Pos();
  return true;
}

std::string EncodeListRecord(const MailEntry& entry, uint32_t mailStart, uint64_t mailLength) {
  const uint64_t headerLength = std::min(entry.HeaderLength(), mailLength);
  const uint64_t bodyLength = std::min<uint64_t>(entry.bodyLength, mailLength - headerLength);
  // The five strings with their NULs are one run of bytes.
  const std::string_view strings(entry.m_strings, entry.m_end[MailEntry::kStrings - 1] + 1);
  const size_t recordSize =
      kNumbersSize + strings.size() + 2 + entry.m_id.size() + 1 + entry.m_names.size();
  std::string out;
  out.reserve(kHeadSize + 4 + recordSize + kTrailer.size());
  out.append(kFullHead);
  PutU32(out, static_cast<uint32_t>(recordSize));
  PutU32(out, mailStart);
  PutU32(out, static_cast<uint32_t>(mailStart + headerLength));
  PutU32(out, static_cast<uint32_t>(bodyLength));
  PutU32(out, entry.reserved);
  out.append(strings);
  out.push_back(static_cast<char>(entry.status));
  out.push_back(static_cast<char>(entry.m_id.size()));
  out.append(entry.m_id);
  out.push_back(static_cast<char>(entry.m_attachCount));
  out.append(entry.m_names);
  out.append(kTrailer);
  return out;
}

uint32_t RecordMailStart(std::string_view record) { return GetU32(record.data() + kHeadSize + 4); }

void ShiftRecordOffsets(std::string& bytes, size_t recordStart, int64_t delta) {
  char* numbers = bytes.data() + recordStart + kHeadSize + 4;
  for (int i = 0; i < 2; ++i) {
    const uint32_t moved = static_cast<uint32_t>(GetU32(numbers + 4 * i) + delta);
    for (int b = 0; b < 4; ++b) numbers[4 * i + b] = static_cast<char>(moved >> (8 * b));
  }
}
