#include "platform/registry/RegistryFile.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/base/Exception.h"
#include "platform/base/Format.h"
#include "platform/files/Files.h"
#include "platform/text/ShiftJis.h"

namespace platform::registry {

namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  const passwd* entry = ::getpwuid(::getuid());
  return entry && entry->pw_dir ? entry->pw_dir : "/tmp";
}

const char* RootFileName(HKEY root) {
  if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
  if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
  return nullptr;
}

// The lock file stays beside the store; the store itself is replaced by
// rename at every write, so it cannot carry the lock.
bool EnsureLockFile(const std::string& nativeFolder, const std::string& lockPath) {
  std::error_code ignored;
  std::filesystem::create_directories(nativeFolder, ignored);
  const int fd = ::open(NativePath(lockPath).c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

[[noreturn]] void Fail(const char* utf8Format, const std::string& subject) {
  throw ERegistryException(RegistryMessage(utf8Format, subject));
}

}  // namespace

std::string RegistryMessage(const char* utf8Format, const std::string& subject) {
  return Format(SjisFromUtf8(utf8Format).c_str(), subject.c_str());
}

std::string RegistryFolder() {
  const char* explicitFolder = std::getenv("MARROWKIT_REGISTRY_DIR");
  if (explicitFolder && *explicitFolder) return explicitFolder;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const std::string configFolder = config && *config ? config : HomeFolder() + "/.config";
  return configFolder + "/marrowkit-registry";
}

bool IsKnownRoot(HKEY root) { return RootFileName(root) != nullptr; }

RegistryFile::RegistryFile(HKEY root) : m_nativeFolder(RegistryFolder()) {
  const char* name = RootFileName(root);
  if (!name) Fail("レジストリのルートキー %s は使えません", std::to_string(root));
  const std::string base = ProgramPath(m_nativeFolder) + "/" + name;
  m_storePath = base + ".reg";
  m_lockPath = base + ".lock";
}

Store RegistryFile::Read() const {
  // Before the first write there is no lock file; a missing store reads empty.
  FileLock lock(m_lockPath, LockKind::Shared);
  return ReadUnlocked();
}

void RegistryFile::Update(const std::function<bool(Store&)>& change,
                          const std::string& failureMessage) const {
  if (!EnsureLockFile(m_nativeFolder, m_lockPath)) throw ERegistryException(failureMessage);
  FileLock lock(m_lockPath, LockKind::Exclusive);
  if (!lock.Held()) throw ERegistryException(failureMessage);
  // Re-read under the lock so that another program's writes are kept.
  Store store = ReadUnlocked();
  if (!change(store)) return;
  try {
    ReplaceFileContents(m_storePath, Serialize(store));
  } catch (const EFCreateError&) {
    throw ERegistryException(failureMessage);
  }
}

Store RegistryFile::ReadUnlocked() const {
  Store store;
  std::string text;
  if (!ReadFileContents(m_storePath, text)) {
    if (!FileExists(m_storePath)) return store;
    Fail("レジストリのファイル %s を読み込めません", m_storePath);
  }
  if (!Parse(text, store)) Fail("レジストリのファイル %s が壊れています", m_storePath);
  return store;
}

}  // namespace platform::registry
