#pragma once
// The messages the store hands back for its callers to show with ErrorBox.
// Shift-JIS once compiled (program code).

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

// What a store operation reports: success, or the message to show. The
// store never shows it; the caller does, once every lock is released.
struct StoreResult {
  bool Ok() const { return message.empty(); }
  std::string message;
};
