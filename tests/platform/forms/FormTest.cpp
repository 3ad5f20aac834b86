// Forms, buttons, message boxes and the modal driver, driven as a user would.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QWindow>
#include <QWidget>
#include <filesystem>
#include <set>

#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/FormsTesting.h"
#include "platform/forms/StdCtrls.h"
#include "platform/messages/Messages.h"
#include "tests/support/Sandbox.h"

namespace {

// A small dialog: an edit, OK (checks the edit) and Cancel.
class NameDialog : public TForm {
 public:
  explicit NameDialog(TComponent* owner) : TForm(owner) {
    SetName("NameDialog");
    SetClientWidth(200);
    SetClientHeight(80);
    NameEdit = Create<TEdit>(this);
    NameEdit->SetBounds(8, 8, 180, 20);
    OkBtn = Create<TButton>(this);
    OkBtn->SetBounds(8, 40, 80, 25);
    OkBtn->SetCaption("OK");
    OkBtn->SetDefault(true);
    OkBtn->OnClick = [this](TObject*) { OkBtnClick(); };
    CancelBtn = Create<TButton>(this);
    CancelBtn->SetBounds(100, 40, 80, 25);
    CancelBtn->SetCaption("Cancel");
    CancelBtn->SetCancel(true);
    CancelBtn->SetModalResult(mrCancel);
  }

  void OkBtnClick() {
    if (NameEdit->Text().empty()) {
      Application->MessageBox("name please", "error", MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    SetModalResult(mrOk);
  }

  TEdit* NameEdit;
  TButton* OkBtn;
  TButton* CancelBtn;
};

class FormTest : public SandboxTest {
 protected:
  TestModalDriver driver;
  NameDialog dialog{nullptr};
};

TEST_F(FormTest, ModalFormAnsweredByDriverReturnsItsResult) {
  driver.FormAnswers.push_back([](TForm& form) {
    auto& d = static_cast<NameDialog&>(form);
    d.NameEdit->SetText("box");
    d.OkBtn->Click();
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_EQ(driver.ModalForms, std::vector<std::string>{"NameDialog"});
  EXPECT_FALSE(dialog.Visible());
}

TEST_F(FormTest, RefusedOkKeepsFormOpenUntilCancel) {
  driver.FormAnswers.push_back([](TForm& form) {
    auto& d = static_cast<NameDialog&>(form);
    d.OkBtn->Click();
    EXPECT_EQ(d.ModalResult(), mrNone);
    EXPECT_TRUE(d.Visible());
    d.CancelBtn->Click();
  });
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "name please");
  EXPECT_EQ(driver.MessageBoxes[0].Flags, MB_OK | MB_ICONEXCLAMATION);
}

TEST_F(FormTest, UnansweredModalFormClosesAsCancel) { EXPECT_EQ(dialog.ShowModal(), mrCancel); }

TEST_F(FormTest, EnterPressesDefaultButtonAndEscapeTheCancelButton) {
  driver.FormAnswers.push_back([](TForm& form) {
    auto& d = static_cast<NameDialog&>(form);
    d.NameEdit->SetText("x");
    d.NameEdit->SetFocus();
    PressKey(*d.NameEdit, VK_RETURN);
  });
  driver.FormAnswers.push_back([](TForm& form) { PressKey(form, VK_ESCAPE); });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
}

TEST_F(FormTest, ShowEventsRunBeforeTheAnswer) {
  std::vector<std::string> order;
  dialog.OnShow = [&](TObject*) { order.push_back("show"); };
  dialog.OnActivate = [&](TObject*) { order.push_back("activate"); };
  driver.FormAnswers.push_back([&](TForm&) { order.push_back("answer"); });
  dialog.ShowModal();
  EXPECT_EQ(order, (std::vector<std::string>{"show", "activate", "answer"}));
}

TEST_F(FormTest, OnCloseCanKeepModalFormOpen) {
  int closes = 0;
  dialog.OnClose = [&](TObject*, TCloseAction& action) {
    if (++closes == 1) action = caNone;
  };
  driver.FormAnswers.push_back([](TForm& form) { form.SetModalResult(mrOk); });
  driver.FormAnswers.push_back([](TForm& form) { form.SetModalResult(mrRetry); });
  EXPECT_EQ(dialog.ShowModal(), mrRetry);
  EXPECT_EQ(driver.ModalForms.size(), 2u);
}

TEST_F(FormTest, ShownFormCannotBeShownModally) {
  dialog.Show();
  EXPECT_THROW(dialog.ShowModal(), EInvalidOperation);
  dialog.Close();
  EXPECT_FALSE(dialog.Visible());
}

TEST_F(FormTest, ActiveControlIsTheFocusedOne) {
  driver.FormAnswers.push_back([](TForm& form) {
    auto& d = static_cast<NameDialog&>(form);
    d.SetActiveControl(d.CancelBtn);
    EXPECT_EQ(d.ActiveControl(), d.CancelBtn);
    EXPECT_TRUE(d.CancelBtn->Focused());
    EXPECT_FALSE(d.NameEdit->Focused());
  });
  dialog.ShowModal();
}

TEST_F(FormTest, MessageBoxAnswersComeFromTheDriver) {
  driver.MessageBoxAnswers = {IDCANCEL};
  EXPECT_EQ(Application->MessageBox("sure?", "ask", MB_OKCANCEL | MB_ICONQUESTION), IDCANCEL);
  EXPECT_EQ(Application->MessageBox("sure?", "ask", MB_OKCANCEL | MB_ICONQUESTION), IDOK);
  Application->SetTitle("Prog");
  ShowMessage("done");
  ASSERT_EQ(driver.MessageBoxes.size(), 3u);
  EXPECT_EQ(driver.MessageBoxes[2].Caption, "Prog");
  EXPECT_EQ(driver.MessageBoxes[2].Flags, MB_OK);
}

TEST_F(FormTest, ExceptionEscapingAHandlerIsShownAndStopsThere) {
  bool after = false;
  dialog.OkBtn->OnClick = [&](TObject*) {
    throw EStringListError("index out of range");
    after = true;
  };
  dialog.OkBtn->Click();
  EXPECT_FALSE(after);
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "index out of range");
  EXPECT_EQ(driver.MessageBoxes[0].Flags, MB_OK | MB_ICONSTOP);
}

TEST_F(FormTest, ExceptionEscapingAWindowProcedureIsShownToo) {
  HandleApplicationException(std::make_exception_ptr(Exception("Not Connected")));
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "Not Connected");
}

TEST_F(FormTest, DisabledButtonDoesNothingAndLooksGreyed) {
  dialog.CancelBtn->SetEnabled(false);
  int clicks = 0;
  dialog.CancelBtn->OnClick = [&](TObject*) { ++clicks; };
  dialog.CancelBtn->Click();
  EXPECT_EQ(clicks, 0);
  EXPECT_NE(dialog.CancelBtn->Widget()->palette().color(QPalette::Disabled, QPalette::ButtonText),
            dialog.OkBtn->Widget()->palette().color(QPalette::Active, QPalette::ButtonText));
}

// A text whose colour or ground the program fixed reads on a dark desktop:
// the other one of the two is fixed with it.
TEST_F(FormTest, FixedColoursReadOnADarkDesktop) {
  const QPalette desktop = QApplication::palette();
  QPalette dark;
  for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button}) dark.setColor(role, Qt::black);
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) dark.setColor(role, Qt::white);
  QApplication::setPalette(dark);
  TForm onDark(nullptr);  // made after the change: the application loop that spreads it never runs here
  const std::pair<TColor, TColor> groundAndText[] = {{clYellow, clWindowText}, {clWhite, clWindowText}, {clBtnFace, clBlack}};
  for (auto [ground, text] : groundAndText) {
    TStaticText* control = Create<TStaticText>(&onDark);
    if (ground != clBtnFace) control->SetColor(ground);
    control->Font->SetColor(text);
    const QPalette shown = control->Widget()->palette();
    EXPECT_GT(std::abs(qGray(shown.color(QPalette::WindowText).rgb()) - qGray(shown.color(QPalette::Window).rgb())), 100);
  }
  QApplication::setPalette(desktop);
}

