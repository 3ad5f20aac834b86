#pragma once
// The small window shown while a long file operation works (automatic
// sorting, the importers): nothing but the copy-file animation, playing from
// the start. The operation makes it, shows it modeless and destroys it when
// it ends.

#include "platform/forms/Forms.h"

class TAnimate;

class ProgressWindow : public TForm {
 public:
  // owner: the main window.
  explicit ProgressWindow(TComponent* owner);
  ~ProgressWindow() override;

  TAnimate* Animate1;

 private:
  void BuildForm();
  void BuildAnimation();
};
