#pragma once
// The class library's object, component and control shapes over Qt Widgets.
// Components are created with Create<T>(owner) and owned by their owner;
// controls sit at pixel positions inside their parent. All texts are
// Shift-JIS. Events are std::function members assigned by the form; an
// exception escaping one is shown by Application->ShowException.

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/Classes.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/Types.h"

class QWidget;
class TControl;
class TWinControl;
class TPopupMenu;

namespace platform::forms {
class WidgetHook;
class KeyRouter;
class AnchorFollower;
}  // namespace platform::forms

// The edges of its parent a control keeps its distance to as the parent
// resizes: held left and right, it stretches; held right alone, it moves.
using TAnchors = unsigned;
constexpr TAnchors akLeft = 0x1;
constexpr TAnchors akTop = 0x2;
constexpr TAnchors akRight = 0x4;
constexpr TAnchors akBottom = 0x8;

enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
enum TDragMode { dmManual, dmAutomatic };

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TDragOverEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y,
                                          TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
// Target is the control dropped on, or nullptr when the drag ended without a drop.
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;

// Creates a component owned by owner (a control's parent, a menu item's
// parent item, a dialog's form) and returns it; the owner destroys it.
template <class T, class Owner, class... Args>
T* Create(Owner* owner, Args&&... args) {
  auto component = std::make_unique<T>(owner, std::forward<Args>(args)...);
  T* created = component.get();
  owner->InsertComponent(std::move(component));
  return created;
}

// Creates a control on parent (as Create), names it and places it at bounds
// with its caption, when one is given. An auto-sized control (a label) keeps
// the left and top and takes the size of its text.
template <class T>
T* Place(TWinControl* parent, const char* name, const TRect& bounds, const std::string& caption = {});

class TControl : public TComponent {
 public:
  ~TControl() override;

  TWinControl* Parent() const { return m_parent; }

  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void SetLeft(int left);
  void SetTop(int top);
  void SetWidth(int width);
  void SetHeight(int height);
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(Left(), Top(), Width(), Height()); }
  // By default akLeft | akTop: the control keeps its place and its size.
  TAnchors Anchors() const { return m_anchors; }
  void SetAnchors(TAnchors anchors);
  // The area children and events use: for a list box, the area of its rows.
  virtual int ClientWidth() const;
  virtual int ClientHeight() const;
  TPoint ClientToScreen(TPoint point) const;
  TPoint ScreenToClient(TPoint point) const;

  bool Enabled() const;
  void SetEnabled(bool enabled);
  bool Visible() const { return m_visible; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }

  const std::string& Hint() const { return m_hint; }
  void SetHint(const std::string& hint);
  bool ShowHint() const { return m_showHint; }
  void SetShowHint(bool show);

  // The control's font; it follows its parent's until it is changed itself.
  TFont* const Font;
  bool ParentFont() const { return m_parentFont; }
  TColor Color() const { return m_color; }
  virtual void SetColor(TColor color);

  virtual std::string Caption() const { return m_caption; }
  virtual void SetCaption(const std::string& caption);
  std::string Text() const { return Caption(); }
  void SetText(const std::string& text) { SetCaption(text); }

  TPopupMenu* PopupMenu() const { return m_popupMenu; }
  void SetPopupMenu(TPopupMenu* menu) { m_popupMenu = menu; }

  void SetFocus();
  bool Focused() const;
  void Invalidate();
  void Repaint();

  // Dragging as the class library does it (not the system's drag and drop):
  // while the button is held, the control under the pointer gets OnDragOver;
  // the release over a control that accepted gives it OnDragDrop; the source
  // then always gets OnEndDrag. Escape ends the drag without a drop.
  void BeginDrag(bool immediate);
  bool Dragging() const;
  TDragMode DragMode() const { return m_dragMode; }
  void SetDragMode(TDragMode mode) { m_dragMode = mode; }

  // Runs OnClick as a click of the user would.
  virtual void Click();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TKeyEvent OnKeyDown;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;

  // For platform/: the widget of the control and the one its events and
  // client coordinates belong to (a scroll area's viewport).
  QWidget* Widget() const { return m_widget; }
  QWidget* EventWidget() const;
  // The control a widget belongs to, searching up its parents within its
  // window; or nullptr.
  static TControl* FromWidget(QWidget* widget);

 protected:
  // widget is made by the derived control, parented to parent's client area;
  // the parent is the owner unless one is given (a form's owner form).
  TControl(TWinControl* parent, QWidget* widget);
  TControl(TComponent* owner, TWinControl* parent, QWidget* widget);
  static QWidget* ParentWidgetOf(TWinControl* parent);

  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void DblClick();
  virtual void FontChanged();
  // The parent's font changed; follows it unless the control has its own.
  void ParentFontChanged(const TFont& font);
  // Called when the control gets or loses the keyboard focus.
  virtual void FocusChanged(bool gained);
  // A control that takes Enter itself (a multi-line text) keeps it from the default button.
  virtual bool WantsReturns() const { return false; }

 private:
  friend class platform::forms::WidgetHook;
  friend class platform::forms::KeyRouter;
  friend class TWinControl;

  void SetWidget(QWidget* widget);
  void ApplyFont();
  void ApplyColours();
  void ApplyToolTip();

  TWinControl* m_parent;
  QWidget* m_widget = nullptr;
  TFont m_font;
  bool m_parentFont = true;
  bool m_applyingParentFont = false;
  bool m_visible = true;
  bool m_showHint = false;
  TColor m_color = clBtnFace;
  bool m_ownColor = false;  // false: the background is the parent's
  std::string m_hint;
  std::string m_caption;
  TPopupMenu* m_popupMenu = nullptr;
  TDragMode m_dragMode = dmManual;
  TAnchors m_anchors = akLeft | akTop;
  platform::forms::AnchorFollower* m_anchorFollower = nullptr;  // owned by the widget
};

// A control that holds other controls.
class TWinControl : public TControl {
 public:
  ~TWinControl() override;

  int ControlCount() const { return static_cast<int>(m_controls.size()); }
  TControl* Controls(int index) const { return m_controls.at(index); }
  // For platform/: the widget children are placed in.
  virtual QWidget* ClientWidget() const { return Widget(); }

 protected:
  TWinControl(TWinControl* parent, QWidget* widget);
  TWinControl(TComponent* owner, TWinControl* parent, QWidget* widget);
  void FontChanged() override;

 private:
  friend class TControl;
  void AddControl(TControl* control) { m_controls.push_back(control); }
  void RemoveControl(TControl* control);

  std::vector<TControl*> m_controls;
};

template <class T>
T* Place(TWinControl* parent, const char* name, const TRect& bounds, const std::string& caption) {
  T* control = Create<T>(parent);
  control->SetName(name);
  control->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
  if (!caption.empty()) control->SetCaption(caption);
  return control;
}
