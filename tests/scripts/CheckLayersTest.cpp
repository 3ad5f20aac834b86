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
  std::string complaint;  // empty: the include is allowed
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

INSTANTIATE_TEST_SUITE_P(
    Includes, CheckLayersTest,
    ::testing::Values(
        Planted{"browser/store/ListFile.cpp", "#include <QString>", "Qt is included only in platform/"},
        Planted{"transport/Psock.h", "  #  include <QtCore/QObject>", "Qt is included only in platform/"},
        Planted{"mailer/Main.cpp", "#include <unistd.h>", "POSIX is included only in platform/"},
        Planted{"browser/Main.cpp", "#include <sys/stat.h>", "POSIX is included only in platform/"},
        Planted{"browser/store/MailFile.h", "#include \"platform/forms/Forms.h\"",
                "the store never includes a form"},
        Planted{"browser/store/MailFile.cpp", "#include \"browser/common/ErrorBox.h\"",
                "the store never includes a form"},
        Planted{"platform/files/Files.h", "#include \"../../browser/store/ListFile.h\"",
                "platform/ never includes browser/, mailer/ or transport/"},
        Planted{"platform/forms/Forms.cpp", "#include \"mailer/Main.h\"",
                "platform/ never includes browser/, mailer/ or transport/"},
        Planted{"browser/common/About.cpp", "#include \"browser/Main.h\"",
                "the common dialogs never include Dorvane's units"},
        Planted{"transport/Znsmtp.cpp", "#include \"browser/store/MailFile.h\"",
                "the transport never includes browser/ or mailer/"},
        Planted{"transport/Znsmtp.cpp", "#include \"platform/forms/Dialogs.h\"",
                "the transport never includes a form"},
        Planted{"browser/Dname.cpp", "#include \"transport/Znsmtp.h\"",
                "Dorvane never includes the mailer or the transport"},
        Planted{"browser/Main.cpp", "#include \"mailer/Main.h\"",
                "Dorvane never includes the mailer or the transport"},
        Planted{"mailer/Smtpopt.cpp", "#include \"browser/Dname.h\"",
                "the mailer includes from browser/ only the store and common"},
        Planted{"mailer/Main.cpp", "#include \"browser/store/SettingsKey.h\"", ""},
        Planted{"mailer/Main.cpp", "#include \"platform/forms/Menus.h\"", ""},
        Planted{"browser/Main.cpp", "#include <string>", ""},
        Planted{"tests/browser/MainWindowTest.cpp", "#include <QApplication>", ""}));

}  // namespace
