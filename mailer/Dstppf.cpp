#include "mailer/Dstppf.h"

#include <memory>

#include "mailer/Dirset.h"
#include "mailer/FormParts.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/FileCtrl.h"
#include "platform/forms/StdCtrls.h"

TDstPPFDlg::TDstPPFDlg(TComponent* owner) : TForm(owner) {
  BuildForm();
  BuildControls();
  OnShow = [this](TObject* s) { FormShow(s); };
  folderList.ReadSetting();
}

void TDstPPFDlg::FormShow(TObject*) {
  folderList.ResolvePath(exeDir);
  PPFList->Items->Assign(folderList.LoadRows());
}

void TDstPPFDlg::AddBtnClick(TObject*) {
  TStringList rows = PPFList->Items->ToStringList();
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

void TDstPPFDlg::BuildForm() {
  SetName("DstPPFDlg");
  SetCaption("対象ＰｏｓｔＰｅｔﾌｫﾙﾀﾞ");
  SetBorderStyle(bsSizeable);
  SetFramedSize(this, 325, 95);
  SetPosition(poScreenCenter);
}

void TDstPPFDlg::BuildControls() {
  PPFList = Place<TComboBox>(this, "PPFList", Bounds(8, 8, 233, 21));
  AddBtn = PlaceButton(this, "AddBtn", "参照", 248, 6, 64);
  AddBtn->OnClick = [this](TObject* s) { AddBtnClick(s); };
  OkBtn = PlaceButton(this, "OkBtn", "OK", 72, 38, 80, mrOk);
  CancelBtn = PlaceButton(this, "CancelBtn", "ｷｬﾝｾﾙ", 168, 38, 80, mrCancel);
}
