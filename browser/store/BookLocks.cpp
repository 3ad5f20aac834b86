#include "browser/store/BookLocks.h"

#include <algorithm>

#include "browser/store/DrawerJournal.h"
#include "platform/files/Files.h"

namespace {

// The folders that exist, each once, in the order of their paths; none when
// the first does not exist. A folder reached as both counts as PostPet's.
std::vector<BookFolder> FoldersToLock(const std::vector<BookFolder>& folders) {
  if (folders.empty() || !platform::DirectoryExists(folders[0].path)) return {};
  std::vector<BookFolder> sorted;
  for (const BookFolder& folder : folders) {
    const auto known = std::find_if(sorted.begin(), sorted.end(),
                                    [&](const BookFolder& held) { return platform::SameFile(held.path, folder.path); });
    if (known != sorted.end()) known->own = known->own && folder.own;
    else if (platform::DirectoryExists(folder.path)) sorted.push_back(folder);
  }
  std::sort(sorted.begin(), sorted.end(), [](const BookFolder& a, const BookFolder& b) { return a.path < b.path; });
  return sorted;
}

}  // namespace

std::vector<BookFolder> BookFoldersOf(const DrawerFiles& drawer) {
  std::vector<BookFolder> folders{{drawer.folder, drawer.ownFolder}};
  if (!drawer.otherFolder.empty()) folders.push_back({drawer.otherFolder, !drawer.ownFolder});
  return folders;
}

LockedBook::LockedBook(const std::vector<BookFolder>& folders) {
  const std::vector<BookFolder> locked = FoldersToLock(folders);
  for (const BookFolder& folder : locked) {
    m_locks.push_back(std::make_unique<platform::FileLock>(folder.path));
    if (!m_locks.back()->Held()) return;
  }
  m_held = !locked.empty();
  if (!m_held) return;
  const BookRecovery recovery = RecoverBook(locked);
  m_recovered = recovery.whole;
  m_refused = recovery.refusedJournal;
}

LockedBook::~LockedBook() = default;

StoreResult BookOpened(const LockedBook& book, StoreFailure notHeld, const std::string& folder) {
  if (!book.Held()) return {notHeld, folder};
  if (!book.RefusedJournal().empty()) return {StoreFailure::JournalRefused, book.RefusedJournal()};
  if (!book.Recovered()) return {StoreFailure::CannotWriteMail, folder};
  return {};
}
