// The compose window driven through its controls and menus: the argument,
// the enabling rule, the short-cuts, the settings dialogs and filing.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "browser/store/SettingsKey.h"
#include "mailer/Dirset.h"
#include "mailer/Dstppf.h"
#include "mailer/Main.h"
#include "mailer/Optset.h"
#include "mailer/Smtpopt.h"
#include "platform/files/Files.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/FileCtrl.h"
#include "platform/forms/FormsTesting.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "tests/mailer/QuilletFixture.h"

namespace {

class ComposeWindowTest : public QuilletFixture {};

// --- The argument --------------------------------------------------------

TEST_F(ComposeWindowTest, SubjectAndBodyFillTheWindowAndEnableSending) {
  auto form = Open("mailto:a@b?subject=件名&body=本文");
  EXPECT_EQ(form->Subject->Text(), "件名");
  EXPECT_EQ(form->MailText->Text(), "本文");
  EXPECT_TRUE(form->Send->Enabled());
  EXPECT_TRUE(form->MailSave->Enabled());
  EXPECT_TRUE(form->PupSend->Enabled());
  EXPECT_TRUE(form->PupMailSave->Enabled());
}

TEST_F(ComposeWindowTest, DorvanesReplyFileBecomesTheBodyAndGoes) {
  WriteNative(TempDir() + "/qult1700000000.tmp", ">一行目\r\n>二行目\r\n");
  auto form = Open("mailto:a@b?subject=Re.x&file=" + platform::TempFolder() + "\\qult1700000000.tmp");
  EXPECT_EQ(form->MailText->Lines->Count(), 2);
  EXPECT_EQ(form->MailText->Lines->Strings(1), ">二行目");
  EXPECT_TRUE(form->Send->Enabled());
  EXPECT_FALSE(std::filesystem::exists(TempDir() + "/qult1700000000.tmp"));
}

TEST_F(ComposeWindowTest, MissingReplyFileIsReportedAndTheRestStays) {
  auto form = Open("mailto:a@b?subject=s&file=" + platform::TempFolder() + "\\qult5.tmp&body=later");
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "ファイル " + platform::TempFolder() + "/qult5.tmp は開けません");
  EXPECT_EQ(form->ToAddress->Text(), "a@b");
  EXPECT_EQ(form->Subject->Text(), "s");
  EXPECT_EQ(form->MailText->Text(), "");  // fields after the failure are not applied
}

TEST_F(ComposeWindowTest, FileOutsideTempIsNeitherReadNorDeleted) {
  const std::string precious = ExeDir() + "/qult1.tmp";
  WriteNative(precious, "secret");
  auto form = Open("mailto:a@b?file=" + platform::ProgramPath(ExeDir()) + "\\qult1.tmp");
  EXPECT_EQ(form->MailText->Text(), "");
  EXPECT_TRUE(driver.MessageBoxes.empty());
  EXPECT_EQ(ReadNative(precious), "secret");
}

TEST_F(ComposeWindowTest, PlantedLinkInTempIsNeitherFollowedNorDeleted) {
  const std::string precious = ExeDir() + "/precious.txt";
  WriteNative(precious, "secret");
  std::filesystem::create_symlink(precious, TempDir() + "/qult9.tmp");
  auto form = Open("mailto:a@b?file=" + platform::TempFolder() + "\\qult9.tmp");
  EXPECT_EQ(form->MailText->Text(), "");
  EXPECT_EQ(ReadNative(precious), "secret");
  EXPECT_TRUE(std::filesystem::is_symlink(TempDir() + "/qult9.tmp"));
}

