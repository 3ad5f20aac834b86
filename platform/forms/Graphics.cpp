#include "platform/forms/Graphics.h"

#include <QBitmap>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include "platform/base/Format.h"
#include "platform/files/Files.h"
#include "platform/forms/Bridge.h"

using namespace platform::forms;

TFont::TFont() = default;

TFont::TFont(const TFont& other)
    : m_name(other.m_name),
      m_size(other.m_size),
      m_bold(other.m_bold),
      m_color(other.m_color),
      m_charset(other.m_charset) {}

TFont& TFont::operator=(const TFont& other) {
  m_name = other.m_name;
  m_size = other.m_size;
  m_bold = other.m_bold;
  m_color = other.m_color;
  m_charset = other.m_charset;
  Changed();
  return *this;
}

void TFont::SetName(const std::string& name) {
  m_name = name;
  Changed();
}

void TFont::SetSize(int pixels) {
  m_size = pixels;
  Changed();
}

void TFont::SetBold(bool bold) {
  m_bold = bold;
  Changed();
}

void TFont::SetColor(TColor color) {
  m_color = color;
  Changed();
}

void TFont::SetCharset(int charset) {
  m_charset = charset;
  Changed();
}

void TFont::Changed() {
  if (OnChange) OnChange();
}

TBitmap::TBitmap() : m_image(std::make_unique<QImage>()) {}
TBitmap::~TBitmap() = default;

void TBitmap::LoadFromResourceName(const std::string& name) {
  // A plain name is one of the project's bitmaps; ":/..." is a whole resource path.
  QString path = name.starts_with(":/") ? Q(name) : QStringLiteral(":/bitmaps/") + Q(name) + QStringLiteral(".png");
  QImage image(path);
  if (image.isNull()) throw EResNotFound(Format("リソース %s が見つかりません", name.c_str()));
  *m_image = image.convertToFormat(QImage::Format_ARGB32);
}

bool TBitmap::Empty() const { return m_image->isNull(); }
int TBitmap::Width() const { return m_image->width(); }
int TBitmap::Height() const { return m_image->height(); }
const QImage& TBitmap::Image() const { return *m_image; }

bool TBitmap::SaveToFile(const std::string& path) const {
  return m_image->save(QString::fromStdString(platform::NativePath(path)), "PNG");
}

namespace {

// The part of the image with the pixels of one colour made see-through.
QImage WithoutColour(const QImage& image, const QRect& source, TColor transparent) {
  QImage part = image.copy(source).convertToFormat(QImage::Format_ARGB32);
  const QRgb key = ToQColor(transparent).rgb() & 0xFFFFFF;
  for (int y = 0; y < part.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(part.scanLine(y));
    for (int x = 0; x < part.width(); ++x)
      if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
  }
  return part;
}

}  // namespace

TCanvas::TCanvas(QPainter& painter) : Brush(&m_brush), Font(&m_font), m_painter(painter) {
  m_font.OnChange = [this] { ApplyFont(); };
  ApplyFont();
}

TCanvas::~TCanvas() = default;

void TCanvas::ApplyFont() { m_painter.setFont(ToQFont(m_font)); }

void TCanvas::FillRect(const TRect& rect) { m_painter.fillRect(ToQRect(rect), ToQColor(m_brush.Color)); }

void TCanvas::DrawFocusRect(const TRect& rect) {
  m_painter.save();
  m_painter.setPen(QPen(ToQColor(m_font.Color()), 1, Qt::DotLine));
  m_painter.setBrush(Qt::NoBrush);
  m_painter.drawRect(ToQRect(rect).adjusted(0, 0, -1, -1));
  m_painter.restore();
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  QString shown = Q(text);
  QFontMetrics metrics(m_painter.font());
  QRect cell(x, y, metrics.horizontalAdvance(shown), metrics.height());
  m_painter.fillRect(cell, ToQColor(m_brush.Color));
  m_painter.setPen(ToQColor(m_font.Color()));
  m_painter.drawText(QPoint(x, y + metrics.ascent()), shown);
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text) {
  m_painter.save();
  m_painter.setClipRect(ToQRect(rect));
  FillRect(rect);
  QFontMetrics metrics(m_painter.font());
  m_painter.setPen(ToQColor(m_font.Color()));
  m_painter.drawText(QPoint(x, y + metrics.ascent()), Q(text));
  m_painter.restore();
}

int TCanvas::TextWidth(const std::string& text) {
  return QFontMetrics(m_painter.font()).horizontalAdvance(Q(text));
}

int TCanvas::TextHeight(const std::string& text) { return QFontMetrics(m_painter.font()).height(); }

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  const QImage& image = bitmap.Image();
  if (bitmap.Transparent)
    m_painter.drawImage(x, y, WithoutColour(image, image.rect(), bitmap.TransparentColor));
  else
    m_painter.drawImage(x, y, image);
}

void TCanvas::BrushCopy(const TRect& dest, const TBitmap& bitmap, const TRect& source, TColor transparentColor) {
  if (bitmap.Empty()) return;
  m_painter.drawImage(ToQRect(dest), WithoutColour(bitmap.Image(), ToQRect(source), transparentColor));
}
