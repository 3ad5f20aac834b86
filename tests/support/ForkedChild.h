#pragma once
// Runs a piece of a test in a forked child process under a resource limit, as
// a full disk or a machine out of memory would leave it, or kills it at a
// chosen moment, as a crash would. The child runs only the given function
// (no Qt) and reports through its exit code: the functions return that code,
// or -1 when the child did not exit normally.

#include <cstddef>
#include <functional>
#include <utility>

// Writes that would take a file past `bytes` fail (EFBIG), as on a full disk.
int RunWithFileSizeLimit(size_t bytes, const std::function<int()>& body);
// The child may map only `bytes` more address space than it has.
int RunWithMemoryHeadroom(size_t bytes, const std::function<int()>& body);

// The id of a process that has ended: a child's, exited and reaped, so that
// no process has it until the system gives it out again.
int EndedProcessId();

// How long a child running body takes to its end, in microseconds.
int MicrosecondsOfChild(const std::function<int()>& body);
// Starts body in a child and kills it (SIGKILL) after `microseconds`; true
// when the kill ended it before it finished.
bool KillChildAfter(int microseconds, const std::function<int()>& body);

// Children killed at random moments of a run that has a part of interest.
struct KilledRuns {
  std::function<void()> prepare;         // before each child, the one that measures the run included
  std::function<int()> body;             // what the child runs
  std::function<bool()> reached;         // after a kill: the part of interest had begun
  std::function<void(int round)> check;  // after each kill: what it left
};
// Kills children until kills have landed at least twice before the part of
// interest and twice after: every other child at a random moment of a whole
// run's time, the others as soon as reached() is seen to hold. Returns
// {before, after}.
std::pair<int, int> KillUntilBothSidesHit(const KilledRuns& runs, unsigned seed);
