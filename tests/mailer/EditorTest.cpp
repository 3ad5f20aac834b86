// The body's trip through an editor program: a script that stands in for
// the user's editor, started on the scratch file and waited for.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>

#include "browser/store/SettingsKey.h"
#include "platform/files/FaultInjection.h"
#include "platform/files/Files.h"
#include "platform/forms/Memo.h"
#include "platform/forms/Menus.h"
#include "platform/messages/Messages.h"
#include "tests/mailer/QuilletFixture.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A message posted before the wait, answered during it: what the window
// looked like while the editor ran.
struct WaitProbe {
  static inline TMainForm* form = nullptr;
  static inline bool answered = false, minimised = false, closedToInput = false;

  static LRESULT Procedure(HWND, UINT msg, WPARAM, LPARAM) {
    if (msg != WM_USER) return 0;
    answered = true;
    minimised = form->WindowState() == wsMinimized;
    closedToInput = !form->Enabled();
    return 0;
  }
};

class EditorTest : public QuilletFixture {
 protected:
  // An editor script (in a folder whose name holds a blank) with the given body.
  void SetEditor(const std::string& script) {
    const std::string folder = Root() + "/my editor";
    std::filesystem::create_directory(folder);
    WriteNative(folder + "/edit.sh", "#!/bin/sh\n" + script);
    std::filesystem::permissions(folder + "/edit.sh", std::filesystem::perms::owner_all);
    SettingsKey().Write(Setting::Editor, platform::ProgramPath(folder) + "\\edit.sh");
  }
  bool ScratchFilesLeft() const { return !std::filesystem::is_empty(TempDir()); }
};

TEST_F(EditorTest, EditedTextComesBackWhileTheWindowWaitsAnsweredAndIdle) {
  SetEditor("sleep 0.5\nprintf 'added by the editor\\r\\n' >> \"$1\"\n");
  auto form = Open("mailto:a@b");
  form->Show();
  form->MailText->SetText("first\r\n二行目");
  form->Send->SetEnabled(false);  // so that only the edit can enable it
  WNDCLASS probeClass{0, &WaitProbe::Procedure, 0, 0, HInstance, "EditorWaitProbe"};
  RegisterClass(probeClass);
  HWND probe = CreateWindowEx(0, "EditorWaitProbe", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, HInstance, nullptr);
  WaitProbe::form = form.get();
  PostMessage(probe, WM_USER, 0, 0);
  const double cpuBefore = CpuSeconds();
  form->ExecEdtor->Click();
  EXPECT_LT(CpuSeconds() - cpuBefore, 0.15);
  DestroyWindow(probe);
  EXPECT_EQ(form->MailText->Lines->ToVector(),
            (std::vector<std::string>{"first", "二行目", "added by the editor"}));
  EXPECT_TRUE(form->Send->Enabled());
  EXPECT_FALSE(ScratchFilesLeft());
  EXPECT_TRUE(WaitProbe::answered && WaitProbe::minimised && WaitProbe::closedToInput);
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_TRUE(form->Enabled());
}

TEST_F(EditorTest, EditorThatEndsAtOnceGivesTheSameBodyBack) {
  SetEditor("exit 0\n");
  auto form = Open("mailto:a@b?body=unchanged");
  form->PupExecEdtor->Click();
  EXPECT_EQ(form->MailText->Lines->ToVector(), std::vector<std::string>{"unchanged"});
  EXPECT_FALSE(ScratchFilesLeft());
}

// No editor is started without the text handed over to it: with no editor
// set, or with a scratch file the disk would not take, "CreateProcess Error"
// and the body stays as it was, with no scratch file left.
TEST_F(EditorTest, EditorThatCannotHaveTheTextIsNeverStarted) {
  const std::string started = Root() + "/started";
  for (bool diskFull : {false, true}) {
    if (diskFull) SetEditor("touch '" + started + "'\n");
    auto form = Open("mailto:a@b?body=kept");
    driver.MessageBoxes.clear();
    {
      platform::FaultInjection faults;
      if (diskFull) faults.FailWritesFrom(1);
      form->ExecEdtor->Click();
    }
    ASSERT_EQ(driver.MessageBoxes.size(), 1u) << diskFull;
    EXPECT_EQ(driver.MessageBoxes[0].Text, "CreateProcess Error");
    EXPECT_EQ(form->MailText->Text(), "kept");
    EXPECT_FALSE(ScratchFilesLeft());
    EXPECT_FALSE(std::filesystem::exists(started));
  }
}

}  // namespace
