#include "browser/store/DrawerImport.h"

#include "browser/store/DrawerRewrite.h"
#include "browser/store/MailFile.h"
#include "platform/files/Files.h"

StoreResult ImportMails(const DrawerFiles& drawer, MailStream& mails) {
  DrawerAppender appender(drawer);
  if (appender.Failure() != DrawerAppender::OpenFailure::None) return {kCannotOpenFiles};
  // Measured once the appender has recovered the drawer; each append adds its text.
  const int64_t startLength = platform::FileSize(drawer.mailPath);
  if (startLength < 0) return {kCannotOpenFiles};
  uint64_t mailFileLength = static_cast<uint64_t>(startLength);
  while (std::optional<MailToAppend> mail = mails.Next()) {
    // No record may point past what the list format's 32-bit offsets reach.
    if (mailFileLength + mail->text.size() > kMaxMailFileLength) return {kCannotOpenFiles};
    if (!appender.Append(mail->record, mail->text)) return {kCannotWriteMail};
    mailFileLength += mail->text.size();
  }
  return mails.Ended();
}
