#include "browser/store/BookLocks.h"

#include <algorithm>

#include "browser/store/DrawerJournal.h"
#include "platform/files/Files.h"

namespace {

// The folders that exist, each once, in the order of their paths; none when
// the first does not exist.
std::vector<std::string> FoldersToLock(const std::vector<std::string>& folders) {
  if (folders.empty() || !platform::DirectoryExists(folders[0])) return {};
  std::vector<std::string> sorted;
  for (const std::string& folder : folders) {
    const bool known = std::any_of(sorted.begin(), sorted.end(),
                                   [&](const std::string& held) { return platform::SameFile(held, folder); });
    if (!known && platform::DirectoryExists(folder)) sorted.push_back(folder);
  }
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}

}  // namespace

std::vector<std::string> BookFoldersOf(const DrawerFiles& drawer) {
  std::vector<std::string> folders{drawer.folder};
  if (!drawer.otherFolder.empty()) folders.push_back(drawer.otherFolder);
  return folders;
}

LockedBook::LockedBook(const std::vector<std::string>& folders) {
  const std::vector<std::string> locked = FoldersToLock(folders);
  for (const std::string& folder : locked) {
    m_locks.push_back(std::make_unique<platform::FileLock>(folder));
    if (!m_locks.back()->Held()) return;
  }
  m_held = !locked.empty();
  m_recovered = m_held && RecoverBook(locked);
}

LockedBook::~LockedBook() = default;
