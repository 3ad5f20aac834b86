// Start-up, the drawer list, the mail list and the mail view, as the user
// meets them when the window opens and when drawers and books are switched.

#include <QImage>
#include <cstdlib>
#include <filesystem>

#include "browser/Dname.h"
#include "browser/store/SettingsKey.h"
#include "platform/base/Format.h"
#include "platform/files/Files.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Memo.h"
#include "platform/forms/StdCtrls.h"
#include "tests/browser/MainFormFixture.h"

namespace {

const std::vector<std::string> kReceiveRows{
    "受信簿", "黄色の引出し", "紫の引出し", "ピンクの引出し", "黒の引出し", "水色の引出し",
    "赤の引出し", "茶色の引出し", "緑色の引出し", "橙色の引出し", "ひみつ日記", "ペットメール"};

// Screenshots go where MARROWKIT_SCREENS_DIR says, for a person to look at;
// otherwise into the test's own folder.
std::string ScreenFolder(const std::string& fallback) {
  const char* folder = std::getenv("MARROWKIT_SCREENS_DIR");
  return folder && *folder ? folder : fallback;
}

}  // namespace

using StartUpTest = MainFormTest;

TEST_F(StartUpTest, FirstStartShowsTwelveRowsWithTheBookOpenAndEmptyPanes) {
  Start();
  EXPECT_EQ(DrawerRows(), kReceiveRows);
  EXPECT_EQ(form->DrawerList->ItemIndex(), 0);
  EXPECT_EQ(form->MailList->Items->Count(), 0);
  EXPECT_EQ(form->FromAdd->Caption(), "");
  EXPECT_EQ(form->MailText->Text(), "");
  EXPECT_TRUE(driver->MessageBoxes.empty());
  EXPECT_FALSE(PathExists(Program() + "\\dorvndwl.cfg"));
  EXPECT_TRUE(platform::DirectoryExists(Program() + "\\受信フォルダ"));
  EXPECT_TRUE(platform::DirectoryExists(Program() + "\\送信フォルダ"));
}

TEST_F(StartUpTest, WithoutAnySettingsTheKeyIsCreatedAndTheBookShowsEmpty) {
  const std::string freshStore = Root() + "/fresh-registry";
  std::filesystem::create_directories(freshStore);
  setenv("MARROWKIT_REGISTRY_DIR", freshStore.c_str(), 1);
  WriteNumbered(true, "", 1, 2);
  Start();
  EXPECT_TRUE(SettingsKey(SettingsKey::Open::IfExists).IsOpen());
  EXPECT_FALSE(SettingsKey().Has(Setting::PostPetFolder));
  EXPECT_EQ(DrawerRows().size(), 12u);
  EXPECT_EQ(form->MailList->Items->Count(), 0);
  EXPECT_TRUE(driver->MessageBoxes.empty());
}

TEST_F(StartUpTest, AnEmptyDrawerNameFileGivesOnlyTheFixedRows) {
  WriteDrawerNameFile("dorvndwl.cfg", {});
  Start();
  EXPECT_EQ(DrawerRows(), std::vector<std::string>(kReceiveRows.begin(), kReceiveRows.begin() + 10));
}

TEST_F(StartUpTest, OwnDrawersComeFromTheNameFileInItsOrder) {
  WriteDrawerNameFile("dorvndwl.cfg", {"仕事", "ソフト表", "家族"});
  Start();
  const std::vector<std::string> rows = DrawerRows();
  EXPECT_EQ(std::vector<std::string>(rows.begin() + 10, rows.end()),
            (std::vector<std::string>{"仕事", "ソフト表", "家族"}));
}

TEST_F(StartUpTest, TheBookOpensWithItsLastMailSelectedAndShown) {
  WriteNumbered(true, "", 1, 3);
  Start();
  EXPECT_EQ(form->MailList->Items->Count(), 3);
  EXPECT_EQ(form->MailList->ItemIndex(), 2);
  EXPECT_EQ(form->FromAdd->Caption(), "sender3@example.jp");
  EXPECT_EQ(form->MailSubject->Caption(), "mail 3");
  EXPECT_EQ(form->MailDate->Caption(), "Tue, 7 Dec 1999 17:01:02 +0900");
  EXPECT_EQ(form->MailText->Text().substr(0, 14), "body of mail 3");
}

