#pragma once
// The drawer-name dialog: asks for the name of a new or renamed drawer and
// refuses a name that is empty, already a row of the drawer list, or cannot
// become a drawer's file name (saying so when it is only too long).

#include "platform/forms/Forms.h"

class TButton;
class TEdit;
class TImage;
class TStringList;

class TDNameDlg : public TForm {
 public:
  explicit TDNameDlg(TComponent* owner);
  ~TDNameDlg() override;

  TImage* DrawerImage;
  TEdit* DrawerName;
  TButton* OkBtn;
  TButton* CancelBtn;

  // The texts of every row of the drawer list; owned by the caller, who
  // fills it before showing the dialog.
  const TStringList* drawerNames = nullptr;

  // Closes the dialog with OK only when the name passes its checks.
  void OkBtnClick(TObject* Sender);

 private:
  void BuildForm();
  void BuildNameRow();
  void BuildButtons();
};
