#include "browser/SortRules.h"

#include <gtest/gtest.h>

namespace {

struct PatternCase {
  const char* name;
  const char* key;
  const char* subject;
  bool matches;
};

void PrintTo(const PatternCase& c, std::ostream* out) { *out << c.name; }

class SubjectPatternTest : public ::testing::TestWithParam<PatternCase> {};

TEST_P(SubjectPatternTest, MatchesBytesAsThePatternSays) {
  EXPECT_EQ(SubjectRuleMatches(GetParam().key, GetParam().subject), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, SubjectPatternTest,
    ::testing::Values(PatternCase{"ExactEquals", "会議", "会議", true},
                      PatternCase{"ExactIsWhole", "会議", "会議録", false},
                      PatternCase{"ExactIsCaseSensitive", "abc", "ABC", false},
                      PatternCase{"LeadingStarIsOrdinary", "*abc", "*abc", true},
                      PatternCase{"LeadingStarNoWildcard", "*abc", "xabc", false},
                      PatternCase{"PrefixBegins", "Re:*", "Re: hello", true},
                      PatternCase{"PrefixNotInside", "Re:*", "Fw: Re: hello", false},
                      PatternCase{"ContainsAnywhere", "*hello*", "Re: hello there", true},
                      PatternCase{"ContainsCaseSensitive", "*hello*", "Re: Hello", false},
                      PatternCase{"SingleStarNothing", "*", "anything", false},
                      PatternCase{"TwoStarsNothing", "**", "anything", false},
                      PatternCase{"EmptySubjectContainsNothing", "*a*", "", false},
                      // ア is 0x83 0x41: its second byte is no "A" to find.
                      PatternCase{"NeverOnATrailByte", "*A*", "\x83\x41", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SortRulesTest, TheFirstMatchingSubjectRuleDecides) {
  const std::vector<SortRule> rules = {{"*A*", "first"}, {"B*", "second"}};
  EXPECT_EQ(FindSubjectRule(rules, "B then A")->drawer, "first");
  EXPECT_EQ(FindSubjectRule(rules, "B only")->drawer, "second");
  EXPECT_EQ(FindSubjectRule(rules, "none"), nullptr);
}

TEST(SortRulesTest, ARuleNamingAnUnusableDrawerNeverMatches) {
  const std::vector<SortRule> rules = {{"a@x", "bad/name"}, {"a@x", "good"}, {"b@x", ".."}};
  EXPECT_EQ(FindAddressRule(rules, "a@x")->drawer, "good");
  EXPECT_EQ(FindAddressRule(rules, "b@x"), nullptr);
  EXPECT_EQ(FindAddressRule(rules, "A@X"), nullptr);
}

struct MarkerCase {
  const char* name;
  const char* header;
  const char* drawer;  // nullptr: no marker
};

void PrintTo(const MarkerCase& c, std::ostream* out) { *out << c.name; }

class MarkerTest : public ::testing::TestWithParam<MarkerCase> {};

TEST_P(MarkerTest, FindsPostPetsMarkerInTheHeader) {
  const std::optional<std::string> drawer = MarkerDrawer(GetParam().header);
  if (GetParam().drawer) EXPECT_EQ(drawer, GetParam().drawer);
  else EXPECT_FALSE(drawer);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, MarkerTest,
    ::testing::Values(MarkerCase{"PetMail", "From: a\r\nX-PostPet-Message: 2\r\n\r\n", "ペットメール"},
                      MarkerCase{"Diary", "X-PostPet-Message: 1\r\n\r\n", "ひみつ日記"},
                      MarkerCase{"OtherSpelling", "X-Postpet-Message: 2\r\n", "ペットメール"},
                      MarkerCase{"NoBlank", "X-PostPet-Message:2\r\n\r\n", nullptr},
                      MarkerCase{"LowerCase", "x-postpet-message: 2\r\n\r\n", nullptr},
                      MarkerCase{"OtherDigit", "X-PostPet-Message: 3\r\n\r\n", nullptr},
                      MarkerCase{"HeaderEndsBeforeTheDigit", "X-PostPet-Message: ", nullptr},
                      MarkerCase{"None", "From: a\r\n\r\n", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
