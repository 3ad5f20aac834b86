// Hidden windows, posted messages, window timers and the message pump.

#include "platform/messages/Messages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <exception>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Delivery {
  HWND window;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

// What the test windows' procedure saw; slot 0 holds the recorder.
struct Recorder {
  std::vector<Delivery> deliveries;
  std::function<void(UINT)> onMessage;
};

LRESULT RecordingProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* recorder = reinterpret_cast<Recorder*>(GetWindowLongPtr(window, 0));
  if (!recorder) return DefWindowProc(window, msg, wParam, lParam);
  recorder->deliveries.push_back({window, msg, wParam, lParam});
  if (recorder->onMessage) recorder->onMessage(msg);
  return 0;
}

constexpr const char* kClass = "MessagesTestWindow";

class MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASS windowClass{0, RecordingProc, 0, sizeof(LONG_PTR), HInstance, kClass};
    RegisterClass(windowClass);
    window = NewWindow(recorder);
  }
  void TearDown() override {
    DestroyWindow(window);
    SetApplicationExceptionHandler(nullptr);
  }

  static HWND NewWindow(Recorder& owner) {
    HWND created = CreateWindowEx(WS_EX_TOOLWINDOW, kClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  HInstance, nullptr);
    SetWindowLongPtr(created, 0, reinterpret_cast<LONG_PTR>(&owner));
    return created;
  }

  // Pumps until done() holds, for at most some thousands of passes.
  static bool PumpUntil(const std::function<bool()>& done) {
    for (int pass = 0; pass < 5000 && !done(); ++pass) {
      Sleep(1);
      ProcessMessages();
    }
    return done();
  }

  // Installs an application handler that keeps the message it is handed in shown.
  void RecordShownExceptions() {
    SetApplicationExceptionHandler([this](std::exception_ptr error) {
      try {
        std::rethrow_exception(error);
      } catch (const std::exception& e) {
        shown = e.what();
      }
    });
  }

  Recorder recorder;
  HWND window = nullptr;
  std::string shown;  // what the application handler was handed last
};

TEST_F(MessagesTest, PostedMessagesArriveInOrderWithTheirParameters) {
  PostMessage(window, WM_USER + 1, 10, -20);
  PostMessage(window, WM_USER + 2, 30, 40);
  EXPECT_TRUE(recorder.deliveries.empty());
  ProcessMessages();
  ASSERT_EQ(recorder.deliveries.size(), 2u);
  EXPECT_EQ(recorder.deliveries[0].msg, WM_USER + 1);
  EXPECT_EQ(recorder.deliveries[0].wParam, 10u);
  EXPECT_EQ(recorder.deliveries[0].lParam, -20);
  EXPECT_EQ(recorder.deliveries[1].msg, WM_USER + 2);
}

TEST_F(MessagesTest, MessagesPostedWhileHandlingAreHandledInTheSamePump) {
  int remaining = 5;
  recorder.onMessage = [&](UINT) {
    if (--remaining > 0) PostMessage(window, WM_USER, 0, 0);
  };
  PostMessage(window, WM_USER, 0, 0);
  ProcessMessages();
  EXPECT_EQ(recorder.deliveries.size(), 5u);
}

TEST_F(MessagesTest, MessageToADestroyedWindowIsDropped) {
  Recorder other;
  HWND doomed = NewWindow(other);
  PostMessage(doomed, WM_USER, 0, 0);
  DestroyWindow(doomed);
  ProcessMessages();
  EXPECT_TRUE(other.deliveries.empty());
  EXPECT_FALSE(PostMessage(doomed, WM_USER, 0, 0));
  EXPECT_FALSE(IsWindow(doomed));
}

TEST_F(MessagesTest, MessagePostedFromAnotherThreadArrivesOnThisOne) {
  const auto guiThread = std::this_thread::get_id();
  std::thread::id handledOn;
  recorder.onMessage = [&](UINT) { handledOn = std::this_thread::get_id(); };
  std::thread([this] { PostMessage(window, WM_USER, 7, 0); }).join();
  ProcessMessages();
  ASSERT_EQ(recorder.deliveries.size(), 1u);
  EXPECT_EQ(handledOn, guiThread);
}

