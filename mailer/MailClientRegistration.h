#pragma once
// Quillet's registration as a mail client that opens mailto: links: the
// registry rows under HKEY_LOCAL_MACHINE "\SOFTWARE\Clients\Mail\Quillet",
// and on this desktop a per-user desktop entry for the mailto: scheme with
// an icon beside it. Nothing here makes Quillet the default mail program:
// that choice stays with the user.

#include <string>
#include <string_view>

// Writes the seven registry rows in their order for the program file at
// programPath (Shift-JIS), then the desktop entry, and refreshes the
// desktop's database when its tool is installed. Stops at the first key,
// value or file that cannot be written and returns false; a row never lands
// in another row's key.
bool RegisterMailClient(std::string_view programPath);

// The Exec value of the desktop entry: the program's native path, quoted
// only when it holds a character that needs it, and escaped as the Desktop
// Entry rules ask; then the field code for the URL.
std::string DesktopExecValue(std::string_view nativeProgramPath);

// Where the desktop entry is written: the user's applications folder.
std::string DesktopEntryPath();
