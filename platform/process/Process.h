#pragma once
// Starting other programs the way Win32 does: one command line whose items
// may be enclosed in double quotes, no shell. The line is Shift-JIS; each item
// crosses to the child as UTF-8, and an item that names a file or a folder
// with "\" separators reaches it in native form.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A started child process. The child is not killed on destruction: one
// still running, or ended and not yet polled, is reaped by the GUI thread's
// event loop once it ends, so that it never stays behind as a zombie.
struct ProcessInformation {
  int processId = -1;  // -1 once the child has been reaped, or none was started

  ProcessInformation() = default;
  ~ProcessInformation();
  ProcessInformation(const ProcessInformation&) = delete;
  ProcessInformation& operator=(const ProcessInformation&) = delete;
};

// Splits a command line as Windows does: blanks separate items, double quotes
// group and are removed, a backslash is an ordinary character.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// CreateProcess: starts the program named by the first item (a path, or a
// bare name searched on PATH). False when it cannot be started.
bool CreateProcess(std::string_view commandLine, ProcessInformation& process);

enum class WaitResult { Exited, Running };
// One poll of a started child (WaitForSingleObject with a zero time-out).
WaitResult PollProcess(ProcessInformation& process);

// Runs the GUI thread's event loop until the child has ended, and reaps it.
// The loop sleeps until the child's exit wakes it: windows are painted and
// posted messages delivered meanwhile, at no cost in CPU time. A caller that
// must not take input meanwhile disables its window first.
void WaitForExit(ProcessInformation& process);

// The shell's "open" on a file: xdg-open, started and not waited for.
void ShellOpen(std::string_view path);

// The argument vector of this program, converted to Shift-JIS.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace platform
