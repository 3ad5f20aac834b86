#include "platform/forms/DragTracker.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

#include "platform/forms/Bridge.h"

namespace platform::forms {

// The tracker is the Qt application's child and dies with it.
DragTracker& DragTracker::Instance() {
  static QPointer<DragTracker> tracker;
  if (!tracker) {
    tracker = new DragTracker;
    tracker->setParent(qApp);
    qApp->installEventFilter(tracker);
  }
  return *tracker;
}

void DragTracker::Begin(TControl* source, bool immediate) {
  DragTracker& tracker = Instance();
  if (tracker.m_source) return;
  tracker.Reset();
  tracker.m_source = source;
  tracker.m_started = immediate;
  tracker.m_pressAt = QCursor::pos();
  if (immediate) tracker.SetCursor(false);
}

TControl* DragTracker::Source() { return Instance().m_started ? Instance().m_source : nullptr; }

bool DragTracker::Holds(const TControl* control) { return control && Instance().m_source == control; }

void DragTracker::Forget(TControl* control) {
  DragTracker& tracker = Instance();
  if (tracker.m_source == control) {
    if (tracker.m_started) QApplication::restoreOverrideCursor();
    tracker.Reset();
  } else if (tracker.m_target == control) {
    tracker.m_target = nullptr;
    tracker.m_accepted = false;
  }
}

void DragTracker::Reset() {
  m_source = nullptr;
  m_target = nullptr;
  m_accepted = false;
  m_started = false;
}

TControl* ControlAt(const QPoint& global) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (!top->isVisible() || !top->geometry().contains(global)) continue;
    QWidget* child = top->childAt(top->mapFromGlobal(global));
    return TControl::FromWidget(child ? child : top);
  }
  return nullptr;
}

bool DragTracker::eventFilter(QObject* watched, QEvent* event) {
  if (!m_source || !watched->isWidgetType()) return false;
  switch (event->type()) {
    case QEvent::MouseMove: {
      QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
      if (!m_started && (global - m_pressAt).manhattanLength() < QApplication::startDragDistance())
        return false;
      if (!m_started) SetCursor(false);
      m_started = true;
      MoveTo(global);
      return true;
    }
    case QEvent::MouseButtonRelease: {
      if (!m_started) {
        Reset();
        return false;
      }
      // The release decides on the last drag-over answer, as the class library's drag does.
      QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
      if (global != m_lastAt) MoveTo(global);
      Finish(m_accepted);
      return true;
    }
    case QEvent::KeyPress:
      if (m_started && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        Finish(false);
        return true;
      }
      return false;
    default:
      return false;
  }
}

namespace {

bool AskDragOver(TControl* target, TControl* source, const QPoint& global, TDragState state) {
  if (!target || !target->OnDragOver) return false;
  TPoint local = target->ScreenToClient(TPoint{global.x(), global.y()});
  // The class library accepts by default once a handler is set.
  bool accept = true;
  Guarded([&] { target->OnDragOver(target, source, local.x, local.y, state, accept); });
  return accept;
}

}  // namespace

void DragTracker::MoveTo(const QPoint& global) {
  m_lastAt = global;
  TControl* over = ControlAt(global);
  if (over != m_target && m_target) AskDragOver(m_target, m_source, global, dsDragLeave);
  TDragState state = over == m_target ? dsDragMove : dsDragEnter;
  m_target = over;
  m_accepted = AskDragOver(over, m_source, global, state);
  SetCursor(m_accepted);
}

void DragTracker::SetCursor(bool accepted) {
  QCursor cursor(accepted ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
  if (QApplication::overrideCursor())
    QApplication::changeOverrideCursor(cursor);
  else
    QApplication::setOverrideCursor(cursor);
}

void DragTracker::Finish(bool drop) {
  TControl* source = m_source;
  TControl* target = drop ? m_target : nullptr;
  QPoint at = m_lastAt;
  if (m_started) QApplication::restoreOverrideCursor();
  Reset();
  TPoint local = target ? target->ScreenToClient(TPoint{at.x(), at.y()}) : source->ScreenToClient(TPoint{at.x(), at.y()});
  if (target) RunEvent(target->OnDragDrop, target, source, local.x, local.y);
  RunEvent(source->OnEndDrag, source, target, local.x, local.y);
}

}  // namespace platform::forms