using MailViewTest = MainFormTest;

TEST_F(MailViewTest, TheBodyIsShownOneByteShortOfItsStoredLength) {
  DrawerBuilder mails;
  mails.AddMail("From: a@example.jp\r\n\r\n", "abc\r\n");
  mails.AddMail("From: b@example.jp\r\n\r\n", "abc").from = "b@example.jp";
  WriteDrawer(true, "", mails);
  Start();
  EXPECT_EQ(form->MailText->Text(), "ab");
  form->MailList->SetItemIndex(0);
  form->MailListClick(form->MailList);
  // "abc" CR LF loses its LF, which comes back after the CR (the text pane
  // shows a lone CR as a line break too: ShownBodyTest checks the bytes).
  EXPECT_EQ(form->MailText->Text(), "abc\r\n");
}

TEST_F(MailViewTest, AnEmptyBodyShowsAnEmptyTextWithoutReadingBeyondIt) {
  DrawerBuilder mails;
  mails.AddMail("From: a@example.jp\r\nSubject: empty\r\n\r\n", "").subject = "empty";
  WriteDrawer(true, "", mails);
  Start();
  EXPECT_EQ(form->MailSubject->Caption(), "empty");
  EXPECT_EQ(form->MailText->Text(), "");
  EXPECT_TRUE(driver->MessageBoxes.empty());
}

TEST_F(MailViewTest, ABodyRunningPastTheFileShowsOnlyTheBytesThatExist) {
  DrawerBuilder mails;
  mails.AddMail("From: a@example.jp\r\n\r\n", "short body\r\n").bodyLength = 5000;
  WriteDrawer(true, "", mails);
  Start();
  EXPECT_EQ(form->MailText->Text(), "short body\r\n");
}

TEST_F(MailViewTest, ABodyStartingBeyondTheFileShowsNothing) {
  DrawerBuilder mails;
  RecordFields& mail = mails.AddMail("From: a@example.jp\r\n\r\n", "body\r\n");
  mail.from = "a@example.jp";
  mail.bodyStart = 100000;
  WriteDrawer(true, "", mails);
  Start();
  EXPECT_EQ(form->FromAdd->Caption(), "a@example.jp");
  EXPECT_EQ(form->MailText->Text(), "");
}

TEST_F(MailViewTest, AMissingMailFileIsReportedAndClickingTheRowAgainDoesNothing) {
  WriteNumbered(true, "", 1, 2);
  platform::DeleteFile(MailPath(true, ""));
  Start();
  EXPECT_EQ(LastMessages(), std::vector<std::string>{"メールファイルが開けません"});
  form->MailListClick(form->MailList);
  EXPECT_EQ(driver->MessageBoxes.size(), 1u);
}

TEST_F(MailViewTest, ClickingTheOpenDrawerAgainDoesNotRereadIt) {
  WriteNumbered(true, "", 1, 2);
  Start();
  WriteNumbered(true, "", 1, 4);
  form->DrawerListClick(form->DrawerList);
  EXPECT_EQ(form->MailList->Items->Count(), 2);
}

TEST_F(MailViewTest, ALongSubjectIsCutInTheItemTextButShownWhole) {
  DrawerBuilder mails;
  const std::string subject = "とても長い件名のメールです。最後まで読めますか";
  mails.AddMail("From: a@example.jp\r\n\r\n", "x\r\n").subject = subject;
  WriteDrawer(true, "", mails);
  Start();
  EXPECT_EQ(form->MailSubject->Caption(), subject);
  const std::string item = form->MailList->Items->Strings(0);
  EXPECT_EQ(item.find(subject), std::string::npos);
  EXPECT_NE(item.find(subject.substr(0, 24)), std::string::npos);
}

TEST_F(MailViewTest, ADrawerWhoseNameCannotBeAFileNameShowsEmpty) {
  WriteDrawerNameFile("dorvndwl.cfg", {"..", "a/b"});
  Start();
  OpenDrawer("..");
  EXPECT_EQ(form->MailList->Items->Count(), 0);
  EXPECT_TRUE(driver->MessageBoxes.empty());
}

