#pragma once
// The conflict dialog of automatic sorting: a mail matches both an address
// rule and a Subject rule. はい (yes, also Enter) takes the Subject rule's
// drawer; いいえ (no, also Escape) or closing takes the address rule's. The
// run fills the four texts, shows it modally and reads only the result.

#include "platform/forms/Forms.h"

class TButton;
class TGroupBox;
class TLabel;

class TSelectDlg : public TForm {
 public:
  // owner: the main window, whose font the dialog shows.
  explicit TSelectDlg(TComponent* owner);
  ~TSelectDlg() override;

  TButton* YseBtn;
  TButton* NoBtn;
  TLabel* Label1;
  TLabel* Label2;
  TLabel* FromAdd;   // the mail's From field
  TLabel* Subject;   // the mail's Subject
  TLabel* Label3;
  TLabel* Label4;
  TLabel* Label5;
  TGroupBox* GroupBox1;
  TLabel* AdCfg;     // the address rule, "address=drawer"
  TLabel* SbCfg;     // the Subject rule, "key=drawer"

 private:
  void BuildForm();
  void BuildButtons();
  void BuildMailLines();
  void BuildQuestion();
  void BuildRules();
};

// The dialog while a run shows it; nullptr otherwise.
extern TSelectDlg* SelectDlg;
