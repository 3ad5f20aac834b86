// The new-rule dialog of automatic sorting: the choice greys the other rule's
// edit, OK wants a usable drawer name, and the run reads what is left.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "browser/Setas.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/FormsTesting.h"
#include "platform/forms/StdCtrls.h"
#include "tests/support/Sandbox.h"

namespace {

const std::vector<std::string> kDrawerRows = {"受信簿", "黄色の引出し", "ひみつ日記", "ペットメール", "友達"};

class SetASDlgTest : public SandboxTest {
 protected:
  // Fills the dialog as the receive book's run does.
  void FillForReceiveBook() {
    dialog.FromAdd->SetCaption("山田太郎 <taro@example.jp>");
    dialog.Subject->SetCaption("[news] 今週の予定");
    dialog.Address->SetText("taro@example.jp");
    dialog.EdSubject->SetText("[news] 今週の予定");
    dialog.DrawerName->Items->Assign(kDrawerRows);
  }
  // Fills it as the send book's run does: the To field and no choice.
  void FillForSendBook() {
    dialog.Label1->SetCaption("To:");
    dialog.FromAdd->SetCaption("hanako@example.jp");
    dialog.Subject->SetCaption("お見積りの件");
    dialog.Address->SetText("hanako@example.jp");
    dialog.EdSubject->SetText("お見積りの件");
    dialog.SelRdBtn->SetEnabled(false);
    dialog.DrawerName->Items->Assign(kDrawerRows);
  }
  TModalResult ShowAnswered(std::function<void(TSetASDlg&)> answer) {
    driver.FormAnswers.push_back([answer](TForm& f) { answer(static_cast<TSetASDlg&>(f)); });
    return dialog.ShowModal();
  }
  void SaveShot(const std::string& name) {
    const char* screens = std::getenv("MARROWKIT_SCREENS_DIR");
    dialog.Show();
    EXPECT_TRUE(SaveScreenshot(dialog, (screens ? std::string(screens) : Root()) + "/" + name));
  }

  TestModalDriver driver;
  TForm mainWindow{nullptr};
  TSetASDlg dialog{&mainWindow};
};

TEST_F(SetASDlgTest, TheChoiceEnablesTheEditOfTheRuleItLearns) {
  FillForReceiveBook();
  EXPECT_EQ(dialog.SelRdBtn->ItemIndex(), TSetASDlg::kAddressChoice);
  EXPECT_TRUE(dialog.Address->Enabled());
  EXPECT_FALSE(dialog.EdSubject->Enabled());
  dialog.SelRdBtn->SetItemIndex(TSetASDlg::kSubjectChoice);
  EXPECT_FALSE(dialog.Address->Enabled());
  EXPECT_TRUE(dialog.EdSubject->Enabled());
  dialog.SelRdBtn->SetItemIndex(TSetASDlg::kAddressChoice);
  EXPECT_TRUE(dialog.Address->Enabled());
  EXPECT_FALSE(dialog.EdSubject->Enabled());
}

TEST_F(SetASDlgTest, OkWithoutADrawerNameKeepsTheDialogOpen) {
  FillForReceiveBook();
  TModalResult afterEmptyOk = mrNone;
  const TModalResult result = ShowAnswered([&](TSetASDlg& d) {
    d.OkBtn->Click();
    afterEmptyOk = d.ModalResult();
    d.DrawerName->SetText("旅行");
    d.OkBtn->Click();
  });
  EXPECT_EQ(afterEmptyOk, mrNone);
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "引出し名を設定してください");
  EXPECT_EQ(driver.MessageBoxes[0].Caption, "エラー");
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(dialog.DrawerName->Text(), "旅行");
}

// Names the drawer path rule refuses; the name stays for the user to mend.
class SetASDlgRefusedNameTest : public SetASDlgTest,
                                public ::testing::WithParamInterface<std::pair<std::string, std::string>> {};

TEST_P(SetASDlgRefusedNameTest, OkSaysWhyAndKeepsTheDialogOpen) {
  const auto& [name, message] = GetParam();
  FillForReceiveBook();
  TModalResult afterOk = mrNone;
  ShowAnswered([&](TSetASDlg& d) {
    d.DrawerName->SetText(name);
    d.OkBtn->Click();
    afterOk = d.ModalResult();
  });
  EXPECT_EQ(afterOk, mrNone);
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, message);
  EXPECT_EQ(dialog.DrawerName->Text(), name);
}

INSTANTIATE_TEST_SUITE_P(
    PathRule, SetASDlgRefusedNameTest,
    ::testing::Values(std::pair<std::string, std::string>{"仕事/急ぎ", "引出し名に使えない文字が含まれています"},
                      std::pair<std::string, std::string>{"..", "引出し名に使えない文字が含まれています"},
                      std::pair<std::string, std::string>{std::string(300, 'a'), "引出し名が長すぎます"}));

TEST_F(SetASDlgTest, ASubjectPatternTypedAndAnExistingDrawerChosenAreWhatTheRunReads) {
  FillForReceiveBook();
  const TModalResult result = ShowAnswered([](TSetASDlg& d) {
    d.SelRdBtn->SetItemIndex(TSetASDlg::kSubjectChoice);
    d.EdSubject->SetText("[news]*");
    d.DrawerName->SetItemIndex(4);
    d.OkBtn->Click();
  });
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(dialog.SelRdBtn->ItemIndex(), TSetASDlg::kSubjectChoice);
  EXPECT_EQ(dialog.EdSubject->Text(), "[news]*");
  EXPECT_EQ(dialog.DrawerName->Text(), "友達");
}

TEST_F(SetASDlgTest, TheCloseBoxLeavesTheTextsAsTheyStand) {
  FillForReceiveBook();
  const TModalResult result = ShowAnswered([](TSetASDlg& d) { d.Close(); });
  EXPECT_EQ(result, mrCancel);
  EXPECT_TRUE(driver.MessageBoxes.empty());
  EXPECT_EQ(dialog.DrawerName->Text(), "");
  EXPECT_EQ(dialog.DrawerName->Items->ToVector(), kDrawerRows);
}

TEST_F(SetASDlgTest, ReceiveAndSendFormsLookAsTheRunFillsThem) {
  FillForReceiveBook();
  SaveShot("dorvane-setas-receive.png");
  const int headingRight = dialog.Label1->Left() + dialog.Label1->Width();
  FillForSendBook();
  EXPECT_EQ(dialog.Label1->Left() + dialog.Label1->Width(), headingRight);
  EXPECT_EQ(dialog.SelRdBtn->ItemIndex(), TSetASDlg::kAddressChoice);
  SaveShot("dorvane-setas-send.png");
}

}  // namespace
