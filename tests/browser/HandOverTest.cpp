// Dorvane's hand-overs to other programs, with recording stand-ins: a
// "quillet" script beside the program, a viewer script, and an xdg-open
// first on PATH. Each notes its argument and the file it was given.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "browser/Viewset.h"
#include "browser/store/SettingsKey.h"
#include "platform/files/Files.h"
#include "platform/forms/Memo.h"
#include "platform/forms/StdCtrls.h"
#include "platform/text/ShiftJis.h"
#include "tests/browser/MainFormFixture.h"

namespace {

namespace fs = std::filesystem;

class HandOverTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    m_path = std::getenv("PATH");
  }
  void TearDown() override {
    setenv("PATH", m_path.c_str(), 1);
    MainFormTest::TearDown();
  }

  // A script that notes its first argument (UTF-8, as it arrives) in
  // Root()/noted.arg and copies the file it names in Root()/noted.file.
  void WriteRecorder(const std::string& nativePath, const std::string& fileOfArgument) {
    const std::string noted = Root() + "/noted";
    std::ofstream(nativePath) << "#!/bin/sh\nf=" << fileOfArgument << "\ncp \"$f\" '" << noted
                              << ".file'\nprintf '%s' \"$1\" > '" << noted << ".part' && mv '" << noted
                              << ".part' '" << noted << ".arg'\n";
    fs::permissions(nativePath, fs::perms::owner_all);
  }
  // The quote path arrives as Dorvane writes it, with "\" before its name.
  void PlaceRecordingQuillet() {
    WriteRecorder(ExeDir() + "/quillet", "$(printf '%s' \"${1##*&file=}\" | tr '\\\\' /)");
  }
  // Waits for the stand-in; the argument converted back to Shift-JIS.
  std::string NotedArgument() const {
    const std::string noted = Root() + "/noted.arg";
    for (int wait = 0; wait < 500 && !fs::exists(noted); ++wait) usleep(10000);
    return platform::SjisFromUtf8(ReadNative(noted));
  }
  std::string NotedFile() const { return ReadNative(Root() + "/noted.file"); }
  static std::string ReadNative(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void ShowMail(const std::string& from, const std::string& subject, const std::string& body) {
    form->FromAdd->SetCaption(from);
    form->MailSubject->SetCaption(subject);
    form->MailText->SetText(body);
  }
  std::string QuotePathIn(const std::string& argument) const {
    return argument.substr(argument.rfind("&file=") + 6);
  }

  std::string m_path;
};

TEST_F(HandOverTest, ReplyCarriesSenderSubjectAndAPrivateQuoteFileAndNothingMore) {
  const std::string kLongest = std::string(244, 'a') + "@example.jp";  // the 255 bytes a reply still carries
  const struct {
    std::string from;
    std::string subject;
    std::string expected;  // up to "&file="
  } cases[] = {
      {"Taro <taro@example.jp>", "Hello", "mailto:taro@example.jp?subject=Re.Hello"},
      {"山田 太郎 <yamada@example.jp>", "Re: ソフト表の件", "mailto:yamada@example.jp?subject=Re.Re: ソフト表の件"},
      {"x <evil@x?body=pwn&file=/etc/passwd\">", "a&file=/etc/passwd\" b",
       "mailto:?subject=Re.a＆file=/etc/passwd” b"},
      {"", "no sender", "mailto:?subject=Re.no sender"},
      {"a <tom&jerry@example.jp>", "x", "mailto:?subject=Re.x"},
      {"a <" + kLongest + ">", "x", "mailto:" + kLongest + "?subject=Re.x"},
      {"a <x" + kLongest + ">", "x", "mailto:?subject=Re.x"},
  };
  PlaceRecordingQuillet();
  Start();
  for (const auto& c : cases) {
    fs::remove(Root() + "/noted.arg");
    ShowMail(c.from, c.subject, "一行目\r\n\r\nthird\r\n");
    form->Reply->Click();
    const std::string argument = NotedArgument();
    EXPECT_EQ(argument.substr(0, argument.rfind("&file=")), c.expected) << c.from;
    EXPECT_EQ(NotedFile(), ">一行目\r\n>\r\n>third\r\n");
    const std::string quote = platform::NativePath(QuotePathIn(argument));
    struct stat info;
    EXPECT_TRUE(lstat(quote.c_str(), &info) == 0 && (info.st_mode & 0777) == 0600) << quote;
    EXPECT_EQ(fs::path(quote).parent_path(), TempDir());
  }
  EXPECT_TRUE(driver->MessageBoxes.empty());
}

// The highlighted row is the mail shown and answered, however the keys move it.
TEST_F(HandOverTest, KeysShowTheMailTheyHighlightAndCtrlRAnswersIt) {
  WriteNumbered(true, "", 1, 4);
  PlaceRecordingQuillet();
  Start();
  for (auto [key, row] : {std::pair<WORD, int>{VK_HOME, 0}, {VK_END, 3}, {VK_UP, 2}, {VK_HOME, 0}, {VK_DOWN, 1}}) {
    PressKey(*form->MailList, key);
    EXPECT_EQ(form->MailText->Text().substr(0, 14), "body of mail " + std::to_string(row + 1)) << key;
  }
  PressKey(*form->MailList, 'R', ssCtrl);
  const std::string argument = NotedArgument();
  EXPECT_EQ(argument.substr(0, argument.rfind("&file=")), "mailto:sender2@example.jp?subject=Re.mail 2");
}

