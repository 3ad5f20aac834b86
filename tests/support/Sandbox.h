#pragma once
// A fresh folder for each test that serves as the program folder, the PostPet
// folder, TEMP, the registry store and the desktop's data folder. Paths are
// native UTF-8 with "/".

#include <gtest/gtest.h>

#include <string>

class SandboxTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Native paths (UTF-8).
  std::string Root() const { return m_root; }
  std::string ExeDir() const { return m_root + "/exe"; }
  std::string PostPetDir() const { return m_root + "/postpet"; }
  std::string TempDir() const { return m_root + "/temp"; }
  std::string RegistryDir() const { return m_root + "/registry"; }
  std::string DataDir() const { return m_root + "/data"; }  // XDG_DATA_HOME
  std::string ConfigDir() const { return m_root + "/config"; }  // XDG_CONFIG_HOME

 private:
  std::string m_root;
};
