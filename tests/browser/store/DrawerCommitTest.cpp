// A drawer's two files kept whole across failed renames, failed cut-backs and
// kills: after each, once recovered, the drawer reads back as its old or its
// new pair, and nothing that a kill left joins a later mail.

#include "browser/store/DrawerCommit.h"

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <random>

#include "platform/files/FaultInjection.h"
#include "tests/browser/store/NumberedDrawerTest.h"

namespace {

int64_t MonotonicMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000 + now.tv_nsec / 1000;
}

class DrawerCommitTest : public NumberedDrawerTest {
 protected:
  StoreResult RewriteWithoutFirst() {
    const DrawerListing listing = ReadDrawer(Drawer());
    const std::vector<const MailEntry*> keep(listing.entries.begin() + 1, listing.entries.end());
    return RewriteDrawer(Drawer(), listing, keep);
  }
  // A scratch file or marker of a rewrite, or an append not cut back yet.
  bool ScratchLeft() const {
    const ScratchFiles scratch = ScratchFilesOf(Drawer());
    for (const std::string& path : {scratch.listPath, scratch.mailPath, scratch.markerPath})
      if (PathExists(path)) return true;
    return AppendPending(Drawer());
  }
};

// Renames 1 and 2 are the commit's own; a failure of either comes after the
// marker, so the replacement stands and the next recovery finishes it.
TEST_F(DrawerCommitTest, AFailedRenameAfterTheMarkerLeavesTheNewPairForRecovery) {
  Numbered(6);
  for (int failing = 1; failing <= 2; ++failing) {
    {
      platform::FaultInjection faults;
      faults.FailRename(failing);
      EXPECT_EQ(RewriteWithoutFirst().message, kCannotWriteMail) << failing;
    }
    EXPECT_TRUE(PathExists(ScratchFilesOf(Drawer()).markerPath)) << failing;
    EXPECT_EQ(MailNumbers(), Range(failing, 6)) << failing;
    EXPECT_FALSE(ScratchLeft()) << failing;
  }
}

// While a committed replacement cannot be finished the drawer is neither
// listed from its mismatched pair nor appended to.
TEST_F(DrawerCommitTest, ARecoveryWhoseRenameFailsIsFinishedByTheNextOne) {
  Numbered(4);
  {
    platform::FaultInjection faults;
    faults.FailRename(2);
    ASSERT_EQ(RewriteWithoutFirst().message, kCannotWriteMail);  // the list file's rename
    faults.FailRename(1);
    EXPECT_FALSE(AppendNumbered(9));
    faults.FailRename(1);
    const DrawerListing listing = ReadDrawer(Drawer());
    EXPECT_STREQ(listing.message, kCannotOpenListFile);
    EXPECT_TRUE(listing.entries.empty());
  }
  EXPECT_EQ(MailNumbers(), Range(1, 4));
  EXPECT_FALSE(ScratchLeft());
}

// The nth write of an append fails (its note, its text, its record), and so
// does cutting back. A failed note leaves nothing to cut; otherwise the
// drawer takes no appends until a recovery can cut it back, and then holds
// exactly the mails before.
TEST_F(DrawerCommitTest, AnAppendThatCannotBeCutBackStopsAppendsUntilRecovered) {
  for (int failing = 1; failing <= 3; ++failing) {
    Numbered(3);
    const bool cutBackLeft = failing > 1;
    {
      platform::FaultInjection faults;
      faults.FailWritesFrom(failing);
      faults.FailTruncate();
      EXPECT_FALSE(AppendNumbered(10)) << failing;
      faults.FailWritesFrom(0);
      EXPECT_EQ(AppendNumbered(20), !cutBackLeft) << failing;
    }
    EXPECT_EQ(ListedNumbers(Drawer()), cutBackLeft ? Range(0, 3) : (std::vector<int>{0, 1, 2, 20}))
        << failing;
    EXPECT_FALSE(ScratchLeft()) << failing;
    ASSERT_TRUE(AppendNumbered(30)) << failing;
  }
}

// The states a kill can leave after the note: text without its record, a
// record cut short, and a whole append whose note was not yet removed.
TEST_F(DrawerCommitTest, ANotedAppendIsCutBackUnlessItsRecordCameOutWhole) {
  struct Case {
    const char* killed;
    size_t textBytes;    // of the fourth mail's text written
    size_t recordBytes;  // of its record written
    std::vector<int> after;
  };
  DrawerBuilder four;
  for (int n = 0; n < 4; ++n) four.AddNumberedMail(n);
  const std::string fourthRecord = EncodeRecord(four.Records()[3]);
  const size_t fourthText = four.MailBytes().size() - four.Records()[3].mailStart;
  const Case cases[] = {
      {"text written", fourthText, 0, {0, 1, 2, 4}},
      {"record cut short", fourthText, fourthRecord.size() - 10, {0, 1, 2, 4}},
      {"note left", fourthText, fourthRecord.size(), {0, 1, 2, 3, 4}},
  };
  for (const Case& c : cases) {
    const DrawerBuilder three = Numbered(3);
    ASSERT_TRUE(AppendNote(Drawer()).Begin(three.MailBytes().size(), three.ListBytes().size()));
    WriteBytes(Drawer().mailPath, three.MailBytes() + four.MailBytes().substr(four.Records()[3].mailStart, c.textBytes));
    WriteBytes(Drawer().listPath, three.ListBytes() + fourthRecord.substr(0, c.recordBytes));
    ASSERT_TRUE(AppendNumbered(4)) << c.killed;
    EXPECT_EQ(ListedNumbers(Drawer()), c.after) << c.killed;
    EXPECT_FALSE(ScratchLeft()) << c.killed;
  }
}

// A child appends mails one after another and is killed at a random moment
// of its run; the mail appended next must not make the reader stretch an
// earlier mail over what the kill left.
TEST_F(DrawerCommitTest, AKilledAppendingChildLeavesNothingTheNextMailJoins) {
  Numbered(2, 100000);
  const auto appendFrom = [this](int first) {
    const pid_t child = fork();
    if (child == 0) {
      for (int n = first; n < first + 40; ++n)
        if (!AppendNumbered(n)) _exit(1);
      _exit(0);
    }
    return child;
  };
  const int64_t started = MonotonicMicroseconds();
  const pid_t whole = appendFrom(2);
  ASSERT_EQ(waitpid(whole, nullptr, 0), whole);
  const int64_t run = MonotonicMicroseconds() - started;
  std::vector<int> expected = Range(0, 42);
  std::mt19937 random(11);
  for (int round = 0; round < 30; ++round) {
    const int first = 100 * (round + 1);
    const pid_t child = appendFrom(first);
    usleep(std::uniform_int_distribution<int>(0, static_cast<int>(run))(random));
    kill(child, SIGKILL);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    ASSERT_TRUE(AppendNumbered(first + 99));
    const std::vector<int> listed = ListedNumbers(Drawer());
    ASSERT_GE(listed.size(), expected.size() + 1) << round;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), listed.begin())) << round;
    for (size_t i = expected.size(); i + 1 < listed.size(); ++i)
      EXPECT_EQ(listed[i], first + static_cast<int>(i - expected.size())) << round;
    EXPECT_EQ(listed.back(), first + 99) << round;
    expected = listed;
    EXPECT_FALSE(ScratchLeft()) << round;
  }
}

}  // namespace
