// The journal and its recovery: whatever a failed or killed call left, once
// recovered every mail is in exactly one drawer, with its text, each
// drawer's two files agree, and nothing is left beside them.

#include "browser/store/DrawerJournal.h"

#include <unistd.h>

#include <algorithm>
#include <functional>
#include <random>
#include <set>

#include "browser/store/BookLocks.h"
#include "browser/store/ContentCheck.h"
#include "browser/store/JournalText.h"
#include "browser/store/NewPair.h"
#include "browser/store/PairAppender.h"
#include "platform/files/FaultInjection.h"
#include "tests/browser/store/NumberedDrawerTest.h"
#include "tests/support/ForkedChild.h"

namespace {

class DrawerJournalTest : public NumberedDrawerTest {
 protected:
  DrawerFiles Target() const { return Drawer(2, "赤の引出し"); }
  std::string JournalPath() const { return Drawer().listPath + std::string(kJournalSuffix); }
  StoreResult RewriteWithoutFirst() {
    const DrawerListing listing = ReadDrawer(Drawer());
    const std::vector<const MailEntry*> keep(listing.entries.begin() + 1, listing.entries.end());
    return RewriteDrawer(Drawer(), listing, keep);
  }
  // Moves the given rows of the drawer as loaded to the target while writes
  // fail from the nth on and nothing can be cut back: whatever the move had
  // done stays for the recovery, its journal with it.
  StoreResult MoveFailingFrom(int failing, const std::vector<size_t>& rows, bool reversed = false,
                              bool cutBackWorks = false) {
    DrawerListing listing = ReadDrawer(Drawer());
    if (reversed) std::reverse(listing.entries.begin(), listing.entries.end());
    std::vector<const MailEntry*> moved, keep;
    for (size_t i = 0; i < listing.entries.size(); ++i)
      (std::find(rows.begin(), rows.end(), i) != rows.end() ? moved : keep).push_back(listing.entries[i]);
    platform::FaultInjection faults;
    faults.FailWritesFrom(failing);
    faults.FailTruncate(!cutBackWorks);
    return MoveMails(Drawer(), listing, moved, keep, Target());
  }
  // A move's writes: its journal claiming the target's texts, the texts, the
  // claim of their records, the records, then its new pair.
  static constexpr int kFirstNewPairWrite = 5;
  // What a call killed after claiming a text and its records in its
  // journal, before its first byte, leaves.
  void KilledAppendClaiming(const DrawerFiles& drawer, std::string_view text, std::string_view records) {
    DrawerJournal journal(drawer, nullptr, {});
    PairAppender pair(drawer, &journal);
    journal.AddTarget(pair);
    uint64_t number = 0;
    ASSERT_TRUE(journal.Claim(pair, ClaimedFile::Mail, pair.MailLengthBefore(), text, number).Ok());
    ASSERT_TRUE(journal.Claim(pair, ClaimedFile::List, pair.ListLengthBefore(), records, number).Ok());
  }
  // Every numbered mail of the drawer and the target, each found once.
  std::multiset<int> Everywhere() {
    std::multiset<int> all;
    for (const DrawerFiles& drawer : {Drawer(), Target()})
      for (int n : MailNumbers(drawer)) all.insert(n);
    return all;
  }
  bool SideFilesLeft() const {
    const DrawerFiles scratch = NewPairOf(Drawer());
    return PathExists(JournalPath()) || PathExists(scratch.listPath) || PathExists(scratch.mailPath);
  }
};

std::multiset<int> Once(std::vector<int> numbers) { return {numbers.begin(), numbers.end()}; }

// Renames 1 and 2 are the commit's own; a failure of either comes after the
// commit, so the replacement stands and the next recovery finishes it.
TEST_F(DrawerJournalTest, AFailedRenameAfterTheCommitLeavesTheNewPairForRecovery) {
  Numbered(6);
  for (int failing = 1; failing <= 2; ++failing) {
    {
      platform::FaultInjection faults;
      faults.FailRename(failing);
      EXPECT_EQ(RewriteWithoutFirst().failure, StoreFailure::CannotWriteMail) << failing;
    }
    EXPECT_TRUE(ReplacementPending(Drawer())) << failing;
    EXPECT_EQ(MailNumbers(), Range(failing, 6)) << failing;
    EXPECT_FALSE(SideFilesLeft()) << failing;
  }
}

// While a committed replacement cannot be finished the drawer is neither
// listed from its mismatched pair nor appended to.
TEST_F(DrawerJournalTest, ARecoveryWhoseRenameFailsIsFinishedByTheNextOne) {
  Numbered(4);
  {
    platform::FaultInjection faults;
    faults.FailRename(2);
    ASSERT_EQ(RewriteWithoutFirst().failure, StoreFailure::CannotWriteMail);  // the list file's rename
    faults.FailRename(1);
    EXPECT_FALSE(AppendNumbered(9));
    faults.FailRename(1);
    const DrawerListing listing = ReadDrawer(Drawer());
    EXPECT_STREQ(listing.message, kCannotOpenListFile);
    EXPECT_TRUE(listing.entries.empty());
  }
  EXPECT_EQ(MailNumbers(), Range(1, 4));
  EXPECT_FALSE(SideFilesLeft());
}

// The nth write of an append fails (its journal, its text, its record), and
// so does cutting back. A failed journal leaves nothing to cut; otherwise the
// drawer takes no appends until a recovery can cut it back, and then holds
// exactly the mails before.
TEST_F(DrawerJournalTest, AnAppendThatCannotBeCutBackStopsAppendsUntilRecovered) {
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
    EXPECT_FALSE(SideFilesLeft()) << failing;
    ASSERT_TRUE(AppendNumbered(30)) << failing;
  }
}

