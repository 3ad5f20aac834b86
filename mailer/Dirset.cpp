#include "mailer/Dirset.h"

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
  OKBtn = Create<TButton>(this);
  OKBtn->SetName("OKBtn");
  OKBtn->SetCaption("OK");
  OKBtn->SetBounds(64, 284, 80, 25);
  OKBtn->SetDefault(true);
  OKBtn->SetModalResult(mrOk);
  CancelBtn = Create<TButton>(this);
  CancelBtn->SetName("CancelBtn");
  CancelBtn->SetCaption("ｷｬﾝｾﾙ");
  CancelBtn->SetBounds(168, 284, 80, 25);
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);
  Bevel1 = Create<TBevel>(this);
  Bevel1->SetBounds(8, 8, 297, 268);
  DriveComboBox1 = Create<TDriveComboBox>(this);
  DriveComboBox1->SetName("DriveComboBox1");
  DriveComboBox1->SetBounds(16, 16, 281, 21);
  DirectoryListBox = Create<TDirectoryListBox>(this);
  DirectoryListBox->SetName("DirectoryListBox");
  DirectoryListBox->SetBounds(16, 44, 281, 200);
  SelectDir = Create<TLabel>(this);
  SelectDir->SetName("SelectDir");
  SelectDir->SetBounds(16, 252, 281, 16);
  SelectDir->SetAutoSize(false);
  DriveComboBox1->SetDirList(DirectoryListBox);
  DirectoryListBox->SetDirLabel(SelectDir);
}
