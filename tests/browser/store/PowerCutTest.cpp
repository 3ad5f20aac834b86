// A power cut at every step of a move, a sort, an import, a filing and a
// delete, as LevelDB's FaultInjectionTestEnv makes one: only what was synced
// survives. Once the drawers are read again, every mail is in exactly one
// drawer with its own text, a mail appended next joins none of them, and a
// call that reported success kept everything it did.

#include <functional>
#include <set>
#include <vector>

#include "platform/files/FaultInjection.h"
#include "tests/browser/store/NumberedDrawerTest.h"

namespace {

class PowerCutTest : public NumberedDrawerTest {
 protected:
  void SetUp() override {
    NumberedDrawerTest::SetUp();
    ListOwnDrawers(true, {"仕事"});
  }
  DrawerFiles Red() const { return Drawer(6, "赤の引出し"); }
  DrawerFiles Own() const { return Drawer(10, "仕事"); }
  std::multiset<int> Everywhere() {
    std::multiset<int> all;
    for (const DrawerFiles& drawer : {Drawer(), Red(), Own()})
      for (int n : MailNumbers(drawer)) all.insert(n);
    return all;
  }
  StoreResult MoveEveryOther() {
    const DrawerListing listing = ReadDrawer(Drawer());
    std::vector<const MailEntry*> moved, keep;
    for (size_t i = 0; i < listing.entries.size(); ++i) (i % 2 ? moved : keep).push_back(listing.entries[i]);
    return MoveMails(Drawer(), listing, moved, keep, Own());
  }
  StoreResult SortIntoTwo() {
    const DrawerListing listing = ReadDrawer(Drawer());
    int asked = 0;
    return DistributeMails(Drawer(), listing, nullptr, [&](const MailEntry&, std::string_view) {
      ++asked;
      return asked % 3 == 0 ? Destination::Stay() : Destination::To(asked % 3 == 1 ? Red() : Own());
    });
  }
  StoreResult Import(int first, int count) {
    return AppendMails(Own(), [&](const AppendOne& append) {
      for (int n = first; n < first + count; ++n) {
        DrawerBuilder one;
        one.AddNumberedMail(n, m_bodyBytes);
        MailEntry entry;
        size_t pos = 0;
        const std::string record = one.ListBytes();
        ParseListRecord(record, pos, entry);
        const StoreResult appended = append(entry, one.MailBytes());
        if (!appended.Ok()) return appended;
      }
      return StoreResult{};
    });
  }
  StoreResult DeleteFirst() {
    const DrawerListing listing = ReadDrawer(Drawer());
    return RewriteDrawer(Drawer(), listing, {listing.entries.begin() + 1, listing.entries.end()});
  }
  void WriteDrawers() {
    Numbered(Drawer(), 0, 8, m_bodyBytes);
    Numbered(Red(), 20, 2, m_bodyBytes);
    Numbered(Own(), 30, 2, m_bodyBytes);
  }

