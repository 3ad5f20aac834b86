// Platform code: literals here are UTF-8; Shift-JIS bytes are spelled out.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/base/Exception.h"
#include "platform/files/FaultInjection.h"
#include "platform/files/Files.h"
#include "platform/text/ShiftJis.h"
#include "tests/support/ForkedChild.h"
#include "tests/support/NativeFiles.h"
#include "tests/support/Sandbox.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

const std::string kSo = "\x83\x5C";   // ソ: the trail byte is 0x5C
const std::string kHyo = "\x95\x5C";  // 表

// Runs body in a child process and returns its exit status (-1 on a signal).
template <typename Body>
int InChild(Body body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

// --- Paths ------------------------------------------------------------------

struct PathCase {
  std::string program;
  std::string native;
};

class NativePathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(NativePathTest, ConvertsTextBeforeSeparators) {
  EXPECT_EQ(NativePath(GetParam().program), GetParam().native);
}

TEST_P(NativePathTest, ProgramPathIsTheWayBack) {
  EXPECT_EQ(NativePath(ProgramPath(GetParam().native)), GetParam().native);
}

TEST(HasProgramPathTest, OnlyANameShiftJisCannotWriteHasNone) {
  EXPECT_TRUE(HasProgramPath("/tmp/受信フォルダ/ソ表.txt"));
  EXPECT_FALSE(HasProgramPath("/tmp/café.txt"));
  EXPECT_TRUE(HasProgramPath("/tmp/a?b"));  // a "?" of the name itself comes back as it is
}

INSTANTIATE_TEST_SUITE_P(TrailBytes, NativePathTest,
                         ::testing::Values(PathCase{"C:\\data\\file", "C:/data/file"},
                                           PathCase{kSo + "\\" + kHyo, "ソ/表"},
                                           PathCase{"\\tmp\\" + kSo + kHyo + "\\x.ppl", "/tmp/ソ表/x.ppl"},
                                           PathCase{"/mixed\\" + kHyo, "/mixed/表"}, PathCase{kSo, "ソ"}));

TEST(ParentFolderTest, TrailBytesAreNoSeparators) {
  EXPECT_EQ(ParentFolder("\\tmp\\" + kSo + "\\" + kHyo), ProgramPath("/tmp/ソ"));
  EXPECT_EQ(ParentFolder("\\tmp\\" + kHyo), ProgramPath("/tmp"));
  EXPECT_EQ(ParentFolder("\\x"), "/");
  EXPECT_EQ(ParentFolder(kSo), ".");
}

class FilesTest : public SandboxTest {
 protected:
  // The sandbox root as the programs hold it.
  std::string Program(const std::string& name) { return ProgramPath(Root()) + "\\" + name; }
  std::string Native(const std::string& name) { return Root() + "/" + name; }
  // Files in the sandbox root that are not among the test's own.
  int TemporaryFilesLeft() {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(Root()))
      if (entry.is_regular_file() && entry.path().filename() != "r.cfg") ++count;
    return count;
  }
};

TEST_F(FilesTest, FileNamedWithTrailByteCharactersLandsUnderItsUnicodeName) {
  auto stream = OpenFile(Program(kSo + kHyo + ".txt"), "wb");
  ASSERT_NE(stream, nullptr);
  ASSERT_TRUE(stream->Write("x"));
  ASSERT_TRUE(stream->Close());
  EXPECT_TRUE(fs::exists(Native("ソ表.txt")));
  EXPECT_TRUE(FileExists(Program(kSo + kHyo + ".txt")));
}

// --- Text and binary modes -------------------------------------------------

TEST_F(FilesTest, TextModeWritesLineEndsAsCrLf) {
  auto stream = OpenFile(Program("t.txt"), "wt");
  ASSERT_TRUE(stream->Write("a\nb\n"));
  ASSERT_TRUE(stream->Close());
  EXPECT_EQ(ReadNativeFile(Native("t.txt")), "a\r\nb\r\n");
}

