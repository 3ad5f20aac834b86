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

TButton* PlaceButton(TWinControl* parent, const char* name, const char* caption, int left, int top,
                     int width, TModalResult result) {
  TButton* button = Place<TButton>(parent, name, Bounds(left, top, width, kButtonHeight), caption);
  button->SetModalResult(result);
  return button;
}
