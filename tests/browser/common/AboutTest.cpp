// The version dialog of both programs: its texts, places and closing.

#include "browser/common/About.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/forms/FormsTesting.h"
#include "tests/support/Sandbox.h"

namespace {

class AboutTest : public SandboxTest {
 protected:
  TestModalDriver driver;
};

TEST_F(AboutTest, DorvaneBoxShowsItsTextsCentred) {
  TAboutBox box(nullptr, AboutProgram::Dorvane);
  EXPECT_EQ(box.Caption(), "ﾊﾞｰｼﾞｮﾝ情報");
  EXPECT_EQ(box.ClientWidth(), 273);
  EXPECT_EQ(box.ClientHeight(), 141);
  EXPECT_EQ(box.Position(), poScreenCenter);
  EXPECT_EQ(box.BorderStyle(), bsDialog);
  EXPECT_EQ(box.BorderIcons(), 0u);
  EXPECT_EQ(box.ApName->Caption(), "Dorvane");
  EXPECT_EQ(box.ApName->Left(), 72);
  EXPECT_EQ(box.ApName->Font->Size(), 16);
  EXPECT_EQ(box.Version->Caption(), "Version.");
  EXPECT_EQ(box.VersinNo->Caption(), "2.70");
  EXPECT_EQ(box.Label1->Left(), 56);
  EXPECT_FALSE(box.Label1->Caption().empty());
  EXPECT_EQ(box.Button1->Font->Size(), 13);
  EXPECT_EQ(box.Font->Name(), "ＭＳ Ｐゴシック");
  EXPECT_EQ(box.Font->Size(), 12);
  EXPECT_EQ(box.Font->Charset(), SHIFTJIS_CHARSET);
  EXPECT_FALSE(box.ProgramIcon->Picture->Empty());
}

TEST_F(AboutTest, QuilletBoxShowsItsTextsAtItsPlace) {
  TAboutBox box(nullptr, AboutProgram::Quillet);
  EXPECT_EQ(box.ApName->Caption(), "Quillet");
  EXPECT_EQ(box.ApName->Left(), 80);
  EXPECT_EQ(box.VersinNo->Caption(), "1.60");
  EXPECT_EQ(box.Label1->Left(), 64);
  EXPECT_EQ(box.Button1->Font->Size(), 16);
  EXPECT_EQ(box.Position(), poDesigned);
  EXPECT_EQ(box.Left(), 352);
  EXPECT_EQ(box.Top(), 230);
  EXPECT_FALSE(box.ProgramIcon->Picture->Empty());
}

TEST_F(AboutTest, OkButtonClosesWithOk) {
  TAboutBox box(nullptr, AboutProgram::Dorvane);
  EXPECT_TRUE(box.Button1->Default());
  EXPECT_EQ(box.Button1->Caption(), "OK");
  EXPECT_EQ(box.Button1->BoundsRect(), Bounds(99, 113, 75, 25));
  driver.FormAnswers.push_back([](TForm& form) { static_cast<TAboutBox&>(form).Button1->Click(); });
  EXPECT_EQ(box.ShowModal(), mrOk);
  EXPECT_EQ(driver.ModalForms, std::vector<std::string>{"AboutBox"});
}

TEST_F(AboutTest, EnterClosesWithOk) {
  TAboutBox box(nullptr, AboutProgram::Quillet);
  driver.FormAnswers.push_back([](TForm& form) { PressKey(form, VK_RETURN); });
  EXPECT_EQ(box.ShowModal(), mrOk);
}

TEST_F(AboutTest, ScreenshotShowsTheBox) {
  for (AboutProgram program : {AboutProgram::Dorvane, AboutProgram::Quillet}) {
    TAboutBox box(nullptr, program);
    std::string name = program == AboutProgram::Dorvane ? "about.png" : "about-quillet.png";
    driver.FormAnswers.push_back([&](TForm& form) {
      EXPECT_TRUE(SaveScreenshot(form, Root() + "/" + name));
    });
    box.ShowModal();
    EXPECT_GT(std::filesystem::file_size(Root() + "/" + name), 500u);
  }
}

}  // namespace
