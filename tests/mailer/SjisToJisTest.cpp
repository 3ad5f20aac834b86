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

struct BrokenCase {
  std::string sjis;
  std::string jis;
};

class SjisToJisBrokenInputTest : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(SjisToJisBrokenInputTest, NeverReadsPastTheTextAndEndsInAscii) {
  EXPECT_EQ(SjisToJis(GetParam().sjis), GetParam().jis);
}

INSTANTIATE_TEST_SUITE_P(
    EdgeBytes, SjisToJisBrokenInputTest,
    ::testing::Values(
        BrokenCase{"\x88", kJis + "\x88" + kAscii},                    // lead byte at the end
        BrokenCase{"\x88\x0a", kJis + "\x88" + kAscii + "\x0a"},       // lead byte before a line end
        BrokenCase{"\x88\x7f", kJis + "/`" + kAscii},                  // 0x7F is taken as 0x80
        BrokenCase{"\xf0\x40", "\xf0\x40"},                            // not a lead byte here
        BrokenCase{"\x80\xa0\xfd", "\x80\xa0\xfd"},
        BrokenCase{"\x81\xfd", kJis + "\x81" + kAscii + "\xfd"}));

}  // namespace
