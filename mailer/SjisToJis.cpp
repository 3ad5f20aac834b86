#include "mailer/SjisToJis.h"

namespace {

constexpr std::string_view kToJisX0208 = "\x1b$B";
constexpr std::string_view kToAscii = "\x1b(B";

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF); }
bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC; }
bool IsHalfWidthKatakana(unsigned char b) { return b >= 0xA1 && b <= 0xDF; }

class JisWriter {
 public:
  explicit JisWriter(size_t sizeHint) { m_out.reserve(sizeHint); }

  void Jis(char c) {
    if (!m_inJis) m_out += kToJisX0208;
    m_inJis = true;
    m_out += c;
  }
  void Ascii(char c) {
    if (m_inJis) m_out += kToAscii;
    m_inJis = false;
    m_out += c;
  }
  std::string Finish() {
    if (m_inJis) m_out += kToAscii;
    return std::move(m_out);
  }

 private:
  std::string m_out;
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
  out.Jis(static_cast<char>(first));
  out.Jis(static_cast<char>(second));
}

}  // namespace

std::string SjisToJis(std::string_view sjis) {
  sjis = sjis.substr(0, sjis.find('\0'));
  JisWriter out(sjis.size() * 2 + 8);
  for (size_t i = 0; i < sjis.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(sjis[i]);
    const unsigned char next = i + 1 < sjis.size() ? static_cast<unsigned char>(sjis[i + 1]) : 0;
    if (IsLeadByte(b) && IsTrailByte(next)) {
      WriteJisPair(out, b, next);
      ++i;
    } else if (IsLeadByte(b)) {
      out.Jis(static_cast<char>(b));
    } else if (IsHalfWidthKatakana(b)) {
      out.Ascii(' ');
    } else {
      out.Ascii(static_cast<char>(b));
    }
  }
  return out.Finish();
}
