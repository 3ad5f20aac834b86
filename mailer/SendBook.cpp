#include "mailer/SendBook.h"

#include "browser/store/DrawerPaths.h"
#include "browser/store/DrawerRewrite.h"

namespace {

constexpr const char* kCannotOpenSentMailFile = "送信メールファイルが開けません";
constexpr const char* kCannotOpenSentListFile = "送信リストファイルが開けません";
constexpr const char* kCannotWriteSentMailFile = "送信メールファイルに書き込めません";

constexpr int kSendBookRow = 0;

}  // namespace

const char* FileIntoSendBook(std::string_view ppPath, std::string_view exeDir,
                             const MailEntry& record, std::string_view text) {
  const BookPlace sendBook{std::string(ppPath), std::string(exeDir), false, FixedDrawerCount(false)};
  // No path for an empty PostPet folder: refused like a folder without 送信フォルダ.
  std::optional<DrawerFiles> files = GetDrawerFiles(sendBook, kSendBookRow, "");
  if (!files) return kCannotOpenSentMailFile;
  DrawerAppender appender(*files);
  switch (appender.Failure()) {
    case DrawerAppender::OpenFailure::MailFile: return kCannotOpenSentMailFile;
    case DrawerAppender::OpenFailure::ListFile: return kCannotOpenSentListFile;
    case DrawerAppender::OpenFailure::None: break;
  }
  return appender.Append(record, text) ? nullptr : kCannotWriteSentMailFile;
}
