#include "browser/Select.h"

#include "browser/common/Heading.h"
#include "platform/forms/GroupBox.h"
#include "platform/forms/StdCtrls.h"

TSelectDlg* SelectDlg = nullptr;

namespace {

constexpr int kFieldLeft = 80;

}  // namespace

TSelectDlg::TSelectDlg(TComponent* owner) : TForm(owner) {
  BuildForm();
  BuildButtons();
  BuildMailLines();
  BuildQuestion();
  BuildRules();
}

TSelectDlg::~TSelectDlg() { DestroyComponents(); }

void TSelectDlg::BuildForm() {
  SetName("SelectDlg");
  SetCaption("ﾀﾞｲｱﾛｸﾞ");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(313);
  SetClientHeight(228);
  if (auto* ownerForm = dynamic_cast<TForm*>(Owner())) *Font = *ownerForm->Font;
}

// Enter answers yes, Escape no.
void TSelectDlg::BuildButtons() {
  YseBtn = Place<TButton>(this, "YseBtn", Bounds(64, 192, 80, 26), "はい");
  YseBtn->SetDefault(true);
  YseBtn->SetModalResult(mrYes);
  NoBtn = Place<TButton>(this, "NoBtn", Bounds(168, 192, 80, 26), "いいえ");
  NoBtn->SetCancel(true);
  NoBtn->SetModalResult(mrNo);
}

void TSelectDlg::BuildMailLines() {
  Label1 = PlaceHeading(this, "Label1", "From:", 8, 8);
  Label2 = PlaceHeading(this, "Label2", "Subject:", 8, 32);
  FromAdd = Place<TLabel>(this, "FromAdd", Bounds(kFieldLeft, 11, 0, 0));
  Subject = Place<TLabel>(this, "Subject", Bounds(kFieldLeft, 35, 0, 0));
}

void TSelectDlg::BuildQuestion() {
  Label3 = Place<TLabel>(this, "Label3", Bounds(16, 64, 0, 0), "このメールはアドレスと、Ｓｕｂｊｅｃｔの");
  Label4 = Place<TLabel>(this, "Label4", Bounds(16, 82, 0, 0), "両方に振分設定があります。");
  Label5 = Place<TLabel>(this, "Label5", Bounds(16, 100, 0, 0), "Ｓｕｂｊｅｃｔ設定を優先します。");
}

void TSelectDlg::BuildRules() {
  GroupBox1 = Place<TGroupBox>(this, "GroupBox1", Bounds(8, 122, 297, 62), "設定");
  AdCfg = Place<TLabel>(GroupBox1, "AdCfg", Bounds(12, 20, 0, 0));
  SbCfg = Place<TLabel>(GroupBox1, "SbCfg", Bounds(12, 40, 0, 0));
}
