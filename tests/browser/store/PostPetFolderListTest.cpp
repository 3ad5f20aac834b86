#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/store/PostPetFolderList.h"
#include "browser/store/SettingsKey.h"
#include "platform/base/Exception.h"
#include "platform/files/FaultInjection.h"
#include "platform/files/Files.h"
#include "tests/support/NativeFiles.h"
#include "tests/support/Sandbox.h"

namespace {

std::vector<std::string> Items(const TStringList& rows) {
  std::vector<std::string> items;
  for (int i = 0; i < rows.Count(); ++i) items.push_back(rows[i]);
  return items;
}

using Rows = std::vector<std::string>;

}  // namespace

class PostPetFolderListTest : public SandboxTest {
 protected:
  // The folder dialog's steps at creation and at showing.
  PostPetFolderList CreatedAndShown() {
    PostPetFolderList list;
    list.ReadSetting();
    list.ResolvePath(platform::ExeDir());
    return list;
  }
  std::string DefaultListFile() const { return SandboxTest::ExeDir() + "/dorvnpfl.cfg"; }
};

TEST_F(PostPetFolderListTest, WithoutSettingTheDefaultFileIsChosenAndRemembered) {
  PostPetFolderList list;
  list.ReadSetting();
  EXPECT_FALSE(list.hasListSetting);
  list.ResolvePath(platform::ExeDir());
  EXPECT_EQ(list.listFilePath, platform::ExeDir() + "/dorvnpfl.cfg");
  EXPECT_EQ(SettingsKey().Read(Setting::FolderList), list.listFilePath);
  EXPECT_TRUE(list.LoadRows().Count() == 0);
}

TEST_F(PostPetFolderListTest, WithoutSettingAnExistingDefaultFileIsLoaded) {
  WriteNativeFile(DefaultListFile(), "C:\\PostPet\r\nD:\\ペット\r\n");
  EXPECT_EQ(Items(CreatedAndShown().LoadRows()), (Rows{"C:\\PostPet", "D:\\ペット"}));
}

TEST_F(PostPetFolderListTest, AnExistingSettingIsKeptWholeAndNotRewritten) {
  std::string path = platform::ProgramPath(Root());
  while (path.size() < 700) path += "\\表示";
  path += "\\list.cfg";
  SettingsKey().Write(Setting::FolderList, path);
  PostPetFolderList list = CreatedAndShown();
  EXPECT_TRUE(list.hasListSetting);
  EXPECT_EQ(list.listFilePath, path);
  EXPECT_EQ(SettingsKey().Read(Setting::FolderList), path);
}

TEST_F(PostPetFolderListTest, SettingNamingAMissingFileGivesNoRowsAndTheFirstSaveCreatesIt) {
  const std::string path = platform::ProgramPath(Root()) + "\\elsewhere.cfg";
  SettingsKey().Write(Setting::FolderList, path);
  PostPetFolderList list = CreatedAndShown();
  TStringList rows = list.LoadRows();
  EXPECT_EQ(rows.Count(), 0);
  AddFolderIfNew(rows, "C:\\PostPet");
  list.SaveRows(rows);
  EXPECT_EQ(ReadNativeFile(Root() + "/elsewhere.cfg"), "C:\\PostPet\r\n");
}

TEST_F(PostPetFolderListTest, RowsKeepOrderAndEmptyLines) {
  WriteNativeFile(DefaultListFile(), "b\r\n\r\na\nlast");
  EXPECT_EQ(Items(CreatedAndShown().LoadRows()), (Rows{"b", "", "a", "last"}));
}

TEST_F(PostPetFolderListTest, FoldersDifferingOnlyInCaseAreOneFolder) {
  TStringList rows;
  EXPECT_TRUE(AddFolderIfNew(rows, "C:\\PostPet"));
  EXPECT_FALSE(AddFolderIfNew(rows, "c:\\POSTPET"));
  EXPECT_FALSE(AddFolderIfNew(rows, "C:\\PostPet"));
  EXPECT_TRUE(AddFolderIfNew(rows, "C:\\PostPet\\"));  // another text, another row
  EXPECT_TRUE(AddFolderIfNew(rows, "D:\\ソフト"));
  EXPECT_EQ(Items(rows), (Rows{"C:\\PostPet", "C:\\PostPet\\", "D:\\ソフト"}));
}

TEST_F(PostPetFolderListTest, SavingEndsEveryLineWithCrLfAndReadsBackTheSame) {
  PostPetFolderList list = CreatedAndShown();
  TStringList rows;
  for (const char* folder : {"C:\\PostPet", "", "D:\\表\\ソ"}) rows.Add(folder);
  list.SaveRows(rows);
  EXPECT_EQ(ReadNativeFile(DefaultListFile()), "C:\\PostPet\r\n\r\nD:\\表\\ソ\r\n");
  EXPECT_EQ(Items(list.LoadRows()), Items(rows));
}

TEST_F(PostPetFolderListTest, AFailedSaveRaisesAndKeepsTheOldFile) {
  WriteNativeFile(DefaultListFile(), "C:\\PostPet\r\n");
  PostPetFolderList list = CreatedAndShown();
  TStringList rows = list.LoadRows();
  AddFolderIfNew(rows, "D:\\PostPet2");
  platform::FaultInjection faults;
  faults.FailWritesFrom(1);
  EXPECT_THROW(list.SaveRows(rows), EFCreateError);
  EXPECT_EQ(ReadNativeFile(DefaultListFile()), "C:\\PostPet\r\n");
}

TEST_F(PostPetFolderListTest, SavingWhereNoFileCanBeCreatedRaises) {
  SettingsKey().Write(Setting::FolderList, platform::ProgramPath(Root()) + "\\missing\\list.cfg");
  PostPetFolderList list = CreatedAndShown();
  TStringList rows;
  rows.Add("C:\\PostPet");
  EXPECT_THROW(list.SaveRows(rows), EFCreateError);
}
