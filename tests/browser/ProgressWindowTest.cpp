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

TEST_F(ProgressWindowTest, ShowsModelessInTheMiddleOfTheScreenWithTheAnimationPlaying) {
  ProgressWindow progress(&mainWindow);
  progress.Show();
  EXPECT_TRUE(driver.ModalForms.empty());
  EXPECT_EQ(progress.ClientWidth(), 300);
  EXPECT_EQ(progress.ClientHeight(), 150);
  // The window frame's border shifts the client area by a few pixels.
  const TPoint centre = progress.ClientToScreen(TPoint{150, 75});
  EXPECT_NEAR(centre.x, ScreenWorkAreaCentre().x, 3);
  EXPECT_NEAR(centre.y, ScreenWorkAreaCentre().y, 3);
  EXPECT_TRUE(progress.Animate1->Active());

  const char* screens = std::getenv("MARROWKIT_SCREENS_DIR");
  const std::string path = (screens ? std::string(screens) : Root()) + "/dorvane-progress.png";
  ASSERT_TRUE(SaveScreenshot(progress, path));
  const QImage shot(QString::fromStdString(path));
  int drawn = 0;
  for (int x = 0; x < shot.width(); ++x) drawn += shot.pixelColor(x, 85) != shot.pixelColor(0, 0);
  EXPECT_GT(drawn, 60) << "the folders of the copy animation are drawn across the middle";
}

}  // namespace
