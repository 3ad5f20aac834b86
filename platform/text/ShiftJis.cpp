#include "platform/text/ShiftJis.h"

#include <iconv.h>

#include <QCollator>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "platform/text/QtText.h"

namespace platform {
namespace {

constexpr char32_t kNoChar = 0xFFFFFFFF;
constexpr uint16_t kNoCode = 0xFFFF;  // never a code: 0xFF leads nothing
// Bytes that start no character are kept as U+F700 + byte, a private-use
// block code page 932 leaves free, so that they survive a round trip.
constexpr char32_t kKeptByteBase = 0xF700;
constexpr char32_t kKeptByteFirst = kKeptByteBase + 0x40;
constexpr char32_t kKeptByteLast = kKeptByteBase + 0xFF;

bool IsTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// One glibc iconv conversion descriptor, reset before every call so that
// no state carries over between probes.
class Converter {
 public:
  Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {
    if (m_cd == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error("glibc iconv has no CP932 converter (gconv modules missing)");
  }
  ~Converter() { iconv_close(m_cd); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts all of in, or returns an empty string.
  std::string Convert(std::string in) {
    char out[8];
    char* inPtr = in.data();
    char* outPtr = out;
    size_t inLeft = in.size(), outLeft = sizeof out;
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return {};
    return std::string(out, outPtr);
  }

 private:
  iconv_t m_cd;
};

std::string Utf32Le(char32_t c) {
  return {static_cast<char>(c), static_cast<char>(c >> 8), static_cast<char>(c >> 16), '\0'};
}

// Code page 932 both ways. Codes below 0x100 are single bytes, the others
// lead byte * 256 + trail byte.
struct CodePage932 {
  std::vector<char32_t> toUnicode = std::vector<char32_t>(0x10000, kNoChar);
  std::vector<uint16_t> fromUnicode = std::vector<uint16_t>(0x10000, kNoCode);

  void Map(uint16_t code, char32_t c) {
    toUnicode[code] = c;
    fromUnicode[c] = code;
  }
};

void ReadDecoding(CodePage932& table) {
  Converter decoder("UTF-32LE", "CP932");
  // Code page 932 holds only characters of the BMP; the tables rely on it.
  auto decode = [&](uint16_t code, std::string bytes) {
    const std::string out = decoder.Convert(std::move(bytes));
    if (out.size() != 4 || out[2] != 0 || out[3] != 0) return;
    table.toUnicode[code] = static_cast<unsigned char>(out[0]) | static_cast<unsigned char>(out[1]) << 8;
  };
  for (unsigned b = 0; b < 0x100; ++b) decode(b, std::string(1, static_cast<char>(b)));
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsSjisLeadByte(lead)) continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail)
      if (IsTrailByte(trail))
        decode(lead << 8 | trail, {static_cast<char>(lead), static_cast<char>(trail)});
  }
}

// glibc picks Windows' code where several codes give one character (the
// IBM extension over its NEC-selected copy, JIS X 0208 over NEC row 13) and
// adds Windows' best fit for a few characters (U+00A5 -> 0x5C).
void ReadEncoding(CodePage932& table) {
  Converter encoder("CP932", "UTF-32LE");
  for (char32_t c = 0; c < 0x10000; ++c) {
    const std::string out = encoder.Convert(Utf32Le(c));
    const auto byte = [&](int i) { return static_cast<uint16_t>(static_cast<unsigned char>(out[i])); };
    if (out.size() == 1) table.fromUnicode[c] = byte(0);
    if (out.size() == 2) table.fromUnicode[c] = byte(0) << 8 | byte(1);
  }
}

// The single bytes Windows maps although glibc does not.
void AddWindowsSingleBytes(CodePage932& table) {
  table.Map(0x80, 0x0080);
  table.Map(0xA0, 0xF8F0);
  for (uint16_t b = 0xFD; b <= 0xFF; ++b) table.Map(b, 0xF8F1 + (b - 0xFD));
}

const CodePage932& Table() {
  static const CodePage932 table = [] {
    CodePage932 built;
    ReadDecoding(built);
    ReadEncoding(built);
    AddWindowsSingleBytes(built);
    return built;
  }();
  return table;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Bytes of the character starting at i: two for a lead byte followed by a
// trail byte, else one. Windows splits text the same way.
size_t SjisCharLength(std::string_view text, size_t i) {
  const auto b = static_cast<unsigned char>(text[i]);
  if (!IsSjisLeadByte(b) || i + 1 >= text.size()) return 1;
  return IsTrailByte(static_cast<unsigned char>(text[i + 1])) ? 2 : 1;
}

void AppendSjisChar(std::string& out, std::string_view bytes, const CodePage932& table) {
  const auto first = static_cast<unsigned char>(bytes[0]);
  const uint16_t code = bytes.size() == 2 ? first << 8 | static_cast<unsigned char>(bytes[1]) : first;
  if (table.toUnicode[code] != kNoChar) return AppendUtf8(out, table.toUnicode[code]);
  // An unassigned pair stays one unit, as on Windows: its trail byte is kept
  // too, so that a 0x5C trail never turns into a path separator.
  for (unsigned char b : bytes) AppendUtf8(out, kKeptByteBase + b);
}

struct Utf8Char {
  char32_t value;  // kNoChar for a malformed sequence
  size_t length;
};

// Decodes one UTF-8 character; a malformed sequence counts as one byte.
Utf8Char NextUtf8(std::string_view text, size_t i) {
  const auto b = static_cast<unsigned char>(text[i]);
  if (b < 0x80) return {b, 1};
  const size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
  if (length == 0 || b > 0xF4 || i + length > text.size()) return {kNoChar, 1};
  char32_t c = b & (0x3F >> (length - 1));
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return {kNoChar, 1};
    c = c << 6 | (next & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {kNoChar, 1};
  return {c, length};
}

void AppendSjisCode(std::string& out, char32_t c, const CodePage932& table) {
  if (c >= kKeptByteFirst && c <= kKeptByteLast) {
    out += static_cast<char>(c - kKeptByteBase);
    return;
  }
  const uint16_t code = c < 0x10000 ? table.fromUnicode[c] : kNoCode;
  if (code == kNoCode) {
    out += '?';
  } else if (code >= 0x100) {
    out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
  } else {
    out += static_cast<char>(code);
  }
}

bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameAsciiIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

// QCollator is reentrant, not thread-safe: one per thread.
const QCollator& JapaneseCollator() {
  thread_local const QCollator collator = [] {
    QCollator made(QLocale(QLocale::Japanese, QLocale::Japan));
    made.setCaseSensitivity(Qt::CaseInsensitive);
    return made;
  }();
  return collator;
}

}  // namespace


std::string Utf8FromSjis(std::string_view sjis) {
  const CodePage932& table = Table();
  std::string out;
  out.reserve(sjis.size() * 3 / 2);
  for (size_t i = 0; i < sjis.size();) {
    // ASCII is the same in both encodings and makes up most of a mail list.
    size_t ascii = i;
    while (ascii < sjis.size() && static_cast<unsigned char>(sjis[ascii]) < 0x80) ++ascii;
    if (ascii > i) {
      out.append(sjis.data() + i, ascii - i);
      i = ascii;
      continue;
    }
    const size_t length = SjisCharLength(sjis, i);
    AppendSjisChar(out, sjis.substr(i, length), table);
    i += length;
  }
  return out;
}

std::string SjisFromUtf8(std::string_view utf8) {
  const CodePage932& table = Table();
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const Utf8Char c = NextUtf8(utf8, i);
    if (c.value == kNoChar) out += '?';
    else AppendSjisCode(out, c.value, table);
    i += c.length;
  }
  return out;
}

bool SameTextIgnoreCase(std::string_view a, std::string_view b) {
  if (IsAscii(a) && IsAscii(b)) return SameAsciiIgnoreCase(a, b);
  return ToQString(a).compare(ToQString(b), Qt::CaseInsensitive) == 0;
}

// The collator also ties texts that differ only in kana kind or width (あ, ア,
// ｱ); those are then ordered by code so that 0 means exactly SameTextIgnoreCase.
int CompareTextIgnoreCase(std::string_view a, std::string_view b) {
  const QString left = ToQString(a), right = ToQString(b);
  int order = JapaneseCollator().compare(left, right);
  if (order == 0) order = left.compare(right, Qt::CaseInsensitive);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

size_t SjisPrefixLength(std::string_view text, size_t maxBytes) {
  // A character never runs past the end of the text, so a text that fits is whole.
  if (text.size() <= maxBytes) return text.size();
  size_t length = 0;
  while (length < text.size()) {
    const size_t next = length + SjisCharLength(text, length);
    if (next > maxBytes) break;
    length = next;
  }
  return length;
}

bool SjisContains(std::string_view text, std::string_view part) {
  if (part.empty() || part.size() > text.size()) return false;
  const size_t lastStart = text.size() - part.size();
  for (size_t at = 0; at <= lastStart; at += SjisCharLength(text, at)) {
    if (text.compare(at, part.size(), part) == 0) return true;
  }
  return false;
}

}  // namespace platform
