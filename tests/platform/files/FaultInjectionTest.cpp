#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "platform/files/FaultInjection.h"
#include "platform/files/Files.h"
#include "tests/support/Sandbox.h"

using namespace platform;

class FaultInjectionTest : public SandboxTest {
 protected:
  std::string Program(const std::string& name) { return ProgramPath(Root()) + "\\" + name; }
  std::string Contents(const std::string& name) {
    std::ifstream in(Root() + "/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

TEST_F(FaultInjectionTest, CountsWritesOfStreamsOpenedAfterArming) {
  auto before = OpenFile(Program("before"), "wb");
  FaultInjection faults;
  auto after = OpenFile(Program("after"), "wb");
  ASSERT_TRUE(before->Write("x"));
  ASSERT_TRUE(after->Write("a"));
  ASSERT_TRUE(after->Write("b"));
  EXPECT_EQ(faults.WriteCount(), 2);
}

TEST_F(FaultInjectionTest, NthWriteAndLaterOnesFailWithAHalfWrittenTail) {
  FaultInjection faults;
  faults.FailWritesFrom(2);
  auto stream = OpenFile(Program("f"), "wb");
  EXPECT_TRUE(stream->Write("1111"));
  EXPECT_FALSE(stream->Write("2222"));
  EXPECT_FALSE(stream->Write("3333"));
  EXPECT_FALSE(stream->Flush());
  EXPECT_FALSE(stream->Close());
  EXPECT_EQ(Contents("f"), "111122");
}

TEST_F(FaultInjectionTest, TruncateCutsAFailedAppendBackAndClearsTheFailure) {
  auto stream = OpenFile(Program("f"), "ab");
  ASSERT_TRUE(stream->Write("kept"));
  ASSERT_TRUE(stream->Flush());
  FaultInjection faults;
  faults.FailWritesFrom(1);
  auto append = OpenFile(Program("f"), "ab");
  EXPECT_FALSE(append->Write("lost tail"));
  EXPECT_TRUE(append->Truncate(4));
  EXPECT_TRUE(append->Close());
  EXPECT_EQ(Contents("f"), "kept");
}

TEST_F(FaultInjectionTest, SyncFailsOnlyWhenAsked) {
  FaultInjection faults;
  auto stream = OpenFile(Program("f"), "wb");
  EXPECT_TRUE(stream->Sync());
  faults.FailSync();
  EXPECT_FALSE(stream->Sync());
}

TEST_F(FaultInjectionTest, DisarmingRestoresNormalWrites) {
  {
    FaultInjection faults;
    faults.FailWritesFrom(1);
  }
  FaultInjection again;
  auto stream = OpenFile(Program("f"), "wb");
  EXPECT_TRUE(stream->Write("ok"));
  EXPECT_TRUE(stream->Close());
  EXPECT_EQ(again.WriteCount(), 1);
}

TEST_F(FaultInjectionTest, OnlyTheNthRenameFailsAndMovesNothing) {
  for (const char* name : {"a", "b", "c"}) ASSERT_TRUE(OpenFile(Program(name), "wb")->Close());
  FaultInjection faults;
  faults.FailRename(2);
  EXPECT_TRUE(RenameFile(Program("a"), Program("a2")));
  EXPECT_FALSE(RenameFile(Program("b"), Program("b2")));
  EXPECT_TRUE(RenameFile(Program("c"), Program("c2")));
  EXPECT_TRUE(FileExists(Program("b")));
  EXPECT_FALSE(FileExists(Program("b2")));
}

TEST_F(FaultInjectionTest, FailedTruncateLeavesTheFileAsItWas) {
  FaultInjection faults;
  auto stream = OpenFile(Program("f"), "wb");
  ASSERT_TRUE(stream->Write("whole"));
  ASSERT_TRUE(stream->Flush());
  faults.FailTruncate();
  EXPECT_FALSE(stream->Truncate(2));
  EXPECT_TRUE(stream->Close());
  EXPECT_EQ(Contents("f"), "whole");
}

// A power cut after each step of a small history: a file keeps the data of
// its last sync, a folder the names of its last sync; the step the power is
// cut at, and every later one, fails.
TEST_F(FaultInjectionTest, APowerCutKeepsWhatTheLastSyncsMadeDurable) {
  struct Case {
    const char* history;
    std::function<void()> run;
    std::map<std::string, std::string> after;  // file name -> contents; names not listed are gone
  };
  const std::string folder = ProgramPath(Root()) + "\\power";
  const auto path = [&](const char* name) { return folder + "\\" + name; };
  const auto write = [&](const char* name, const char* mode, const char* bytes, bool sync) {
    auto file = OpenFile(path(name), mode);
    ASSERT_TRUE(file && file->Write(bytes));
    EXPECT_TRUE(!sync || file->Sync());
  };
  const Case cases[] = {
      {"an append not synced", [&] { write("old", "ab", "+tail", false); }, {{"old", "kept"}}},
      {"an append synced", [&] { write("old", "ab", "+tail", true); }, {{"old", "kept+tail"}}},
      {"a new file synced, its folder not", [&] { write("new", "wb", "data", true); }, {{"old", "kept"}}},
      {"a new file and its folder synced",
       [&] {
         write("new", "wb", "data", true);
         ASSERT_TRUE(SyncFolder(folder));
       },
       {{"old", "kept"}, {"new", "data"}}},
      {"a rename its folder did not see", [&] { ASSERT_TRUE(RenameFile(path("old"), path("moved"))); }, {{"old", "kept"}}},
      {"a removal its folder saw",
       [&] {
         ASSERT_TRUE(DeleteFile(path("old")));
         ASSERT_TRUE(SyncFolder(folder));
       },
       {}},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(Root() + "/power");
    std::filesystem::create_directories(Root() + "/power");
    ASSERT_TRUE(OpenFile(path("old"), "wb")->Write("kept"));
    {
      FaultInjection faults;
      faults.CutPowerAt(100);
      c.run();
      EXPECT_FALSE(faults.PowerWasCut()) << c.history;
      faults.CutPowerAt(1);
      EXPECT_FALSE(OpenFile(path("late"), "wb")) << c.history;  // the power is off
      EXPECT_TRUE(faults.PowerWasCut()) << c.history;
    }
    std::map<std::string, std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(Root() + "/power"))
      found[entry.path().filename().string()] = Contents("power/" + entry.path().filename().string());
    EXPECT_EQ(found, c.after) << c.history;
  }
}
