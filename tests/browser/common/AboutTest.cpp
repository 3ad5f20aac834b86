// The version dialog of both programs: its texts, places and closing.

#include "browser/common/About.h"

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <set>

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

// The colours a screenshot of the box shows where control stands.
std::set<QRgb> ColoursOf(const QImage& shot, const TControl& control) {
  std::set<QRgb> colours;
  const QImage part = shot.copy(control.Left(), control.Top(), control.Width(), control.Height());
  for (int y = 0; y < part.height(); ++y)
    for (int x = 0; x < part.width(); ++x) colours.insert(part.pixel(x, y));
  return colours;
}

TEST_F(AboutTest, ScreenshotShowsTheBox) {
  for (AboutProgram program : {AboutProgram::Dorvane, AboutProgram::Quillet}) {
    TAboutBox box(nullptr, program);
    std::string name = program == AboutProgram::Dorvane ? "about.png" : "about-quillet.png";
    driver.FormAnswers.push_back([&](TForm& form) {
      EXPECT_TRUE(SaveScreenshot(form, Root() + "/" + name));
    });
    box.ShowModal();
    const QImage shot(QString::fromStdString(Root() + "/" + name));
    ASSERT_EQ(shot.size(), QSize(box.ClientWidth(), box.ClientHeight()));
    // Every text and the icon are drawn: each shows more than a plain background.
    for (const TControl* control : std::initializer_list<const TControl*>{box.ProgramIcon, box.ApName, box.Version, box.Label1})
      EXPECT_GT(ColoursOf(shot, *control).size(), 2u) << control->Name();
  }
}

}  // namespace
