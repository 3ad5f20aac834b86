// Registration as a mail client: the registry rows, the desktop entry the
// desktop's own validator accepts, and a store that refuses the writes.

#include <gtest/gtest.h>

#include <filesystem>

#include "mailer/MailClientRegistration.h"
#include "platform/files/Files.h"
#include "platform/forms/Menus.h"
#include "platform/registry/Registry.h"
#include "tests/mailer/QuilletFixture.h"
#include "tests/support/NoAccessOverride.h"
#include "tests/support/ProgramRun.h"

namespace {

class RegistrationTest : public QuilletFixture {
 protected:
  // The value name of key, read back under HKEY_LOCAL_MACHINE; "<none>" when absent.
  static std::string Stored(const std::string& key, const std::string& name) {
    TRegistry registry;
    registry.RootKey = HKEY_LOCAL_MACHINE;
    if (!registry.OpenKey("\\SOFTWARE\\Clients\\Mail\\Quillet" + key, false) || !registry.ValueExists(name))
      return "<none>";
    if (name != "EditFlags") return registry.ReadString(name);
    char bytes[8];
    return std::string(bytes, registry.ReadBinaryData(name, bytes, sizeof bytes));
  }
  std::string EntryPath() const { return platform::NativePath(DesktopEntryPath()); }
};

TEST_F(RegistrationTest, SevenRowsNameTheProgramWhereverItRunsFrom) {
  ASSERT_TRUE(RegisterMailClient("/elsewhere/quillet"));
  auto form = Open("");
  form->IESet->Click();  // from the sandbox's program folder this time
  EXPECT_TRUE(driver.MessageBoxes.empty());
  const std::string program = std::string("\"").append(platform::ProgramPath(ExeDir())).append("/quillet\"");
  const struct {
    const char* key;
    const char* name;
    std::string data;
  } rows[] = {
      {"", "", "Quillet"},
      {"\\Protocols\\mailto", "", "URL:MailTo Protocol"},
      {"\\Protocols\\mailto", "EditFlags", std::string("\x02\0\0\0", 4)},
      {"\\Protocols\\mailto", "URL Protocol", ""},
      {"\\Protocols\\mailto\\DefaultIcon", "", program},
      {"\\shell\\open\\command", "", program},
      {"\\Protocols\\mailto\\shell\\open\\command", "", program + " \"%1\""},
  };
  for (const auto& row : rows) EXPECT_EQ(Stored(row.key, row.name), row.data) << row.key << " " << row.name;
}

TEST_F(RegistrationTest, DesktopEntryIsValidQuotesAnOddPathAndChoosesNoDefault) {
  const std::string folder = Root() + "/my \"odd\" $dir 100%";
  ASSERT_TRUE(RegisterMailClient(platform::ProgramPath(folder) + "\\quillet"));
  EXPECT_EQ(DesktopExecValue("/opt/my apps/quillet"), "\"/opt/my apps/quillet\" %u");  // a blank alone
  const std::string entry = ReadNative(EntryPath());
  EXPECT_NE(entry.find("\nExec=\"" + Root() + "/my \\\\\"odd\\\\\" \\\\$dir 100%%/quillet\" %u\n"),
            std::string::npos)
      << entry;
  EXPECT_NE(entry.find("\nMimeType=x-scheme-handler/mailto;\n"), std::string::npos);
  const size_t icon = entry.find("\nIcon=") + 6;
  EXPECT_EQ(ReadNative(entry.substr(icon, entry.find('\n', icon) - icon)).substr(1, 3), "PNG");
  ASSERT_TRUE(ProgramInstalled("desktop-file-validate"));
  EXPECT_EQ(RunProgram({"desktop-file-validate", EntryPath()}, "", Root() + "/validate.txt"), 0)
      << ReadNative(Root() + "/validate.txt");
  EXPECT_NE(ReadNative(DataDir() + "/applications/mimeinfo.cache").find("x-scheme-handler/mailto=marrowkit-quillet.desktop"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(DataDir() + "/applications/mimeapps.list"));
}

// The desktop's own tools in the sandbox start a recording program registered in Quillet's place.
TEST_F(RegistrationTest, TheDesktopsOpenerStartsTheRegisteredProgramWithTheUrl) {
  const std::string program = ExeDir() + "/quillet";
  WriteNative(program, "#!/bin/sh\nprintf '%s' \"$1\" > '" + Root() + "/noted'\n");
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  ASSERT_TRUE(RegisterMailClient(platform::ProgramPath(program)));
  EXPECT_EQ(RunProgram({"desktop-file-validate", EntryPath()}, "", ""), 0);
  RunProgram({"xdg-mime", "default", "marrowkit-quillet.desktop", "x-scheme-handler/mailto"}, "", "");
  RunProgram({"env", "XDG_CURRENT_DESKTOP=X-Generic", "DISPLAY=:0", "xdg-open", "mailto:a@b.jp?subject=x"}, "", "");
  EXPECT_EQ(ReadNative(Root() + "/noted"), "mailto:a@b.jp?subject=x");
}

TEST_F(RegistrationTest, DesktopEntryThatCannotBeWrittenIsReported) {
  auto form = Open("");
  std::filesystem::create_directories(EntryPath() + "/taken");  // a folder holds the entry's name
  form->IESet->Click();
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "メールクライアントとして登録できませんでした");
}

TEST_F(RegistrationTest, StoreThatRefusesWritesSaysSoAndWritesNothing) {
  auto form = Open("");
  std::filesystem::permissions(RegistryDir(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  {
    NoAccessOverride noOverride;
    form->IESet->Click();
  }
  std::filesystem::permissions(RegistryDir(), std::filesystem::perms::owner_all);
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "メールクライアントとして登録できませんでした");
  EXPECT_EQ(Stored("", ""), "<none>");
  EXPECT_FALSE(std::filesystem::exists(EntryPath()));
}

}  // namespace
