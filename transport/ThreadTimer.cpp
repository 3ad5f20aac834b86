// TThreadTimer: a window timer on a hidden window of its own.

#include "transport/Psock.h"
#include "transport/PsockWindow.h"

namespace {

constexpr const char* kTimerWindowClass = "TmrWindowClass";
constexpr UINT_PTR kTimerId = 1;

LRESULT TimerWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* timer = reinterpret_cast<TThreadTimer*>(GetWindowLongPtr(window, 0));
  if (!timer) return DefWindowProc(window, msg, wParam, lParam);
  TMessage message{msg, wParam, lParam, 0};
  if (msg == WM_ACTIVATEAPP) return 0;
  timer->WndProc(message);
  return message.Result;
}

}  // namespace

TThreadTimer::TThreadTimer(TComponent* AOwner) : TComponent(AOwner) {
  TimerWindow = AllocateTimerWindow(this);
}

TThreadTimer::~TThreadTimer() {
  TComponent::Destroying();
  m_enabled = false;
  UpdateTimer();
  DestroyWindow(TimerWindow);
}

void TThreadTimer::SetEnabled(bool value) {
  if (value == m_enabled) return;
  m_enabled = value;
  UpdateTimer();
}

void TThreadTimer::SetInterval(UINT value) {
  if (value == m_interval) return;
  m_interval = value;
  UpdateTimer();
}

void TThreadTimer::SetOnTimer(TNotifyEvent handler) {
  m_onTimer = std::move(handler);
  UpdateTimer();
}

void TThreadTimer::Timer() {
  if (m_onTimer) m_onTimer(this);
}

void TThreadTimer::WndProc(TMessage& message) {
  if (message.Msg != WM_TIMER) {
    message.Result = DefWindowProc(TimerWindow, message.Msg, message.WParam, message.LParam);
    return;
  }
  try {
    Timer();
  } catch (...) {
    HandleApplicationException(std::current_exception());
  }
}

HWND TThreadTimer::AllocateTimerWindow(TThreadTimer* timer) {
  return AllocateOwnedWindow(kTimerWindowClass, TimerWindowProc, timer);
}

void TThreadTimer::UpdateTimer() {
  KillTimer(TimerWindow, kTimerId);
  if (m_interval == 0 || !m_enabled || !m_onTimer) return;
  if (SetTimer(TimerWindow, kTimerId, m_interval, nullptr) == 0) throw Exception("No Timer");
}
