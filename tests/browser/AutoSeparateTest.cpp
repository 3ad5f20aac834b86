// 仕分け through the main window: the ModalDriver answers the conflict and
// new-rule dialogs as a user would, and the drawers' files show where every
// mail went.

#include "browser/Progress.h"
#include "browser/Select.h"
#include "browser/Setas.h"
#include "platform/files/Files.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"
#include "tests/browser/MainFormFixture.h"

#include <filesystem>

namespace {

using Texts = std::vector<std::string>;

void AddMail(DrawerBuilder& mails, const std::string& from, const std::string& subject,
             const std::string& to = "me@example.jp", const std::string& extra = "") {
  RecordFields fields;
  fields.from = from;
  fields.to = to;
  fields.subject = subject;
  mails.AddMail("From: " + from + "\r\nTo: " + to + "\r\n" + extra + "Subject: " + subject + "\r\n\r\n",
                "body " + subject + "\r\n", fields);
}

}  // namespace

class AutoSeparateTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    WriteDrawerNameFile("dorvndwl.cfg", {"ひみつ日記", "ペットメール", "友達", "会議"});
    std::filesystem::create_directories(platform::NativePath(Program() + "\\受信フォルダ"));
  }
  void Rules(const char* file, const std::string& lines) { WriteBytes(Program() + "\\" + file, lines); }
  std::string RuleFile(const char* file) const { return ReadBytes(Program() + "\\" + file); }

  void AnswerConflict(TModalResult result) {
    driver->FormAnswers.push_back([this, result](TForm& f) {
      auto& dialog = static_cast<TSelectDlg&>(f);
      EXPECT_EQ(SelectDlg, &dialog);
      conflictShown = {dialog.FromAdd->Caption(), dialog.Subject->Caption(), dialog.AdCfg->Caption(),
                       dialog.SbCfg->Caption()};
      if (result == mrNo) PressKey(*dialog.YseBtn, VK_ESCAPE);
      else dialog.YseBtn->Click();
    });
  }
  // Records what the new-rule dialog shows, then answers with a drawer name
  // (none: the close box), a choice and a pattern typed into EdSubject.
  void AnswerRule(const std::string& drawer, int choice = TSetASDlg::kAddressChoice,
                  const std::string& pattern = "") {
    driver->FormAnswers.push_back([this, drawer, choice, pattern](TForm& f) {
      auto& dialog = static_cast<TSetASDlg&>(f);
      EXPECT_EQ(SetASDlg, &dialog);
      ruleShown.push_back({dialog.Label1->Caption(), dialog.FromAdd->Caption(), dialog.Address->Text(),
                           dialog.EdSubject->Text(), dialog.SelRdBtn->Enabled() ? "choice" : "no choice"});
      offeredRows = dialog.DrawerName->Items->ToVector();
      dialog.SelRdBtn->SetItemIndex(choice);
      if (!pattern.empty()) dialog.EdSubject->SetText(pattern);
      dialog.DrawerName->SetText(drawer);
      if (!drawer.empty()) dialog.OkBtn->Click();
    });
  }
  // The receive book holding mails of these From fields and Subjects, sorted by 仕分け(&S).
  void SortReceiveBook(const std::vector<std::pair<std::string, std::string>>& fromAndSubject) {
    DrawerBuilder mails;
    for (const auto& [from, subject] : fromAndSubject) AddMail(mails, from, subject);
    WriteDrawer(true, "", mails);
    Start();
    form->AutoSeparate->Click();
  }

  Texts conflictShown;
  std::vector<Texts> ruleShown;
  Texts offeredRows;
};

