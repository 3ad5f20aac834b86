#include "browser/store/DrawerImport.h"

#include "browser/store/DrawerRewrite.h"
#include "browser/store/MailFile.h"
#include "platform/files/Files.h"

namespace {

// No record may point past what the list format's 32-bit offsets reach.
bool FitsTheOffsets(const DrawerFiles& drawer, const std::string& text) {
  const int64_t mailFileLength = platform::FileSize(drawer.mailPath);
  return mailFileLength >= 0 && static_cast<uint64_t>(mailFileLength) + text.size() <= kMaxMailFileLength;
}

}  // namespace

StoreResult ImportMails(const DrawerFiles& drawer, MailStream& mails) {
  DrawerAppender appender(drawer);
  if (appender.Failure() != DrawerAppender::OpenFailure::None) return {kCannotOpenFiles};
  while (std::optional<MailToAppend> mail = mails.Next()) {
    if (!FitsTheOffsets(drawer, mail->text)) return {kCannotOpenFiles};
    if (!appender.Append(mail->record, mail->text)) return {kCannotWriteMail};
  }
  return mails.Ended();
}
