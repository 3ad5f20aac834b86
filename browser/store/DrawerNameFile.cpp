#include "browser/store/DrawerNameFile.h"

#include <algorithm>
#include <functional>
#include <map>

#include "browser/store/DrawerRewrite.h"
#include "platform/base/Exception.h"
#include "platform/files/Files.h"
#include "platform/strings/StringList.h"
#include "platform/text/ShiftJis.h"

namespace {

using NamesEdit = std::function<StoreResult(std::vector<std::string>& names)>;

// Reads the file under the program folder's lock, lets edit change the names
// (or refuse), and saves them.
NamesChanged ChangeNames(const DrawerNameFile& file, const NamesEdit& edit) {
  const platform::FileLock lock(file.programFolder);
  DrawerNames current = CurrentDrawerNames(file);
  if (!current.result.Ok()) return {current.result, {}};
  std::vector<std::string> names = current.names;
  StoreResult changed = edit(names);
  if (!changed.Ok()) return {changed, current.names};
  changed = SaveDrawerNameFile(file.path, names);
  return {changed, changed.Ok() ? names : current.names};
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
  return {};
}

NamesChanged AddOwnDrawer(const DrawerNameFile& file, const std::string& name) {
  return ChangeNames(file, [&](std::vector<std::string>& names) {
    if (!HasNameIgnoringCase(names, name)) names.push_back(name);
    return StoreResult{};
  });
}

NamesChanged RenameOwnDrawer(const DrawerNameFile& file, const std::string& oldName, const std::string& newName,
                          const DrawerFiles& from, const DrawerFiles& to) {
  return ChangeNames(file, [&](std::vector<std::string>& names) {
    if (HasNameIgnoringCase(names, newName) || !RemoveName(names, oldName))
      return StoreResult{StoreFailure::DrawerChanged, file.path};
    names.push_back(newName);
    return RenameDrawerFiles(from, to);
  });
}

NamesChanged DeleteOwnDrawer(const DrawerNameFile& file, const std::string& name, const DrawerFiles* files) {
  return ChangeNames(file, [&](std::vector<std::string>& names) {
    if (!RemoveName(names, name)) return StoreResult{StoreFailure::DrawerChanged, file.path};
    return files ? DeleteDrawerFiles(*files) : StoreResult{};
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
