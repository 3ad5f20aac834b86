// The menus' enabling rules, their short-cuts, copy, find and the font command.

#include "browser/store/SettingsKey.h"
#include "platform/forms/Memo.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "tests/browser/MainFormFixture.h"

class MenuEnablingTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    WriteDrawerNameFile("dorvndwl.cfg", {"ひみつ日記", "ペットメール", "仕事"});
  }
  void OpenEdit() { form->Edit->Click(); }
  void OpenDrawerMenu() {
    form->DwMenu->OnPopup(form->DwMenu);
  }
  // Opens the Edit menu and the drawer pop-up, whose delete items follow one
  // rule while the drawer list has the focus.
  bool DrawerDeleteOffered() {
    OpenEdit();
    OpenDrawerMenu();
    EXPECT_EQ(form->Delete->Enabled(), form->DwMenuDel->Enabled());
    return form->Delete->Enabled();
  }
  void OpenEveryMenu() {
    form->File->Click();
    OpenEdit();
    OpenDrawerMenu();
    form->MlMenu->OnPopup(form->MlMenu);
    form->MtMenu->OnPopup(form->MtMenu);
  }
  // The items that need mails in the open drawer.
  std::vector<TMenuItem*> MailCommands() const {
    return {form->AutoSeparate, form->ExecViewer,  form->Find,         form->Reply,
            form->DwMenuAtS,    form->MlMenuDel,   form->MlMenuReply,  form->MtMenuFind,
            form->MtMenuViewer, form->MtMenuReply};
  }
};

TEST_F(MenuEnablingTest, DeleteFollowsTheFocusedListAndTheSelectedDrawer) {
  WriteNumbered(true, "", 1, 1);
  Start();
  form->DrawerList->SetFocus();
  OpenDrawer("黒の引出し");
  EXPECT_FALSE(DrawerDeleteOffered());
  OpenDrawer("仕事");
  EXPECT_TRUE(DrawerDeleteOffered());
  // The mail list enables it even on a drawer without mails.
  form->MailList->SetFocus();
  OpenEdit();
  EXPECT_TRUE(form->Delete->Enabled());
}

TEST_F(MenuEnablingTest, DeleteIsDisabledWhileTheTextHasTheFocus) {
  WriteNumbered(true, "", 1, 1);
  Start();
  form->MailText->SetFocus();
  OpenEdit();
  EXPECT_FALSE(form->Delete->Enabled());
}

TEST_F(MenuEnablingTest, TheSendBooksFirstOwnDrawerOffersDeleteAndRename) {
  WriteDrawerNameFile("dorvnsdl.cfg", {"送った写真"});
  Start();
  form->MBoxChange->Click();
  form->DrawerList->SetFocus();
  OpenDrawer("ピンクの引出し");
  OpenDrawerMenu();
  EXPECT_FALSE(form->DwMenuRnm->Enabled());
  OpenDrawer("送った写真");
  EXPECT_TRUE(DrawerDeleteOffered());
  EXPECT_TRUE(form->DwMenuRnm->Enabled());
}

TEST_F(MenuEnablingTest, ProtectedDrawersOfferRenameButNeverDelete) {
  Start();
  form->DrawerList->SetFocus();
  for (const char* drawer : {"ひみつ日記", "ペットメール"}) {
    OpenDrawer(drawer);
    EXPECT_FALSE(DrawerDeleteOffered()) << drawer;
    EXPECT_TRUE(form->DwMenuRnm->Enabled()) << drawer;
  }
  OpenDrawer("黄色の引出し");
  OpenDrawerMenu();
  EXPECT_FALSE(form->DwMenuRnm->Enabled());
}

TEST_F(MenuEnablingTest, CommandsNeedingMailsFollowTheOpenDrawer) {
  WriteNumbered(true, "", 1, 2);
  Start();
  OpenEveryMenu();
  for (TMenuItem* item : MailCommands()) EXPECT_TRUE(item->Enabled()) << item->Name();
  OpenDrawer("紫の引出し");
  OpenEveryMenu();
  for (TMenuItem* item : MailCommands()) EXPECT_FALSE(item->Enabled()) << item->Name();
}

TEST_F(MenuEnablingTest, ReplyIsAlwaysDisabledInTheSendBook) {
  WriteNumbered(false, "", 1, 2);
  Start();
  form->MBoxChange->Click();
  OpenEveryMenu();
  EXPECT_FALSE(form->Reply->Enabled());
  EXPECT_FALSE(form->MlMenuReply->Enabled());
  EXPECT_FALSE(form->MtMenuReply->Enabled());
  EXPECT_TRUE(form->MlMenuDel->Enabled());
}

TEST_F(MenuEnablingTest, CopyNeedsASelectionInTheText) {
  WriteNumbered(true, "", 1, 1);
  Start();
  OpenEdit();
  EXPECT_FALSE(form->Copy->Enabled());
  form->MailText->SetSelStart(0);
  form->MailText->SetSelLength(4);
  OpenEdit();
  form->MtMenu->OnPopup(form->MtMenu);
  EXPECT_TRUE(form->Copy->Enabled());
  EXPECT_TRUE(form->MtMenuCopy->Enabled());
}

using ShortCutTest = MainFormTest;