TEST_F(FormTest, ADialogIsTransientForTheFormThatOwnsIt) {
  TForm owner(nullptr);
  NameDialog owned(&owner);
  struct AtShow : QObject {  // what the window manager is told as the window appears
    const QWindow* parent = nullptr;
    bool eventFilter(QObject* w, QEvent* e) override {
      if (e->type() == QEvent::Show) parent = static_cast<QWidget*>(w)->windowHandle()->transientParent();
      return false;
    }
  } atShow;
  owned.Widget()->installEventFilter(&atShow);
  owned.ShowModal();
  EXPECT_EQ(atShow.parent, owner.Widget()->windowHandle());
  EXPECT_EQ(owned.Widget()->windowHandle()->type(), Qt::Dialog);  // X11 links only a dialog to its parent
}

TEST_F(FormTest, ControlsFollowTheFormFontUntilTheyHaveTheirOwn) {
  dialog.OkBtn->Font->SetSize(16);
  dialog.Font->SetName("Face A");
  dialog.Font->SetSize(12);
  EXPECT_EQ(dialog.NameEdit->Font->Name(), "Face A");
  EXPECT_EQ(dialog.NameEdit->Font->Size(), 12);
  EXPECT_TRUE(dialog.NameEdit->ParentFont());
  EXPECT_EQ(dialog.OkBtn->Font->Size(), 16);
  EXPECT_FALSE(dialog.OkBtn->ParentFont());
}

TEST_F(FormTest, LabelTakesTheSizeOfItsText) {
  TLabel* label = Create<TLabel>(&dialog);
  label->SetBounds(10, 10, 0, 0);
  label->SetCaption("a short text");
  int shortWidth = label->Width();
  label->SetCaption("a much much longer text than before");
  EXPECT_GT(shortWidth, 0);
  EXPECT_GT(label->Width(), shortWidth);
  EXPECT_EQ(label->Left(), 10);
}

