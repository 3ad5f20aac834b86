#pragma once
// The store file of one root and the rules for touching it: reads under a
// shared lock, changes under an exclusive lock that re-read the file, apply
// the change and replace the file atomically.

#include <functional>
#include <string>

#include "platform/registry/Registry.h"
#include "platform/registry/RegistryStore.h"

namespace platform::registry {

// The folder of the store files: MARROWKIT_REGISTRY_DIR, else
// $XDG_CONFIG_HOME/marrowkit-registry (XDG_CONFIG_HOME defaults to ~/.config).
std::string RegistryFolder();

// A message of the registry's errors: utf8Format (with one %s) in Shift-JIS.
std::string RegistryMessage(const char* utf8Format, const std::string& subject);

// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE; no other root has a store.
bool IsKnownRoot(HKEY root);

class RegistryFile {
 public:
  // Throws ERegistryException for a root that is neither of the two.
  explicit RegistryFile(HKEY root);

  // The whole store; empty when there is no file yet. Throws
  // ERegistryException when the file cannot be read or is corrupt.
  Store Read() const;
  // Runs change on the current store and writes the result when change
  // returns true. A corrupt file is never overwritten. Throws
  // ERegistryException with failureMessage when the write fails.
  void Update(const std::function<bool(Store&)>& change, const std::string& failureMessage) const;

 private:
  Store ReadUnlocked() const;

  std::string m_nativeFolder;
  std::string m_storePath;  // Shift-JIS, as platform/files takes paths
  std::string m_lockPath;
};

}  // namespace platform::registry
