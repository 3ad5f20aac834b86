#include "browser/store/DrawerImport.h"

#include "browser/store/DrawerRewrite.h"
#include "platform/files/Files.h"

StoreResult ImportMails(const DrawerFiles& drawer, MailStream& mails) {
  for (const std::string& file : mails.Files())
    if (platform::SameFile(file, drawer.mailPath) || platform::SameFile(file, drawer.listPath))
      return {StoreFailure::CannotReadFile, file};
  return AppendMails(drawer, [&mails](const AppendOne& append) {
    while (std::optional<MailToAppend> mail = mails.Next()) {
      const StoreResult appended = append(mail->record, mail->text);
      if (!appended.Ok()) return appended;
    }
    return StoreResult{};
  });
}
