#pragma once
// Keeping a drawer's two files whole across kills and failed writes.
//
// A rewrite writes the new pair beside the old one under scratch names and
// syncs both; an empty commit marker is then the single commit point, after
// which the renames are carried out. An append first notes both files'
// lengths beside the drawer, so that the bytes of an append cut short can be
// taken away again before another mail follows them. Recovery, run before
// every read of, append to and rewrite of a drawer, finishes or undoes
// whatever a kill left. Everything here runs with the book folder locked.

#include <cstdint>
#include <memory>
#include <string>

#include "browser/store/DrawerPaths.h"

namespace platform {
class Stream;
}

// The files a rewrite or an append keeps beside the drawer's own.
struct ScratchFiles {
  std::string listPath;
  std::string mailPath;
  std::string markerPath;
  std::string appendNotePath;
  std::string sortJournalPath;
};
ScratchFiles ScratchFilesOf(const DrawerFiles& drawer);

// Finishes an interrupted rewrite (with the marker present the renames whose
// scratch file still exists are carried out, without it the scratch files
// are removed), finishes a distribution killed before its rewrite
// (RecoverSortJournal) and cuts an interrupted append back. False when a
// committed replacement or a killed distribution cannot be finished or an
// append cannot be cut back: the drawer must then not be appended to or
// rewritten.
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

// The lengths a drawer's files had before the append in progress, noted
// beside the drawer so that the recovery after a kill cuts back what the
// append left, unless its record came out whole. The note file stays and is
// rewritten in place: making and removing a file for every append would cost
// more than the append itself.
class AppendNote {
 public:
  explicit AppendNote(const DrawerFiles& drawer);
  ~AppendNote();
  AppendNote(const AppendNote&) = delete;
  AppendNote& operator=(const AppendNote&) = delete;
  // Before an append. False when the note cannot be written: nothing may then be appended.
  [[nodiscard]] bool Begin(int64_t mailLength, int64_t listLength);
  // After an append that came out whole or was cut back. False when the note
  // still says an append is in progress (the next recovery then looks again).
  [[nodiscard]] bool End();

 private:
  bool Write(char state, int64_t mailLength, int64_t listLength);

  std::string m_path;
  std::unique_ptr<platform::Stream> m_file;
};

// An append was cut short and is not cut back yet.
bool AppendPending(const DrawerFiles& drawer);
