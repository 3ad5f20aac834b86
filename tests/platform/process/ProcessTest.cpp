#include "platform/process/Process.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>

#include <chrono>
#include <fstream>
#include <thread>

#include "platform/files/Files.h"
#include "tests/support/Sandbox.h"

using platform::SplitCommandLine;

TEST(SplitCommandLineTest, QuotesGroupAndAreRemoved) {
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\q.exe\" \"mailto:a@b?subject=Re.x y\""),
            (std::vector<std::string>{"C:\\Program Files\\q.exe", "mailto:a@b?subject=Re.x y"}));
}

TEST(SplitCommandLineTest, BlanksSeparateAndEmptyQuotesAreAnItem) {
  EXPECT_EQ(SplitCommandLine("  a   b\t\"\" c "), (std::vector<std::string>{"a", "b", "", "c"}));
}

TEST(SplitCommandLineTest, BackslashIsOrdinary) {
  EXPECT_EQ(SplitCommandLine("x a\\\"b\""), (std::vector<std::string>{"x", "a\\b"}));
}

class CreateProcessTest : public SandboxTest {
 protected:
  void WaitFor(platform::ProcessInformation& process) {
    for (int i = 0; i < 5000 && platform::PollProcess(process) == platform::WaitResult::Running; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
};

TEST_F(CreateProcessTest, ChildGetsNativePathAndUtf8Text) {
  const std::string out = TempDir() + "/args.txt";
  const std::string script = TempDir() + "/args.sh";
  std::ofstream(script) << "printf '%s|%s' \"$1\" \"$2\" > " << out << "\n";
  std::ofstream(out).close();
  // "受信" in Shift-JIS reaches the child as UTF-8; the path with "\" as "/".
  const std::string line = "/bin/sh \"" + script + "\" \"" + platform::ProgramPath(TempDir()) +
                           "\\args.txt\" \"\x8e\xf3\x90\x4d\"";
  platform::ProcessInformation process;
  ASSERT_TRUE(platform::CreateProcess(line, process));
  WaitFor(process);
  std::string written;
  ASSERT_TRUE(platform::ReadFileContents(platform::ProgramPath(out), written));
  EXPECT_EQ(written, out + "|\xe5\x8f\x97\xe4\xbf\xa1");
}

TEST_F(CreateProcessTest, MissingProgramFails) {
  platform::ProcessInformation process;
  EXPECT_FALSE(platform::CreateProcess("\"/nonexistent/program\" x", process));
}

TEST_F(CreateProcessTest, PollSeesRunningThenExited) {
  platform::ProcessInformation process;
  ASSERT_TRUE(platform::CreateProcess("/bin/sleep 0.2", process));
  EXPECT_EQ(platform::PollProcess(process), platform::WaitResult::Running);
  WaitFor(process);
  EXPECT_EQ(platform::PollProcess(process), platform::WaitResult::Exited);
}

TEST_F(CreateProcessTest, ChildNobodyWaitsForIsReapedByTheEventLoopWhenItEnds) {
  auto process = std::make_unique<platform::ProcessInformation>();
  ASSERT_TRUE(platform::CreateProcess("/bin/true", *process));
  const int pid = process->processId;
  process.reset();
  for (int i = 0; i < 5000 && ::kill(pid, 0) == 0; ++i) {
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(::kill(pid, 0), -1);  // gone from the process table, no zombie
}
