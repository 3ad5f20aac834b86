#include "platform/forms/FormsTesting.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "platform/forms/Bridge.h"

using namespace platform::forms;

TestModalDriver::TestModalDriver() : m_scope(*this) {}
TestModalDriver::~TestModalDriver() = default;

namespace {

// Runs the real box and, once it is up, sends the key to its focused button
// through the application, where the forms' key routing sees it too.
int PressIntoRealMessageBox(WORD key, const std::string& text, const std::string& caption, int flags) {
  QTimer::singleShot(0, [key] {
    QWidget* box = QApplication::activeModalWidget();
    if (!box) return;
    const int qtKey = QtKeyFromVirtualKey(key);
    QWidget* target = box->focusWidget() ? box->focusWidget() : box;
    QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    if (box->isVisible()) box->close();
  });
  return RealModalDriver().MessageBox(text, caption, flags);
}

}  // namespace

int TestModalDriver::MessageBox(const std::string& text, const std::string& caption, int flags) {
  MessageBoxes.push_back({text, caption, flags});
  if (OnMessageBox) OnMessageBox(MessageBoxes.back());
  if (!MessageBoxKeys.empty()) {
    const WORD key = MessageBoxKeys.front();
    MessageBoxKeys.pop_front();
    return PressIntoRealMessageBox(key, text, caption, flags);
  }
  if (MessageBoxAnswers.empty()) {
    switch (flags & 0x0F) {
      case MB_ABORTRETRYIGNORE: return IDABORT;
      case MB_YESNO:
      case MB_YESNOCANCEL: return IDYES;
      case MB_RETRYCANCEL: return IDRETRY;
      default: return IDOK;
    }
  }
  int answer = MessageBoxAnswers.front();
  MessageBoxAnswers.pop_front();
  return answer;
}

void TestModalDriver::RunModal(TForm& form) {
  ModalForms.push_back(form.Name());
  if (FormAnswers.empty()) return;
  auto answer = std::move(FormAnswers.front());
  FormAnswers.pop_front();
  answer(form);
}

namespace {

template <class Dialog>
bool Answer(std::deque<std::function<bool(Dialog&)>>& answers, Dialog& dialog, int& shown) {
  ++shown;
  if (answers.empty()) return false;
  auto answer = std::move(answers.front());
  answers.pop_front();
  return answer(dialog);
}

}  // namespace

bool TestModalDriver::ExecuteOpenDialog(TOpenDialog& dialog) { return Answer(OpenDialogAnswers, dialog, DialogsShown); }
bool TestModalDriver::ExecuteFontDialog(TFontDialog& dialog) { return Answer(FontDialogAnswers, dialog, DialogsShown); }
bool TestModalDriver::ExecuteDirectoryChooser(TDirectoryChooser& chooser) {
  return Answer(DirectoryAnswers, chooser, DialogsShown);
}

bool SaveScreenshot(const TControl& control, const std::string& nativePath) {
  return control.Widget()->grab().save(QString::fromStdString(nativePath), "PNG");
}

TPoint ScreenWorkAreaCentre() {
  const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
  return TPoint{centre.x(), centre.y()};
}

int VisibleWindowCount() {
  int count = 0;
  for (const QWidget* widget : QApplication::topLevelWidgets()) count += widget->isVisible();
  return count;
}

void ResizeWindow(TForm& form, int width, int height) {
  form.Widget()->resize(width, height);
  QApplication::processEvents();
}

void PaintNow(const TControl& control) { control.Widget()->grab(); }

