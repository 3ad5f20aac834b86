#include "mailer/Dirset.h"

#include "mailer/FormParts.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/FileCtrl.h"
#include "platform/forms/StdCtrls.h"

TDirSetDlg::TDirSetDlg(TComponent* owner) : TForm(owner) {
  SetName("DirSetDlg");
  SetCaption("ﾌｫﾙﾀﾞ設定ﾀﾞｲｱﾛｸﾞ");
  SetBorderStyle(bsDialog);
  SetBorderIcons(biSystemMenu);
  SetClientWidth(313);
  SetClientHeight(318);
  SetPosition(poScreenCenter);
  OKBtn = AddButton(this, "OKBtn", "OK", 64, 284, 80, mrOk);
  OKBtn->SetDefault(true);
  CancelBtn = AddButton(this, "CancelBtn", "ｷｬﾝｾﾙ", 168, 284, 80, mrCancel);
  CancelBtn->SetCancel(true);
  Bevel1 = Create<TBevel>(this);
  Bevel1->SetName("Bevel1");
  Bevel1->SetBounds(8, 8, 297, 268);
  DriveComboBox1 = Create<TDriveComboBox>(this);
  DriveComboBox1->SetName("DriveComboBox1");
  DriveComboBox1->SetBounds(16, 16, 281, 21);
  DirectoryListBox = Create<TDirectoryListBox>(this);
  DirectoryListBox->SetName("DirectoryListBox");
  DirectoryListBox->SetBounds(16, 44, 281, 200);
  SelectDir = Create<TLabel>(this);
  SelectDir->SetName("SelectDir");
  SelectDir->SetAutoSize(false);  // before the bounds, which it would otherwise fit to no text
  SelectDir->SetBounds(16, 252, 281, 16);
  DriveComboBox1->SetDirList(DirectoryListBox);
  DirectoryListBox->SetDirLabel(SelectDir);
}
