// The conflict dialog of automatic sorting: Enter takes the Subject rule,
// Escape and the close box the address rule.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "browser/Select.h"
#include "platform/forms/FormsTesting.h"
#include "platform/forms/GroupBox.h"
#include "platform/forms/StdCtrls.h"
#include "tests/support/Sandbox.h"

namespace {

class SelectDlgTest : public SandboxTest {
 protected:
  // Fills the dialog as the run does for a mail that matches both rules.
  void FillAsTheRun(TSelectDlg& dialog) {
    dialog.FromAdd->SetCaption("山田太郎 <taro@example.jp>");
    dialog.Subject->SetCaption("[news] 今週の予定");
    dialog.AdCfg->SetCaption("taro@example.jp=友達");
    dialog.SbCfg->SetCaption("*予定*=仕事");
  }
  TModalResult ShowAnswered(std::function<void(TSelectDlg&)> answer) {
    TSelectDlg dialog(&mainWindow);
    FillAsTheRun(dialog);
    driver.FormAnswers.push_back([answer](TForm& f) { answer(static_cast<TSelectDlg&>(f)); });
    return dialog.ShowModal();
  }

  TestModalDriver driver;
  TForm mainWindow{nullptr};
};

struct Answer {
  const char* name;
  std::function<void(TSelectDlg&)> press;
  TModalResult result;
};

class SelectDlgAnswerTest : public SelectDlgTest, public ::testing::WithParamInterface<Answer> {};

TEST_P(SelectDlgAnswerTest, GivesTheResultTheRunReads) {
  EXPECT_EQ(ShowAnswered(GetParam().press), GetParam().result);
  EXPECT_EQ(driver.ModalForms, std::vector<std::string>{"SelectDlg"});
}

INSTANTIATE_TEST_SUITE_P(
    KeysAndButtons, SelectDlgAnswerTest,
    ::testing::Values(Answer{"Enter", [](TSelectDlg& d) { PressKey(*d.YseBtn, VK_RETURN); }, mrYes},
                      Answer{"Escape", [](TSelectDlg& d) { PressKey(*d.YseBtn, VK_ESCAPE); }, mrNo},
                      Answer{"CloseBox", [](TSelectDlg& d) { d.Close(); }, mrCancel}),
    [](const ::testing::TestParamInfo<Answer>& info) { return info.param.name; });

TEST_F(SelectDlgTest, ShowsTheMailAndBothRulesInTheMainWindowsFont) {
  mainWindow.Font->SetName("IPAGothic");
  mainWindow.Font->SetSize(14);
  TSelectDlg dialog(&mainWindow);
  FillAsTheRun(dialog);
  EXPECT_EQ(dialog.Font->Name(), "IPAGothic");
  EXPECT_EQ(dialog.FromAdd->Font->Size(), 14);
  EXPECT_EQ(dialog.AdCfg->Parent(), dialog.GroupBox1);
  EXPECT_EQ(dialog.SbCfg->Parent(), dialog.GroupBox1);
  const char* screens = std::getenv("MARROWKIT_SCREENS_DIR");
  dialog.Show();
  EXPECT_TRUE(SaveScreenshot(dialog, (screens ? std::string(screens) : Root()) + "/dorvane-select.png"));
}

}  // namespace
