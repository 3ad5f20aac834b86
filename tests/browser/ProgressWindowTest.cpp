// The window a long file operation shows: modeless, centred, 300 by 150, the
// copy-file animation playing in its middle from the start.

#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>

#include "browser/Progress.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/FormsTesting.h"
#include "tests/support/Sandbox.h"

namespace {

class ProgressWindowTest : public SandboxTest {
 protected:
  TestModalDriver driver;
  TForm mainWindow{nullptr};
};

TEST_F(ProgressWindowTest, ShowsModelessInTheMiddleOfTheScreen) {
  ProgressWindow progress(&mainWindow);
  progress.Show();
  EXPECT_TRUE(progress.Visible());
  EXPECT_FALSE(progress.Modal());
  EXPECT_TRUE(driver.ModalForms.empty());
  EXPECT_EQ(progress.Owner(), &mainWindow);
  EXPECT_EQ(progress.ClientWidth(), 300);
  EXPECT_EQ(progress.ClientHeight(), 150);
  const TPoint centre = progress.ClientToScreen(TPoint{150, 75});
  // The window frame's border shifts the client area by a few pixels.
  const TPoint screenCentre = ScreenWorkAreaCentre();
  EXPECT_LE(std::abs(centre.x - screenCentre.x), 3);
  EXPECT_LE(std::abs(centre.y - screenCentre.y), 3);
}

TEST_F(ProgressWindowTest, PlaysTheCopyAnimationInItsMiddle) {
  ProgressWindow progress(&mainWindow);
  progress.Show();
  const TAnimate& animation = *progress.Animate1;
  EXPECT_TRUE(animation.Active());
  EXPECT_EQ(animation.CommonAVI(), aviCopyFile);
  EXPECT_EQ(animation.Left() * 2 + animation.Width(), 300);
  EXPECT_EQ(animation.Top() * 2 + animation.Height(), 150);

  const char* screens = std::getenv("MARROWKIT_SCREENS_DIR");
  const std::string path = (screens ? std::string(screens) : Root()) + "/dorvane-progress.png";
  ASSERT_TRUE(SaveScreenshot(progress, path));
  const QImage shot(QString::fromStdString(path));
  const QColor background = shot.pixelColor(0, 0);
  int drawn = 0;
  for (int x = 0; x < shot.width(); ++x)
    if (shot.pixelColor(x, shot.height() / 2 + 10) != background) ++drawn;
  EXPECT_GT(drawn, 60) << "the folders of the animation are drawn";
}

}  // namespace
