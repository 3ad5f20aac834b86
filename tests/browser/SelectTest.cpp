// The conflict dialog of automatic sorting: Enter takes the Subject rule,
// Escape and the close box the address rule.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "browser/Select.h"
#include "platform/forms/FormsTesting.h"
#include "platform/forms/StdCtrls.h"
#include "tests/support/Sandbox.h"

namespace {

class SelectDlgTest : public SandboxTest {
 protected:
  SelectDlgTest() {
    // As the run fills it for a mail that matches both rules.
    dialog.FromAdd->SetCaption("山田太郎 <taro@example.jp>");
    dialog.Subject->SetCaption("[news] 今週の予定");
    dialog.AdCfg->SetCaption("taro@example.jp=友達");
    dialog.SbCfg->SetCaption("*予定*=仕事");
  }

  TestModalDriver driver;
  TForm mainWindow{nullptr};
  TSelectDlg dialog{&mainWindow};
};

struct Answer {
  const char* name;
  std::function<void(TSelectDlg&)> press;
  TModalResult result;
};

class SelectDlgAnswerTest : public SelectDlgTest, public ::testing::WithParamInterface<Answer> {};

TEST_P(SelectDlgAnswerTest, GivesTheResultTheRunReads) {
  driver.FormAnswers.push_back([](TForm& f) { GetParam().press(static_cast<TSelectDlg&>(f)); });
  EXPECT_EQ(dialog.ShowModal(), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    KeysAndCloseBox, SelectDlgAnswerTest,
    ::testing::Values(Answer{"Enter", [](TSelectDlg& d) { PressKey(*d.YseBtn, VK_RETURN); }, mrYes},
                      Answer{"Escape", [](TSelectDlg& d) { PressKey(*d.YseBtn, VK_ESCAPE); }, mrNo},
                      Answer{"CloseBox", [](TSelectDlg& d) { d.Close(); }, mrCancel}),
    [](const ::testing::TestParamInfo<Answer>& info) { return info.param.name; });

TEST_F(SelectDlgTest, ShowsItsTextsInTheMainWindowsFont) {
  TForm owner(nullptr);
  owner.Font->SetSize(14);
  TSelectDlg ownFont(&owner);
  EXPECT_EQ(ownFont.Label3->Font->Size(), 14);
  const char* screens = std::getenv("MARROWKIT_SCREENS_DIR");
  dialog.Show();
  EXPECT_TRUE(SaveScreenshot(dialog, (screens ? std::string(screens) : Root()) + "/dorvane-select.png"));
}

}  // namespace