  struct Case {
    const char* call;
    std::function<StoreResult()> run;
    std::multiset<int> added;  // mails the call brings, all there when it reports success
  };
  std::vector<Case> Cases() {
    return {
        {"a move", [this] { return MoveEveryOther(); }, {}},
        {"a sort", [this] { return SortIntoTwo(); }, {}},
        {"an import", [this] { return Import(50, 3); }, {50, 51, 52}},
        {"a filing", [this] { return Import(60, 1); }, {60}},
        {"a delete", [this] { return DeleteFirst(); }, {}},
    };
  }
  static std::multiset<int> Written() { return {0, 1, 2, 3, 4, 5, 6, 7, 20, 21, 30, 31}; }
};

// Cut off by the power at each step, dropping what no sync kept or, as POSIX
// also allows, keeping each file's length with zeros for what no sync kept.
TEST_F(PowerCutTest, EveryMailSurvivesOnceAtEveryStep) {
  using Unsynced = platform::FaultInjection::UnsyncedData;
  for (const Unsynced unsynced : {Unsynced::Dropped, Unsynced::Zeroed}) {
    for (const Case& c : Cases()) {
      // Zeros matter where a call appends to a drawer's own files.
      if (unsynced == Unsynced::Zeroed && std::string(c.call) == "a delete") continue;
      int step = 1;
      for (bool cut = true; cut; ++step) {
        WriteDrawers();
        StoreResult result;
        {
          platform::FaultInjection faults;
          faults.CutPowerAt(step, unsynced);
          result = c.run();
          cut = faults.PowerWasCut();
        }
        std::multiset<int> expected = Written();
        std::multiset<int> found = Everywhere();
        if (std::string(c.call) == "a delete" && !found.contains(0)) expected.erase(0);
        for (int n : c.added)
          if (result.Ok() || found.contains(n)) expected.insert(n);
        EXPECT_EQ(found, expected) << c.call << ", cut at step " << step << ", zeroed " << (unsynced == Unsynced::Zeroed);
        ASSERT_TRUE(AppendNumbered(Own(), 99)) << c.call << ", cut at step " << step;
        expected.insert(99);
        EXPECT_EQ(EveryMail({Drawer(), Red(), Own()}), expected) << c.call << ", cut at step " << step;
      }
      EXPECT_GT(step, 8) << c.call;
    }
  }
}

// Another program appends a mail to the source and one to a target between
// any two of the call's steps (between two pieces of an import or a move,
// between texts and their records, between two renames): every mail stays,
// each with its own text.
TEST_F(PowerCutTest, AnotherProgramAppendingBetweenAnyTwoStepsLosesNothing) {
  for (const Case& c : Cases()) {
    // The mails a move or an import writes fill two pieces.
    const std::string call = c.call;
    m_bodyBytes = call == "a move" || call == "an import" ? 90000 : 64;
    int step = 1;
    for (bool reached = true; reached; ++step) {
      WriteDrawers();
      StoreResult result;
      {
        platform::FaultInjection faults;
        faults.BeforeStep(step, [this] {
          AppendAsAnotherProgram(Own(), 90);
          AppendAsAnotherProgram(Drawer(), 91);
        });
        result = c.run();
        reached = faults.StepActionRan();
      }
      if (!reached) break;
      EXPECT_TRUE(result.Ok()) << c.call << ", before step " << step;
      std::multiset<int> expected = Written();
      expected.insert({90, 91});
      expected.insert(c.added.begin(), c.added.end());
      if (std::string(c.call) == "a delete") expected.erase(0);
      EXPECT_EQ(EveryMail({Drawer(), Red(), Own()}), expected) << c.call << ", before step " << step;
    }
    EXPECT_GT(step, 8) << c.call;
  }
}

// What failed calls left for a recovery, which the power then cuts off at
// each of its steps: the next recovery finishes what it began, and every
// mail is once in the drawers.
TEST_F(PowerCutTest, RecoveryCutOffAtAnyStepIsFinishedByTheNext) {
  struct Left {
    const char* what;
    int failingWrite;  // with nothing cut back
    std::function<StoreResult()> run;
    std::multiset<int> after;
  };
  std::multiset<int> withoutFirst = Written();
  withoutFirst.erase(0);
  const Left cases[] = {
      {"a move that failed at its new pair", 5, [this] { return MoveEveryOther(); }, Written()},
      {"an import whose records never came", 3, [this] { return Import(50, 3); }, Written()},
      {"a delete whose rename failed", 0, [this] { return DeleteFirst(); }, withoutFirst},
  };
  for (const Left& c : cases) {
    int step = 1;
    for (bool cut = true; cut; ++step) {
      WriteDrawers();
      {
        platform::FaultInjection faults;
        faults.FailWritesFrom(c.failingWrite);
        faults.FailTruncate();
        if (!c.failingWrite) faults.FailRename(1);
        ASSERT_FALSE(c.run().Ok()) << c.what;
      }
      {
        platform::FaultInjection faults;
        faults.CutPowerAt(step);
        ReadDrawer(Drawer());
        cut = faults.PowerWasCut();
      }
      EXPECT_EQ(Everywhere(), c.after) << c.what << ", recovery cut at step " << step;
    }
    EXPECT_GT(step, 3) << c.what;
  }
}

}  // namespace
