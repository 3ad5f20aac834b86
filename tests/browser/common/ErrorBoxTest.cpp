// The two message conventions go through the application's message box.

#include "browser/common/ErrorBox.h"

#include <gtest/gtest.h>

#include "platform/forms/FormsTesting.h"

namespace {

TEST(ErrorBoxTest, ShowsTheMessageWithErrorCaptionAndExclamation) {
  TestModalDriver driver;
  ErrorBox("存在する引出し名です");
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "存在する引出し名です");
  EXPECT_EQ(driver.MessageBoxes[0].Caption, "エラー");
  EXPECT_EQ(driver.MessageBoxes[0].Flags, 48);
}

TEST(ConfirmBoxTest, AsksWithConfirmCaptionOkCancelAndQuestionIcon) {
  TestModalDriver driver;
  driver.MessageBoxAnswers = {IDOK, IDCANCEL};
  EXPECT_TRUE(ConfirmBox("引出し\"A\"を削除します。\nよろしいですか"));
  EXPECT_FALSE(ConfirmBox("x"));
  ASSERT_EQ(driver.MessageBoxes.size(), 2u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "引出し\"A\"を削除します。\nよろしいですか");
  EXPECT_EQ(driver.MessageBoxes[0].Caption, "確認");
  EXPECT_EQ(driver.MessageBoxes[0].Flags, 33);
}

}  // namespace
