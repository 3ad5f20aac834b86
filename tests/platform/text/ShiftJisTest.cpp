// Code page 932 conversions, checked against a table of edge bytes and
// against glibc's iconv over the whole code page.

#include "platform/text/ShiftJis.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace {

using platform::SjisFromUtf8;
using platform::Utf8FromSjis;

// glibc's converter, the reference; nullopt when it refuses the input.
std::optional<std::string> Iconv(const char* to, const char* from, std::string in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(in.size() * 4 + 8, '\0');
  char* inPtr = in.data();
  char* outPtr = out.data();
  size_t inLeft = in.size(), outLeft = out.size();
  const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

// The UTF-8 of one code point, made by Qt rather than by the code under test.
std::string Utf8Of(char32_t c) { return QString::fromUcs4(&c, 1).toStdString(); }
// The visible stand-in of a byte that starts no character.
std::string Kept(unsigned byte) { return Utf8Of(0xF700 + byte); }

std::string Pair(unsigned lead, unsigned trail) {
  return {static_cast<char>(lead), static_cast<char>(trail)};
}

std::vector<unsigned> LeadBytes() {
  std::vector<unsigned> leads;
  for (unsigned b = 0; b < 0x100; ++b)
    if (platform::IsSjisLeadByte(b)) leads.push_back(b);
  return leads;
}

std::vector<unsigned> TrailBytes() {
  std::vector<unsigned> trails;
  for (unsigned b = 0x40; b <= 0xFC; ++b)
    if (b != 0x7F) trails.push_back(b);
  return trails;
}

struct ConversionCase {
  const char* name;
  std::string sjis;
  std::string utf8;
};

class ShiftJisEdgeTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ShiftJisEdgeTest, DecodesToTheExpectedCharacters) {
  EXPECT_EQ(Utf8FromSjis(GetParam().sjis), GetParam().utf8);
}

TEST_P(ShiftJisEdgeTest, EncodesBackToTheSameBytes) {
  EXPECT_EQ(SjisFromUtf8(GetParam().utf8), GetParam().sjis);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShiftJisEdgeTest,
    ::testing::Values(
        ConversionCase{"Ascii", "Inbox 1", "Inbox 1"},
        ConversionCase{"BackslashIsBackslash", "C:\\PostPet", "C:\\PostPet"},
        ConversionCase{"TildeIsTilde", "~", "~"},
        ConversionCase{"NulIsKept", std::string("a\0b", 3), std::string("a\0b", 3)},
        ConversionCase{"SoEndsIn5C", "\x83\x5C", "ソ"},
        ConversionCase{"HyoEndsIn5C", "\x95\x5C", "表"},
        ConversionCase{"FiveCTrailInPath", "\x83\x5C\x83\x74\x83\x67\\a", "ソフト\\a"},
        ConversionCase{"ReceiveFolder", "\x8E\xF3\x90\x4D\x83\x74\x83\x48\x83\x8B\x83\x5F", "受信フォルダ"},
        ConversionCase{"HalfWidthKatakanaFirst", "\xA1", "｡"},
        ConversionCase{"HalfWidthKatakana", "\xB1\xB2", "ｱｲ"},
        ConversionCase{"HalfWidthKatakanaLast", "\xDF", "ﾟ"},
        ConversionCase{"IdeographicSpace", "\x81\x40", "　"},
        ConversionCase{"FullWidthTilde", "\x81\x60", "～"},
        ConversionCase{"FullWidthBackslash", "\x81\x5F", "＼"},
        ConversionCase{"FullWidthMinus", "\x81\x7C", "－"},
        ConversionCase{"NotSign", "\x81\xCA", "￢"},
        ConversionCase{"NecCircledOne", "\x87\x40", "①"},
        ConversionCase{"NecRomanOne", "\x87\x54", "Ⅰ"},
        ConversionCase{"NecCentimetre", "\x87\x70", "㎝"},
        ConversionCase{"IbmSmallRomanOne", "\xFA\x40", "ⅰ"},
        ConversionCase{"IbmKanjiWith5C", "\xFA\x5C", "纊"},
        ConversionCase{"IbmLastKanji", "\xFC\x4B", "黑"},
        ConversionCase{"UserDefinedFirst", "\xF0\x40", "\uE000"},
        ConversionCase{"UserDefinedLast", "\xF9\xFC", "\uE757"},
        ConversionCase{"Byte80", "\x80", "\u0080"},
        ConversionCase{"ByteA0", "\xA0", "\uF8F0"},
        ConversionCase{"ByteFD", "\xFD", "\uF8F1"},
        ConversionCase{"ByteFF", "\xFF", "\uF8F3"},
        ConversionCase{"LoneLeadAtEnd", "a\x82", "a\uF782"},
        ConversionCase{"LeadBeforeNonTrail", "\x81 x", "\uF781 x"},
        ConversionCase{"LeadBeforeDelete", "\x82\x7F", "\uF782\x7F"},
        ConversionCase{"LeadBeforeLineEnd", "\x82\r\n", "\uF782\r\n"},
        ConversionCase{"UnassignedPair", "\x85\x40", "\uF785\uF740"},
        ConversionCase{"UnassignedPairWith5C", "\x85\x5C", "\uF785\uF75C"},
        ConversionCase{"UnassignedPairHighTrail", "\xEB\xA0", "\uF7EB\uF7A0"},
        ConversionCase{"ValidAfterUnassigned", "\x85\x40\x81\x40", "\uF785\uF740　"}),
    [](const auto& info) { return std::string(info.param.name); });