namespace {

Qt::KeyboardModifiers ModifiersOf(TShiftState shift) {
  Qt::KeyboardModifiers modifiers;
  if (shift & ssShift) modifiers |= Qt::ShiftModifier;
  if (shift & ssCtrl) modifiers |= Qt::ControlModifier;
  if (shift & ssAlt) modifiers |= Qt::AltModifier;
  return modifiers;
}

Qt::MouseButton QtButton(TMouseButton button) {
  if (button == mbRight) return Qt::RightButton;
  if (button == mbMiddle) return Qt::MiddleButton;
  return Qt::LeftButton;
}

Qt::MouseButtons ButtonsOf(TShiftState shift) {
  Qt::MouseButtons buttons;
  if (shift & ssLeft) buttons |= Qt::LeftButton;
  if (shift & ssRight) buttons |= Qt::RightButton;
  if (shift & ssMiddle) buttons |= Qt::MiddleButton;
  return buttons;
}

void SendMouse(TControl& control, QEvent::Type type, TPoint at, QPoint global, Qt::MouseButton button,
               Qt::MouseButtons buttons, TShiftState shift) {
  QMouseEvent event(type, QPointF(at.x, at.y), QPointF(global), button, buttons, ModifiersOf(shift));
  QApplication::sendEvent(control.EventWidget(), &event);
}

QPoint GlobalOf(TControl& control, TPoint at) {
  TPoint global = control.ClientToScreen(at);
  return QPoint(global.x, global.y);
}

}  // namespace

void PressKey(TControl& control, WORD key, TShiftState shift) {
  QWidget* widget = control.Widget();
  if (auto* form = dynamic_cast<TForm*>(&control); form && widget->focusWidget()) widget = widget->focusWidget();
  int qtKey = QtKeyFromVirtualKey(key);
  QString text = (key >= 'A' && key <= 'Z' && !(shift & (ssCtrl | ssAlt))) ? QString(QChar(key)).toLower() : QString();
  if (key == VK_TAB && !(shift & (ssCtrl | ssAlt))) text = QStringLiteral("\t");
  QKeyEvent press(QEvent::KeyPress, qtKey, ModifiersOf(shift), text);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, qtKey, ModifiersOf(shift), text);
  QApplication::sendEvent(widget, &release);
}

void MousePress(TControl& control, TMouseButton button, TPoint at, TShiftState shift) {
  Qt::MouseButton qtButton = QtButton(button);
  SendMouse(control, QEvent::MouseButtonPress, at, GlobalOf(control, at), qtButton, qtButton, shift);
}

void MouseMoveTo(TControl& control, TPoint at, TShiftState buttons) {
  SendMouse(control, QEvent::MouseMove, at, GlobalOf(control, at), Qt::NoButton, ButtonsOf(buttons), buttons);
}

void MouseRelease(TControl& control, TMouseButton button, TPoint at, TShiftState shift) {
  SendMouse(control, QEvent::MouseButtonRelease, at, GlobalOf(control, at), QtButton(button), Qt::NoButton, shift);
}

void MouseClick(TControl& control, TPoint at, TShiftState shift) {
  MousePress(control, mbLeft, at, shift);
  MouseRelease(control, mbLeft, at, shift);
}

void MouseDoubleClick(TControl& control, TPoint at) {
  MouseClick(control, at);
  SendMouse(control, QEvent::MouseButtonDblClick, at, GlobalOf(control, at), Qt::LeftButton, Qt::LeftButton, 0);
  MouseRelease(control, mbLeft, at);
}

namespace {

// Moves and releases at a screen point; the events go to the source, which
// holds the mouse while its button is down.
void DragToScreen(TControl& source, TPoint from, QPoint global) {
  MousePress(source, mbLeft, from);
  MouseMoveTo(source, TPoint{from.x + 1, from.y + 1}, ssLeft);
  QPoint local = source.EventWidget()->mapFromGlobal(global);
  TPoint at{local.x(), local.y()};
  SendMouse(source, QEvent::MouseMove, at, global, Qt::NoButton, Qt::LeftButton, ssLeft);
  SendMouse(source, QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, 0);
}

}  // namespace

void DragTo(TControl& source, TPoint from, TControl& target, TPoint to) {
  DragToScreen(source, from, GlobalOf(target, to));
}

void DragToNowhere(TControl& source, TPoint from) { DragToScreen(source, from, QPoint(-10000, -10000)); }
