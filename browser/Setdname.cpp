#include "browser/Setdname.h"

#include "browser/common/ErrorBox.h"
#include "browser/common/Heading.h"
#include "browser/store/DrawerPaths.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/StdCtrls.h"

TSetDNameDlg* SetDNameDlg = nullptr;

namespace {

constexpr int kFieldLeft = 80;
constexpr int kFieldWidth = 256;

}  // namespace

TSetDNameDlg::TSetDNameDlg(TComponent* owner) : TForm(owner) {
  BuildForm();
  BuildFields();
  BuildButtons();
  SetActiveControl(Address);
}

TSetDNameDlg::~TSetDNameDlg() { DestroyComponents(); }

void TSetDNameDlg::OKBtnClick(TObject*) {
  const std::string name = DrawerName->Text();
  if (name.empty()) return ErrorBox("名前を設定してください");
  // A sorting run makes the named drawer, and so file names, from it.
  if (const char* fault = DrawerNameFaultText(CheckDrawerName(name))) return ErrorBox(fault);
  SetModalResult(mrOk);
}

void TSetDNameDlg::BuildForm() {
  SetName("SetDNameDlg");
  SetCaption("設定編集ﾀﾞｲｱﾛｸﾞ");
  SetBorderStyle(bsDialog);
  SetBorderIcons(0);
  SetPosition(poScreenCenter);
  SetClientWidth(346);
  SetClientHeight(131);
  Font->SetName("ＭＳ Ｐゴシック");
  Font->SetSize(12);
  SetShowHint(true);
}

// The headings end where the longer of their two texts ends.
void TSetDNameDlg::BuildFields() {
  Label1 = PlaceHeading(this, "Label1", "アドレス", 8, 20);
  Label1->SetAlignment(taRightJustify);
  Label2 = PlaceHeading(this, "Label2", "引出し", 8, 60);
  Label2->SetLeft(Label1->Left() + Label1->Width() - Label2->Width());
  Address = Place<TEdit>(this, "Address", Bounds(kFieldLeft, 16, kFieldWidth, 24));
  Address->SetHint("検索に使用する文字列");
  DrawerName = Place<TComboBox>(this, "DrawerName", Bounds(kFieldLeft, 56, kFieldWidth, 24));
  DrawerName->SetHint("存在しない引出し名を入力するとマッチングするメールが見つかった時点で作成されます。");
}

// OK checks the drawer name before it closes; Cancel closes at once.
void TSetDNameDlg::BuildButtons() {
  OKBtn = Place<TButton>(this, "OKBtn", Bounds(88, 96, 80, 26), "OK");
  OKBtn->SetDefault(true);
  OKBtn->OnClick = [this](TObject* s) { OKBtnClick(s); };
  CancelBtn = Place<TButton>(this, "CancelBtn", Bounds(180, 96, 80, 26), "ｷｬﾝｾﾙ");
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);
}