// What may stand in TEMP under a reply file's name: a second name of a
// precious file, a FIFO nobody writes to, a device, a link to a precious file.
TEST_F(ComposeWindowTest, ReplyFileThatIsNotAPrivateRegularFileIsNeitherReadNorDeleted) {
  const std::string precious = ExeDir() + "/precious.txt";
  WriteNative(precious, "secret");
  using Plant = std::function<bool(const std::string&)>;  // false: cannot be made here
  const std::vector<std::pair<const char*, Plant>> plants = {
      {"hard link", [&](const std::string& at) { return link(precious.c_str(), at.c_str()) == 0; }},
      {"FIFO", [](const std::string& at) { return mkfifo(at.c_str(), 0600) == 0; }},
      {"device", [](const std::string& at) { return mknod(at.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0; }},
      {"symbolic link", [&](const std::string& at) { return symlink(precious.c_str(), at.c_str()) == 0; }},
  };
  int n = 770;
  for (const auto& [kind, plant] : plants) {
    const std::string name = "qult" + std::to_string(++n) + ".tmp";
    if (!plant(TempDir() + "/" + name)) {
      EXPECT_EQ(std::string(kind), "device") << "only a device needs a privilege";
      continue;
    }
    driver.MessageBoxes.clear();
    auto form = Open("mailto:a@b?file=" + platform::TempFolder() + "\\" + name);
    EXPECT_EQ(form->MailText->Text(), "") << kind;
    ASSERT_EQ(driver.MessageBoxes.size(), 1u) << kind;
    EXPECT_EQ(driver.MessageBoxes[0].Text, "ファイル " + platform::TempFolder() + "/" + name + " は開けません");
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(TempDir() + "/" + name))) << kind;
  }
  EXPECT_EQ(ReadNative(precious), "secret");
}

// --- Enabling rule and short-cuts ----------------------------------------

TEST_F(ComposeWindowTest, OnlyTheBodyEnablesSendAndFiling) {
  auto form = Open("");
  form->ToAddress->SetText("a@b");
  form->Subject->SetText("s");
  EXPECT_FALSE(form->Send->Enabled());
  form->MailText->SetText("x");
  EXPECT_TRUE(form->Send->Enabled());
  EXPECT_TRUE(form->MailSave->Enabled());
}

// Tab leaves a multi-line edit for the next control in the tab order.
TEST_F(ComposeWindowTest, TabLeavesTheBodyAndTheSignatureWithoutTypingATab) {
  auto form = Open("");
  form->Show();
  form->MailText->SetFocus();
  PressKey(*form, VK_TAB);
  EXPECT_EQ(form->ActiveControl(), form->ToAddress);
  EXPECT_EQ(form->MailText->Text(), "");
  driver.FormAnswers.push_back([](TForm& shown) {
    auto& dialog = dynamic_cast<TSMTPOptDlg&>(shown);
    dialog.MailFoot->SetText("--");
    dialog.HostName->SetFocus();
    for (int field = 0; field < 4; ++field) PressKey(dialog, VK_TAB);  // host, user id, address, signature
    PressKey(dialog, VK_RETURN);  // on OK
  });
  form->SMTPOpt->Click();
  EXPECT_EQ(ReadNative(ExeDir() + "/qults.cfg"), "--\r\n");
}

TEST_F(ComposeWindowTest, CtrlAInTheBodyShowsTheVersionBoxInsteadOfSelecting) {
  auto form = Open("mailto:a@b?body=text");
  form->Show();
  form->MailText->SetFocus();
  PressKey(*form->MailText, 'A', ssCtrl);
  ASSERT_EQ(driver.ModalForms.size(), 1u);
  EXPECT_EQ(driver.ModalForms[0], "AboutBox");
  EXPECT_EQ(form->MailText->SelLength(), 0);
}

TEST_F(ComposeWindowTest, CtrlCInTheBodyOpensHelpRatherThanCopying) {
  const std::string path = std::getenv("PATH");
  setenv("PATH", (Root() + "/no-programs").c_str(), 1);  // the help page opens nowhere
  auto form = Open("mailto:a@b?body=secret");
  form->Show();
  form->ToAddress->SelectAll();
  form->ToAddress->CopyToClipboard();  // "a@b" on the clipboard
  form->MailText->SetFocus();
  form->MailText->SelectAll();
  PressKey(*form->MailText, 'C', ssCtrl);
  form->Subject->PasteFromClipboard();
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(form->Subject->Text(), "a@b");
}

TEST_F(ComposeWindowTest, CtrlCInTheBodyHandsTheHelpPageToTheOpener) {
  // An opener of our own that notes what it was asked to open.
  const std::string bin = Root() + "/opener-bin", noted = Root() + "/opened.txt";
  std::filesystem::create_directory(bin);
  WriteNative(bin + "/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + noted + ".part' && mv '" + noted +
                                     ".part' '" + noted + "'\n");
  std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
  std::filesystem::create_directory(ExeDir() + "/Help");
  WriteNative(ExeDir() + "/Help/qlIndex.htm", "<html></html>");
  const std::string path = std::getenv("PATH");
  setenv("PATH", (bin + ":" + path).c_str(), 1);
  auto form = Open("mailto:a@b?body=text");
  form->Show();
  form->MailText->SetFocus();
  PressKey(*form->MailText, 'C', ssCtrl);
  setenv("PATH", path.c_str(), 1);
  for (int wait = 0; wait < 500 && !std::filesystem::exists(noted); ++wait) usleep(10000);
  EXPECT_EQ(ReadNative(noted), ExeDir() + "/Help/qlIndex.htm");
}

