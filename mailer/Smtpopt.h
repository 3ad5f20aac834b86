#pragma once
// The SMTP settings dialog: host, user id, sender address (qult.cfg) and
// the signature (qults.cfg).

#include <string>

#include "platform/forms/Forms.h"

class TButton;
class TEdit;
class TLabel;
class TMemo;

class TSMTPOptDlg : public TForm {
 public:
  explicit TSMTPOptDlg(TComponent* owner);
  std::string ClassName() const override { return "TSMTPOptDlg"; }

  TLabel* Label1;
  TEdit* HostName;
  TLabel* Label2;
  TEdit* MailAddress;
  TLabel* Label3;
  TEdit* UserID;
  TLabel* Label4;
  TMemo* MailFoot;
  TButton* OkBtn;
  TButton* CancelBtn;

  // Full paths of qult.cfg and qults.cfg, set by the caller before showing.
  std::string configPath;
  std::string signaturePath;

  void FormShow(TObject* Sender);
  // Writes both files and closes with OK; a failed write is reported and
  // keeps the dialog open.
  void OkBtnClick(TObject* Sender);

 private:
  void BuildForm();
  void BuildFields();
  void BuildButtons();
  // A heading label and, under it, its edit.
  TEdit* PlaceField(const char* name, const char* labelName, const char* caption, TLabel*& label,
                    int top);
};
