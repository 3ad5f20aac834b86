#include "mailer/Smtpopt.h"

#include "browser/common/ErrorBox.h"
#include "mailer/SmtpSettingsFile.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/StdCtrls.h"

namespace {
constexpr const char* kCannotOpenSettings = "設定ファイルが開けません";
constexpr int kFieldWidth = 281;
}  // namespace

TSMTPOptDlg::TSMTPOptDlg(TComponent* owner) : TForm(owner) {
  SetName("SMTPOptDlg");
  SetCaption("SMTP設定");
  SetWidth(304);
  SetHeight(390);
  SetPosition(poScreenCenter);
  // Created in the order of the screen, which is the tab order.
  HostName = AddField("HostName", "ﾎｽﾄ名", Label1, 8);
  UserID = AddField("UserID", "ﾕｰｻﾞID", Label3, 56);
  MailAddress = AddField("MailAddress", "ﾒｰﾙｱﾄﾞﾚｽ", Label2, 104);
  Label4 = Create<TLabel>(this);
  Label4->SetCaption("ｻｲﾝ");
  Label4->SetBounds(8, 152, 64, 16);
  Label4->Font->SetSize(16);
  Label4->Font->SetBold(true);
  MailFoot = Create<TMemo>(this);
  MailFoot->SetName("MailFoot");
  MailFoot->SetBounds(8, 172, kFieldWidth, 140);
  MailFoot->SetScrollBars(ssVertical);
  MailFoot->Font->SetSize(11);
  OkBtn = Create<TButton>(this);
  OkBtn->SetName("OkBtn");
  OkBtn->SetCaption("OK");
  OkBtn->SetBounds(56, 322, 80, 25);
  CancelBtn = Create<TButton>(this);
  CancelBtn->SetName("CancelBtn");
  CancelBtn->SetCaption("ｷｬﾝｾﾙ");
  CancelBtn->SetBounds(160, 322, 80, 25);
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);

  OnShow = [this](TObject* s) { FormShow(s); };
  OkBtn->OnClick = [this](TObject* s) { OkBtnClick(s); };
}

TEdit* TSMTPOptDlg::AddField(const char* name, const char* caption, TLabel*& label, int top) {
  label = Create<TLabel>(this);
  label->SetCaption(caption);
  label->SetBounds(8, top, 120, 16);
  label->Font->SetSize(16);
  label->Font->SetBold(true);
  TEdit* edit = Create<TEdit>(this);
  edit->SetName(name);
  edit->SetBounds(8, top + 20, kFieldWidth, 21);
  return edit;
}

void TSMTPOptDlg::FormShow(TObject*) {
  const std::vector<std::string> lines = ReadSmtpSettingsLines(configPath);
  TEdit* const fields[] = {HostName, UserID, MailAddress};
  for (size_t i = 0; i < lines.size(); ++i) fields[i]->SetText(lines[i]);
  if (lines.size() < std::size(fields)) return;
  MailFoot->Lines->SetText(ReadSignatureFile(signaturePath).Text());
}

void TSMTPOptDlg::OkBtnClick(TObject*) {
  if (!WriteSmtpSettingsFile(configPath, {HostName->Text(), UserID->Text(), MailAddress->Text()})) {
    ErrorBox(kCannotOpenSettings);
    return;
  }
  WriteSignatureFile(signaturePath, MailFoot->Text());
  SetModalResult(mrOk);
}
