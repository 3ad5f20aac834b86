#pragma once
// A book's DrawerNameFile: the names of its own drawers, one a line, in the
// order of their rows, loaded and saved whole as a string list. Two Dorvane
// windows may change it in turn, so every command that changes it re-reads
// it under the program folder's lock and changes what it finds there: names
// another window added stay, and a name the command renames or deletes must
// still be there. A file that is there but cannot be read is never replaced.
// The program folder's lock is taken before any book folder's.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "browser/store/DrawerPaths.h"
#include "browser/store/StoreResult.h"

struct DrawerNames {
  bool exists = false;             // something is at the path
  std::vector<std::string> names;  // the file's lines; none unless read
  StoreResult result;              // CannotReadFile when it exists but cannot be read
};

DrawerNames ReadDrawerNameFile(std::string_view path);
// The own drawer names as they stand: the file's lines, or its defaults while it is missing.
DrawerNames CurrentDrawerNames(const DrawerNameFile& file);

namespace platform {
class FileLock;
}

// The own drawers a store call writes into, each found still listed in its
// DrawerNameFile, and kept listed for as long as this lives: the program
// folder's lock, which every change of the names takes, is held from the
// check on. Taken before the book's locks. Drawers without an OwnRow need no
// check and take no lock. The own drawers of one call lie in one program
// folder.
class ListedDrawers {
 public:
  explicit ListedDrawers(const std::vector<const DrawerFiles*>& drawers);
  ~ListedDrawers();
  ListedDrawers(const ListedDrawers&) = delete;
  ListedDrawers& operator=(const ListedDrawers&) = delete;

  // DrawerChanged when a drawer's row is gone; CannotReadFile when its
  // DrawerNameFile cannot be read; CannotOpenMailFile when the program
  // folder cannot be locked.
  const StoreResult& Result() const { return m_result; }

 private:
  std::unique_ptr<platform::FileLock> m_lock;
  StoreResult m_result;
};

// Replaces the file whole, crash-safely and durably (its folder synced);
// CannotCreateFile on failure, the old file then left as it was, or (when
// only the folder sync failed) the new one in place but not known durable.
StoreResult SaveDrawerNameFile(std::string_view path, const std::vector<std::string>& names);

// Every command first finishes what a rename or delete killed part-way left
// (RecoverDrawerRows).
// The file as the window lists it, read under the program folder's lock
// once what a rename or delete killed part-way left is recovered.
DrawerNames LoadOwnDrawerNames(const DrawerNameFile& file);

// The own drawer names after a command, as saved; or why it was refused, and
// then nothing changed and names is the file as it stands (what another
// window did meanwhile), empty when it cannot be read.
struct NamesChanged {
  StoreResult result;
  std::vector<std::string> names;
};

// Adds name as the last own drawer, unless a name equal to it ignoring case
// (the string list's comparison) is there already.
NamesChanged AddOwnDrawer(const DrawerNameFile& file, const std::string& name);
// Renames the drawer oldName (its files `from`) to newName (files `to`):
// oldName leaves its row and newName is added last, its files the old ones
// copied (RenameDrawerRow). DrawerChanged, with nothing changed, when oldName
// is no longer in the file or newName is there already (ignoring case).
NamesChanged RenameOwnDrawer(const DrawerNameFile& file, const std::string& oldName, const std::string& newName,
                          const DrawerFiles& from, const DrawerFiles& to);
// Deletes the drawer name's row, and its files when it has a path
// (DeleteDrawerRow). DrawerChanged, with nothing changed, when name is no
// longer in the file.
NamesChanged DeleteOwnDrawer(const DrawerNameFile& file, const std::string& name, const DrawerFiles* files);
// Sorts the own drawers with the string list's Sort; descending is the exact
// reverse of ascending.
enum class NameOrder { Ascending, Descending };
NamesChanged SortOwnDrawerNames(const DrawerNameFile& file, NameOrder order);
