// A power cut at every step of a move, a sort, an import, a filing and a
// delete, as LevelDB's FaultInjectionTestEnv makes one: only what was synced
// survives. Once the drawers are read again, every mail is in exactly one
// drawer with its own text, a mail appended next joins none of them, and a
// call that reported success kept everything it did.

#include <functional>
#include <set>

#include "platform/files/FaultInjection.h"
#include "tests/browser/store/NumberedDrawerTest.h"

namespace {

class PowerCutTest : public NumberedDrawerTest {
 protected:
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
    return DistributeMails(Drawer(), listing, [&](const MailEntry&, std::string_view) {
      ++asked;
      return asked % 3 == 0 ? Destination::Stay() : Destination::To(asked % 3 == 1 ? Red() : Own());
    });
  }
  StoreResult Import(int first, int count) {
    return AppendMails(Own(), [&](const AppendOne& append) {
      for (int n = first; n < first + count; ++n) {
        DrawerBuilder one;
        one.AddNumberedMail(n);
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
};

TEST_F(PowerCutTest, EveryMailSurvivesOnceAtEveryStep) {
  struct Case {
    const char* call;
    std::function<StoreResult()> run;
    std::multiset<int> added;  // mails the call brings, all there when it reports success
  };
  const Case cases[] = {
      {"a move", [this] { return MoveEveryOther(); }, {}},
      {"a sort", [this] { return SortIntoTwo(); }, {}},
      {"an import", [this] { return Import(50, 3); }, {50, 51, 52}},
      {"a filing", [this] { return Import(60, 1); }, {60}},
      {"a delete", [this] { return DeleteFirst(); }, {}},
  };
  for (const Case& c : cases) {
    int step = 1;
    for (bool cut = true; cut; ++step) {
      Numbered(Drawer(), 0, 8);
      Numbered(Red(), 20, 2);
      Numbered(Own(), 30, 2);
      StoreResult result;
      {
        platform::FaultInjection faults;
        faults.CutPowerAt(step);
        result = c.run();
        cut = faults.PowerWasCut();
      }
      std::multiset<int> expected{0, 1, 2, 3, 4, 5, 6, 7, 20, 21, 30, 31};
      std::multiset<int> found = Everywhere();
      if (std::string(c.call) == "a delete" && !found.contains(0)) expected.erase(0);
      for (int n : c.added)
        if (result.Ok() || found.contains(n)) expected.insert(n);
      EXPECT_EQ(found, expected) << c.call << ", cut at step " << step;
      ASSERT_TRUE(AppendNumbered(Own(), 99)) << c.call << ", cut at step " << step;
      expected.insert(99);
      EXPECT_EQ(Everywhere(), expected) << c.call << ", cut at step " << step;
    }
    EXPECT_GT(step, 8) << c.call;
  }
}

}  // namespace
