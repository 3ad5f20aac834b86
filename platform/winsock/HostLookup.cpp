// WSAAsyncGetHostByName: the blocking look-up runs on a worker thread; its
// result comes back to the GUI thread as a message to a hidden window of
// WinSock's own, where the caller's buffer is written (only for a task that
// was not withdrawn) and the caller's message is posted.

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/winsock/PosixNet.h"
#include "platform/winsock/SocketTable.h"

namespace {

constexpr UINT kLookupFinished = WM_USER + 1;

struct LookupTask {
  HWND window;
  UINT msg;
  char* buffer;
  int bufferLength;
  std::string name;
  posixnet::HostAddresses result;  // written by the worker before it posts
};

struct Lookups {
  std::mutex mutex;
  std::map<HANDLE, std::shared_ptr<LookupTask>> pending;
  std::uintptr_t lastTask = 0;
};

// Never destroyed: a look-up thread may still finish while the process exits.
Lookups& TheLookups() {
  static auto* lookups = new Lookups;
  return *lookups;
}

std::shared_ptr<LookupTask> TakeTask(HANDLE task) {
  return winsock::TakeEntry(TheLookups().mutex, TheLookups().pending, task);
}

size_t AlignUp(size_t offset) { return (offset + alignof(char*) - 1) & ~(alignof(char*) - 1); }

void PutPointer(char* buffer, size_t offset, const void* pointer) {
  std::memcpy(buffer + offset, &pointer, sizeof pointer);
}

// Lays the entry out as WinSock does: the hostent, the (empty) alias list,
// the address list, the addresses, then the name. Returns the bytes needed;
// writes nothing when they do not fit.
int LayOutHostEntry(const posixnet::HostAddresses& host, char* buffer, int bufferLength) {
  const size_t count = host.addresses.size();
  const size_t aliases = AlignUp(sizeof(hostent));
  const size_t list = aliases + sizeof(char*);
  const size_t addresses = list + (count + 1) * sizeof(char*);
  const size_t name = addresses + count * 4;
  const size_t needed = name + host.officialName.size() + 1;
  if (needed > static_cast<size_t>(bufferLength)) return static_cast<int>(needed);
  std::memset(buffer, 0, needed);
  hostent entry{buffer + name, reinterpret_cast<char**>(buffer + aliases), AF_INET, 4,
                reinterpret_cast<char**>(buffer + list)};
  std::memcpy(buffer, &entry, sizeof entry);
  for (size_t i = 0; i < count; ++i) {
    std::memcpy(buffer + addresses + i * 4, &host.addresses[i], 4);
    PutPointer(buffer, list + i * sizeof(char*), buffer + addresses + i * 4);
  }
  std::memcpy(buffer + name, host.officialName.c_str(), host.officialName.size() + 1);
  return static_cast<int>(needed);
}

void Complete(HANDLE handle, const LookupTask& task) {
  int error = task.result.wsaError;
  int needed = 0;
  if (error == 0) {
    needed = LayOutHostEntry(task.result, task.buffer, task.bufferLength);
    if (needed > task.bufferLength) error = WSAENOBUFS;
  }
  PostMessage(task.window, task.msg, reinterpret_cast<WPARAM>(handle), WSAMAKEASYNCREPLY(needed, error));
}

LRESULT LookupWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != kLookupFinished) return DefWindowProc(window, msg, wParam, lParam);
  HANDLE handle = reinterpret_cast<HANDLE>(wParam);
  if (auto task = TakeTask(handle)) Complete(handle, *task);
  return 0;
}

// Created on the GUI thread by the first look-up; lives as long as the process.
HWND LookupWindow() {
  static HWND window = [] {
    WNDCLASS windowClass{0, LookupWindowProc, 0, 0, HInstance, "WinSockLookupWindowClass"};
    RegisterClass(windowClass);
    return CreateWindowEx(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                          HInstance, nullptr);
  }();
  return window;
}

}  // namespace

HANDLE WSAAsyncGetHostByName(HWND window, UINT msg, const char* name, char* buffer, int bufferLength) {
  if (!winsock::Started()) {
    WSASetLastError(WSANOTINITIALISED);
    return nullptr;
  }
  HWND lookupWindow = LookupWindow();
  if (!name || !buffer || bufferLength <= 0 || !lookupWindow) {
    WSASetLastError(WSAEFAULT);
    return nullptr;
  }
  auto task = std::make_shared<LookupTask>(LookupTask{window, msg, buffer, bufferLength, name, {}});
  HANDLE handle;
  {
    std::lock_guard lock(TheLookups().mutex);
    handle = reinterpret_cast<HANDLE>(++TheLookups().lastTask);
    TheLookups().pending[handle] = task;
  }
  std::thread([task, handle, lookupWindow] {
    task->result = posixnet::ResolveIPv4(task->name);
    PostMessage(lookupWindow, kLookupFinished, reinterpret_cast<WPARAM>(handle), 0);
  }).detach();
  return handle;
}

int WSACancelAsyncRequest(HANDLE task) {
  if (TakeTask(task)) return 0;
  WSASetLastError(WSAEINVAL);
  return SOCKET_ERROR;
}
