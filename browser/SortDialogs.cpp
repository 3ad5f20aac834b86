#include "browser/SortDialogs.h"

#include "browser/Main.h"
#include "browser/Select.h"
#include "browser/Setas.h"
#include "browser/store/ListRecord.h"
#include "platform/base/Format.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

namespace {

// A dialog made for one question, reachable through its global while it lives.
template <class Dialog>
class OneQuestion {
 public:
  OneQuestion(Dialog*& global, TComponent* owner) : m_global(global), dialog(owner) { m_global = &dialog; }
  ~OneQuestion() { m_global = nullptr; }

 private:
  Dialog*& m_global;

 public:
  Dialog dialog;
};

std::string RuleText(const SortRule& rule) { return Format("%s=%s", rule.key.c_str(), rule.drawer.c_str()); }

std::string FieldOf(const MailEntry& mail, MailField field) { return std::string(mail.Text(field)); }

}  // namespace

bool SortDialogs::PreferSubjectRule(const MailEntry& mail, const SortRule& addressRule,
                                    const SortRule& subjectRule) {
  OneQuestion<TSelectDlg> question(SelectDlg, &m_form);
  TSelectDlg& dialog = question.dialog;
  dialog.FromAdd->SetCaption(FieldOf(mail, MailField::From));
  dialog.Subject->SetCaption(FieldOf(mail, MailField::Subject));
  dialog.AdCfg->SetCaption(RuleText(addressRule));
  dialog.SbCfg->SetCaption(RuleText(subjectRule));
  return dialog.ShowModal() == mrYes;
}

// The dialog's result is not looked at: its close box leaves the texts as
// they stand, and an empty drawer name then files nothing.
LearnedRule SortDialogs::AskForRule(const MailEntry& mail, std::string_view address) {
  OneQuestion<TSetASDlg> question(SetASDlg, &m_form);
  TSetASDlg& dialog = question.dialog;
  const bool send = m_book == Book::Send;
  if (send) dialog.Label1->SetCaption("To:");
  dialog.FromAdd->SetCaption(FieldOf(mail, send ? MailField::To : MailField::From));
  dialog.Subject->SetCaption(FieldOf(mail, MailField::Subject));
  dialog.Address->SetText(std::string(address));
  dialog.EdSubject->SetText(FieldOf(mail, MailField::Subject));
  dialog.SelRdBtn->SetEnabled(!send);
  dialog.DrawerName->Items->Assign(m_form.DrawerList->Items->ToVector());
  dialog.ShowModal();
  const bool bySubject = dialog.SelRdBtn->ItemIndex() == TSetASDlg::kSubjectChoice;
  return {bySubject ? LearnedRule::Kind::Subject : LearnedRule::Kind::Address, dialog.EdSubject->Text(),
          dialog.DrawerName->Text()};
}

void SortDialogs::DrawerAdded(std::string_view name) {
  m_form.DrawerList->Items->Add(std::string(name));
  m_form.DrawerList->Repaint();
}

void SortDialogs::BetweenMails() { Application->ProcessPaintMessages(); }
