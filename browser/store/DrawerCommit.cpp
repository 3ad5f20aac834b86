#include "browser/store/DrawerCommit.h"

#include <cstdio>
#include <memory>

#include "browser/store/ListFile.h"
#include "platform/files/Files.h"

namespace {

// Renames whatever scratch file is still there over the drawer's file, mail
// file first, then removes the marker. The replacement stands once both are
// renamed: a folder sync or a marker removal that fails afterwards only
// leaves work for the next recovery, never a failed write.
bool FinishReplacement(const DrawerFiles& drawer, const ScratchFiles& scratch) {
  if (platform::FileExists(scratch.mailPath) &&
      !platform::RenameFile(scratch.mailPath, drawer.mailPath))
    return false;
  if (platform::FileExists(scratch.listPath) &&
      !platform::RenameFile(scratch.listPath, drawer.listPath))
    return false;
  // The renames reach the disk before the marker goes.
  if (platform::SyncFolder(drawer.folder) && platform::DeleteFile(scratch.markerPath))
    (void)platform::SyncFolder(drawer.folder);
  return true;
}

bool WriteMarker(const ScratchFiles& scratch) {
  std::unique_ptr<platform::Stream> marker = platform::OpenFile(scratch.markerPath, "wb");
  return marker && marker->Sync() && marker->Close();
}

struct NotedLengths {
  long long mail = -1;
  long long list = -1;
};

// A note without its line end was cut short while being written.
NotedLengths ReadAppendNote(const std::string& path) {
  NotedLengths noted;
  std::string text;
  char end = 0;
  if (!platform::ReadFileContents(path, text) ||
      std::sscanf(text.c_str(), "%lld %lld%c", &noted.mail, &noted.list, &end) != 3 || end != '\n')
    return {};
  return noted;
}

// Whole records after the noted end of the list file mean the append got
// through; anything else (no record, or one cut short) is taken away.
bool AppendCameOutWhole(const DrawerFiles& drawer, const NotedLengths& noted) {
  std::string listBytes;
  if (!platform::ReadFileContents(drawer.listPath, listBytes)) return false;
  if (listBytes.size() <= static_cast<size_t>(noted.list)) return false;
  return ReadRecordsToEnd(listBytes, static_cast<size_t>(noted.list)).has_value();
}

bool CutBack(const std::string& path, long long length) {
  const int64_t size = platform::FileSize(path);
  if (size <= length) return true;
  std::unique_ptr<platform::Stream> file = platform::OpenFile(path, "r+b");
  return file && file->Truncate(length) && file->Close();
}

bool RecoverAppend(const DrawerFiles& drawer, const ScratchFiles& scratch) {
  if (!platform::FileExists(scratch.appendNotePath)) return true;
  const NotedLengths noted = ReadAppendNote(scratch.appendNotePath);
  // A note cut short was being written when the kill came: nothing was appended yet.
  const bool known = noted.mail >= 0 && noted.list >= 0;
  if (known && !AppendCameOutWhole(drawer, noted) &&
      !(CutBack(drawer.listPath, noted.list) && CutBack(drawer.mailPath, noted.mail)))
    return false;
  platform::DeleteFile(scratch.appendNotePath);
  return true;
}

bool RecoverRewrite(const DrawerFiles& drawer, const ScratchFiles& scratch) {
  if (platform::FileExists(scratch.markerPath)) return FinishReplacement(drawer, scratch);
  platform::DeleteFile(scratch.mailPath);
  platform::DeleteFile(scratch.listPath);
  return true;
}

}  // namespace

ScratchFiles ScratchFilesOf(const DrawerFiles& drawer) {
  return {drawer.listPath + std::string(kScratchSuffix),
          drawer.mailPath + std::string(kScratchSuffix),
          drawer.listPath + std::string(kCommitMarkerSuffix),
          drawer.listPath + std::string(kAppendNoteSuffix)};
}

bool ReplacementPending(const DrawerFiles& drawer) {
  return platform::FileExists(ScratchFilesOf(drawer).markerPath);
}

bool RecoverDrawer(const DrawerFiles& drawer) {
  const ScratchFiles scratch = ScratchFilesOf(drawer);
  return RecoverRewrite(drawer, scratch) && RecoverAppend(drawer, scratch);
}

Commit CommitScratchFiles(const DrawerFiles& drawer) {
  const ScratchFiles scratch = ScratchFilesOf(drawer);
  if (!WriteMarker(scratch) || !platform::SyncFolder(drawer.folder)) {
    platform::DeleteFile(scratch.markerPath);
    return Commit::Failed;
  }
  return FinishReplacement(drawer, scratch) ? Commit::Done : Commit::LeftForRecovery;
}

bool NoteLengthsBeforeAppend(const DrawerFiles& drawer, int64_t mailLength, int64_t listLength) {
  const std::string path = ScratchFilesOf(drawer).appendNotePath;
  const std::string text = std::to_string(mailLength) + " " + std::to_string(listLength) + "\n";
  std::unique_ptr<platform::Stream> note = platform::OpenFile(path, "wb");
  if (note && note->Write(text) && note->Close()) return true;
  note.reset();
  platform::DeleteFile(path);
  return false;
}

void ForgetAppendNote(const DrawerFiles& drawer) {
  platform::DeleteFile(ScratchFilesOf(drawer).appendNotePath);
}
