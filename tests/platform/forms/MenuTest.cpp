// Menus: opening handlers before short-cuts, disabled short-cuts, and short-cuts
// going before a text field's own keys.

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include "platform/forms/Forms.h"
#include "platform/forms/FormsTesting.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "tests/support/Sandbox.h"

namespace {

class MenuForm : public TForm {
 public:
  explicit MenuForm(TComponent* owner) : TForm(owner) {
    MainMenu = Create<TMainMenu>(this);
    Edit = Create<TMenuItem>(MainMenu);
    Edit->SetCaption("&Edit");
    Edit->OnClick = [this](TObject*) {
      log.push_back("open Edit");
      Copy->SetEnabled(copyAllowed);
    };
    Copy = Create<TMenuItem>(Edit);
    Copy->SetCaption("&Copy");
    Copy->SetShortCut(ShortCut('C', ssCtrl));
    Copy->OnClick = [this](TObject*) { log.push_back("Copy"); };
    Line = Create<TMenuItem>(Edit);
    Line->SetCaption("-");
    Settings = Create<TMenuItem>(Edit);
    Settings->SetCaption("&Settings");
    Settings->OnClick = [this](TObject*) { log.push_back("open Settings"); };
    Subject = Create<TMenuItem>(Settings);
    Subject->SetCaption("Subject(&T)");
    Subject->SetShortCut(ShortCut('T', ssCtrl));
    Subject->OnClick = [this](TObject*) { log.push_back("Subject"); };
    SetMenu(MainMenu);
    Text = Create<TEdit>(this);
    Text->SetBounds(8, 8, 100, 20);
    Text->OnKeyDown = [this](TObject*, WORD& key, TShiftState) { log.push_back("edit key " + std::to_string(key)); };
  }

  TMainMenu* MainMenu;
  TMenuItem* Edit;
  TMenuItem* Copy;
  TMenuItem* Line;
  TMenuItem* Settings;
  TMenuItem* Subject;
  TEdit* Text;
  bool copyAllowed = true;
  std::vector<std::string> log;
};

class MenuTest : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    form.Show();
    form.Text->SetFocus();
  }
  TestModalDriver driver;
  MenuForm form{nullptr};
};

TEST_F(MenuTest, ShortCutRunsTheOpeningHandlerFirst) {
  PressKey(*form.Text, 'C', ssCtrl);
  EXPECT_EQ(form.log, (std::vector<std::string>{"open Edit", "Copy"}));
}

TEST_F(MenuTest, ShortCutOfNestedItemOpensEveryMenuAboveIt) {
  PressKey(*form.Text, 'T', ssCtrl);
  EXPECT_EQ(form.log, (std::vector<std::string>{"open Edit", "open Settings", "Subject"}));
}

TEST_F(MenuTest, ItemDisabledByItsOpeningHandlerIgnoresItsShortCut) {
  form.copyAllowed = false;
  PressKey(*form.Text, 'C', ssCtrl);
  EXPECT_EQ(form.log, (std::vector<std::string>{"open Edit", "edit key 67"}));
  EXPECT_FALSE(form.Copy->Enabled());
  form.Copy->Click();
  EXPECT_EQ(form.log.size(), 2u);
}

TEST_F(MenuTest, ShortCutGoesBeforeTheTextFieldsOwnKey) {
  form.Text->SetText("abc");
  form.Text->SelectAll();
  PressKey(*form.Text, 'C', ssCtrl);
  EXPECT_EQ(form.log, (std::vector<std::string>{"open Edit", "Copy"}));
}

TEST_F(MenuTest, KeysWithoutShortCutReachTheControl) {
  PressKey(*form.Text, 'Q', ssCtrl);
  PressKey(*form.Text, 'C');
  EXPECT_EQ(form.log, (std::vector<std::string>{"edit key 81", "edit key 67"}));
  EXPECT_EQ(form.Text->Text(), "c");
}

TEST_F(MenuTest, KeyPreviewLetsTheFormTakeKeysFirst) {
  form.SetKeyPreview(true);
  form.OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
    if (key == VK_F1 + 1) key = 0;
  };
  PressKey(*form.Text, VK_F1 + 1);
  PressKey(*form.Text, VK_F1 + 2);
  EXPECT_EQ(form.log, (std::vector<std::string>{"edit key 114"}));
}

TEST_F(MenuTest, ItemsKeepTheirTreeAndSeparators) {
  EXPECT_EQ(form.MainMenu->Items->Count(), 1);
  EXPECT_EQ(form.Edit->Count(), 3);
  EXPECT_TRUE(form.Line->IsLine());
  EXPECT_EQ(form.Subject->Parent(), form.Settings);
  EXPECT_EQ(form.MainMenu->Items->FindShortCut(ShortCut('T', ssCtrl)), form.Subject);
}

// Between two items, where Qt does not collapse it.
TEST_F(MenuTest, SeparatorIsDrawnAsALineAlone) {
  QMenu* edit = form.MainMenu->MenuBar()->actions().at(0)->menu();
  ASSERT_NE(edit, nullptr);
  const QList<QAction*> items = edit->actions();
  ASSERT_EQ(items.size(), 3);
  QMenu lineOnly;
  lineOnly.addAction(items[0]);
  lineOnly.addSeparator();
  lineOnly.addAction(items[2]);
  EXPECT_TRUE(items[1]->isSeparator());
  EXPECT_EQ(edit->grab().toImage(), lineOnly.grab().toImage());
}

TEST_F(MenuTest, EscapeOutOfAMenuGivesTheFocusBackToItsControl) {
  QMenuBar* bar = form.MainMenu->MenuBar();
  const QPoint title = bar->actionGeometry(bar->actions().at(0)).center();
  QMouseEvent press(QEvent::MouseButtonPress, title, bar->mapToGlobal(title), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(bar, &press);
  QWidget* menu = QApplication::activePopupWidget();
  ASSERT_NE(menu, nullptr);
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(menu, &escape);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  EXPECT_EQ(form.ActiveControl(), form.Text);
  EXPECT_TRUE(form.Text->Focused());
}

TEST_F(MenuTest, ShortCutTextsAreTheClassLibrarysOnes) {
  EXPECT_EQ(ShortCutToText(ShortCut('M', ssCtrl)), "Ctrl+M");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_INSERT, 0)), "Ins");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_INSERT, ssShift)), "Shift+Ins");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_INSERT, ssCtrl)), "Ctrl+Ins");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_F1, 0)), "F1");
}

TEST_F(MenuTest, PopupRunsItsOpeningHandler) {
  TPopupMenu* popup = Create<TPopupMenu>(&form);
  TMenuItem* item = Create<TMenuItem>(popup);
  item->SetCaption("Delete");
  int opened = 0;
  popup->OnPopup = [&](TObject*) {
    ++opened;
    item->SetEnabled(false);
  };
  popup->Popup(10, 10);
  EXPECT_EQ(opened, 1);
  EXPECT_FALSE(item->Enabled());
}

TEST_F(MenuTest, FormPopupMenuOpensOverAControlWithoutItsOwn) {
  TPopupMenu* popup = Create<TPopupMenu>(&form);
  Create<TMenuItem>(popup)->SetCaption("Send");
  form.SetPopupMenu(popup);
  int opened = 0;
  popup->OnPopup = [&](TObject*) { ++opened; };
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), QPoint(2, 2));
  QApplication::sendEvent(form.Text->Widget(), &event);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(popup->PopupComponent(), form.Text);
}

}  // namespace