// What an append killed (or cut off by a power cut) after its journal can
// leave: text without its record, a record cut short, a record without its
// text (and after it the next one cut short), a whole mail, and another
// program's mail after a record cut short at no page's end.
// Recovery keeps the whole mails and never cuts another program's mail.
TEST_F(DrawerJournalTest, AnInterruptedAppendKeepsItsWholeMailsAndNothingElse) {
  struct Case {
    const char* left;
    size_t textBytes;    // of the fourth mail's text written
    size_t recordBytes;  // of its record and the fifth's written
    bool postPetAfter;   // another program appended mail 5 after that
    std::vector<int> after;
  };
  DrawerBuilder six;
  for (int n = 0; n < 6; ++n) six.AddNumberedMail(n);
  const std::string fourthRecord = EncodeRecord(six.Records()[3]);
  const std::string ourRecords = fourthRecord + EncodeRecord(six.Records()[4]);
  const size_t fourthText = six.Records()[4].mailStart - six.Records()[3].mailStart;
  const Case cases[] = {
      {"text without its record", fourthText, 0, false, {0, 1, 2, 9}},
      {"a record cut short", fourthText, fourthRecord.size() - 10, false, {0, 1, 2, 9}},
      {"a record without its text", 0, fourthRecord.size(), false, {0, 1, 2, 9}},
      {"a record without its text, the next cut short", fourthText / 2, fourthRecord.size() + 20, false, {0, 1, 2, 9}},
      {"a whole mail", fourthText, fourthRecord.size(), false, {0, 1, 2, 3, 9}},
      {"another program's mail after it", fourthText, fourthRecord.size() - 10, true, {0, 1, 2}},
  };
  for (const Case& c : cases) {
    const DrawerBuilder three = Numbered(3);
    KilledAppendClaiming(Drawer(), six.MailBytes().substr(six.Records()[3].mailStart, fourthText), ourRecords);
    std::string mail = three.MailBytes() + six.MailBytes().substr(six.Records()[3].mailStart, c.textBytes);
    std::string list = three.ListBytes() + ourRecords.substr(0, c.recordBytes);
    if (c.postPetAfter) {
      RecordFields fifth = six.Records()[4];
      fifth.bodyStart += mail.size() - fifth.mailStart;
      fifth.mailStart = mail.size();
      mail += six.MailBytes().substr(six.Records()[4].mailStart, six.Records()[5].mailStart - six.Records()[4].mailStart);
      list += EncodeRecord(fifth);
    }
    WriteBytes(Drawer().mailPath, mail);
    WriteBytes(Drawer().listPath, list);
    if (c.postPetAfter) {
      EXPECT_TRUE(ReadDrawer(Drawer()).hasMails) << c.left;
      EXPECT_TRUE(ReadBytes(Drawer().listPath) == list) << c.left;  // nothing of it cut
    } else {
      ASSERT_TRUE(AppendNumbered(9)) << c.left;
      EXPECT_EQ(ListedNumbers(Drawer()), c.after) << c.left;
    }
    EXPECT_FALSE(SideFilesLeft()) << c.left;
  }
}

