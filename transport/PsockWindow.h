#pragma once
// The hidden windows of the transport components: a socket window per
// connection and a timer window per timer, each owned by its component.

#include "platform/messages/Messages.h"

// Creates a hidden window of className, registering the class with procedure
// on first use, and puts owner into its slot 0 (when given), where procedure
// finds it. nullptr when the class cannot be registered or the window made.
HWND AllocateOwnedWindow(const char* className, WNDPROC procedure, void* owner);
