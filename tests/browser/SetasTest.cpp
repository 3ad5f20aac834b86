// The new-rule dialog of automatic sorting: the choice greys the other rule's
// edit, OK wants a usable drawer name, and the run reads what is left.

#include <gtest/gtest.h>

#include <cstdlib>

#include "browser/Setas.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/FormsTesting.h"
#include "platform/forms/StdCtrls.h"
#include "tests/support/Sandbox.h"

namespace {

class SetASDlgTest : public SandboxTest {
 protected:
  // Fills the dialog as the run does: receive book, or the send book's To field and no choice.
  void FillAsTheRun(bool receiveBook) {
    if (!receiveBook) dialog.Label1->SetCaption("To:");
    dialog.SelRdBtn->SetEnabled(receiveBook);
    const char* from = receiveBook ? "山田太郎 <taro@example.jp>" : "hanako@example.jp";
    dialog.FromAdd->SetCaption(from);
    dialog.Address->SetText(receiveBook ? "taro@example.jp" : from);
    dialog.Subject->SetCaption("[news] 今週の予定");
    dialog.EdSubject->SetText("[news] 今週の予定");
    dialog.DrawerName->Items->Assign(std::vector<std::string>{"受信簿", "黄色の引出し", "友達"});
  }

  TestModalDriver driver;
  TForm mainWindow{nullptr};
  TSetASDlg dialog{&mainWindow};
};

TEST_F(SetASDlgTest, TheChoiceEnablesTheEditOfTheRuleItLearns) {
  EXPECT_FALSE(dialog.EdSubject->Enabled());
  for (int choice : {TSetASDlg::kSubjectChoice, TSetASDlg::kAddressChoice}) {
    dialog.SelRdBtn->SetItemIndex(choice);
    EXPECT_EQ(dialog.Address->Enabled(), choice == TSetASDlg::kAddressChoice);
    EXPECT_EQ(dialog.EdSubject->Enabled(), choice == TSetASDlg::kSubjectChoice);
  }
}

// Names OK refuses, with the message; the dialog stays open on the name.
class SetASDlgRefusedNameTest : public SetASDlgTest,
                                public ::testing::WithParamInterface<std::pair<std::string, std::string>> {};

TEST_P(SetASDlgRefusedNameTest, OkSaysWhyAndKeepsTheDialogOpen) {
  const auto& [name, message] = GetParam();
  dialog.DrawerName->SetText(name);
  dialog.OkBtn->Click();
  EXPECT_EQ(dialog.ModalResult(), mrNone);
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, message);
  EXPECT_EQ(dialog.DrawerName->Text(), name);
}

INSTANTIATE_TEST_SUITE_P(
    EmptyOrAgainstThePathRule, SetASDlgRefusedNameTest,
    ::testing::Values(std::pair<std::string, std::string>{"", "引出し名を設定してください"},
                      std::pair<std::string, std::string>{"仕事/急ぎ", "引出し名に使えない文字が含まれています"},
                      std::pair<std::string, std::string>{std::string(300, 'a'), "引出し名が長すぎます"}));

TEST_F(SetASDlgTest, ASubjectPatternForANewDrawerIsWhatTheRunReads) {
  FillAsTheRun(true);
  driver.FormAnswers.push_back([](TForm& f) {
    auto& d = static_cast<TSetASDlg&>(f);
    d.SelRdBtn->SetItemIndex(TSetASDlg::kSubjectChoice);
    d.EdSubject->SetText("[news]*");
    d.DrawerName->SetText("旅行");
    d.OkBtn->Click();
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_EQ(dialog.SelRdBtn->ItemIndex(), TSetASDlg::kSubjectChoice);
  EXPECT_EQ(dialog.EdSubject->Text(), "[news]*");
  EXPECT_EQ(dialog.DrawerName->Text(), "旅行");
}

TEST_F(SetASDlgTest, ReceiveAndSendFormsAsTheRunFillsThem) {
  const char* screens = std::getenv("MARROWKIT_SCREENS_DIR");
  const std::string folder = screens ? screens : Root();
  dialog.Show();
  FillAsTheRun(true);
  EXPECT_TRUE(SaveScreenshot(dialog, folder + "/dorvane-setas-receive.png"));
  const int headingRight = dialog.Label1->Left() + dialog.Label1->Width();
  FillAsTheRun(false);
  EXPECT_EQ(dialog.Label1->Left() + dialog.Label1->Width(), headingRight) << "To: ends where From: did";
  EXPECT_TRUE(SaveScreenshot(dialog, folder + "/dorvane-setas-send.png"));
}

}  // namespace
