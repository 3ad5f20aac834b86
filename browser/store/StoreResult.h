#pragma once
// What a store operation reports: success, or what failed and why. The store
// never shows anything; the caller shows Message() with ErrorBox once every
// lock is released. Shift-JIS once compiled (program code).

#include <cstdint>
#include <string>

inline constexpr const char* kOutOfMemory = "メモリが不足しました";
inline constexpr const char* kCannotOpenMailFile = "メールファイルが開けません";
inline constexpr const char* kCannotOpenListFile = "リストファイルが開けません";
inline constexpr const char* kCannotCreateScratch = "テンポラリファイル作成失敗";
inline constexpr const char* kCannotWriteMail = "メールファイルに書き込めません";
inline constexpr const char* kCopyFailed = "コピー失敗";
inline constexpr const char* kBackupFailed = "バックアップ失敗";
inline constexpr const char* kDrawerChanged =
    "引出しが他のプログラムで変更されました。もう一度操作してください";
// A journal whose names or lengths do not hold for the files it names, with its path.
inline constexpr const char* kJournalRefusedFormat = "作業記録 %s が引出しのファイルと合わないため、変更できません";

enum class StoreFailure : uint8_t {
  None,
  OutOfMemory,          // kOutOfMemory
  CannotOpenMailFile,   // kCannotOpenMailFile: also a mail that cannot be read back
  CannotOpenListFile,   // kCannotOpenListFile
  CannotCreateScratch,  // kCannotCreateScratch: a file of the store's own cannot be made
  CannotWriteMail,      // kCannotWriteMail
  MailFileFull,         // kCannotWriteMail: past what a record's 32-bit offsets reach
  CopyFailed,           // kCopyFailed
  BackupFailed,         // kBackupFailed
  DrawerChanged,        // kDrawerChanged: another window or program changed it since it was read
  CannotReadFile,       // a file read whole (the drawer names): the string list's "cannot open"
  CannotCreateFile,     // a file written whole: the string list's "cannot create"
  JournalRefused,       // kJournalRefusedFormat: recovery leaves a journal alone
};

struct StoreResult {
  StoreFailure failure = StoreFailure::None;
  std::string path;     // the file the failure concerns, where there is one
  int systemError = 0;  // the system's error number, where there is one

  StoreResult() = default;
  StoreResult(StoreFailure failure, std::string path = {}, int systemError = 0)
      : failure(failure), path(std::move(path)), systemError(systemError) {}
  // The failure of the file call that has just failed on path, with its error number.
  static StoreResult FromLastError(StoreFailure failure, std::string path);

  bool Ok() const { return failure == StoreFailure::None; }
  // The text the user is shown; empty for success.
  std::string Message() const;
};
