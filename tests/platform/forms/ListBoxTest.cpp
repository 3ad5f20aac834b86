// List boxes: owner-drawn rows, selection, hit tests, the exact search and
// the drag of rows from one list box onto another.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <filesystem>

#include "platform/forms/Bridge.h"
#include "platform/forms/Forms.h"
#include "platform/forms/FormsTesting.h"
#include "platform/forms/ListBox.h"
#include "tests/support/Sandbox.h"

namespace {

struct DrawCall {
  int index;
  TRect rect;
  TOwnerDrawState state;
};

class ListForm : public TForm {
 public:
  explicit ListForm(TComponent* owner) : TForm(owner) {
    SetClientWidth(400);
    SetClientHeight(300);
    SetPosition(poDesigned);
    SetBounds(100, 100, 400, 300);
    Drawers = Create<TListBox>(this);
    Drawers->SetName("Drawers");
    Drawers->SetBounds(8, 8, 150, 280);
    Drawers->SetStyle(lbOwnerDrawVariable);
    Drawers->OnMeasureItem = [](TWinControl*, int index, int& height) { height = index == 0 ? 40 : 32; };
    Mails = Create<TListBox>(this);
    Mails->SetName("Mails");
    Mails->SetBounds(170, 8, 220, 200);
    Mails->SetStyle(lbOwnerDrawFixed);
    Mails->SetItemHeight(16);
    Mails->SetMultiSelect(true);
    Mails->OnDrawItem = [this](TWinControl*, int index, TRect rect, TOwnerDrawState state) {
      draws.push_back({index, rect, state});
      Mails->Canvas->FillRect(rect);
      Mails->Canvas->TextRect(Rect(rect.Left, rect.Top, rect.Left + 60, rect.Bottom), rect.Left + 1, rect.Top + 2,
                              Mails->Items->Strings(index));
    };
    for (const char* name : {"Book", "Yellow", "Purple", "Own"}) Drawers->Items->Add(name);
    for (const char* subject : {"first mail", "second mail", "third mail", "fourth mail", "fifth mail"})
      Mails->Items->Add(subject);
  }

  TListBox* Drawers;
  TListBox* Mails;
  std::vector<DrawCall> draws;
};

class ListBoxTest : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    form.Show();
  }
  TestModalDriver driver;
  ListForm form{nullptr};
};

TEST_F(ListBoxTest, VariableRowsTakeTheMeasuredHeights) {
  EXPECT_EQ(form.Drawers->ItemRect(0).Height(), 40);
  EXPECT_EQ(form.Drawers->ItemRect(1).Height(), 32);
  EXPECT_EQ(form.Drawers->ItemRect(1).Top, 40);
  EXPECT_EQ(form.Drawers->ItemAtPos(TPoint{5, 45}, true), 1);
  EXPECT_EQ(form.Drawers->ItemAtPos(TPoint{5, 39}, true), 0);
}

TEST_F(ListBoxTest, OwnerDrawGetsRowRectsAndSelectedState) {
  form.Mails->SetItemIndex(1);
  form.draws.clear();
  PaintNow(*form.Mails);
  ASSERT_EQ(form.draws.size(), 5u);
  EXPECT_EQ(form.draws[1].index, 1);
  EXPECT_EQ(form.draws[1].rect.Top, 16);
  EXPECT_EQ(form.draws[1].rect.Height(), 16);
  EXPECT_EQ(form.draws[1].rect.Left, 0);
  EXPECT_TRUE(form.draws[1].state & odSelected);
  EXPECT_FALSE(form.draws[0].state & odSelected);
}

TEST_F(ListBoxTest, FocusedCurrentRowIsDrawnFocused) {
  form.Mails->SetFocus();
  form.Mails->SetItemIndex(2);
  form.draws.clear();
  PaintNow(*form.Mails);
  ASSERT_EQ(form.draws.size(), 5u);
  EXPECT_TRUE(form.draws[2].state & odFocused);
  EXPECT_FALSE(form.draws[1].state & odFocused);
}

TEST_F(ListBoxTest, ExceptionWhileDrawingIsShownOnceAfterThePainting) {
  form.Mails->OnDrawItem = [](TWinControl*, int, TRect, TOwnerDrawState) { throw Exception("cannot draw"); };
  PaintNow(*form.Mails);
  PaintNow(*form.Mails);
  EXPECT_TRUE(driver.MessageBoxes.empty());
  QCoreApplication::processEvents();
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "cannot draw");
}