TEST_F(FilesTest, ModeWithoutBIsTextMode) {
  auto stream = OpenFile(Program("t.txt"), "w");
  ASSERT_TRUE(stream->Write("a\n"));
  ASSERT_TRUE(stream->Close());
  EXPECT_EQ(ReadNativeFile(Native("t.txt")), "a\r\n");
}

TEST_F(FilesTest, TextModeReadsCrLfAsLfAndKeepsALoneCr) {
  WriteNativeFile(Native("t.txt"), "a\r\nb\rc\r\nlast");
  auto stream = OpenFile(Program("t.txt"), "rt");
  std::string line;
  ASSERT_TRUE(stream->ReadLine(line));
  EXPECT_EQ(line, "a");
  ASSERT_TRUE(stream->ReadLine(line));
  EXPECT_EQ(line, "b\rc");
  ASSERT_TRUE(stream->ReadLine(line));
  EXPECT_EQ(line, "last");
  EXPECT_FALSE(stream->ReadLine(line));
}

TEST_F(FilesTest, TextModeReadTranslatesBlocks) {
  WriteNativeFile(Native("t.txt"), "x\r\ny\r");
  auto stream = OpenFile(Program("t.txt"), "rt");
  char buffer[16];
  const size_t got = stream->Read(buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, got), "x\ny\r");
}

TEST_F(FilesTest, BinaryModePassesBytesUnchanged) {
  auto out = OpenFile(Program("b.bin"), "wb");
  ASSERT_TRUE(out->Write(std::string("a\nb\r\n\0c", 7)));
  ASSERT_TRUE(out->Close());
  auto in = OpenFile(Program("b.bin"), "rb");
  char buffer[16];
  EXPECT_EQ(std::string(buffer, in->Read(buffer, sizeof buffer)), std::string("a\nb\r\n\0c", 7));
}

TEST_F(FilesTest, AppendModeAddsAtTheEnd) {
  WriteNativeFile(Native("a.bin"), "one");
  auto stream = OpenFile(Program("a.bin"), "ab");
  ASSERT_TRUE(stream->Write("two"));
  EXPECT_EQ(stream->Length(), 6);
  ASSERT_TRUE(stream->Close());
  EXPECT_EQ(ReadNativeFile(Native("a.bin")), "onetwo");
}

TEST_F(FilesTest, ReadWriteModeSeeksAndTruncates) {
  WriteNativeFile(Native("u.bin"), "abcdef");
  auto stream = OpenFile(Program("u.bin"), "r+b");
  ASSERT_TRUE(stream->Seek(2));
  ASSERT_TRUE(stream->Write("XY"));
  EXPECT_EQ(stream->Tell(), 4);
  ASSERT_TRUE(stream->Truncate(5));
  ASSERT_TRUE(stream->Close());
  EXPECT_EQ(ReadNativeFile(Native("u.bin")), "abXYe");
}

TEST_F(FilesTest, ReadWriteModeSwitchesBetweenReadingAndWriting) {
  WriteNativeFile(Native("u.bin"), "abcdef");
  auto stream = OpenFile(Program("u.bin"), "r+b");
  ASSERT_TRUE(stream->Write("XY"));
  char buffer[2];
  ASSERT_EQ(stream->Read(buffer, 2), 2u);
  EXPECT_EQ(std::string(buffer, 2), "cd");
  ASSERT_TRUE(stream->Write("Z"));
  ASSERT_TRUE(stream->Close());
  EXPECT_EQ(ReadNativeFile(Native("u.bin")), "XYcdZf");
}

TEST_F(FilesTest, OpenRefusesWhatFopenRefuses) {
  EXPECT_EQ(OpenFile(Program("missing"), "rb"), nullptr);
  EXPECT_EQ(OpenFile(ProgramPath(Root()), "rb"), nullptr);  // a folder
  EXPECT_EQ(OpenFile(Program("x"), "q"), nullptr);
  EXPECT_EQ(OpenFile(Program("x"), "wbt"), nullptr);
  EXPECT_EQ(OpenFile(Program("no\\such\\folder"), "wb"), nullptr);
}

