#include "browser/SortRun.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <deque>
#include <filesystem>

#include "browser/store/DrawerNameFile.h"
#include "browser/store/DrawerRewrite.h"
#include "browser/store/ListFile.h"
#include "platform/files/Files.h"
#include "tests/browser/units/NoQuestions.h"
#include "tests/support/ForkedChild.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/StoreSandbox.h"

namespace {

// Answers each new-rule question from a script; no other question comes.
class ScriptedQuestions : public NoQuestions {
 public:
  LearnedRule AskForRule(const MailEntry&, std::string_view) override {
    if (answers.empty()) return {};
    LearnedRule answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<LearnedRule> answers;
};

class SortRunTest : public StoreSandboxTest {
 protected:
  void SetUp() override {
    StoreSandboxTest::SetUp();
    book.place = Book(true);
    book.rows = FixedDrawerNames(true);
    book.openRow = 0;
    for (const bool receive : {true, false})
      std::filesystem::create_directories(platform::NativePath(DrawerOf(receive, 0, "").folder));
  }
  // An own drawer, listed in the book's DrawerNameFile as the window lists it.
  void AddOwnRow(const std::string& name) {
    book.rows.push_back(name);
    ASSERT_TRUE(AddOwnDrawer(DrawerNameFileOf(book.place), name).result.Ok());
  }
  DrawerFiles Files(const std::string& row) const {
    const auto at = std::find(book.rows.begin(), book.rows.end(), row);
    return *GetDrawerFiles(book.place, static_cast<int>(at - book.rows.begin()), row);
  }
  void Mail(const std::string& from, const std::string& subject) {
    RecordFields fields;
    fields.from = from;
    fields.subject = subject;
    fields.to = "me@example.jp";
    mails.AddMail("From: " + from + "\r\nSubject: " + subject + "\r\n\r\n",
                  "body of " + subject + "\r\n", fields);
  }
  void Rules(const char* file, const std::string& lines) { WriteBytes(book.place.exeDir + "\\" + file, lines); }
  // The open drawer written from mails and loaded, as the window holds it.
  DrawerListing WriteAndLoad() {
    const DrawerFiles open = Files(book.rows[book.openRow]);
    mails.Write(open.listPath, open.mailPath);
    return ReadDrawer(open);
  }
  StoreResult Sort() {
    const DrawerListing loaded = WriteAndLoad();
    return SortDrawer(book, loaded, questions);
  }
  std::vector<std::string> SubjectsIn(const std::string& row) const {
    std::vector<std::string> subjects;
    for (const MailEntry* entry : ReadDrawer(Files(row)).entries)
      subjects.emplace_back(entry->Text(MailField::Subject));
    return subjects;
  }
  using Subjects = std::vector<std::string>;

