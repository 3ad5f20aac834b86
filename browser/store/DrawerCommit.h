#pragma once
// Replacing a drawer's two files together. A rewrite writes the new pair
// beside the old one under scratch names and syncs both; an empty commit
// marker is then the single commit point, after which the renames are carried
// out. A kill at any moment so leaves the old pair or, once recovered, the new
// one. Every function here runs with the book folder locked.

#include <string>

#include "browser/store/DrawerPaths.h"

// The files a rewrite keeps beside the drawer's own.
struct ScratchFiles {
  std::string listPath;
  std::string mailPath;
  std::string markerPath;
};
ScratchFiles ScratchFilesOf(const DrawerFiles& drawer);

// Finishes an interrupted rewrite: with the marker present the renames whose
// scratch file still exists are carried out, without it the scratch files are
// removed. Run before any read of or append to the drawer. False when a
// replacement that was committed cannot be finished.
bool RecoverDrawer(const DrawerFiles& drawer);

// Commits the synced scratch pair: marker, renames, marker removed. False when
// it fails; before the marker stands the drawer's files are untouched, after
// it the next RecoverDrawer finishes the replacement.
bool CommitScratchFiles(const DrawerFiles& drawer);
