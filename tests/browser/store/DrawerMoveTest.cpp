// Moving mails of a loaded drawer to another drawer: everything is checked
// before the first mail is appended, a kill never loses a mail, and two
// programs moving between two book folders in opposite directions never
// wait on each other.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <set>

#include "tests/browser/store/NumberedDrawerTest.h"
#include "tests/support/ForkedChild.h"

namespace {

class DrawerMoveTest : public NumberedDrawerTest {
 protected:
  void SetUp() override {
    NumberedDrawerTest::SetUp();
    ListOwnDrawers(true, {"仕事"});
  }
  DrawerFiles Book() const { return Drawer(0, "受信簿"); }
  DrawerFiles Yellow() const { return Drawer(1, "黄色の引出し"); }
  DrawerFiles Own() const { return Drawer(10, "仕事"); }
  // Moves the first count rows of source as it is now to target.
  static StoreResult MoveFirst(const DrawerFiles& source, size_t count, const DrawerFiles& target) {
    const DrawerListing listing = ReadDrawer(source);
    count = std::min(count, listing.entries.size());
    const std::vector<const MailEntry*> moved(listing.entries.begin(), listing.entries.begin() + count);
    const std::vector<const MailEntry*> keep(listing.entries.begin() + count, listing.entries.end());
    return MoveMails(source, listing, moved, keep, target);
  }
  static StoreResult DeleteFirst(const DrawerFiles& drawer) {
    const DrawerListing listing = ReadDrawer(drawer);
    const std::vector<const MailEntry*> keep(listing.entries.begin() + 1, listing.entries.end());
    return RewriteDrawer(drawer, listing, keep);
  }
  std::multiset<int> AllMails() {
    std::multiset<int> all;
    for (const DrawerFiles& drawer : {Book(), Yellow(), Own()})
      for (int n : MailNumbers(drawer)) all.insert(n);
    return all;
  }
};

// A drawer whose last record is cut short, or whose last text starts exactly
// at its mail file's end (an empty text), moves and deletes as the reader
// lists it; one holding a record past its mail file's end refuses both
// before anything is written.
TEST_F(DrawerMoveTest, DamagedSourceDrawersMoveAndDeleteOrRefuseUntouched) {
  struct Case {
    const char* damage;
    uint32_t lastStart;  // where a fifth mail's text starts; 0 for none
    bool cutShort;       // a record cut short follows
    StoreFailure failure;
  };
  DrawerBuilder four;
  for (int n = 0; n < 4; ++n) four.AddNumberedMail(n);
  const uint32_t end = static_cast<uint32_t>(four.MailBytes().size());
  for (const Case& c : {Case{"cut-short record", 0, true, StoreFailure::None},
                        Case{"empty text at the end", end, false, StoreFailure::None},
                        Case{"record past the end", 1000000, false, StoreFailure::CannotOpenMailFile}}) {
    DrawerBuilder source;
    for (int n = 0; n < 4; ++n) source.AddNumberedMail(n);
    if (c.lastStart) {
      RecordFields& last = source.AddNumberedMail(4);
      last.mailStart = last.bodyStart = c.lastStart;
    }
    std::string list = source.ListBytes();
    if (c.cutShort) list += EncodeRecord(source.Records()[0]).substr(0, 40);
    WriteBytes(Book().mailPath, four.MailBytes());
    WriteBytes(Book().listPath, list);
    const DrawerBuilder target = Numbered(Yellow(), 10, 1);
    const StoreResult moved = MoveFirst(Book(), 1, Yellow());
    const StoreResult deleted = DeleteFirst(Book());
    EXPECT_EQ(moved.failure, c.failure) << c.damage;
    EXPECT_EQ(deleted.failure, c.failure) << c.damage;
    if (moved.Ok()) {
      EXPECT_EQ(ListedNumbers(Yellow()), (std::vector<int>{10, 0})) << c.damage;
      const DrawerListing left = ReadDrawer(Book());
      ASSERT_EQ(left.entries.size(), c.lastStart ? 3u : 2u) << c.damage;
      EXPECT_EQ(left.entries[0]->Text(MailField::Subject), "mail 2") << c.damage;
    } else {
      EXPECT_EQ(ReadBytes(Book().listPath), list) << c.damage;
      ExpectUntouched(target, Yellow());
    }
  }
}

// A target whose ListFile lost the last bytes of its last record (what a
// crash of any writer leaves) is cut back to its whole records, the torn
// record's text with them, before a move, a sort or an import appends to
// it: each mail then lists with its own text.
TEST_F(DrawerMoveTest, ATornTargetIsCutBackBeforeAnythingIsAppended) {
  struct Call {
    const char* what;
    std::function<StoreResult()> run;
    std::vector<int> arrives;
  };
  const Call calls[] = {
      {"a move in", [this] { return MoveFirst(Book(), 1, Yellow()); }, {0}},
      {"a sort into it",
       [this] {
         const DrawerListing loaded = ReadDrawer(Book());
         return DistributeMails(Book(), loaded, nullptr,
                                [this](const MailEntry&, std::string_view) { return Destination::To(Yellow()); });
       },
       {0, 1, 2}},
      {"an import into it", [this] { return AppendNumbered(Yellow(), 50) ? StoreResult{} : StoreResult{StoreFailure::CannotWriteMail}; }, {50}},
  };
  for (const Call& call : calls) {
    for (const size_t cut : {size_t{1}, size_t{2}, size_t{3}, size_t{87}}) {
      Numbered(Book(), 0, 3);
      const DrawerBuilder yellow = Numbered(Yellow(), 10, 4);
      WriteBytes(Yellow().listPath, yellow.ListBytes().substr(0, yellow.ListBytes().size() - cut));
      EXPECT_TRUE(call.run().Ok()) << call.what << ", " << cut << " bytes short";
      std::vector<int> expected{10, 11, 12};
      expected.insert(expected.end(), call.arrives.begin(), call.arrives.end());
      EXPECT_EQ(ListedNumbers(Yellow()), expected) << call.what << ", " << cut << " bytes short";
      EXPECT_TRUE(EndsOnARecord(Yellow())) << call.what << ", " << cut << " bytes short";
    }
  }
}

// A mail whose text is empty, its mailStart at the MailFile's end, is kept
// by every call that writes it: a delete before it, a move of it alone, a
// sort of it.
TEST_F(DrawerMoveTest, AnEmptyTextIsKeptWhereverItIsWritten) {
  struct Call {
    const char* what;
    std::function<StoreResult()> run;
    std::vector<int> staying, moved;
  };
  const Call calls[] = {
      {"a delete before it", [this] { return DeleteFirst(Book()); }, {1}, {}},
      {"a move of it alone",
       [this] {
         const DrawerListing loaded = ReadDrawer(Book());
         return MoveMails(Book(), loaded, {loaded.entries[1]}, {loaded.entries[0]}, Yellow());
       },
       {0}, {1}},
      {"a sort of it",
       [this] {
         const DrawerListing loaded = ReadDrawer(Book());
         return DistributeMails(Book(), loaded, nullptr, [this](const MailEntry& mail, std::string_view) {
           return mail.MailLength() ? Destination::Stay() : Destination::To(Yellow());
         });
       },
       {0}, {1}},
  };
  for (const Call& call : calls) {
    DrawerBuilder book;
    book.AddNumberedMail(0);
    RecordFields& empty = book.AddNumberedMail(1);
    empty.mailStart = empty.bodyStart = static_cast<uint32_t>(book.Records()[0].bodyStart + book.Records()[0].bodyLength);
    empty.bodyLength = 0;
    WriteBytes(Book().mailPath, book.MailBytes().substr(0, empty.mailStart));
    WriteBytes(Book().listPath, book.ListBytes());
    std::filesystem::remove(platform::NativePath(Yellow().listPath));
    std::filesystem::remove(platform::NativePath(Yellow().mailPath));
    ASSERT_TRUE(call.run().Ok()) << call.what;
    const auto subjects = [](const DrawerFiles& drawer) {
      std::vector<int> numbers;
      for (const MailEntry* row : ReadDrawer(drawer).entries)
        numbers.push_back(std::stoi(std::string(row->Text(MailField::Subject).substr(5))));
      return numbers;
    };
    EXPECT_EQ(subjects(Book()), call.staying) << call.what;
    EXPECT_EQ(subjects(Yellow()), call.moved) << call.what;
  }
}

// Killed at random moments of moving 100 mails, until kills have landed both
// before its first append and after: the target's ListFile ends on a record,
// and each mail of both drawers is there exactly once, with its text; and so
// it is when another program appended to the target and the source before
// the recovery, as the store and as a raw walk of the files read them.
TEST_F(DrawerMoveTest, AKilledMoveLeavesEveryMailOnce) {
  int64_t targetLength = 0;
  const auto [before, after] = KillUntilBothSidesHit(
      {[&] {
         Numbered(Book(), 0, 300, 4000);
         Numbered(Yellow(), 1000, 10, 4000);
         targetLength = platform::FileSize(Yellow().mailPath);
       },
       [this] { return MoveFirst(Book(), 100, Yellow()).Ok() ? 0 : 1; },
       [&] { return platform::FileSize(Yellow().mailPath) > targetLength; },
       [&](int round) {
         EXPECT_TRUE(EndsOnARecord(Yellow())) << round;
         std::multiset<int> everyMail;
         for (int n : Range(0, 300)) everyMail.insert(n);
         for (int n : Range(1000, 1010)) everyMail.insert(n);
         if (round % 2) {
           AppendAsAnotherProgram(Book(), 2000 + round);
           AppendAsAnotherProgram(Yellow(), 3000 + round);
           everyMail.insert({2000 + round, 3000 + round});
         }
         EXPECT_EQ(EveryMail({Book(), Yellow()}), everyMail) << round;
         EXPECT_EQ(AllMails(), everyMail) << round;
       }},
      3);
  EXPECT_GE(before, 2);
  EXPECT_GE(after, 2);
}

// Each child moves between the PostPet folder's book and an own drawer, in
// opposite directions: both finish, and every mail is there once.
TEST_F(DrawerMoveTest, OppositeMovesBetweenTwoBookFoldersBothFinish) {
  Numbered(Book(), 0, 100, 2000);
  Numbered(Own(), 500, 100, 2000);
  for (int round = 0; round < 6; ++round) {
    const pid_t toOwn = fork();
    if (toOwn == 0) _exit(MoveFirst(Book(), 20, Own()).Ok() ? 0 : 1);
    const pid_t toBook = fork();
    if (toBook == 0) _exit(MoveFirst(Own(), 20, Book()).Ok() ? 0 : 1);
    for (pid_t child : {toOwn, toBook}) {
      int status = 0, waited = 0;
      while (waitpid(child, &status, WNOHANG) == 0 && waited++ < 3000) usleep(10000);
      if (waited > 3000) kill(child, SIGKILL);
      ASSERT_LE(waited, 3000) << "round " << round << ": the moves wait on each other";
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << round;
    }
  }
  std::multiset<int> every;
  for (int n : Range(0, 100)) every.insert(n);
  for (int n : Range(500, 600)) every.insert(n);
  EXPECT_EQ(AllMails(), every);
}

}  // namespace
