#include "browser/store/MailFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "browser/store/DrawerRewrite.h"
#include "platform/files/FaultInjection.h"
#include "tests/support/ForkedChild.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/StoreSandbox.h"

namespace {

class MailFileTest : public StoreSandboxTest {
 protected:
  void SetUp() override {
    StoreSandboxTest::SetUp();
    ListOwnDrawers(false, {"保存"});
  }
  DrawerFiles Drawer() { return DrawerOf(false, 4, "保存"); }
  void MakeFolder() { std::filesystem::create_directories(platform::NativePath(Drawer().folder)); }
  static MailEntry Entry(const std::string& header, const std::string& body) {
    MailEntry entry;
    entry.bodyStart = static_cast<uint32_t>(header.size());
    entry.bodyLength = static_cast<uint32_t>(body.size());
    entry.reserved = 65;
    entry.SetText(MailField::To, "to@example.jp");
    entry.SetText(MailField::Subject, "件名");
    entry.SetText(MailField::Id, "4535625330.0000001");
    return entry;
  }
  bool Append(const std::string& header, const std::string& body) {
    return AppendMail(Drawer(), Entry(header, body), header + body).Ok();
  }
  void ExpectFilesUnchanged(const std::string& list, const std::string& mail) {
    const std::string listNow = ReadBytes(Drawer().listPath);
    const std::string mailNow = ReadBytes(Drawer().mailPath);
    EXPECT_TRUE(listNow == list) << listNow.size() << " list bytes, were " << list.size();
    EXPECT_TRUE(mailNow == mail) << mailNow.size() << " mail bytes, were " << mail.size();
  }
};

TEST_F(MailFileTest, ReadingAMissingOrEmptyMailFileFails) {
  EXPECT_FALSE(ReadMailText(Drawer().mailPath, 0, 10).opened);
  WriteBytes(Drawer().mailPath, "");
  EXPECT_FALSE(ReadMailText(Drawer().mailPath, 0, 10).opened);
}

TEST_F(MailFileTest, ReadingGivesOnlyTheBytesThatExist) {
  WriteBytes(Drawer().mailPath, "0123456789");
  EXPECT_EQ(ReadMailText(Drawer().mailPath, 2, 3).bytes, "234");
  EXPECT_EQ(ReadMailText(Drawer().mailPath, 7, 100).bytes, "789");
  const MailText past = ReadMailText(Drawer().mailPath, 20, 5);
  EXPECT_TRUE(past.opened);
  EXPECT_EQ(past.bytes, "");
}

TEST_F(MailFileTest, FirstMailOfADrawerWithoutFilesStartsAtZeroAndTheNextAfterIt) {
  MakeFolder();
  ASSERT_TRUE(Append("H: 1\r\n\r\n", "body\r\n"));
  ASSERT_TRUE(Append("B\r\n\r\n", "second"));
  EXPECT_EQ(ReadBytes(Drawer().mailPath), "H: 1\r\n\r\nbody\r\nB\r\n\r\nsecond");
  const std::string list = ReadBytes(Drawer().listPath);
  const size_t second = list.size() / 2;
  EXPECT_EQ(list.substr(0, 4), "SsS1");
  EXPECT_EQ(GetLe32(list, 4), second - 12);
  EXPECT_EQ(GetLe32(list, 8), 0u);
  EXPECT_EQ(GetLe32(list, 12), 8u);
  EXPECT_EQ(GetLe32(list, 16), 6u);
  EXPECT_EQ(GetLe32(list, 20), 65u);
  EXPECT_EQ(list.substr(second - 4, 4), "EeE1");
  EXPECT_EQ(GetLe32(list, second + 8), 14u);
  EXPECT_EQ(GetLe32(list, second + 12), 19u);
}

TEST_F(MailFileTest, MailTextWithNulBytesIsWrittenWhole) {
  MakeFolder();
  const std::string body("a\0b\0c", 5);
  ASSERT_TRUE(Append("H\r\n\r\n", body));
  EXPECT_EQ(ReadBytes(Drawer().mailPath), "H\r\n\r\n" + body);
}

TEST_F(MailFileTest, MailThatWouldPassTheFormatsOffsetsIsRefusedAndNothingChanges) {
  MakeFolder();
  ASSERT_TRUE(Append("A\r\n\r\n", "first"));
  const std::string list = ReadBytes(Drawer().listPath);
  std::filesystem::resize_file(platform::NativePath(Drawer().mailPath), 0xFFFFFFF0u);
  const StoreResult full = AppendMail(Drawer(), Entry("B\r\n\r\n", std::string(16, 'x')), "B\r\n\r\n" + std::string(16, 'x'));
  EXPECT_EQ(full.failure, StoreFailure::MailFileFull);
  EXPECT_EQ(full.Message(), "メールファイルに書き込めません");
  EXPECT_EQ(std::filesystem::file_size(platform::NativePath(Drawer().mailPath)), 0xFFFFFFF0u);
  EXPECT_EQ(ReadBytes(Drawer().listPath), list);
  ASSERT_TRUE(Append("B\r\n\r\n", std::string(10, 'x')));  // ends exactly at the limit
}

TEST_F(MailFileTest, FailedWriteAtAnyStepLeavesBothFilesAsTheyWere) {
  MakeFolder();
  ASSERT_TRUE(Append("A\r\n\r\n", "first"));
  const std::string list = ReadBytes(Drawer().listPath);
  const std::string mail = ReadBytes(Drawer().mailPath);
  for (int failing = 1; failing <= 2; ++failing) {
    platform::FaultInjection faults;
    faults.FailWritesFrom(failing);
    EXPECT_FALSE(Append("B\r\n\r\n", std::string(5000, 'x'))) << failing;
  }
  ExpectFilesUnchanged(list, mail);
  EXPECT_TRUE(Append("C\r\n\r\n", "after"));
}

// A child process with a file size limit appends a mail bigger than the room
// left, as on a full disk.
TEST_F(MailFileTest, FullDiskDuringAnAppendLeavesBothFilesAsTheyWere) {
  MakeFolder();
  ASSERT_TRUE(Append("A\r\n\r\n", "first"));
  const std::string list = ReadBytes(Drawer().listPath);
  const std::string mail = ReadBytes(Drawer().mailPath);
  for (size_t room : {size_t{100}, size_t{60000}}) {
    const int appended = RunWithFileSizeLimit(mail.size() + room, [&] {
      return Append("B\r\n\r\n", std::string(65536, 'x')) ? 1 : 0;
    });
    EXPECT_EQ(appended, 0) << room;
    ExpectFilesUnchanged(list, mail);
  }
}

// The disk fills while the second of an import's pieces is written: the
// mails of the piece before stay, each whole, and nothing of the others.
TEST_F(MailFileTest, AFullDiskInAnImportsSecondPieceKeepsTheMailsBeforeIt) {
  MakeFolder();
  ASSERT_TRUE(Append("A\r\n\r\n", "first"));
  const std::string body(200000, 'x');
  const int outcome = RunWithFileSizeLimit(ReadBytes(Drawer().mailPath).size() + 300000, [&] {
    const StoreResult imported = AppendMails(Drawer(), [&](const AppendOne& append) {
      for (const char* header : {"B\r\n\r\n", "C\r\n\r\n", "D\r\n\r\n"}) {
        const StoreResult appended = append(Entry(header, body), header + body);
        if (!appended.Ok()) return appended;
      }
      return StoreResult{};
    });
    return imported.failure == StoreFailure::CannotWriteMail ? 0 : 1;
  });
  EXPECT_EQ(outcome, 0);
  const DrawerListing listing = ReadDrawer(Drawer());
  ASSERT_EQ(listing.entries.size(), 2u);
  EXPECT_TRUE(ReadBytes(Drawer().mailPath) == "A\r\n\r\nfirstB\r\n\r\n" + body);
}

TEST_F(MailFileTest, AppendReportsWhichFileCannotBeOpened) {
  EXPECT_EQ(AppendMail(Drawer(), Entry("A", "b"), "Ab").failure, StoreFailure::CannotOpenMailFile);
  MakeFolder();
  std::filesystem::create_directories(platform::NativePath(Drawer().listPath));
  EXPECT_EQ(AppendMail(Drawer(), Entry("A", "b"), "Ab").failure, StoreFailure::CannotOpenListFile);
}

}  // namespace
