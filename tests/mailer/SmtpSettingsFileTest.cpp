#include "mailer/SmtpSettingsFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/files/FaultInjection.h"
#include "platform/files/Files.h"
#include "tests/support/Sandbox.h"

namespace {

class SmtpSettingsFileTest : public SandboxTest {
 protected:
  std::string Path() { return platform::ProgramPath(ExeDir()) + "\\qult.cfg"; }
  void Write(const std::string& bytes) { std::ofstream(ExeDir() + "/qult.cfg", std::ios::binary) << bytes; }
  std::string Bytes() {
    std::ifstream in(ExeDir() + "/qult.cfg", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  using Lines = std::vector<std::string>;
};

TEST_F(SmtpSettingsFileTest, WrittenSettingsReadBackWithCrLfOnDisk) {
  ASSERT_TRUE(WriteSmtpSettingsFile(Path(), {"smtp.example.jp", "たろう", "taro@example.jp"}));
  EXPECT_EQ(Bytes(), "smtp.example.jp\r\nたろう\r\ntaro@example.jp\r\n");
  EXPECT_EQ(ReadSmtpSettingsLines(Path()), (Lines{"smtp.example.jp", "たろう", "taro@example.jp"}));
}

TEST_F(SmtpSettingsFileTest, OnlyCompleteLinesCount) {
  Write("host\r\nuser\r\naddr");
  EXPECT_EQ(ReadSmtpSettingsLines(Path()), (Lines{"host", "user"}));
  Write("host\n");
  EXPECT_EQ(ReadSmtpSettingsLines(Path()), (Lines{"host"}));
  Write("");
  EXPECT_EQ(ReadSmtpSettingsLines(Path()), Lines{});
}

TEST_F(SmtpSettingsFileTest, FailedWriteKeepsTheOldFile) {
  Write("old\r\nold\r\nold\r\n");
  platform::FaultInjection faults;
  faults.FailWritesFrom(1);
  faults.FailSync();
  EXPECT_FALSE(WriteSmtpSettingsFile(Path(), {"new", "new", "new"}));
  EXPECT_EQ(Bytes(), "old\r\nold\r\nold\r\n");
}

}  // namespace