// A child appends mails one after another and is killed at a random moment
// of its run; the mail appended next must not make the reader stretch an
// earlier mail over what the kill left.
TEST_F(DrawerJournalTest, AKilledAppendingChildLeavesNothingTheNextMailJoins) {
  Numbered(2, 100000);
  const auto appendFrom = [this](int first) {
    return [this, first] {
      for (int n = first; n < first + 40; ++n)
        if (!AppendNumbered(n)) return 1;
      return 0;
    };
  };
  const int run = MicrosecondsOfChild(appendFrom(2));
  std::vector<int> expected = Range(0, 42);
  std::mt19937 random(11);
  for (int round = 0; round < 30; ++round) {
    const int first = 100 * (round + 1);
    KillChildAfter(std::uniform_int_distribution<int>(0, run)(random), appendFrom(first));
    EXPECT_TRUE(EndsOnARecord(Drawer())) << round;
    ASSERT_TRUE(AppendNumbered(first + 99));
    const std::vector<int> listed = ListedNumbers(Drawer());
    ASSERT_GE(listed.size(), expected.size() + 1) << round;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), listed.begin())) << round;
    for (size_t i = expected.size(); i + 1 < listed.size(); ++i)
      EXPECT_EQ(listed[i], first + static_cast<int>(i - expected.size())) << round;
    EXPECT_EQ(listed.back(), first + 99) << round;
    expected = listed;
    EXPECT_FALSE(SideFilesLeft()) << round;
  }
}

// An import of 300 mails killed at random moments, then another program's
// mail appended as PostPet appends: the ListFile ended on a record, and the
// drawer holds its mails, a first part of the import and the other
// program's mail, each once with its own text, as the store and as a raw
// walk of the files read them.
TEST_F(DrawerJournalTest, AKilledImportThenAnotherProgramsMailLeavesEveryMailOnce) {
  int64_t before = 0;
  const auto import = [this] {
    return AppendMails(Drawer(), [this](const AppendOne& append) {
             for (int n = 100; n < 400; ++n) {
               DrawerBuilder one;
               one.AddNumberedMail(n, m_bodyBytes);
               const std::string record = one.ListBytes();
               MailEntry entry;
               size_t pos = 0;
               ParseListRecord(record, pos, entry);
               const StoreResult appended = append(entry, one.MailBytes());
               if (!appended.Ok()) return appended;
             }
             return StoreResult{};
           }).Ok()
               ? 0
               : 1;
  };
  const auto [killedBefore, killedAfter] = KillUntilBothSidesHit(
      {[&] {
         Numbered(3, 4000);
         before = platform::FileSize(Drawer().mailPath);
       },
       import, [&] { return platform::FileSize(Drawer().mailPath) > before; },
       [&](int round) {
         EXPECT_TRUE(EndsOnARecord(Drawer())) << round;
         AppendAsAnotherProgram(Drawer(), 1000 + round);
         const std::multiset<int> found = EveryMail({Drawer()});
         std::multiset<int> expected{0, 1, 2, 1000 + round};
         for (int n = 100; n < 400 && found.contains(n); ++n) expected.insert(n);
         EXPECT_EQ(found, expected) << round;
         EXPECT_FALSE(SideFilesLeft()) << round;
       }},
      5);
  EXPECT_GE(killedBefore, 2);
  EXPECT_GE(killedAfter, 2);
}

