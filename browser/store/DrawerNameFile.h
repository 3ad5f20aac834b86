#pragma once
// A book's DrawerNameFile: the names of its own drawers, one a line, in the
// order of their rows, loaded and saved whole as a string list. A file that
// is there but cannot be read must never be replaced by the rows a window
// happens to show, so reading tells a missing file from an unreadable one.

#include <string>
#include <string_view>
#include <vector>

#include "browser/store/StoreMessages.h"

struct DrawerNames {
  bool exists = false;             // something is at the path
  std::vector<std::string> names;  // the file's lines; none unless read
  StoreResult result;              // the string list's message when it exists but cannot be read
};

DrawerNames ReadDrawerNameFile(std::string_view path);

// Replaces the file whole, crash-safely; the string list's message on failure,
// the old file then left as it was.
StoreResult SaveDrawerNameFile(std::string_view path, const std::vector<std::string>& names);
