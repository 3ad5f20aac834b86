#pragma once
// Keeping a drawer's two files whole across kills and failed writes.
//
// A rewrite writes the new pair beside the old one under scratch names and
// syncs both; an empty commit marker is then the single commit point, after
// which the renames are carried out. An append first notes both files'
// lengths beside the drawer, so that the bytes of an append cut short can be
// taken away again before another mail follows them. Recovery, run before
// every read of, append to and rewrite of a drawer, finishes or undoes
// whatever a kill left. Every function here runs with the book folder locked.

#include <cstdint>
#include <string>

#include "browser/store/DrawerPaths.h"

// The files a rewrite or an append keeps beside the drawer's own.
struct ScratchFiles {
  std::string listPath;
  std::string mailPath;
  std::string markerPath;
  std::string appendNotePath;
};
ScratchFiles ScratchFilesOf(const DrawerFiles& drawer);

// Finishes an interrupted rewrite (with the marker present the renames whose
// scratch file still exists are carried out, without it the scratch files
// are removed) and cuts an interrupted append back. False when a committed
// replacement cannot be finished or an append cannot be cut back: the drawer
// must then not be appended to or rewritten.
[[nodiscard]] bool RecoverDrawer(const DrawerFiles& drawer);

// A committed rewrite is not finished yet: the drawer's files do not belong
// together until it is.
bool ReplacementPending(const DrawerFiles& drawer);

enum class Commit {
  Failed,           // the marker could not be made: the drawer's files are untouched
  Done,             // both files are replaced
  LeftForRecovery,  // the marker stands but a rename failed; RecoverDrawer finishes it
};
// Commits the synced scratch pair: marker, renames, marker removed.
[[nodiscard]] Commit CommitScratchFiles(const DrawerFiles& drawer);

// Notes the drawer's file lengths before an append; RecoverDrawer cuts both
// files back to them unless the append's record came out whole. False when
// the note cannot be written (nothing may then be appended).
[[nodiscard]] bool NoteLengthsBeforeAppend(const DrawerFiles& drawer, int64_t mailLength,
                                           int64_t listLength);
// The append is whole: the note is no longer needed.
void ForgetAppendNote(const DrawerFiles& drawer);
