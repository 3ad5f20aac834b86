// The journal of a distribution: the recovery after a kill writes the drawer
// anew without exactly the mails it notes, and a journal that is stale or
// damaged goes without changing anything.

#include "browser/store/SortJournal.h"

#include <unistd.h>
#include <sys/wait.h>

#include <algorithm>

#include "browser/store/DrawerCommit.h"
#include "platform/files/FaultInjection.h"
#include "tests/browser/store/NumberedDrawerTest.h"

namespace {

class SortJournalTest : public NumberedDrawerTest {
 protected:
  std::string JournalPath() const { return ScratchFilesOf(Drawer()).sortJournalPath; }
  // What a run killed after noting these records leaves.
  void KilledRunNoting(const std::vector<size_t>& records) {
    SortJournal journal(Drawer());
    ASSERT_TRUE(journal.Begin(ReadBytes(Drawer().listPath)));
    for (size_t record : records) ASSERT_TRUE(journal.Note(record));
  }
  static std::vector<int> Without(std::vector<int> numbers, const std::vector<int>& left) {
    for (int n : left) numbers.erase(std::find(numbers.begin(), numbers.end(), n));
    return numbers;
  }
};

TEST_F(SortJournalTest, AMatchingJournalTakesOutExactlyTheNotedMails) {
  struct Case {
    std::vector<size_t> noted;
    std::string tail;  // what a kill left of the next line
    std::vector<int> left;
  };
  const Case cases[] = {
      {{}, "", {}},
      {{1, 4}, "", {1, 4}},
      {{5, 0, 5}, "", {0, 5}},
      {{2}, "000000000", {2}},
  };
  for (const Case& c : cases) {
    Numbered(6);
    KilledRunNoting(c.noted);
    WriteBytes(JournalPath(), ReadBytes(JournalPath()) + c.tail);
    EXPECT_EQ(MailNumbers(), Without(Range(0, 6), c.left)) << c.noted.size();
    EXPECT_FALSE(PathExists(JournalPath()));
    EXPECT_EQ(FilesInFolder(), 2u);
  }
}

TEST_F(SortJournalTest, RecordsPastTheLoadedRowsStay) {
  Numbered(static_cast<int>(kMaxRows) + 2, 8);
  KilledRunNoting({0, kMaxRows - 1});
  const std::vector<int> numbers = MailNumbers();
  ASSERT_EQ(numbers.size(), kMaxRows);
  EXPECT_EQ(numbers.front(), 1);
  EXPECT_EQ(std::vector<int>(numbers.end() - 3, numbers.end()),
            (std::vector<int>{static_cast<int>(kMaxRows) - 2, static_cast<int>(kMaxRows), static_cast<int>(kMaxRows) + 1}));
}

TEST_F(SortJournalTest, AStaleOrDamagedJournalGoesAndChangesNothing) {
  struct Case {
    const char* damage;
    std::vector<size_t> noted;
    std::function<std::string(const std::string& journal)> damaged;
  };
  const std::string otherHead = [this] {
    const DrawerBuilder other = Numbered(5);
    SortJournal journal(Drawer());
    EXPECT_TRUE(journal.Begin(other.ListBytes()));
    return ReadBytes(JournalPath());
  }();
  const Case cases[] = {
      {"the list file changed since", {1}, [&](const std::string& j) { return otherHead + j.substr(otherHead.size()); }},
      {"the head cut short", {}, [](const std::string& j) { return j.substr(0, 30); }},
      {"a line that is no number", {1}, [](const std::string& j) { return j + "00000x0001\n"; }},
      {"a record past the list's end", {1, 6}, [](const std::string& j) { return j; }},
  };
  for (const Case& c : cases) {
    const DrawerBuilder builder = Numbered(6);
    KilledRunNoting(c.noted);
    WriteBytes(JournalPath(), c.damaged(ReadBytes(JournalPath())));
    EXPECT_EQ(MailNumbers(), Range(0, 6)) << c.damage;
    ExpectUntouched(builder);
  }
}

// A rewrite that fails keeps the journal; the next recovery finishes the run.
TEST_F(SortJournalTest, ARecoveryThatCannotWriteIsFinishedByTheNextOne) {
  Numbered(6);
  KilledRunNoting({3});
  {
    platform::FaultInjection faults;
    faults.FailWritesFrom(1);
    EXPECT_FALSE(RecoverDrawer(Drawer()));
  }
  EXPECT_TRUE(PathExists(JournalPath()));
  EXPECT_EQ(ListedNumbers(Drawer()), Without(Range(0, 6), {3}));
  EXPECT_FALSE(PathExists(JournalPath()));
}

// A run that stops inside its choice (as a kill would, but at a known mail)
// over rows the window had reversed: the journal names the records, so each
// mail is in exactly one drawer.
TEST_F(SortJournalTest, ARunEndedMidwayLeavesEachMailOnceOverReorderedRows) {
  const DrawerFiles target = Drawer(2, "赤の引出し");
  Numbered(10);
  const pid_t child = fork();
  if (child == 0) {
    DrawerListing loaded = ReadDrawer(Drawer());
    std::reverse(loaded.entries.begin(), loaded.entries.end());
    int asked = 0;
    (void)DistributeMails(Drawer(), Drawer().folder, loaded, [&](const MailEntry&, std::string_view) {
      if (++asked == 6) _exit(0);
      return asked % 2 ? Destination::To(target) : Destination::Stay();
    });
    _exit(1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(MailNumbers(), Without(Range(0, 10), {9, 7, 5}));
  EXPECT_EQ(MailNumbers(target), (std::vector<int>{9, 7, 5}));
}

// A run whose journal cannot be made does not start.
TEST_F(SortJournalTest, ARunWithoutItsJournalChangesNothing) {
  const DrawerFiles target = Drawer(2, "赤の引出し");
  const DrawerBuilder builder = Numbered(4);
  std::filesystem::create_directory(platform::NativePath(JournalPath()));
  const DrawerListing loaded = ReadDrawer(Drawer());
  const StoreResult result = DistributeMails(Drawer(), Drawer().folder, loaded,
                                             [&](const MailEntry&, std::string_view) { return Destination::To(target); });
  EXPECT_EQ(result.message, kCannotCreateScratch);
  EXPECT_TRUE(ReadBytes(Drawer().listPath) == builder.ListBytes());
  EXPECT_FALSE(PathExists(target.listPath));
}

}  // namespace
