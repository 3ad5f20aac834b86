#pragma once
// The PostPet folder dialog: the list of known PostPet folders, 追加 to add
// one with the desktop's folder chooser, 切替 to make the selected one
// current, and OK to store the current folder as PPPATH and save the list.
// Cancel writes nothing.

#include <string>

#include "browser/store/PostPetFolderList.h"
#include "platform/forms/Forms.h"

class TButton;
class TLabel;
class TListBox;
class TStaticText;

class TSelPPDlg : public TForm {
 public:
  // Builds the form and reads PPFLIST.
  explicit TSelPPDlg(TComponent* owner);
  ~TSelPPDlg() override;
  std::string ClassName() const override { return "TSelPPDlg"; }

  TListBox* PPFList;  // the known folders, in file order
  TLabel* Label1;
  TLabel* Label2;
  TStaticText* CurrentPPF;  // the current folder, set by the caller
  TButton* AddBtn;
  TButton* ChgBtn;
  TButton* OkBtn;
  TButton* CancelBtn;

  std::string exeDir;  // set by the caller: where the default list file lies
  // hasListSetting (PPFLIST existed when the dialog was made) and listFilePath.
  PostPetFolderList folderList;

  // Fixes the list file's path (writing PPFLIST when it was absent) and loads its rows.
  void FormShow(TObject* Sender);
  // Appends the chosen folder unless a row already names it; a name
  // Shift-JIS cannot hold is refused with a message.
  void AddBtnClick(TObject* Sender);
  // The selected row becomes the current folder; without one nothing changes.
  void ChgBtnClick(TObject* Sender);
  // Writes PPPATH, saves the rows and closes with OK; a refused write
  // escapes and leaves the dialog open.
  void OkBtnClick(TObject* Sender);

 private:
  void BuildForm();
  void BuildFolderList();
  void BuildCurrentFolder();
  void BuildButtons();
};

extern TSelPPDlg* SelPPDlg;
