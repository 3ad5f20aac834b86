#pragma once
// Which mails of a drawer being distributed are in their targets already.
//
// The run keeps its open drawer's files until its single rewrite at the end;
// the journal beside them tells the recovery after a kill which of their
// mails went elsewhere, so that only the one whose note the kill prevented
// stays doubled. It names the ListFile as it stood when the run began (its
// length and a checksum of its bytes): once the rewrite has committed, or
// anyone else has changed the file, the journal no longer matches and says
// nothing. Runs with the book folder locked.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "browser/store/DrawerPaths.h"

namespace platform {
class Stream;
}

class SortJournal {
 public:
  explicit SortJournal(const DrawerFiles& drawer);
  ~SortJournal();
  SortJournal(const SortJournal&) = delete;
  SortJournal& operator=(const SortJournal&) = delete;

  // At the run's start, with the ListFile's bytes as they stand. False when
  // the journal cannot be written: the run must not start.
  [[nodiscard]] bool Begin(std::string_view listBytes);
  // After the append of record recordIndex to its target came out whole.
  [[nodiscard]] bool Note(size_t recordIndex);
  // After the run's rewrite committed, or when nothing left the drawer.
  void Remove();

 private:
  std::string m_path;
  std::unique_ptr<platform::Stream> m_file;
};

// A journal that matches the ListFile means its run was killed before its
// rewrite: the drawer is written anew without the noted records (every other
// record kept), then the journal goes. A journal that does not match, or is
// damaged, is removed and changes nothing; so is one whose records cannot
// all be read back (the drawer then keeps the doubled mails). False, with
// the journal left for the next recovery, when the rewrite fails.
[[nodiscard]] bool RecoverSortJournal(const DrawerFiles& drawer);
