#include "platform/forms/Controls.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <QVariant>
#include <optional>

#include "platform/forms/Bridge.h"
#include "platform/forms/DragTracker.h"
#include "platform/forms/Menus.h"

using namespace platform::forms;

namespace {
const char kControlProperty[] = "marrowkitControl";

// One axis of an anchored control: held at the far edge, it stretches when
// it is held at the near one too, and moves otherwise.
void FollowEdge(int grown, bool nearEdge, bool farEdge, int& position, int& extent) {
  if (!farEdge) return;
  if (nearEdge)
    extent += grown;
  else
    position += grown;
}
}  // namespace

namespace platform::forms {

// Carries an anchored control along as its parent's area resizes, from the
// size the area had when the control was last placed.
class AnchorFollower : public QObject {
 public:
  AnchorFollower(TControl* control, QWidget* area) : QObject(control->Widget()), m_control(control), m_area(area) {
    area->installEventFilter(this);
    Rebase();
  }
  void Rebase() { m_placedIn = m_area->size(); }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize && m_area->size() != m_placedIn) Follow();
    return false;
  }

 private:
  void Follow() {
    const QSize grown = m_area->size() - m_placedIn;
    const TAnchors anchors = m_control->Anchors();
    int left = m_control->Left(), top = m_control->Top();
    int width = m_control->Width(), height = m_control->Height();
    FollowEdge(grown.width(), anchors & akLeft, anchors & akRight, left, width);
    FollowEdge(grown.height(), anchors & akTop, anchors & akBottom, top, height);
    m_control->SetBounds(left, top, width, height);  // rebases
  }

  TControl* m_control;
  QWidget* m_area;
  QSize m_placedIn;
};

}  // namespace platform::forms

TControl::TControl(TWinControl* parent, QWidget* widget) : TControl(parent, parent, widget) {}

TControl::TControl(TComponent* owner, TWinControl* parent, QWidget* widget)
    : TComponent(owner), Font(&m_font), m_parent(parent) {
  if (parent) {
    m_font = parent->m_font;
  }
  m_font.OnChange = [this] {
    if (!m_applyingParentFont) m_parentFont = false;
    ApplyFont();
    FontChanged();
  };
  SetWidget(widget);
  if (parent) {
    parent->AddControl(this);
    m_widget->show();
  }
}

TControl::~TControl() {
  Destroying();
  if (m_parent) m_parent->RemoveControl(this);
  DragTracker::Forget(this);
  if (!m_widget) return;
  DetachHooks(m_widget);
  QObject::disconnect(m_widget, nullptr, nullptr, nullptr);
  delete m_widget;
}

void TControl::SetWidget(QWidget* widget) {
  m_widget = widget;
  m_widget->setProperty(kControlProperty, QVariant::fromValue(static_cast<void*>(this)));
  EventWidget()->setMouseTracking(true);
  ApplyFont();
}

QWidget* TControl::EventWidget() const {
  if (auto* area = qobject_cast<QAbstractScrollArea*>(m_widget)) return area->viewport();
  return m_widget;
}

QWidget* TControl::ParentWidgetOf(TWinControl* parent) { return parent ? parent->ClientWidget() : nullptr; }

// The search ends at the widget's own window: a message box or a standard
// dialog over a form is not part of that form, and its keys are its own.
TControl* TControl::FromWidget(QWidget* widget) {
  for (QWidget* w = widget; w; w = w->parentWidget()) {
    QVariant value = w->property(kControlProperty);
    if (value.isValid()) return static_cast<TControl*>(value.value<void*>());
    if (w->isWindow()) break;
  }
  return nullptr;
}

int TControl::Left() const { return m_widget->x(); }
int TControl::Top() const { return m_widget->y(); }
int TControl::Width() const { return m_widget->width(); }
int TControl::Height() const { return m_widget->height(); }
void TControl::SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
void TControl::SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
void TControl::SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
void TControl::SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
void TControl::SetBounds(int left, int top, int width, int height) {
  m_widget->setGeometry(left, top, width, height);
  if (m_anchorFollower) m_anchorFollower->Rebase();
}

