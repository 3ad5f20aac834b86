#pragma once
// Helpers for tests of forms: a modal driver that answers every message box,
// modal form and common dialog synchronously, key and mouse input sent to
// controls as the user's would be, and screenshots. Link platform_forms_testing.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/forms/Controls.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"
#include "platform/forms/ModalDriver.h"

// Installed for its lifetime. Records what was shown and answers from its
// queues, oldest answer first.
class TestModalDriver : public ModalDriver {
 public:
  TestModalDriver();
  ~TestModalDriver() override;

  struct MessageBoxCall {
    std::string Text;
    std::string Caption;
    int Flags;
  };
  std::vector<MessageBoxCall> MessageBoxes;
  // Answers (IDOK, IDCANCEL, ...); when empty the box is answered with its first button.
  std::deque<int> MessageBoxAnswers;
  // Keys (VK_RETURN, VK_ESCAPE) pressed, one a box, into the real message box
  // as the user would; these go before MessageBoxAnswers. A box that the key
  // leaves open is closed as by its close box.
  std::deque<WORD> MessageBoxKeys;
  // Runs as each box comes up, before it is answered, while the windows
  // under it stand as the user sees them.
  std::function<void(const MessageBoxCall&)> OnMessageBox;

  // The Name() of each modal form run, in order.
  std::vector<std::string> ModalForms;
  // Each gets the shown form and may fill it and press its buttons; when the
  // queue is empty, or the answer leaves ModalResult at mrNone, the form closes as Cancel.
  std::deque<std::function<void(TForm&)>> FormAnswers;

  // Each fills the dialog and returns true for OK; when empty the dialog is cancelled.
  std::deque<std::function<bool(TOpenDialog&)>> OpenDialogAnswers;
  std::deque<std::function<bool(TFontDialog&)>> FontDialogAnswers;
  std::deque<std::function<bool(TDirectoryChooser&)>> DirectoryAnswers;
  int DialogsShown = 0;

  int MessageBox(const std::string& text, const std::string& caption, int flags) override;
  void RunModal(TForm& form) override;
  bool ExecuteOpenDialog(TOpenDialog& dialog) override;
  bool ExecuteFontDialog(TFontDialog& dialog) override;
  bool ExecuteDirectoryChooser(TDirectoryChooser& chooser) override;

 private:
  ScopedModalDriver m_scope;
};

// Saves what the control (a whole form: its window with the menu bar) shows
// as a PNG file at a native path; false when it cannot be written.
bool SaveScreenshot(const TControl& control, const std::string& nativePath);

// The centre of the primary screen's area for windows, where a form
// placed poScreenCenter is centred.
TPoint ScreenWorkAreaCentre();

// The windows of the process shown on the screen now (modeless ones included).
int VisibleWindowCount();

// Resizes the shown form's window as the user does by its frame; the
// window's new size includes its menu bar.
void ResizeWindow(TForm& form, int width, int height);

// Paints the control now, running its drawing events (owner-drawn rows).
void PaintNow(const TControl& control);

// A key press and release on the control (on a form: on its focused control)
// as the keyboard would send them, with the text a letter or Tab types
// (VK_* or 'A'..'Z' with ssCtrl, ssShift, ssAlt).
void PressKey(TControl& control, WORD key, TShiftState shift = 0);

// Mouse input at client coordinates of the control; shift adds ssCtrl or ssShift.
void MousePress(TControl& control, TMouseButton button, TPoint at, TShiftState shift = 0);
void MouseMoveTo(TControl& control, TPoint at, TShiftState buttons);
void MouseRelease(TControl& control, TMouseButton button, TPoint at, TShiftState shift = 0);
void MouseClick(TControl& control, TPoint at, TShiftState shift = 0);
void MouseDoubleClick(TControl& control, TPoint at);

// A left-button drag from a point of source to a point of target: press,
// a move on the source, a move over the target, release there. The forms
// must be shown.
void DragTo(TControl& source, TPoint from, TControl& target, TPoint to);
// The same drag released where no control is.
void DragToNowhere(TControl& source, TPoint from);