TEST_F(ComposeWindowTest, CtrlXWithUnsentTextAsksAndCancelKeepsTheWindow) {
  auto form = Open("mailto:a@b?body=unsent");
  form->Show();
  form->MailText->SetFocus();
  driver.MessageBoxAnswers.push_back(IDCANCEL);
  PressKey(*form->MailText, 'X', ssCtrl);
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "送信していないメールを破棄して終了しますか");
  EXPECT_EQ(driver.MessageBoxes[0].Caption, "確認");
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(form->MailText->Text(), "unsent");  // not cut to the clipboard either
}

TEST_F(ComposeWindowTest, ExitWithoutTextClosesWithoutAsking) {
  auto form = Open("mailto:a@b");
  form->Show();
  form->Exit->Click();
  EXPECT_TRUE(driver.MessageBoxes.empty());
  EXPECT_FALSE(form->Visible());
}

// --- Settings ------------------------------------------------------------

TEST_F(ComposeWindowTest, SmtpDialogWritesBothFilesAndTheWindowLoadsThem) {
  auto form = Open("");
  driver.FormAnswers.push_back([](TForm& shown) {
    auto& dialog = dynamic_cast<TSMTPOptDlg&>(shown);
    dialog.HostName->SetText("smtp.example.jp");
    dialog.UserID->SetText("taro");
    dialog.MailAddress->SetText("taro@example.jp");
    dialog.MailFoot->SetText("--\r\n太郎");
    dialog.OkBtn->Click();
  });
  form->SMTPOpt->Click();
  EXPECT_EQ(ReadNative(ExeDir() + "/qult.cfg"), "smtp.example.jp\r\ntaro\r\ntaro@example.jp\r\n");
  EXPECT_EQ(ReadNative(ExeDir() + "/qults.cfg"), "--\r\n太郎\r\n");
  EXPECT_EQ(form->smtpHost, "smtp.example.jp");
  EXPECT_EQ(form->fromAddress, "taro@example.jp");
  ASSERT_EQ(form->signature.Count(), 2);

  driver.FormAnswers.push_back([](TForm& shown) {
    auto& dialog = dynamic_cast<TSMTPOptDlg&>(shown);
    EXPECT_EQ(dialog.UserID->Text(), "taro");
    EXPECT_EQ(dialog.MailFoot->Lines->Strings(1), "太郎");
  });
  form->SMTPOpt->Click();
}

TEST_F(ComposeWindowTest, SettingsFileThatCannotBeWrittenKeepsTheDialogOpen) {
  auto form = Open("");
  for (const std::string name : {"qult.cfg", "qults.cfg"}) {
    std::filesystem::create_directory(ExeDir() + "/" + name);  // nothing can replace a folder
    TModalResult result = mrNone;
    driver.FormAnswers.push_back([&](TForm& shown) {
      dynamic_cast<TSMTPOptDlg&>(shown).OkBtn->Click();
      result = shown.ModalResult();
    });
    driver.MessageBoxes.clear();
    form->SMTPOpt->Click();
    EXPECT_EQ(result, mrNone) << name;
    ASSERT_EQ(driver.MessageBoxes.size(), 1u) << name;
    EXPECT_EQ(driver.MessageBoxes[0].Text,
              name == "qult.cfg" ? "設定ファイルが開けません" : form->exeDir + "/qults.cfg が開けません");
    std::filesystem::remove(ExeDir() + "/" + name);
  }
}

TEST_F(ComposeWindowTest, IncompleteQultCfgKeepsTheRestAndTheSignature) {
  WriteNative(ExeDir() + "/qult.cfg", "host\r\nuser\r\naddr");
  WriteNative(ExeDir() + "/qults.cfg", "sig\r\n");
  auto form = Open("");
  EXPECT_EQ(form->smtpHost, "host");
  EXPECT_EQ(form->smtpUserId, "user");
  EXPECT_EQ(form->fromAddress, "");
  EXPECT_EQ(form->signature.Count(), 0);
}

