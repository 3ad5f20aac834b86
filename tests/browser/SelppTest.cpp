// The PostPet folder dialog, shown by its command and answered through the
// modal driver: adding, switching, OK and Cancel, and what they store.

#include "browser/Selpp.h"

#include <QImage>
#include <filesystem>

#include "browser/store/SettingsKey.h"
#include "platform/files/Files.h"
#include "platform/forms/ListBox.h"
#include "platform/forms/StdCtrls.h"
#include "tests/browser/MainFormFixture.h"

namespace {

using Answer = std::function<void(TSelPPDlg&)>;

class SelppTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    other = platform::ProgramPath(Root() + "/other");
    std::filesystem::create_directories(Root() + "/other");
  }
  std::string ListFile() const { return Program() + "\\dorvnpfl.cfg"; }
  void WriteList(const std::string& text) const { WriteBytes(ListFile(), text); }
  // The folder chooser's next answer: a folder, or Cancel for an empty one.
  void ChooserAnswers(const std::string& folder, bool representable = true) {
    driver->DirectoryAnswers.push_back([folder, representable](TDirectoryChooser& chooser) {
      EXPECT_EQ(chooser.Title, "フォルダを選んで下さい");
      chooser.Directory = folder;
      chooser.Representable = representable;
      return !folder.empty();
    });
  }
  // Runs the command with answer acting on the shown dialog.
  void RunDialog(Answer answer) {
    driver->FormAnswers.push_back([answer](TForm& form) { answer(static_cast<TSelPPDlg&>(form)); });
    form->PPFolderSet->Click();
  }
  std::vector<std::string> Rows(const TSelPPDlg& dialog) const { return dialog.PPFList->Items->ToVector(); }
  std::string StoredFolder() const { return SettingsKey().Read(Setting::PostPetFolder); }

  std::string other;
};

TEST_F(SelppTest, AddSwitchAndOkStoreTheFolderAndTheListAndReopenTheBook) {
  WriteList(PostPet() + "\r\n");
  DrawerBuilder mails;
  mails.AddNumberedMail(7);
  mails.Write(other + "\\受信フォルダ\\受信リスト.ppl", other + "\\受信フォルダ\\受信メール.ppm");
  Start();
  ChooserAnswers(other);
  RunDialog([&](TSelPPDlg& dialog) {
    EXPECT_EQ(dialog.CurrentPPF->Caption(), PostPet());
    EXPECT_EQ(Rows(dialog), (std::vector<std::string>{PostPet()}));
    dialog.AddBtn->Click();
    EXPECT_EQ(dialog.PPFList->ItemIndex(), -1);  // added, neither selected nor current
    EXPECT_EQ(dialog.CurrentPPF->Caption(), PostPet());
    dialog.PPFList->SetItemIndex(1);
    dialog.ChgBtn->Click();
    EXPECT_EQ(dialog.CurrentPPF->Caption(), other);
    dialog.OkBtn->Click();
  });
  EXPECT_EQ(StoredFolder(), other);
  EXPECT_EQ(SettingsKey().Read(Setting::FolderList), ListFile());
  EXPECT_EQ(ReadBytes(ListFile()), PostPet() + "\r\n" + other + "\r\n");
  EXPECT_EQ(form->DrawerList->ItemIndex(), 0);
  EXPECT_EQ(form->MailList->Items->Count(), 1);
}

TEST_F(SelppTest, FoldersInOtherCaseCancelledChoosersAndSwitchWithoutRowAddNothing) {
  WriteList(other + "\r\n");
  Start();
  std::string upper = other;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  ChooserAnswers(upper);
  ChooserAnswers("");
  ChooserAnswers("");
  RunDialog([&](TSelPPDlg& dialog) {
    for (int i = 0; i < 3; ++i) dialog.AddBtn->Click();
    dialog.ChgBtn->Click();
    EXPECT_EQ(Rows(dialog), (std::vector<std::string>{other}));
    EXPECT_EQ(dialog.CurrentPPF->Caption(), PostPet());
    dialog.OkBtn->Click();
  });
  // OK without a switch stores the unchanged folder.
  EXPECT_EQ(StoredFolder(), PostPet());
  EXPECT_EQ(ReadBytes(ListFile()), other + "\r\n");
}