TEST_F(AutoSeparateTest, TheReceiveBookGoesByMarkerRulesAndBothDialogs) {
  Rules("dorvnadw.cfg", "friend@x 友達\r\n");
  Rules("dorvnsdw.cfg", "*会議* 会議\r\n");
  DrawerBuilder mails;
  AddMail(mails, "Pet <pet@x>", "pet", "me@example.jp", "X-PostPet-Message: 2\r\n");
  AddMail(mails, "Friend <friend@x>", "hello");
  AddMail(mails, "friend@x", "会議の件");
  RecordFields quoting;  // the marker only in the body, as a quote: the address rule decides
  quoting.from = "friend@x";
  quoting.subject = "quoted";
  mails.AddMail("From: friend@x\r\nSubject: quoted\r\n\r\n", "> X-PostPet-Message: 2\r\n", quoting);
  AddMail(mails, "New (someone) <new@x>", "first");
  AddMail(mails, "new@x", "second");
  AddMail(mails, "self@x", "stays");
  AddMail(mails, "other@x", "Re: 旅行");
  AddMail(mails, "third@x", "Re: 旅行の写真");
  WriteDrawer(true, "", mails);
  AnswerConflict(mrNo);
  AnswerRule("新しい引出し");
  AnswerRule("受信簿");
  AnswerRule("旅行", TSetASDlg::kSubjectChoice, "Re: 旅行*");
  Start();
  form->AutoSeparate->Click();

  EXPECT_TRUE(LastMessages().empty());
  EXPECT_EQ(driver->ModalForms, (Texts{"SelectDlg", "SetASDlg", "SetASDlg", "SetASDlg"}));
  EXPECT_EQ(conflictShown, (Texts{"friend@x", "会議の件", "friend@x=友達", "*会議*=会議"}));
  ASSERT_EQ(ruleShown.size(), 3u);
  EXPECT_EQ(ruleShown[0], (Texts{"From:", "New (someone) <new@x>", "new@x", "first", "choice"}));
  // The last dialog offers every row, the one the run made before it included.
  Texts rowsBeforeTravel = DrawerRows();
  rowsBeforeTravel.pop_back();
  EXPECT_EQ(offeredRows, rowsBeforeTravel);
  EXPECT_EQ(SubjectsIn(true, "ペットメール"), Texts{"pet"});
  EXPECT_EQ(SubjectsIn(true, "友達"), (Texts{"hello", "会議の件", "quoted"}));
  EXPECT_EQ(SubjectsIn(true, "新しい引出し"), (Texts{"first", "second"}));
  EXPECT_EQ(SubjectsIn(true, "旅行"), (Texts{"Re: 旅行", "Re: 旅行の写真"}));
  EXPECT_EQ(SubjectsIn(true, ""), Texts{"stays"});
  EXPECT_EQ(DrawerRows().back(), "旅行");
  EXPECT_TRUE(RuleFile("dorvnadw.cfg") == "friend@x 友達\r\nnew@x 新しい引出し\r\nself@x 受信簿\r\n");
  EXPECT_TRUE(RuleFile("dorvnsdw.cfg") == "*会議* 会議\r\nRe: 旅行*\t旅行\r\n");
  EXPECT_EQ(form->MailList->Items->Count(), 1);
  EXPECT_EQ(form->DrawerList->ItemIndex(), 0);
  EXPECT_EQ(SelectDlg, nullptr);
  EXPECT_EQ(SetASDlg, nullptr);
}

TEST_F(AutoSeparateTest, YesTakesTheSubjectRuleAndTheCopiesStayAside) {
  Rules("dorvnadw.cfg", "friend@x 友達\r\n");
  Rules("dorvnsdw.cfg", "会議* 会議\r\n");
  DrawerBuilder mails;
  AddMail(mails, "friend@x", "会議の件");
  WriteDrawer(true, "", mails);
  AnswerConflict(mrYes);
  Start();
  form->DwMenu->OnPopup(form->DwMenu);
  form->DwMenuAtS->Click();
  EXPECT_EQ(SubjectsIn(true, "会議"), Texts{"会議の件"});
  EXPECT_TRUE(ReadBytes(Program() + "\\受信フォルダ\\copy受信リスト.ppl") == mails.ListBytes());
  EXPECT_TRUE(ReadBytes(Program() + "\\受信フォルダ\\copy受信メール.ppm") == mails.MailBytes());
}