TEST_F(ComposeWindowTest, EnvironmentDialogWritesEditorAndNameAndReloads) {
  SettingsKey().Write(Setting::PostPetFolder, "C:\\pp");
  auto form = Open("");
  form->ppPath = "chosen";
  driver.OpenDialogAnswers.push_back([](TOpenDialog& dialog) {
    dialog.FileName = "/usr/bin/editor";
    return true;
  });
  driver.OpenDialogAnswers.push_back([](TOpenDialog&) { return false; });
  driver.FormAnswers.push_back([](TForm& shown) {
    auto& dialog = dynamic_cast<TOptionSetForm&>(shown);
    dialog.EditorSet->Click();
    dialog.Name->SetText("山田");
    dialog.EditorSet->Click();  // cancelled: the chosen path and the typed name stay
    EXPECT_EQ(dialog.Editor->Text(), "/usr/bin/editor");
    EXPECT_EQ(dialog.Name->Text(), "山田");
    dialog.Button1->Click();
  });
  form->EnvSet->Click();
  EXPECT_EQ(SettingsKey().Read(Setting::Editor), "/usr/bin/editor");
  EXPECT_EQ(form->userName, "山田");
  EXPECT_EQ(form->ppPath, "C:\\pp");
}

// Each showing loads the values once, on its first real activation; going
// to another window and back keeps what was typed.
TEST_F(ComposeWindowTest, EnvironmentDialogLoadsOncePerShowing) {
  SettingsKey().Write(Setting::Editor, "first");
  auto form = Open("");
  form->Show();
  auto answer = [&](const char* expected) {
    driver.FormAnswers.push_back([&form, expected](TForm& shown) {
      auto& dialog = dynamic_cast<TOptionSetForm&>(shown);
      Application->ProcessMessages();
      EXPECT_EQ(dialog.Editor->Text(), expected);
      dialog.Editor->SetText("typed");
      form->ToAddress->SetFocus();  // another window is active
      dialog.Editor->SetFocus();    // and this one again
      Application->ProcessMessages();
      EXPECT_EQ(dialog.Editor->Text(), "typed");
    });
  };
  answer("first");
  form->EnvSet->Click();
  SettingsKey().Write(Setting::Editor, "second");
  answer("second");
  form->EnvSet->Click();
  EXPECT_EQ(driver.ModalForms.size(), 2u);
}

TEST_F(ComposeWindowTest, WithoutFontValueTheFieldsKeepTheWindowsFace) {
  auto form = Open("");
  EXPECT_EQ(form->MailText->Font->Name(), "ＭＳ Ｐゴシック");
  EXPECT_EQ(form->Subject->Font->Name(), "ＭＳ Ｐゴシック");
}

TEST_F(ComposeWindowTest, FontValueSetsTheFacesOfTheThreeFields) {
  SettingsKey().Write(Setting::Font, "Noto Sans CJK JP");
  auto form = Open("");
  EXPECT_EQ(form->MailText->Font->Name(), "Noto Sans CJK JP");
  EXPECT_EQ(form->ToAddress->Font->Name(), "Noto Sans CJK JP");
}

// --- Filing --------------------------------------------------------------

TEST_F(ComposeWindowTest, FilingWritesTheSendBookAndEmptiesTheWindow) {
  MakeSendBook();
  auto form = Open("mailto:x?subject=y&body=z");
  form->userName = "n";
  AnswerFolder(PPPath());
  form->MailSave->Click();
  EXPECT_EQ(ReadNative(SendMailPath()), "X-Priority: 1\nTo: x\nFrom: n\nSubject: y\nCC: \n\nz\r\n\r\n");
  EXPECT_EQ(form->ToAddress->Text(), "");
  EXPECT_EQ(form->MailText->Text(), "");
  EXPECT_FALSE(form->Send->Enabled());
  EXPECT_FALSE(form->MailSave->Enabled());
  EXPECT_EQ(form->ppPath, PPPath());
  EXPECT_EQ(ReadNative(ExeDir() + "/dorvnpfl.cfg"), "");  // a typed folder is not listed
}

TEST_F(ComposeWindowTest, FiledBodyIsTheTextAsItStoodWithTwoMoreLineEnds) {
  MakeSendBook();
  auto form = Open("mailto:x?body=a\r\n\r\n");
  ASSERT_EQ(form->MailText->Lines->Count(), 2);  // the last empty line after a line end does not count
  AnswerFolder(PPPath());
  form->MailSave->Click();
  const std::string filed = ReadNative(SendMailPath());
  EXPECT_EQ(filed.substr(filed.find("\n\n") + 2), "a\r\n\r\n\r\n\r\n");
}