TEST_F(ListBoxTest, ExtendedSelectionWithShiftAndCtrlClicks) {
  MouseClick(*form.Mails, TPoint{5, 5});
  MouseClick(*form.Mails, TPoint{5, 16 * 2 + 5}, ssShift);
  MouseClick(*form.Mails, TPoint{5, 16 * 4 + 5}, ssCtrl);
  EXPECT_EQ(form.Mails->SelCount(), 4);
  EXPECT_TRUE(form.Mails->Selected(0));
  EXPECT_TRUE(form.Mails->Selected(2));
  EXPECT_FALSE(form.Mails->Selected(3));
  EXPECT_TRUE(form.Mails->Selected(4));
  EXPECT_EQ(form.Mails->ItemIndex(), 4);
}

TEST_F(ListBoxTest, SettingItemIndexKeepsASelectionItBelongsTo) {
  form.Mails->SetSelected(1, true);
  form.Mails->SetSelected(3, true);
  form.Mails->SetItemIndex(3);
  EXPECT_EQ(form.Mails->SelCount(), 2);
  form.Mails->SetItemIndex(4);
  EXPECT_EQ(form.Mails->SelCount(), 1);
  EXPECT_TRUE(form.Mails->Selected(4));
}

TEST_F(ListBoxTest, ASingleSelectionListTakingTheFocusHasNoIndexUntilARowIsChosen) {
  form.Drawers->SetFocus();
  form.Drawers->Items->Add("added");
  EXPECT_EQ(form.Drawers->ItemIndex(), -1);
  form.Drawers->SetItemIndex(2);
  EXPECT_EQ(form.Drawers->ItemIndex(), 2);
  form.Drawers->SetItemIndex(-1);
  EXPECT_EQ(form.Drawers->ItemIndex(), -1);
}

TEST_F(ListBoxTest, TopIndexScrollsRowsUp) {
  std::vector<std::string> many(100, "mail");
  form.Mails->Items->AddStrings(many);
  form.Mails->SetTopIndex(40);
  EXPECT_EQ(form.Mails->TopIndex(), 40);
  EXPECT_EQ(form.Mails->ItemAtPos(TPoint{5, 3}, true), 40);
}

TEST_F(ListBoxTest, ItemAtPosBelowTheLastRow) {
  EXPECT_EQ(form.Mails->ItemAtPos(TPoint{5, 16 * 5 + 3}, true), -1);
  EXPECT_EQ(form.Mails->ItemAtPos(TPoint{5, 16 * 5 + 3}, false), 5);
  EXPECT_EQ(form.Mails->ItemAtPos(TPoint{5, 16 * 3 + 3}, true), 3);
}

TEST_F(ListBoxTest, IndexOutsideTheRowsRaisesTheListError) {
  EXPECT_THROW(form.Mails->Selected(5), EStringListError);
  EXPECT_THROW(form.Mails->Items->Strings(-1), EStringListError);
  EXPECT_THROW(form.Mails->Items->Delete(9), EStringListError);
}

TEST_F(ListBoxTest, ExactSearchIgnoresCaseAndWraps) {
  EXPECT_EQ(form.Drawers->FindStringExact("YELLOW"), 1);
  EXPECT_EQ(form.Drawers->FindStringExact("yell"), -1);
  form.Drawers->Items->Add("own");
  EXPECT_EQ(form.Drawers->FindStringExact("OWN", 3), 4);
  EXPECT_EQ(form.Drawers->FindStringExact("book", 3), 0);
  EXPECT_EQ(form.Drawers->Items->IndexOf("PURPLE"), 2);
}

TEST_F(ListBoxTest, ItemsKeepShiftJisBytesExactly) {
  const std::string bytes = "\x83\x5c\x83\x74\x83\x67\x95\x5c";  // ソフト表: both end in 0x5C
  form.Drawers->Items->Add(bytes);
  EXPECT_EQ(form.Drawers->Items->Strings(4), bytes);
  EXPECT_EQ(form.Drawers->FindStringExact(bytes), 4);
}

TEST_F(ListBoxTest, ClickChoosingARowRunsOnClickButSettingItDoesNot) {
  int clicks = 0;
  form.Drawers->OnClick = [&](TObject*) { ++clicks; };
  form.Drawers->SetItemIndex(2);
  EXPECT_EQ(clicks, 0);
  MouseClick(*form.Drawers, TPoint{5, 45});
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(form.Drawers->ItemIndex(), 1);
  form.Drawers->SetFocus();
  PressKey(*form.Drawers, VK_DOWN);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(form.Drawers->ItemIndex(), 2);
}

TEST_F(ListBoxTest, OnlyTheLeftButtonChoosesRows) {
  std::vector<TMouseButton> pressed;
  int clicks = 0;
  form.Mails->OnMouseDown = [&](TObject*, TMouseButton button, TShiftState, int, int) { pressed.push_back(button); };
  form.Mails->OnClick = [&](TObject*) { ++clicks; };
  form.Mails->SetItemIndex(1);
  for (TMouseButton button : {mbRight, mbMiddle}) {
    MousePress(*form.Mails, button, TPoint{5, 3 * 16 + 8});
    MouseRelease(*form.Mails, button, TPoint{5, 3 * 16 + 8});
  }
  EXPECT_EQ(pressed, (std::vector<TMouseButton>{mbRight, mbMiddle}));
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(form.Mails->ItemIndex(), 1);
  EXPECT_EQ(form.Mails->SelCount(), 1);
  EXPECT_TRUE(form.Mails->Selected(1));
}