void TControl::SetAnchors(TAnchors anchors) {
  m_anchors = anchors;
  if (!m_anchorFollower && m_parent) m_anchorFollower = new AnchorFollower(this, m_parent->ClientWidget());
}
int TControl::ClientWidth() const { return EventWidget()->width(); }
int TControl::ClientHeight() const { return EventWidget()->height(); }

TPoint TControl::ClientToScreen(TPoint point) const {
  QPoint global = EventWidget()->mapToGlobal(QPoint(point.x, point.y));
  return TPoint{global.x(), global.y()};
}

TPoint TControl::ScreenToClient(TPoint point) const {
  QPoint local = EventWidget()->mapFromGlobal(QPoint(point.x, point.y));
  return TPoint{local.x(), local.y()};
}

bool TControl::Enabled() const { return !m_widget->testAttribute(Qt::WA_ForceDisabled); }
void TControl::SetEnabled(bool enabled) { m_widget->setEnabled(enabled); }

void TControl::SetVisible(bool visible) {
  m_visible = visible;
  m_widget->setVisible(visible);
}

void TControl::SetHint(const std::string& hint) {
  m_hint = hint;
  ApplyToolTip();
}

void TControl::SetShowHint(bool show) {
  m_showHint = show;
  ApplyToolTip();
}

void TControl::ApplyToolTip() {
  bool shown = false;
  for (const TControl* c = this; c && !shown; c = c->m_parent) shown = c->m_showHint;
  m_widget->setToolTip(shown ? Q(m_hint) : QString());
  if (auto* container = dynamic_cast<TWinControl*>(this))
    for (TControl* child : container->m_controls) child->ApplyToolTip();
}

void TControl::SetColor(TColor color) {
  m_color = color;
  m_ownColor = true;
  ApplyColours();
}

void TControl::SetCaption(const std::string& caption) { m_caption = caption; }

void TControl::SetFocus() {
  if (m_widget->window()->isVisible()) m_widget->activateWindow();
  m_widget->setFocus(Qt::OtherFocusReason);
}

bool TControl::Focused() const {
  QWidget* focus = m_widget->window()->focusWidget();
  return focus && FromWidget(focus) == this;
}

void TControl::Invalidate() { EventWidget()->update(); }
void TControl::Repaint() { EventWidget()->repaint(); }

void TControl::BeginDrag(bool immediate) { DragTracker::Begin(this, immediate); }
bool TControl::Dragging() const { return DragTracker::Source() == this; }

void TControl::Click() {
  RunEvent(OnClick, this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && m_dragMode == dmAutomatic) BeginDrag(false);
  RunEvent(OnMouseDown, this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  RunEvent(OnMouseMove, this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  RunEvent(OnMouseUp, this, button, shift, x, y);
}

void TControl::DblClick() {
  RunEvent(OnDblClick, this);
}

void TControl::FocusChanged(bool gained) {
  const TNotifyEvent& event = gained ? OnEnter : OnExit;
  RunEvent(event, this);
}

void TControl::FontChanged() {}

void TControl::ParentFontChanged(const TFont& font) {
  if (!m_parentFont) return;
  m_applyingParentFont = true;
  m_font = font;
  m_applyingParentFont = false;
}

void TControl::ApplyFont() {
  m_widget->setFont(ToQFont(m_font));
  ApplyColours();
}

void TControl::ApplyColours() {
  const std::optional<TColor> background = m_ownColor ? std::optional(m_color) : std::nullopt;
  const QPalette palette = ControlPalette(background, m_font.Color());
  m_widget->setPalette(palette);
  if (palette.isBrushSet(QPalette::Active, QPalette::Window)) m_widget->setAutoFillBackground(true);
}

TWinControl::TWinControl(TWinControl* parent, QWidget* widget) : TControl(parent, widget) {}

TWinControl::TWinControl(TComponent* owner, TWinControl* parent, QWidget* widget) : TControl(owner, parent, widget) {}

TWinControl::~TWinControl() { DestroyComponents(); }

void TWinControl::RemoveControl(TControl* control) {
  std::erase(m_controls, control);
}

void TWinControl::FontChanged() {
  for (TControl* child : m_controls) child->ParentFontChanged(*Font);
}
