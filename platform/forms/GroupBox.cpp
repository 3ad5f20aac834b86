#include "platform/forms/GroupBox.h"

#include <QGroupBox>

#include "platform/forms/Bridge.h"

using namespace platform::forms;

TGroupBox::TGroupBox(TWinControl* parent) : TWinControl(parent, new Hooked<QGroupBox>(this, ParentWidgetOf(parent))) {}

void TGroupBox::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  static_cast<QGroupBox*>(Widget())->setTitle(Q(caption));
}
