#pragma once
// A captioned frame that holds other controls; their positions are taken
// from the frame's top-left corner, its caption included.

#include <string>

#include "platform/forms/Controls.h"

class TGroupBox : public TWinControl {
 public:
  explicit TGroupBox(TWinControl* parent);
  std::string ClassName() const override { return "TGroupBox"; }
  void SetCaption(const std::string& caption) override;
};
