#include "browser/store/PostPetFolderList.h"

#include "browser/store/SettingsKey.h"
#include "platform/base/Format.h"
#include "platform/files/Files.h"

void PostPetFolderList::ReadSetting() {
  SettingsKey key;
  hasListSetting = key.Has(Setting::FolderList);
  if (hasListSetting) listFilePath = key.Read(Setting::FolderList);
}

void PostPetFolderList::ResolvePath(std::string_view exeDir) {
  if (hasListSetting) return;
  listFilePath = platform::DesktopPath(Format(kDefaultFolderListFormat, std::string(exeDir).c_str()));
  SettingsKey().Write(Setting::FolderList, listFilePath);
}

TStringList PostPetFolderList::LoadRows() const {
  TStringList rows;
  if (platform::FileExists(listFilePath)) rows.LoadFromFile(listFilePath);
  return rows;
}

void PostPetFolderList::SaveRows(const TStringList& rows) const {
  const platform::FileLock lock(platform::ParentFolder(listFilePath));
  TStringList merged = rows;
  const TStringList stored = LoadRows();
  for (int i = 0; i < stored.Count(); ++i) AddFolderIfNew(merged, stored[i]);
  merged.SaveToFile(listFilePath);
}

bool AddFolderIfNew(TStringList& rows, std::string_view folder) {
  if (rows.IndexOf(folder) >= 0) return false;
  rows.Add(std::string(folder));
  return true;
}
