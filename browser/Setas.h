#pragma once
// The new-rule dialog of automatic sorting, for a mail that no rule matches.
// The run fills the mail's texts and the drawer rows, shows it modally and
// then reads the choice, the Subject pattern and the drawer name as the
// dialog leaves them, whether OK or the close box ended it. OK refuses a
// drawer name that is empty or cannot become a drawer's file name.

#include "platform/forms/Forms.h"

class TBevel;
class TButton;
class TComboBox;
class TEdit;
class TLabel;
class TRadioGroup;

class TSetASDlg : public TForm {
 public:
  explicit TSetASDlg(TComponent* owner);
  ~TSetASDlg() override;

  // The items of SelRdBtn.
  static constexpr int kAddressChoice = 0;
  static constexpr int kSubjectChoice = 1;

  TLabel* Label1;        // "From:"; the send book's run makes it "To:"
  TLabel* FromAdd;       // the From field (the To field in the send book)
  TLabel* Label2;
  TLabel* Subject;       // the mail's Subject
  TRadioGroup* SelRdBtn;  // which rule to learn: kAddressChoice or kSubjectChoice
  TLabel* Label3;
  TEdit* Address;        // shown only: the run keys the rule by the mail's own address
  TLabel* Label4;
  TEdit* EdSubject;      // the Subject pattern a Subject rule keys on
  TLabel* Label5;
  TButton* OkBtn;
  TLabel* Label6;
  TBevel* Bevel1;
  TComboBox* DrawerName;  // the target drawer; a name no row has makes a new drawer

  // The choice enables the edit of the rule it learns and greys the other.
  void SelRdBtnClick(TObject* Sender);
  // Closes the dialog with OK only when the drawer name is usable.
  void OkBtnClick(TObject* Sender);

 private:
  void BuildForm();
  void BuildMailLines();
  void BuildChoice();
  void BuildRuleEdits();
  void BuildDrawerRow();
};

// The dialog while a run shows it; nullptr otherwise.
extern TSetASDlg* SetASDlg;
