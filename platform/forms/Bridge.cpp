#include "platform/forms/Bridge.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPalette>

#include "platform/forms/Menus.h"

namespace platform::forms {

namespace {

QPalette::ColorRole SystemColourRole(TColor color) {
  switch (color) {
    case clWindow: return QPalette::Base;
    case clWindowText: return QPalette::Text;
    case clHighlight: return QPalette::Highlight;
    case clHighlightText: return QPalette::HighlightedText;
    case clBtnShadow: return QPalette::Dark;
    case clBtnHighlight: return QPalette::Light;
    case clGrayText: return QPalette::PlaceholderText;
    case cl3DLight: return QPalette::Midlight;
    default: return QPalette::Window;
  }
}

bool IsSystemColour(TColor color) { return (color & 0x80000000) != 0; }

// A system colour that meets a fixed one, as a light desktop shows it: text
// black, text fields white, the rest the grey of a button face.
QColor LightDesktopColour(TColor color) {
  switch (color) {
    case clWindowText: return QColor(0x00, 0x00, 0x00);
    case clWindow: return QColor(0xFF, 0xFF, 0xFF);
    default: return QColor(0xF0, 0xF0, 0xF0);
  }
}

// 0x00BBGGRR.
QColor RgbColour(TColor color) { return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }

QColor FixedColour(TColor color) { return IsSystemColour(color) ? LightDesktopColour(color) : RgbColour(color); }

// Faces that stand in for a Japanese face the system lacks, best first;
// Qt takes the first one installed.
const QStringList kJapaneseFallbacks = {"Noto Sans CJK JP", "IPAPGothic", "VL PGothic", "TakaoPGothic"};

// The Windows faces the forms are designed in, with the faces that share
// their metrics, so that the designed layouts fit as they did there.
QStringList MetricTwins(const QString& face) {
  if (face == QStringLiteral("ＭＳ Ｐゴシック") || face == QStringLiteral("MS PGothic") ||
      face == QStringLiteral("MS UI Gothic"))
    return {QStringLiteral("IPAPGothic")};
  if (face == QStringLiteral("ＭＳ ゴシック") || face == QStringLiteral("MS Gothic")) return {QStringLiteral("IPAGothic")};
  if (face == QStringLiteral("ＭＳ Ｐ明朝") || face == QStringLiteral("MS PMincho")) return {QStringLiteral("IPAPMincho")};
  if (face == QStringLiteral("ＭＳ 明朝") || face == QStringLiteral("MS Mincho")) return {QStringLiteral("IPAMincho")};
  return {};
}

}  // namespace

QColor ToQColor(TColor color) {
  if (IsSystemColour(color)) return QApplication::palette().color(QPalette::Active, SystemColourRole(color));
  return RgbColour(color);
}

QPalette ControlPalette(std::optional<TColor> background, TColor text) {
  const bool fixedPair = !IsSystemColour(text) || (background && !IsSystemColour(*background));
  const auto colourOf = [fixedPair](TColor color) { return fixedPair ? FixedColour(color) : ToQColor(color); };
  QPalette palette;  // a role left unset follows the parent and the theme
  const QColor back = colourOf(background.value_or(clBtnFace));
  if (background || fixedPair)
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button}) palette.setColor(role, back);
  if (!fixedPair) return palette;
  const QColor fore = colourOf(text);
  const QColor greyed((fore.red() + back.red()) / 2, (fore.green() + back.green()) / 2, (fore.blue() + back.blue()) / 2);
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Active, role, fore);
    palette.setColor(QPalette::Inactive, role, fore);
    palette.setColor(QPalette::Disabled, role, greyed);
  }
  return palette;
}

QFont ToQFont(const TFont& font) {
  QFont result;
  QStringList families;
  if (!font.Name().empty()) families << Q(font.Name()) << MetricTwins(Q(font.Name()));
  families << kJapaneseFallbacks;
  result.setFamilies(families);
  result.setPixelSize(font.Size() > 0 ? font.Size() : 12);
  result.setBold(font.Bold());
  return result;
}

TShiftState ShiftFromModifiers(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  TShiftState shift = 0;
  if (modifiers & Qt::ShiftModifier) shift |= ssShift;
  if (modifiers & Qt::ControlModifier) shift |= ssCtrl;
  if (modifiers & Qt::AltModifier) shift |= ssAlt;
  if (buttons & Qt::LeftButton) shift |= ssLeft;
  if (buttons & Qt::RightButton) shift |= ssRight;
  if (buttons & Qt::MiddleButton) shift |= ssMiddle;
  return shift;
}

