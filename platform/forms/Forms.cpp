#include "platform/forms/Forms.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include "platform/forms/FormWindow.h"
#include "platform/forms/Menus.h"
#include "platform/forms/ModalDriver.h"

using namespace platform::forms;

namespace platform::forms {

FormWindow::FormWindow(TForm* form) : Hooked<QWidget>(form, nullptr), m_form(form) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
}

void FormWindow::closeEvent(QCloseEvent* event) {
  // The form decides and hides itself; Qt never closes it behind its back.
  event->ignore();
  // A disabled window's close box does nothing, as on Windows.
  if (m_form && isEnabled()) m_form->Close();
}

void FormWindow::changeEvent(QEvent* event) {
  Hooked<QWidget>::changeEvent(event);
  if (m_form && event->type() == QEvent::ActivationChange && isActiveWindow()) RunEvent(m_form->OnActivate, m_form);
}

}  // namespace platform::forms

namespace {

FormWindow* WindowOf(const TForm* form) { return static_cast<FormWindow*>(form->Widget()); }

}  // namespace

TForm::TForm(TComponent* owner) : TWinControl(owner, nullptr, new FormWindow(this)) {
  InstallKeyRouter();
  TControl::SetVisible(false);
  m_client = new QWidget(Widget());
  m_client->setAutoFillBackground(true);
  Widget()->layout()->addWidget(m_client);
  ApplyWindowFlags();
  SetClientWidth(300);
  SetClientHeight(200);
}

TForm::~TForm() {
  Destroying();
  WindowOf(this)->Detach();
  DetachHooks(Widget());
  DestroyComponents();
}

QWidget* TForm::ClientWidget() const { return m_client; }

void TForm::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  Widget()->setWindowTitle(Q(caption));
}

int TForm::ClientWidth() const { return m_client->width(); }
int TForm::ClientHeight() const { return m_client->height(); }

void TForm::SetClientWidth(int width) { SetClientSize(width, ClientHeight()); }
void TForm::SetClientHeight(int height) { SetClientSize(ClientWidth(), height); }

// The size given is the client area's least one: a sizeable form's grows
// from it with the window, any other form's keeps it.
void TForm::SetClientSize(int width, int height) {
  m_client->setMinimumSize(width, height);
  LimitClientSize();
  Widget()->adjustSize();
  // The window's layout has laid the area out at the window's old size.
  m_client->resize(width, height);
}

void TForm::LimitClientSize() {
  m_client->setMaximumSize(m_borderStyle == bsSizeable ? QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX)
                                                       : m_client->minimumSize());
}

void TForm::SetBounds(int left, int top, int width, int height) {
  Widget()->move(left, top);
  int menuHeight = m_menu ? m_menu->MenuBar()->sizeHint().height() : 0;
  SetClientWidth(width);
  SetClientHeight(height - menuHeight);
}

void TForm::SetColor(TColor color) {
  TControl::SetColor(color);
  QPalette palette = m_client->palette();
  palette.setColor(QPalette::Window, ToQColor(color));
  m_client->setPalette(palette);
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  m_borderStyle = style;
  ApplyWindowFlags();
}

void TForm::SetBorderIcons(TBorderIcons icons) {
  m_borderIcons = icons;
  ApplyWindowFlags();
}

