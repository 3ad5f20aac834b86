#pragma once
// Qt's side of the forms layer: conversions between the class library's
// values and Qt's, and the hooks that carry widget events to controls.
// Only platform/forms includes this.

#include <QByteArray>
#include <QColor>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QFont>
#include <QPalette>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "platform/forms/Controls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/text/QtText.h"

class QAbstractScrollArea;
class QMouseEvent;
class QKeyEvent;

namespace platform::forms {

QColor ToQColor(TColor color);
QFont ToQFont(const TFont& font);
// The palette of a control with this background (nullopt: its parent's)
// and this font colour. Where the program fixes one of the two, the other
// takes its colour on a light desktop, the one the forms were designed on,
// so that the pair reads on any theme; what is left to the system follows
// the theme. The font colour is that of enabled text: disabled text is the
// theme's, or on a fixed pair halfway between its text and background.
QPalette ControlPalette(std::optional<TColor> background, TColor text);
inline QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
inline TRect FromQRect(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }
inline QString Q(std::string_view sjis) { return platform::ToQString(sjis); }
inline std::string S(const QString& text) { return platform::FromQString(text); }

// Items of Qt's views keep their Shift-JIS text as given under this role,
// so that reading it back never converts.
constexpr int kSjisRole = Qt::UserRole;
inline QByteArray SjisBytes(const std::string& sjis) {
  return QByteArray(sjis.data(), static_cast<qsizetype>(sjis.size()));
}

// The scroll bars style names get policy shown; the others are off.
void ApplyScrollBars(QAbstractScrollArea* area, TScrollStyle style, Qt::ScrollBarPolicy shown);

TShiftState ShiftFromModifiers(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
// Win32 virtual key code of a Qt key, 0 when it has none.
WORD VirtualKeyFromQt(int key);
int QtKeyFromVirtualKey(WORD key);

// Runs an event of the programs; an exception escaping it is shown by the
// application object and goes no further (never into Qt's loop).
template <class Call>
void Guarded(Call&& call) {
  try {
    call();
  } catch (...) {
    Application->HandleException();
  }
}

// Runs an event of the programs when one is bound, guarded as above.
template <class Event, class... Args>
void RunEvent(const Event& event, Args&&... args) {
  if (event) Guarded([&] { event(args...); });
}

// For events run while Qt paints or lays out (owner-drawn rows): a message
// box there would paint again and again, so the exception is shown once the
// painting is over, and a repeat of it before then is shown only once.
void ShowAfterPainting(std::exception_ptr error);
template <class Call>
void GuardedInPaint(Call&& call) {
  try {
    call();
  } catch (...) {
    ShowAfterPainting(std::current_exception());
  }
}

// Carries a widget's events to its control; the control detaches it before
// the widget dies.
class WidgetHook {
 public:
  TControl* control = nullptr;

  // A press, move, release or double click, told apart by the event's type.
  void Mouse(QMouseEvent* event);
  void Focus(bool gained);
  // Shows the control's pop-up menu; true when there was one.
  bool ContextMenu(const QPoint& globalPos);
};

// A widget of kind W whose events reach its control.
template <class W>
class Hooked : public W, public WidgetHook {
 public:
  template <class... Args>
  explicit Hooked(TControl* owner, Args&&... args) : W(std::forward<Args>(args)...) {
    control = owner;
  }

 protected:
  // The widget handles the event first, so that the control's handler sees
  // the widget's new state (a list's new current row).
  void mousePressEvent(QMouseEvent* e) override {
    W::mousePressEvent(e);
    Mouse(e);
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    W::mouseMoveEvent(e);
    Mouse(e);
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    W::mouseReleaseEvent(e);
    Mouse(e);
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    W::mouseDoubleClickEvent(e);
    Mouse(e);
  }
  void focusInEvent(QFocusEvent* e) override {
    W::focusInEvent(e);
    Focus(true);
  }
  void focusOutEvent(QFocusEvent* e) override {
    W::focusOutEvent(e);
    Focus(false);
  }
  void contextMenuEvent(QContextMenuEvent* e) override {
    if (!ContextMenu(e->globalPos())) W::contextMenuEvent(e);
  }
};

WidgetHook* HookOf(QWidget* widget);
// Cuts every widget below root off its control, so that nothing reaches a
// form that is being destroyed.
void DetachHooks(QWidget* root);

}  // namespace platform::forms
