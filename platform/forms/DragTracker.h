#pragma once
// The class library's drag of a control: while it lasts, the pointer's
// moves go to the control under it as drag-over, the release becomes the
// drop (when that control accepted) and then the source's end of drag.
// Only platform/forms includes this.

#include <QObject>
#include <QPoint>

#include "platform/forms/Controls.h"

namespace platform::forms {

class DragTracker : public QObject {
 public:
  // Starts a drag of source; without immediate it starts once the pointer
  // has moved a few pixels with the button held.
  static void Begin(TControl* source, bool immediate);
  static TControl* Source();
  // A drag of control is armed (its button is held) or under way.
  static bool Holds(const TControl* control);
  // A control is going away: a drag that involves it ends silently.
  static void Forget(TControl* control);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static DragTracker& Instance();
  void MoveTo(const QPoint& global);
  void Finish(bool drop);
  void SetCursor(bool accepted);
  void Reset();

  TControl* m_source = nullptr;
  TControl* m_target = nullptr;
  bool m_accepted = false;
  bool m_started = false;
  QPoint m_pressAt;
  QPoint m_lastAt;
};

// The control under a point of the screen, or nullptr.
TControl* ControlAt(const QPoint& global);

}  // namespace platform::forms