TEST_F(SelppTest, CancelStoresNothingAndTheBookIsReadAgainFromTheSameFolder) {
  WriteNumbered(true, "", 1, 2);
  Start();
  form->MailList->SetItemIndex(0);
  ChooserAnswers(other);
  RunDialog([&](TSelPPDlg& dialog) {
    dialog.AddBtn->Click();
    dialog.PPFList->SetItemIndex(0);
    dialog.ChgBtn->Click();
    dialog.CancelBtn->Click();
  });
  EXPECT_EQ(StoredFolder(), PostPet());
  // Showing fixed the list file's place, but its rows were not saved.
  EXPECT_EQ(SettingsKey().Read(Setting::FolderList), ListFile());
  EXPECT_FALSE(platform::FileExists(ListFile()));
  EXPECT_EQ(form->MailList->ItemIndex(), 1);  // reopened: the last row is selected again
  RunDialog([&](TSelPPDlg& dialog) { EXPECT_TRUE(Rows(dialog).empty()); });
}

TEST_F(SelppTest, ARowAnotherProgramAddedWhileTheDialogWasOpenSurvivesOk) {
  WriteList(PostPet() + "\r\n");
  Start();
  ChooserAnswers(other);
  RunDialog([&](TSelPPDlg& dialog) {
    WriteList(PostPet() + "\r\nC:\\Quillet's\r\n");
    dialog.AddBtn->Click();
    dialog.OkBtn->Click();
  });
  EXPECT_EQ(ReadBytes(ListFile()), PostPet() + "\r\n" + other + "\r\nC:\\Quillet's\r\n");
}

TEST_F(SelppTest, AFolderNameShiftJisCannotHoldIsRefused) {
  Start();
  ChooserAnswers(other + "\\?", false);
  RunDialog([&](TSelPPDlg& dialog) {
    dialog.AddBtn->Click();
    EXPECT_TRUE(Rows(dialog).empty());
  });
  EXPECT_EQ(LastMessages(), (std::vector<std::string>{"このフォルダ名は使えません"}));
}

TEST_F(SelppTest, WithTheSendBookOpenOkReopensTheSendBookOfTheNewFolder) {
  DrawerBuilder mails;
  mails.AddNumberedMail(1);
  mails.AddNumberedMail(2);
  mails.Write(other + "\\送信フォルダ\\送信リスト.ppl", other + "\\送信フォルダ\\送信メール.ppm");
  WriteList(other + "\r\n");
  Start();
  form->MBoxChange->Click();
  RunDialog([&](TSelPPDlg& dialog) {
    dialog.PPFList->SetItemIndex(0);
    dialog.ChgBtn->Click();
    dialog.OkBtn->Click();
  });
  EXPECT_EQ(form->DrawerList->Items->Strings(0), "送信簿");
  EXPECT_EQ(form->MailList->Items->Count(), 2);
}

TEST_F(SelppTest, ScreenshotShowsTheListTheButtonsAndTheCurrentFolder) {
  TSelPPDlg dialog(nullptr);
  dialog.exeDir = Program();
  dialog.Show();
  dialog.PPFList->Items->Assign(std::vector<std::string>{"/home/user/PostPet", other});
  dialog.CurrentPPF->SetCaption("/home/user/PostPet");
  EXPECT_EQ(dialog.Caption(), "ＰｏｓｔＰｅｔﾌｫﾙﾀﾞの追加と切替");
  EXPECT_EQ(dialog.BorderStyle(), bsSizeable);
  const std::string path = Root() + "/selpp.png";
  ASSERT_TRUE(SaveScreenshot(dialog, path));
  const QImage shot(QString::fromStdString(path));
  ASSERT_EQ(shot.size(), QSize(433, 267));
  // The list is white where no row is, the form grey beside it.
  EXPECT_EQ(shot.pixelColor(100, 180), QColor(Qt::white));
  EXPECT_NE(shot.pixelColor(336, 150), QColor(Qt::white));
}

}  // namespace
