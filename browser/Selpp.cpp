#include "browser/Selpp.h"

#include "browser/common/ErrorBox.h"
#include "browser/common/Heading.h"
#include "browser/store/SettingsKey.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ListBox.h"
#include "platform/forms/StdCtrls.h"
#include "platform/strings/StringList.h"

TSelPPDlg* SelPPDlg = nullptr;

TSelPPDlg::TSelPPDlg(TComponent* owner) : TForm(owner) {
  BuildForm();
  BuildFolderList();
  BuildCurrentFolder();
  BuildButtons();
  OnShow = [this](TObject* s) { FormShow(s); };
  folderList.ReadSetting();
}

TSelPPDlg::~TSelPPDlg() { DestroyComponents(); }

void TSelPPDlg::FormShow(TObject*) {
  folderList.ResolvePath(exeDir);
  PPFList->Items->Assign(folderList.LoadRows());
}

void TSelPPDlg::AddBtnClick(TObject*) {
  TDirectoryChooser chooser(this);
  chooser.Title = "フォルダを選んで下さい";
  if (!chooser.Execute()) return;
  // The path is stored as Shift-JIS: a "?" in place of a character would name another folder.
  if (!chooser.Representable) return ErrorBox("このフォルダ名は使えません");
  TStringList rows = PPFList->Items->ToStringList();
  if (AddFolderIfNew(rows, chooser.Directory)) PPFList->Items->Add(chooser.Directory);
}

void TSelPPDlg::ChgBtnClick(TObject*) {
  const int row = PPFList->ItemIndex();
  if (row < 0) return;
  CurrentPPF->SetCaption(PPFList->Items->Strings(row));
}

void TSelPPDlg::OkBtnClick(TObject*) {
  SettingsKey().Write(Setting::PostPetFolder, CurrentPPF->Caption());
  folderList.SaveRows(PPFList->Items->ToStringList());
  SetModalResult(mrOk);
}

// 441 by 294 with its frame: a sizeable frame of 4 pixels a side and a caption bar of 19.
void TSelPPDlg::BuildForm() {
  SetName("SelPPDlg");
  SetCaption("ＰｏｓｔＰｅｔﾌｫﾙﾀﾞの追加と切替");
  SetBorderStyle(bsSizeable);
  SetClientWidth(433);
  SetClientHeight(267);
  SetPosition(poScreenCenter);
}

void TSelPPDlg::BuildFolderList() {
  Label1 = PlaceHeading(this, "Label1", "一覧", 8, 8);
  PPFList = Place<TListBox>(this, "PPFList", Bounds(8, 28, 321, 161));
}

void TSelPPDlg::BuildCurrentFolder() {
  Label2 = PlaceHeading(this, "Label2", "現在のＰｏｓｔＰｅｔ", 8, 196);
  CurrentPPF = Place<TStaticText>(this, "CurrentPPF", Bounds(8, 220, 321, 20));
  CurrentPPF->SetBorderStyle(sbsSunken);
}

void TSelPPDlg::BuildButtons() {
  AddBtn = Place<TButton>(this, "AddBtn", Bounds(344, 28, 81, 25), "追加");
  AddBtn->OnClick = [this](TObject* s) { AddBtnClick(s); };
  ChgBtn = Place<TButton>(this, "ChgBtn", Bounds(344, 60, 81, 25), "切替");
  ChgBtn->OnClick = [this](TObject* s) { ChgBtnClick(s); };
  OkBtn = Place<TButton>(this, "OkBtn", Bounds(344, 184, 81, 25), "OK");
  OkBtn->SetDefault(true);
  OkBtn->OnClick = [this](TObject* s) { OkBtnClick(s); };
  CancelBtn = Place<TButton>(this, "CancelBtn", Bounds(344, 216, 81, 25), "ｷｬﾝｾﾙ");
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);
}
