// Canvas drawing, bitmaps with a transparent colour, and the simple controls'
// looks: bevels, images, the status bar and the busy animation.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "platform/forms/Bridge.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/FormsTesting.h"
#include "tests/support/Sandbox.h"

namespace {

constexpr char kChecker[] = ":/test/Checker.xpm";  // 4 by 2: red and blue in turn

// A white picture of the size with draw run on a canvas over it.
template <class Draw>
QImage DrawnOnWhite(int width, int height, Draw&& draw) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  TCanvas canvas(painter);
  draw(canvas);
  painter.end();
  return image;
}

TEST(CanvasTest, DrawLeavesOutTheTransparentColour) {
  TBitmap bitmap;
  bitmap.LoadFromResourceName(kChecker);
  ASSERT_EQ(bitmap.Width(), 4);
  bitmap.Transparent = true;
  bitmap.TransparentColor = clRed;
  QImage image = DrawnOnWhite(8, 4, [&](TCanvas& canvas) { canvas.Draw(2, 1, bitmap); });
  EXPECT_EQ(image.pixelColor(2, 1), QColor(Qt::white));
  EXPECT_EQ(image.pixelColor(3, 1), QColor(Qt::blue));
  EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::blue));
  EXPECT_EQ(image.pixelColor(3, 2), QColor(Qt::white));
}

TEST(CanvasTest, OpaqueBitmapCoversEverything) {
  TBitmap bitmap;
  bitmap.LoadFromResourceName(kChecker);
  QImage image = DrawnOnWhite(4, 2, [&](TCanvas& canvas) { canvas.Draw(0, 0, bitmap); });
  EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::red));
}

TEST(CanvasTest, BrushCopyCopiesPartOfTheBitmap) {
  TBitmap bitmap;
  bitmap.LoadFromResourceName(kChecker);
  QImage image = DrawnOnWhite(4, 4, [&](TCanvas& canvas) {
    canvas.BrushCopy(Bounds(0, 0, 2, 1), bitmap, Bounds(1, 0, 2, 1), clBlue);
  });
  EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
  EXPECT_EQ(image.pixelColor(1, 0), QColor(Qt::red));
}

TEST(CanvasTest, FillRectAndClippedTextRect) {
  QImage image = DrawnOnWhite(60, 20, [](TCanvas& canvas) {
    canvas.Brush->Color = clYellow;
    canvas.FillRect(Rect(0, 0, 10, 10));
    canvas.Brush->Color = clWhite;
    canvas.Font->SetColor(clBlack);
    canvas.TextRect(Rect(20, 0, 30, 20), 20, 2, "WWWWWWWWWW");
    EXPECT_GT(canvas.TextWidth("WWWWWWWWWW"), 10);
    EXPECT_GT(canvas.TextHeight("W"), 0);
  });
  EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::yellow));
  // The long text is cut at the clip rectangle's right edge.
  for (int x = 31; x < 60; ++x)
    for (int y = 0; y < 20; ++y) ASSERT_EQ(image.pixelColor(x, y), QColor(Qt::white)) << x << "," << y;
}

class ControlLooksTest : public SandboxTest {
 protected:
  // What the control shows, saved in the sandbox as name and read back.
  QImage Shot(const TControl& control, const std::string& name) {
    std::string path = Root() + "/" + name;
    EXPECT_TRUE(SaveScreenshot(control, path));
    return QImage(QString::fromStdString(path));
  }

  TestModalDriver driver;
  TForm form{nullptr};
};

TEST_F(ControlLooksTest, ImageShowsItsPictureWithoutTheTransparentColour) {
  TImage* image = Create<TImage>(&form);
  image->SetBounds(0, 0, 4, 2);
  image->LoadFromResourceName(kChecker);
  image->Picture->Transparent = true;
  image->Picture->TransparentColor = clBlue;
  form.SetColor(clWhite);
  QImage shot = Shot(form, "image.png");
  EXPECT_EQ(shot.pixelColor(0, 0), QColor(Qt::red));
  EXPECT_EQ(shot.pixelColor(1, 0), QColor(Qt::white));
}

TEST_F(ControlLooksTest, StatusBarStaysAlongTheBottom) {
  form.SetBorderStyle(bsSizeable);
  form.SetClientWidth(300);
  form.SetClientHeight(200);
  TStatusBar* bar = Create<TStatusBar>(&form);
  bar->SetSimpleText("ready");
  form.Show();
  EXPECT_EQ(bar->Left(), 0);
  EXPECT_EQ(bar->Width(), 300);
  EXPECT_EQ(bar->Top() + bar->Height(), 200);
  form.SetClientHeight(250);
  EXPECT_EQ(bar->Top() + bar->Height(), 250);
  EXPECT_EQ(bar->SimpleText(), "ready");
}

TEST_F(ControlLooksTest, AnimationRunsWhileActiveAndDrawsItsFolders) {
  TAnimate* animate = Create<TAnimate>(&form);
  animate->SetBounds(0, 0, 120, 60);
  animate->SetCommonAVI(aviCopyFile);
  animate->SetActive(true);
  EXPECT_TRUE(animate->Active());
  form.SetColor(clWhite);
  QImage shot = Shot(*animate, "animate.png");
  int coloured = 0;
  for (int x = 0; x < shot.width(); ++x)
    if (shot.pixelColor(x, 30) != shot.pixelColor(0, 0)) ++coloured;
  EXPECT_GT(coloured, 20);
  animate->SetActive(false);
  EXPECT_FALSE(animate->Active());
}

TEST_F(ControlLooksTest, CheckBoxRunsOnClickWhenItsStateChanges) {
  TCheckBox* box = Create<TCheckBox>(&form);
  int clicks = 0;
  box->OnClick = [&](TObject*) { ++clicks; };
  box->SetChecked(true);
  box->SetChecked(true);
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(clicks, 1);
}

}  // namespace