class DragTest : public ListBoxTest {
 protected:
  void SetUp() override {
    ListBoxTest::SetUp();
    form.Mails->OnMouseMove = [this](TObject*, TShiftState shift, int, int) {
      if (shift & ssLeft) form.Mails->BeginDrag(true);
    };
    form.Drawers->OnDragOver = [this](TObject* sender, TObject* source, int x, int y, TDragState, bool& accept) {
      int row = form.Drawers->ItemAtPos(TPoint{x, y}, true);
      accept = source->ClassName() == "TListBox" && row > 0;
      events.push_back("over " + std::to_string(row));
    };
    form.Drawers->OnDragDrop = [this](TObject* sender, TObject* source, int x, int y) {
      EXPECT_EQ(source, form.Mails);
      events.push_back("drop " + std::to_string(form.Drawers->ItemAtPos(TPoint{x, y}, true)));
    };
    form.Mails->OnEndDrag = [this](TObject*, TObject* target, int, int) {
      events.push_back(target == form.Drawers ? "end on drawers" : "end nowhere");
    };
  }
  std::vector<std::string> events;
};

TEST_F(DragTest, DropDeliversOverDropAndEndInOrder) {
  DragTo(*form.Mails, TPoint{5, 5}, *form.Drawers, TPoint{5, 45});
  EXPECT_EQ(events, (std::vector<std::string>{"over 1", "drop 1", "end on drawers"}));
  EXPECT_FALSE(form.Mails->Dragging());
}

TEST_F(DragTest, RefusedRowGetsNoDropButTheSourceEndsItsDrag) {
  DragTo(*form.Mails, TPoint{5, 5}, *form.Drawers, TPoint{5, 10});
  EXPECT_EQ(events, (std::vector<std::string>{"over 0", "end nowhere"}));
}

TEST_F(DragTest, ReleaseOutsideEveryControlEndsWithoutDrop) {
  DragToNowhere(*form.Mails, TPoint{5, 5});
  EXPECT_EQ(events, (std::vector<std::string>{"end nowhere"}));
}

// A press near a row's lower edge whose first move already lies in the next
// row: the drag starts with the pressed row alone selected.
TEST_F(DragTest, TheMoveThatStartsADragKeepsTheSelection) {
  for (bool immediate : {true, false}) {
    form.Mails->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
      if (!immediate) form.Mails->BeginDrag(false);
    };
    MousePress(*form.Mails, mbLeft, TPoint{5, 14});
    MouseMoveTo(*form.Mails, TPoint{5, 17}, ssLeft);
    MouseMoveTo(*form.Mails, TPoint{5, 60}, ssLeft);
    EXPECT_EQ(form.Mails->SelCount(), 1);
    EXPECT_TRUE(form.Mails->Selected(0));
    EXPECT_EQ(form.Mails->ItemIndex(), 0);
    PressKey(*form.Mails, VK_ESCAPE);
  }
}

TEST_F(DragTest, EscapeCancelsTheDrag) {
  MousePress(*form.Mails, mbLeft, TPoint{5, 5});
  MouseMoveTo(*form.Mails, TPoint{6, 6}, ssLeft);
  ASSERT_TRUE(form.Mails->Dragging());
  PressKey(*form.Mails, VK_ESCAPE);
  EXPECT_FALSE(form.Mails->Dragging());
  EXPECT_EQ(events, (std::vector<std::string>{"end nowhere"}));
}

TEST_F(ListBoxTest, ScreenshotOfOwnerDrawnListShowsTheDrawing) {
  form.Mails->SetItemIndex(1);
  std::string path = Root() + "/mails.png";
  ASSERT_TRUE(SaveScreenshot(*form.Mails, path));
  QImage shot(QString::fromStdString(path));
  ASSERT_FALSE(shot.isNull());
  // The selected row is filled with the highlight colour, the others with the window colour.
  QPoint rows = form.Mails->EventWidget()->mapTo(form.Mails->Widget(), QPoint(0, 0));
  EXPECT_EQ(shot.pixelColor(rows + QPoint(100, 16 + 8)), platform::forms::ToQColor(clHighlight));
  EXPECT_EQ(shot.pixelColor(rows + QPoint(100, 8)), platform::forms::ToQColor(clWindow));
  SaveScreenshot(form, Root() + "/form.png");
}

}  // namespace
