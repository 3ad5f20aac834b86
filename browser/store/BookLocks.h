#pragma once
// Opening a book for one store call: the locks of its folders, then the
// recovery of whatever an interrupted call left in them. Every store call
// that reads or changes drawers holds a LockedBook for its whole run, so
// Dorvane, a second Dorvane and Quillet never interleave within a book. The
// folders are locked in the order of their paths, so two calls never wait on
// each other; a folder reached by two paths is locked once. Callers that also
// hold the program folder's lock (the drawer names) take it first.

#include <memory>
#include <string>
#include <vector>

#include "browser/store/DrawerPaths.h"
#include "browser/store/StoreResult.h"

namespace platform {
class FileLock;
}

// A drawer's book folders: its own, then the book's other one when there is one.
std::vector<BookFolder> BookFoldersOf(const DrawerFiles& drawer);

class LockedBook {
 public:
  // folders[0] must exist; the others are locked when they exist.
  explicit LockedBook(const std::vector<BookFolder>& folders);
  ~LockedBook();
  LockedBook(const LockedBook&) = delete;
  LockedBook& operator=(const LockedBook&) = delete;

  bool Held() const { return m_held; }
  // Every journal of the folders is resolved: the book may be changed.
  bool Recovered() const { return m_recovered; }
  // A journal recovery would not act on, because what it says does not hold
  // for the files it names; empty when there is none.
  const std::string& RefusedJournal() const { return m_refused; }

 private:
  std::vector<std::unique_ptr<platform::FileLock>> m_locks;
  bool m_held = false;
  bool m_recovered = false;
  std::string m_refused;
};

// The book's locks held and its journals resolved, or why not: notHeld (for
// folder) when the locks could not be taken, JournalRefused, CannotWriteMail
// when a recovery could not finish.
StoreResult BookOpened(const LockedBook& book, StoreFailure notHeld, const std::string& folder);
