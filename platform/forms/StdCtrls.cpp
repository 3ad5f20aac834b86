#include "platform/forms/StdCtrls.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethod>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/forms/Bridge.h"
#include "platform/forms/Forms.h"
#include "platform/text/ShiftJis.h"

using namespace platform::forms;

namespace {

Qt::Alignment ToQtAlignment(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify: return Qt::AlignRight | Qt::AlignVCenter;
    case taCenter: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

QLabel* LabelOf(const TControl* control) { return static_cast<QLabel*>(control->Widget()); }

// With AutoSize a label keeps its left edge and takes the size of its text.
void FitLabel(const TControl* control, bool autoSize) {
  if (autoSize) control->Widget()->resize(LabelOf(control)->sizeHint());
}

}  // namespace

TLabel::TLabel(TWinControl* parent) : TControl(parent, new Hooked<QLabel>(this, ParentWidgetOf(parent))) {
  LabelOf(this)->setTextFormat(Qt::PlainText);
  FitText();
}

void TLabel::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  LabelOf(this)->setText(Q(caption));
  FitText();
}

void TLabel::SetBounds(int left, int top, int width, int height) {
  TControl::SetBounds(left, top, width, height);
  FitText();
}

void TLabel::SetAutoSize(bool autoSize) {
  m_autoSize = autoSize;
  FitText();
}

void TLabel::SetAlignment(TAlignment alignment) {
  m_alignment = alignment;
  LabelOf(this)->setAlignment(ToQtAlignment(alignment));
}

void TLabel::SetTransparent(bool transparent) {
  m_transparent = transparent;
  Widget()->setAutoFillBackground(!transparent);
}

void TLabel::FontChanged() { FitText(); }

// A right-aligned label that sizes itself grows and shrinks to the left, as
// the class library's does, so that its text ends where it always did.
void TLabel::FitText() {
  const int right = Left() + Width();
  FitLabel(this, m_autoSize);
  if (m_autoSize && m_alignment == taRightJustify) Widget()->move(right - Width(), Top());
}

TStaticText::TStaticText(TWinControl* parent)
    : TWinControl(parent, new Hooked<QLabel>(this, ParentWidgetOf(parent))) {
  LabelOf(this)->setTextFormat(Qt::PlainText);
}

void TStaticText::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  LabelOf(this)->setText(Q(caption));
  FitText();
}

void TStaticText::SetAutoSize(bool autoSize) {
  m_autoSize = autoSize;
  FitText();
}

void TStaticText::SetAlignment(TAlignment alignment) {
  m_alignment = alignment;
  LabelOf(this)->setAlignment(ToQtAlignment(alignment));
}

void TStaticText::SetBorderStyle(TStaticBorderStyle style) {
  m_borderStyle = style;
  QLabel* label = LabelOf(this);
  switch (style) {
    case sbsSingle: label->setFrameStyle(QFrame::Box | QFrame::Plain); break;
    case sbsSunken: label->setFrameStyle(QFrame::Panel | QFrame::Sunken); break;
    default: label->setFrameStyle(QFrame::NoFrame); break;
  }
  label->setLineWidth(1);
}

void TStaticText::FontChanged() {
  TWinControl::FontChanged();
  FitText();
}

void TStaticText::FitText() { FitLabel(this, m_autoSize); }

TButton::TButton(TWinControl* parent)
    : TWinControl(parent, new Hooked<QPushButton>(this, ParentWidgetOf(parent))) {
  auto* button = static_cast<QPushButton*>(Widget());
  button->setAutoDefault(false);
  QObject::connect(button, &QPushButton::clicked, [this] { Click(); });
}

void TButton::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  static_cast<QPushButton*>(Widget())->setText(Q(caption));
}

void TButton::SetDefault(bool isDefault) {
  m_default = isDefault;
  static_cast<QPushButton*>(Widget())->setDefault(isDefault);
}

void TButton::Click() {
  if (!Enabled()) return;
  if (m_modalResult != mrNone)
    if (TForm* form = GetParentForm(this)) form->SetModalResult(m_modalResult);
  TControl::Click();
}

TCheckBox::TCheckBox(TWinControl* parent)
    : TWinControl(parent, new Hooked<QCheckBox>(this, ParentWidgetOf(parent))) {
  QObject::connect(static_cast<QCheckBox*>(Widget()), &QCheckBox::clicked, [this] { TControl::Click(); });
}

void TCheckBox::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  static_cast<QCheckBox*>(Widget())->setText(Q(caption));
}

bool TCheckBox::Checked() const { return static_cast<QCheckBox*>(Widget())->isChecked(); }

void TCheckBox::SetChecked(bool checked) {
  if (checked == Checked()) return;
  static_cast<QCheckBox*>(Widget())->setChecked(checked);
  Click();
}

void TCustomEdit::Changed() {
  RunEvent(OnChange, this);
}

void TCustomEdit::FocusChanged(bool gained) {
  if (gained && m_imeMode == imOpen) QGuiApplication::inputMethod()->show();
  TWinControl::FocusChanged(gained);
}

namespace {

QLineEdit* LineOf(const TEdit* edit) { return static_cast<QLineEdit*>(edit->Widget()); }

}  // namespace

TEdit::TEdit(TWinControl* parent) : TCustomEdit(parent, new Hooked<QLineEdit>(this, ParentWidgetOf(parent))) {
  QLineEdit* line = LineOf(this);
  QObject::connect(line, &QLineEdit::textEdited, [this](const QString&) {
    // A typed text longer than MaxLength bytes is cut at a character boundary.
    if (m_maxLength <= 0) return;
    std::string text = Caption();
    if (static_cast<int>(text.size()) > m_maxLength)
      LineOf(this)->setText(Q(text.substr(0, platform::SjisPrefixLength(text, m_maxLength))));
  });
  QObject::connect(line, &QLineEdit::textChanged, [this](const QString&) { Changed(); });
}

std::string TEdit::Caption() const { return S(LineOf(this)->text()); }
void TEdit::SetCaption(const std::string& text) { LineOf(this)->setText(Q(text)); }
void TEdit::SetMaxLength(int bytes) { m_maxLength = bytes; }
bool TEdit::ReadOnly() const { return LineOf(this)->isReadOnly(); }
void TEdit::SetReadOnly(bool readOnly) { LineOf(this)->setReadOnly(readOnly); }

int TEdit::SelStart() const {
  QLineEdit* line = LineOf(this);
  return line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
}

int TEdit::SelLength() const { return LineOf(this)->selectionLength(); }
void TEdit::SetSelStart(int start) { LineOf(this)->setCursorPosition(start); }
void TEdit::SetSelLength(int length) { LineOf(this)->setSelection(SelStart(), length); }
std::string TEdit::SelText() const { return S(LineOf(this)->selectedText()); }
void TEdit::SetSelText(const std::string& text) { LineOf(this)->insert(Q(text)); }
void TEdit::SelectAll() { LineOf(this)->selectAll(); }
void TEdit::CopyToClipboard() { LineOf(this)->copy(); }
void TEdit::CutToClipboard() { LineOf(this)->cut(); }
void TEdit::PasteFromClipboard() { LineOf(this)->paste(); }