TEST_F(AutoSeparateTest, TheSendBookAsksByTheToFieldWithoutAChoice) {
  DrawerBuilder mails;
  AddMail(mails, "me@example.jp", "見積り", "Bob <bob@x>");
  AddMail(mails, "me@example.jp", "請求", "Bob <bob@x>");
  WriteDrawer(false, "", mails);
  AnswerRule("取引先", TSetASDlg::kSubjectChoice);
  Start();
  form->MBoxChange->Click();
  form->AutoSeparate->Click();
  ASSERT_EQ(ruleShown.size(), 1u);
  EXPECT_EQ(ruleShown[0], (Texts{"To:", "Bob <bob@x>", "Bob <bob@x>", "見積り", "no choice"}));
  EXPECT_EQ(SubjectsIn(false, "取引先"), (Texts{"見積り", "請求"}));
  EXPECT_TRUE(ReadBytes(Program() + "\\dorvnsad.cfg") == "Bob <bob@x>\t取引先\r\n");
  EXPECT_FALSE(PathExists(Program() + "\\dorvnsdw.cfg"));
}

// OK refuses a name the path rule refuses; the close box then leaves it.
TEST_F(AutoSeparateTest, TheCloseBoxWithoutAUsableNameLeavesTheMailAndLearnsNothing) {
  AnswerRule("");
  AnswerRule("a/b");
  AnswerRule("友達");
  SortReceiveBook({{"a@x", "one"}, {"b@x", "two"}, {"c@x", "three"}});
  EXPECT_EQ(LastMessages(), Texts{"引出し名に使えない文字が含まれています"});
  EXPECT_EQ(SubjectsIn(true, ""), (Texts{"one", "two"}));
  EXPECT_EQ(SubjectsIn(true, "友達"), Texts{"three"});
  EXPECT_TRUE(RuleFile("dorvnadw.cfg") == "c@x 友達\r\n");
  EXPECT_EQ(DrawerRows().size(), 14u);
}

TEST_F(AutoSeparateTest, ARuleNamingADrawerInAnotherCaseFilesIntoThatDrawer) {
  WriteDrawerNameFile("dorvndwl.cfg", {"ひみつ日記", "ペットメール", "Friends"});
  Rules("dorvnadw.cfg", "a@x FRIENDS\r\n");
  SortReceiveBook({{"a@x", "one"}});
  EXPECT_EQ(SubjectsIn(true, "Friends"), Texts{"one"});
  EXPECT_EQ(DrawerRows().size(), 13u);
}

// A folder where the target's file should be: which file, and the message.
class AutoSeparateTargetFailureTest : public AutoSeparateTest,
                                      public ::testing::WithParamInterface<std::pair<bool, std::string>> {};

TEST_P(AutoSeparateTargetFailureTest, StopsWithTheRestInTheOpenDrawer) {
  const auto& [listFile, message] = GetParam();
  Rules("dorvnadw.cfg", "a@x 友達\r\nb@x 会議\r\n");
  const std::string blocked = listFile ? ListPath(true, "会議") : MailPath(true, "会議");
  std::filesystem::create_directories(platform::NativePath(blocked));
  SortReceiveBook({{"a@x", "one"}, {"b@x", "two"}, {"a@x", "three"}});
  EXPECT_EQ(LastMessages(), Texts{message});
  EXPECT_EQ(SubjectsIn(true, "友達"), Texts{"one"});
  EXPECT_EQ(SubjectsIn(true, ""), (Texts{"two", "three"}));
  EXPECT_EQ(form->MailList->Items->Count(), 2);
}

INSTANTIATE_TEST_SUITE_P(TargetFiles, AutoSeparateTargetFailureTest,
                         ::testing::Values(std::pair<bool, std::string>{false, "メールファイルが開けません"},
                                           std::pair<bool, std::string>{true, "リストファイルが開けません"}));

TEST_F(AutoSeparateTest, ACopyOverAnotherDrawersFileStopsBeforeAnythingMoves) {
  WriteDrawerNameFile("dorvndwl.cfg", {"ひみつ日記", "ペットメール", "copy受信"});
  Rules("dorvnadw.cfg", "a@x ひみつ日記\r\n");
  SortReceiveBook({{"a@x", "one"}});
  EXPECT_EQ(LastMessages(), Texts{"バックアップ失敗"});
  EXPECT_EQ(SubjectsIn(true, ""), Texts{"one"});
  EXPECT_FALSE(PathExists(ListPath(true, "copy受信")));
}
