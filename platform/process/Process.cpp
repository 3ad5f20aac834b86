#include "platform/process/Process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include "platform/files/Files.h"
#include "platform/text/ShiftJis.h"

extern char** environ;

namespace platform {

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> items;
  std::string item;
  bool inQuotes = false, hasItem = false;
  for (char c : commandLine) {
    if (c == '"') {
      inQuotes = !inQuotes;
      hasItem = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (hasItem) items.push_back(item);
      item.clear();
      hasItem = false;
    } else {
      item += c;
      hasItem = true;
    }
  }
  if (hasItem) items.push_back(item);
  return items;
}

namespace {

// An item that names something on disk once its separators are native goes
// in native form; any other item only changes its encoding.
std::string ChildArgument(const std::string& item) {
  if (item.find('\\') != std::string::npos) {
    const std::string native = NativePath(item);
    struct stat info;
    if (::stat(native.c_str(), &info) == 0) return native;
  }
  return Utf8FromSjis(item);
}

struct ChildArguments {
  std::vector<std::string> texts;
  std::vector<char*> argv;
};

// Built before any fork: the child of a threaded process may not allocate.
ChildArguments BuildArguments(const std::vector<std::string>& items) {
  ChildArguments child;
  for (const std::string& item : items) child.texts.push_back(ChildArgument(item));
  child.texts[0] = NativePath(items[0]);
  for (std::string& text : child.texts) child.argv.push_back(text.data());
  child.argv.push_back(nullptr);
  return child;
}

bool Spawn(ChildArguments& child, pid_t& pid) {
  char* program = child.argv[0];
  const bool searchPath = std::string_view(program).find('/') == std::string_view::npos;
  const int result = searchPath ? posix_spawnp(&pid, program, nullptr, nullptr, child.argv.data(), environ)
                                : posix_spawn(&pid, program, nullptr, nullptr, child.argv.data(), environ);
  return result == 0;
}

}  // namespace

bool CreateProcess(std::string_view commandLine, ProcessInformation& process) {
  const std::vector<std::string> items = SplitCommandLine(commandLine);
  if (items.empty()) return false;
  ChildArguments child = BuildArguments(items);
  pid_t pid = -1;
  if (!Spawn(child, pid)) return false;
  process.processId = pid;
  return true;
}

WaitResult PollProcess(ProcessInformation& process) {
  if (process.processId < 0) return WaitResult::Exited;
  int status = 0;
  const pid_t done = ::waitpid(process.processId, &status, WNOHANG);
  if (done == 0) return WaitResult::Running;
  process.processId = -1;
  return WaitResult::Exited;
}

namespace {

// Readable once the child has ended; -1 on kernels before 5.3, which have no
// process descriptors.
int ExitDescriptor(int processId) {
  return static_cast<int>(::syscall(SYS_pidfd_open, processId, 0));
}

}  // namespace

void WaitForExit(ProcessInformation& process) {
  if (PollProcess(process) == WaitResult::Exited) return;
  QEventLoop loop;
  auto checkExit = [&] {
    if (PollProcess(process) == WaitResult::Exited) loop.quit();
  };
  const int exitFd = ExitDescriptor(process.processId);
  std::optional<QSocketNotifier> exitNotifier;
  QTimer slowPoll;
  if (exitFd >= 0) {
    exitNotifier.emplace(exitFd, QSocketNotifier::Read);
    QObject::connect(&*exitNotifier, &QSocketNotifier::activated, &loop, checkExit);
  } else {
    QObject::connect(&slowPoll, &QTimer::timeout, &loop, checkExit);
    slowPoll.start(20);
  }
  loop.exec();
  if (exitFd >= 0) ::close(exitFd);
}

void ShellOpen(std::string_view path) {
  // The opener is reaped by a short-lived middle child so that no zombie stays.
  ChildArguments child = BuildArguments({"xdg-open", std::string(path)});
  const pid_t middle = ::fork();
  if (middle == 0) {
    pid_t opener = -1;
    Spawn(child, opener);
    _exit(0);
  }
  if (middle > 0) ::waitpid(middle, nullptr, 0);
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(SjisFromUtf8(argv[i]));
  return arguments;
}

}  // namespace platform
