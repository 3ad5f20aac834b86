#include "platform/forms/ComCtrls.h"

#include <QEvent>
#include <QPainter>
#include <QImage>
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

// Plays the film strip of the chosen animation (kFrameCount frames side by
// side, a picture of the project's resources), centred in the control and
// scaled down when the control is smaller than a frame.
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
  void SetFilmStrip(const QString& resource) { m_strip = resource.isEmpty() ? QImage() : QImage(resource); }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!m_animate || m_strip.isNull()) return;
    const QSize frameSize(m_strip.width() / TAnimate::kFrameCount, m_strip.height());
    const QRect source(QPoint(m_animate->m_frame * frameSize.width(), 0), frameSize);
    const QSize shown = frameSize.boundedTo(size()).expandedTo(QSize(1, 1));
    const QSize fitted = frameSize.scaled(shown, Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), fitted);
    target.moveCenter(rect().center());
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_strip, source);
  }

 private:
  TAnimate* m_animate;
  QTimer m_timer;
  QImage m_strip;
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
  AnimationOf(this)->SetFilmStrip(avi == aviCopyFile ? QStringLiteral(":/animations/CopyFile.png") : QString());
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
