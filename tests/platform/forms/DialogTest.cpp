// The common dialogs: the modeless find dialog and the modal ones through the driver.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"
#include "platform/forms/FormsTesting.h"
#include "tests/support/Sandbox.h"

namespace {

class DialogTest : public SandboxTest {
 protected:
  TestModalDriver driver;
  TForm form{nullptr};
};

TEST_F(DialogTest, FindDialogIsModelessAndKeepsItsText) {
  TFindDialog* find = Create<TFindDialog>(&form);
  find->SetOptions(frDown | frHideUpDown);
  find->SetFindText("first");
  EXPECT_TRUE(find->Execute());
  EXPECT_TRUE(find->Visible());
  EXPECT_EQ(find->FindText(), "first");
  find->CloseDialog();
  EXPECT_FALSE(find->Visible());
  find->Execute();
  EXPECT_EQ(find->FindText(), "first");
  EXPECT_TRUE(driver.ModalForms.empty());
}

TEST_F(DialogTest, FindDialogKeepsWhatWasTypedAcrossClosing) {
  TFindDialog* find = Create<TFindDialog>(&form);
  find->Execute();
  find->Window()->findChild<QLineEdit*>()->setText("typed");
  find->CloseDialog();
  find->Execute();
  EXPECT_EQ(find->FindText(), "typed");
}

TEST_F(DialogTest, FindNextRunsOnFindWithTheChosenOptions) {
  TFindDialog* find = Create<TFindDialog>(&form);
  std::vector<std::pair<std::string, TFindOptions>> finds;
  find->OnFind = [&](TObject* sender) {
    auto* dialog = static_cast<TFindDialog*>(sender);
    finds.emplace_back(dialog->FindText(), dialog->Options());
  };
  find->SetOptions(frDown | frHideUpDown | frMatchCase);
  find->Execute();
  find->SetFindText("cat");
  find->FindNext();
  ASSERT_EQ(finds.size(), 1u);
  EXPECT_EQ(finds[0].first, "cat");
  EXPECT_TRUE(finds[0].second & frMatchCase);
  EXPECT_FALSE(finds[0].second & frWholeWord);
  EXPECT_TRUE(finds[0].second & frFindNext);
  EXPECT_TRUE(finds[0].second & frHideUpDown);
}

TEST_F(DialogTest, FontDialogChangesOnlyTheFace) {
  TFontDialog* fonts = Create<TFontDialog>(&form);
  fonts->Font->SetName("Face A");
  fonts->Font->SetSize(13);
  driver.FontDialogAnswers.push_back([](TFontDialog& dialog) {
    dialog.Font->SetName("Face B");
    return true;
  });
  EXPECT_TRUE(fonts->Execute());
  EXPECT_EQ(fonts->Font->Name(), "Face B");
  EXPECT_EQ(fonts->Font->Size(), 13);
  EXPECT_FALSE(fonts->Execute());
  EXPECT_EQ(driver.DialogsShown, 2);
}

// The real window, looked at from inside its own modal loop and cancelled there.
TEST_F(DialogTest, FontDialogShowsItsMnemonicUnderlinedWithoutTheAmpersand) {
  TFontDialog* fonts = Create<TFontDialog>(&form);
  QLabel* label = nullptr;
  QWidget* faces = nullptr;
  int plainWidth = 0;
  QTimer::singleShot(0, [&] {
    auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(window, nullptr);
    label = window->findChild<QLabel*>();
    faces = window->findChild<QFontComboBox*>();
    QLabel plain(QStringLiteral("フォント名(F):"));
    plain.setFont(label->font());
    plainWidth = plain.sizeHint().width();
    EXPECT_EQ(label->sizeHint().width(), plainWidth);
    EXPECT_EQ(label->buddy(), faces);
    window->reject();
  });
  EXPECT_FALSE(fonts->RunQtDialog());
  EXPECT_NE(faces, nullptr);
  EXPECT_GT(plainWidth, 0);
}

TEST_F(DialogTest, QtsOwnDialogsReadInJapaneseOnceTheApplicationIsSetUp) {
  Application->Initialize(0, nullptr);
  QStringList captions;
  QTimer::singleShot(0, [&] {
    for (const QPushButton* button : QApplication::activeModalWidget()->findChildren<QPushButton*>()) captions << button->text();
    QApplication::activeModalWidget()->close();
  });
  Create<TOpenDialog>(&form)->RunQtDialog();
  EXPECT_TRUE(captions.contains("キャンセル") && !captions.contains("Cancel")) << captions.join(", ").toStdString();
}

TEST_F(DialogTest, OpenDialogReturnsTheChosenFiles) {
  TOpenDialog* open = Create<TOpenDialog>(&form);
  open->Options = ofAllowMultiSelect | ofFileMustExist;
  driver.OpenDialogAnswers.push_back([](TOpenDialog& dialog) {
    dialog.Files = {"a.txt", "b.txt"};
    dialog.FileName = "a.txt";
    return true;
  });
  ASSERT_TRUE(open->Execute());
  EXPECT_EQ(open->Files.size(), 2u);
  EXPECT_FALSE(open->Execute());
}

}  // namespace
