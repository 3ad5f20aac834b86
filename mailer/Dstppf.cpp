#include "mailer/Dstppf.h"

#include <memory>

#include "mailer/Dirset.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/FileCtrl.h"
#include "platform/forms/StdCtrls.h"

TDstPPFDlg::TDstPPFDlg(TComponent* owner) : TForm(owner) {
  SetName("DstPPFDlg");
  SetCaption("対象ＰｏｓｔＰｅｔﾌｫﾙﾀﾞ");
  SetBorderStyle(bsSizeable);
  SetWidth(325);
  SetHeight(95);
  SetPosition(poScreenCenter);
  PPFList = Create<TComboBox>(this);
  PPFList->SetName("PPFList");
  PPFList->SetBounds(8, 8, 233, 21);
  AddBtn = Create<TButton>(this);
  AddBtn->SetName("AddBtn");
  AddBtn->SetCaption("参照");
  AddBtn->SetBounds(248, 6, 64, 25);
  OkBtn = Create<TButton>(this);
  OkBtn->SetName("OkBtn");
  OkBtn->SetCaption("OK");
  OkBtn->SetBounds(72, 38, 80, 25);
  OkBtn->SetModalResult(mrOk);
  CancelBtn = Create<TButton>(this);
  CancelBtn->SetName("CancelBtn");
  CancelBtn->SetCaption("ｷｬﾝｾﾙ");
  CancelBtn->SetBounds(168, 38, 80, 25);
  CancelBtn->SetModalResult(mrCancel);

  OnShow = [this](TObject* s) { FormShow(s); };
  AddBtn->OnClick = [this](TObject* s) { AddBtnClick(s); };
  folderList.ReadSetting();
}

void TDstPPFDlg::FormShow(TObject*) {
  folderList.ResolvePath(exeDir);
  PPFList->Items->SetText(folderList.LoadRows().Text());
}

void TDstPPFDlg::AddBtnClick(TObject*) {
  TStringList rows;
  rows.SetText(PPFList->Items->Text());
  auto dirSetDlg = std::make_unique<TDirSetDlg>(this);
  if (dirSetDlg->ShowModal() == mrOk) {
    const std::string folder = dirSetDlg->DirectoryListBox->Directory();
    if (AddFolderIfNew(rows, folder)) {
      PPFList->Items->Add(folder);
      PPFList->SetText(folder);
    }
  }
  dirSetDlg.reset();
  folderList.SaveRows(rows);
}
