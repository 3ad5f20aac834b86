#include "tests/support/ForkedChild.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <random>

namespace {

size_t AddressSpaceInUse() {
  size_t pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  return pages * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

int RunLimited(int resource, size_t bytes, const std::function<int()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead
    const rlimit limit{bytes, bytes};
    setrlimit(resource, &limit);
    _exit(body());
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

int64_t MonotonicMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000 + now.tv_nsec / 1000;
}

pid_t StartChild(const std::function<int()>& body) {
  const pid_t child = fork();
  if (child == 0) _exit(body());
  return child;
}

// Kills the child as soon as reached() holds; true when the kill ended it
// before it finished.
bool KillChildOnceReached(const std::function<int()>& body, const std::function<bool()>& reached) {
  const pid_t child = StartChild(body);
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (reached()) {
      kill(child, SIGKILL);
      return waitpid(child, &status, 0) == child && WIFSIGNALED(status);
    }
    usleep(50);
  }
  return false;
}

}  // namespace

int RunWithFileSizeLimit(size_t bytes, const std::function<int()>& body) {
  return RunLimited(RLIMIT_FSIZE, bytes, body);
}

int RunWithMemoryHeadroom(size_t bytes, const std::function<int()>& body) {
  return RunLimited(RLIMIT_AS, AddressSpaceInUse() + bytes, body);
}

int EndedProcessId() {
  const pid_t child = StartChild([] { return 0; });
  waitpid(child, nullptr, 0);
  return child;
}

int MicrosecondsOfChild(const std::function<int()>& body) {
  const int64_t started = MonotonicMicroseconds();
  const pid_t child = StartChild(body);
  waitpid(child, nullptr, 0);
  return static_cast<int>(MonotonicMicroseconds() - started);
}

bool KillChildAfter(int microseconds, const std::function<int()>& body) {
  const pid_t child = StartChild(body);
  usleep(microseconds);
  kill(child, SIGKILL);
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFSIGNALED(status);
}

std::pair<int, int> KillUntilBothSidesHit(const KilledRuns& runs, unsigned seed) {
  runs.prepare();
  const int run = MicrosecondsOfChild(runs.body);
  int before = 0, after = 0;
  std::mt19937 random(seed);
  for (int round = 0; round < 100 && (before < 2 || after < 2); ++round) {
    runs.prepare();
    const bool killed = round % 2 ? KillChildOnceReached(runs.body, runs.reached)
                                  : KillChildAfter(std::uniform_int_distribution<int>(0, run)(random), runs.body);
    if (killed) ++(runs.reached() ? after : before);
    runs.check(round);
  }
  return {before, after};
}
