#pragma once
// The small dialog of the rule editor that edits one rule: its key and its
// drawer name, picked from the drawer names the editor knows or typed. OK
// refuses an empty drawer name and one that cannot become a drawer's file
// name; an empty key is accepted.

#include "platform/forms/Forms.h"

class TButton;
class TComboBox;
class TEdit;
class TLabel;

class TSetDNameDlg : public TForm {
 public:
  explicit TSetDNameDlg(TComponent* owner);
  ~TSetDNameDlg() override;

  TLabel* Label1;  // "アドレス", or "Subject" for Subject rules
  TLabel* Label2;
  TEdit* Address;  // the rule's key
  TComboBox* DrawerName;
  TButton* OKBtn;
  TButton* CancelBtn;

  void OKBtnClick(TObject* Sender);

 private:
  void BuildForm();
  void BuildFields();
  void BuildButtons();
};

// The dialog while the rule editor shows it; nullptr otherwise.
extern TSetDNameDlg* SetDNameDlg;