struct EncodingCase {
  const char* name;
  std::string utf8;
  std::string sjis;
};

class ShiftJisEncodingTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(ShiftJisEncodingTest, GivesWindowsBytes) { EXPECT_EQ(SjisFromUtf8(GetParam().utf8), GetParam().sjis); }

INSTANTIATE_TEST_SUITE_P(
    Table, ShiftJisEncodingTest,
    ::testing::Values(
        // Where several codes give one character, Windows writes one of them.
        EncodingCase{"BecauseFromJisRow", "∵", "\x81\xE6"},
        EncodingCase{"NearlyEqualFromJisRow", "≒", "\x81\xE0"},
        EncodingCase{"UnionFromJisRow", "∪", "\x81\xBE"},
        EncodingCase{"NotSignFromJisRow", "￢", "\x81\xCA"},
        EncodingCase{"RomanOneFromNecRow", "Ⅰ", "\x87\x54"},
        EncodingCase{"SmallRomanFromIbm", "ⅰ", "\xFA\x40"},
        EncodingCase{"KanjiFromIbmNotNecSelected", "纊", "\xFA\x5C"},
        EncodingCase{"BrokenBarFromIbm", "￤", "\xFA\x55"},
        EncodingCase{"YenBestFit", "¥", "\\"},
        EncodingCase{"WaveDashBestFit", "〜", "\x81\x60"},
        EncodingCase{"EuroMissing", "€", "?"},
        EncodingCase{"HangulMissing", "한", "?"},
        EncodingCase{"OutsideBmpMissing", "😀", "?"},
        EncodingCase{"KeptLowByte", "\uF740", "\x40"},
        EncodingCase{"TruncatedUtf8", "a\xE3\x81", "a??"},
        EncodingCase{"LoneContinuation", "\x80z", "?z"},
        EncodingCase{"OverlongSlash", "\xC0\xAF", "??"},
        EncodingCase{"EncodedSurrogate", "\xED\xA0\x80", "???"},
        EncodingCase{"BeyondUnicode", "\xF4\x90\x80\x80", "????"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShiftJisSweepTest, EverySingleByteDecodesAsIconvOrWindows) {
  const std::vector<std::pair<unsigned, char32_t>> windowsOnly = {
      {0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3}};
  for (unsigned b = 0; b < 0x100; ++b) {
    const std::string byte(1, static_cast<char>(b));
    std::optional<std::string> expected = Iconv("UTF-8", "CP932", byte);
    for (const auto& [code, c] : windowsOnly)
      if (code == b) expected = Utf8Of(c);
    if (!expected) expected = Kept(b);
    EXPECT_EQ(Utf8FromSjis(byte), *expected) << "byte " << b;
    EXPECT_EQ(SjisFromUtf8(*expected), byte) << "byte " << b;
  }
}

TEST(ShiftJisSweepTest, EveryDoubleByteCodeDecodesAsIconv) {
  std::vector<std::string> mismatches;
  for (unsigned lead : LeadBytes())
    for (unsigned trail : TrailBytes()) {
      const std::string pair = Pair(lead, trail);
      const std::string expected = Iconv("UTF-8", "CP932", pair).value_or(Kept(lead) + Kept(trail));
      if (Utf8FromSjis(pair) != expected) mismatches.push_back(Utf8FromSjis(pair) + " for " + expected);
    }
  EXPECT_EQ(mismatches, std::vector<std::string>{});
}

TEST(ShiftJisSweepTest, EveryDoubleByteCodeEncodesBackAsWindowsChooses) {
  int assigned = 0;
  for (unsigned lead : LeadBytes())
    for (unsigned trail : TrailBytes()) {
      const std::string pair = Pair(lead, trail);
      const std::string text = Utf8FromSjis(pair);
      const std::optional<std::string> reference = Iconv("CP932", "UTF-8", text);
      const std::string back = SjisFromUtf8(text);
      ASSERT_EQ(back, reference.value_or(pair)) << lead << " " << trail;
      ASSERT_EQ(Utf8FromSjis(back), text) << lead << " " << trail;
      assigned += reference.has_value();
    }
  // JIS X 0208 (6879), NEC row 13 (83), the NEC-selected (374) and IBM (388)
  // extensions, and the user-defined area (1880).
  EXPECT_EQ(assigned, 6879 + 83 + 374 + 388 + 1880);
}

TEST(ShiftJisSweepTest, EveryBmpCharacterEncodesAsIconv) {
  for (char32_t c = 0; c < 0x10000; ++c) {
    const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
    const bool keptByte = c >= 0xF740 && c <= 0xF7FF;
    const bool windowsOnly = c == 0x80 || (c >= 0xF8F0 && c <= 0xF8F3);
    if (surrogate || keptByte || windowsOnly) continue;
    ASSERT_EQ(SjisFromUtf8(Utf8Of(c)), Iconv("CP932", "UTF-8", Utf8Of(c)).value_or("?")) << unsigned(c);
  }
}

struct PrefixCase {
  const char* name;
  std::string text;
  size_t maxBytes;
  size_t expected;
};

class SjisPrefixLengthTest : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(SjisPrefixLengthTest, CutsAtACharacterBoundary) {
  EXPECT_EQ(platform::SjisPrefixLength(GetParam().text, GetParam().maxBytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SjisPrefixLengthTest,
    ::testing::Values(PrefixCase{"ShorterThanLimit", "abc", 10, 3},
                      PrefixCase{"AsciiCut", "abcdef", 4, 4},
                      PrefixCase{"ZeroLimit", "\x83\x5C", 0, 0},
                      PrefixCase{"WholeDoubleByte", "\x83\x5C\x95\x5C", 4, 4},
                      PrefixCase{"NeverHalfACharacter", "\x83\x5C\x95\x5C", 3, 2},
                      PrefixCase{"AsciiThenDoubleByte", "a\x83\x5C", 2, 1},
                      PrefixCase{"HalfWidthKatakanaIsOneByte", "\xB1\xB2\xB3", 2, 2},
                      PrefixCase{"LoneLeadAtEndIsOneByte", "a\x82", 2, 2},
                      PrefixCase{"LeadBeforeNonTrailIsOneByte", "\x82 b", 1, 1},
                      PrefixCase{"FiveCTrailIsNotASeparateByte", "\x83\x5C\\", 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

struct ContainsCase {
  const char* name;
  std::string text;
  std::string part;
  bool contains;
};

void PrintTo(const ContainsCase& c, std::ostream* out) { *out << c.name; }

class SjisContainsTest : public ::testing::TestWithParam<ContainsCase> {};

TEST_P(SjisContainsTest, MatchesOnlyOnCharacterBoundaries) {
  EXPECT_EQ(platform::SjisContains(GetParam().text, GetParam().part), GetParam().contains);
}

// ソ is 0x83 0x5C and ア is 0x83 0x41: their second bytes are "\" and "A".
INSTANTIATE_TEST_SUITE_P(
    Texts, SjisContainsTest,
    ::testing::Values(ContainsCase{"Ascii", "Re: meeting", "meet", true},
                      ContainsCase{"CaseSensitive", "Re: meeting", "Meet", false},
                      ContainsCase{"AtTheEnd", "abc", "bc", true},
                      ContainsCase{"WholeText", "abc", "abc", true},
                      ContainsCase{"LongerThanText", "ab", "abc", false},
                      ContainsCase{"EmptyText", "", "a", false},
                      ContainsCase{"EmptyPart", "abc", "", false},
                      ContainsCase{"TrailByteIsNoStart", "\x83\x41", "A", false},
                      ContainsCase{"TrailBackslashIsNoStart", "x\x83\x5Cy", "\\y", false},
                      ContainsCase{"AfterADoubleByteCharacter", "\x83\x5C" "A", "A", true},
                      ContainsCase{"DoubleByteCharacter", "ab\x83\x5C", "\x83\x5C", true},
                      ContainsCase{"LaterBoundaryStillFound", "\x83\x41" "A", "A", true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