TEST_F(ComposeWindowTest, CancelledOrFailedFilingsNeverChangeTheText) {
  auto form = Open("mailto:x?body=z");
  form->MailSave->Click();  // the driver cancels the chooser
  form->MailSave->Click();
  AnswerFolder(PPPath());  // no 送信フォルダ yet: the filing fails
  form->MailSave->Click();
  EXPECT_EQ(driver.ModalForms.size(), 3u);
  EXPECT_EQ(form->MailText->Text(), "z");
  EXPECT_TRUE(form->Send->Enabled());

  MakeSendBook();
  AnswerFolder(PPPath());
  form->MailSave->Click();
  const std::string filed = ReadNative(SendMailPath());
  EXPECT_EQ(filed.substr(filed.find("\n\n") + 2), "z\r\n\r\n");
}

TEST_F(ComposeWindowTest, FolderWithoutSendBookIsReportedAndTheTextStays) {
  auto form = Open("mailto:x?body=z");
  AnswerFolder(PPPath());  // no 送信フォルダ in it
  form->PupMailSave->Click();
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "送信メールファイルが開けません");
  EXPECT_EQ(driver.MessageBoxes[0].Caption, "エラー");
  EXPECT_EQ(form->ToAddress->Text(), "x");
  EXPECT_TRUE(form->MailSave->Enabled());
}

// --- The folder chooser --------------------------------------------------

TEST_F(ComposeWindowTest, ChooserShowsTheFolderAsTheDesktopWritesIt) {
  auto form = Open("mailto:x?body=z");
  form->ppPath = PPPath() + "\\ソ表";  // as PPPATH was stored by an earlier start; both end in 0x5C
  std::string shown;
  driver.FormAnswers.push_back([&](TForm& chooser) { shown = dynamic_cast<TDstPPFDlg&>(chooser).PPFList->Text(); });
  form->MailSave->Click();
  EXPECT_EQ(shown, PPPath() + "/ソ表");
}

TEST_F(ComposeWindowTest, ChooserShowsThePresetAndTheListAndWritesPpflist) {
  WriteNative(ExeDir() + "/dorvnpfl.cfg", "/one\r\n/two\r\n");
  auto dialog = std::make_unique<TDstPPFDlg>(nullptr);
  dialog->PPFList->SetText("/preset");
  dialog->exeDir = platform::ProgramPath(ExeDir());
  driver.FormAnswers.push_back([](TForm& shown) {
    auto& chooser = dynamic_cast<TDstPPFDlg&>(shown);
    EXPECT_EQ(chooser.PPFList->Text(), "/preset");
    EXPECT_EQ(chooser.PPFList->Items->Count(), 2);
  });
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  EXPECT_EQ(SettingsKey().Read(Setting::FolderList), platform::ProgramPath(ExeDir()) + "/dorvnpfl.cfg");
}

// 参照 saves the rows whatever the folder dialog answers: a picked folder is
// appended, and a cancelled pick still creates a missing list file.
TEST_F(ComposeWindowTest, BrowsedFolderIsAppendedAndSavedEvenWhenTheChooserIsCancelled) {
  std::filesystem::create_directory(Root() + "/picked");
  const std::string picked = platform::ProgramPath(Root() + "/picked");
  for (bool pick : {true, false}) {
    std::filesystem::remove(ExeDir() + "/dorvnpfl.cfg");
    auto dialog = std::make_unique<TDstPPFDlg>(nullptr);
    dialog->exeDir = platform::ProgramPath(ExeDir());
    driver.FormAnswers.push_back([&](TForm& shown) {
      auto& chooser = dynamic_cast<TDstPPFDlg&>(shown);
      driver.FormAnswers.push_front([&](TForm& dirForm) {
        auto& dirSet = dynamic_cast<TDirSetDlg&>(dirForm);
        dirSet.DirectoryListBox->SetDirectory(picked);
        (pick ? dirSet.OKBtn : dirSet.CancelBtn)->Click();
      });
      chooser.AddBtn->Click();
      EXPECT_EQ(chooser.PPFList->Text(), pick ? picked : "");
      chooser.CancelBtn->Click();
    });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    ASSERT_TRUE(std::filesystem::exists(ExeDir() + "/dorvnpfl.cfg")) << pick;
    EXPECT_EQ(ReadNative(ExeDir() + "/dorvnpfl.cfg"), pick ? Root() + "/picked\r\n" : "");
  }
}