class BookSwitchTest : public MainFormTest {
 protected:
  // The first column of the mail list's top row, as drawn.
  QImage FirstColumnOfTopRow() {
    const std::string path = TempDir() + "/mails.png";
    EXPECT_TRUE(SaveScreenshot(*form->MailList, path));
    const TRect row = form->MailList->ItemRect(0);
    return QImage(QString::fromStdString(path)).copy(0, 0, row.Left + 160, row.Bottom + 4);
  }
};

TEST_F(BookSwitchTest, TheSendBookListsRecipientsUnderTo) {
  DrawerBuilder sent;
  RecordFields& mail = sent.AddNumberedMail(1);
  mail.to = "hanako@example.jp";
  WriteDrawer(false, "", sent);
  // The same mail received from that address looks the same in the receive book.
  mail.to = mail.from;
  mail.from = "hanako@example.jp";
  WriteDrawer(true, "", sent);
  Start();
  const QImage receivedRow = FirstColumnOfTopRow();
  form->MBoxChange->Click();
  EXPECT_EQ(form->MailList->Items->Strings(0).substr(0, 18), "hanako@example.jp ");
  EXPECT_TRUE(FirstColumnOfTopRow() == receivedRow);
  EXPECT_EQ(DrawerRows(), (std::vector<std::string>{"送信簿", "黄色の引出し", "紫の引出し",
                                                    "ピンクの引出し"}));
  EXPECT_EQ(form->Label1->Caption(), "送信簿・引出し");
  EXPECT_EQ(form->StaticText1->Caption(), "To");
  EXPECT_EQ(form->Label3->Caption(), "Ｔｏ");
  EXPECT_EQ(form->FromAdd->Caption(), "hanako@example.jp");
}

TEST_F(BookSwitchTest, SwitchingTwiceReturnsToTheReceiveBookWithRowZeroOpen) {
  WriteNumbered(true, "", 1, 2);
  WriteNumbered(true, "黄色の引出し", 5, 1);
  Start();
  OpenDrawer("黄色の引出し");
  form->MBoxChange->Click();
  form->MBoxChange->Click();
  EXPECT_EQ(DrawerRows(), kReceiveRows);
  EXPECT_EQ(form->DrawerList->ItemIndex(), 0);
  EXPECT_EQ(form->MailList->Items->Count(), 2);
  EXPECT_EQ(form->Label3->Caption(), "Ｆｒｏｍ");
}

TEST_F(BookSwitchTest, TheSendBookHasOwnDrawersOnlyFromItsNameFile) {
  WriteDrawerNameFile("dorvnsdl.cfg", {"送った写真"});
  Start();
  form->MBoxChange->Click();
  EXPECT_EQ(DrawerRows().size(), 5u);
  EXPECT_EQ(DrawerRows().back(), "送った写真");
}

using ClosingTest = MainFormTest;

TEST_F(ClosingTest, ClosingRemovesTheViewerScratchFileButKeepsTheHtmlOne) {
  WriteBytes(Program() + "\\dorvnview.tmp", "x");
  WriteBytes(Program() + "\\dorvnview.htm", "x");
  Start();
  form->Exit->Click();
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(PathExists(Program() + "\\dorvnview.tmp"));
  EXPECT_TRUE(PathExists(Program() + "\\dorvnview.htm"));
}

TEST_F(ClosingTest, AboutShowsTheVersionDialogModally) {
  Start();
  form->About->Click();
  ASSERT_EQ(driver->ModalForms.size(), 1u);
}

