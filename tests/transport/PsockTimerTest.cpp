// TThreadTimer: ticks as WM_TIMER on its hidden window, arming rules and
// what happens to a handler's exception.

#include <gtest/gtest.h>

#include <exception>
#include <string>

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
  SendTick();
  EXPECT_EQ(ticks, 0);
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
