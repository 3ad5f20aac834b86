#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "browser/store/SettingsKey.h"
#include "platform/base/Exception.h"
#include "tests/support/NativeFiles.h"
#include "tests/support/Sandbox.h"

namespace {

const char* kKeyPath = "\\Software\\Ostrel\\Marrowkit";

}  // namespace

class SettingsKeyTest : public SandboxTest {
 protected:
  // Another program's access to the key, through the registry itself.
  TRegistry RawKey() {
    TRegistry reg;
    reg.RootKey = HKEY_CURRENT_USER;
    EXPECT_TRUE(reg.OpenKey(kKeyPath, true));
    return reg;
  }
  std::string StoreFile() const { return RegistryDir() + "/HKEY_CURRENT_USER.reg"; }
};

TEST_F(SettingsKeyTest, FirstStartCreatesTheKeyWithEveryValueEmpty) {
  SettingsKey key;
  EXPECT_TRUE(key.IsOpen());
  EXPECT_TRUE(TRegistry().KeyExists(kKeyPath));
  for (Setting setting : {Setting::PostPetFolder, Setting::FolderList, Setting::Font, Setting::Viewer,
                          Setting::Editor, Setting::UserName}) {
    EXPECT_FALSE(key.Has(setting)) << SettingName(setting);
    EXPECT_EQ(key.Read(setting), "") << SettingName(setting);
  }
}

TEST_F(SettingsKeyTest, OpeningIfExistsCreatesNothing) {
  SettingsKey absent(SettingsKey::Open::IfExists);
  EXPECT_FALSE(absent.IsOpen());
  EXPECT_EQ(absent.Read(Setting::Editor), "");
  EXPECT_FALSE(TRegistry().KeyExists(kKeyPath));
  SettingsKey().Write(Setting::Editor, "/usr/bin/mousepad");
  EXPECT_EQ(SettingsKey(SettingsKey::Open::IfExists).Read(Setting::Editor), "/usr/bin/mousepad");
}

TEST_F(SettingsKeyTest, ValuesKeepTheirRegistryNames) {
  SettingsKey key;
  key.Write(Setting::PostPetFolder, "C:\\PostPet");
  key.Write(Setting::UserName, "山田");
  TRegistry raw = RawKey();
  EXPECT_EQ(raw.ReadString("PPPATH"), "C:\\PostPet");
  EXPECT_EQ(raw.ReadString("NAME"), "山田");
}

TEST_F(SettingsKeyTest, FontStoredUnderAnyCaseIsFound) {
  RawKey().WriteString("Font", "ＭＳ Ｐゴシック");
  SettingsKey key;
  EXPECT_TRUE(key.Has(Setting::Font));
  EXPECT_EQ(key.Read(Setting::Font), "ＭＳ Ｐゴシック");
}

class SettingsKeyPathTest : public SettingsKeyTest, public ::testing::WithParamInterface<Setting> {};

TEST_P(SettingsKeyPathTest, PathsAreHeldWhole) {
  // Longer than every capacity of the old programs, ending in a 0x5C trail byte.
  std::string path = "C:\\";
  while (path.size() < 600) path += "フォルダ\\";
  path += "ソ";
  SettingsKey().Write(GetParam(), path);
  EXPECT_EQ(SettingsKey().Read(GetParam()), path);
}

INSTANTIATE_TEST_SUITE_P(EveryPath, SettingsKeyPathTest,
                         ::testing::Values(Setting::PostPetFolder, Setting::FolderList, Setting::Viewer,
                                           Setting::Editor, Setting::Font));

TEST_F(SettingsKeyTest, LongNameIsCutAtACharacterBoundary) {
  const std::string exact(127, 'a');
  SettingsKey key;
  key.Write(Setting::UserName, exact);
  EXPECT_EQ(key.Read(Setting::UserName), exact);
  key.Write(Setting::UserName, std::string(126, 'a') + "表");  // 表 would end at byte 128
  EXPECT_EQ(key.Read(Setting::UserName), std::string(126, 'a'));
  key.Write(Setting::UserName, std::string(300, 'b'));
  EXPECT_EQ(key.Read(Setting::UserName), std::string(127, 'b'));
}

TEST_F(SettingsKeyTest, ANonStringValueRaises) {
  const unsigned char bytes[2] = {1, 2};
  RawKey().WriteBinaryData("VIEWER", bytes, 2);
  SettingsKey key;
  EXPECT_THROW(key.Read(Setting::Viewer), ERegistryException);
}

TEST_F(SettingsKeyTest, CorruptStoreReadsEmptyAndRefusesWritesWithoutWipingIt) {
  SettingsKey().Write(Setting::PostPetFolder, "C:\\PostPet");
  std::ofstream(StoreFile(), std::ios::app) << "garbage\n";
  const std::string bytes = ReadNativeFile(StoreFile());
  SettingsKey key;
  EXPECT_FALSE(key.IsOpen());
  EXPECT_EQ(key.Read(Setting::PostPetFolder), "");
  try {
    key.Write(Setting::Viewer, "/usr/bin/less");
    FAIL() << "no error";
  } catch (const ERegistryException& error) {
    EXPECT_NE(error.Message.find("壊れています"), std::string::npos);
  }
  EXPECT_EQ(ReadNativeFile(StoreFile()), bytes);
}

TEST_F(SettingsKeyTest, KeyThatCannotBeOpenedReadsEmptyAndRefusesWrites) {
  std::ofstream(Root() + "/not-a-folder") << "x";
  setenv("MARROWKIT_REGISTRY_DIR", (Root() + "/not-a-folder").c_str(), 1);
  SettingsKey key;
  EXPECT_FALSE(key.IsOpen());
  EXPECT_EQ(key.Read(Setting::UserName), "");
  EXPECT_THROW(key.Write(Setting::UserName, "x"), ERegistryException);
}
