// Backing a book's PostPet files up into an R or S folder of the PostPet folder.

#include "browser/store/BookBackup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <thread>

#include "platform/files/Files.h"
#include "tests/support/NoAccessOverride.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/Sandbox.h"

namespace {

// Whether a process waits for an flock on the folder: a "->" line of /proc/locks names its inode.
bool SomeoneWaitsToLock(const std::string& nativeFolder) {
  struct stat folder {};
  stat(nativeFolder.c_str(), &folder);
  const std::string number = std::to_string(folder.st_ino);
  std::ifstream locks("/proc/locks");
  for (std::string line; std::getline(locks, line);)
    if (line.find("->") != std::string::npos && line.find(":" + number + " ") != std::string::npos) return true;
  return false;
}

class BookBackupTest : public SandboxTest {
 protected:
  std::string PostPet() const { return platform::ProgramPath(PostPetDir()); }
  std::string Source(const std::string& name) const { return PostPet() + "\\受信フォルダ\\" + name; }
  std::string Copy(const std::string& name) const { return PostPet() + "\\R1207173005\\" + name; }
  void WriteSources(const std::vector<std::string>& names) const {
    for (const std::string& name : names) WriteBytes(Source(name), "bytes of " + name);
  }
  StoreResult Backup() const { return BackupBook(PostPet(), true, "1207173005"); }
};

TEST_F(BookBackupTest, PostPetsFilesAreCopiedWholeAndMissingOrOwnFilesLeftOut) {
  const std::vector<std::string> copied = {"受信メール.ppm", "受信リスト.ppl", "茶色の引出し.ppm"};
  WriteSources(copied);
  WriteSources({"ひみつ日記.ppm"});
  ASSERT_TRUE(Backup().Ok());
  for (const std::string& name : copied) EXPECT_EQ(ReadBytes(Copy(name)), ReadBytes(Source(name))) << name;
  EXPECT_FALSE(PathExists(Copy("ひみつ日記.ppm")));
  EXPECT_FALSE(PathExists(Copy("黄色の引出し.ppm")));
}

TEST_F(BookBackupTest, ASecondBackupInTheSameSecondFailsAndLeavesTheFirst) {
  WriteSources({"受信メール.ppm"});
  ASSERT_TRUE(Backup().Ok());
  WriteBytes(Source("受信メール.ppm"), "changed since");
  EXPECT_EQ(Backup().failure, StoreFailure::BackupFailed);
  EXPECT_EQ(ReadBytes(Copy("受信メール.ppm")), "bytes of 受信メール.ppm");
  EXPECT_TRUE(BackupBook(PostPet(), false, "1207173005").Ok());  // the send book's S folder
}

// A pair is copied under the book folder's lock: an append that holds the
// lock is copied whole, once it has ended, never half done.
TEST_F(BookBackupTest, APairIsCopiedOnceAnAppendHoldingTheLockHasEnded) {
  WriteSources({"受信メール.ppm"});
  auto appending = std::make_unique<platform::FileLock>(PostPet() + "\\受信フォルダ");
  StoreResult result;
  std::thread backup([&] { result = Backup(); });
  const std::string folder = platform::NativePath(PostPet() + "\\受信フォルダ");
  for (int wait = 0; wait < 5000 && !SomeoneWaitsToLock(folder); ++wait) usleep(1000);
  WriteBytes(Source("受信メール.ppm"), "mail and its append");
  appending.reset();
  backup.join();
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(ReadBytes(Copy("受信メール.ppm")), "mail and its append");
}

TEST_F(BookBackupTest, AnUnreadableFileIsReportedAfterTheOthersAreCopied) {
  WriteSources({"受信リスト.ppl", "茶色の引出しリスト.ppl"});
  ASSERT_EQ(chmod(platform::NativePath(Source("受信リスト.ppl")).c_str(), 0), 0);
  NoAccessOverride noOverride;
  EXPECT_EQ(Backup().failure, StoreFailure::BackupFailed);
  EXPECT_FALSE(PathExists(Copy("受信リスト.ppl")));
  EXPECT_TRUE(PathExists(Copy("茶色の引出しリスト.ppl")));
}

}  // namespace
