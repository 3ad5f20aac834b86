#include "browser/store/DrawerCommit.h"

#include <memory>

#include "platform/files/Files.h"

namespace {

// Renames whatever scratch file is still there over the drawer's file, mail
// file first, then removes the marker.
bool FinishReplacement(const DrawerFiles& drawer, const ScratchFiles& scratch) {
  if (platform::FileExists(scratch.mailPath) &&
      !platform::RenameFile(scratch.mailPath, drawer.mailPath))
    return false;
  if (platform::FileExists(scratch.listPath) &&
      !platform::RenameFile(scratch.listPath, drawer.listPath))
    return false;
  if (!platform::SyncFolder(drawer.folder)) return false;
  platform::DeleteFile(scratch.markerPath);
  platform::SyncFolder(drawer.folder);
  return true;
}

bool WriteMarker(const ScratchFiles& scratch) {
  std::unique_ptr<platform::Stream> marker = platform::OpenFile(scratch.markerPath, "wb");
  return marker && marker->Sync() && marker->Close();
}

}  // namespace

ScratchFiles ScratchFilesOf(const DrawerFiles& drawer) {
  return {drawer.listPath + std::string(kScratchSuffix),
          drawer.mailPath + std::string(kScratchSuffix),
          drawer.listPath + std::string(kCommitMarkerSuffix)};
}

bool RecoverDrawer(const DrawerFiles& drawer) {
  const ScratchFiles scratch = ScratchFilesOf(drawer);
  if (platform::FileExists(scratch.markerPath)) return FinishReplacement(drawer, scratch);
  platform::DeleteFile(scratch.mailPath);
  platform::DeleteFile(scratch.listPath);
  return true;
}

bool CommitScratchFiles(const DrawerFiles& drawer) {
  const ScratchFiles scratch = ScratchFilesOf(drawer);
  if (!WriteMarker(scratch) || !platform::SyncFolder(drawer.folder)) {
    platform::DeleteFile(scratch.markerPath);
    return false;
  }
  return FinishReplacement(drawer, scratch);
}