// A move of three mails whose nth write fails. When nothing can be cut
// back, by the move nor by its undo, its journal, its appends so far or its
// target synced whole stay for the recovery, which leaves every mail once.
// When its undo can cut back, the move is taken back whole: both drawers
// are as they were, never half moved.
TEST_F(DrawerJournalTest, AMoveFailingAtAnyWriteLeavesEveryMailOnce) {
  for (const bool cutBackWorks : {false, true}) {
    int failing = 1;
    for (; failing < 40; ++failing) {
      Numbered(8);
      Numbered(Target(), 100, 2);
      const StoreResult moved = MoveFailingFrom(failing, {1, 4, 6}, false, cutBackWorks);
      EXPECT_EQ(Everywhere(), Once({0, 1, 2, 3, 4, 5, 6, 7, 100, 101})) << failing;
      EXPECT_FALSE(SideFilesLeft()) << failing;
      if (moved.Ok()) break;
      if (cutBackWorks) {
        EXPECT_EQ(MailNumbers(Target()), (std::vector<int>{100, 101})) << failing;
      }
    }
    EXPECT_GT(failing, 5);
    EXPECT_EQ(MailNumbers(Target()), (std::vector<int>{100, 101, 1, 4, 6}));
  }
}

// The rows were reversed in the window: the journal names records, so the
// mails that arrived are taken out of the source whatever their order. The
// failing write puts half its bytes through: half the texts, or the first
// record and part of the second.
TEST_F(DrawerJournalTest, AnInterruptedMoveOverReorderedRowsLeavesEachMailOnce) {
  for (const int failing : {2, 4}) {
    Numbered(10);
    std::filesystem::remove(platform::NativePath(Target().listPath));
    std::filesystem::remove(platform::NativePath(Target().mailPath));
    ASSERT_FALSE(MoveFailingFrom(failing, {0, 3, 5}, true).Ok());
    const std::vector<int> arrived = MailNumbers(Target());
    EXPECT_EQ(arrived, failing == 2 ? std::vector<int>{} : std::vector<int>{9}) << failing;
    std::multiset<int> all = Once(MailNumbers());
    all.insert(arrived.begin(), arrived.end());
    EXPECT_EQ(all, Once(Range(0, 10))) << failing;
  }
}

TEST_F(DrawerJournalTest, RecordsPastTheLoadedRowsStay) {
  Numbered(static_cast<int>(kMaxRows) + 2, 8);
  ASSERT_FALSE(MoveFailingFrom(kFirstNewPairWrite, {0, kMaxRows - 1}).Ok());
  const std::vector<int> numbers = MailNumbers();
  ASSERT_EQ(numbers.size(), kMaxRows);
  EXPECT_EQ(numbers.front(), 1);
  EXPECT_EQ(std::vector<int>(numbers.end() - 3, numbers.end()),
            (std::vector<int>{static_cast<int>(kMaxRows) - 2, static_cast<int>(kMaxRows), static_cast<int>(kMaxRows) + 1}));
  EXPECT_EQ(MailNumbers(Target()), (std::vector<int>{0, static_cast<int>(kMaxRows) - 1}));
}

// A journal left by a move whose every mail arrived, then damaged or made
// stale: the source stays as it is (its moved mails then also stay in the
// target: doubled, never lost), and the journal goes.
TEST_F(DrawerJournalTest, AStaleOrDamagedJournalGoesAndLeavesTheSourceAlone) {
  struct Case {
    const char* what;
    std::function<void(const std::string& journal)> damage;
  };
  const Case cases[] = {
      {"the source written anew since", [this](const std::string&) { Numbered(5); }},
      {"the journal cut short", [this](const std::string& j) { WriteBytes(JournalPath(), j.substr(0, 30)); }},
      {"a line that is no number", [this](const std::string& j) { WriteBytes(JournalPath(), j.substr(0, 20) + "x" + j.substr(21)); }},
      {"the intent's check damaged",
       [this](const std::string& j) {
         const size_t check = j.find("\nintent ") + 8;
         WriteBytes(JournalPath(), j.substr(0, check) + (j[check] == '1' ? "2" : "1") + j.substr(check + 1));
       }},
  };
  for (const Case& c : cases) {
    Numbered(6);
    std::filesystem::remove(platform::NativePath(Target().listPath));
    std::filesystem::remove(platform::NativePath(Target().mailPath));
    ASSERT_FALSE(MoveFailingFrom(kFirstNewPairWrite, {3}).Ok());
    c.damage(ReadBytes(JournalPath()));
    const std::string source = ReadBytes(Drawer().listPath);
    EXPECT_EQ(MailNumbers(Target()), (std::vector<int>{3})) << c.what;
    EXPECT_TRUE(ReadBytes(Drawer().listPath) == source) << c.what;
    EXPECT_FALSE(SideFilesLeft()) << c.what;
  }
}

