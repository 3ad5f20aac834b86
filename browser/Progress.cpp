#include "browser/Progress.h"

#include "platform/forms/ComCtrls.h"

namespace {

// The size of the copy-file animation's frames.
constexpr int kAnimationWidth = 272;
constexpr int kAnimationHeight = 60;
constexpr int kWindowWidth = 300;
constexpr int kWindowHeight = 150;

}  // namespace

ProgressWindow::ProgressWindow(TComponent* owner) : TForm(owner) {
  BuildForm();
  BuildAnimation();
}

ProgressWindow::~ProgressWindow() { DestroyComponents(); }

// A fixed window without close box: the operation alone ends it.
void ProgressWindow::BuildForm() {
  SetName("ProgressWindow");
  SetBorderStyle(bsDialog);
  SetBorderIcons(0);
  SetPosition(poScreenCenter);
  SetWidth(kWindowWidth);
  SetHeight(kWindowHeight);
}

void ProgressWindow::BuildAnimation() {
  Animate1 = Place<TAnimate>(this, "Animate1",
                             Bounds((kWindowWidth - kAnimationWidth) / 2, (kWindowHeight - kAnimationHeight) / 2,
                                    kAnimationWidth, kAnimationHeight));
  Animate1->SetCommonAVI(aviCopyFile);
  Animate1->SetActive(true);
}