void ApplyScrollBars(QAbstractScrollArea* area, TScrollStyle style, Qt::ScrollBarPolicy shown) {
  bool vertical = style == ssVertical || style == ssBoth;
  bool horizontal = style == ssHorizontal || style == ssBoth;
  area->setVerticalScrollBarPolicy(vertical ? shown : Qt::ScrollBarAlwaysOff);
  area->setHorizontalScrollBarPolicy(horizontal ? shown : Qt::ScrollBarAlwaysOff);
}

namespace {

struct KeyPair {
  int qt;
  WORD vk;
};

const KeyPair kKeys[] = {
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB},       {Qt::Key_Return, VK_RETURN},
    {Qt::Key_Enter, VK_RETURN},   {Qt::Key_Shift, VK_SHIFT},   {Qt::Key_Control, VK_CONTROL},
    {Qt::Key_Alt, VK_MENU},       {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_Space, VK_SPACE},
    {Qt::Key_PageUp, VK_PRIOR},   {Qt::Key_PageDown, VK_NEXT}, {Qt::Key_End, VK_END},
    {Qt::Key_Home, VK_HOME},      {Qt::Key_Left, VK_LEFT},     {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},    {Qt::Key_Down, VK_DOWN},     {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},
};

}  // namespace

WORD VirtualKeyFromQt(int key) {
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
    return static_cast<WORD>(key);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<WORD>(VK_F1 + (key - Qt::Key_F1));
  for (const KeyPair& pair : kKeys)
    if (pair.qt == key) return pair.vk;
  return 0;
}

int QtKeyFromVirtualKey(WORD key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return key;
  if (key >= VK_F1 && key < VK_F1 + 24) return Qt::Key_F1 + (key - VK_F1);
  for (const KeyPair& pair : kKeys)
    if (pair.vk == key) return pair.qt;
  return 0;
}

namespace {

TMouseButton ButtonOf(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) return mbRight;
  if (event->button() == Qt::MiddleButton) return mbMiddle;
  return mbLeft;
}

TShiftState ShiftOf(QMouseEvent* event) { return ShiftFromModifiers(event->modifiers(), event->buttons()); }

}  // namespace

void WidgetHook::Mouse(QMouseEvent* event) {
  if (!control) return;
  QPoint p = event->position().toPoint();
  switch (event->type()) {
    case QEvent::MouseButtonPress: control->MouseDown(ButtonOf(event), ShiftOf(event), p.x(), p.y()); break;
    case QEvent::MouseMove: control->MouseMove(ShiftOf(event), p.x(), p.y()); break;
    case QEvent::MouseButtonRelease: control->MouseUp(ButtonOf(event), ShiftOf(event), p.x(), p.y()); break;
    case QEvent::MouseButtonDblClick:
      control->MouseDown(ButtonOf(event), ShiftOf(event) | ssDouble, p.x(), p.y());
      control->DblClick();
      break;
    default: break;
  }
}

void WidgetHook::Focus(bool gained) {
  if (control) control->FocusChanged(gained);
}

// A control without a pop-up menu of its own shows its parent's (a form's
// pop-up menu stands over every control).
bool WidgetHook::ContextMenu(const QPoint& globalPos) {
  TControl* owner = control;
  while (owner && !owner->PopupMenu()) owner = owner->Parent();
  if (!owner) return false;
  owner->PopupMenu()->SetPopupComponent(control);
  owner->PopupMenu()->Popup(globalPos.x(), globalPos.y());
  return true;
}

void ShowAfterPainting(std::exception_ptr error) {
  static bool pending = false;
  if (pending) return;
  pending = true;
  QMetaObject::invokeMethod(
      qApp,
      [error] {
        pending = false;
        try {
          std::rethrow_exception(error);
        } catch (...) {
          Application->HandleException();
        }
      },
      Qt::QueuedConnection);
}

WidgetHook* HookOf(QWidget* widget) { return dynamic_cast<WidgetHook*>(widget); }

void DetachHooks(QWidget* root) {
  if (WidgetHook* hook = HookOf(root)) hook->control = nullptr;
  for (QWidget* child : root->findChildren<QWidget*>())
    if (WidgetHook* hook = HookOf(child)) hook->control = nullptr;
}

}  // namespace platform::forms

TShortCut ShortCut(WORD key, TShiftState shift) {
  TShortCut result = key;
  if (shift & ssShift) result |= scShift;
  if (shift & ssCtrl) result |= scCtrl;
  if (shift & ssAlt) result |= scAlt;
  return result;
}
