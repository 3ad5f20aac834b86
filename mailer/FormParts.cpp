#include "mailer/FormParts.h"

#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

namespace {
constexpr int kFrame = 4;
constexpr int kCaptionBar = 19;
constexpr int kMenuBar = 20;
constexpr int kButtonHeight = 25;
}  // namespace

void SetFramedSize(TForm* form, int width, int height) {
  form->SetClientWidth(width - 2 * kFrame);
  form->SetClientHeight(height - 2 * kFrame - kCaptionBar - (form->Menu() ? kMenuBar : 0));
}

TLabel* AddLabel(TWinControl* parent, const char* name, const char* caption, int left, int top,
                 LabelFont font) {
  TLabel* label = Create<TLabel>(parent);
  label->SetName(name);
  if (font == LabelFont::Heading) {
    label->Font->SetSize(16);
    label->Font->SetBold(true);
  }
  label->SetCaption(caption);
  label->SetBounds(left, top, 0, 0);  // then fitted to its caption
  return label;
}

TEdit* AddEdit(TWinControl* parent, const char* name, int left, int top, int width, int height) {
  TEdit* edit = Create<TEdit>(parent);
  edit->SetName(name);
  edit->SetBounds(left, top, width, height);
  return edit;
}

TButton* AddButton(TWinControl* parent, const char* name, const char* caption, int left, int top,
                   int width, TModalResult result) {
  TButton* button = Create<TButton>(parent);
  button->SetName(name);
  button->SetCaption(caption);
  button->SetBounds(left, top, width, kButtonHeight);
  button->SetModalResult(result);
  return button;
}