void TForm::ApplyWindowFlags() {
  bool visible = Widget()->isVisible();
  // A form owned by another is a dialog to the window manager, whatever its
  // border: only a dialog's window carries the link to its parent (X11's
  // WM_TRANSIENT_FOR) that keeps it above that window.
  const bool owned = dynamic_cast<TForm*>(Owner()) != nullptr;
  Qt::WindowFlags flags = m_borderStyle == bsDialog || owned ? Qt::Dialog : Qt::Window;
  if (m_borderStyle == bsNone) {
    flags |= Qt::FramelessWindowHint;
  } else {
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (m_borderIcons & biSystemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (m_borderStyle != bsDialog && (m_borderIcons & biMinimize)) flags |= Qt::WindowMinimizeButtonHint;
    if (m_borderStyle == bsSizeable && (m_borderIcons & biMaximize)) flags |= Qt::WindowMaximizeButtonHint;
  }
  Widget()->setWindowFlags(flags);
  // A sizeable form lets its client area grow with the window; the area's
  // controls keep their places from its top left corner.
  LimitClientSize();
  Widget()->layout()->setSizeConstraint(m_borderStyle == bsSizeable ? QLayout::SetDefaultConstraint
                                                                      : QLayout::SetFixedSize);
  if (visible) Widget()->show();
}

void TForm::SetIcon(const std::string& resourceName) {
  TBitmap picture;
  picture.LoadFromResourceName(resourceName);
  Widget()->setWindowIcon(QPixmap::fromImage(picture.Image()));
}

void TForm::SetMenu(TMainMenu* menu) {
  m_menu = menu;
  static_cast<QVBoxLayout*>(Widget()->layout())->setMenuBar(menu ? menu->MenuBar() : nullptr);
  Widget()->adjustSize();
}

TControl* TForm::ActiveControl() const {
  QWidget* focus = Widget()->focusWidget();
  TControl* control = focus ? FromWidget(focus) : nullptr;
  return control == this ? nullptr : control;
}

void TForm::SetActiveControl(TControl* control) {
  if (control) control->SetFocus();
}

TWindowState TForm::WindowState() const {
  const Qt::WindowStates state = Widget()->windowState();
  if (state & Qt::WindowMinimized) return wsMinimized;
  if (state & Qt::WindowMaximized) return wsMaximized;
  return wsNormal;
}

void TForm::SetWindowState(TWindowState state) {
  const Qt::WindowState qtState = state == wsMinimized   ? Qt::WindowMinimized
                                  : state == wsMaximized ? Qt::WindowMaximized
                                                         : Qt::WindowNoState;
  Widget()->setWindowState(qtState);
}

bool TForm::Active() const { return Widget()->isActiveWindow(); }

void TForm::SetModalResult(TModalResult result) {
  m_modalResult = result;
  if (result != mrNone && m_modalLoop) m_modalLoop->quit();
}

TModalResult TForm::ShowModal() {
  if (m_modal || Widget()->isVisible()) throw EInvalidOperation("可視ウィンドウをモーダルにはできません");
  m_modalResult = mrNone;
  m_modal = true;
  RunEvent(OnShow, this);
  Widget()->setWindowModality(Qt::ApplicationModal);
  ShowWindow();
  for (;;) {
    CurrentModalDriver().RunModal(*this);
    // A driver that gives up leaves the result empty: the form closes as Cancel.
    if (m_modalResult == mrNone) {
      m_modalResult = mrCancel;
      break;
    }
    if (CloseQuery() && CloseAction(caHide) != caNone) break;
    m_modalResult = mrNone;
  }
  Widget()->hide();
  Widget()->setWindowModality(Qt::NonModal);
  m_modal = false;
  TControl::SetVisible(false);
  return m_modalResult;
}

void TForm::Show() {
  if (Widget()->isVisible()) {
    Widget()->raise();
    Widget()->activateWindow();
    return;
  }
  RunEvent(OnShow, this);
  ShowWindow();
}

void TForm::ShowWindow() {
  StandOverOwner();  // before the window manager first sees the window
  TControl::SetVisible(true);
  PlaceOnScreen();
  Widget()->show();
  QApplication::setActiveWindow(Widget());
}

void TForm::PlaceOnScreen() {
  Widget()->adjustSize();
  QSize size = Widget()->size();
  QRect area;
  if (m_position == poScreenCenter)
    area = QGuiApplication::primaryScreen()->availableGeometry();
  else if (auto* ownerForm = dynamic_cast<TForm*>(Owner()); m_position == poOwnerFormCenter && ownerForm)
    area = ownerForm->Widget()->frameGeometry();
  else
    return;
  Widget()->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

// A dialog is transient for the form that owns it, so that every window
// manager keeps it above that window. Qt holds the link weakly.
void TForm::StandOverOwner() {
  auto* ownerForm = dynamic_cast<TForm*>(Owner());
  if (!ownerForm) return;
  Widget()->winId();
  ownerForm->Widget()->winId();
  Widget()->windowHandle()->setTransientParent(ownerForm->Widget()->windowHandle());
}

bool TForm::CloseQuery() {
  bool canClose = true;
  RunEvent(OnCloseQuery, this, canClose);
  return canClose;
}

TCloseAction TForm::CloseAction(TCloseAction initial) {
  TCloseAction action = initial;
  RunEvent(OnClose, this, action);
  return action;
}

void TForm::Close() {
  if (m_modal) {
    SetModalResult(mrCancel);
    return;
  }
  if (!CloseQuery()) return;
  bool isMain = Application->MainForm() == this;
  TCloseAction action = CloseAction(isMain ? caFree : caHide);
  if (action == caNone) return;
  if (action == caMinimize) {
    Widget()->showMinimized();
    return;
  }
  Widget()->hide();
  TControl::SetVisible(false);
  if (isMain) Application->Terminate();
}

void TForm::SetVisible(bool visible) {
  if (visible) {
    Show();
    return;
  }
  Widget()->hide();
  TControl::SetVisible(false);
}

TForm* GetParentForm(TControl* control) {
  for (TControl* c = control; c; c = c->Parent())
    if (auto* form = dynamic_cast<TForm*>(c)) return form;
  return nullptr;
}