// A recovery that cannot write keeps the journal; the next one finishes the move.
TEST_F(DrawerJournalTest, ARecoveryThatCannotWriteIsFinishedByTheNextOne) {
  Numbered(6);
  ASSERT_FALSE(MoveFailingFrom(kFirstNewPairWrite, {3}).Ok());
  {
    platform::FaultInjection faults;
    faults.FailWritesFrom(1);
    EXPECT_FALSE(RecoverBook(BookFoldersOf(Drawer())).whole);
  }
  EXPECT_TRUE(PathExists(JournalPath()));
  EXPECT_EQ(ListedNumbers(Drawer()), (std::vector<int>{0, 1, 2, 4, 5}));
  EXPECT_EQ(MailNumbers(Target()), (std::vector<int>{3}));
  EXPECT_FALSE(SideFilesLeft());
}

// The journal names the part of the source it was written for: mails that
// another program appends after a failed commit are carried into the new
// pair, also when its MailFile is in place already (their texts then went to
// the new MailFile, their records to the old ListFile).
TEST_F(DrawerJournalTest, MailsAppendedToTheSourceAfterTheCommitAreKept) {
  for (const int failingRename : {1, 2}) {
    Numbered(6);
    {
      platform::FaultInjection faults;
      faults.FailRename(failingRename);
      ASSERT_EQ(RewriteWithoutFirst().failure, StoreFailure::CannotWriteMail);
    }
    AppendAsAnotherProgram(Drawer(), 6);
    AppendAsAnotherProgram(Drawer(), 7);
    EXPECT_EQ(MailNumbers(), Range(1, 8)) << failingRename;
    EXPECT_EQ(ListedNumbers(Drawer()), Range(1, 8)) << failingRename;
    EXPECT_FALSE(SideFilesLeft()) << failingRename;
  }
}

// A commit no longer holds when its line is damaged (its check fails), or
// when the source was written anew since: the new pair is not put in place
// and the source stays as it is.
TEST_F(DrawerJournalTest, ACommitThatNoLongerHoldsIsNotPutInPlace) {
  struct Case {
    const char* what;
    std::function<void()> change;
    std::vector<int> after;
  };
  const Case cases[] = {
      {"its commit line damaged",
       [this] {
         std::string journal = ReadBytes(JournalPath());
         const size_t check = journal.rfind(' ') + 1;
         journal[check] = journal[check] == '1' ? '2' : '1';
         WriteBytes(JournalPath(), journal);
       },
       Range(0, 6)},
      {"the source written anew since", [this] { Numbered(5); }, Range(0, 5)},
  };
  for (const Case& c : cases) {
    Numbered(6);
    {
      platform::FaultInjection faults;
      faults.FailRename(1);
      ASSERT_EQ(RewriteWithoutFirst().failure, StoreFailure::CannotWriteMail) << c.what;
    }
    c.change();
    EXPECT_EQ(MailNumbers(), c.after) << c.what;
    EXPECT_FALSE(SideFilesLeft()) << c.what;
  }
}