// How long Sleep(milliseconds) took on this thread.
std::chrono::milliseconds TimedSleep(DWORD milliseconds) {
  const auto start = std::chrono::steady_clock::now();
  Sleep(milliseconds);
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

TEST_F(MessagesTest, SleepWithNothingToDoLastsItsTime) {
  EXPECT_GE(TimedSleep(30).count(), 30);
}

TEST_F(MessagesTest, SleepEndsAtOnceWhileAMessageIsQueuedAndDeliversNothing) {
  PostMessage(window, WM_USER, 0, 0);
  EXPECT_LT(TimedSleep(2000).count(), 1000);
  EXPECT_TRUE(recorder.deliveries.empty());
  ProcessMessages();
  EXPECT_EQ(recorder.deliveries.size(), 1u);
}

TEST_F(MessagesTest, SleepEndsWhenAnotherThreadPostsAMessage) {
  std::thread poster([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PostMessage(window, WM_USER, 0, 0);
  });
  const auto slept = TimedSleep(2000);
  poster.join();
  EXPECT_LT(slept.count(), 1000);
  ProcessMessages();
  EXPECT_EQ(recorder.deliveries.size(), 1u);
}

TEST_F(MessagesTest, SleepEndsAtOnceWhenTheWatcherHasWorkWaiting) {
  SetSleepWatcher([](std::vector<WatchedDescriptor>&) { return true; });
  const auto slept = TimedSleep(2000);
  SetSleepWatcher(nullptr);
  EXPECT_LT(slept.count(), 1000);
  EXPECT_GE(TimedSleep(30).count(), 30);
}

TEST_F(MessagesTest, SendMessageCallsTheProcedureAtOnce) {
  SendMessage(window, WM_USER + 3, 1, 2);
  ASSERT_EQ(recorder.deliveries.size(), 1u);
  EXPECT_EQ(recorder.deliveries[0].msg, WM_USER + 3);
}

TEST_F(MessagesTest, ExceptionFromAProcedureGoesToTheApplicationHandler) {
  RecordShownExceptions();
  recorder.onMessage = [](UINT) { throw std::runtime_error("handler failed"); };
  PostMessage(window, WM_USER, 0, 0);
  EXPECT_NO_THROW(ProcessMessages());
  EXPECT_EQ(shown, "handler failed");
}

// A transport wait pumps messages inside a handler; a failing handler run by
// that inner pump must not unwind the wait.
TEST_F(MessagesTest, ExceptionInsideANestedPumpIsShownThereAndTheWaitGoesOn) {
  RecordShownExceptions();
  bool waitResumed = false;
  recorder.onMessage = [&](UINT msg) {
    if (msg == WM_USER + 1) throw std::runtime_error("inner handler failed");
    PostMessage(window, WM_USER + 1, 0, 0);
    ProcessMessages();
    waitResumed = shown == "inner handler failed";
  };
  PostMessage(window, WM_USER, 0, 0);
  EXPECT_NO_THROW(ProcessMessages());
  EXPECT_TRUE(waitResumed);
}

TEST_F(MessagesTest, TimerDeliversWmTimerWithItsIdUntilKilled) {
  recorder.onMessage = [&](UINT msg) {
    if (msg == WM_TIMER) KillTimer(window, 7);
  };
  ASSERT_EQ(SetTimer(window, 7, 5, nullptr), 7u);
  ASSERT_TRUE(PumpUntil([&] { return !recorder.deliveries.empty(); }));
  EXPECT_EQ(recorder.deliveries[0].msg, WM_TIMER);
  EXPECT_EQ(recorder.deliveries[0].wParam, 7u);
  EXPECT_FALSE(KillTimer(window, 7));
}

TEST_F(MessagesTest, DestroyingAWindowStopsItsTimers) {
  Recorder other;
  HWND timed = NewWindow(other);
  ASSERT_NE(SetTimer(timed, 1, 5, nullptr), 0u);
  DestroyWindow(timed);
  EXPECT_FALSE(KillTimer(timed, 1));
  EXPECT_EQ(SetTimer(timed, 1, 5, nullptr), 0u);
}

class WindowClassTest : public MessagesTest {};

TEST_F(WindowClassTest, ClassIsRegisteredOnceForTheInstance) {
  WNDCLASS again{0, RecordingProc, 0, sizeof(LONG_PTR), HInstance, kClass};
  EXPECT_EQ(RegisterClass(again), 0);
  WNDCLASS found{};
  EXPECT_TRUE(GetClassInfo(HInstance, kClass, &found));
  EXPECT_EQ(found.lpfnWndProc, &RecordingProc);
  EXPECT_FALSE(GetClassInfo(HInstance, "NoSuchClass", nullptr));
}

TEST_F(WindowClassTest, UnknownClassMakesNoWindow) {
  EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, HInstance, nullptr),
            nullptr);
}

}  // namespace
