#include "browser/store/DrawerRowChange.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

#include "browser/store/BookLocks.h"
#include "platform/base/Exception.h"
#include "platform/files/Files.h"

namespace {

constexpr std::string_view kHeading = "marrowkit drawer row 1";
constexpr std::string_view kEnd = "end";

// What a change is about to do, as its journal holds it: the drawer's files
// by their book folder (in the program folder) and file names, so that a
// program folder moved with its journal still recovers only itself.
struct RowChange {
  bool rename = false;
  std::string folderName;
  std::string fromList, fromMail;  // the drawer's files
  std::string toList, toMail;      // a rename's new files
  std::string newName;             // a rename's new row
  std::vector<std::string> names;  // the DrawerNameFile once saved
};

std::string JournalPathOf(const DrawerNameFile& file) { return file.path + std::string(kJournalSuffix); }

RowChange ChangeOf(bool rename, const DrawerFiles& from, const DrawerFiles& to, const std::string& newName,
                   const std::vector<std::string>& names) {
  return {rename, FileNameOf(from.folder), FileNameOf(from.listPath), FileNameOf(from.mailPath),
          FileNameOf(to.listPath), FileNameOf(to.mailPath), newName, names};
}

// A line feed is no byte of a Shift-JIS character, and no row holds one.
std::string JournalText(const RowChange& change) {
  std::string text = std::string(kHeading) + "\n" + (change.rename ? "rename" : "delete") + "\n";
  for (const std::string* line : {&change.folderName, &change.fromList, &change.fromMail, &change.toList,
                                  &change.toMail, &change.newName})
    text += *line + "\n";
  text += std::to_string(change.names.size()) + "\n";
  for (const std::string& name : change.names) text += name + "\n";
  return text + std::string(kEnd) + "\n";
}

std::vector<std::string_view> LinesOf(std::string_view bytes) {
  std::vector<std::string_view> lines;
  for (size_t end; (end = bytes.find('\n')) != std::string_view::npos; bytes.remove_prefix(end + 1))
    lines.push_back(bytes.substr(0, end));
  if (!bytes.empty()) lines.push_back(bytes);  // a last line without its line feed: not whole
  return lines;
}

std::optional<RowChange> ParseRowChange(std::string_view bytes) {
  constexpr size_t kNamesAt = 9;
  const std::vector<std::string_view> lines = LinesOf(bytes);
  if (lines.size() < kNamesAt + 1 || lines[0] != kHeading || !bytes.ends_with('\n')) return std::nullopt;
  if (lines[1] != "rename" && lines[1] != "delete") return std::nullopt;
  size_t count = 0;
  const std::string_view counted = lines[kNamesAt - 1];
  const auto parsed = std::from_chars(counted.data(), counted.data() + counted.size(), count);
  if (parsed.ec != std::errc() || parsed.ptr != counted.data() + counted.size()) return std::nullopt;
  if (count != lines.size() - kNamesAt - 1 || lines.back() != kEnd) return std::nullopt;
  RowChange change{lines[1] == "rename", std::string(lines[2]), std::string(lines[3]), std::string(lines[4]),
                   std::string(lines[5]), std::string(lines[6]), std::string(lines[7]), {}};
  for (size_t i = kNamesAt; i < kNamesAt + count; ++i) change.names.emplace_back(lines[i]);
  if (change.folderName.empty() || change.fromList.empty() || change.fromMail.empty()) return std::nullopt;
  if (change.rename && (change.toList.empty() || change.toMail.empty())) return std::nullopt;
  return change;
}

DrawerFiles FilesOf(const DrawerNameFile& file, const std::string& folderName, const std::string& list,
                    const std::string& mail) {
  const std::string folder = file.programFolder + "\\" + folderName;
  return {folder, folder + "\\" + list, folder + "\\" + mail, {}, true, std::nullopt};
}
DrawerFiles FromFilesOf(const DrawerNameFile& file, const RowChange& change) {
  return FilesOf(file, change.folderName, change.fromList, change.fromMail);
}
DrawerFiles ToFilesOf(const DrawerNameFile& file, const RowChange& change) {
  return FilesOf(file, change.folderName, change.toList, change.toMail);
}

// Durable, its folder synced, before anything it names is touched.
bool WriteJournal(const DrawerNameFile& file, const RowChange& change) {
  try {
    platform::ReplaceFileContents(JournalPathOf(file), JournalText(change));
  } catch (const EFCreateError&) {
    return false;
  }
  return platform::SyncFolder(file.programFolder);
}

void RemoveJournal(const DrawerNameFile& file) {
  if (platform::DeleteFile(JournalPathOf(file))) platform::SyncFolder(file.programFolder);
}

// Removes the pair the change no longer needs, for good, then its journal;
// while a file stays, so does the journal, for the next recovery.
void RemoveWithJournal(const DrawerNameFile& file, const DrawerFiles& pair) {
  platform::DeleteFile(pair.listPath);
  platform::DeleteFile(pair.mailPath);
  if (platform::FileExists(pair.listPath) || platform::FileExists(pair.mailPath)) return;
  if (platform::SyncFolder(pair.folder)) RemoveJournal(file);
}

// The copies are durable before the saved names rely on them.
bool CopyPair(const DrawerFiles& from, const DrawerFiles& to) {
  return platform::CopyFile(from.mailPath, to.mailPath, false) &&
         platform::CopyFile(from.listPath, to.listPath, false) && platform::SyncFolder(to.folder);
}

// The DrawerNameFile decides: saved as the change saves it, and durable, the
// change is finished (the drawer's old files go); as it was, it is taken
// back (a rename's copies go, unless a row names them). Saved but not known
// durable, nothing is touched and the journal waits for the next recovery.
void Resolve(const DrawerNameFile& file, const RowChange& change) {
  const DrawerNames current = CurrentDrawerNames(file);
  if (!current.result.Ok()) return;
  if (current.names == change.names) {
    if (platform::SyncFolder(file.programFolder)) RemoveWithJournal(file, FromFilesOf(file, change));
    return;
  }
  const bool copiesNamed = std::find(current.names.begin(), current.names.end(), change.newName) != current.names.end();
  if (change.rename && !copiesNamed) return RemoveWithJournal(file, ToFilesOf(file, change));
  RemoveJournal(file);
}

bool HasPair(const DrawerFiles& drawer) {
  return platform::FileExists(drawer.mailPath) && platform::FileExists(drawer.listPath);
}

}  // namespace

