#include "browser/store/DrawerNameFile.h"

#include <algorithm>
#include <functional>
#include <map>

#include "browser/store/DrawerRowChange.h"
#include "platform/base/Exception.h"
#include "platform/files/Files.h"
#include "platform/strings/StringList.h"
#include "platform/text/ShiftJis.h"

namespace {

// What a killed command left in the program folder: a half-saved file, a
// rename or delete part-way. Under the program folder's lock.
void RecoverProgramFolder(const DrawerNameFile& file) {
  platform::RemoveAbandonedScratch(file.programFolder);
  RecoverDrawerRows(file);
}

using NamesEdit = std::function<StoreResult(std::vector<std::string>& names)>;
// Saves the edited names, with what else the command changes with them.
using NamesCommit = std::function<StoreResult(const std::vector<std::string>& names)>;

// Reads the file under the program folder's lock, finishes what a command
// killed part-way left, lets edit change the names (or refuse), and commits
// them.
NamesChanged ChangeNames(const DrawerNameFile& file, const NamesEdit& edit, const NamesCommit& commit) {
  const platform::FileLock lock(file.programFolder);
  RecoverProgramFolder(file);
  DrawerNames current = CurrentDrawerNames(file);
  if (!current.result.Ok()) return {current.result, {}};
  std::vector<std::string> names = current.names;
  StoreResult changed = edit(names);
  if (changed.Ok()) changed = commit(names);
  return {changed, changed.Ok() ? names : current.names};
}

NamesChanged ChangeNames(const DrawerNameFile& file, const NamesEdit& edit) {
  return ChangeNames(file, edit, [&](const std::vector<std::string>& names) { return SaveDrawerNameFile(file.path, names); });
}

bool HasNameIgnoringCase(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& row) { return platform::SameTextIgnoreCase(row, name); });
}

// Removes the first row of exactly this name; false when there is none.
bool RemoveName(std::vector<std::string>& names, const std::string& name) {
  const auto found = std::find(names.begin(), names.end(), name);
  if (found == names.end()) return false;
  names.erase(found);
  return true;
}

// Rows are the names' exact bytes, as the drawer's files are named by them.
StoreResult FindListed(const std::vector<const DrawerFiles*>& drawers) {
  std::map<std::string, DrawerNames> read;  // by DrawerNameFile
  for (const DrawerFiles* drawer : drawers) {
    const OwnRow& row = *drawer->ownRow;
    const auto [at, unread] = read.try_emplace(row.nameFile.path);
    if (unread) at->second = CurrentDrawerNames(row.nameFile);
    const DrawerNames& current = at->second;
    if (!current.result.Ok()) return current.result;
    if (std::find(current.names.begin(), current.names.end(), row.name) == current.names.end())
      return {StoreFailure::DrawerChanged, row.nameFile.path};
  }
  return {};
}

}  // namespace

ListedDrawers::ListedDrawers(const std::vector<const DrawerFiles*>& drawers) {
  std::vector<const DrawerFiles*> own;
  for (const DrawerFiles* drawer : drawers)
    if (drawer->ownRow) own.push_back(drawer);
  if (own.empty()) return;
  const std::string& programFolder = own.front()->ownRow->nameFile.programFolder;
  m_lock = std::make_unique<platform::FileLock>(programFolder);
  m_result = m_lock->Held() ? FindListed(own) : StoreResult{StoreFailure::CannotOpenMailFile, programFolder};
}

ListedDrawers::~ListedDrawers() = default;

DrawerNames CurrentDrawerNames(const DrawerNameFile& file) {
  DrawerNames current = ReadDrawerNameFile(file.path);
  if (!current.exists) current.names = file.defaults;
  return current;
}

DrawerNames ReadDrawerNameFile(std::string_view path) {
  DrawerNames read;
  read.exists = platform::PathExists(path);
  if (!read.exists) return read;
  TStringList lines;
  try {
    lines.LoadFromFile(path);
  } catch (const EFOpenError&) {
    read.result = {StoreFailure::CannotReadFile, std::string(path)};
    return read;
  }
  for (int i = 0; i < lines.Count(); ++i) read.names.push_back(lines[i]);
  return read;
}

StoreResult SaveDrawerNameFile(std::string_view path, const std::vector<std::string>& names) {
  TStringList lines;
  for (const std::string& name : names) lines.Add(name);
  try {
    lines.SaveToFile(path);
  } catch (const EFCreateError&) {
    return {StoreFailure::CannotCreateFile, std::string(path)};
  }
  // Commands rely on the saved names: a power cut must not bring the old back.
  const std::string_view folder = path.substr(0, path.size() - std::min(path.size(), FileNameOf(path).size() + 1));
  if (!platform::SyncFolder(folder)) return StoreResult::FromLastError(StoreFailure::CannotCreateFile, std::string(path));
  return {};
}

DrawerNames LoadOwnDrawerNames(const DrawerNameFile& file) {
  const platform::FileLock lock(file.programFolder);
  RecoverProgramFolder(file);
  return ReadDrawerNameFile(file.path);
}

NamesChanged AddOwnDrawer(const DrawerNameFile& file, const std::string& name) {
  return ChangeNames(file, [&](std::vector<std::string>& names) {
    if (!HasNameIgnoringCase(names, name)) names.push_back(name);
    return StoreResult{};
  });
}

NamesChanged RenameOwnDrawer(const DrawerNameFile& file, const std::string& oldName, const std::string& newName,
                          const DrawerFiles& from, const DrawerFiles& to) {
  return ChangeNames(
      file,
      [&](std::vector<std::string>& names) {
        if (HasNameIgnoringCase(names, newName) || !RemoveName(names, oldName))
          return StoreResult{StoreFailure::DrawerChanged, file.path};
        names.push_back(newName);
        return StoreResult{};
      },
      [&](const std::vector<std::string>& names) { return RenameDrawerRow(file, names, newName, from, to); });
}

NamesChanged DeleteOwnDrawer(const DrawerNameFile& file, const std::string& name, const DrawerFiles* files) {
  return ChangeNames(
      file,
      [&](std::vector<std::string>& names) {
        return RemoveName(names, name) ? StoreResult{} : StoreResult{StoreFailure::DrawerChanged, file.path};
      },
      [&](const std::vector<std::string>& names) {
        return files ? DeleteDrawerRow(file, names, *files) : SaveDrawerNameFile(file.path, names);
      });
}

NamesChanged SortOwnDrawerNames(const DrawerNameFile& file, NameOrder order) {
  return ChangeNames(file, [&](std::vector<std::string>& names) {
    TStringList list;
    for (const std::string& name : names) list.Add(name);
    list.Sort();
    for (int i = 0; i < list.Count(); ++i) names[i] = list[i];
    if (order == NameOrder::Descending) std::reverse(names.begin(), names.end());
    return StoreResult{};
  });
}
