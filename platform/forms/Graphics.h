#pragma once
// Fonts, brushes, bitmaps and the canvas that owner-drawn controls
// draw with. Texts are Shift-JIS; sizes and coordinates are pixels.

#include <functional>
#include <memory>
#include <string>

#include "platform/base/Exception.h"
#include "platform/forms/Types.h"

class QPainter;
class QImage;

// A font by face name (Shift-JIS), pixel size, weight, colour and character
// set. A control's font tells its control on every change.
class TFont {
 public:
  TFont();
  TFont(const TFont& other);
  TFont& operator=(const TFont& other);  // copies the values and tells the owner

  const std::string& Name() const { return m_name; }
  void SetName(const std::string& name);
  int Size() const { return m_size; }  // pixels
  void SetSize(int pixels);
  bool Bold() const { return m_bold; }
  void SetBold(bool bold);
  TColor Color() const { return m_color; }
  void SetColor(TColor color);
  int Charset() const { return m_charset; }
  void SetCharset(int charset);

  // Called after each change; set by the control that owns the font.
  std::function<void()> OnChange;

 private:
  void Changed();

  std::string m_name;
  int m_size = 12;
  bool m_bold = false;
  TColor m_color = clWindowText;
  int m_charset = DEFAULT_CHARSET;
};

struct TBrush {
  TColor Color = clWhite;
};

// A resource name with no picture behind it.
class EResNotFound : public Exception {
 public:
  using Exception::Exception;
};

// A picture, loaded from the project's own resources. Transparent with
// TransparentColor makes the pixels of that colour show what lies beneath.
class TBitmap {
 public:
  TBitmap();
  ~TBitmap();
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  // Loads the picture compiled in under the name (":/bitmaps/<name>.png",
  // or the resource path itself when name starts with ":/").
  // Throws EResNotFound when there is no such picture.
  void LoadFromResourceName(const std::string& name);
  bool Empty() const;
  int Width() const;
  int Height() const;

  bool Transparent = false;
  TColor TransparentColor = clRed;

  // Writes the picture as a PNG file (a Shift-JIS path); false when it
  // cannot be written.
  bool SaveToFile(const std::string& path) const;

  // The picture as Qt holds it; for platform/ only.
  const QImage& Image() const;

 private:
  std::unique_ptr<QImage> m_image;
};

// Where a control or a bitmap is drawn. The canvas of an owner-drawn row is
// handed to the form's handler with its colours already set for the row.
class TCanvas {
 public:
  // For platform/: draws with painter, which outlives the canvas.
  explicit TCanvas(QPainter& painter);
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TBrush* const Brush;
  TFont* const Font;

  void FillRect(const TRect& rect);  // with the brush colour
  void DrawFocusRect(const TRect& rect);
  // Text with its top-left corner at (x, y) on the brush colour.
  void TextOut(int x, int y, const std::string& text);
  // Like TextOut but clipped to rect, which is filled with the brush first.
  void TextRect(const TRect& rect, int x, int y, const std::string& text);
  int TextWidth(const std::string& text);
  int TextHeight(const std::string& text);
  // The bitmap at its own size, its transparent colour left out when it is Transparent.
  void Draw(int x, int y, const TBitmap& bitmap);
  // Copies source of the bitmap to dest, leaving out the pixels of transparentColor.
  void BrushCopy(const TRect& dest, const TBitmap& bitmap, const TRect& source, TColor transparentColor);

 private:
  void ApplyFont();

  QPainter& m_painter;
  TBrush m_brush;
  TFont m_font;
};
