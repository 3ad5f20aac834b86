// Case-insensitive equality and locale order of Shift-JIS texts, as the
// string lists' IndexOf and Sort and the list boxes' exact search use them.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/text/ShiftJis.h"

namespace {

using platform::CompareTextIgnoreCase;
using platform::SameTextIgnoreCase;
using platform::SjisFromUtf8;

struct SameTextCase {
  const char* name;
  const char* a;  // UTF-8, converted to Shift-JIS for the comparison
  const char* b;
  bool same;
};

class SameTextIgnoreCaseTest : public ::testing::TestWithParam<SameTextCase> {};

TEST_P(SameTextIgnoreCaseTest, ComparesWholeTextsIgnoringCase) {
  const std::string a = SjisFromUtf8(GetParam().a), b = SjisFromUtf8(GetParam().b);
  EXPECT_EQ(SameTextIgnoreCase(a, b), GetParam().same);
  EXPECT_EQ(SameTextIgnoreCase(b, a), GetParam().same);
  // The hashed look-ups' key agrees with the compare on every case.
  EXPECT_EQ(platform::CaseFoldedKey(a) == platform::CaseFoldedKey(b), GetParam().same);
  EXPECT_EQ(CompareTextIgnoreCase(a, b) == 0, GetParam().same);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SameTextIgnoreCaseTest,
    ::testing::Values(SameTextCase{"AsciiLetters", "Inbox", "INBOX", true},
                      SameTextCase{"AsciiDigitsAndSigns", "a-1_b", "A-1_B", true},
                      SameTextCase{"AsciiPrefixIsNotEqual", "Inbox", "Inbox2", false},
                      SameTextCase{"TrailingBlankCounts", "Inbox", "Inbox ", false},
                      SameTextCase{"EmptyTexts", "", "", true},
                      SameTextCase{"FullWidthLetters", "ＰｏｓｔＰｅｔ", "ｐｏｓｔｐｅｔ", true},
                      SameTextCase{"FullWidthIsNotAscii", "ABC", "ＡＢＣ", false},
                      SameTextCase{"MixedWidths", "Mail箱Ａ", "mail箱ａ", true},
                      SameTextCase{"Greek", "ΑΒΓ", "αβγ", true},
                      SameTextCase{"Cyrillic", "ДОМ", "дом", true},
                      SameTextCase{"Japanese", "受信フォルダ", "受信フォルダ", true},
                      SameTextCase{"FiveCTrailBytes", "ソ表", "ソ表", true},
                      SameTextCase{"HiraganaIsNotKatakana", "あ", "ア", false},
                      SameTextCase{"HalfWidthIsNotFullWidthKana", "ｱ", "ア", false},
                      SameTextCase{"DifferentKanji", "表", "俵", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SameTextIgnoreCaseTest, KeepsInvalidBytesApart) {
  EXPECT_FALSE(SameTextIgnoreCase("a\x82", "a\x83"));
  EXPECT_TRUE(SameTextIgnoreCase("A\x82", "a\x82"));
}

std::vector<std::string> SortedUtf8(std::vector<std::string> texts) {
  for (std::string& text : texts) text = SjisFromUtf8(text);
  std::stable_sort(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) {
    return CompareTextIgnoreCase(a, b) < 0;
  });
  for (std::string& text : texts) text = platform::Utf8FromSjis(text);
  return texts;
}

TEST(CompareTextIgnoreCaseTest, OrdersAsciiIgnoringCase) {
  EXPECT_EQ(SortedUtf8({"banana", "Apple", "cherry", "apricot"}),
            (std::vector<std::string>{"Apple", "apricot", "banana", "cherry"}));
}

TEST(CompareTextIgnoreCaseTest, OrdersKanaInSyllabaryOrder) {
  EXPECT_EQ(SortedUtf8({"さくら", "あさひ", "かもめ", "たぬき"}),
            (std::vector<std::string>{"あさひ", "かもめ", "さくら", "たぬき"}));
}

TEST(CompareTextIgnoreCaseTest, PutsLatinBeforeKana) {
  EXPECT_EQ(SortedUtf8({"ともだち", "Zoo", "123"}), (std::vector<std::string>{"123", "Zoo", "ともだち"}));
}

TEST(CompareTextIgnoreCaseTest, IsAntisymmetric) {
  const std::vector<std::string> texts = {"a", "A", "あ", "ア", "ｱ", "Ａ", "表", ""};
  for (const std::string& a : texts)
    for (const std::string& b : texts)
      EXPECT_EQ(CompareTextIgnoreCase(SjisFromUtf8(a), SjisFromUtf8(b)),
                -CompareTextIgnoreCase(SjisFromUtf8(b), SjisFromUtf8(a)))
          << a << " " << b;
}

}  // namespace
