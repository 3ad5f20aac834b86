#pragma once
// The clock of a socket component's time-out, moved by the test instead of
// the wall: the time-out keeps its real period (a minute, minutes), its
// window timer is stopped behind its back whenever the clock looks, and the
// clock delivers the tick itself once the time let pass since the time-out
// was last armed reaches that period. So a test lets minutes pass at once,
// and no outcome depends on how fast the machine is.

#include <string>

#include "platform/messages/Messages.h"
#include "tests/transport/PsockServer.h"
#include "transport/Psock.h"

class TimeOutClock {
 public:
  explicit TimeOutClock(TPowersock& sock) : m_sock(sock) {}
  ~TimeOutClock() { m_sock.OnStatus = nullptr; }
  TimeOutClock(const TimeOutClock&) = delete;
  TimeOutClock& operator=(const TimeOutClock&) = delete;

  // Lets milliseconds pass; true when that ended the time-out. A time-out
  // armed again since the clock last looked (started anew, or restarted by
  // progress) counts from now.
  bool Pass(int milliseconds) {
    if (KillTimer(m_sock.Timer->TimerWindow, 1)) m_elapsed = 0;
    const UINT period = m_sock.Timer->Interval();
    if (!m_sock.Timer->Enabled() || period == 0) return false;
    m_elapsed += static_cast<UINT>(milliseconds);
    if (m_elapsed < period) return false;
    SendMessage(m_sock.Timer->TimerWindow, WM_TIMER, 1, 0);
    return m_ranOut = true;
  }

  // Lets milliseconds pass inside the component's next wait, from the
  // message queue as a real tick would come. A wait already cancelled has
  // ended by then; one that no time-out ends within that time is given up
  // (cancelled, as a user would), so that a test of a missing bound ends.
  void PassInNextWait(int milliseconds) {
    RunSoon([this, milliseconds] {
      if (!m_sock.Canceled && !Pass(milliseconds)) m_sock.Cancel();
    });
  }

  // As PassInNextWait, in the wait that follows the occurrence-th report of
  // status (the component is made to report at level 8).
  void PassAtStatus(const std::string& status, int occurrence, int milliseconds) {
    m_sock.ReportLevel = 8;
    m_sock.OnStatus = [this, status, occurrence, milliseconds, seen = 0](TComponent*,
                                                                       const std::string& reported) mutable {
      if (reported == status && ++seen == occurrence) PassInNextWait(milliseconds);
    };
  }

  // A time-out has ended a wait.
  bool RanOut() const { return m_ranOut; }

 private:
  TPowersock& m_sock;
  UINT m_elapsed = 0;
  bool m_ranOut = false;
};