StoreResult RenameDrawerRow(const DrawerNameFile& file, const std::vector<std::string>& names,
                            const std::string& newName, const DrawerFiles& from, const DrawerFiles& to) {
  const LockedBook book(BookFoldersOf(from));
  const StoreResult opened = BookOpened(book, StoreFailure::CopyFailed, from.folder);
  if (opened.failure == StoreFailure::JournalRefused) return opened;
  if (!opened.Ok()) return {StoreFailure::CopyFailed, from.folder};
  // A drawer that never received a mail has no files to give another name.
  if (!HasPair(from)) return {StoreFailure::CopyFailed, from.mailPath};
  const RowChange change = ChangeOf(true, from, to, newName, names);
  if (!WriteJournal(file, change)) return {StoreFailure::CannotCreateFile, file.path};
  const StoreResult done = CopyPair(from, to) ? SaveDrawerNameFile(file.path, names)
                                              : StoreResult::FromLastError(StoreFailure::CopyFailed, from.mailPath);
  Resolve(file, change);
  return done;
}

StoreResult DeleteDrawerRow(const DrawerNameFile& file, const std::vector<std::string>& names,
                            const DrawerFiles& drawer) {
  const LockedBook book(BookFoldersOf(drawer));
  if (!book.RefusedJournal().empty()) return {StoreFailure::JournalRefused, book.RefusedJournal()};
  const bool hasFiles = platform::FileExists(drawer.listPath) || platform::FileExists(drawer.mailPath);
  if (!hasFiles) return SaveDrawerNameFile(file.path, names);
  const StoreResult opened = BookOpened(book, StoreFailure::CannotWriteMail, drawer.folder);
  if (!opened.Ok()) return opened;
  const RowChange change = ChangeOf(false, drawer, {}, {}, names);
  if (!WriteJournal(file, change)) return {StoreFailure::CannotCreateFile, file.path};
  const StoreResult saved = SaveDrawerNameFile(file.path, names);
  Resolve(file, change);
  return saved;
}

void RecoverDrawerRows(const DrawerNameFile& file) {
  std::string bytes;
  if (!platform::ReadFileContents(JournalPathOf(file), bytes)) return;
  const std::optional<RowChange> change = ParseRowChange(bytes);
  if (!change) return RemoveJournal(file);
  const LockedBook book(BookFoldersOf(FromFilesOf(file, *change)));
  if (book.Held() && book.Recovered()) return Resolve(file, *change);
  // A book folder that is gone holds no files to agree with.
  if (!book.Held() && !platform::DirectoryExists(FromFilesOf(file, *change).folder)) RemoveJournal(file);
}
