#include "browser/SortRun.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include "browser/store/ListFile.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/StoreSandbox.h"

namespace {

// Answers the run's questions from a script and records what was asked.
class ScriptedQuestions : public SortQuestions {
 public:
  bool PreferSubjectRule(const MailEntry& mail, const SortRule&, const SortRule&) override {
    conflicts.emplace_back(mail.Text(MailField::Subject));
    return preferSubject;
  }
  LearnedRule AskForRule(const MailEntry& mail, std::string_view address) override {
    asked.emplace_back(address);
    if (answers.empty()) return {};
    LearnedRule answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void DrawerAdded(std::string_view name) override { added.emplace_back(name); }
  void BetweenMails() override { ++mailsSeen; }

  bool preferSubject = false;
  std::deque<LearnedRule> answers;
  std::vector<std::string> conflicts, asked, added;
  int mailsSeen = 0;
};

class SortRunTest : public StoreSandboxTest {
 protected:
  void SetUp() override {
    StoreSandboxTest::SetUp();
    book.place = Book(true);
    book.rows = FixedDrawerNames(true);
    book.drawerCfgPath = book.place.exeDir + "\\dorvndwl.cfg";
    book.openRow = 0;
    for (const bool receive : {true, false})
      std::filesystem::create_directories(platform::NativePath(DrawerOf(receive, 0, "").folder));
  }
  void AddOwnRow(const std::string& name) { book.rows.push_back(name); }
  DrawerFiles Files(const std::string& row) const {
    const auto at = std::find(book.rows.begin(), book.rows.end(), row);
    return *GetDrawerFiles(book.place, static_cast<int>(at - book.rows.begin()), row);
  }
  void Mail(const std::string& from, const std::string& subject, const std::string& extraHeader = "") {
    RecordFields fields;
    fields.from = from;
    fields.subject = subject;
    fields.to = "me@example.jp";
    mails.AddMail("From: " + from + "\r\n" + extraHeader + "Subject: " + subject + "\r\n\r\n",
                  "body of " + subject + "\r\n", fields);
  }
  void Rules(const char* file, const std::string& lines) { WriteBytes(book.place.exeDir + "\\" + file, lines); }
  StoreResult Sort() {
    const DrawerFiles open = Files(book.rows[book.openRow]);
    mails.Write(open.listPath, open.mailPath);
    const DrawerListing loaded = ReadDrawer(open);
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

TEST_F(SortRunTest, FilesByMarkerAddressAndSubjectAndAsksOnlyOnConflict) {
  AddOwnRow("友達");
  AddOwnRow("会議");
  Rules("dorvnadw.cfg", "friend@x 友達\r\npet@x 友達\r\n");
  Rules("dorvnsdw.cfg", "*会議* 会議\r\n");
  Mail("Pet <pet@x>", "pet", "X-PostPet-Message: 2\r\n");
  Mail("Friend <friend@x>", "hello");
  Mail("someone@y", "定例会議のお知らせ");
  Mail("friend@x", "会議です");
  ASSERT_TRUE(Sort().Ok());
  EXPECT_EQ(SubjectsIn("ペットメール"), Subjects{"pet"});
  EXPECT_EQ(SubjectsIn("友達"), (Subjects{"hello", "会議です"}));
  EXPECT_EQ(SubjectsIn("会議"), Subjects{"定例会議のお知らせ"});
  EXPECT_EQ(questions.conflicts, Subjects{"会議です"});
  EXPECT_TRUE(SubjectsIn("受信簿").empty());
  EXPECT_EQ(questions.mailsSeen, 4);
}

TEST_F(SortRunTest, ConflictAnsweredYesTakesTheSubjectRule) {
  AddOwnRow("友達");
  AddOwnRow("会議");
  Rules("dorvnadw.cfg", "friend@x 友達\r\n");
  Rules("dorvnsdw.cfg", "会議* 会議\r\n");
  questions.preferSubject = true;
  Mail("friend@x", "会議です");
  ASSERT_TRUE(Sort().Ok());
  EXPECT_EQ(SubjectsIn("会議"), Subjects{"会議です"});
}

TEST_F(SortRunTest, ALearnedRuleServesTheRestOfTheRunAndIsStored) {
  questions.answers = {{LearnedRule::Kind::Address, "", "新しい引出し"},
                       {LearnedRule::Kind::Subject, "Re:*", "返信"}};
  Mail("A <a@x>", "one");
  Mail("a@x", "two");
  Mail("b@x", "Re: three");
  Mail("c@x", "Re: four");
  ASSERT_TRUE(Sort().Ok());
  EXPECT_EQ(questions.asked, (Subjects{"a@x", "b@x"}));
  EXPECT_EQ(questions.added, (Subjects{"新しい引出し", "返信"}));
  EXPECT_EQ(SubjectsIn("新しい引出し"), (Subjects{"one", "two"}));
  EXPECT_EQ(SubjectsIn("返信"), (Subjects{"Re: three", "Re: four"}));
  EXPECT_TRUE(ReadBytes(book.place.exeDir + "\\dorvnadw.cfg") == "a@x 新しい引出し\r\n");
  EXPECT_TRUE(ReadBytes(book.place.exeDir + "\\dorvnsdw.cfg") == "Re:* 返信\r\n");
  EXPECT_TRUE(ReadBytes(book.drawerCfgPath) == "新しい引出し\r\n返信\r\n");
}

TEST_F(SortRunTest, ADialogClosedWithoutAUsableNameLeavesTheMailAndLearnsNothing) {
  questions.answers = {{LearnedRule::Kind::Address, "", ""}, {LearnedRule::Kind::Address, "", "a/b"}};
  Mail("a@x", "one");
  Mail("b@x", "two");
  ASSERT_TRUE(Sort().Ok());
  EXPECT_EQ(SubjectsIn("受信簿"), (Subjects{"one", "two"}));
  EXPECT_FALSE(PathExists(book.place.exeDir + "\\dorvnadw.cfg"));
  EXPECT_EQ(book.rows.size(), 10u);
}

TEST_F(SortRunTest, SelfTargetedMailsKeepTheirOrderAndCaseDifferentNamesFindTheRow) {
  AddOwnRow("Friends");
  book.openRow = 10;
  Rules("dorvnadw.cfg", "a@x friends\r\nb@x 黄色の引出し\r\n");
  for (const char* s : {"1", "2", "3", "4"}) Mail(std::string(s) == "2" ? "b@x" : "a@x", s);
  ASSERT_EQ(Sort().message, "");
  EXPECT_EQ(SubjectsIn("Friends"), (Subjects{"1", "3", "4"}));
  EXPECT_EQ(SubjectsIn("黄色の引出し"), Subjects{"2"});
  EXPECT_EQ(book.rows.size(), 11u);
}

TEST_F(SortRunTest, LeavesCopiesOfTheOpenDrawerAside) {
  Rules("dorvnadw.cfg", "a@x 黄色の引出し\r\n");
  Mail("a@x", "one");
  ASSERT_TRUE(Sort().Ok());
  const std::string folder = book.place.exeDir + "\\受信フォルダ\\";
  EXPECT_TRUE(ReadBytes(folder + "copy受信リスト.ppl") == mails.ListBytes());
  EXPECT_TRUE(ReadBytes(folder + "copy受信メール.ppm") == mails.MailBytes());
}

TEST_F(SortRunTest, ACopyThatWouldReplaceAnotherDrawerStopsBeforeAnythingChanges) {
  AddOwnRow("copy受信");  // its MailFile is copy受信.ppm, its ListFile copy受信リスト.ppl
  DrawerBuilder own;
  own.AddMail("From: z\r\n\r\n", "z", {});
  own.Write(Files("copy受信").listPath, Files("copy受信").mailPath);
  Rules("dorvnadw.cfg", "a@x 黄色の引出し\r\n");
  Mail("a@x", "one");
  EXPECT_EQ(Sort().message, kBackupFailed);
  EXPECT_TRUE(ReadBytes(Files("copy受信").listPath) == own.ListBytes());
  EXPECT_EQ(SubjectsIn("受信簿"), Subjects{"one"});
}

TEST_F(SortRunTest, AMailThatCannotBeReadBackStopsTheRunThereAndStays) {
  Rules("dorvnadw.cfg", "a@x 黄色の引出し\r\n");
  Mail("a@x", "one");
  Mail("a@x", "two");
  Mail("a@x", "three");
  const DrawerFiles open = Files("受信簿");
  mails.Write(open.listPath, open.mailPath);
  const DrawerListing loaded = ReadDrawer(open);
  const std::string text = ReadBytes(open.mailPath);
  WriteBytes(open.mailPath, text.substr(0, text.size() - 3));  // the last mail is short
  EXPECT_EQ(SortDrawer(book, loaded, questions).message, kCannotOpenMailFile);
  EXPECT_EQ(SubjectsIn("黄色の引出し"), (Subjects{"one", "two"}));
  EXPECT_EQ(SubjectsIn("受信簿"), Subjects{"three"});
}

TEST_F(SortRunTest, RulesPastTheFileLimitServeTheRunButAreNotStored) {
  std::string lines;
  for (int i = 0; i < 2000; ++i) lines += "k" + std::to_string(i) + "@x 黄色の引出し\r\n";
  Rules("dorvnadw.cfg", lines);
  questions.answers = {{LearnedRule::Kind::Address, "", "赤の引出し"}};
  Mail("new@x", "one");
  Mail("new@x", "two");
  ASSERT_TRUE(Sort().Ok());
  EXPECT_EQ(SubjectsIn("赤の引出し"), (Subjects{"one", "two"}));
  EXPECT_TRUE(ReadBytes(book.place.exeDir + "\\dorvnadw.cfg") == lines);
}

TEST_F(SortRunTest, TheSendBookSortsByTheWholeToField) {
  book.place = Book(false);
  book.rows = FixedDrawerNames(false);
  WriteBytes(book.place.exeDir + "\\dorvnsad.cfg", "Bob <bob@x>\t送信済\r\n");
  questions.answers = {{LearnedRule::Kind::Subject, "ignored", "他"}};
  RecordFields toBob;
  toBob.to = "Bob <bob@x>";
  toBob.subject = "1";
  mails.AddMail("To: Bob\r\n\r\n", "b", toBob);
  RecordFields toAnn = toBob;
  toAnn.to = "ann@x";
  toAnn.subject = "2";
  mails.AddMail("To: ann@x\r\nX-PostPet-Message: 2\r\n\r\n", "b", toAnn);
  ASSERT_TRUE(Sort().Ok());
  EXPECT_EQ(questions.asked, Subjects{"ann@x"});
  EXPECT_EQ(SubjectsIn("他"), Subjects{"2"});
  EXPECT_TRUE(ReadBytes(book.place.exeDir + "\\dorvnsad.cfg") == "Bob <bob@x>\t送信済\r\nann@x 他\r\n");
}

}  // namespace
