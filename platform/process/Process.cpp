#include "platform/process/Process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <memory>

#include <QCoreApplication>
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

bool Start(const std::vector<std::string>& items, ProcessInformation& process) {
  if (items.empty()) return false;
  ChildArguments child = BuildArguments(items);
  pid_t pid = -1;
  if (!Spawn(child, pid)) return false;
  process.processId = pid;
  return true;
}

}  // namespace

bool CreateProcess(std::string_view commandLine, ProcessInformation& process) {
  return Start(SplitCommandLine(commandLine), process);
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

// Runs check, given the watch, on the GUI thread's event loop whenever the
// child may have ended: when its process descriptor turns readable, or on a
// slow poll on kernels before 5.3, which have no process descriptors.
class ExitWatch : public QObject {
 public:
  ExitWatch(int processId, std::function<void(ExitWatch&)> check, QObject* parent = nullptr)
      : QObject(parent), m_exitFd(static_cast<int>(::syscall(SYS_pidfd_open, processId, 0))) {
    const auto run = [this, check] { check(*this); };
    if (m_exitFd >= 0) {
      m_notifier = std::make_unique<QSocketNotifier>(m_exitFd, QSocketNotifier::Read);
      connect(m_notifier.get(), &QSocketNotifier::activated, this, run);
    } else {
      connect(&m_slowPoll, &QTimer::timeout, this, run);
      m_slowPoll.start(20);
    }
  }
  ~ExitWatch() override {
    m_notifier.reset();  // before its descriptor goes
    if (m_exitFd >= 0) ::close(m_exitFd);
  }

 private:
  int m_exitFd;
  std::unique_ptr<QSocketNotifier> m_notifier;
  QTimer m_slowPoll;
};

// The watch belongs to the Qt application and goes once the child is reaped.
void ReapWhenEnded(int processId) {
  if (!QCoreApplication::instance()) return;
  new ExitWatch(
      processId,
      [processId](ExitWatch& watch) {
        if (::waitpid(processId, nullptr, WNOHANG) != 0) watch.deleteLater();
      },
      QCoreApplication::instance());
}

}  // namespace

ProcessInformation::~ProcessInformation() {
  if (processId >= 0) ReapWhenEnded(processId);
}

void WaitForExit(ProcessInformation& process) {
  if (PollProcess(process) == WaitResult::Exited) return;
  QEventLoop loop;
  ExitWatch watch(process.processId, [&](ExitWatch&) {
    if (PollProcess(process) == WaitResult::Exited) loop.quit();
  });
  loop.exec();
}

void ShellOpen(std::string_view path) {
  ProcessInformation opener;
  Start({"xdg-open", std::string(path)}, opener);
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(SjisFromUtf8(argv[i]));
  return arguments;
}

}  // namespace platform
