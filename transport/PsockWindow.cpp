#include "transport/PsockWindow.h"

HWND AllocateOwnedWindow(const char* className, WNDPROC procedure, void* owner) {
  if (!GetClassInfo(HInstance, className, nullptr)) {
    // One slot at index 0 holds the owner; a pointer needs all of LONG_PTR.
    WNDCLASS windowClass{0, procedure, 0, sizeof(LONG_PTR), HInstance, className};
    if (!RegisterClass(windowClass)) return nullptr;
  }
  HWND window = CreateWindowEx(WS_EX_TOOLWINDOW, className, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               HInstance, nullptr);
  if (window && owner) SetWindowLongPtr(window, 0, reinterpret_cast<LONG_PTR>(owner));
  return window;
}
