#pragma once
// The common controls: the rich edit (Memo.h), the status bar and the
// animation control.

#include <memory>
#include <string>

#include "platform/forms/Controls.h"
#include "platform/forms/Memo.h"

// A bar along the bottom of its parent, across its whole width, showing
// one simple panel.
class TStatusBar : public TWinControl {
 public:
  explicit TStatusBar(TWinControl* parent);
  ~TStatusBar() override;
  std::string ClassName() const override { return "TStatusBar"; }
  bool SimplePanel() const { return m_simplePanel; }
  void SetSimplePanel(bool simple) { m_simplePanel = simple; }
  const std::string& SimpleText() const { return m_simpleText; }
  void SetSimpleText(const std::string& text);

 private:
  class Docking;
  std::unique_ptr<Docking> m_docking;
  bool m_simplePanel = true;
  std::string m_simpleText;
};

enum TCommonAVI { aviNone, aviCopyFile };

// Plays a short animation in a loop while Active: for aviCopyFile a sheet of
// paper flying from one folder to another, a film strip of the resources
// that the build draws (tools/MakeCopyAnimation.cpp).
class TAnimate : public TWinControl {
 public:
  explicit TAnimate(TWinControl* parent);
  ~TAnimate() override;
  std::string ClassName() const override { return "TAnimate"; }
  TCommonAVI CommonAVI() const { return m_commonAvi; }
  void SetCommonAVI(TCommonAVI avi);
  bool Active() const;
  void SetActive(bool active);
  int FrameCount() const { return kFrameCount; }
  int CurrentFrame() const { return m_frame; }

 private:
  friend class AnimationWidget;
  static constexpr int kFrameCount = 16;
  void NextFrame();

  TCommonAVI m_commonAvi = aviNone;
  int m_frame = 0;
};
