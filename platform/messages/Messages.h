#pragma once
// Hidden windows, posted messages and window timers, as Win32 gives them to
// the programs, delivered on the Qt event loop of the GUI thread.
//
// A window is a handle, never a pointer to memory: a message posted to a
// window that has been destroyed meanwhile is dropped at delivery.

#include <cstdint>
#include <exception>
#include <functional>
#include <vector>

struct HWND__;
using HWND = HWND__*;
using HINSTANCE = void*;
using UINT = unsigned int;
using DWORD = std::uint32_t;
using ATOM = std::uint16_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LONG_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;

constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080u;

// The program's module instance: the one value window classes are registered for.
inline constexpr HINSTANCE HInstance = nullptr;

// The class library's message record, as a component's message handler sees it.
struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

constexpr std::uint16_t LoWord(LPARAM value) { return static_cast<std::uint16_t>(value & 0xFFFF); }
constexpr std::uint16_t HiWord(LPARAM value) { return static_cast<std::uint16_t>((value >> 16) & 0xFFFF); }

struct WNDCLASS {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;  // bytes of window slots: slot i is at byte offset i
  HINSTANCE hInstance;
  const char* lpszClassName;
};

// Registers a window class; returns 0 when the name is already registered for
// the instance or the record is unusable (no name, no procedure).
ATOM RegisterClass(const WNDCLASS& windowClass);
// Fills *windowClass and returns true when the class is registered for instance.
bool GetClassInfo(HINSTANCE instance, const char* className, WNDCLASS* windowClass);

// Creates a hidden window of a registered class; nullptr when the class is
// unknown. Never shown: style, position and size are accepted as given. Must
// be called on the GUI thread.
HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                    int x, int y, int width, int height, HWND parent, void* menu,
                    HINSTANCE instance, void* param);
// Destroys the window and its timers; messages still queued for it are dropped.
bool DestroyWindow(HWND window);
bool IsWindow(HWND window);

// Window slots (the class's cbWndExtra bytes): index is a byte offset that
// must leave room for a whole LONG_PTR. Return the previous value, 0 on a bad
// window or index.
LONG_PTR SetWindowLongPtr(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtr(HWND window, int index);

// What a window does with a message it does not handle: nothing, result 0.
LRESULT DefWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Queues the message for the window's procedure and returns at once. Safe to
// call from any thread; false when the window does not exist.
bool PostMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
// Calls the window's procedure now, on the calling (GUI) thread; 0 when the
// window does not exist.
LRESULT SendMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Starts (or restarts) the periodic timer id of the window: every elapse
// milliseconds the window gets WM_TIMER with the id in wParam. Returns id, or
// 0 when the window does not exist or no timer can be made.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, void* timerProc);
// Stops the timer; false when it was not running.
bool KillTimer(HWND window, UINT_PTR id);

// Suspends the calling thread for the given milliseconds. On the GUI thread
// the wait ends early once there is work for ProcessMessages: a posted
// message, or a descriptor a watcher names turning ready. It never delivers
// anything itself.
void Sleep(DWORD milliseconds);

// A descriptor Sleep on the GUI thread watches, and for what.
struct WatchedDescriptor {
  int fd;
  bool read;
  bool write;
  bool urgent;
};
// Asked on the GUI thread at each Sleep: adds the descriptors to watch and
// returns true when work is already waiting, so that Sleep returns at once.
using SleepWatcher = std::function<bool(std::vector<WatchedDescriptor>& watched)>;
// Installs the watcher (an empty one: none). The socket layer installs one.
void SetSleepWatcher(SleepWatcher watcher);

// Runs every pending event of the GUI thread's loop: posted messages, timers,
// socket notifications and the user interface. The application object's
// ProcessMessages is this.
void ProcessMessages();

// An exception that escapes a window procedure is handed to this handler (the
// application object installs its own, which shows the message) and never
// unwinds through the event loop or a wait that pumps messages. Without a
// handler the message is written to the standard error stream.
void SetApplicationExceptionHandler(std::function<void(std::exception_ptr)> handler);
// Hands an exception to the installed handler.
void HandleApplicationException(std::exception_ptr error);
