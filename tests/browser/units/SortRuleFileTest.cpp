#include "browser/SortRuleFile.h"

#include <gtest/gtest.h>

#include "platform/files/Files.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/Sandbox.h"

namespace {

class SortRuleFileTest : public SandboxTest {
 protected:
  std::string Path() const { return platform::ProgramPath(Root()) + "\\dorvnadw.cfg"; }
};

TEST_F(SortRuleFileTest, RoundTripsEveryRuleByteForByte) {
  const std::vector<SortRule> rules = {
      {"taro@example.jp", "黄色の引出し"},
      {"Re: 会議 *", "会議"},      // a Subject with blanks
      {"", "空のキー"},            // the editor's empty key
      {"a\tb", "タブ"},            // a tab inside a key
      {"ソ表*", "ソ表"},           // 0x5C as a second byte
  };
  SaveSortRuleFile(Path(), rules);
  const std::string bytes = ReadBytes(Path());
  EXPECT_EQ(ReadSortRuleFile(Path()), rules);
  SaveSortRuleFile(Path(), ReadSortRuleFile(Path()));
  EXPECT_TRUE(ReadBytes(Path()) == bytes);
  EXPECT_TRUE(bytes.starts_with("taro@example.jp 黄色の引出し\r\nRe: 会議 *\t会議\r\n"));
}

TEST_F(SortRuleFileTest, ReadsOldFilesAsTheyWereWritten) {
  WriteBytes(Path(), "a@x 赤\r\n  b@y   青  extra\r\n\r\nkeyalone\r\nlast@z 緑");
  const std::vector<SortRule> expected = {{"a@x", "赤"}, {"b@y", "青"}, {"last@z", "緑"}};
  EXPECT_EQ(ReadSortRuleFile(Path()), expected);
}

TEST_F(SortRuleFileTest, ReadsLongLinesWhole) {
  const std::string key(3000, 'k');
  WriteBytes(Path(), key + " long\r\n");
  const std::vector<SortRule> expected = {{key, "long"}};
  EXPECT_EQ(ReadSortRuleFile(Path()), expected);
}

TEST_F(SortRuleFileTest, ReadsAtMostTheStoredLimit) {
  std::string bytes;
  for (int i = 0; i < 2001; ++i) bytes.append("k").append(std::to_string(i)).append(" d\r\n");
  WriteBytes(Path(), bytes);
  const std::vector<SortRule> rules = ReadSortRuleFile(Path());
  ASSERT_EQ(rules.size(), kMaxStoredRules);
  EXPECT_EQ(rules.back().key, "k1999");
}

TEST_F(SortRuleFileTest, AppendsInTextModeAndAMissingFileIsEmpty) {
  EXPECT_TRUE(ReadSortRuleFile(Path()).empty());
  ASSERT_TRUE(AppendSortRule(Path(), {"a@x", "赤"}));
  ASSERT_TRUE(AppendSortRule(Path(), {"Subject with blanks*", "青"}));
  EXPECT_TRUE(ReadBytes(Path()) == "a@x 赤\r\nSubject with blanks*\t青\r\n");
}

}  // namespace
