#include "mailer/SjisToJis.h"

#include <array>
#include <cstdint>
#include <limits>

namespace {

constexpr std::string_view kToJisX0208 = "\x1b$B";
constexpr std::string_view kToAscii = "\x1b(B";
// "〓" (geta), the customary stand-in for a character that cannot be sent.
constexpr char kGeta[2] = {0x22, 0x2E};

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC; }
bool IsHalfWidthKatakana(unsigned char b) { return b >= 0xA1 && b <= 0xDF; }

// Leads whose rows JIS X 0208 and NEC's row 13 (lead 0x87) fill; the others
// (unassigned rows, NEC-selected and IBM extensions, user-defined) are not
// ISO-2022-JP.
bool IsJisRowLead(unsigned char lead) {
  return (lead >= 0x81 && lead <= 0x84) || (lead >= 0x87 && lead <= 0x9F) ||
         (lead >= 0xE0 && lead <= 0xEA);
}

struct Equal {
  std::uint16_t extension;
  std::uint16_t standard;
};
// IBM extensions (and one NEC-selected one) that duplicate a JIS X 0208 or
// row-13 character: Ⅰ to Ⅹ, ￢, ㈱, №, ℡, ∵.
constexpr std::array<Equal, 16> kEquals = {{
    {0xFA4A, 0x8754}, {0xFA4B, 0x8755}, {0xFA4C, 0x8756}, {0xFA4D, 0x8757},
    {0xFA4E, 0x8758}, {0xFA4F, 0x8759}, {0xFA50, 0x875A}, {0xFA51, 0x875B},
    {0xFA52, 0x875C}, {0xFA53, 0x875D}, {0xFA54, 0x81CA}, {0xFA58, 0x878D},
    {0xFA59, 0x8782}, {0xFA5A, 0x8784}, {0xFA5B, 0x81E6}, {0xEEF9, 0x81CA},
}};

std::uint16_t StandardCode(std::uint16_t code) {
  for (const Equal& equal : kEquals)
    if (equal.extension == code) return equal.standard;
  return code;
}

class JisWriter {
 public:
  explicit JisWriter(size_t maxOctets) : m_maxOctets(maxOctets) {}

  void Jis(char first, char second) {
    const char pair[2] = {first, second};
    Put(true, std::string_view(pair, 2));
  }
  void Ascii(char c) { Put(false, std::string_view(&c, 1)); }
  std::vector<std::string> Finish() {
    CloseLine();
    return std::move(m_lines);
  }

 private:
  void Put(bool jis, std::string_view bytes) {
    const size_t needed = (jis != m_inJis ? kToAscii.size() : 0) + bytes.size() +
                          (jis ? kToAscii.size() : 0);
    if (!m_line.empty() && m_line.size() + needed > m_maxOctets) CloseLine();
    if (jis != m_inJis) m_line += jis ? kToJisX0208 : kToAscii;
    m_inJis = jis;
    m_line += bytes;
  }
  void CloseLine() {
    if (m_inJis) m_line += kToAscii;
    m_inJis = false;
    m_lines.push_back(std::move(m_line));
    m_line.clear();
  }

  size_t m_maxOctets;
  std::vector<std::string> m_lines;
  std::string m_line;
  bool m_inJis = false;
};

// The standard Shift-JIS to JIS X 0208 row and cell arithmetic; 0x7F as a
// second byte gives the same cell as 0x80.
void WriteJisPair(JisWriter& out, unsigned char lead, unsigned char trail) {
  unsigned char first = static_cast<unsigned char>((lead < 0xA0 ? lead - 0x70 : lead - 0xB0) * 2);
  if (trail < 0x9F) --first;
  unsigned char second = trail <= 0x7F   ? trail - 0x1F
                         : trail < 0x9F ? trail - 0x20
                                        : trail - 0x7E;
  out.Jis(static_cast<char>(first), static_cast<char>(second));
}

void WriteDoubleByte(JisWriter& out, unsigned char lead, unsigned char trail) {
  const std::uint16_t code = StandardCode(static_cast<std::uint16_t>(lead << 8 | trail));
  if (!IsJisRowLead(code >> 8)) return out.Jis(kGeta[0], kGeta[1]);
  WriteJisPair(out, static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code & 0xFF));
}

std::vector<std::string> Convert(std::string_view sjis, size_t maxOctets) {
  sjis = sjis.substr(0, sjis.find('\0'));
  JisWriter out(maxOctets);
  for (size_t i = 0; i < sjis.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(sjis[i]);
    const unsigned char next = i + 1 < sjis.size() ? static_cast<unsigned char>(sjis[i + 1]) : 0;
    if (IsLeadByte(b) && IsTrailByte(next)) {
      WriteDoubleByte(out, b, next);
      ++i;
    } else if (IsHalfWidthKatakana(b)) {
      out.Ascii(' ');
    } else if (b > 0x7F) {  // a lead byte without its second byte, or no character at all
      out.Jis(kGeta[0], kGeta[1]);
    } else {
      out.Ascii(static_cast<char>(b));
    }
  }
  return out.Finish();
}

}  // namespace

std::string SjisToJis(std::string_view sjis) {
  return Convert(sjis, std::numeric_limits<size_t>::max()).front();
}

std::vector<std::string> SjisToJisLines(std::string_view sjis, size_t maxOctets) {
  return Convert(sjis, maxOctets);
}
