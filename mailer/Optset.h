#pragma once
// The environment dialog: the external editor program (EDITOR) and the
// user's name (NAME) in the shared settings key.

#include <string>

#include "platform/forms/Forms.h"

class TButton;
class TEdit;
class TLabel;
class TOpenDialog;

class TOptionSetForm : public TForm {
 public:
  explicit TOptionSetForm(TComponent* owner);
  std::string ClassName() const override { return "TOptionSetForm"; }

  TLabel* Label2;
  TEdit* Editor;
  TLabel* Label3;
  TEdit* Name;  // the user's name (hides TComponent::Name inside this form)
  TButton* Button1;
  TOpenDialog* OpenDialog;
  TButton* CancelBtn;
  TButton* EditorSet;

  // Fills the fields from the key, once per showing: the window activates
  // again when the file dialog of 参照 closes.
  void FormActivate(TObject* Sender);
  void EditorSetClick(TObject* Sender);
  // Writes EDITOR and NAME and closes with OK; a refused write raises.
  void Button1Click(TObject* Sender);

 private:
  void BuildForm();
  void BuildControls();
  void BuildOpenDialog();

  bool m_loaded = false;
};
