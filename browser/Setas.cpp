#include "browser/Setas.h"

#include "browser/common/ErrorBox.h"
#include "browser/common/Heading.h"
#include "browser/store/DrawerPaths.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

TSetASDlg* SetASDlg = nullptr;

namespace {

constexpr int kFieldLeft = 88;
constexpr int kEditLeft = 136;
constexpr int kEditWidth = 260;

}  // namespace

TSetASDlg::TSetASDlg(TComponent* owner) : TForm(owner) {
  BuildForm();
  BuildMailLines();
  BuildChoice();
  BuildRuleEdits();
  BuildDrawerRow();
  SetActiveControl(DrawerName);
}

TSetASDlg::~TSetASDlg() { DestroyComponents(); }

void TSetASDlg::SelRdBtnClick(TObject*) {
  const bool addressRule = SelRdBtn->ItemIndex() == kAddressChoice;
  Address->SetEnabled(addressRule);
  EdSubject->SetEnabled(!addressRule);
}

void TSetASDlg::OkBtnClick(TObject*) {
  const std::string name = DrawerName->Text();
  if (name.empty()) return ErrorBox("引出し名を設定してください");
  // A new name becomes a drawer, and so a file name in the program's folders.
  if (const char* fault = DrawerNameFaultText(CheckDrawerName(name))) return ErrorBox(fault);
  SetModalResult(mrOk);
}

// No Cancel button: the close box is the only other way out.
void TSetASDlg::BuildForm() {
  SetName("SetASDlg");
  SetCaption("振分設定");
  SetBorderStyle(bsDialog);
  SetBorderIcons(biSystemMenu);
  SetPosition(poScreenCenter);
  SetClientWidth(424);
  SetClientHeight(356);
  Font->SetName("ＭＳ Ｐゴシック");
  Font->SetSize(12);
}

// "From:" ends where "Subject:" ends, and keeps ending there as "To:".
void TSetASDlg::BuildMailLines() {
  Label2 = PlaceHeading(this, "Label2", "Subject:", 8, 40);
  Label1 = PlaceHeading(this, "Label1", "From:", 8, 12);
  Label1->SetLeft(Label2->Left() + Label2->Width() - Label1->Width());
  Label1->SetAlignment(taRightJustify);
  FromAdd = Place<TLabel>(this, "FromAdd", Bounds(kFieldLeft, 15, 0, 0));
  Subject = Place<TLabel>(this, "Subject", Bounds(kFieldLeft, 43, 0, 0));
  Label5 = Place<TLabel>(this, "Label5", Bounds(16, 72, 0, 0), "振分設定のないメールです。設定してください");
}

void TSetASDlg::BuildChoice() {
  SelRdBtn = Place<TRadioGroup>(this, "SelRdBtn", Bounds(16, 94, 392, 50), "設定");
  SelRdBtn->SetColumns(2);
  SelRdBtn->Items->Assign(std::vector<std::string>{"アドレス", "Ｓｕｂｊｅｃｔ"});
  SelRdBtn->SetItemIndex(kAddressChoice);
  SelRdBtn->OnClick = [this](TObject* s) { SelRdBtnClick(s); };
}

// The two rule texts inside one frame; only the chosen rule's is enabled.
void TSetASDlg::BuildRuleEdits() {
  Bevel1 = Place<TBevel>(this, "Bevel1", Bounds(16, 156, 392, 92));
  Label3 = Place<TLabel>(this, "Label3", Bounds(28, 176, 0, 0), "アドレス設定");
  Address = Place<TEdit>(this, "Address", Bounds(kEditLeft, 172, kEditWidth, 24));
  Address->SetHint("メールアドレスは変更しても無視されます");
  Address->SetShowHint(true);
  Label4 = Place<TLabel>(this, "Label4", Bounds(28, 212, 0, 0), "Ｓｕｂｊｅｃｔ設定");
  EdSubject = Place<TEdit>(this, "EdSubject", Bounds(kEditLeft, 208, kEditWidth, 24));
  EdSubject->SetEnabled(false);
  // The two sentences are joined by a backslash and an n as they stand.
  EdSubject->SetHint(
      "末尾に半角 '*'をつけると設定文字列で始まるＳｕｂｊｅｃｔとマッチング\\n"
      "先頭と末尾両方に '*'をつけると位置に関わらず設定文字列を含むＳｕｂｊｅｃｔとマッチング");
  EdSubject->SetShowHint(true);
}

// OK checks the drawer name before it closes.
void TSetASDlg::BuildDrawerRow() {
  Label6 = Place<TLabel>(this, "Label6", Bounds(28, 272, 0, 0), "引出し");
  DrawerName = Place<TComboBox>(this, "DrawerName", Bounds(kEditLeft, 268, kEditWidth, 24));
  DrawerName->SetHint("存在しない引出し名を入力すると新規作成します。");
  DrawerName->SetShowHint(true);
  OkBtn = Place<TButton>(this, "OkBtn", Bounds(172, 314, 80, 28), "OK");
  OkBtn->OnClick = [this](TObject* s) { OkBtnClick(s); };
}
