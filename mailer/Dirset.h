#pragma once
// The folder-picking dialog behind 参照: a drive chooser, the folder list of
// the chosen drive, and a label that always shows the list's open folder.
// Its answer is the open folder, not a row that is merely highlighted.

#include <string>

#include "platform/forms/Forms.h"

class TBevel;
class TButton;
class TDirectoryListBox;
class TDriveComboBox;
class TLabel;

class TDirSetDlg : public TForm {
 public:
  explicit TDirSetDlg(TComponent* owner);
  std::string ClassName() const override { return "TDirSetDlg"; }

  TButton* OKBtn;
  TButton* CancelBtn;
  TBevel* Bevel1;
  TDriveComboBox* DriveComboBox1;
  TDirectoryListBox* DirectoryListBox;
  TLabel* SelectDir;

 private:
  void BuildForm();
  void BuildButtons();
  void BuildFolderChooser();
};
