// The header-end history in the program folder, without the dialog.

#include "browser/HeaderEndHistory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/files/Files.h"
#include "tests/support/NoAccessOverride.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/Sandbox.h"

namespace {

class HeaderEndHistoryTest : public SandboxTest {
 protected:
  std::string Program() const { return platform::ProgramPath(ExeDir()); }
  std::string Path() const { return Program() + "\\dorvnhe.cfg"; }
};

TEST_F(HeaderEndHistoryTest, AFolderWithoutTheFileHasNoTextsAndGetsTheSavedOnesInTheirOrder) {
  EXPECT_EQ(LoadHeaderEndHistory(Program()).Count(), 0);
  EXPECT_FALSE(platform::PathExists(Path()));
  TStringList texts;
  for (const char* text : {"--------", "-- ", "ソ表"}) texts.Add(text);
  SaveHeaderEndHistory(Program(), texts);
  EXPECT_EQ(ReadBytes(Path()), "--------\r\n-- \r\nソ表\r\n");
  EXPECT_EQ(LoadHeaderEndHistory(Program()).Text(), texts.Text());
}

// Taken as empty, the history would be overwritten by the dialog's next OK.
TEST_F(HeaderEndHistoryTest, AFileThatCannotBeReadRaisesInsteadOfGivingNoTexts) {
  WriteBytes(Path(), "END\r\n");
  chmod((ExeDir() + "/dorvnhe.cfg").c_str(), 0);
  NoAccessOverride noOverride;
  EXPECT_THROW(LoadHeaderEndHistory(Program()), EFOpenError);
}

}  // namespace
