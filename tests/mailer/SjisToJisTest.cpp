#include "mailer/SjisToJis.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>

namespace {

const std::string kJis = "\x1b$B";
const std::string kAscii = "\x1b(B";

// iconv's ISO-2022-JP is the reference; nullopt where it knows no character.
std::optional<std::string> IconvToJis(const std::string& sjis) {
  iconv_t cd = iconv_open("ISO-2022-JP", "SHIFT_JIS");
  std::string in = sjis, out(64, '\0');
  char* inPtr = in.data();
  char* outPtr = out.data();
  size_t inLeft = in.size(), outLeft = out.size();
  size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  if (done != static_cast<size_t>(-1)) done = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1)) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

TEST(SjisToJisTest, EveryJisX0208CharacterMatchesIconv) {
  int compared = 0;
  for (int lead = 0x81; lead <= 0xEF; ++lead) {
    if (lead >= 0xA0 && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const std::string sjis = {'a', static_cast<char>(lead), static_cast<char>(trail), 'b'};
      std::optional<std::string> expected = IconvToJis(sjis);
      if (!expected) continue;
      ++compared;
      ASSERT_EQ(SjisToJis(sjis), *expected) << std::hex << lead << " " << trail;
    }
  }
  EXPECT_GE(compared, 6879);  // the characters of JIS X 0208
}

TEST(SjisToJisTest, EscapesOnlyAtEverySwitch) {
  EXPECT_EQ(SjisToJis("日本語"), kJis + "F|K\\8l" + kAscii);
  EXPECT_EQ(SjisToJis("a日b本"), "a" + kJis + "F|" + kAscii + "b" + kJis + "K\\" + kAscii);
}

TEST(SjisToJisTest, HalfWidthKatakanaBecomeBlanks) {
  EXPECT_EQ(SjisToJis("ｱｲ"), "  ");
  EXPECT_EQ(SjisToJis("日ｱ"), kJis + "F|" + kAscii + " ");
}

TEST(SjisToJisTest, TextEndsAtItsFirstNul) {
  EXPECT_EQ(SjisToJis(std::string("日\0本", 5)), kJis + "F|" + kAscii);
}

const std::string kGeta = "\x22\x2e";  // 〓

struct ConversionCase {
  std::string sjis;
  std::string jis;
};

class SjisToJisCaseTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(SjisToJisCaseTest, NeverReadsPastTheTextAndEndsInAscii) {
  EXPECT_EQ(SjisToJis(GetParam().sjis), GetParam().jis);
}

INSTANTIATE_TEST_SUITE_P(
    EdgeBytes, SjisToJisCaseTest,
    ::testing::Values(
        ConversionCase{"\x88", kJis + kGeta + kAscii},                    // lead byte at the end
        ConversionCase{"\x88\x0a", kJis + kGeta + kAscii + "\x0a"},       // lead byte before a line end
        ConversionCase{"\x88\x7f", kJis + "/`" + kAscii},                  // 0x7F is taken as 0x80
        ConversionCase{"\xf0\x40", kJis + kGeta + kAscii},                // user-defined character
        ConversionCase{"\x80\xa0\xfd", kJis + kGeta + kGeta + kGeta + kAscii},
        ConversionCase{"\x81\xfd", kJis + kGeta + kGeta + kAscii}));

// The IBM extensions that duplicate a character go out as it; the others,
// and the NEC-selected kanji, as 〓. Row 13 passes as it stands.
INSTANTIATE_TEST_SUITE_P(
    Extensions, SjisToJisCaseTest,
    ::testing::Values(
        ConversionCase{"\x87\x40", kJis + "\x2d\x21" + kAscii},  // ① in row 13
        ConversionCase{"\xfa\x4b", kJis + "\x2d\x36" + kAscii},  // Ⅱ, IBM
        ConversionCase{"\xfa\x41", kJis + kGeta + kAscii},       // ⅱ, IBM only
        ConversionCase{"\xfa\x54", kJis + "\x22\x4c" + kAscii},  // ￢
        ConversionCase{"\xee\xf9", kJis + "\x22\x4c" + kAscii},  // ￢, NEC-selected
        ConversionCase{"\xfa\x58", kJis + "\x2d\x6d" + kAscii},  // ㈱
        ConversionCase{"\xfa\x59", kJis + "\x2d\x62" + kAscii},  // №
        ConversionCase{"\xfa\x5a", kJis + "\x2d\x64" + kAscii},  // ℡
        ConversionCase{"\xfa\x5b", kJis + "\x22\x68" + kAscii},  // ∵
        ConversionCase{"\xfb\xfc", kJis + kGeta + kAscii},       // 髙
        ConversionCase{"\xed\x40", kJis + kGeta + kAscii}));     // NEC-selected kanji

TEST(SjisToJisTest, NoEightBitByteForAnyPairOfBytes) {
  for (int first = 0x01; first <= 0xFF; ++first)
    for (int second = 0x01; second <= 0xFF; ++second) {
      const std::string jis = SjisToJis(std::string{static_cast<char>(first), static_cast<char>(second)});
      for (unsigned char c : jis) ASSERT_LE(c, 0x7F) << std::hex << first << " " << second;
    }
}

TEST(SjisToJisLinesTest, LongTextIsCutBetweenCharactersEachLineBackInAscii) {
  std::string sjis = "ab";
  for (int i = 0; i < 660; ++i) sjis += "日";
  const std::vector<std::string> lines = SjisToJisLines(sjis, 997);
  ASSERT_EQ(lines.size(), 2u);
  for (const std::string& line : lines) EXPECT_EQ(line.substr(line.size() - 3), kAscii);
  EXPECT_EQ(lines[0].substr(0, 5), "ab" + kJis);
  EXPECT_EQ(lines[1].substr(0, 3), kJis);
  EXPECT_EQ(lines[0].size(), 2 + 3 + 2 * 494 + 3);  // the most whole characters that fit
  EXPECT_EQ(lines[0].size() + lines[1].size(), SjisToJis(sjis).size() + 6);
}

TEST(SjisToJisLinesTest, ShortAndEmptyTextsStayOneLine) {
  EXPECT_EQ(SjisToJisLines("日本", 997), std::vector<std::string>{SjisToJis("日本")});
  EXPECT_EQ(SjisToJisLines("", 997), std::vector<std::string>{""});
  EXPECT_EQ(SjisToJisLines(std::string(10, 'a'), 4),
            (std::vector<std::string>{"aaaa", "aaaa", "aa"}));
}

}  // namespace
