// The rule editor's work without a window: the drawer names it proposes from
// a friend book, what its save writes, and its case-insensitive look-ups.

#include "browser/RuleEditing.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "browser/store/DrawerPaths.h"
#include "browser/store/FriendBook.h"
#include "platform/files/Files.h"
#include "tests/support/Sandbox.h"

namespace {

std::string Repeated(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

struct ProposalCase {
  std::string owner, pet, drawer;
};

class FriendRuleDrawerTest : public ::testing::TestWithParam<ProposalCase> {};

TEST_P(FriendRuleDrawerTest, IsOwnerAndPetMadeUsable) {
  FriendRecord record;
  record.ownerName = GetParam().owner;
  record.petName = GetParam().pet;
  const std::string drawer = FriendRuleDrawer(record);
  EXPECT_EQ(CheckDrawerName(drawer), DrawerNameFault::None);
  if (!GetParam().drawer.empty()) {
    EXPECT_EQ(drawer, GetParam().drawer);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, FriendRuleDrawerTest,
    ::testing::Values(ProposalCase{"山田", "モモ", "山田とモモ"}, ProposalCase{"佐藤", "", "佐藤と"},
                      ProposalCase{"a/b", "c\\d", "a_bとc_d"}, ProposalCase{"\t\x01", "表ソ", "__と表ソ"},
                      // Too long for a file name: cut at a character boundary.
                      ProposalCase{std::string(200, 'x'), Repeated("あ", 60), ""},
                      ProposalCase{std::string(255, 'o'), "ペンギン", ""}));

class SaveEditedRulesTest : public SandboxTest {
 protected:
  std::string Path() const { return platform::ProgramPath(Root() + "/rules.cfg"); }
  std::string Bytes() const {
    std::ifstream in(Root() + "/rules.cfg", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(SaveEditedRulesTest, WritesOnlyRowsThatNameADrawerAndNoRowsAsAnEmptyFile) {
  ASSERT_TRUE(SaveEditedRules(Path(), {{"a@example.jp", "A"}, {"", ""}, {"key only", ""}, {"", "空"},
                                       {"b c", "B D"}}));
  EXPECT_EQ(Bytes(), "a@example.jp A\r\n\t空\r\nb c\tB D\r\n");
  EXPECT_EQ(ReadEditedRules(Path()),
            (std::vector<SortRule>{{"a@example.jp", "A"}, {"", "空"}, {"b c", "B D"}}));
  ASSERT_TRUE(SaveEditedRules(Path(), {{"", ""}}));
  EXPECT_EQ(Bytes(), "");
}

TEST(CaseInsensitiveSetTest, MatchesAsTheStringListsSearchDoes) {
  CaseInsensitiveSet set;
  EXPECT_TRUE(set.Insert("Taro@Example.JP"));
  EXPECT_TRUE(set.Insert("ＡＢＣ"));
  EXPECT_FALSE(set.Insert("taro@example.jp"));
  EXPECT_TRUE(set.Contains("ａｂｃ"));
  EXPECT_FALSE(set.Contains("abc"));
  EXPECT_FALSE(set.Contains("アドレス"));
}

}  // namespace