TEST_F(ShortCutTest, SubjectSettingsIsDisabledInTheSendBookAlsoByItsShortCut) {
  Start();
  form->Option->Click();
  form->DwSpCfg->Click();
  EXPECT_TRUE(form->SubjectCfg->Enabled());
  PressKey(*form->DrawerList, 'M', ssCtrl);
  EXPECT_EQ(form->Label1->Caption(), "送信簿・引出し");
  PressKey(*form->DrawerList, 'T', ssCtrl);
  EXPECT_FALSE(form->SubjectCfg->Enabled());
  EXPECT_TRUE(form->AddressCfg->Enabled());
}

// With the text focused an enabled delete would ask for the selected mail.
TEST_F(ShortCutTest, ADisabledDeleteShortCutDoesNothing) {
  WriteNumbered(true, "", 1, 2);
  Start();
  for (TControl* focused : std::initializer_list<TControl*>{form->DrawerList, form->MailText}) {
    focused->SetFocus();
    PressKey(*focused, 'D', ssCtrl);
    EXPECT_FALSE(form->Delete->Enabled());
  }
  EXPECT_TRUE(driver->MessageBoxes.empty());
  EXPECT_EQ(SubjectsIn(true, "").size(), 2u);
}

class FindTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    DrawerBuilder mails;
    mails.AddMail("From: a@example.jp\r\n\r\n", "桜 and Sakura and 桜 again\r\n");
    WriteDrawer(true, "", mails);
    Start();
  }
  void FindNext(const std::string& text, TFindOptions options = frDown) {
    form->FindDlg->SetFindText(text);
    form->FindDlg->SetOptions(options | frHideUpDown);
    form->FindDlgFind(form->FindDlg);
  }
};

TEST_F(FindTest, EachSearchSelectsTheNextHitAndStopsAfterTheLast) {
  FindNext("桜");
  EXPECT_EQ(form->MailText->SelStart(), 0);
  EXPECT_EQ(form->MailText->SelLength(), 1);
  FindNext("桜");
  EXPECT_EQ(form->MailText->SelStart(), 17);
  FindNext("桜");
  EXPECT_EQ(form->MailText->SelStart(), 17);
  EXPECT_EQ(form->MailText->SelText(), "桜");
}

TEST_F(FindTest, MatchCaseAndWholeWordNarrowTheSearch) {
  FindNext("sakura", frDown | frMatchCase);
  EXPECT_EQ(form->MailText->SelLength(), 0);
  FindNext("sakura");
  EXPECT_EQ(form->MailText->SelStart(), 6);
  form->MailText->SetSelLength(0);
  form->MailText->SetSelStart(0);
  FindNext("Saku", frDown | frWholeWord);
  EXPECT_EQ(form->MailText->SelLength(), 0);
}

TEST_F(FindTest, OpeningTheDialogTakesTheSelectionOrKeepsTheLastText) {
  form->FindDlg->SetFindText("old");
  form->Find->Click();
  EXPECT_EQ(form->FindDlg->FindText(), "old");
  form->MailText->SetSelStart(6);
  form->MailText->SetSelLength(6);
  form->MtMenuFind->Click();
  EXPECT_EQ(form->FindDlg->FindText(), "Sakura");
  form->FindDlg->CloseDialog();
}

TEST_F(FindTest, CopyPutsTheSelectedTextOnTheClipboard) {
  form->MailText->SetSelStart(6);
  form->MailText->SetSelLength(6);
  form->Copy->Click();
  TEdit* pasteTarget = Create<TEdit>(form.get());
  pasteTarget->PasteFromClipboard();
  EXPECT_EQ(pasteTarget->Text(), "Sakura");
}

using FontCommandTest = MainFormTest;

TEST_F(FontCommandTest, AChosenFaceIsStoredAndGivenToTheThreeControls) {
  Start();
  std::string offered;
  driver->FontDialogAnswers.push_back([&](TFontDialog& dialog) {
    offered = dialog.Font->Name();
    dialog.Font->SetName("Noto Sans CJK JP");
    return true;
  });
  form->FontSet->Click();
  EXPECT_EQ(offered, "ＭＳ Ｐゴシック");
  EXPECT_EQ(SettingsKey().Read(Setting::Font), "Noto Sans CJK JP");
  EXPECT_EQ(form->DrawerList->Font->Name(), "Noto Sans CJK JP");
  EXPECT_EQ(form->MailList->Font->Name(), "Noto Sans CJK JP");
  EXPECT_EQ(form->MailText->Font->Name(), "Noto Sans CJK JP");
  EXPECT_TRUE(form->DrawerList->Font->Bold());
  EXPECT_EQ(form->DrawerList->Font->Size(), 13);
  EXPECT_NE(form->FromAdd->Font->Name(), "Noto Sans CJK JP");
}

TEST_F(FontCommandTest, CancelChangesNothingAndAStoredFaceIsUsedAtStart) {
  SettingsKey().Write(Setting::Font, "IPAGothic");
  Start();
  form->FontSet->Click();
  EXPECT_EQ(SettingsKey().Read(Setting::Font), "IPAGothic");
  EXPECT_EQ(form->MailText->Font->Name(), "IPAGothic");
}
