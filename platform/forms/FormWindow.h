#pragma once
// The top-level widget of a form: the menu bar above the client area; its
// close box and activation go to the form. Only platform/forms includes this.

#include <QWidget>

#include "platform/forms/Bridge.h"

class TForm;

namespace platform::forms {

class FormWindow : public Hooked<QWidget> {
 public:
  explicit FormWindow(TForm* form);
  void Detach() { m_form = nullptr; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  TForm* m_form;
};

// Routes key presses in forms: menu short-cuts first, then the form's
// OnKeyDown under KeyPreview, then the focused control's OnKeyDown, then
// Enter and Escape to the default and cancel buttons.
void InstallKeyRouter();

}  // namespace platform::forms