TEST_F(HandOverTest, LongSubjectIsCutAtACharacterSoTheFileFieldStaysWhole) {
  PlaceRecordingQuillet();
  Start();
  std::string subject;
  for (int i = 0; i < 2500; ++i) subject += "件";
  ShowMail("a@b", subject, "body");
  form->MlMenuReply->Click();
  const std::string argument = NotedArgument();
  EXPECT_LE(argument.size(), 4095u);
  EXPECT_GT(argument.size(), 4090u);
  const size_t start = std::string("mailto:a@b?subject=Re.").size();
  const std::string sent = argument.substr(start, argument.rfind("&file=") - start);
  EXPECT_EQ(sent.size() % 2, 0u);
  EXPECT_EQ(subject.compare(0, sent.size(), sent), 0);
}

TEST_F(HandOverTest, QuoteFileNeverFollowsAPlantedLinkNorReplacesATakenName) {
  const std::string precious = Root() + "/precious.txt";
  std::ofstream(precious) << "keep";
  const long now = static_cast<long>(std::time(nullptr));
  std::vector<std::string> planted;
  for (long n = now; n < now + 3; ++n) planted.push_back(TempDir() + "/qult" + std::to_string(n) + ".tmp");
  fs::create_symlink(precious, planted[0]);
  std::ofstream(planted[1]) << "another reply";
  fs::create_symlink(precious, planted[2]);
  PlaceRecordingQuillet();
  Start();
  ShowMail("a@b", "s", "new");
  form->Reply->Click();
  const std::string quote = platform::NativePath(QuotePathIn(NotedArgument()));
  EXPECT_EQ(std::find(planted.begin(), planted.end(), quote), planted.end()) << quote;
  EXPECT_EQ(NotedFile(), ">new\r\n");
  EXPECT_EQ(ReadNative(precious), "keep");
  EXPECT_EQ(ReadNative(planted[1]), "another reply");
}

TEST_F(HandOverTest, FailedStartsSayWhyAndLeaveNoScratchFile) {
  Start();
  ShowMail("a@b", "s", "body");
  form->Reply->Click();  // no quillet beside the program
  setenv("TEMP", (Root() + "/missing").c_str(), 1);
  form->Reply->Click();
  EXPECT_EQ(LastMessages(), (std::vector<std::string>{"CreateProcess Error", "テンポラリファイルが開けません"}));
  EXPECT_TRUE(fs::is_empty(TempDir()));
}

TEST_F(HandOverTest, PlainBodyGoesToTheViewerAsItsScratchFile) {
  WriteRecorder(Root() + "/viewer", "\"$1\"");
  SettingsKey().Write(Setting::Viewer, platform::ProgramPath(Root()) + "\\viewer");
  Start();
  ShowMail("a@b", "s", "<!doctype html> is not the marker\r\n二行目");
  form->ExecViewer->Click();
  EXPECT_EQ(NotedArgument(), platform::ProgramPath(ExeDir()) + "/dorvnview.tmp");
  EXPECT_EQ(NotedFile(), "<!doctype html> is not the marker\r\n二行目\r\n");
  TCloseAction action = caFree;
  form->FormClose(form.get(), action);
  EXPECT_FALSE(fs::exists(ExeDir() + "/dorvnview.tmp"));
}

TEST_F(HandOverTest, HtmlPartGoesToTheDesktopsOpener) {
  const std::string bin = Root() + "/bin";
  fs::create_directory(bin);
  WriteRecorder(bin + "/xdg-open", "\"$1\"");
  setenv("PATH", (bin + ":" + m_path).c_str(), 1);
  Start();
  ShowMail("a@b", "s", "Text before\r\n<!DOCTYPE HTML PUBLIC>\r\n<p>x</p>");
  form->MtMenuViewer->Click();
  EXPECT_EQ(NotedArgument(), platform::ProgramPath(ExeDir()) + "/dorvnview.htm");
  EXPECT_EQ(NotedFile(), "<!DOCTYPE HTML PUBLIC>\r\n<p>x</p>\r\n");
}

TEST_F(HandOverTest, ViewerDialogStoresANonEmptyPathOnly) {
  SettingsKey().Write(Setting::Viewer, "/usr/bin/old");
  Start();
  driver->FormAnswers.push_back([](TForm& shown) {
    auto& dialog = dynamic_cast<TViewSetDlg&>(shown);
    EXPECT_EQ(dialog.Viewer->Text(), "/usr/bin/old");
    dialog.Viewer->SetText("");
    dialog.OkBtn->Click();  // ignored: the dialog stays
    EXPECT_EQ(dialog.ModalResult(), mrNone);
    dialog.OpnBtn->Click();
    dialog.OkBtn->Click();
  });
  driver->OpenDialogAnswers.push_back([](TOpenDialog& open) {
    open.FileName = "/usr/bin/new viewer";
    return true;
  });
  form->ViewerSet->Click();
  EXPECT_EQ(SettingsKey().Read(Setting::Viewer), "/usr/bin/new viewer");
  EXPECT_TRUE(driver->MessageBoxes.empty());
}

}  // namespace
