// Draws the copy-file animation of the animation control (a sheet of paper
// flying from one folder to another) into one PNG film strip at build time:
// the frames side by side, each kFrameWidth by kFrameHeight, transparent
// where nothing is drawn. Usage: make_copy_animation <output file>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>

namespace {

// The frame count and size the animation control expects of the strip.
constexpr int kFrames = 16;
constexpr int kFrameWidth = 272;
constexpr int kFrameHeight = 60;

constexpr double kFolderWidth = 46;
constexpr double kFolderHeight = 34;
constexpr double kFolderTop = 20;

// The back of a folder with its tab.
void DrawFolderBack(QPainter& p, double left) {
  const QRectF back(left, kFolderTop, kFolderWidth, kFolderHeight);
  p.setPen(QPen(QColor(0x80, 0x60, 0x10), 1.2));
  p.setBrush(QColor(0xE0, 0xB0, 0x40));
  QPainterPath tab;
  tab.moveTo(back.left(), back.top() + 5);
  tab.lineTo(back.left() + 14, back.top() + 5);
  tab.lineTo(back.left() + 18, back.top());
  tab.lineTo(back.right(), back.top());
  tab.lineTo(back.right(), back.bottom());
  tab.lineTo(back.left(), back.bottom());
  tab.closeSubpath();
  p.drawPath(tab);
}

// The front flap, drawn over a sheet inside; it leans forward on the open
// folder the sheets leave.
void DrawFolderFront(QPainter& p, double left, bool open) {
  const double lean = open ? 6 : 0;
  const double top = kFolderTop + 11;
  const double bottom = kFolderTop + kFolderHeight;
  QPainterPath front;
  front.moveTo(left - lean, top);
  front.lineTo(left + kFolderWidth - lean, top);
  front.lineTo(left + kFolderWidth, bottom);
  front.lineTo(left, bottom);
  front.closeSubpath();
  p.setPen(QPen(QColor(0x80, 0x60, 0x10), 1.2));
  p.setBrush(QColor(0xF6, 0xD0, 0x60));
  p.drawPath(front);
}

// One sheet with lines of writing, turned by angle degrees around its centre.
void DrawSheet(QPainter& p, QPointF centre, double angle) {
  p.save();
  p.translate(centre);
  p.rotate(angle);
  p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(-9, -11, 18, 22));
  p.setPen(QPen(QColor(0x30, 0x50, 0xA0), 1));
  for (double y = -6; y <= 6; y += 4) p.drawLine(QPointF(-5, y), QPointF(5, y));
  p.restore();
}

// The sheet rises out of the left folder, flies over and drops into the
// right one; t runs from 0 to 1 over the frames.
void DrawFrame(QPainter& p, double t) {
  const double leftFolder = 20;
  const double rightFolder = kFrameWidth - 20 - kFolderWidth;
  DrawFolderBack(p, leftFolder);
  DrawFolderBack(p, rightFolder);
  const double startX = leftFolder + kFolderWidth / 2;
  const double endX = rightFolder + kFolderWidth / 2;
  const double x = startX + (endX - startX) * t;
  const double y = kFolderTop + 8 - 4 * t * (1 - t) * 16;
  DrawSheet(p, QPointF(x, y), -30 + 60 * t);
  DrawFolderFront(p, leftFolder, true);
  DrawFolderFront(p, rightFolder, false);
}

QImage FilmStrip() {
  QImage strip(kFrames * kFrameWidth, kFrameHeight, QImage::Format_ARGB32);
  strip.fill(Qt::transparent);
  QPainter p(&strip);
  p.setRenderHint(QPainter::Antialiasing);
  for (int frame = 0; frame < kFrames; ++frame) {
    p.save();
    p.translate(frame * kFrameWidth, 0);
    p.setClipRect(0, 0, kFrameWidth, kFrameHeight);
    DrawFrame(p, frame / double(kFrames - 1));
    p.restore();
  }
  return strip;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  return FilmStrip().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