TEST_F(ComposeWindowTest, FolderDialogAnswersTheOpenFolderNotAHighlightedRow) {
  std::filesystem::create_directories(Root() + "/top/inner");
  const std::string top = platform::ProgramPath(Root() + "/top");
  TDirSetDlg dialog(nullptr);
  dialog.DirectoryListBox->SetDirectory(top);
  EXPECT_EQ(dialog.SelectDir->Caption(), top);
  int inner = -1;
  for (int i = 0; i < dialog.DirectoryListBox->Count(); ++i)
    if (dialog.DirectoryListBox->RowText(i) == "inner") inner = i;
  ASSERT_GE(inner, 0);
  EXPECT_EQ(dialog.SelectDir->Width(), dialog.DirectoryListBox->Width());  // room for long paths
  dialog.DirectoryListBox->SetItemIndex(inner);  // a single click only highlights
  EXPECT_EQ(dialog.DirectoryListBox->Directory(), top);
  dialog.DirectoryListBox->OpenRow(inner);  // a double click opens
  EXPECT_EQ(dialog.DirectoryListBox->Directory(), top + "/inner");
  EXPECT_EQ(dialog.SelectDir->Caption(), top + "/inner");
}

// Laid out for Windows' frames: nothing may be cut off, and no band of the
// window may stay empty below or beside its controls.
TEST_F(ComposeWindowTest, EveryFormFitsItsControlsSnugly) {
  std::vector<std::unique_ptr<TForm>> forms;
  forms.push_back(Open(""));
  forms.push_back(std::make_unique<TSMTPOptDlg>(nullptr));
  forms.push_back(std::make_unique<TOptionSetForm>(nullptr));
  forms.push_back(std::make_unique<TDstPPFDlg>(nullptr));
  forms.push_back(std::make_unique<TDirSetDlg>(nullptr));
  constexpr int kMaxMargin = 16;
  for (const auto& form : forms) {
    int right = 0, bottom = 0;
    for (int i = 0; i < form->ComponentCount(); ++i) {
      auto* control = dynamic_cast<TControl*>(form->Components(i));
      if (!control) continue;
      right = std::max(right, control->Left() + control->Width());
      bottom = std::max(bottom, control->Top() + control->Height());
    }
    EXPECT_LE(right, form->ClientWidth()) << form->Name();
    EXPECT_LE(bottom, form->ClientHeight()) << form->Name();
    EXPECT_LE(form->ClientWidth() - right, kMaxMargin) << form->Name();
    EXPECT_LE(form->ClientHeight() - bottom, kMaxMargin) << form->Name();
  }
}

// The window made larger, as by its frame: the fields stay at their places,
// the body takes the room gained and the status bar stays on the bottom edge.
TEST_F(ComposeWindowTest, ALargerWindowKeepsTheFieldsInPlaceAndTheStatusBarAtTheBottom) {
  auto form = Open("mailto:花子 <hanako@example.jp>?subject=お元気ですか&body=こんにちは。");
  form->Show();
  form->StatusBar->SetSimpleText("送信中...");
  const TRect to = form->ToAddress->BoundsRect(), body = form->MailText->BoundsRect();
  const TPoint grown{700 - form->Width(), 650 - form->Height()};
  ResizeWindow(*form, 700, 650);
  EXPECT_TRUE(SaveScreenshot(*form, ScreenshotPath("quillet-compose-larger.png")));
  EXPECT_EQ(form->ToAddress->BoundsRect(), to);
  EXPECT_EQ(form->MailText->BoundsRect(), Rect(body.Left, body.Top, body.Right + grown.x, body.Bottom + grown.y));
  EXPECT_EQ(form->StatusBar->Top() + form->StatusBar->Height(), form->ClientHeight());
}

TEST_F(ComposeWindowTest, ScreenshotOfTheComposeWindow) {
  auto form = Open("mailto:花子 <hanako@example.jp>?subject=お元気ですか&body=こんにちは。\r\n来週の予定を送ります。");
  form->Show();
  EXPECT_TRUE(SaveScreenshot(*form, ScreenshotPath("quillet-compose.png")));
}

}  // namespace
