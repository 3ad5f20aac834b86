#include "browser/store/DrawerCommit.h"

#include <cstdio>
#include <memory>

#include "browser/store/ListFile.h"
#include "browser/store/SortJournal.h"
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

// The note: a state byte, 'A' while an append is in progress and '-' after
// it, both lengths and a check of them, always the same number of bytes, so
// that it is rewritten in place without ever being cut. A note that a failed
// write left half new and half old fails the check.
constexpr const char* kNoteFormat = "%c %020lld %020lld %020lld\n";
constexpr size_t kNoteBytes = 65;
constexpr long long kNoteCheck = 0x2B992DDFA23249D6;

long long NoteCheck(long long mailLength, long long listLength) {
  return (mailLength ^ listLength ^ kNoteCheck) & 0x7FFFFFFFFFFFFFFF;
}

struct NotedLengths {
  bool pending = false;
  long long mail = -1;
  long long list = -1;
};

NotedLengths ReadAppendNote(const std::string& path) {
  std::unique_ptr<platform::Stream> note = platform::OpenFile(path, "rb");
  if (!note) return {};
  std::string text(kNoteBytes + 1, '\0');
  text.resize(note->Read(text.data(), text.size()));
  if (text.size() != kNoteBytes || text[0] != 'A') return {};
  NotedLengths noted;
  char state = 0, end = 0;
  long long check = -1;
  if (std::sscanf(text.c_str(), "%c %lld %lld %lld%c", &state, &noted.mail, &noted.list, &check, &end) != 5 ||
      end != '\n' || noted.mail < 0 || noted.list < 0 || check != NoteCheck(noted.mail, noted.list))
    return {};
  noted.pending = true;
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

bool RecoverAppend(const DrawerFiles& drawer) {
  const NotedLengths noted = ReadAppendNote(ScratchFilesOf(drawer).appendNotePath);
  if (!noted.pending) return true;
  if (!AppendCameOutWhole(drawer, noted) &&
      !(CutBack(drawer.listPath, noted.list) && CutBack(drawer.mailPath, noted.mail)))
    return false;
  return AppendNote(drawer).End();
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
          drawer.listPath + std::string(kAppendNoteSuffix),
          drawer.listPath + std::string(kSortJournalSuffix)};
}

bool ReplacementPending(const DrawerFiles& drawer) {
  return platform::FileExists(ScratchFilesOf(drawer).markerPath);
}

bool RecoverDrawer(const DrawerFiles& drawer) {
  const ScratchFiles scratch = ScratchFilesOf(drawer);
  return RecoverRewrite(drawer, scratch) && RecoverSortJournal(drawer) && RecoverAppend(drawer);
}

Commit CommitScratchFiles(const DrawerFiles& drawer) {
  const ScratchFiles scratch = ScratchFilesOf(drawer);
  if (!WriteMarker(scratch) || !platform::SyncFolder(drawer.folder)) {
    platform::DeleteFile(scratch.markerPath);
    return Commit::Failed;
  }
  return FinishReplacement(drawer, scratch) ? Commit::Done : Commit::LeftForRecovery;
}

AppendNote::AppendNote(const DrawerFiles& drawer) : m_path(ScratchFilesOf(drawer).appendNotePath) {}

AppendNote::~AppendNote() = default;

bool AppendNote::Begin(int64_t mailLength, int64_t listLength) {
  return Write('A', mailLength, listLength);
}

bool AppendNote::End() { return Write('-', 0, 0); }

bool AppendNote::Write(char state, int64_t mailLength, int64_t listLength) {
  if (!m_file) m_file = platform::OpenFile(m_path, "r+b");
  if (!m_file) m_file = platform::OpenFile(m_path, "wb");
  char text[kNoteBytes + 1];
  std::snprintf(text, sizeof text, kNoteFormat, state, static_cast<long long>(mailLength),
                static_cast<long long>(listLength), NoteCheck(mailLength, listLength));
  return m_file && m_file->Seek(0) && m_file->Write(std::string_view(text, kNoteBytes)) &&
         m_file->Flush();
}

bool AppendPending(const DrawerFiles& drawer) {
  return ReadAppendNote(ScratchFilesOf(drawer).appendNotePath).pending;
}
