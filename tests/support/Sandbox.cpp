#include "tests/support/Sandbox.h"

#include <cstdlib>
#include <filesystem>

#include "platform/files/Files.h"

void SandboxTest::SetUp() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/marrowkit-test-XXXXXX";
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  m_root = pattern;
  for (const std::string& dir : {ExeDir(), PostPetDir(), TempDir(), RegistryDir(), DataDir(), ConfigDir()})
    std::filesystem::create_directories(dir);
  setenv("TEMP", TempDir().c_str(), 1);
  setenv("MARROWKIT_REGISTRY_DIR", RegistryDir().c_str(), 1);
  setenv("XDG_DATA_HOME", DataDir().c_str(), 1);  // desktop entries and icons
  setenv("XDG_CONFIG_HOME", ConfigDir().c_str(), 1);  // the desktop's choice of programs
  platform::SetExeDirForTesting(platform::ProgramPath(ExeDir()));
}

void SandboxTest::TearDown() {
  std::error_code ignored;
  std::filesystem::remove_all(m_root, ignored);
}