// A journal whose intent is whole but does not hold for the files it names
// (a target that is its own source, a noted length past a file's end) is
// left alone and reported by every call that would change the book; the
// drawers are not touched and still open.
TEST_F(DrawerJournalTest, AJournalThatDoesNotHoldIsLeftAloneAndReported) {
  struct Case {
    const char* what;
    DrawerFiles target;
    uint64_t extraLength;
  };
  for (const Case& c : {Case{"a target that is the source", Drawer(), 0}, Case{"a length past a file's end", Target(), 1000}}) {
    const DrawerBuilder six = Numbered(6);
    const DrawerBuilder target = Numbered(Target(), 100, 2);
    const NamedDrawer source{JournalPlace::Here, "黄色の引出しリスト.ppl", "黄色の引出し.ppm"};
    const NamedDrawer named{JournalPlace::Here, c.target.listPath.substr(c.target.listPath.rfind('\\') + 1),
                            c.target.mailPath.substr(c.target.mailPath.rfind('\\') + 1)};
    const uint64_t mailLength = platform::FileSize(c.target.mailPath) + c.extraLength;
    WriteBytes(JournalPath(), IntentText(JournalSource{source, six.ListBytes().size(), CheckOf(six.ListBytes())},
                                         {{named, mailLength, static_cast<uint64_t>(platform::FileSize(c.target.listPath))}},
                                         {{0, 0}, {0, 1}}));
    const StoreResult appended = AppendMail(Drawer(), *ReadDrawer(Target()).entries[0], "text");
    EXPECT_EQ(appended.failure, StoreFailure::JournalRefused) << c.what;
    EXPECT_NE(appended.Message().find(JournalPath()), std::string::npos) << c.what;
    EXPECT_EQ(ListedNumbers(Drawer()), Range(0, 6)) << c.what;
    ExpectUntouched(six, Drawer());
    ExpectUntouched(target, Target());
    EXPECT_TRUE(PathExists(JournalPath())) << c.what;
    std::filesystem::remove(platform::NativePath(JournalPath()));
  }
}

// A book copied with the journal of an interrupted move in it (a backup, a
// folder restored elsewhere): the copy recovers its own drawers only, and
// needs the original for nothing.
TEST_F(DrawerJournalTest, AJournalInACopiedBookRecoversTheCopyOnly) {
  Numbered(6);
  Numbered(Target(), 100, 2);
  ASSERT_FALSE(MoveFailingFrom(kFirstNewPairWrite, {3}).Ok());
  const std::filesystem::path original(platform::NativePath(Drawer().folder));
  const std::filesystem::path copy = std::filesystem::path(Root()) / "copied" / original.filename();
  std::filesystem::create_directories(copy.parent_path());
  std::filesystem::copy(original, copy);
  const std::string journal = ReadBytes(JournalPath());
  BookPlace copied = Book(true);
  copied.ppPath = platform::ProgramPath((std::filesystem::path(Root()) / "copied").string());
  const DrawerFiles drawer = *GetDrawerFiles(copied, 1, "黄色の引出し");
  const DrawerFiles target = *GetDrawerFiles(copied, 2, "赤の引出し");
  std::multiset<int> all = Once(MailNumbers(drawer));
  for (int n : MailNumbers(target)) all.insert(n);
  EXPECT_EQ(all, Once({0, 1, 2, 3, 4, 5, 100, 101}));
  EXPECT_EQ(MailNumbers(target), (std::vector<int>{100, 101, 3}));
  EXPECT_TRUE(ReadBytes(JournalPath()) == journal);  // the original's journal is still waiting
  EXPECT_FALSE(PathExists(drawer.listPath + std::string(kJournalSuffix)));
}

// A killed append had claimed the end of the MailFile; another program then
// wrote a mail's text there and, after a recovery, its record: the text was
// never the call's, and stays.
TEST_F(DrawerJournalTest, TextAnotherProgramHasNotRecordedYetIsNeverCut) {
  const DrawerBuilder three = Numbered(3);
  DrawerBuilder ours;
  ours.AddNumberedMail(3);
  KilledAppendClaiming(Drawer(), ours.MailBytes(), ours.ListBytes());
  const std::string mails = ReadBytes(Drawer().mailPath);
  DrawerBuilder theirs;
  RecordFields& record = theirs.AddNumberedMail(50);
  record.bodyStart += mails.size();
  record.mailStart = mails.size();
  WriteBytes(Drawer().mailPath, mails + theirs.MailBytes());
  EXPECT_EQ(ListedNumbers(Drawer()), Range(0, 3));  // recovers
  WriteBytes(Drawer().listPath, ReadBytes(Drawer().listPath) + theirs.ListBytes());
  EXPECT_EQ(ListedNumbers(Drawer()), (std::vector<int>{0, 1, 2, 50}));
  EXPECT_EQ(RawNumbers(Drawer()), (std::vector<int>{0, 1, 2, 50}));
}

