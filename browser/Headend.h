#pragma once
// The header-end dialog of the one-mail importer: asks for the text of the
// line that ends a mail's header, offering the texts given before.

#include "platform/forms/Forms.h"

class TButton;
class TComboBox;
class TLabel;

class THeadEndDlg : public TForm {
 public:
  explicit THeadEndDlg(TComponent* owner);
  ~THeadEndDlg() override;

  TLabel* Label1;
  TComboBox* HEString;  // the text, "--------" at every opening; its items are the history
  TButton* OkBtn;
  TButton* CancelBtn;

  // Closes the dialog with OK when a text is given, adding it to the history
  // unless an item equals it ignoring case; an empty text keeps it open.
  void OkBtnClick(TObject* Sender);

 private:
  void BuildForm();
  void BuildControls();
};

extern THeadEndDlg* HeadEndDlg;
