// Platform code: literals here are UTF-8; Shift-JIS bytes are spelled out.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/base/Exception.h"
#include "platform/files/FaultInjection.h"
#include "platform/registry/Registry.h"
#include "platform/text/ShiftJis.h"
#include "tests/support/NativeFiles.h"
#include "tests/support/Sandbox.h"

namespace fs = std::filesystem;

namespace {

const char* kSettingsKey = "\\Software\\Ostrel\\Marrowkit";
const std::string kSo = "\x83\x5C";   // ソ: the trail byte is 0x5C
const std::string kHyo = "\x95\x5C";  // 表

}  // namespace

class RegistryTest : public SandboxTest {
 protected:
  std::string StoreFile() const { return RegistryDir() + "/HKEY_CURRENT_USER.reg"; }

  TRegistry OpenSettings() {
    TRegistry reg;
    reg.RootKey = HKEY_CURRENT_USER;
    EXPECT_TRUE(reg.OpenKey(kSettingsKey, true));
    return reg;
  }

  // Each child writes count values named prefix000.. at the same time as the other.
  pid_t WriterProcess(const std::string& prefix, int count) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    try {
      TRegistry reg = OpenSettings();
      for (int i = 0; i < count; ++i)
        reg.WriteString(prefix + std::to_string(i), "value" + std::to_string(i));
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
};

// --- Keys --------------------------------------------------------------------

TEST_F(RegistryTest, OpenKeyCreatesTheKeyAndItsParentsOnlyWhenAsked) {
  TRegistry reg;
  EXPECT_FALSE(reg.KeyExists(kSettingsKey));
  EXPECT_FALSE(reg.OpenKey(kSettingsKey, false));
  EXPECT_TRUE(reg.OpenKey(kSettingsKey, true));
  EXPECT_TRUE(reg.KeyExists(kSettingsKey));
  EXPECT_TRUE(reg.KeyExists("\\Software\\Ostrel"));
  EXPECT_TRUE(TRegistry().OpenKey("\\SOFTWARE\\ostrel\\MARROWKIT", false)) << "names ignore case";
}

TEST_F(RegistryTest, KeysWithoutLeadingSeparatorAreRelativeToTheCurrentKey) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Clients", true));
  ASSERT_TRUE(reg.OpenKey("Mail\\Quillet", true));
  EXPECT_EQ(reg.CurrentPath(), "SOFTWARE\\Clients\\Mail\\Quillet");
  EXPECT_TRUE(reg.KeyExists("\\SOFTWARE\\Clients\\Mail"));
  reg.CloseKey();
  EXPECT_EQ(reg.CurrentPath(), "");
}

TEST_F(RegistryTest, KeyNamesEndingInTrailByte5CStayWhole) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\" + kSo + "\\" + kHyo, true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\" + kSo + "\\" + kHyo);
  EXPECT_TRUE(reg.KeyExists("\\Software\\" + kSo));
  EXPECT_FALSE(reg.KeyExists("\\Software\\\x83"));
}

TEST_F(RegistryTest, RootsAreSeparateStores) {
  TRegistry machine;
  machine.RootKey = HKEY_LOCAL_MACHINE;
  ASSERT_TRUE(machine.OpenKey("\\SOFTWARE\\Clients\\Mail\\Quillet", true));
  machine.WriteString("", "Quillet");
  TRegistry user;
  EXPECT_FALSE(user.KeyExists("\\SOFTWARE\\Clients\\Mail\\Quillet"));
  machine.RootKey = HKEY_CURRENT_USER;
  EXPECT_EQ(machine.CurrentPath(), "") << "the key belongs to its own root";
  EXPECT_TRUE(fs::exists(RegistryDir() + "/HKEY_LOCAL_MACHINE.reg"));
}

// --- String values -------------------------------------------------------------

TEST_F(RegistryTest, ValueNamesIgnoreCase) {
  TRegistry writer = OpenSettings();
  writer.WriteString("FONT", "IPAGothic");
  TRegistry reader = OpenSettings();
  EXPECT_TRUE(reader.ValueExists("Font"));
  EXPECT_EQ(reader.ReadString("Font"), "IPAGothic");
  reader.WriteString("font", "Noto Sans CJK JP");
  EXPECT_EQ(writer.ReadString("FONT"), "Noto Sans CJK JP");
}

TEST_F(RegistryTest, AbsentValuesReadAsEmptyText) {
  TRegistry reg = OpenSettings();
  EXPECT_FALSE(reg.ValueExists("PPPATH"));
  EXPECT_EQ(reg.ReadString("PPPATH"), "");
  EXPECT_EQ(TRegistry().ReadString("PPPATH"), "") << "no key open";
}

TEST_F(RegistryTest, ShiftJisAndAwkwardBytesRoundTrip) {
  std::string value = kSo + kHyo + "\\\"%\r\n\t end";
  for (int byte = 0x80; byte <= 0xFF; ++byte) value.push_back(static_cast<char>(byte));
  const std::string name = platform::SjisFromUtf8("名前 ") + kSo;
  OpenSettings().WriteString(name, value);
  EXPECT_EQ(OpenSettings().ReadString(name), value);
}

TEST_F(RegistryTest, EmptyNameIsTheKeysUnnamedValue) {
  TRegistry reg = OpenSettings();
  reg.WriteString("", "URL:MailTo Protocol");
  reg.WriteString("URL Protocol", "");
  EXPECT_EQ(reg.ReadString(""), "URL:MailTo Protocol");
  EXPECT_TRUE(reg.ValueExists("URL Protocol"));
  EXPECT_EQ(reg.ReadString("URL Protocol"), "");
}

