// Windows, posted messages and timers on the Qt event loop. One dispatcher
// object on the GUI thread receives every posted message as a Qt event and
// every window timer as a Qt timer, and looks the window up by its handle at
// delivery time, so nothing is ever delivered to a window that is gone.

#include "platform/messages/Messages.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>
#include <QTimerEvent>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Window {
  WNDPROC procedure;
  std::vector<char> extraBytes;
};

struct WindowTimer {
  HWND window;
  UINT_PTR id;
};

const QEvent::Type kPostedMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// Posted messages not yet delivered (or discarded), so that ProcessMessages
// can run until the queue is empty, as the class library's does.
std::atomic<int> g_queuedMessages{0};

class PostedMessage : public QEvent {
 public:
  PostedMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
      : QEvent(kPostedMessageEvent), window(window), msg(msg), wParam(wParam), lParam(lParam) {
    ++g_queuedMessages;
  }
  ~PostedMessage() override { --g_queuedMessages; }
  HWND window;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

// The process's windows, classes and timers. Windows and timers belong to
// the GUI thread; the mutex lets PostMessage check a handle from any thread.
struct WindowTable {
  std::mutex mutex;
  std::map<std::string, WNDCLASS> classes;
  std::map<HWND, Window> windows;
  std::map<int, WindowTimer> timers;  // by Qt timer id
  std::uintptr_t lastHandle = 0;
  std::function<void(std::exception_ptr)> exceptionHandler;
  SleepWatcher sleepWatcher;
  // Written by PostMessage, so that a Sleep on the GUI thread wakes for it.
  int wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
};

// Never destroyed: a worker thread may still post while the process exits.
WindowTable& Table() {
  static auto* table = new WindowTable;
  return *table;
}

LRESULT CallProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC procedure;
  {
    std::lock_guard lock(Table().mutex);
    auto found = Table().windows.find(window);
    if (found == Table().windows.end()) return 0;
    procedure = found->second.procedure;
  }
  try {
    return procedure(window, msg, wParam, lParam);
  } catch (...) {
    HandleApplicationException(std::current_exception());
    return 0;
  }
}

class Dispatcher : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() != kPostedMessageEvent) return QObject::event(event);
    auto* posted = static_cast<PostedMessage*>(event);
    CallProcedure(posted->window, posted->msg, posted->wParam, posted->lParam);
    return true;
  }

 protected:
  void timerEvent(QTimerEvent* event) override {
    WindowTimer timer;
    {
      std::lock_guard lock(Table().mutex);
      auto found = Table().timers.find(event->timerId());
      if (found == Table().timers.end()) return;
      timer = found->second;
    }
    CallProcedure(timer.window, WM_TIMER, timer.id, 0);
  }
};

// Lives as long as the process: worker threads may post to it at any time.
Dispatcher& TheDispatcher() {
  static Dispatcher* dispatcher = [] {
    auto* created = new Dispatcher;
    if (auto* app = QCoreApplication::instance()) created->moveToThread(app->thread());
    return created;
  }();
  return *dispatcher;
}

void* SlotAddress(Window& window, int index) {
  if (index < 0 || static_cast<size_t>(index) + sizeof(LONG_PTR) > window.extraBytes.size()) return nullptr;
  return window.extraBytes.data() + index;
}

// Runs use on the slot at index of window under the table's lock; 0 when
// the window or the slot does not exist.
template <typename Use>
LONG_PTR OnSlot(HWND window, int index, Use use) {
  std::lock_guard lock(Table().mutex);
  auto found = Table().windows.find(window);
  if (found == Table().windows.end()) return 0;
  void* slot = SlotAddress(found->second, index);
  return slot ? use(slot) : 0;
}

int FindTimer(HWND window, UINT_PTR id) {
  for (const auto& [qtId, timer] : Table().timers)
    if (timer.window == window && timer.id == id) return qtId;
  return 0;
}

}  // namespace

ATOM RegisterClass(const WNDCLASS& windowClass) {
  if (!windowClass.lpszClassName || !windowClass.lpfnWndProc || windowClass.cbWndExtra < 0) return 0;
  std::lock_guard lock(Table().mutex);
  auto [entry, added] = Table().classes.emplace(windowClass.lpszClassName, windowClass);
  if (!added) return 0;
  return static_cast<ATOM>(0xC000 + Table().classes.size());
}

bool GetClassInfo(HINSTANCE instance, const char* className, WNDCLASS* windowClass) {
  if (!className) return false;
  std::lock_guard lock(Table().mutex);
  auto found = Table().classes.find(className);
  if (found == Table().classes.end() || found->second.hInstance != instance) return false;
  if (windowClass) *windowClass = found->second;
  return true;
}

HWND CreateWindowEx(DWORD, const char* className, const char*, DWORD, int, int, int, int, HWND,
                    void*, HINSTANCE, void*) {
  TheDispatcher();
  if (!className) return nullptr;
  std::lock_guard lock(Table().mutex);
  auto found = Table().classes.find(className);
  if (found == Table().classes.end()) return nullptr;
  // Handles are never reused, so a stale handle never names a newer window.
  HWND handle = reinterpret_cast<HWND>(++Table().lastHandle);
  Table().windows[handle] = Window{found->second.lpfnWndProc,
                                   std::vector<char>(static_cast<size_t>(found->second.cbWndExtra))};
  return handle;
}

