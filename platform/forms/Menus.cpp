#include "platform/forms/Menus.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

#include "platform/forms/Bridge.h"

using namespace platform::forms;

std::string ShortCutToText(TShortCut shortCut) {
  if (shortCut == 0) return "";
  std::string text;
  if (shortCut & scCtrl) text += "Ctrl+";
  if (shortCut & scShift) text += "Shift+";
  if (shortCut & scAlt) text += "Alt+";
  WORD key = shortCut & 0xFF;
  if (key == VK_INSERT) return text + "Ins";
  if (key == VK_DELETE) return text + "Del";
  if (key == VK_RETURN) return text + "Enter";
  if (key == VK_ESCAPE) return text + "Esc";
  if (key >= VK_F1 && key < VK_F1 + 24) return text + "F" + std::to_string(key - VK_F1 + 1);
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return text + static_cast<char>(key);
  return text + std::to_string(key);
}

namespace {

// Escape out of a menu of the menu bar would leave the bar holding the
// keyboard focus; the class library's menus never take it from the control.
class MenuEscape : public QObject {
 public:
  // Owned by the menu it watches.
  MenuEscape(QMenu* menu, QMenuBar* bar) : QObject(menu), m_bar(bar) { menu->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
      return false;
    static_cast<QMenu*>(watched)->hide();
    // A bar entered from the keyboard leaves its keyboard mode, as a second Escape does.
    if (m_bar->hasFocus()) {
      QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(m_bar, &escape);
    }
    return true;
  }

 private:
  QMenuBar* m_bar;
};

TMenuItem* ParentItemOf(TComponent* owner) {
  if (auto* item = dynamic_cast<TMenuItem*>(owner)) return item;
  if (auto* menu = dynamic_cast<TMenu*>(owner)) return menu->Items;
  return nullptr;
}

}  // namespace

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), m_parent(ParentItemOf(owner)) {
  m_action = new QAction;
  QObject::connect(m_action, &QAction::triggered, [this] { Click(); });
  if (m_parent) m_parent->AddItem(this);
}

TMenuItem::TMenuItem(TMenu* menu, QWidget* widget) : TComponent(menu), m_itemsWidget(widget) {}

TMenuItem::~TMenuItem() {
  DestroyComponents();
  if (m_parent) m_parent->RemoveItem(this);
  delete m_action;
  delete m_submenu;
}

void TMenuItem::AddItem(TMenuItem* item) {
  m_items.push_back(item);
  ItemsWidget()->addAction(item->m_action);
}

void TMenuItem::RemoveItem(TMenuItem* item) { std::erase(m_items, item); }

QWidget* TMenuItem::ItemsWidget() {
  if (m_itemsWidget) return m_itemsWidget;
  m_submenu = new QMenu;
  // Opening the sub-menu runs the item's opening handler, as the class library does.
  QObject::connect(m_submenu, &QMenu::aboutToShow, [this] { Click(); });
  m_action->setMenu(m_submenu);
  if (auto* bar = m_parent ? qobject_cast<QMenuBar*>(m_parent->m_itemsWidget) : nullptr)
    new MenuEscape(m_submenu, bar);
  m_itemsWidget = m_submenu;
  return m_itemsWidget;
}

void TMenuItem::SetCaption(const std::string& caption) {
  m_caption = caption;
  UpdateAction();
}

void TMenuItem::SetShortCut(TShortCut shortCut) {
  m_shortCut = shortCut;
  UpdateAction();
}

void TMenuItem::SetEnabled(bool enabled) {
  m_enabled = enabled;
  UpdateAction();
}

void TMenuItem::SetChecked(bool checked) {
  m_checked = checked;
  UpdateAction();
}

void TMenuItem::SetVisible(bool visible) {
  m_visible = visible;
  UpdateAction();
}

void TMenuItem::UpdateAction() {
  if (!m_action) return;
  m_action->setSeparator(IsLine());
  // The short-cut is shown beside the caption; it is carried out by the
  // form's key handling, never by Qt, so that the menu rules above hold.
  // A separator's "-" stays unsaid: Qt would draw it as a section title.
  QString text = IsLine() ? QString() : Q(m_caption);
  if (m_shortCut && !IsLine()) text += QStringLiteral("\t") + Q(ShortCutToText(m_shortCut));
  m_action->setText(text);
  m_action->setEnabled(m_enabled);
  m_action->setCheckable(m_checked);
  m_action->setChecked(m_checked);
  m_action->setVisible(m_visible);
}

TMenuItem* TMenuItem::FindShortCut(TShortCut shortCut) {
  for (TMenuItem* item : m_items) {
    if (item->m_shortCut == shortCut) return item;
    if (TMenuItem* found = item->FindShortCut(shortCut)) return found;
  }
  return nullptr;
}

void TMenuItem::Click() {
  if (m_enabled) RunEvent(OnClick, this);
}

TMenu::TMenu(TComponent* owner, QWidget* itemsWidget)
    : TComponent(owner), Items(new TMenuItem(this, itemsWidget)), m_root(Items) {}

TMenu::~TMenu() { DestroyComponents(); }

bool TMenu::IsShortCut(TShortCut shortCut) {
  TMenuItem* item = Items->FindShortCut(shortCut);
  if (!item) return false;
  Opening();
  std::vector<TMenuItem*> openers;
  for (TMenuItem* parent = item->Parent(); parent && parent != Items; parent = parent->Parent())
    openers.insert(openers.begin(), parent);
  for (TMenuItem* opener : openers) opener->Click();
  if (!item->Enabled()) return false;
  item->Click();
  return true;
}

TMainMenu::TMainMenu(TComponent* owner) : TMainMenu(owner, new QMenuBar) {}
TMainMenu::TMainMenu(TComponent* owner, QMenuBar* bar) : TMenu(owner, bar), m_bar(bar) {}

TMainMenu::~TMainMenu() {
  DestroyComponents();
  delete m_bar;
}

TPopupMenu::TPopupMenu(TComponent* owner) : TPopupMenu(owner, new QMenu) {}
TPopupMenu::TPopupMenu(TComponent* owner, QMenu* menu) : TMenu(owner, menu), m_menu(menu) {}

TPopupMenu::~TPopupMenu() {
  DestroyComponents();
  delete m_menu;
}

void TPopupMenu::Opening() {
  RunEvent(OnPopup, this);
}

void TPopupMenu::Popup(int x, int y) {
  Opening();
  m_menu->popup(QPoint(x, y));
}