TEST_F(FilesTest, OwnRegularFileRefusesLinksAndFolders) {
  WriteNativeFile(Native("mine.txt"), "a\r\nb");
  fs::create_symlink(Native("mine.txt"), Native("link.txt"));
  auto own = OpenOwnRegularFile(Program("mine.txt"), "rt");
  ASSERT_NE(own, nullptr);
  std::string line;
  ASSERT_TRUE(own->ReadLine(line));
  EXPECT_EQ(line, "a");
  EXPECT_EQ(OpenOwnRegularFile(Program("link.txt"), "rb"), nullptr);
  EXPECT_EQ(OpenOwnRegularFile(ProgramPath(Root()), "rb"), nullptr);
  EXPECT_EQ(OpenOwnRegularFile(Program("mine.txt"), "wb"), nullptr);
  EXPECT_EQ(ReadNativeFile(Native("mine.txt")), "a\r\nb");
}

TEST_F(FilesTest, OwnRegularFileRefusesAnotherUsersFile) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
  WriteNativeFile(Native("theirs.txt"), "x");
  ASSERT_EQ(chown(Native("theirs.txt").c_str(), 4242, 4242), 0);
  EXPECT_EQ(OpenOwnRegularFile(Program("theirs.txt"), "rb"), nullptr);
}

TEST_F(FilesTest, OwnRegularFileRefusesSecondNamesAndNeverBlocksOnAFifo) {
  WriteNativeFile(Native("mine.txt"), "a");
  fs::create_hard_link(Native("mine.txt"), Native("second.txt"));
  ASSERT_EQ(mkfifo(Native("fifo").c_str(), 0600), 0);
  EXPECT_EQ(OpenOwnRegularFile(Program("second.txt"), "rb"), nullptr);
  EXPECT_EQ(OpenOwnRegularFile(Program("mine.txt"), "rb"), nullptr);
  EXPECT_EQ(OpenOwnRegularFile(Program("fifo"), "rb"), nullptr);  // returns: nobody writes to it
}

// --- Scratch files ---------------------------------------------------------

