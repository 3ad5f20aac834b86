#include "browser/store/DrawerImport.h"

#include "browser/store/DrawerRewrite.h"
#include "platform/files/Files.h"

StoreResult ImportMails(const DrawerFiles& drawer, MailStream& mails) {
  const std::optional<platform::FileIdentity> own[] = {platform::IdentityOf(drawer.mailPath),
                                                       platform::IdentityOf(drawer.listPath)};
  for (const std::string& file : mails.Files()) {
    const std::optional<platform::FileIdentity> input = platform::IdentityOf(file);
    if (input && (input == own[0] || input == own[1])) return {StoreFailure::CannotReadFile, file};
  }
  return AppendMails(drawer, [&mails](const AppendOne& append) {
    while (std::optional<MailToAppend> mail = mails.Next()) {
      const StoreResult appended = append(mail->record, mail->text);
      if (!appended.Ok()) return appended;
    }
    return StoreResult{};
  });
}
