// Draws the two programs' pictures (the about box's ProgramIcon and the
// window icons) into PNG files at build time, so that no binary picture
// lives in the source tree. Usage: make_program_icons <output folder>

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>

namespace {

constexpr int kSize = 40;

QImage Canvas() {
  QImage image(kSize, kSize, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

void DrawEnvelope(QPainter& p, const QRectF& r, const QColor& paper, const QColor& edge) {
  p.setPen(QPen(edge, 1.2));
  p.setBrush(paper);
  p.drawRoundedRect(r, 1.5, 1.5);
  QPainterPath flap;
  flap.moveTo(r.topLeft());
  flap.lineTo(r.center().x(), r.top() + r.height() * 0.55);
  flap.lineTo(r.topRight());
  p.setBrush(Qt::NoBrush);
  p.drawPath(flap);
}

void DrawDrawer(QPainter& p, const QRectF& r) {
  QLinearGradient wood(r.topLeft(), r.bottomLeft());
  wood.setColorAt(0, QColor(0xD9, 0x9A, 0x5B));
  wood.setColorAt(1, QColor(0xB0, 0x6E, 0x34));
  p.setPen(QPen(QColor(0x5C, 0x36, 0x14), 1.2));
  p.setBrush(wood);
  p.drawRoundedRect(r, 1.5, 1.5);
  QRectF handle(r.center().x() - 4, r.center().y() - 1.5, 8, 3);
  p.setBrush(QColor(0x4A, 0x2A, 0x10));
  p.drawRoundedRect(handle, 1.2, 1.2);
}

// A chest of drawers with a letter rising from its open top drawer.
QImage Dorvane() {
  QImage image = Canvas();
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient body(0, 10, 0, 39);
  body.setColorAt(0, QColor(0x9C, 0x5B, 0x26));
  body.setColorAt(1, QColor(0x6E, 0x3C, 0x15));
  p.setPen(QPen(QColor(0x4A, 0x2A, 0x10), 1.4));
  p.setBrush(body);
  p.drawRoundedRect(QRectF(4, 12, 32, 26), 2, 2);
  DrawEnvelope(p, QRectF(10, 2.5, 20, 13), QColor(0xFF, 0xFF, 0xFF), QColor(0x33, 0x55, 0x99));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xE0, 0x30, 0x30));
  p.drawEllipse(QPointF(20, 9.5), 2.2, 2.2);
  DrawDrawer(p, QRectF(6, 14, 28, 10));
  DrawDrawer(p, QRectF(6, 26, 28, 10));
  return image;
}

// An envelope with a quill pen across it.
QImage Quillet() {
  QImage image = Canvas();
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  DrawEnvelope(p, QRectF(2.5, 14, 30, 21), QColor(0xE8, 0xF1, 0xFF), QColor(0x2B, 0x4C, 0x8C));
  QPainterPath feather;
  feather.moveTo(37, 2);
  feather.cubicTo(28, 4, 18, 14, 14, 26);
  feather.cubicTo(22, 22, 32, 14, 37, 2);
  QLinearGradient vane(37, 2, 14, 26);
  vane.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
  vane.setColorAt(1, QColor(0xC8, 0xD8, 0xF0));
  p.setPen(QPen(QColor(0x3A, 0x3A, 0x55), 1.1));
  p.setBrush(vane);
  p.drawPath(feather);
  p.setPen(QPen(QColor(0x3A, 0x3A, 0x55), 1.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(35, 5), QPointF(11, 31));
  p.setPen(QPen(QColor(0x20, 0x20, 0x20), 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(13, 29), QPointF(9, 34));
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const QString folder = QString::fromLocal8Bit(argv[1]);
  bool written = Dorvane().save(folder + "/DorvaneIcon.png") && Quillet().save(folder + "/QuilletIcon.png");
  return written ? 0 : 1;
}