bool DestroyWindow(HWND window) {
  std::lock_guard lock(Table().mutex);
  if (Table().windows.erase(window) == 0) return false;
  auto& timers = Table().timers;
  for (auto it = timers.begin(); it != timers.end();) {
    if (it->second.window != window) {
      ++it;
      continue;
    }
    TheDispatcher().killTimer(it->first);
    it = timers.erase(it);
  }
  return true;
}

bool IsWindow(HWND window) {
  std::lock_guard lock(Table().mutex);
  return Table().windows.count(window) != 0;
}

LONG_PTR SetWindowLongPtr(HWND window, int index, LONG_PTR value) {
  return OnSlot(window, index, [value](void* slot) {
    LONG_PTR previous;
    std::memcpy(&previous, slot, sizeof previous);
    std::memcpy(slot, &value, sizeof value);
    return previous;
  });
}

LONG_PTR GetWindowLongPtr(HWND window, int index) {
  return OnSlot(window, index, [](void* slot) {
    LONG_PTR value;
    std::memcpy(&value, slot, sizeof value);
    return value;
  });
}

LRESULT DefWindowProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

bool PostMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(window)) return false;
  QCoreApplication::postEvent(&TheDispatcher(), new PostedMessage(window, msg, wParam, lParam));
  const std::uint64_t one = 1;
  // A full counter already wakes the sleeper, so a failed write loses nothing.
  [[maybe_unused]] auto written = ::write(Table().wakeFd, &one, sizeof one);
  return true;
}

LRESULT SendMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallProcedure(window, msg, wParam, lParam);
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, void*) {
  std::lock_guard lock(Table().mutex);
  if (Table().windows.count(window) == 0) return 0;
  if (int running = FindTimer(window, id)) {
    TheDispatcher().killTimer(running);
    Table().timers.erase(running);
  }
  // Win32 raises a shorter period to its minimum of 10 ms.
  UINT period = std::max<UINT>(elapse, 10);
  int qtId = TheDispatcher().startTimer(std::chrono::milliseconds(period), Qt::PreciseTimer);
  if (qtId == 0) return 0;
  Table().timers[qtId] = WindowTimer{window, id};
  return id;
}

bool KillTimer(HWND window, UINT_PTR id) {
  std::lock_guard lock(Table().mutex);
  int running = FindTimer(window, id);
  if (running == 0) return false;
  TheDispatcher().killTimer(running);
  Table().timers.erase(running);
  return true;
}

namespace {

bool OnGuiThread() {
  auto* app = QCoreApplication::instance();
  return app && app->thread() == QThread::currentThread();
}

short PollEvents(const WatchedDescriptor& watched) {
  return static_cast<short>((watched.read ? POLLIN : 0) | (watched.write ? POLLOUT : 0) |
                            (watched.urgent ? POLLPRI : 0));
}

// Waits until one of the descriptors is ready or the deadline passes; a
// signal that interrupts the wait does not shorten it.
void WaitForAny(std::vector<pollfd>& descriptors, std::chrono::steady_clock::time_point deadline) {
  using namespace std::chrono;
  for (auto now = steady_clock::now(); now < deadline; now = steady_clock::now()) {
    const auto left = duration_cast<milliseconds>(deadline - now + microseconds(999)).count();
    const int ready = ::poll(descriptors.data(), descriptors.size(), static_cast<int>(left));
    if (ready > 0) return;
    if (ready < 0 && errno != EINTR) {
      std::this_thread::sleep_until(deadline);
      return;
    }
  }
}

}  // namespace

void Sleep(DWORD milliseconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  if (!OnGuiThread()) {
    std::this_thread::sleep_until(deadline);
    return;
  }
  const int wakeFd = Table().wakeFd;
  std::uint64_t posted;
  // Taken before the queue is looked at: a post after the look wakes the poll.
  [[maybe_unused]] auto taken = ::read(wakeFd, &posted, sizeof posted);
  if (g_queuedMessages.load() > 0) return;
  SleepWatcher watcher;
  {
    std::lock_guard lock(Table().mutex);
    watcher = Table().sleepWatcher;
  }
  std::vector<WatchedDescriptor> watched;
  if (watcher && watcher(watched)) return;
  std::vector<pollfd> descriptors{{wakeFd, POLLIN, 0}};
  for (const auto& entry : watched) descriptors.push_back({entry.fd, PollEvents(entry), 0});
  WaitForAny(descriptors, deadline);
}

void SetSleepWatcher(SleepWatcher watcher) {
  std::lock_guard lock(Table().mutex);
  Table().sleepWatcher = std::move(watcher);
}

void ProcessMessages() {
  // Messages posted while the queue is being worked off are handled in the
  // same call, as the class library's loop over PeekMessage does; the rounds
  // are bounded so that a handler that keeps posting (a pump fed by a fast
  // peer) still lets its caller look at its own condition now and then.
  constexpr int kMaxRounds = 64;
  for (int round = 0; round < kMaxRounds; ++round) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (g_queuedMessages.load() == 0) break;
  }
}

void SetApplicationExceptionHandler(std::function<void(std::exception_ptr)> handler) {
  std::lock_guard lock(Table().mutex);
  Table().exceptionHandler = std::move(handler);
}

void HandleApplicationException(std::exception_ptr error) {
  std::function<void(std::exception_ptr)> handler;
  {
    std::lock_guard lock(Table().mutex);
    handler = Table().exceptionHandler;
  }
  try {
    if (handler) {
      handler(error);
      return;
    }
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "unknown exception\n");
  }
}
