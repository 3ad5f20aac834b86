#include "browser/store/BookBackup.h"

#include "browser/store/BookLocks.h"
#include "browser/store/DrawerPaths.h"
#include "platform/base/Format.h"
#include "platform/files/Files.h"

namespace {

// The backup's order of the coloured drawers, which is not the drawer list's.
const std::vector<std::string> kReceiveColours = {"黄色", "紫", "ピンク", "緑色", "黒",
                                                  "赤",   "橙色", "水色", "茶色"};
const std::vector<std::string> kSendColours = {"黄色", "紫", "ピンク"};

struct BackupPair {
  std::string mailName;
  std::string listName;
};

std::vector<BackupPair> BackupPairs(bool isReceiveBook) {
  std::vector<BackupPair> pairs = {isReceiveBook ? BackupPair{"受信メール.ppm", "受信リスト.ppl"}
                                                 : BackupPair{"送信メール.ppm", "送信リスト.ppl"}};
  for (const std::string& colour : isReceiveBook ? kReceiveColours : kSendColours)
    pairs.push_back({colour + "の引出し.ppm", colour + "の引出しリスト.ppl"});
  return pairs;
}

// Copies one file unless it is missing; false when it exists and the copy failed.
bool CopyIfPresent(const std::string& folder, const std::string& backup, const std::string& name) {
  const std::string source = Format("%s\\%s", folder.c_str(), name.c_str());
  if (!platform::FileExists(source)) return true;
  return platform::CopyFile(source, Format("%s\\%s", backup.c_str(), name.c_str()), true);
}

// A drawer whose pair cannot be brought together is still copied as it lies,
// but the backup is reported as failed.
bool CopyPair(const std::string& folder, const std::string& backup, const BackupPair& pair) {
  const LockedBook book({{folder, false}});
  const bool recovered = !book.Held() || book.Recovered();
  const bool mailCopied = CopyIfPresent(folder, backup, pair.mailName);
  const bool listCopied = CopyIfPresent(folder, backup, pair.listName);
  return recovered && mailCopied && listCopied;
}

}  // namespace

std::string BackupFolderOf(std::string_view ppPath, bool isReceiveBook, std::string_view stamp) {
  return Format(isReceiveBook ? "%s\\R%s" : "%s\\S%s", std::string(ppPath).c_str(),
                std::string(stamp).c_str());
}

StoreResult BackupBook(std::string_view ppPath, bool isReceiveBook, std::string_view stamp) {
  // Without a PostPet folder there is no book to back up, and no place for it.
  if (ppPath.empty()) return {StoreFailure::BackupFailed};
  const std::string backup = BackupFolderOf(ppPath, isReceiveBook, stamp);
  if (!platform::CreateDir(backup)) return StoreResult::FromLastError(StoreFailure::BackupFailed, backup);
  const std::string folder =
      Format(isReceiveBook ? "%s\\受信フォルダ" : "%s\\送信フォルダ", std::string(ppPath).c_str());
  bool whole = true;
  for (const BackupPair& pair : BackupPairs(isReceiveBook)) whole = CopyPair(folder, backup, pair) && whole;
  return whole ? StoreResult{} : StoreResult{StoreFailure::BackupFailed, backup};
}
