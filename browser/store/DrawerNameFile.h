#pragma once
// A book's DrawerNameFile: the names of its own drawers, one a line, in the
// order of their rows, loaded and saved whole as a string list. Two Dorvane
// windows may change it in turn, so every command that changes it re-reads
// it under the program folder's lock and changes what it finds there: names
// another window added stay, and a name the command renames or deletes must
// still be there. A file that is there but cannot be read is never replaced.
// The program folder's lock is taken before any book folder's.

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

// Replaces the file whole, crash-safely and durably (its folder synced);
// CannotCreateFile on failure, the old file then left as it was, or (when
// only the folder sync failed) the new one in place but not known durable.
StoreResult SaveDrawerNameFile(std::string_view path, const std::vector<std::string>& names);

// A book's DrawerNameFile, and the own drawers the book shows while it is missing.
struct DrawerNameFile {
  std::string path;
  std::string programFolder;           // locked while the file is read and saved
  std::vector<std::string> defaults;   // the receive book's two drawers; none in the send book
};

// Every command first finishes what a rename or delete killed part-way left
// (RecoverDrawerRows).
// The names as they stand: the file's lines, or the defaults while it is missing.
DrawerNames CurrentDrawerNames(const DrawerNameFile& file);
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
