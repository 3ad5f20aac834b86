// The layer check: a scratch tree with one planted include is refused with
// the broken rule, its file and its line; an include the rules allow passes.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/NativeFiles.h"
#include "tests/support/ScratchFolder.h"

namespace {

struct Planted {
  std::string file;
  std::string include;
  std::string complaint = {};  // empty: the include is allowed
  std::string existing = {};   // a file the include may find beside the planting one
};

void PrintTo(const Planted& planted, std::ostream* os) { *os << planted.file << " " << planted.include; }

struct CheckResult {
  int status = -1;
  std::string output;
};

CheckResult CheckLayers(const std::string& tree) {
  const char* source = std::getenv("MARROWKIT_SOURCE_DIR");
  const std::string command = std::string(source ? source : ".") + "/scripts/check-layers '" + tree + "' 2>&1";
  CheckResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[512];
  while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) result.output.append(buffer, n);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

class CheckLayersTest : public ::testing::TestWithParam<Planted> {
 protected:
  // The file holds a comment line first, so that the include stands on line 2.
  void Plant(const std::string& file, const std::string& include) {
    const std::filesystem::path path = std::filesystem::path(m_tree.Root()) / file;
    std::filesystem::create_directories(path.parent_path());
    WriteNativeFile(path.string(), "// planted\n" + include + "\n");
  }
  ScratchFolder m_tree;
};

TEST_P(CheckLayersTest, NamesTheBrokenRuleWithFileAndLine) {
  const Planted& planted = GetParam();
  Plant("platform/text/Allowed.cpp", "#include <QString>");
  if (!planted.existing.empty()) Plant(planted.existing, "");
  Plant(planted.file, planted.include);
  const CheckResult result = CheckLayers(m_tree.Root());
  if (planted.complaint.empty()) {
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(result.output, "");
  } else {
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output, planted.file + ":2: " + planted.complaint + "\n");
  }
}

const std::string kProgramCode = "program code includes only the project's headers and the C++ standard library";
const std::string kPlatform = "platform/ includes no project header outside platform/";
const std::string kStore = "the store includes only itself and platform/ below the forms";
const std::string kCommon = "the common dialogs include only themselves, the store and platform/";
const std::string kDorvane = "Dorvane includes only its own units, the store, the common dialogs and platform/";
const std::string kWork =
    "work below Dorvane's forms includes no form: only such work, the store and platform/ below the forms";
const std::string kTransport = "the transport includes only itself and platform/ below the forms";
const std::string kMailer =
    "the mailer includes only itself, the store, the common dialogs, the transport and platform/";

// One row per rule and include form: quoted from the source root, angled,
// relative ("../"), found beside the including file; the system's headers
// also by a quoted name, an absolute path, a path out of the tree and a macro.
INSTANTIATE_TEST_SUITE_P(
    Includes, CheckLayersTest,
    ::testing::Values(
        Planted{"browser/store/ListFile.cpp", "#include <QString>", kProgramCode},
        Planted{"transport/Psock.h", "  #  include <QtCore/QObject>", kProgramCode},
        Planted{"mailer/Main.cpp", "#include <unistd.h>", kProgramCode},
        Planted{"browser/Main.cpp", "#include<sys/stat.h>", kProgramCode},
        Planted{"browser/Import.cpp", "#include <regex.h>", kProgramCode},
        Planted{"browser/Main.cpp", "%:include <err.h>", kProgramCode},
        Planted{"transport/Znsmtp.cpp", "#include \"ifaddrs.h\"", kProgramCode},
        Planted{"browser/Main.cpp", "#include \"/usr/include/utime.h\"", kProgramCode},
        Planted{"browser/store/MailFile.cpp", "#include \"../../../usr/include/ftw.h\"", kProgramCode},
        Planted{"mailer/Main.cpp", "#include LANGINFO_HEADER", kProgramCode},
        Planted{"platform/forms/Forms.cpp", "#include \"mailer/Main.h\"", kPlatform},
        Planted{"platform/text/ShiftJis.cpp", "#include <transport/Znsmtp.h>", kPlatform},
        Planted{"platform/files/Files.h", "#include \"../../browser/store/ListFile.h\"", kPlatform},
        Planted{"platform/base/Format.cpp", "#include \"tests/support/Sandbox.h\"", kPlatform},
        Planted{"browser/store/MailFile.h", "#include \"platform/forms/Forms.h\"", kStore},
        Planted{"browser/store/MailFile.cpp", "#include <browser/common/ErrorBox.h>", kStore},
        Planted{"browser/store/ListFile.cpp", "#include \"../Import.h\"", kStore},
        Planted{"browser/store/ListFile.cpp", "#include \"../../transport/Znsmtp.h\"", kStore},
        Planted{"browser/common/About.cpp", "#include \"browser/Main.h\"", kCommon},
        Planted{"browser/common/About.cpp", "#include <browser/Import.h>", kCommon},
        Planted{"browser/common/ErrorBox.cpp", "#include \"../Main.h\"", kCommon},
        Planted{"browser/Dname.cpp", "#include \"transport/Znsmtp.h\"", kDorvane},
        Planted{"browser/Main.cpp", "#include <mailer/Main.h>", kDorvane},
        Planted{"browser/Main.cpp", "#include \"../mailer/Main.h\"", kDorvane},
        Planted{"browser/Import.cpp", "#include \"platform/forms/Dialogs.h\"", kWork},
        Planted{"browser/SortRun.cpp", "#include <browser/common/ErrorBox.h>", kWork},
        Planted{"browser/ReplyHandOver.cpp", "#include \"../browser/Main.h\"", kWork},
        Planted{"browser/Import.cpp", "#include \"Headend.h\"", kWork, "browser/Headend.h"},
        Planted{"transport/Znsmtp.cpp", "#include \"browser/store/MailFile.h\"", kTransport},
        Planted{"transport/Znsmtp.cpp", "#include <platform/forms/Dialogs.h>", kTransport},
        Planted{"transport/Psock.cpp", "#include \"../mailer/Main.h\"", kTransport},
        Planted{"mailer/Smtpopt.cpp", "#include \"browser/Dname.h\"", kMailer},
        Planted{"mailer/Main.cpp", "#include <browser/Main.h>", kMailer},
        Planted{"mailer/Main.cpp", "#include \"../browser/Import.h\"", kMailer},
        Planted{"mailer/Main.cpp", "#include \"tests/support/Sandbox.h\"", kMailer},
        Planted{"mailer/Main.cpp", "#include \"browser/store/SettingsKey.h\""},
        Planted{"mailer/Main.cpp", "#include <platform/forms/Menus.h>"},
        Planted{"browser/Import.cpp", "#include \"store/ListFile.h\"", "", "browser/store/ListFile.h"},
        Planted{"browser/SortRun.cpp", "#include \"../browser/store/ListFile.h\""},
        Planted{"browser/Main.cpp", "#include <string>  // the standard library"},
        Planted{"platform/files/Paths.cpp", "#include <linux/fs.h>"},
        Planted{"tests/browser/MainWindowTest.cpp", "#include <QApplication>"}));

}  // namespace
