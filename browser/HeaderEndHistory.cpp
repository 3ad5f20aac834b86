#include "browser/HeaderEndHistory.h"

#include <string>

#include "platform/files/Files.h"

namespace {

std::string HistoryPath(std::string_view exeDir) { return std::string(exeDir) + "\\dorvnhe.cfg"; }

}  // namespace

TStringList LoadHeaderEndHistory(std::string_view exeDir) {
  TStringList texts;
  const std::string path = HistoryPath(exeDir);
  if (platform::FileExists(path)) texts.LoadFromFile(path);
  return texts;
}

void SaveHeaderEndHistory(std::string_view exeDir, const TStringList& texts) {
  texts.SaveToFile(HistoryPath(exeDir));
}
