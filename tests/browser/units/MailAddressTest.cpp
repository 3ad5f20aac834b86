#include "browser/MailAddress.h"

#include <gtest/gtest.h>

namespace {

struct AddressCase {
  const char* name;
  const char* from;
  const char* address;
};

void PrintTo(const AddressCase& c, std::ostream* out) { *out << c.name; }

class ExtractAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(ExtractAddressTest, GivesTheBareAddress) {
  EXPECT_EQ(ExtractAddress(GetParam().from), GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(
    FromFields, ExtractAddressTest,
    ::testing::Values(
        AddressCase{"Empty", "", ""},
        AddressCase{"BareAddress", "taro@example.jp", "taro@example.jp"},
        AddressCase{"LeadingBlanks", "   taro@example.jp next", "taro@example.jp"},
        AddressCase{"NameCommentAndBrackets", "山田 (営業部) <taro@example.jp>", "taro@example.jp"},
        AddressCase{"AddressThenComment", "taro@example.jp (山田 太郎)", "taro@example.jp"},
        AddressCase{"OnlyAComment", "(nobody)", ""},
        AddressCase{"UnclosedCommentRunsToTheEnd", "taro@example.jp (open <x@y>", "taro@example.jp"},
        AddressCase{"BracketsInsideACommentAreBlanked", "(<a@b>) c@d", "c@d"},
        AddressCase{"LastBracketPairWins", "<a@b> Name <c@d>", "c@d"},
        AddressCase{"EmptyBrackets", "Name <>", ""},
        AddressCase{"BlanksInBrackets", "Name <  >", ""},
        AddressCase{"LeadingClosingBracketsSkipped", "<>>a@b>", "a@b"},
        AddressCase{"NoOpeningBeforeLastClosing", "a@b> <c", "@b"},
        AddressCase{"TabIsNoSeparator", "a@b\tc d", "a@b\tc"},
        AddressCase{"BlanksOnly", "    ", ""},
        // ソ is 0x83 0x5C, 表 is 0x95 0x5C: no byte of theirs is a bracket or blank.
        AddressCase{"ShiftJisNameKeepsBrackets", "ソ表 <so@example.jp>", "so@example.jp"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
