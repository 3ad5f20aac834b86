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

class SelppTest : public MainFormTest {
 protected:
  std::string ListFile() const { return Program() + "\\dorvnpfl.cfg"; }
  // The folder chooser's next answer; an empty folder cancels it.
  void ChooserAnswers(const std::string& folder, bool representable = true) {
    driver->DirectoryAnswers.push_back([=](TDirectoryChooser& chooser) {
      EXPECT_EQ(chooser.Title, "フォルダを選んで下さい");
      chooser.Directory = folder;
      chooser.Representable = representable;
      return !folder.empty();
    });
  }
  void RunDialog(std::function<void(TSelPPDlg&)> answer) {
    driver->FormAnswers.push_back([answer](TForm& form) { answer(static_cast<TSelPPDlg&>(form)); });
    form->PPFolderSet->Click();
  }
  const std::string other = "/tmp/Other";
};

TEST_F(SelppTest, AddSwitchAndOkStoreTheFolderKeepOtherProgramsRowsAndReopenTheBook) {
  WriteBytes(ListFile(), "/TMP/other\r\n");
  DrawerBuilder mails;
  mails.AddNumberedMail(7);
  mails.Write(PostPet() + "2\\受信フォルダ\\受信リスト.ppl", PostPet() + "2\\受信フォルダ\\受信メール.ppm");
  SettingsKey().Write(Setting::PostPetFolder, platform::ProgramPath(Root()) + "\\postpet");  // shown with "/"
  Start();
  for (const auto& folder : {other, std::string(), other + "\\?", PostPet() + "2"})
    ChooserAnswers(folder, folder != other + "\\?");
  RunDialog([&](TSelPPDlg& dialog) {
    for (int i = 0; i < 4; ++i) dialog.AddBtn->Click();
    WriteBytes(ListFile(), "/TMP/other\r\nC:\\Quillet's\r\n");  // another program's save
    dialog.ChgBtn->Click();  // nothing chosen yet
    EXPECT_EQ(dialog.CurrentPPF->Caption(), PostPet());
    dialog.PPFList->SetItemIndex(1);
    dialog.ChgBtn->Click();
    dialog.OkBtn->Click();
  });
  EXPECT_EQ(LastMessages(), (std::vector<std::string>{"このフォルダ名は使えません"}));
  EXPECT_EQ(SettingsKey().Read(Setting::PostPetFolder), PostPet() + "2");
  EXPECT_EQ(SettingsKey().Read(Setting::FolderList), Program() + "/dorvnpfl.cfg");  // as another reader takes it
  EXPECT_EQ(ReadBytes(ListFile()), "/TMP/other\r\n" + PostPet() + "2\r\nC:\\Quillet's\r\n");
  EXPECT_EQ(form->MailList->Items->Count(), 1);
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
  EXPECT_EQ(SettingsKey().Read(Setting::PostPetFolder), PostPet());
  EXPECT_FALSE(platform::FileExists(ListFile()));
  EXPECT_EQ(form->MailList->ItemIndex(), 1);  // read again: the last row is selected
}

TEST_F(SelppTest, ScreenshotShowsTheListTheButtonsAndTheCurrentFolder) {
  TSelPPDlg dialog(nullptr);
  dialog.Show();
  dialog.PPFList->Items->Assign(std::vector<std::string>{"/home/user/PostPet", other});
  dialog.CurrentPPF->SetCaption("/home/user/PostPet");
  const std::string path = Root() + "/selpp.png";
  ASSERT_TRUE(SaveScreenshot(dialog, path));
  const QImage shot(QString::fromStdString(path));
  ASSERT_EQ(shot.size(), QSize(433, 267));  // 441 by 294 with the frame
  EXPECT_EQ(shot.pixelColor(100, 180), QColor(Qt::white));  // the list below its rows
  EXPECT_NE(shot.pixelColor(336, 150), QColor(Qt::white));  // the form beside it
}

}  // namespace
