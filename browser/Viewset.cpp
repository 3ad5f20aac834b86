#include "browser/Viewset.h"

#include "browser/store/SettingsKey.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/StdCtrls.h"

TViewSetDlg* ViewSetDlg = nullptr;

TViewSetDlg::TViewSetDlg(TComponent* owner) : TForm(owner) {
  BuildForm();
  BuildControls();
  LoadViewerSetting();
}

TViewSetDlg::~TViewSetDlg() { DestroyComponents(); }

void TViewSetDlg::OpnBtnClick(TObject*) {
  if (OpenDialog->Execute()) Viewer->SetText(OpenDialog->FileName);
}

void TViewSetDlg::OkBtnClick(TObject*) {
  if (Viewer->Text().empty()) return;
  SettingsKey().Write(Setting::Viewer, Viewer->Text());
  SetModalResult(mrOk);
}

void TViewSetDlg::BuildForm() {
  SetName("ViewSetDlg");
  SetCaption("ビューワ設定");
  SetBorderStyle(bsDialog);
  SetBorderIcons(biSystemMenu);
  SetPosition(poDesigned);
  SetClientWidth(359);
  SetClientHeight(89);
}

// Created in the order of the stored form.
void TViewSetDlg::BuildControls() {
  Viewer = Place<TEdit>(this, "Viewer", Bounds(64, 12, 217, 24));
  Label1 = Place<TLabel>(this, "Label1", Bounds(8, 16, 0, 0), "ﾋﾞｭｰﾜ");
  Label1->Font->SetBold(true);
  OpnBtn = Place<TButton>(this, "OpnBtn", Bounds(288, 12, 63, 25), "参照");
  OpnBtn->OnClick = [this](TObject* s) { OpnBtnClick(s); };
  OkBtn = Place<TButton>(this, "OkBtn", Bounds(96, 52, 80, 25), "OK");
  OkBtn->SetDefault(true);
  OkBtn->OnClick = [this](TObject* s) { OkBtnClick(s); };
  CancelBtn = Place<TButton>(this, "CancelBtn", Bounds(184, 52, 80, 25), "ｷｬﾝｾﾙ");
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);
  OpenDialog = Create<TOpenDialog>(this);
  OpenDialog->SetName("OpenDialog");
  // Linux programs carry no .exe: every file is offered.
  OpenDialog->Filter = "ﾋﾞｭｰﾜ|*";
}

void TViewSetDlg::LoadViewerSetting() {
  SettingsKey key(SettingsKey::Open::IfExists);
  if (key.IsOpen() && key.Has(Setting::Viewer)) Viewer->SetText(key.Read(Setting::Viewer));
}
