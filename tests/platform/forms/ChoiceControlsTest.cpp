// Combo boxes, radio groups, string grids and the folder choosers.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QToolTip>
#include <filesystem>

#include "platform/files/Files.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/FileCtrl.h"
#include "platform/forms/Forms.h"
#include "platform/forms/FormsTesting.h"
#include "platform/forms/Grids.h"
#include "platform/forms/GroupBox.h"
#include "platform/forms/StdCtrls.h"
#include "platform/strings/StringList.h"
#include "tests/support/Sandbox.h"

namespace {

class ChoiceControlsTest : public SandboxTest {
 protected:
  TestModalDriver driver;
  TForm form{nullptr};
};

TEST_F(ChoiceControlsTest, ComboRowsChangeWithoutTouchingTheTypedText) {
  TComboBox* combo = Create<TComboBox>(&form);
  combo->SetText("typed folder");
  combo->Items->Add("/a");
  combo->Items->Add("/B");
  EXPECT_EQ(combo->Text(), "typed folder");
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(combo->Items->IndexOf("/b"), 1);
  combo->SetItemIndex(1);
  EXPECT_EQ(combo->Text(), "/B");
  combo->Items->Clear();
  EXPECT_EQ(combo->Text(), "/B");
}

TEST_F(ChoiceControlsTest, ComboChangeEventFollowsTheText) {
  TComboBox* combo = Create<TComboBox>(&form);
  int changes = 0;
  combo->OnChange = [&](TObject*) { ++changes; };
  combo->SetText("x");
  combo->SetText("x");
  EXPECT_EQ(changes, 1);
}

TEST_F(ChoiceControlsTest, ComboHintShowsOverItsTextField) {
  TComboBox* combo = Create<TComboBox>(&form);
  combo->SetBounds(10, 10, 160, 24);
  combo->SetHint("a new name makes a drawer");
  combo->SetShowHint(true);
  form.Show();
  QLineEdit* field = static_cast<QComboBox*>(combo->Widget())->lineEdit();
  QHelpEvent pointed(QEvent::ToolTip, QPoint(5, 5), field->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(field, &pointed);
  EXPECT_EQ(QToolTip::text(), "a new name makes a drawer");
  QToolTip::hideText();
}

TEST_F(ChoiceControlsTest, GroupBoxHoldsItsControlsAtItsOwnCoordinates) {
  TGroupBox* box = Create<TGroupBox>(&form);
  box->SetBounds(8, 120, 200, 60);
  box->SetCaption("Settings");
  TLabel* inside = Create<TLabel>(box);
  inside->SetBounds(12, 20, 0, 0);
  form.Show();
  const TPoint boxOrigin = box->ClientToScreen(TPoint{0, 0});
  const TPoint labelOrigin = inside->ClientToScreen(TPoint{0, 0});
  EXPECT_EQ(labelOrigin.x - boxOrigin.x, 12);
  EXPECT_EQ(labelOrigin.y - boxOrigin.y, 20);
  EXPECT_EQ(inside->Parent(), box);
  EXPECT_EQ(static_cast<QGroupBox*>(box->Widget())->title(), "Settings");
}

TEST_F(ChoiceControlsTest, RadioGroupRunsOnClickWhenTheChoiceChanges) {
  TRadioGroup* group = Create<TRadioGroup>(&form);
  group->SetColumns(2);
  group->Items->Add("Address");
  group->Items->Add("Subject");
  std::vector<int> clicks;
  group->OnClick = [&](TObject*) { clicks.push_back(group->ItemIndex()); };
  group->SetItemIndex(0);
  group->SetItemIndex(0);
  group->SetItemIndex(1);
  group->SetItemIndex(7);
  EXPECT_EQ(clicks, (std::vector<int>{0, 1, -1}));
}

TEST_F(ChoiceControlsTest, GridCellsRowsAndFixedTitleRow) {
  TStringGrid* grid = Create<TStringGrid>(&form);
  grid->SetColCount(2);
  grid->SetRowCount(2);
  grid->SetOptions(goRowSelect | goVertLine | goHorzLine);
  grid->SetCells(0, 0, "Address");
  grid->SetCells(0, 1, "a@example.jp");
  grid->SetRowCount(4);
  grid->SetCells(0, 3, "c@example.jp");
  grid->SetCells(5, 9, "ignored");
  EXPECT_EQ(grid->Cells(0, 0), "Address");
  EXPECT_EQ(grid->Cells(0, 2), "");
  EXPECT_EQ(grid->Cells(5, 9), "");
  EXPECT_EQ(grid->Cols(0).IndexOf("C@EXAMPLE.JP"), 3);
  EXPECT_EQ(grid->Row(), 1);
  grid->SetRow(0);
  EXPECT_EQ(grid->Row(), 1);
  grid->SetRow(3);
  EXPECT_EQ(grid->Row(), 3);
  grid->SetRowCount(2);
  EXPECT_EQ(grid->RowCount(), 2);
  EXPECT_EQ(grid->Cells(0, 3), "");
}

TEST_F(ChoiceControlsTest, GridDoubleClickRunsOnDblClick) {
  TStringGrid* grid = Create<TStringGrid>(&form);
  grid->SetBounds(0, 0, 300, 200);
  grid->SetDefaultRowHeight(20);
  form.Show();
  int clicks = 0;
  grid->OnDblClick = [&](TObject*) { ++clicks; };
  MouseDoubleClick(*grid, TPoint{10, 30});
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(grid->Row(), 1);
}

class FolderChooserTest : public ChoiceControlsTest {
 protected:
  void SetUp() override {
    ChoiceControlsTest::SetUp();
    for (const char* sub : {"/books/b", "/books/A", "/books/c/deep"}) std::filesystem::create_directories(Root() + sub);
    list = Create<TDirectoryListBox>(&form);
    label = Create<TLabel>(&form);
    list->SetDirLabel(label);
    list->SetDirectory(platform::ProgramPath(Root() + "/books"));
  }
  std::string Shown(const std::string& native) {
    return platform::ProgramPath(std::filesystem::canonical(native).string());
  }
  TDirectoryListBox* list = nullptr;
  TLabel* label = nullptr;
};

TEST_F(FolderChooserTest, ListShowsAncestorsThenSubfoldersAndTheLabelFollows) {
  EXPECT_EQ(list->Directory(), Shown(Root() + "/books"));
  EXPECT_EQ(label->Caption(), list->Directory());
  int count = list->Count();
  ASSERT_GE(count, 4);
  EXPECT_EQ(list->RowText(0), "/");
  EXPECT_EQ(list->RowText(count - 3), "A");
  EXPECT_EQ(list->RowText(count - 2), "b");
  EXPECT_EQ(list->RowText(count - 1), "c");
  EXPECT_EQ(list->RowText(count - 4), "books");
}

TEST_F(FolderChooserTest, ClickHighlightsAndDoubleClickOrEnterOpens) {
  form.Show();
  int count = list->Count();
  list->SetItemIndex(count - 1);
  EXPECT_EQ(list->Directory(), Shown(Root() + "/books"));
  list->SetFocus();
  PressKey(*list, VK_RETURN);
  EXPECT_EQ(list->Directory(), Shown(Root() + "/books/c"));
  EXPECT_EQ(label->Caption(), Shown(Root() + "/books/c"));
  list->OpenRow(list->Count() - 1);
  EXPECT_EQ(list->Directory(), Shown(Root() + "/books/c/deep"));
}

TEST_F(FolderChooserTest, MissingFolderChangesNothing) {
  std::string before = list->Directory();
  list->SetDirectory(platform::ProgramPath(Root() + "/nowhere"));
  EXPECT_EQ(list->Directory(), before);
}

TEST_F(FolderChooserTest, DriveChoiceMovesTheTiedList) {
  TDriveComboBox* drives = Create<TDriveComboBox>(&form);
  drives->SetDirList(list);
  ASSERT_FALSE(drives->Drives().empty());
  EXPECT_EQ(drives->Drives().front(), "/");
  drives->SetDrive("/");
  EXPECT_EQ(list->Directory(), Shown(Root() + "/books"));  // already the drive in use
}

}  // namespace
