#include "browser/common/Heading.h"

#include "platform/forms/StdCtrls.h"

TLabel* PlaceHeading(TWinControl* parent, const char* name, const char* caption, int left, int top) {
  TLabel* label = Place<TLabel>(parent, name, Bounds(left, top, 0, 0), caption);
  label->Font->SetSize(16);
  label->Font->SetBold(true);
  return label;
}
