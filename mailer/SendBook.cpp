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
  switch (AppendMail(*files, record, text).failure) {
    case StoreFailure::None: return nullptr;
    case StoreFailure::CannotOpenMailFile: return kCannotOpenSentMailFile;
    case StoreFailure::CannotOpenListFile: return kCannotOpenSentListFile;
    default: return kCannotWriteSentMailFile;
  }
}
