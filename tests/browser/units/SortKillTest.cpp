// A sorting run killed at random moments: once the drawers are opened again,
// every mail of the drawer is found exactly once across the drawer and its
// targets, each with its own text, and every drawer's two files agree; also
// when another program appended a mail to the drawer and to a target before
// the recovery, as the store and as a raw walk of the files read them.

#include <algorithm>
#include <set>

#include "browser/SortRun.h"
#include "browser/store/DrawerNameFile.h"
#include "tests/browser/units/NoQuestions.h"
#include "tests/browser/store/NumberedDrawerTest.h"
#include "tests/support/ForkedChild.h"

namespace {

constexpr int kMails = 400;
constexpr int kTargets = 10;

class SortKillTest : public NumberedDrawerTest {
 protected:
  // The targets are own drawers, listed in the book's DrawerNameFile.
  SortBook MakeBook() const {
    SortBook book{Book(true), FixedDrawerNames(true), 0};
    std::vector<std::string> targets;
    for (int i = 0; i < kTargets; ++i) targets.push_back(std::string("d").append(std::to_string(i)));
    book.rows.insert(book.rows.end(), targets.begin(), targets.end());
    EXPECT_TRUE(SaveDrawerNameFile(DrawerNameFileOf(book.place).path, targets).Ok());
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
  bool AnyTargetAppended(const SortBook& book) const {
    const std::vector<DrawerFiles> drawers = Drawers(book);
    return std::any_of(drawers.begin() + 1, drawers.end(),
                       [](const DrawerFiles& target) { return platform::FileSize(target.mailPath) > 0; });
  }
  static DrawerFiles DrawerOf0(const SortBook& book) { return *GetDrawerFiles(book.place, 0, book.rows[0]); }
};

TEST_F(SortKillTest, AKilledRunLeavesEveryMailOnce) {
  const SortBook book = MakeBook();
  const auto [before, after] = KillUntilBothSidesHit(
      {[&] { WriteRulesAndBook(book); }, [&book] { return SortInChild(book); },
       [&] { return AnyTargetAppended(book); },
       [&](int round) {
        const std::vector<DrawerFiles> drawers = Drawers(book);
        for (const DrawerFiles& drawer : drawers) EXPECT_TRUE(EndsOnARecord(drawer)) << round;
        std::multiset<int> expected;
        for (int n = 0; n < kMails; ++n) expected.insert(n);
        if (round % 2) {
          AppendAsAnotherProgram(drawers[0], kMails + round);
          AppendAsAnotherProgram(drawers[1 + round % kTargets], 2 * kMails + round);
          expected.insert({kMails + round, 2 * kMails + round});
        }
        EXPECT_EQ(EveryMail(drawers), expected) << round;
        std::multiset<int> found;
        for (const DrawerFiles& drawer : drawers)
          for (int n : MailNumbers(drawer)) found.insert(n);
        EXPECT_EQ(found, expected) << round;
      }},
      16);
  EXPECT_GE(before, 2);
  EXPECT_GE(after, 2);
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
