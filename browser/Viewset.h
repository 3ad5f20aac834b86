#pragma once
// The viewer dialog: the program that shows a plain mail body (VIEWER in the
// shared settings key).

#include "platform/forms/Forms.h"

class TButton;
class TEdit;
class TLabel;
class TOpenDialog;

class TViewSetDlg : public TForm {
 public:
  // Builds the form and fills the edit from VIEWER when that value exists.
  explicit TViewSetDlg(TComponent* owner);
  ~TViewSetDlg() override;
  std::string ClassName() const override { return "TViewSetDlg"; }

  TEdit* Viewer;
  TLabel* Label1;
  TButton* OpnBtn;
  TButton* OkBtn;
  TButton* CancelBtn;
  TOpenDialog* OpenDialog;

  // The chosen file's path replaces the edit's text; Cancel changes nothing.
  void OpnBtnClick(TObject* Sender);
  // An empty edit is ignored; otherwise VIEWER is written and the dialog
  // closes with OK. A refused write raises and the dialog stays.
  void OkBtnClick(TObject* Sender);

 private:
  void BuildForm();
  void BuildControls();
  void LoadViewerSetting();
};

// Set while the dialog is shown by the main window.
extern TViewSetDlg* ViewSetDlg;