// A move killed after its journal named mail 3 as leaving for the target;
// another program then appended to the target a mail like it but for one
// byte of its record or of its text: it is not mail 3, which stays.
TEST_F(DrawerJournalTest, OnlyAMailEqualByteForByteCountsAsArrived) {
  for (const bool recordDiffers : {true, false}) {
    Numbered(6);
    std::filesystem::remove(platform::NativePath(Target().listPath));
    std::filesystem::remove(platform::NativePath(Target().mailPath));
    const DrawerListing loaded = ReadDrawer(Drawer());
    const DrawerFiles source = Drawer();
    {
      DrawerJournal journal(source, &source, loaded.LoadedBytes());
      PairAppender target(Target(), &journal);
      journal.AddTarget(target);
      journal.AddLeave(0, 3);
      ASSERT_TRUE(journal.Begin().Ok());
    }
    DrawerBuilder like;
    RecordFields& record = like.AddNumberedMail(3);
    std::string text = like.MailBytes();
    if (recordDiffers) record.status = 1;
    else text.back() ^= 1;
    WriteBytes(Target().mailPath, text);
    WriteBytes(Target().listPath, like.ListBytes());
    ReadDrawer(Drawer());
    EXPECT_EQ(ListedNumbers(Drawer()), Range(0, 6)) << recordDiffers;
    EXPECT_EQ(ReadDrawer(Target()).entries.size(), 1u) << recordDiffers;
  }
}

// A call whose journal cannot be made does not start.
TEST_F(DrawerJournalTest, ACallWithoutItsJournalChangesNothing) {
  const DrawerBuilder builder = Numbered(4);
  const DrawerListing loaded = ReadDrawer(Drawer());
  platform::FaultInjection faults;
  faults.FailWritesFrom(1);
  const StoreResult result = DistributeMails(Drawer(), loaded, nullptr,
                                             [&](const MailEntry&, std::string_view) { return Destination::To(Target()); });
  EXPECT_EQ(result.failure, StoreFailure::CannotCreateScratch);
  EXPECT_TRUE(ReadBytes(Drawer().listPath) == builder.ListBytes());
  EXPECT_FALSE(PathExists(Target().listPath) && platform::FileSize(Target().listPath) > 0);
}

// An earlier version of the store left a note beside every drawer it appended to.
TEST_F(DrawerJournalTest, AnEarlierVersionsNoteOfAnEndedAppendGoes) {
  const DrawerBuilder builder = Numbered(2);
  WriteBytes(Drawer().listPath + ".append", "- " + std::string(62, '0') + "\n");
  EXPECT_EQ(MailNumbers(), Range(0, 2));
  ExpectUntouched(builder);
}

// What an earlier version or a killed process left goes from the program's
// own folders; PostPet's keep whatever is not provably an ended append's.
TEST_F(DrawerJournalTest, LeftoversGoFromTheProgramsOwnFoldersOnly) {
  const DrawerFiles own = Drawer(10, "仕事");
  Numbered(2);
  Numbered(own, 5, 2);
  const std::string ended = "\\.mkreplace-" + std::to_string(EndedProcessId()) + "-1700000000-0";
  const std::string running = "\\.mkreplace-" + std::to_string(getpid()) + "-1700000000-1";
  const std::pair<std::string, bool> leftovers[] = {
      {own.listPath + ".append", true},
      {own.folder + ended, true},
      {own.folder + running, false},
      {Drawer().listPath + ".append", false},
      {Drawer().folder + ended, false},
  };
  for (const auto& [path, goes] : leftovers) WriteBytes(path, std::string(64, '0') + "\n");  // an append running
  EXPECT_EQ(MailNumbers(own), Range(5, 7));
  for (const auto& [path, goes] : leftovers) EXPECT_EQ(PathExists(path), !goes) << path;
}

}  // namespace
