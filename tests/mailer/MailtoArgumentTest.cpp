#include "mailer/MailtoArgument.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/base/Exception.h"
#include "platform/files/Files.h"
#include "tests/support/Sandbox.h"

namespace {

std::vector<std::pair<MailtoFieldKind, std::string>> Fields(const MailtoArgument& a) {
  std::vector<std::pair<MailtoFieldKind, std::string>> fields;
  for (const MailtoField& f : a.fields) fields.emplace_back(f.kind, f.value);
  return fields;
}

using K = MailtoFieldKind;

TEST(MailtoArgumentTest, AddressAloneSetsOnlyTheAddress) {
  MailtoArgument a = ParseMailtoArgument("mailto:pet@example.jp");
  EXPECT_EQ(a.address, "pet@example.jp");
  EXPECT_TRUE(a.fields.empty());
}

TEST(MailtoArgumentTest, FieldsFollowInOrderAndKeepPercentAndPlus) {
  MailtoArgument a = ParseMailtoArgument("mailto:a%40b+c@x.jp?subject=Re.%20こんにちは+1&body=本文&file=C:\\t.tmp");
  EXPECT_EQ(a.address, "a%40b+c@x.jp");
  EXPECT_EQ(Fields(a), (decltype(Fields(a)){{K::Subject, "Re.%20こんにちは+1"},
                                             {K::Body, "本文"},
                                             {K::File, "C:\\t.tmp"}}));
}

TEST(MailtoArgumentTest, CapitalPrefixLeavesAddressButFieldsApply) {
  MailtoArgument a = ParseMailtoArgument("MAILTO:x@y?subject=s");
  EXPECT_FALSE(a.address);
  EXPECT_EQ(Fields(a), (decltype(Fields(a)){{K::Subject, "s"}}));
}

TEST(MailtoArgumentTest, ArgumentWithoutAddressPart) {
  MailtoArgument a = ParseMailtoArgument("?subject=only");
  EXPECT_FALSE(a.address);
  EXPECT_EQ(Fields(a), (decltype(Fields(a)){{K::Subject, "only"}}));
  EXPECT_FALSE(ParseMailtoArgument("").address);
}

TEST(MailtoArgumentTest, AmpersandEndsAValueAndUnknownFieldsAreDropped) {
  MailtoArgument a = ParseMailtoArgument("mailto:x?subject=A&B&&Subject=no&body=1&body=2&cc=z");
  EXPECT_EQ(Fields(a), (decltype(Fields(a)){{K::Subject, "A"}, {K::Body, "1"}, {K::Body, "2"}}));
}

TEST(MailtoArgumentTest, ShiftJisTrailBytesNeverSplitFields) {
  // ソ is 0x83 0x5C and 表 0x95 0x5C: bytes that must not be mistaken for separators.
  MailtoArgument a = ParseMailtoArgument("mailto:ソ表?subject=ソ表&body=表");
  EXPECT_EQ(a.address, "ソ表");
  EXPECT_EQ(Fields(a), (decltype(Fields(a)){{K::Subject, "ソ表"}, {K::Body, "表"}}));
}

TEST(MailtoArgumentTest, LineBreaksNeverReachTheOneLineFields) {
  MailtoArgument a = ParseMailtoArgument("mailto:a@b\r\nBcc: c@d?subject=x\ny\rz&body=1\r\n2");
  EXPECT_EQ(a.address, "a@b Bcc: c@d");
  EXPECT_EQ(Fields(a), (decltype(Fields(a)){{K::Subject, "x y z"}, {K::Body, "1\r\n2"}}));
}

TEST(MailtoArgumentTest, OnlyTheFirst4095BytesAreParsed) {
  std::string arg = "mailto:x?subject=" + std::string(4095 - 17, 's') + "&body=lost";
  MailtoArgument a = ParseMailtoArgument(arg);
  ASSERT_EQ(a.fields.size(), 1u);
  EXPECT_EQ(a.fields[0].value.size(), 4095u - 17);
}

TEST(MailtoArgumentTest, CutNeverSplitsADoubleByteCharacter) {
  std::string arg = "mailto:x?subject=" + std::string(4094 - 17, 's') + "表";
  MailtoArgument a = ParseMailtoArgument(arg);
  EXPECT_EQ(a.fields[0].value, std::string(4094 - 17, 's'));
}

class ReplyQuoteFileTest : public SandboxTest {
 protected:
  std::string TempPath(const std::string& name) { return TempDir() + "/" + name; }
  void Write(const std::string& nativePath, const std::string& bytes) {
    std::ofstream(nativePath, std::ios::binary) << bytes;
  }
  // As Dorvane names it: Shift-JIS TEMP folder, backslash, qult<time>.tmp.
  std::string DorvanePath(const std::string& name) { return platform::TempFolder() + "\\" + name; }
};

TEST_F(ReplyQuoteFileTest, DorvanesReplyFileIsReadAndDeleted) {
  Write(TempPath("qult1700000000.tmp"), ">line 1\r\n>line 2\r\n");
  ASSERT_TRUE(IsReplyQuoteFilePath(DorvanePath("qult1700000000.tmp")));
  EXPECT_EQ(TakeScratchFile(DorvanePath("qult1700000000.tmp")), ">line 1\r\n>line 2\r\n");
  EXPECT_FALSE(std::filesystem::exists(TempPath("qult1700000000.tmp")));
}

TEST_F(ReplyQuoteFileTest, OtherPathsAreNotOurs) {
  const std::string temp = platform::TempFolder();
  for (const std::string& path :
       {temp + "\\notes.txt", temp + "\\qult.tmp", temp + "\\qult12a.tmp", temp + "\\qult1.tmp.bak",
        temp + "\\sub\\qult1.tmp", temp + "\\..\\temp\\qult1.tmp", std::string("qult1.tmp"),
        platform::ProgramPath(ExeDir()) + "\\qult1.tmp", std::string("/etc/qult1.tmp")})
    EXPECT_FALSE(IsReplyQuoteFilePath(path)) << path;
}

TEST_F(ReplyQuoteFileTest, AFolderOfThatNameIsRefused) {
  std::filesystem::create_directory(TempPath("qult8.tmp"));
  EXPECT_THROW(TakeScratchFile(DorvanePath("qult8.tmp")), EFOpenError);
  EXPECT_TRUE(std::filesystem::is_directory(TempPath("qult8.tmp")));
}

}  // namespace