TEST_F(RegistryTest, WriteWithoutAnOpenKeyIsRefused) {
  TRegistry reg;
  EXPECT_THROW(reg.WriteString("NAME", "x"), ERegistryException);
}

// --- Binary values -------------------------------------------------------------

TEST_F(RegistryTest, BinaryValuesRoundTripAndKeepTheirType) {
  TRegistry reg = OpenSettings();
  const unsigned char flags[4] = {2, 0, 0, 0};
  reg.WriteBinaryData("EditFlags", flags, 4);
  unsigned char read[8] = {};
  EXPECT_EQ(reg.ReadBinaryData("EditFlags", read, sizeof read), 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(read), 4), std::string("\x02\0\0\0", 4));
  EXPECT_EQ(reg.ReadBinaryData("Missing", read, sizeof read), 0);
}

TEST_F(RegistryTest, ReadingAValueAsTheWrongTypeRaises) {
  TRegistry reg = OpenSettings();
  const unsigned char flags[4] = {2, 0, 0, 0};
  reg.WriteBinaryData("EditFlags", flags, 4);
  reg.WriteString("NAME", "taro");
  unsigned char small[2];
  EXPECT_THROW(reg.ReadString("editflags"), ERegistryException);
  EXPECT_THROW(reg.ReadBinaryData("NAME", small, sizeof small), ERegistryException);
  EXPECT_THROW(reg.ReadBinaryData("EditFlags", small, sizeof small), ERegistryException);
}

// --- The store on disk ---------------------------------------------------------

// Each write rewrites the whole store and syncs it: sixty each are enough
// to overlap, and take seconds under the sanitizers on a busy machine.
TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kWritesEach = 60;
  const pid_t first = WriterProcess("A", kWritesEach);
  const pid_t second = WriterProcess("B", kWritesEach);
  int firstStatus = 0, secondStatus = 0;
  waitpid(first, &firstStatus, 0);
  waitpid(second, &secondStatus, 0);
  ASSERT_EQ(firstStatus, 0);
  ASSERT_EQ(secondStatus, 0);
  TRegistry reg = OpenSettings();
  for (const char* prefix : {"A", "B"})
    for (int i = 0; i < kWritesEach; ++i)
      ASSERT_EQ(reg.ReadString(prefix + std::to_string(i)), "value" + std::to_string(i)) << prefix << i;
}

TEST_F(RegistryTest, CorruptStoreGivesAClearErrorAndIsNotOverwritten) {
  OpenSettings().WriteString("PPPATH", "/home/user/PostPet");
  std::string bytes = ReadNativeFile(StoreFile());
  bytes.resize(bytes.size() - 3);  // a cut-off last line
  std::ofstream(StoreFile(), std::ios::binary | std::ios::trunc) << bytes;
  TRegistry reg;
  try {
    reg.OpenKey(kSettingsKey, true);
    FAIL() << "no error";
  } catch (const ERegistryException& error) {
    EXPECT_NE(error.Message.find(platform::SjisFromUtf8("が壊れています")), std::string::npos);
    EXPECT_NE(error.Message.find("HKEY_CURRENT_USER.reg"), std::string::npos);
  }
  EXPECT_EQ(ReadNativeFile(StoreFile()), bytes);
}

TEST_F(RegistryTest, ValuesOfAStoreThatBecameCorruptAreNotWiped) {
  TRegistry reg = OpenSettings();
  reg.WriteString("PPPATH", "/home/user/PostPet");
  std::ofstream(StoreFile(), std::ios::app) << "garbage\n";
  const std::string bytes = ReadNativeFile(StoreFile());
  EXPECT_THROW(reg.WriteString("NAME", "taro"), ERegistryException);
  EXPECT_THROW(reg.ReadString("PPPATH"), ERegistryException);
  EXPECT_EQ(ReadNativeFile(StoreFile()), bytes);
}

TEST_F(RegistryTest, FailedWriteRaisesAndKeepsTheOldValues) {
  TRegistry reg = OpenSettings();
  reg.WriteString("NAME", "taro");
  platform::FaultInjection faults;
  faults.FailSync();
  try {
    reg.WriteString("NAME", "jiro");
    FAIL() << "no error";
  } catch (const ERegistryException& error) {
    EXPECT_EQ(error.Message.rfind(platform::SjisFromUtf8("レジストリに書き込めません"), 0), 0u);
  }
  EXPECT_EQ(reg.ReadString("NAME"), "taro");
}

TEST_F(RegistryTest, AKeyThatCannotBeCreatedIsNotOpened) {
  std::ofstream(Root() + "/not-a-folder") << "x";
  setenv("MARROWKIT_REGISTRY_DIR", (Root() + "/not-a-folder").c_str(), 1);
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey(kSettingsKey, true));
  EXPECT_THROW(reg.CreateKey(kSettingsKey), ERegistryException);
  EXPECT_THROW(reg.WriteString("NAME", "x"), ERegistryException);
}

TEST_F(RegistryTest, StoreFolderFollowsXdgConfigHomeThenHome) {
  unsetenv("MARROWKIT_REGISTRY_DIR");
  setenv("XDG_CONFIG_HOME", (Root() + "/config").c_str(), 1);
  OpenSettings();
  EXPECT_TRUE(fs::exists(Root() + "/config/marrowkit-registry/HKEY_CURRENT_USER.reg"));
  unsetenv("XDG_CONFIG_HOME");
  const std::string home = getenv("HOME") ? getenv("HOME") : "";
  setenv("HOME", (Root() + "/home").c_str(), 1);
  OpenSettings();
  EXPECT_TRUE(fs::exists(Root() + "/home/.config/marrowkit-registry/HKEY_CURRENT_USER.reg"));
  setenv("HOME", home.c_str(), 1);
}
