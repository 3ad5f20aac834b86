#include "browser/store/DrawerRewrite.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <random>

#include "browser/store/MailFile.h"
#include "browser/store/NewPair.h"
#include "platform/files/FaultInjection.h"
#include "tests/browser/store/NumberedDrawerTest.h"
#include "tests/support/ForkedChild.h"

namespace {

class DrawerRewriteTest : public NumberedDrawerTest {
 protected:
  // Rewrites the drawer as loaded, leaving out the given rows.
  StoreResult RewriteWithout(const DrawerListing& listing, std::vector<size_t> leftOut) {
    std::vector<const MailEntry*> keep;
    for (size_t i = 0; i < listing.entries.size(); ++i)
      if (std::find(leftOut.begin(), leftOut.end(), i) == leftOut.end()) keep.push_back(listing.entries[i]);
    return RewriteDrawer(Drawer(), listing, keep);
  }
  StoreResult LoadAndRewriteWithout(std::vector<size_t> leftOut) {
    return RewriteWithout(ReadDrawer(Drawer()), std::move(leftOut));
  }
  // A rewrite that committed but could not rename its new pair into place.
  bool Committed() const {
    return ReadBytes(Drawer().listPath + std::string(kJournalSuffix)).find("\nreplace s ") != std::string::npos;
  }
};

TEST_F(DrawerRewriteTest, LeavingOutTheMiddleMailMovesTheLastOneUp) {
  const DrawerBuilder builder = Numbered(3);
  ASSERT_TRUE(LoadAndRewriteWithout({1}).Ok());
  EXPECT_EQ(MailNumbers(), (std::vector<int>{0, 2}));
  const std::string list = ReadBytes(Drawer().listPath);
  const uint32_t firstLength = builder.Records()[1].mailStart;
  const size_t second = EncodeRecord(builder.Records()[0]).size();
  EXPECT_EQ(GetLe32(list, 8), 0u);
  EXPECT_EQ(GetLe32(list, second + 8), firstLength);
  EXPECT_EQ(GetLe32(list, second + 12), firstLength + NumberedHeader(2).size());
  EXPECT_EQ(FilesInFolder(), 2u);
}

TEST_F(DrawerRewriteTest, RewriteInAnotherOrderKeepsEveryMailWithItsText) {
  Numbered(400, 5000);
  const DrawerListing listing = ReadDrawer(Drawer());
  std::vector<const MailEntry*> order(listing.entries.rbegin(), listing.entries.rend());
  std::swap(order[10], order[300]);
  ASSERT_TRUE(RewriteDrawer(Drawer(), listing, order).Ok());
  std::vector<int> expected = Range(0, 400);
  std::reverse(expected.begin(), expected.end());
  std::swap(expected[10], expected[300]);
  EXPECT_EQ(MailNumbers(), expected);
}

TEST_F(DrawerRewriteTest, UnchangedDrawerIsWrittenBackByteForByteWithOverLongFields) {
  DrawerBuilder builder;
  RecordFields fields;
  fields.from = std::string(300, 'f');
  fields.to = std::string(5000, 't');
  fields.cc = std::string(4200, 'c');
  fields.subject = std::string(700, 's');
  fields.date = std::string(200, 'd');
  fields.id = std::string(200, 'i');
  fields.attachNames.assign(140, std::string(600, 'n'));
  builder.AddMail("H: 1\r\n\r\n", "body one\r\n", fields);
  builder.AddMail("H: 2\r\n\r\n", "body two\r\n", fields);
  builder.Write(Drawer().listPath, Drawer().mailPath);
  ASSERT_TRUE(LoadAndRewriteWithout({}).Ok());
  ExpectUntouched(builder);
}

TEST_F(DrawerRewriteTest, SenderTakenFromReplyToIsWrittenIntoTheRecord) {
  DrawerBuilder builder;
  builder.AddMail("Reply-To: r@example.jp\r\nDate: d\r\n\r\n", "body", {});
  builder.Write(Drawer().listPath, Drawer().mailPath);
  ASSERT_TRUE(LoadAndRewriteWithout({}).Ok());
  RecordFields expected = builder.Records()[0];
  expected.from = "r@example.jp";
  expected.date = "d";
  EXPECT_EQ(ReadBytes(Drawer().listPath), EncodeRecord(expected));
}

TEST_F(DrawerRewriteTest, MailsAppendedSinceLoadingAreKept) {
  Numbered(3);
  const DrawerListing listing = ReadDrawer(Drawer());
  ASSERT_TRUE(AppendNumbered(3));
  ASSERT_TRUE(RewriteWithout(listing, {0}).Ok());
  EXPECT_EQ(MailNumbers(), (std::vector<int>{1, 2, 3}));
}

TEST_F(DrawerRewriteTest, RecordsPastTheRowLimitAreKept) {
  Numbered(10013, 8);
  ASSERT_TRUE(LoadAndRewriteWithout({0, 10009}).Ok());
  std::vector<int> expected = Range(1, 10013);
  expected.erase(expected.begin() + 10008);
  EXPECT_EQ(MailNumbers(), expected);
}

TEST_F(DrawerRewriteTest, DrawerChangedByAnotherProgramIsNotWritten) {
  Numbered(3);
  const DrawerListing listing = ReadDrawer(Drawer());
  const DrawerBuilder other = Numbered(2);  // another program wrote it anew
  EXPECT_EQ(RewriteWithout(listing, {0}).failure, StoreFailure::DrawerChanged);
  ExpectUntouched(other);
}

// The reader lists the whole records before a record cut short; the rewrite
// carries the same, so such a drawer never blocks deletes and moves.
TEST_F(DrawerRewriteTest, RecordCutShortAtTheEndIsNeitherListedNorCarried) {
  const DrawerBuilder builder = Numbered(3);
  const std::string cut = builder.ListBytes() + EncodeRecord(builder.Records()[0]).substr(0, 30);
  for (bool cutBeforeLoading : {true, false}) {
    WriteBytes(Drawer().listPath, cutBeforeLoading ? cut : builder.ListBytes());
    const DrawerListing listing = ReadDrawer(Drawer());
    WriteBytes(Drawer().listPath, cut);
    ASSERT_TRUE(RewriteWithout(listing, {0}).Ok()) << cutBeforeLoading;
    EXPECT_EQ(MailNumbers(), (std::vector<int>{1, 2})) << cutBeforeLoading;
    Numbered(3);
  }
}

TEST_F(DrawerRewriteTest, MailThatCannotBeReadBackStopsTheRewrite) {
  for (bool pastTheEnd : {true, false}) {
    DrawerBuilder builder;
    builder.AddNumberedMail(0);
    RecordFields& bad = builder.AddNumberedMail(1);
    if (pastTheEnd) bad.mailStart = bad.bodyStart = 100000;
    else bad.bodyStart = bad.mailStart - 1;  // body before its header
    builder.Write(Drawer().listPath, Drawer().mailPath);
    EXPECT_EQ(LoadAndRewriteWithout({0}).failure, StoreFailure::CannotOpenMailFile) << pastTheEnd;
    ExpectUntouched(builder);
  }
}

// Offsets damaged at random: the rewrite either refuses and leaves the drawer
// as it was, or writes records that all lie inside the new mail file.
TEST_F(DrawerRewriteTest, DamagedOffsetsNeverGiveRecordsOutsideTheMailFile) {
  std::mt19937 random(5);
  for (int round = 0; round < 40; ++round) {
    DrawerBuilder builder;
    for (int i = 0; i < 6; ++i) {
      RecordFields& record = builder.AddNumberedMail(i, 32);
      uint32_t* offsets[] = {&record.mailStart, &record.bodyStart, &record.bodyLength};
      if (random() % 3 == 0) *offsets[random() % 3] = random() % 2 ? random() : random() % 1200;
    }
    builder.Write(Drawer().listPath, Drawer().mailPath);
    if (!LoadAndRewriteWithout({static_cast<size_t>(random() % 6)}).Ok()) {
      ExpectUntouched(builder);
      continue;
    }
    const uint64_t mailLength = ReadBytes(Drawer().mailPath).size();
    const std::string list = ReadBytes(Drawer().listPath);
    const std::optional<std::vector<MailEntry>> records = ReadRecordsToEnd(list, 0);
    ASSERT_TRUE(records) << round;
    for (const MailEntry& record : *records) {
      EXPECT_LE(record.mailStart, record.bodyStart) << round;
      EXPECT_LE(uint64_t{record.bodyStart} + record.bodyLength, mailLength) << round;
    }
  }
}

TEST_F(DrawerRewriteTest, MailRunningPastTheFilesEndKeepsTheBytesThatExist) {
  DrawerBuilder builder;
  builder.AddNumberedMail(0);
  builder.AddNumberedMail(1).bodyLength = 5000;
  builder.Write(Drawer().listPath, Drawer().mailPath);
  ASSERT_TRUE(LoadAndRewriteWithout({0}).Ok());
  EXPECT_EQ(MailNumbers(), (std::vector<int>{1}));
  EXPECT_EQ(GetLe32(ReadBytes(Drawer().listPath), 16), 64u);
}

TEST_F(DrawerRewriteTest, DrawerWithoutMailsIsLeftWithEmptyFiles) {
  std::filesystem::create_directories(platform::NativePath(Drawer().folder));
  ASSERT_TRUE(LoadAndRewriteWithout({}).Ok());  // no files yet
  EXPECT_TRUE(PathExists(Drawer().listPath) && PathExists(Drawer().mailPath));
  Numbered(2);
  ASSERT_TRUE(LoadAndRewriteWithout({0, 1}).Ok());
  EXPECT_EQ(ReadBytes(Drawer().listPath), "");
  EXPECT_EQ(ReadBytes(Drawer().mailPath), "");
}

TEST_F(DrawerRewriteTest, ScratchFileThatCannotBeMadeLeavesTheDrawerAlone) {
  const DrawerBuilder builder = Numbered(2);
  std::filesystem::create_directory(platform::NativePath(NewPairOf(Drawer()).mailPath));
  const StoreResult result = LoadAndRewriteWithout({0});
  EXPECT_EQ(result.failure, StoreFailure::CannotCreateScratch);
  EXPECT_EQ(result.Message(), "テンポラリファイル作成失敗");
  EXPECT_TRUE(ReadBytes(Drawer().listPath) == builder.ListBytes());
  EXPECT_TRUE(ReadBytes(Drawer().mailPath) == builder.MailBytes());
}

// Fails the first write (the journal's), then the second, and so on; every
// failing one, and a failing sync, must leave the drawer as it was.
TEST_F(DrawerRewriteTest, FailedWriteOrSyncLeavesTheDrawerAlone) {
  const DrawerBuilder builder = Numbered(500, 5000);
  {
    platform::FaultInjection faults;
    faults.FailSync();
    EXPECT_EQ(LoadAndRewriteWithout({1}).failure, StoreFailure::CannotCreateScratch);
  }
  ExpectUntouched(builder);
  int failing = 1;
  for (; failing < 20; ++failing) {
    const DrawerListing listing = ReadDrawer(Drawer());
    platform::FaultInjection faults;
    faults.FailWritesFrom(failing);
    const StoreResult result = RewriteWithout(listing, {1});
    if (result.Ok()) break;
    EXPECT_EQ(result.failure, failing == 1 ? StoreFailure::CannotCreateScratch : StoreFailure::CannotWriteMail)
        << failing;
    ExpectUntouched(builder);
  }
  EXPECT_GT(failing, 4);
}

// One mail is far bigger than the room the child has to copy it through.
TEST_F(DrawerRewriteTest, RunningOutOfMemoryLeavesTheDrawerAlone) {
  const DrawerBuilder builder = Numbered(2, 40 << 20);
  const DrawerListing listing = ReadDrawer(Drawer());
  const int outcome = RunWithMemoryHeadroom(4 << 20, [&] {
    const StoreResult result = RewriteWithout(listing, {0});
    return result.failure == StoreFailure::OutOfMemory && result.Message() == "メモリが不足しました" ? 0 : 1;
  });
  EXPECT_EQ(outcome, 0);
  ExpectUntouched(builder);
}

// Only the program's own folders are ours to clear: in PostPet's, a file of
// that name may be anyone's.
TEST_F(DrawerRewriteTest, AScratchPairNoJournalNamesIsRemovedBeforeTheDrawerIsRead) {
  for (const DrawerFiles& drawer : {Drawer(10, "仕事"), Drawer()}) {
    Numbered(drawer, 0, 3);
    const DrawerFiles scratch = NewPairOf(drawer);
    WriteBytes(scratch.listPath, "half");
    WriteBytes(scratch.mailPath, "half");
    EXPECT_EQ(MailNumbers(drawer), Range(0, 3));
    EXPECT_EQ(PathExists(scratch.listPath) && PathExists(scratch.mailPath), !drawer.ownFolder) << drawer.folder;
  }
}

// Every other child is killed as soon as its journal shows the commit, the
// rest at a random moment; a kill after the commit must always leave the new
// drawer.
TEST_F(DrawerRewriteTest, KillAtAnyMomentLeavesTheOldOrTheNewDrawer) {
  Numbered(3000, 4000);
  std::vector<int> current = Range(0, 3000);
  std::mt19937 random(7);
  int killedBefore = 0, killedAfter = 0;
  for (int round = 0; round < 12; ++round) {
    const bool atTheMarker = round % 2 == 1;
    const pid_t child = fork();
    if (child == 0) _exit(LoadAndRewriteWithout({0}).Ok() ? 0 : 1);
    int status = 0;
    bool reaped = false;
    if (atTheMarker) {
      while (!Committed() && !(reaped = waitpid(child, &status, WNOHANG) == child)) {
      }
    } else {
      usleep(std::uniform_int_distribution<int>(0, 100000)(random));
    }
    if (!reaped) {
      kill(child, SIGKILL);
      ASSERT_EQ(waitpid(child, &status, 0), child);
    }
    const std::vector<int> numbers = MailNumbers();
    const std::vector<int> withoutFirst(current.begin() + 1, current.end());
    ASSERT_TRUE(numbers == current || numbers == withoutFirst) << "round " << round;
    if (atTheMarker && WIFSIGNALED(status)) {
      EXPECT_EQ(numbers, withoutFirst) << "round " << round;
      ++killedAfter;
    }
    if (!atTheMarker && WIFSIGNALED(status) && numbers == current) ++killedBefore;
    current = numbers;
    EXPECT_EQ(FilesInFolder(), 2u);
  }
  EXPECT_GT(killedBefore, 0);
  EXPECT_GT(killedAfter, 0);
}

TEST_F(DrawerRewriteTest, RewriteRacingAnAppendFromAnotherProcessLosesNothing) {
  Numbered(200);
  const pid_t child = fork();
  if (child == 0) {
    for (int n = 1000; n < 1060; ++n)
      if (!AppendNumbered(n)) _exit(1);
    _exit(0);
  }
  // Appends never change the part a rewrite loaded, so every rewrite gets through.
  int deleted = 0;
  for (int round = 0; round < 40; ++round) {
    const StoreResult result = LoadAndRewriteWithout({0});
    EXPECT_TRUE(result.Ok()) << round;
    deleted += result.Ok();
  }
  EXPECT_EQ(deleted, 40);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::vector<int> expected = Range(deleted, 200);
  for (int n = 1000; n < 1060; ++n) expected.push_back(n);
  std::vector<int> numbers = MailNumbers();
  std::sort(numbers.begin(), numbers.end());
  EXPECT_EQ(numbers, expected);
}

}  // namespace
