#include "mailer/Smtpopt.h"

#include "browser/common/ErrorBox.h"
#include "browser/common/Heading.h"
#include "mailer/FormParts.h"
#include "mailer/SmtpSettingsFile.h"
#include "platform/base/Format.h"
#include "platform/files/Files.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/StdCtrls.h"

namespace {
constexpr const char* kCannotOpenSettings = "設定ファイルが開けません";
constexpr const char* kCannotWriteFile = "%s が開けません";
constexpr int kFieldWidth = 281;
}  // namespace

TSMTPOptDlg::TSMTPOptDlg(TComponent* owner) : TForm(owner) {
  BuildForm();
  BuildFields();
  BuildButtons();
  OnShow = [this](TObject* s) { FormShow(s); };
}

void TSMTPOptDlg::FormShow(TObject*) {
  const std::vector<std::string> lines = ReadSmtpSettingsLines(configPath);
  TEdit* const fields[] = {HostName, UserID, MailAddress};
  for (size_t i = 0; i < lines.size(); ++i) fields[i]->SetText(lines[i]);
  if (lines.size() < std::size(fields)) return;
  MailFoot->Lines->Assign(ReadSignatureFile(signaturePath));
}

void TSMTPOptDlg::OkBtnClick(TObject*) {
  if (!WriteSmtpSettingsFile(configPath, {HostName->Text(), UserID->Text(), MailAddress->Text()})) {
    ErrorBox(kCannotOpenSettings);
    return;
  }
  if (!WriteSignatureFile(signaturePath, MailFoot->Text())) {
    // qult.cfg is written: say which failed.
    ErrorBox(Format(kCannotWriteFile, platform::DesktopPath(signaturePath).c_str()));
    return;
  }
  SetModalResult(mrOk);
}

void TSMTPOptDlg::BuildForm() {
  SetName("SMTPOptDlg");
  SetCaption("SMTP設定");
  SetFramedSize(this, 304, 390);
  SetPosition(poScreenCenter);
}

// Created in the order of the screen, which is the tab order.
void TSMTPOptDlg::BuildFields() {
  HostName = PlaceField("HostName", "Label1", "ﾎｽﾄ名", Label1, 8);
  UserID = PlaceField("UserID", "Label3", "ﾕｰｻﾞID", Label3, 56);
  MailAddress = PlaceField("MailAddress", "Label2", "ﾒｰﾙｱﾄﾞﾚｽ", Label2, 104);
  Label4 = PlaceHeading(this, "Label4", "ｻｲﾝ", 8, 152);
  MailFoot = Place<TMemo>(this, "MailFoot", Bounds(8, 172, kFieldWidth, 140));
  MailFoot->SetScrollBars(ssVertical);
  MailFoot->Font->SetSize(11);
}

void TSMTPOptDlg::BuildButtons() {
  OkBtn = PlaceButton(this, "OkBtn", "OK", 56, 322, 80);
  OkBtn->OnClick = [this](TObject* s) { OkBtnClick(s); };
  CancelBtn = PlaceButton(this, "CancelBtn", "ｷｬﾝｾﾙ", 160, 322, 80, mrCancel);
  CancelBtn->SetCancel(true);
}

TEdit* TSMTPOptDlg::PlaceField(const char* name, const char* labelName, const char* caption,
                               TLabel*& label, int top) {
  label = PlaceHeading(this, labelName, caption, 8, top);
  return Place<TEdit>(this, name, Bounds(8, top + 20, kFieldWidth, 21));
}
