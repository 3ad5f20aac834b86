#include "mailer/Dirset.h"

#include "mailer/FormParts.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/FileCtrl.h"
#include "platform/forms/StdCtrls.h"

TDirSetDlg::TDirSetDlg(TComponent* owner) : TForm(owner) {
  BuildForm();
  BuildButtons();
  BuildFolderChooser();
}

void TDirSetDlg::BuildForm() {
  SetName("DirSetDlg");
  SetCaption("ﾌｫﾙﾀﾞ設定ﾀﾞｲｱﾛｸﾞ");
  SetBorderStyle(bsDialog);
  SetBorderIcons(biSystemMenu);
  SetClientWidth(313);
  SetClientHeight(318);
  SetPosition(poScreenCenter);
}

void TDirSetDlg::BuildButtons() {
  OKBtn = PlaceButton(this, "OKBtn", "OK", 64, 284, 80, mrOk);
  OKBtn->SetDefault(true);
  CancelBtn = PlaceButton(this, "CancelBtn", "ｷｬﾝｾﾙ", 168, 284, 80, mrCancel);
  CancelBtn->SetCancel(true);
}

// The drive box fills the folder list, whose open folder the label shows.
void TDirSetDlg::BuildFolderChooser() {
  Bevel1 = Place<TBevel>(this, "Bevel1", Bounds(8, 8, 297, 268));
  DriveComboBox1 = Place<TDriveComboBox>(this, "DriveComboBox1", Bounds(16, 16, 281, 21));
  DirectoryListBox = Place<TDirectoryListBox>(this, "DirectoryListBox", Bounds(16, 44, 281, 200));
  SelectDir = Create<TLabel>(this);
  SelectDir->SetName("SelectDir");
  SelectDir->SetAutoSize(false);  // before the bounds, which it would otherwise fit to no text
  SelectDir->SetBounds(16, 252, 281, 16);
  DriveComboBox1->SetDirList(DirectoryListBox);
  DirectoryListBox->SetDirLabel(SelectDir);
}