TEST_F(FormTest, ARightAlignedLabelKeepsItsRightEdgeAsItsTextChanges) {
  TLabel* label = Create<TLabel>(&dialog);
  label->SetLeft(100);
  label->SetCaption("From");
  label->SetAlignment(taRightJustify);
  const int right = label->Left() + label->Width();
  label->SetCaption("To");
  EXPECT_GT(label->Left(), 100);
  EXPECT_EQ(label->Left() + label->Width(), right);
  label->SetCaption("From");
  EXPECT_EQ(label->Left(), 100);
}

TEST_F(FormTest, EditCutsTypedTextAtMaxLengthBytes) {
  dialog.NameEdit->SetMaxLength(3);
  dialog.NameEdit->SetFocus();
  for (WORD key : {'A', 'B', 'C', 'D'}) PressKey(*dialog.NameEdit, key);
  EXPECT_EQ(dialog.NameEdit->Text(), "abc");
}

TEST_F(FormTest, ScreenshotOfFormIsWritten) {
  std::string path = Root() + "/dialog.png";
  dialog.Show();
  EXPECT_TRUE(SaveScreenshot(dialog, path));
  EXPECT_GT(std::filesystem::file_size(path), 100u);
  // The picture is the whole form with its controls drawn: the button shows
  // more than one colour, the space beside the buttons only the form's.
  const QImage shot(QString::fromStdString(path));
  ASSERT_EQ(shot.size(), QSize(dialog.ClientWidth(), dialog.ClientHeight()));
  const auto colours = [&](const TRect& rect) {
    std::set<QRgb> seen;
    for (int y = rect.Top; y < rect.Bottom; ++y)
      for (int x = rect.Left; x < rect.Right; ++x) seen.insert(shot.pixel(x, y));
    return seen.size();
  };
  EXPECT_GT(colours(dialog.OkBtn->BoundsRect()), 2u);
  EXPECT_EQ(colours(Bounds(184, 40, 16, 25)), 1u);
}

TEST_F(FormTest, ClientSizeIsTheAreaBelowTheMenu) {
  EXPECT_EQ(dialog.ClientWidth(), 200);
  EXPECT_EQ(dialog.ClientHeight(), 80);
  EXPECT_EQ(dialog.NameEdit->Left(), 8);
  EXPECT_EQ(dialog.NameEdit->Width(), 180);
}

TEST_F(FormTest, ScreenCentredFormStandsInTheMiddle) {
  dialog.SetPosition(poScreenCenter);
  dialog.Show();
  QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_NEAR(dialog.Left() + dialog.Width() / 2, screen.center().x(), 2);
  EXPECT_NEAR(dialog.Top() + dialog.Height() / 2, screen.center().y(), 2);
}

TEST_F(FormTest, DesignedFormKeepsItsPlace) {
  dialog.SetPosition(poDesigned);
  dialog.SetBounds(352, 230, dialog.Width(), dialog.Height());
  dialog.Show();
  EXPECT_EQ(dialog.Left(), 352);
  EXPECT_EQ(dialog.Top(), 230);
  EXPECT_EQ(dialog.ClientWidth(), 200);
}

TEST_F(FormTest, HintsShowOnlyWhereTheFormOrControlAsks) {
  dialog.NameEdit->SetHint("the name");
  EXPECT_TRUE(dialog.NameEdit->Widget()->toolTip().isEmpty());
  dialog.SetShowHint(true);
  EXPECT_EQ(dialog.NameEdit->Widget()->toolTip(), "the name");
}

TEST_F(FormTest, EditSelectionReplacesTheChosenPart) {
  dialog.NameEdit->SetText("abcdef");
  dialog.NameEdit->SetSelStart(2);
  dialog.NameEdit->SetSelLength(3);
  EXPECT_EQ(dialog.NameEdit->SelText(), "cde");
  dialog.NameEdit->SetSelText("X");
  EXPECT_EQ(dialog.NameEdit->Text(), "abXf");
}

TEST_F(FormTest, MissingResourcePictureRaises) {
  TImage* image = Create<TImage>(&dialog);
  EXPECT_THROW(image->LoadFromResourceName("NoSuchPicture"), EResNotFound);
  EXPECT_TRUE(image->Picture->Empty());
}

}  // namespace

TEST_F(FormTest, DisabledFormTakesNoKeysAndIgnoresItsCloseBox) {
  int closeQueries = 0;
  dialog.OnCloseQuery = [&closeQueries](TObject*, bool&) { ++closeQueries; };
  dialog.Show();
  dialog.SetEnabled(false);
  PressKey(*dialog.NameEdit, VK_RETURN);  // would press OK, which complains
  dialog.Widget()->close();
  EXPECT_TRUE(driver.MessageBoxes.empty());
  EXPECT_EQ(closeQueries, 0);
  dialog.SetEnabled(true);
  dialog.Widget()->close();
  EXPECT_EQ(closeQueries, 1);
}
