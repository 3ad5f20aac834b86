#pragma once
// The PostPet folder chooser: an editable box preset with the folder in use,
// whose rows are the shared PostPet folder list, and 参照 to add a folder.
// The answer lives only in the caller's memory; PPPATH is never written.

#include <string>

#include "browser/store/PostPetFolderList.h"
#include "platform/forms/Forms.h"

class TButton;
class TComboBox;

class TDstPPFDlg : public TForm {
 public:
  // Reads PPFLIST from the settings key.
  explicit TDstPPFDlg(TComponent* owner);
  std::string ClassName() const override { return "TDstPPFDlg"; }

  TComboBox* PPFList;  // its text is the answer
  TButton* AddBtn;
  TButton* OkBtn;
  TButton* CancelBtn;

  std::string exeDir;  // set by the caller: where the default list file lies
  // hasListSetting (PPFLIST existed when the dialog was made) and listFilePath.
  PostPetFolderList folderList;

  // Fixes the list file's path (writing PPFLIST when it was absent) and
  // loads its rows, keeping the text the caller set.
  void FormShow(TObject* Sender);
  // Picks a folder, appends it unless a row already names it, and saves the
  // rows, whether or not a folder was picked.
  void AddBtnClick(TObject* Sender);

 private:
  void BuildForm();
  void BuildControls();
};
