#include "platform/forms/ExtCtrls.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QPainter>
#include <QRadioButton>
#include <QWidget>

#include "platform/forms/Bridge.h"
#include "platform/forms/KeptStrings.h"

using namespace platform::forms;

namespace {

// Two-tone edge of a sunken (lowered) or raised frame.
void DrawEdge(QPainter& painter, const QRect& r, bool lowered) {
  QColor dark = ToQColor(clBtnShadow);
  QColor light = ToQColor(clBtnHighlight);
  QColor topLeft = lowered ? dark : light;
  QColor bottomRight = lowered ? light : dark;
  painter.setPen(topLeft);
  painter.drawLine(r.left(), r.top(), r.right(), r.top());
  painter.drawLine(r.left(), r.top(), r.left(), r.bottom());
  painter.setPen(bottomRight);
  painter.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
  painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

}  // namespace

class BevelWidget : public Hooked<QWidget> {
 public:
  BevelWidget(TBevel* bevel, QWidget* parent) : Hooked<QWidget>(bevel, parent), m_bevel(bevel) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QRect r = rect();
    bool lowered = m_bevel->m_style == bsLowered;
    switch (m_bevel->m_shape) {
      case bsBox: DrawEdge(painter, r, lowered); break;
      case bsFrame:
        DrawEdge(painter, r.adjusted(0, 0, -1, -1), true);
        DrawEdge(painter, r.adjusted(1, 1, 0, 0), false);
        break;
      case bsTopLine: DrawEdge(painter, QRect(r.left(), r.top(), r.width(), 2), lowered); break;
      case bsBottomLine: DrawEdge(painter, QRect(r.left(), r.bottom() - 1, r.width(), 2), lowered); break;
    }
  }

 private:
  TBevel* m_bevel;
};

TBevel::TBevel(TWinControl* parent) : TControl(parent, new BevelWidget(this, ParentWidgetOf(parent))) {
  Widget()->lower();
}

void TBevel::SetShape(TBevelShape shape) {
  m_shape = shape;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle style) {
  m_style = style;
  Invalidate();
}

class ImageWidget : public Hooked<QWidget> {
 public:
  ImageWidget(TImage* image, QWidget* parent) : Hooked<QWidget>(image, parent), m_image(image) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    const TBitmap& picture = m_image->m_picture;
    if (picture.Empty()) return;
    QPainter painter(this);
    TCanvas canvas(painter);
    TRect all = Bounds(0, 0, picture.Width(), picture.Height());
    TRect target = all;
    if (m_image->m_stretch)
      target = Bounds(0, 0, width(), height());
    else if (m_image->m_center)
      target = Bounds((width() - picture.Width()) / 2, (height() - picture.Height()) / 2, picture.Width(),
                      picture.Height());
    if (picture.Transparent)
      canvas.BrushCopy(target, picture, all, picture.TransparentColor);
    else
      painter.drawImage(ToQRect(target), picture.Image());
  }

 private:
  TImage* m_image;
};

TImage::TImage(TWinControl* parent)
    : TControl(parent, new ImageWidget(this, ParentWidgetOf(parent))), Picture(&m_picture) {}

void TImage::LoadFromResourceName(const std::string& name) {
  m_picture.LoadFromResourceName(name);
  Invalidate();
}

void TImage::SetCenter(bool center) {
  m_center = center;
  Invalidate();
}

void TImage::SetStretch(bool stretch) {
  m_stretch = stretch;
  Invalidate();
}

class RadioItems : public KeptStrings {
 public:
  explicit RadioItems(TRadioGroup* group) : m_group(group) {}

 protected:
  void Replaced(int, const std::string&) override { m_group->Rebuild(); }
  void Inserted(int, const std::string&) override { m_group->Rebuild(); }
  void Deleted(int) override { m_group->Rebuild(); }
  void Cleared() override { m_group->Rebuild(); }
  void Appended(const std::vector<std::string>&) override { m_group->Rebuild(); }

 private:
  TRadioGroup* m_group;
};

TRadioGroup::TRadioGroup(TWinControl* parent)
    : TWinControl(parent, new Hooked<QGroupBox>(this, ParentWidgetOf(parent))),
      Items(new RadioItems(this)),
      m_items(Items) {
  new QGridLayout(Widget());
}

TRadioGroup::~TRadioGroup() = default;

void TRadioGroup::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  static_cast<QGroupBox*>(Widget())->setTitle(Q(caption));
}

void TRadioGroup::SetColumns(int columns) {
  m_columns = std::max(columns, 1);
  Rebuild();
}

void TRadioGroup::SetItemIndex(int index) {
  if (index < -1 || index >= Items->Count()) index = -1;
  if (index == m_itemIndex) return;
  m_itemIndex = index;
  QList<QRadioButton*> buttons = Widget()->findChildren<QRadioButton*>();
  for (int i = 0; i < buttons.size(); ++i) buttons[i]->setChecked(i == index);
  TControl::Click();
}

// Items fill the columns top to bottom, as the class library lays them out.
void TRadioGroup::Rebuild() {
  auto* grid = static_cast<QGridLayout*>(Widget()->layout());
  for (QRadioButton* button : Widget()->findChildren<QRadioButton*>()) delete button;
  int count = Items->Count();
  int rows = (count + m_columns - 1) / m_columns;
  for (int i = 0; i < count; ++i) {
    auto* button = new QRadioButton(Q(Items->Strings(i)), Widget());
    button->setAutoExclusive(false);
    button->setChecked(i == m_itemIndex);
    QObject::connect(button, &QRadioButton::clicked, [this, i] {
      SetItemIndex(i);
      Widget()->findChildren<QRadioButton*>()[i]->setChecked(true);
    });
    grid->addWidget(button, rows ? i % rows : 0, rows ? i / rows : 0);
  }
  if (m_itemIndex >= count) m_itemIndex = -1;
}
