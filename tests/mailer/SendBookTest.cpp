#include "mailer/SendBook.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "browser/store/ListFile.h"
#include "mailer/SentMail.h"
#include "platform/files/FaultInjection.h"
#include "platform/files/Files.h"
#include "tests/support/Sandbox.h"

namespace {

const std::string kDate = "Tue, 07 December 1999 17:01:02";
const std::string kId = "4535625330.1234567";

std::string U32(uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
          static_cast<char>(v >> 24)};
}

class SendBookTest : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    std::filesystem::create_directory(BookDir());
  }
  // Native paths: the literals are Shift-JIS in this program code.
  std::string BookDir() { return platform::NativePath(PPPath() + "\\送信フォルダ"); }
  std::string MailPath() { return platform::NativePath(PPPath() + "\\送信フォルダ\\送信メール.ppm"); }
  std::string ListPath() { return platform::NativePath(PPPath() + "\\送信フォルダ\\送信リスト.ppl"); }
  std::string PPPath() { return platform::ProgramPath(PostPetDir()); }
  std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  const char* File(const std::string& to, const std::string& name, const std::string& subject,
                   const std::string& body, const std::string& ppPath) {
    SentMail mail = SentMailText(to, name, subject, body);
    return FileIntoSendBook(ppPath, platform::ProgramPath(ExeDir()),
                            SentMailRecord(mail, to, name, subject, kDate, kId), mail.header + mail.body);
  }
  const char* File(const std::string& to, const std::string& name, const std::string& subject,
                   const std::string& body) {
    return File(to, name, subject, body, PPPath());
  }
  DrawerListing ReadBack() {
    std::unique_ptr<platform::Stream> mail = platform::OpenFile(platform::ProgramPath(MailPath()), "rb");
    return ReadListFile(Bytes(ListPath()), mail.get());
  }
};

TEST_F(SendBookTest, FirstMailLandsAtTheStartWithItsRecord) {
  ASSERT_EQ(File("x", "n", "y", "z\r\n\r\n"), nullptr);

  const std::string header = "X-Priority: 1\nTo: x\nFrom: n\nSubject: y\nCC: \n\n";
  EXPECT_EQ(Bytes(MailPath()), header + "z\r\n\r\n");
  const uint32_t recordSize = 1 + 1 + 1 + kDate.size() + 42;
  EXPECT_EQ(Bytes(ListPath()), "SsS1" + U32(recordSize) + U32(0) + U32(header.size()) + U32(5) +
                                   U32(0) + "n" + '\0' + "x" + '\0' + '\0' + "y" + '\0' + kDate +
                                   '\0' + '\x01' + '\x12' + kId + '\0' + "EeE1");
}

TEST_F(SendBookTest, TheStoresReaderListsWhatWasFiled) {
  ASSERT_EQ(File("花子 <hanako@example.jp>, b@c", "", "件名", "本文\r\n\r\n"), nullptr);
  ASSERT_EQ(File("second@example.jp", "太郎", "", "2\r\n\r\n"), nullptr);

  DrawerListing listing = ReadBack();
  ASSERT_EQ(listing.entries.size(), 2u);
  const MailEntry& first = *listing.entries[0];
  const MailEntry& second = *listing.entries[1];
  EXPECT_EQ(first.Text(MailField::To), "花子 <hanako@example.jp>, b@c");
  EXPECT_EQ(first.Text(MailField::Subject), "件名");
  EXPECT_EQ(first.Text(MailField::Id), kId);
  EXPECT_EQ(first.status, 1);
  EXPECT_EQ(first.reserved, 0u);
  EXPECT_EQ(second.Text(MailField::From), "太郎");
  EXPECT_EQ(second.Text(MailField::Date), kDate);
  EXPECT_EQ(second.mailStart, first.bodyStart + 8u);  // the first body: 本文 CR LF CR LF
  EXPECT_EQ(second.bodyLength, 5u);
  EXPECT_EQ(second.recordSize, 4u + 17 + 0 + kDate.size() + 42);
}

TEST_F(SendBookTest, FolderWithoutSendBookIsRefusedAndNotCreated) {
  std::filesystem::remove(BookDir());
  EXPECT_STREQ(File("x", "n", "y", "z"), "送信メールファイルが開けません");
  EXPECT_FALSE(std::filesystem::exists(BookDir()));
  EXPECT_STREQ(File("x", "n", "y", "z", ""), "送信メールファイルが開けません");
}

TEST_F(SendBookTest, ListFileThatCannotBeOpenedLeavesBothFilesAlone) {
  std::ofstream(MailPath(), std::ios::binary) << "old mail";
  std::filesystem::create_directory(ListPath());  // nothing can open it for appending
  EXPECT_STREQ(File("x", "n", "y", "z"), "送信リストファイルが開けません");
  EXPECT_EQ(Bytes(MailPath()), "old mail");
}

TEST_F(SendBookTest, FailedWriteCutsBothFilesBack) {
  ASSERT_EQ(File("x", "n", "y", "first\r\n\r\n"), nullptr);
  const std::string mailBefore = Bytes(MailPath()), listBefore = Bytes(ListPath());
  // Fail the first write, then the second, ... until the filing goes through.
  int failures = 0;
  for (int n = 1;; ++n) {
    platform::FaultInjection faults;
    faults.FailWritesFrom(n);
    const char* message = File("x", "n", "y", std::string(100000, 'b'));
    if (!message) break;
    ++failures;
    EXPECT_STREQ(message, "送信メールファイルに書き込めません");
    // Compared as booleans: a failure would print 100000 bytes.
    EXPECT_TRUE(Bytes(MailPath()) == mailBefore) << "write " << n;
    EXPECT_TRUE(Bytes(ListPath()) == listBefore) << "write " << n;
  }
  EXPECT_GE(failures, 2);
}

// A sync that fails (the journal's, then either file's) files nothing, also
// once the next filing has run the recovery: that one is the only record.
TEST_F(SendBookTest, FilingWhoseSyncFailsLeavesNothingForTheRecoveryToKeep) {
  int n = 1;
  for (;; ++n) {
    std::ofstream(MailPath(), std::ios::binary).close();
    std::ofstream(ListPath(), std::ios::binary).close();
    platform::FaultInjection faults;
    faults.FailSyncAt(n);
    if (!File("x", "n", "y", "failed")) break;
    faults.FailSyncAt(1000);
    ASSERT_EQ(File("x", "n", "y", "again"), nullptr) << "sync " << n;
    EXPECT_EQ(ReadBack().entries.size(), 1u) << "sync " << n;
  }
  EXPECT_GT(n, 3);
}

TEST_F(SendBookTest, MailFileAtTheFormatsOffsetLimitIsRefusedUntouched) {
  std::ofstream(MailPath(), std::ios::binary).close();
  const uintmax_t nearLimit = 0xFFFFFFFFu - 4;  // sparse: no disk space is taken
  std::filesystem::resize_file(MailPath(), nearLimit);
  EXPECT_STREQ(File("x", "n", "y", "z\r\n\r\n"), "送信メールファイルに書き込めません");
  EXPECT_EQ(std::filesystem::file_size(MailPath()), nearLimit);
  EXPECT_EQ(std::filesystem::file_size(ListPath()), 0u);
}

}  // namespace
