// Backing a book's PostPet files up into an R or S folder of the PostPet folder.

#include "browser/store/BookBackup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "platform/files/Files.h"
#include "tests/support/NoAccessOverride.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/Sandbox.h"

namespace {

constexpr const char* kStamp = "1207173005";

class BookBackupTest : public SandboxTest {
 protected:
  std::string PostPet() const { return platform::ProgramPath(PostPetDir()); }
  std::string BookFile(bool receive, const std::string& name) const {
    return PostPet() + (receive ? "\\受信フォルダ\\" : "\\送信フォルダ\\") + name;
  }
  // Writes each named file of the book with bytes of its own name.
  void WriteBookFiles(bool receive, const std::vector<std::string>& names) const {
    for (const std::string& name : names) WriteBytes(BookFile(receive, name), "bytes of " + name);
  }
  std::set<std::string> BackedUp(const std::string& folder) const {
    std::set<std::string> names;
    for (const auto& file : std::filesystem::directory_iterator(PostPetDir() + "/" + folder))
      names.insert(platform::ProgramPath(file.path().filename().string()));
    return names;
  }
  std::string BackupFile(const std::string& folder, const std::string& name) const {
    return PostPet() + "\\" + folder + "\\" + name;
  }
};

// Every PostPet file of each book, in the order the backup copies them.
const std::vector<std::string> kReceiveFiles = {
    "受信メール.ppm", "受信リスト.ppl", "黄色の引出し.ppm", "黄色の引出しリスト.ppl",
    "紫の引出し.ppm", "紫の引出しリスト.ppl", "ピンクの引出し.ppm", "ピンクの引出しリスト.ppl",
    "緑色の引出し.ppm", "緑色の引出しリスト.ppl", "黒の引出し.ppm", "黒の引出しリスト.ppl",
    "赤の引出し.ppm", "赤の引出しリスト.ppl", "橙色の引出し.ppm", "橙色の引出しリスト.ppl",
    "水色の引出し.ppm", "水色の引出しリスト.ppl", "茶色の引出し.ppm", "茶色の引出しリスト.ppl"};
const std::vector<std::string> kSendFiles = {
    "送信メール.ppm", "送信リスト.ppl", "黄色の引出し.ppm", "黄色の引出しリスト.ppl",
    "紫の引出し.ppm", "紫の引出しリスト.ppl", "ピンクの引出し.ppm", "ピンクの引出しリスト.ppl"};

TEST_F(BookBackupTest, EachBooksFilesAreCopiedByteForByteIntoItsLetterFolder) {
  for (bool receive : {true, false}) {
    const std::vector<std::string>& files = receive ? kReceiveFiles : kSendFiles;
    WriteBookFiles(receive, files);
    // Files that are not PostPet's own stay out of the backup.
    WriteBookFiles(receive, {"ひみつ日記.ppm", "ひみつ日記リスト.ppl"});
    ASSERT_TRUE(BackupBook(PostPet(), receive, kStamp).Ok());
    const std::string folder = std::string(receive ? "R" : "S") + kStamp;
    EXPECT_EQ(BackupFolderOf(PostPet(), receive, kStamp), PostPet() + "\\" + folder);
    EXPECT_EQ(BackedUp(folder), std::set<std::string>(files.begin(), files.end()));
    for (const std::string& name : files)
      EXPECT_EQ(ReadBytes(BackupFile(folder, name)), ReadBytes(BookFile(receive, name))) << name;
  }
}

TEST_F(BookBackupTest, ABookWithoutColouredDrawerFilesBacksUpItsOwnPair) {
  WriteBookFiles(true, {"受信メール.ppm", "受信リスト.ppl", "黒の引出し.ppm"});
  ASSERT_TRUE(BackupBook(PostPet(), true, kStamp).Ok());
  EXPECT_EQ(BackedUp(std::string("R") + kStamp),
            (std::set<std::string>{"受信メール.ppm", "受信リスト.ppl", "黒の引出し.ppm"}));
}

TEST_F(BookBackupTest, ASecondBackupInTheSameSecondFailsAndLeavesTheFirst) {
  WriteBookFiles(true, {"受信メール.ppm", "受信リスト.ppl"});
  ASSERT_TRUE(BackupBook(PostPet(), true, kStamp).Ok());
  WriteBytes(BookFile(true, "受信メール.ppm"), "changed since");
  EXPECT_EQ(BackupBook(PostPet(), true, kStamp).message, kBackupFailed);
  EXPECT_EQ(ReadBytes(BackupFile(std::string("R") + kStamp, "受信メール.ppm")), "bytes of 受信メール.ppm");
  // The other book's folder of the same second is its own.
  EXPECT_TRUE(BackupBook(PostPet(), false, kStamp).Ok());
}

TEST_F(BookBackupTest, AnUnreadableFileIsReportedOnceAfterTheOthersAreCopied) {
  WriteBookFiles(true, {"受信メール.ppm", "受信リスト.ppl", "茶色の引出し.ppm"});
  ASSERT_EQ(chmod(platform::NativePath(BookFile(true, "受信リスト.ppl")).c_str(), 0), 0);
  NoAccessOverride noOverride;
  EXPECT_EQ(BackupBook(PostPet(), true, kStamp).message, kBackupFailed);
  EXPECT_EQ(BackedUp(std::string("R") + kStamp),
            (std::set<std::string>{"受信メール.ppm", "茶色の引出し.ppm"}));
}

TEST_F(BookBackupTest, NoFolderIsMadeWithoutAPostPetFolderThatExists) {
  EXPECT_EQ(BackupBook(PostPet() + "\\missing", true, kStamp).message, kBackupFailed);
  EXPECT_EQ(BackupBook("", true, kStamp).message, kBackupFailed);
  EXPECT_FALSE(platform::DirectoryExists(PostPet() + "\\missing"));
}

}  // namespace
