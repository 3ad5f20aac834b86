// TThreadTimer: ticks as WM_TIMER on its hidden window, arming rules and
// what happens to a handler's exception.

#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/RaisedMessage.h"
#include "tests/transport/PsockServer.h"
#include "transport/Psock.h"

namespace {

class ThreadTimerTest : public ::testing::Test {
 protected:
  void TearDown() override { SetApplicationExceptionHandler(nullptr); }

  void SendTick() { SendMessage(timer.TimerWindow, WM_TIMER, 1, 0); }

  TThreadTimer timer{nullptr};
  int ticks = 0;
};

TEST_F(ThreadTimerTest, TicksRepeatedlyOnceItHasAHandler) {
  timer.SetInterval(10);
  timer.SetOnTimer([&](TObject* sender) {
    EXPECT_EQ(sender, &timer);
    ++ticks;
  });
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
}

TEST_F(ThreadTimerTest, DisablingStopsTheTicks) {
  timer.SetInterval(10);
  timer.SetOnTimer([&](TObject*) {
    ++ticks;
    timer.SetEnabled(false);
  });
  ASSERT_TRUE(PumpUntil([&] { return ticks == 1; }));
  for (int pass = 0; pass < 30; ++pass) {
    Sleep(1);
    ProcessMessages();
  }
  EXPECT_EQ(ticks, 1);
}

TEST_F(ThreadTimerTest, TickWithoutHandlerDoesNothing) {
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  SendTick();
  ASSERT_EQ(ticks, 1);
  timer.SetOnTimer(nullptr);
  SendTick();
  EXPECT_EQ(ticks, 1);
}

// Whether window timer 1 runs, stopping it: KillTimer says whether it did.
bool WasArmed(TThreadTimer& timer) { return KillTimer(timer.TimerWindow, 1); }

// It runs only while enabled, with an interval and a handler; setting a
// property to the value it has re-arms nothing, a new value or any handler
// re-arms. Each step starts from a timer stopped behind its back.
TEST_F(ThreadTimerTest, ArmsOnlyWhenAChangeLetsItRun) {
  TNotifyEvent handler = [&](TObject*) { ++ticks; };
  const std::vector<std::tuple<const char*, std::function<void()>, bool>> steps = {
      {"no handler yet", [] {}, false},
      {"a handler", [&] { timer.SetOnTimer(handler); }, true},
      {"the same enabled state", [&] { timer.SetEnabled(true); }, false},
      {"the same interval", [&] { timer.SetInterval(1000); }, false},
      {"a new interval", [&] { timer.SetInterval(500); }, true},
      {"the same handler again", [&] { timer.SetOnTimer(handler); }, true},
      {"off and on", [&] { timer.SetEnabled(false), timer.SetEnabled(true); }, true},
      {"interval 0", [&] { timer.SetInterval(0); }, false},
      {"an interval again", [&] { timer.SetInterval(20); }, true},
      {"disabled", [&] { timer.SetEnabled(false); }, false},
  };
  for (const auto& [step, action, armed] : steps) {
    action();
    EXPECT_EQ(WasArmed(timer), armed) << step;
  }
}

TEST_F(ThreadTimerTest, TimerTheSystemRefusesRaisesNoTimer) {
  DestroyWindow(timer.TimerWindow);  // no window, no window timer
  EXPECT_EQ(RaisedMessage<Exception>([&] { timer.SetOnTimer([](TObject*) {}); }), "No Timer");
}

TEST_F(ThreadTimerTest, HandlerExceptionGoesToTheApplicationHandler) {
  std::string shown;
  SetApplicationExceptionHandler([&](std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const Exception& e) {
      shown = e.Message;
    }
  });
  timer.SetEnabled(false);
  timer.SetOnTimer([](TObject*) { throw Exception("tick failed"); });
  SendTick();
  EXPECT_EQ(shown, "tick failed");
}

TEST_F(ThreadTimerTest, DestroyingTheTimerDestroysItsWindow) {
  HWND window;
  {
    TThreadTimer other(nullptr);
    window = other.TimerWindow;
  }
  EXPECT_FALSE(IsWindow(window));
}

}  // namespace
