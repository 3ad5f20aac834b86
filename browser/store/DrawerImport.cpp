#include "browser/store/DrawerImport.h"

#include "browser/store/DrawerRewrite.h"

StoreResult ImportMails(const DrawerFiles& drawer, MailStream& mails) {
  return AppendMails(drawer, [&mails](const AppendOne& append) {
    while (std::optional<MailToAppend> mail = mails.Next()) {
      const StoreResult appended = append(mail->record, mail->text);
      if (!appended.Ok()) return appended;
    }
    return StoreResult{};
  });
}