  SortBook book;
  DrawerBuilder mails;
  ScriptedQuestions questions;
};

TEST_F(SortRunTest, SelfTargetedMailsKeepTheirOrderAndCaseDifferentNamesFindTheRow) {
  AddOwnRow("Friends");
  book.openRow = 10;
  Rules("dorvnadw.cfg", "a@x friends\r\nb@x 黄色の引出し\r\n");
  for (const char* s : {"1", "2", "3", "4"}) Mail(std::string(s) == "2" ? "b@x" : "a@x", s);
  ASSERT_TRUE(Sort().Ok());
  EXPECT_EQ(SubjectsIn("Friends"), (Subjects{"1", "3", "4"}));
  EXPECT_EQ(SubjectsIn("黄色の引出し"), Subjects{"2"});
  EXPECT_EQ(book.rows.size(), 11u);
}

TEST_F(SortRunTest, AMailThatCannotBeReadBackStopsTheRunThereAndStays) {
  Rules("dorvnadw.cfg", "a@x 黄色の引出し\r\n");
  Mail("a@x", "one");
  Mail("a@x", "two");
  Mail("a@x", "three");
  const DrawerListing loaded = WriteAndLoad();
  const DrawerFiles open = Files("受信簿");
  const std::string text = ReadBytes(open.mailPath);
  WriteBytes(open.mailPath, text.substr(0, text.size() - 3));  // the last mail is short
  EXPECT_EQ(SortDrawer(book, loaded, questions).failure, StoreFailure::CannotOpenMailFile);
  EXPECT_EQ(SubjectsIn("黄色の引出し"), (Subjects{"one", "two"}));
  EXPECT_EQ(SubjectsIn("受信簿"), Subjects{"three"});
}

// Another window deleted a mail after this one loaded the drawer: the run is
// refused before any mail is appended anywhere.
TEST_F(SortRunTest, AStaleWindowsRunIsRefusedBeforeAnyAppend) {
  Rules("dorvnadw.cfg", "a@x 黄色の引出し\r\n");
  Mail("a@x", "one");
  Mail("a@x", "two");
  const DrawerListing stale = WriteAndLoad();
  const DrawerListing fresh = ReadDrawer(Files("受信簿"));
  ASSERT_TRUE(RewriteDrawer(Files("受信簿"), fresh, {fresh.entries[1]}).Ok());
  EXPECT_EQ(SortDrawer(book, stale, questions).failure, StoreFailure::DrawerChanged);
  EXPECT_TRUE(SubjectsIn("黄色の引出し").empty());
  EXPECT_EQ(SubjectsIn("受信簿"), Subjects{"two"});
}

// The run's mails may go to drawers of the book's other folder, where its
// copies go too: it waits while another program holds that folder's lock,
// and changes nothing before. The copies hold the drawer as the run found
// it once the lock was its own, with the mail appended meanwhile.
TEST_F(SortRunTest, TheRunWaitsForTheLocksOfBothBookFolders) {
  AddOwnRow("仕事");
  Rules("dorvnadw.cfg", "a@x 仕事\r\n");
  Mail("a@x", "one");
  const DrawerListing loaded = WriteAndLoad();
  const DrawerFiles open = Files("受信簿");
  const DrawerFiles copies = SortCopiesOf(book.place, open);
  Mail("c@x", "meanwhile");
  std::filesystem::create_directories(platform::NativePath(Files("仕事").folder));
  const std::string released = book.place.exeDir + "\\released";
  const std::string locked = book.place.exeDir + "\\locked";
  const pid_t holder = fork();
  if (holder == 0) {
    const platform::FileLock lock(Files("仕事").folder);
    WriteBytes(locked, "");
    usleep(300000);
    const bool copiedMeanwhile = PathExists(copies.listPath) || PathExists(copies.mailPath);
    mails.Write(open.listPath, open.mailPath);
    WriteBytes(released, "");
    _exit(lock.Held() && !copiedMeanwhile ? 0 : 1);
  }
  while (!PathExists(locked)) usleep(1000);
  ASSERT_TRUE(SortDrawer(book, loaded, questions).Ok());
  EXPECT_TRUE(PathExists(released));
  EXPECT_EQ(SubjectsIn("仕事"), Subjects{"one"});
  EXPECT_EQ(SubjectsIn("受信簿"), Subjects{"meanwhile"});
  EXPECT_TRUE(ReadBytes(copies.listPath) == mails.ListBytes());
  EXPECT_TRUE(ReadBytes(copies.mailPath) == mails.MailBytes());
  int status = 1;
  ASSERT_EQ(waitpid(holder, &status, 0), holder);
  EXPECT_EQ(status, 0);
}

// The copies are written after every question, under the book's locks; one
// that fails moves no mail, and the answers given stay.
TEST_F(SortRunTest, ACopyThatFailsMovesNothing) {
  questions.answers = {{LearnedRule::Kind::Address, "", "赤の引出し"}};
  Mail("new@x", "one");
  const DrawerListing loaded = WriteAndLoad();
  std::filesystem::create_directories(platform::NativePath(SortCopiesOf(book.place, Files("受信簿")).mailPath));
  EXPECT_EQ(SortDrawer(book, loaded, questions).failure, StoreFailure::BackupFailed);
  EXPECT_EQ(SubjectsIn("受信簿"), Subjects{"one"});
  EXPECT_TRUE(SubjectsIn("赤の引出し").empty());
  EXPECT_TRUE(ReadBytes(book.place.exeDir + "\\dorvnadw.cfg") == "new@x 赤の引出し\r\n");
}

// The drawer names are saved through a file beside them: a save that was
// killed leaves it in the program folder until the next save, under the
// same lock, removes it. One still being written stays.
TEST_F(SortRunTest, ANewDrawersNamesSaveClearsWhatAKilledSaveLeft) {
  const std::string ended = book.place.exeDir + "\\.mkreplace-" + std::to_string(EndedProcessId()) + "-1700000000-0";
  const std::string running = book.place.exeDir + "\\.mkreplace-" + std::to_string(getpid()) + "-1700000000-1";
  for (const std::string& path : {ended, running}) WriteBytes(path, "half");
  questions.answers = {{LearnedRule::Kind::Address, "", "旅行"}};
  Mail("new@x", "one");
  ASSERT_TRUE(Sort().Ok());
  EXPECT_EQ(SubjectsIn("旅行"), Subjects{"one"});
  EXPECT_FALSE(PathExists(ended));
  EXPECT_TRUE(PathExists(running));
}

TEST_F(SortRunTest, RulesPastTheFileLimitServeTheRunButAreNotStored) {
  std::string lines;
  for (int i = 0; i < 2000; ++i) lines.append("k").append(std::to_string(i)).append("@x 黄色の引出し\r\n");
  Rules("dorvnadw.cfg", lines);
  questions.answers = {{LearnedRule::Kind::Address, "", "赤の引出し"}};
  Mail("new@x", "one");
  Mail("new@x", "two");
  ASSERT_TRUE(Sort().Ok());
  EXPECT_EQ(SubjectsIn("赤の引出し"), (Subjects{"one", "two"}));
  EXPECT_TRUE(ReadBytes(book.place.exeDir + "\\dorvnadw.cfg") == lines);
}

TEST_F(SortRunTest, RecordsTheRunDidNotLoadStayInTheOpenDrawer) {
  Rules("dorvnadw.cfg", "a@x 黄色の引出し\r\n");
  for (size_t i = 0; i < kMaxRows + 1; ++i) Mail("a@x", std::to_string(i));
  const DrawerFiles open = Files("受信簿");
  mails.Write(open.listPath, open.mailPath);
  const DrawerListing loaded = ReadDrawer(open);
  DrawerBuilder later;
  RecordFields fields;
  fields.from = "a@x";
  fields.subject = "filed meanwhile";
  later.AddMail("From: a@x\r\n\r\n", "b", fields);
  MailEntry entry;
  size_t pos = 0;
  const std::string record = later.ListBytes();
  ASSERT_TRUE(ParseListRecord(record, pos, entry) && AppendMail(open, entry, later.MailBytes()).Ok());
  ASSERT_TRUE(SortDrawer(book, loaded, questions).Ok());
  EXPECT_EQ(SubjectsIn("黄色の引出し").size(), kMaxRows);
  EXPECT_EQ(SubjectsIn("受信簿"), (Subjects{std::to_string(kMaxRows), "filed meanwhile"}));
}

}  // namespace
