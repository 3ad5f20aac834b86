#pragma once
// Main menus, pop-up menus and their items. A caption of "-" makes a
// separator; "&" marks the accelerator. The opening handler of a menu (the
// OnClick of an item with sub-items, a pop-up's OnPopup) runs when it opens,
// and also before one of its items' short-cut is carried out; a disabled
// item's short-cut does nothing and the key goes on to the focused control.

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/forms/Controls.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;
class TMenu;

// "Ctrl+M", "Shift+Ins", "F1"; empty for no short-cut.
std::string ShortCutToText(TShortCut shortCut);

class TMenuItem : public TComponent {
 public:
  // owner: the parent item, or a menu (the item then hangs at its top).
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;
  std::string ClassName() const override { return "TMenuItem"; }

  const std::string& Caption() const { return m_caption; }
  void SetCaption(const std::string& caption);
  TShortCut ShortCut() const { return m_shortCut; }
  void SetShortCut(TShortCut shortCut);
  bool Enabled() const { return m_enabled; }
  void SetEnabled(bool enabled);
  bool Checked() const { return m_checked; }
  void SetChecked(bool checked);
  bool Visible() const { return m_visible; }
  void SetVisible(bool visible);
  bool IsLine() const { return m_caption == "-"; }

  int Count() const { return static_cast<int>(m_items.size()); }
  TMenuItem* Items(int index) const { return m_items.at(index); }
  TMenuItem* Parent() const { return m_parent; }
  // The item of this short-cut at any depth below this one, or nullptr.
  TMenuItem* FindShortCut(TShortCut shortCut);

  // Runs OnClick, as choosing the item (or opening its sub-menu) does;
  // a disabled item does nothing.
  void Click();
  TNotifyEvent OnClick;

 private:
  friend class TMenu;
  // The menu root of a TMenu, whose items go into widget.
  TMenuItem(TMenu* menu, QWidget* widget);
  void AddItem(TMenuItem* item);
  void RemoveItem(TMenuItem* item);
  QWidget* ItemsWidget();
  void UpdateAction();

  TMenuItem* m_parent = nullptr;
  std::vector<TMenuItem*> m_items;
  QAction* m_action = nullptr;  // none for a menu's root
  QMenu* m_submenu = nullptr;   // made when the first sub-item comes
  QWidget* m_itemsWidget = nullptr;
  std::string m_caption;
  TShortCut m_shortCut = 0;
  bool m_enabled = true;
  bool m_checked = false;
  bool m_visible = true;
};

// One row of a form's menu table: the item is made under its parent row's
// item (or at the menu's top), lands in the form's member and runs the
// form's handler when chosen, or, for an item with sub-items, when it opens.
// A parent row stands before its sub-items.
template <class Form>
struct MenuRow {
  TMenuItem* Form::*item;    // nullptr: held by the menu only (a separator)
  TMenuItem* Form::*parent;  // nullptr: the menu's top
  const char* name;
  const char* caption;       // "-": a separator
  TShortCut shortCut = 0;
  void (Form::*handler)(TObject* Sender) = nullptr;  // nullptr: no command
};

// Makes the items of rows in menu for form, in order.
template <class Form>
void FillMenu(Form& form, TMenu& menu, std::initializer_list<MenuRow<Form>> rows);

class TMenu : public TComponent {
 public:
  ~TMenu() override;
  // The top of the tree; its sub-items are the menu's items.
  TMenuItem* const Items;
  // Carries out the item of this short-cut after its menus' opening
  // handlers; false when no item has it or the item is disabled.
  bool IsShortCut(TShortCut shortCut);

 protected:
  TMenu(TComponent* owner, QWidget* itemsWidget);
  // Runs the menu's own opening handler before a short-cut (pop-ups).
  virtual void Opening() {}

 private:
  std::unique_ptr<TMenuItem> m_root;
};

class TMainMenu : public TMenu {
 public:
  // Give it to its form with TForm::SetMenu.
  explicit TMainMenu(TComponent* owner);
  std::string ClassName() const override { return "TMainMenu"; }
  ~TMainMenu() override;
  QMenuBar* MenuBar() const { return m_bar; }  // for platform/

 private:
  TMainMenu(TComponent* owner, QMenuBar* bar);
  QMenuBar* m_bar;
};

class TPopupMenu : public TMenu {
 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;
  std::string ClassName() const override { return "TPopupMenu"; }

  // Runs OnPopup, then shows the menu at the screen point.
  void Popup(int x, int y);
  // The control the menu was last opened on.
  TControl* PopupComponent() const { return m_popupComponent; }
  void SetPopupComponent(TControl* control) { m_popupComponent = control; }
  TNotifyEvent OnPopup;

 protected:
  void Opening() override;

 private:
  TPopupMenu(TComponent* owner, QMenu* menu);
  QMenu* m_menu;
  TControl* m_popupComponent = nullptr;
};

template <class Form>
void FillMenu(Form& form, TMenu& menu, std::initializer_list<MenuRow<Form>> rows) {
  for (const MenuRow<Form>& row : rows) {
    TComponent* parent = row.parent ? static_cast<TComponent*>(form.*row.parent) : &menu;
    auto* item = Create<TMenuItem>(parent);
    item->SetName(row.name);
    item->SetCaption(row.caption);
    item->SetShortCut(row.shortCut);
    if (row.handler) item->OnClick = [&form, handler = row.handler](TObject* s) { (form.*handler)(s); };
    if (row.item) form.*row.item = item;
  }
}
