#include "browser/store/DrawerNameFile.h"

#include "platform/base/Exception.h"
#include "platform/files/Files.h"
#include "platform/strings/StringList.h"

DrawerNames ReadDrawerNameFile(std::string_view path) {
  DrawerNames read;
  read.exists = platform::PathExists(path);
  if (!read.exists) return read;
  TStringList lines;
  try {
    lines.LoadFromFile(path);
  } catch (const EFOpenError& error) {
    read.result = {error.Message};
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
  } catch (const EFCreateError& error) {
    return {error.Message};
  }
  return {};
}
