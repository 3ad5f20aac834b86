// A sorting run killed at random moments: once the drawers are opened again,
// every mail of the drawer is found across the drawer and its targets, at
// most one of them twice, each with its own text, and every drawer's two
// files agree.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <random>

#include "browser/SortRun.h"
#include "tests/browser/units/NoQuestions.h"
#include "browser/store/ListFile.h"
#include "tests/browser/store/NumberedDrawerTest.h"

namespace {

constexpr int kMails = 2000;
constexpr int kTargets = 10;

class SortKillTest : public NumberedDrawerTest {
 protected:
  SortBook MakeBook() const {
    SortBook book{Book(true), FixedDrawerNames(true), 0, Book(true).exeDir + "\\dorvndwl.cfg"};
    for (int i = 0; i < kTargets; ++i) book.rows.push_back(std::string("d").append(std::to_string(i)));
    return book;
  }
  std::vector<DrawerFiles> Drawers(const SortBook& book) const {
    std::vector<DrawerFiles> drawers;
    drawers.push_back(DrawerOf(true, 0, "受信簿"));
    for (int row = 10; row < 10 + kTargets; ++row) drawers.push_back(DrawerOf(true, row, book.rows[row]));
    return drawers;
  }
  void WriteRulesAndBook(const SortBook& book) {
    std::string rules;
    for (int n = 0; n < kMails; ++n)
      rules += "sender" + std::to_string(n) + "@example.jp d" + std::to_string(n % kTargets) + "\r\n";
    WriteBytes(book.place.exeDir + "\\dorvnadw.cfg", rules);
    for (const DrawerFiles& drawer : Drawers(book)) {
      platform::DeleteFile(drawer.listPath);
      platform::DeleteFile(drawer.mailPath);
    }
    std::filesystem::create_directories(platform::NativePath(Drawers(book)[1].folder));
    Numbered(Drawers(book)[0], 0, kMails, 200);
  }
  static int SortInChild(SortBook book) {
    const DrawerListing loaded = ReadDrawer(DrawerOf0(book));
    NoQuestions questions;
    return SortDrawer(book, loaded, questions).Ok() ? 0 : 1;
  }
  static DrawerFiles DrawerOf0(const SortBook& book) { return *GetDrawerFiles(book.place, 0, book.rows[0]); }
};

TEST_F(SortKillTest, AKilledRunLosesNoMail) {
  const SortBook book = MakeBook();
  std::mt19937 random(16);
  int killed = 0;
  for (int round = 0; round < 12; ++round) {
    WriteRulesAndBook(book);
    const pid_t child = fork();
    if (child == 0) _exit(SortInChild(book));
    usleep(std::uniform_int_distribution<int>(0, 60000)(random));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    killed += WIFSIGNALED(status);
    std::map<int, int> timesFound;
    for (const DrawerFiles& drawer : Drawers(book))  // the open drawer first: its recovery finishes the run
      for (int n : MailNumbers(drawer)) ++timesFound[n];
    EXPECT_EQ(timesFound.size(), static_cast<size_t>(kMails)) << round;
    const auto doubled = std::count_if(timesFound.begin(), timesFound.end(),
                                       [](const auto& found) { return found.second > 1; });
    EXPECT_LE(doubled, 1) << round;
    for (const auto& [n, times] : timesFound) EXPECT_LE(times, 2) << round << ": mail " << n;
  }
  EXPECT_GT(killed, 0);
}

TEST_F(SortKillTest, AWholeRunLeavesEveryMailOnceInItsTarget) {
  const SortBook book = MakeBook();
  WriteRulesAndBook(book);
  ASSERT_EQ(SortInChild(book), 0);
  const std::vector<DrawerFiles> drawers = Drawers(book);
  EXPECT_TRUE(MailNumbers(drawers[0]).empty());
  for (int i = 0; i < kTargets; ++i) {
    std::vector<int> expected;
    for (int n = i; n < kMails; n += kTargets) expected.push_back(n);
    EXPECT_EQ(MailNumbers(drawers[1 + i]), expected);
  }
}

}  // namespace
