#include "mailer/SentMail.h"

#include "platform/base/Format.h"

SentMail SentMailText(std::string_view to, std::string_view userName, std::string_view subject,
                      std::string_view body) {
  SentMail mail;
  mail.header = Format("X-Priority: 1\nTo: %.*s\nFrom: %.*s\nSubject: %.*s\nCC: \n\n",
                       static_cast<int>(to.size()), to.data(), static_cast<int>(userName.size()),
                       userName.data(), static_cast<int>(subject.size()), subject.data());
  mail.body = body;
  return mail;
}

std::string FilingId(std::time_t now) {
  const std::string octal = Format("%07llo", static_cast<unsigned long long>(now));
  return "4535625330." + octal.substr(0, 7);
}

MailEntry SentMailRecord(const SentMail& mail, std::string_view to, std::string_view userName,
                         std::string_view subject, std::string_view dateText, std::string_view id) {
  MailEntry entry;
  entry.mailStart = 0;
  entry.bodyStart = static_cast<uint32_t>(mail.header.size());
  entry.bodyLength = static_cast<uint32_t>(mail.body.size());
  entry.status = 1;
  entry.SetText(MailField::From, userName);
  entry.SetText(MailField::To, to);
  entry.SetText(MailField::Subject, subject);
  entry.SetText(MailField::Date, dateText);
  entry.SetText(MailField::Id, id);
  return entry;
}