class ScreenshotTest : public MainFormTest {
 protected:
  static QImage Shot(const TControl& window, const std::string& path) {
    EXPECT_TRUE(SaveScreenshot(window, path));
    return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
  }
  QImage Shot(const std::string& path) const { return Shot(*form, path); }
  // Where a control's client area begins in a screenshot of its window.
  static TPoint ShotPoint(const TControl& window, const TControl& control) {
    const TPoint at = control.ClientToScreen(TPoint{0, 0});
    const TPoint origin = window.ClientToScreen(TPoint{0, 0});
    return TPoint{at.x - origin.x, at.y - origin.y};
  }
  TPoint ShotPoint(const TControl& control) const { return ShotPoint(*form, control); }
  // The 32 by 32 picture at the left of a drawer row.
  QImage DrawerPicture(const QImage& shot, int row) const {
    const TPoint list = ShotPoint(*form->DrawerList);
    const TRect rect = form->DrawerList->ItemRect(row);
    return shot.copy(list.x + rect.Left + 2, list.y + rect.Top, 32, 32);
  }
  // How far left of the sender pane Label3's text ends.
  int GapBeforeThePane(const QImage& shot) const {
    const TPoint label = ShotPoint(*form->Label3);
    const TPoint pane = ShotPoint(*form->FromAdd);
    const QImage band = shot.copy(pane.x - 80, label.y, 80, form->Label3->Height());
    int gap = band.width();
    for (int y = 0; y < band.height(); ++y)
      for (int x = 0; x < band.width(); ++x)
        if (qGray(band.pixel(x, y)) < 100) gap = std::min(gap, band.width() - 1 - x);
    return gap;
  }
  // Whether a picture shows the named bitmap from its top left corner, the
  // bitmap's red pixels letting the background through.
  static bool ShowsBitmap(const QImage& picture, const char* name) {
    const QImage bitmap = QImage(QString(":/bitmaps/%1.png").arg(name)).convertToFormat(QImage::Format_RGB32);
    if (bitmap.width() < picture.width() || bitmap.height() < picture.height()) return false;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) {
        const QColor colour = bitmap.pixelColor(x, y);
        const QColor shown = picture.pixelColor(x, y);
        if (colour == QColor(Qt::red) ? shown == colour : shown != colour) return false;
      }
    return true;
  }
};

TEST_F(ScreenshotTest, BothBooksWithARealDrawerOpen) {
  DrawerBuilder mails;
  const char* subjects[] = {"お花見のご案内", "モモからのおたより",
                            "【お知らせ】会員情報の更新についてのとても長い件名", "Re: 来週の打ち合わせ"};
  int n = 0;
  for (const char* subject : subjects) {
    RecordFields& mail = mails.AddMail("From: x\r\n\r\n", "太郎さん\r\n\r\n今週の土曜日、公園でお花見をします。\r\n");
    mail.from = Format("friend%d@example.jp", ++n);
    mail.subject = subject;
    mail.date = "Sat, 01 Apr 2000 09:12:30 +0900";
  }
  WriteDrawer(true, "黄色の引出し", mails);
  for (RecordFields& mail : mails.Records()) mail.to = "hanako@example.jp";
  WriteDrawer(false, "", mails);
  const std::string folder = ScreenFolder(Root());
  std::filesystem::create_directories(folder);
  Start();
  OpenDrawer("黄色の引出し");
  form->MailList->SetSelected(1, true);
  const QImage receive = Shot(folder + "/dorvane-receive.png");
  const int labelRight = form->Label3->Left() + form->Label3->Width();
  form->MBoxChange->Click();
  const QImage send = Shot(folder + "/dorvane-send.png");
  // The open drawer shows the open-drawer picture, the others the closed one,
  // with the pictures' red drawn transparent.
  for (int row = 0; row < 4; ++row) {
    EXPECT_TRUE(ShowsBitmap(DrawerPicture(receive, row), row == 1 ? "DOImage" : "DSImage")) << row;
    EXPECT_TRUE(ShowsBitmap(DrawerPicture(send, row), row == 0 ? "DOImage" : "DSImage")) << row;
  }
  // "Ｔｏ" ends where "Ｆｒｏｍ" did, just left of the pane.
  EXPECT_EQ(form->Label3->Left() + form->Label3->Width(), labelRight);
  EXPECT_LT(GapBeforeThePane(receive), 12);
  EXPECT_NEAR(GapBeforeThePane(send), GapBeforeThePane(receive), 3);
}

TEST_F(ScreenshotTest, TheNameDialogShowsTheClosedDrawer) {
  Start();
  QImage shot;
  TRect picture;
  driver->FormAnswers.push_back([&](TForm& dialog) {
    auto& names = static_cast<TDNameDlg&>(dialog);
    shot = Shot(dialog, ScreenFolder(Root()) + "/dorvane-drawer-name.png");
    const TPoint at = ShotPoint(dialog, *names.DrawerImage);
    picture = Bounds(at.x, at.y, names.DrawerImage->Width(), names.DrawerImage->Height());
  });
  form->NewDrawer->Click();
  EXPECT_EQ(picture.Width(), 32);
  EXPECT_TRUE(ShowsBitmap(shot.copy(picture.Left, picture.Top, picture.Width(), picture.Height()), "DSImage"));
}
