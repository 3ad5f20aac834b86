#include "browser/Headend.h"

#include "platform/forms/ComboBox.h"
#include "platform/forms/StdCtrls.h"

THeadEndDlg* HeadEndDlg = nullptr;

namespace {

constexpr const char* kDefaultHeaderEnd = "--------";

}  // namespace

THeadEndDlg::THeadEndDlg(TComponent* owner) : TForm(owner) {
  BuildForm();
  BuildControls();
  SetActiveControl(HEString);
}

THeadEndDlg::~THeadEndDlg() { DestroyComponents(); }

void THeadEndDlg::OkBtnClick(TObject*) {
  const std::string text = HEString->Caption();
  if (text.empty()) return;
  if (HEString->Items->IndexOf(text) < 0) HEString->Items->Add(text);
  SetModalResult(mrOk);
}

void THeadEndDlg::BuildForm() {
  SetName("HeadEndDlg");
  SetCaption("ヘッダ終了行指定ダイアログ");
  SetBorderStyle(bsDialog);
  SetBorderIcons(biSystemMenu);
  SetPosition(poScreenCenter);
  SetClientWidth(329);
  SetClientHeight(162);
  Font->SetName("ＭＳ Ｐゴシック");
  Font->SetSize(12);
}

// OK checks the text before it closes; Cancel closes at once.
void THeadEndDlg::BuildControls() {
  Label1 = Place<TLabel>(this, "Label1", Bounds(16, 20, 0, 0),
                         "メールヘッダの終了を示す行の文字列を指定してください。");
  HEString = Place<TComboBox>(this, "HEString", Bounds(16, 52, 297, 24));
  HEString->SetCaption(kDefaultHeaderEnd);
  OkBtn = Place<TButton>(this, "OkBtn", Bounds(72, 112, 80, 26), "OK");
  OkBtn->SetDefault(true);
  OkBtn->OnClick = [this](TObject* s) { OkBtnClick(s); };
  CancelBtn = Place<TButton>(this, "CancelBtn", Bounds(176, 112, 80, 26), "ｷｬﾝｾﾙ");
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);
}
