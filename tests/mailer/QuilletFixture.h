#pragma once
// A sandbox with a test modal driver, and the compose window opened on an
// argument as Quillet would be started.

#include <memory>
#include <string>

#include "mailer/Main.h"
#include "platform/forms/FormsTesting.h"
#include "tests/support/Sandbox.h"

class QuilletFixture : public SandboxTest {
 protected:
  // The window built as at start-up with argument as its first argument.
  std::unique_ptr<TMainForm> Open(const std::string& argument);

  // The PostPet folder as the programs hold it (Shift-JIS, "\").
  std::string PPPath() const;
  // Creates 送信フォルダ in the PostPet folder.
  void MakeSendBook() const;
  std::string SendMailPath() const;  // native
  std::string SendListPath() const;  // native
  // The next folder chooser answers folder with OK.
  void AnswerFolder(const std::string& folder);

  static void WriteNative(const std::string& nativePath, const std::string& bytes);
  static std::string ReadNative(const std::string& nativePath);
  // Where screenshots go: MARROWKIT_SCREENS_DIR when set, else the sandbox.
  std::string ScreenshotPath(const std::string& name) const;

  TestModalDriver driver;
};
