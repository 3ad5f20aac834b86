#include "browser/Dname.h"

#include "browser/common/ErrorBox.h"
#include "browser/store/DrawerPaths.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"
#include "platform/strings/StringList.h"

TDNameDlg::TDNameDlg(TComponent* owner) : TForm(owner) {
  BuildForm();
  BuildNameRow();
  BuildButtons();
  SetActiveControl(DrawerName);
}

TDNameDlg::~TDNameDlg() { DestroyComponents(); }

void TDNameDlg::OkBtnClick(TObject*) {
  const std::string name = DrawerName->Text();
  if (name.empty()) return ErrorBox("名前を設定してください");
  if (drawerNames && drawerNames->IndexOf(name) >= 0) return ErrorBox("存在する引出し名です");
  // The name becomes a file name in the program's folders.
  if (const char* fault = DrawerNameFaultText(CheckDrawerName(name))) return ErrorBox(fault);
  SetModalResult(mrOk);
}

void TDNameDlg::BuildForm() {
  SetName("DNameDlg");
  SetCaption("引出しの名前を入力");
  SetBorderStyle(bsDialog);
  SetBorderIcons(0);
  SetPosition(poScreenCenter);
  SetClientWidth(288);
  SetClientHeight(88);
}

// The name edit with a drawer picture beside it.
void TDNameDlg::BuildNameRow() {
  DrawerImage = Place<TImage>(this, "DrawerImage", Bounds(8, 10, 32, 29));
  DrawerImage->Picture->Transparent = true;
  DrawerImage->LoadFromResourceName("DSImage");
  DrawerName = Place<TEdit>(this, "DrawerName", Bounds(48, 12, 232, 24));
  DrawerName->Font->SetName("ＭＳ Ｐゴシック");
  DrawerName->Font->SetSize(16);
}

// OK checks the name before it closes; Cancel closes at once.
void TDNameDlg::BuildButtons() {
  OkBtn = Place<TButton>(this, "OkBtn", Bounds(112, 52, 80, 26), "OK");
  OkBtn->SetDefault(true);
  OkBtn->OnClick = [this](TObject* s) { OkBtnClick(s); };
  CancelBtn = Place<TButton>(this, "CancelBtn", Bounds(200, 52, 80, 26), "ｷｬﾝｾﾙ");
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);
}
