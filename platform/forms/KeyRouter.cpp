#include <QApplication>
#include <QKeyEvent>
#include <QPointer>

#include "platform/forms/FormWindow.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"

namespace platform::forms {

class KeyRouter : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    // A disabled window takes no input at all, short-cuts included.
    if (!widget->isEnabled()) return false;
    // Qt hands an ignored key on to each parent; route it once, at the first.
    if (event == m_lastEvent && m_lastReceiver && widget != m_lastReceiver && widget->isAncestorOf(m_lastReceiver))
      return false;
    m_lastEvent = event;
    m_lastReceiver = widget;
    TControl* control = TControl::FromWidget(widget);
    TForm* form = GetParentForm(control);
    if (!form) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    WORD code = VirtualKeyFromQt(key->key());
    if (code == 0 || code == VK_SHIFT || code == VK_CONTROL || code == VK_MENU) return false;
    return Route(*form, control, code, ShiftFromModifiers(key->modifiers(), Qt::NoButton));
  }

 private:
  static bool Route(TForm& form, TControl* control, WORD key, TShiftState shift) {
    if (form.Menu() && form.Menu()->IsShortCut(ShortCut(key, shift))) return true;
    if (form.KeyPreview() && !SendKeyDown(form, key, shift)) return true;
    if (control && control != &form && !SendKeyDown(*control, key, shift)) return true;
    return DialogKey(form, control, key, shift);
  }

  // Runs the control's OnKeyDown; false when the handler took the key (set it to 0).
  static bool SendKeyDown(TControl& control, WORD& key, TShiftState shift) {
    RunEvent(control.OnKeyDown, &control, key, shift);
    return key != 0;
  }

  // Enter presses the focused button or the default one, Escape the cancel one.
  static bool DialogKey(TForm& form, TControl* control, WORD key, TShiftState shift) {
    if (shift & (ssCtrl | ssAlt)) return false;
    if (key == VK_RETURN) {
      if (auto* focused = dynamic_cast<TButton*>(control)) return Press(focused);
      if (control && control->WantsReturns()) return false;
      return Press(FindButton(form, &TButton::Default));
    }
    if (key == VK_ESCAPE) return Press(FindButton(form, &TButton::Cancel));
    return false;
  }

  static bool Press(TButton* button) {
    if (!button || !button->Enabled() || !button->Visible()) return false;
    button->Click();
    return true;
  }

  static TButton* FindButton(const TWinControl& container, bool (TButton::*role)() const) {
    for (int i = 0; i < container.ControlCount(); ++i) {
      TControl* child = container.Controls(i);
      if (auto* button = dynamic_cast<TButton*>(child); button && (button->*role)()) return button;
      if (auto* inner = dynamic_cast<TWinControl*>(child))
        if (TButton* found = FindButton(*inner, role)) return found;
    }
    return nullptr;
  }

  const QEvent* m_lastEvent = nullptr;
  QPointer<QWidget> m_lastReceiver;
};

// The router is the Qt application's child and dies with it.
void InstallKeyRouter() {
  static QPointer<KeyRouter> router;
  if (router) return;
  router = new KeyRouter;
  router->setParent(qApp);
  qApp->installEventFilter(router);
}

}  // namespace platform::forms