TEST_F(FilesTest, ScratchFilesAreNewPrivateAndNamedByTheClock) {
  const long before = static_cast<long>(time(nullptr));
  std::string first, second;
  auto a = CreateScratchFile(ProgramPath(Root()), "qult", ".tmp", first);
  auto b = CreateScratchFile(ProgramPath(Root()), "qult", ".tmp", second);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(first, second);
  const std::string prefix = ProgramPath(Root()) + "\\qult";
  ASSERT_EQ(first.rfind(prefix, 0), 0u);
  EXPECT_GE(std::stol(first.substr(prefix.size())), before);
  struct stat info;
  ASSERT_EQ(stat(NativePath(first).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(FilesTest, ScratchFileNeverFollowsAPlantedLink) {
  WriteNativeFile(Native("victim"), "keep");
  const long now = static_cast<long>(time(nullptr));
  // Plant links over the next few seconds so the clock cannot slip past them.
  for (long n = now; n < now + 3; ++n)
    fs::create_symlink(Native("victim"), Native("dorvn" + std::to_string(n) + ".ppm"));
  std::string path;
  auto stream = CreateScratchFile(ProgramPath(Root()), "dorvn", ".ppm", path);
  ASSERT_NE(stream, nullptr);
  ASSERT_TRUE(stream->Write("scratch"));
  ASSERT_TRUE(stream->Close());
  EXPECT_FALSE(fs::is_symlink(NativePath(path)));
  EXPECT_GE(std::stol(path.substr(path.rfind("dorvn") + 5)), now + 3);
  EXPECT_EQ(ReadNativeFile(Native("victim")), "keep");
}

TEST_F(FilesTest, ScratchFileInAMissingFolderFails) {
  std::string path;
  EXPECT_EQ(CreateScratchFile(Program("missing"), "x", ".tmp", path), nullptr);
}

// --- Whole-file replacement ------------------------------------------------

TEST_F(FilesTest, ReplaceFileContentsCreatesAndReplaces) {
  ReplaceFileContents(Program("r.cfg"), "first");
  ReplaceFileContents(Program("r.cfg"), "second");
  EXPECT_EQ(ReadNativeFile(Native("r.cfg")), "second");
  EXPECT_EQ(TemporaryFilesLeft(), 0);
}

TEST_F(FilesTest, ReplaceFileContentsKeepsPermissions) {
  WriteNativeFile(Native("r.cfg"), "old");
  chmod(Native("r.cfg").c_str(), 0640);
  ReplaceFileContents(Program("r.cfg"), "new");
  struct stat info;
  stat(Native("r.cfg").c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(FilesTest, ReplaceFailureKeepsTheOldFileAndSaysWhichFile) {
  WriteNativeFile(Native("r.cfg"), "old");
  FaultInjection faults;
  faults.FailSync();
  try {
    ReplaceFileContents(Program("r.cfg"), "new");
    FAIL() << "no error";
  } catch (const EFCreateError& error) {
    EXPECT_EQ(error.Message,
              SjisFromUtf8("ファイル ") + ProgramPath(Root()) + "/r.cfg" + SjisFromUtf8(" を作成できません"));
  }
  EXPECT_EQ(ReadNativeFile(Native("r.cfg")), "old");
  EXPECT_EQ(TemporaryFilesLeft(), 0);
}

TEST_F(FilesTest, ReplaceOfAFolderOrInAMissingFolderFails) {
  EXPECT_THROW(ReplaceFileContents(ProgramPath(TempDir()), "x"), EFCreateError);
  EXPECT_THROW(ReplaceFileContents(Program("missing\\r.cfg"), "x"), EFCreateError);
  EXPECT_TRUE(fs::is_directory(TempDir()));
}

TEST_F(FilesTest, ReplaceOnAFullDiskKeepsTheOldFile) {
  WriteNativeFile(Native("r.cfg"), "old");
  const int status = InChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
      ReplaceFileContents(Program("r.cfg"), std::string(100000, 'x'));
    } catch (const EFCreateError&) {
      return 0;
    }
    return 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadNativeFile(Native("r.cfg")), "old");
}

TEST_F(FilesTest, StreamReportsAFullDisk) {
  const int status = InChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    auto stream = OpenFile(Program("big.bin"), "wb");
    const bool written = stream->Write(std::string(100000, 'x'));
    const bool closed = stream->Close();
    return !written && !closed ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
}

TEST_F(FilesTest, ReadFileContentsReadsEveryByte) {
  std::string bytes(3 << 20, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  WriteNativeFile(Native("big.bin"), bytes);
  std::string read;
  ASSERT_TRUE(ReadFileContents(Program("big.bin"), read));
  EXPECT_EQ(read, bytes);
  EXPECT_FALSE(ReadFileContents(Program("missing"), read));
  EXPECT_FALSE(ReadFileContents(ProgramPath(Root()), read));
}

// A replacement's file stays while its process runs and goes once it was
// killed: a copy from a FIFO no one writes to blocks after making it.
TEST_F(FilesTest, AReplacementLeftByAKilledProcessIsRemovedAndARunningOnesStays) {
  ASSERT_EQ(mkfifo(Native("fifo").c_str(), 0600), 0);
  const pid_t writer = fork();
  if (writer == 0) _exit(CopyFile(Program("fifo"), Program("to"), false) ? 0 : 1);
  const auto replacementLeft = [&] { return TemporaryFilesLeft() > 0; };
  while (!replacementLeft()) usleep(1000);
  RemoveAbandonedScratch(ProgramPath(Root()));
  EXPECT_TRUE(replacementLeft());
  kill(writer, SIGKILL);
  waitpid(writer, nullptr, 0);
  RemoveAbandonedScratch(ProgramPath(Root()));
  EXPECT_FALSE(replacementLeft());
  EXPECT_TRUE(fs::exists(Native("fifo")));
}

TEST_F(FilesTest, OnlyAReplacementsOwnNameWithAnEndedWriterIsRemoved) {
  const std::string ended = std::to_string(EndedProcessId());
  const std::string running = std::to_string(getpid());
  const std::pair<std::string, bool> names[] = {
      {".mkreplace-" + ended + "-1700000000-0", true},
      {".mkreplace-" + ended + "-1700000000-12", true},
      {".mkreplace-" + running + "-1700000000-0", false},
      {".mkreplace-" + ended + "-1700000000", false},
      {".mkreplace-" + ended + "-1700000000-0-1", false},
      {".mkreplace-" + ended + "-17x0-0", false},
      {".mkreplace-0-1700000000-0", false},
      {".mkreplace-99999999999999999999-1-0", false},
      {"x.mkreplace-" + ended + "-1700000000-0", false},
      {"r.cfg", false},
  };
  for (const auto& [name, removed] : names) WriteNativeFile(Native(name), "half");
  fs::create_directory(Native(".mkreplace-" + ended + "-1700000000-1"));
  RemoveAbandonedScratch(ProgramPath(Root()));
  for (const auto& [name, removed] : names) EXPECT_EQ(fs::exists(Native(name)), !removed) << name;
  EXPECT_TRUE(fs::is_directory(Native(".mkreplace-" + ended + "-1700000000-1")));
}

// --- Copy, delete, exists --------------------------------------------------

TEST_F(FilesTest, CopyReplacesTheTargetUnlessAskedNotTo) {
  WriteNativeFile(Native("from"), "new");
  WriteNativeFile(Native("to"), "old");
  EXPECT_FALSE(CopyFile(Program("from"), Program("to"), true));
  EXPECT_EQ(ReadNativeFile(Native("to")), "old");
  EXPECT_TRUE(CopyFile(Program("from"), Program("to"), false));
  EXPECT_EQ(ReadNativeFile(Native("to")), "new");
  EXPECT_TRUE(CopyFile(Program("from"), Program("fresh"), true));
  EXPECT_EQ(ReadNativeFile(Native("fresh")), "new");
}

TEST_F(FilesTest, CopyOfAMissingFileChangesNothing) {
  WriteNativeFile(Native("to"), "old");
  EXPECT_FALSE(CopyFile(Program("missing"), Program("to"), false));
  EXPECT_FALSE(CopyFile(Program("missing"), Program("other"), true));
  EXPECT_EQ(ReadNativeFile(Native("to")), "old");
  EXPECT_FALSE(fs::exists(Native("other")));
}

TEST_F(FilesTest, FailedCopyKeepsTheTarget) {
  WriteNativeFile(Native("from"), "new");
  WriteNativeFile(Native("to"), "old");
  FaultInjection faults;
  faults.FailWritesFrom(1);
  EXPECT_FALSE(CopyFile(Program("from"), Program("to"), false));
  EXPECT_FALSE(CopyFile(Program("from"), Program("fresh"), true));
  EXPECT_EQ(ReadNativeFile(Native("to")), "old");
  EXPECT_FALSE(fs::exists(Native("fresh")));
}

TEST_F(FilesTest, ExistenceSizeDeleteAndFolders) {
  WriteNativeFile(Native("f"), "12345");
  EXPECT_TRUE(FileExists(Program("f")));
  EXPECT_FALSE(DirectoryExists(Program("f")));
  EXPECT_EQ(FileSize(Program("f")), 5);
  EXPECT_TRUE(CreateDir(Program("d")));
  EXPECT_FALSE(CreateDir(Program("d")));
  EXPECT_TRUE(DirectoryExists(Program("d")));
  EXPECT_FALSE(FileExists(Program("d")));
  EXPECT_FALSE(DeleteFile(Program("d")));
  EXPECT_TRUE(DeleteFile(Program("f")));
  EXPECT_FALSE(DeleteFile(Program("f")));
  EXPECT_EQ(FileSize(Program("f")), -1);
}

TEST_F(FilesTest, RenameReplacesTheTarget) {
  WriteNativeFile(Native("a"), "A");
  WriteNativeFile(Native("b"), "B");
  EXPECT_TRUE(RenameFile(Program("a"), Program("b")));
  EXPECT_EQ(ReadNativeFile(Native("b")), "A");
  EXPECT_FALSE(RenameFile(Program("a"), Program("b")));
}

// --- Folders of the environment --------------------------------------------

TEST_F(FilesTest, TempFolderFollowsTempThenTmpdirThenTmp) {
  setenv("TEMP", (TempDir() + "/").c_str(), 1);
  EXPECT_EQ(TempFolder(), ProgramPath(TempDir()));
  unsetenv("TEMP");
  const char* tmpdir = getenv("TMPDIR");
  const std::string saved = tmpdir ? tmpdir : "";
  setenv("TMPDIR", Root().c_str(), 1);
  EXPECT_EQ(TempFolder(), ProgramPath(Root()));
  unsetenv("TMPDIR");
  EXPECT_EQ(TempFolder(), "/tmp");
  if (tmpdir) setenv("TMPDIR", saved.c_str(), 1);
}

TEST_F(FilesTest, ExeDirIsTheRunningProgramsFolder) {
  EXPECT_EQ(platform::ExeDir(), ProgramPath(SandboxTest::ExeDir()));
  SetExeDirForTesting("");
  EXPECT_EQ(platform::ExeDir(), ProgramPath(fs::read_symlink("/proc/self/exe").parent_path().string()));
}

// --- Locks -------------------------------------------------------------------

TEST_F(FilesTest, FileLockOnAFolderExcludesAnotherProcess) {
  FileLock lock(ProgramPath(Root()));
  ASSERT_TRUE(lock.Held());
  const int status = InChild([&] {
    const int fd = open(Root().c_str(), O_RDONLY);
    return flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
}

TEST_F(FilesTest, FileLockWaitsForTheHolder) {
  WriteNativeFile(Native("log"), "");
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  // Fork before locking: a child would otherwise share the parent's lock.
  const pid_t child = fork();
  if (child == 0) {
    char byte;
    if (read(go[0], &byte, 1) != 1) _exit(1);
    FileLock mine(ProgramPath(Root()));
    std::ofstream(Native("log"), std::ios::app) << "child";
    _exit(0);
  }
  auto lock = std::make_unique<FileLock>(ProgramPath(Root()));
  ASSERT_EQ(write(go[1], "g", 1), 1);
  std::ofstream(Native("log"), std::ios::app) << "parent,";
  lock.reset();
  waitpid(child, nullptr, 0);
  EXPECT_EQ(ReadNativeFile(Native("log")), "parent,child");
}

TEST_F(FilesTest, SharedLocksCoexistButExcludeAWriter) {
  FileLock reader(ProgramPath(Root()), LockKind::Shared);
  const int status = InChild([&] {
    const int fd = open(Root().c_str(), O_RDONLY);
    const bool shared = flock(fd, LOCK_SH | LOCK_NB) == 0;
    flock(fd, LOCK_UN);
    const bool exclusive = flock(fd, LOCK_EX | LOCK_NB) == 0;
    return shared && !exclusive ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
}

TEST_F(FilesTest, FileLockOnAMissingPathIsNotHeldAndCreatesNothing) {
  FileLock lock(Program("missing"));
  EXPECT_FALSE(lock.Held());
  EXPECT_FALSE(fs::exists(Native("missing")));
}
