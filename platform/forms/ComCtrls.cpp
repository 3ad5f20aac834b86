#include "platform/forms/ComCtrls.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStatusBar>
#include <QTimer>

#include "platform/forms/Bridge.h"

using namespace platform::forms;

// Keeps the bar at the bottom of its parent's client area as that resizes.
class TStatusBar::Docking : public QObject {
 public:
  Docking(QWidget* bar, QWidget* area) : m_bar(bar), m_area(area) {
    area->installEventFilter(this);
    Dock();
  }
  void Dock() {
    int height = m_bar->sizeHint().height();
    m_bar->setGeometry(0, m_area->height() - height, m_area->width(), height);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize) Dock();
    return false;
  }

 private:
  QWidget* m_bar;
  QWidget* m_area;
};

TStatusBar::TStatusBar(TWinControl* parent)
    : TWinControl(parent, new Hooked<QStatusBar>(this, ParentWidgetOf(parent))) {
  static_cast<QStatusBar*>(Widget())->setSizeGripEnabled(false);
  if (parent) m_docking = std::make_unique<Docking>(Widget(), parent->ClientWidget());
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::SetSimpleText(const std::string& text) {
  m_simpleText = text;
  static_cast<QStatusBar*>(Widget())->showMessage(Q(text));
}

class AnimationWidget : public Hooked<QWidget> {
 public:
  AnimationWidget(TAnimate* animate, QWidget* parent) : Hooked<QWidget>(animate, parent), m_animate(animate) {
    m_timer.setInterval(60);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      if (m_animate) m_animate->NextFrame();
    });
  }
  void Detach() { m_animate = nullptr; }
  QTimer& Timer() { return m_timer; }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!m_animate || m_animate->m_commonAvi != aviCopyFile) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawFolder(painter, QRectF(4, height() / 2.0 - 8, 30, 22));
    DrawFolder(painter, QRectF(width() - 34, height() / 2.0 - 8, 30, 22));
    DrawSheet(painter, m_animate->m_frame / double(TAnimate::kFrameCount));
  }

 private:
  static void DrawFolder(QPainter& painter, const QRectF& r) {
    painter.setPen(QPen(QColor(0x80, 0x60, 0x10), 1));
    painter.setBrush(QColor(0xF0, 0xC8, 0x50));
    QPainterPath path;
    path.moveTo(r.left(), r.top() + 4);
    path.lineTo(r.left() + 10, r.top() + 4);
    path.lineTo(r.left() + 13, r.top());
    path.lineTo(r.right(), r.top());
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    painter.drawPath(path);
  }
  // A sheet on an arc from the left folder to the right one; t runs 0..1.
  void DrawSheet(QPainter& painter, double t) {
    double startX = 19, endX = width() - 19.0;
    double x = startX + (endX - startX) * t;
    double lift = 4 * t * (1 - t) * (height() / 2.0 - 6);
    double y = height() / 2.0 - 4 - lift;
    painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(x - 6, y - 8, 12, 15));
    painter.drawLine(QPointF(x - 3, y - 4), QPointF(x + 3, y - 4));
    painter.drawLine(QPointF(x - 3, y - 1), QPointF(x + 3, y - 1));
    painter.drawLine(QPointF(x - 3, y + 2), QPointF(x + 3, y + 2));
  }

  TAnimate* m_animate;
  QTimer m_timer;
};

namespace {

AnimationWidget* AnimationOf(const TAnimate* animate) { return static_cast<AnimationWidget*>(animate->Widget()); }

}  // namespace

TAnimate::TAnimate(TWinControl* parent) : TWinControl(parent, new AnimationWidget(this, ParentWidgetOf(parent))) {}

TAnimate::~TAnimate() {
  AnimationOf(this)->Timer().stop();
  AnimationOf(this)->Detach();
}

void TAnimate::SetCommonAVI(TCommonAVI avi) {
  m_commonAvi = avi;
  Invalidate();
}

bool TAnimate::Active() const { return AnimationOf(this)->Timer().isActive(); }

void TAnimate::SetActive(bool active) {
  if (active)
    AnimationOf(this)->Timer().start();
  else
    AnimationOf(this)->Timer().stop();
}

void TAnimate::NextFrame() {
  m_frame = (m_frame + 1) % kFrameCount;
  Invalidate();
}
