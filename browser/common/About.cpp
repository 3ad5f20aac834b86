#include "browser/common/About.h"

namespace {

// The browser's box stands centred; the mailer's keeps its stored place.
constexpr int kQuilletLeft = 352;
constexpr int kQuilletTop = 230;

}  // namespace

TAboutBox::Texts TAboutBox::TextsOf(AboutProgram program) {
  if (program == AboutProgram::Dorvane) return {"Dorvane", "2.70", "DorvaneIcon", 72, 56, 13};
  return {"Quillet", "1.60", "QuilletIcon", 80, 64, 16};
}

TAboutBox::TAboutBox(TComponent* owner, AboutProgram program) : TForm(owner) {
  BuildForm(program);
  BuildControls(TextsOf(program));
  Button1->OnClick = [this](TObject* sender) { Button1Click(sender); };
}

void TAboutBox::Button1Click(TObject*) { SetModalResult(mrOk); }

void TAboutBox::BuildForm(AboutProgram program) {
  SetName("AboutBox");
  SetCaption("ﾊﾞｰｼﾞｮﾝ情報");
  SetBorderStyle(bsDialog);
  SetBorderIcons(0);
  Font->SetName("ＭＳ Ｐゴシック");
  Font->SetSize(12);
  Font->SetCharset(SHIFTJIS_CHARSET);
  SetClientWidth(273);
  SetClientHeight(141);
  if (program == AboutProgram::Dorvane) {
    SetPosition(poScreenCenter);
  } else {
    SetPosition(poDesigned);
    SetBounds(kQuilletLeft, kQuilletTop, Width(), Height());
  }
}

void TAboutBox::BuildControls(const Texts& texts) {
  Bevel1 = Place<TBevel>(this, "Bevel1", Bounds(8, 8, 257, 97));
  ProgramIcon = Place<TImage>(this, "ProgramIcon", Bounds(24, 16, 41, 41));
  ProgramIcon->SetCenter(true);
  ProgramIcon->LoadFromResourceName(texts.picture);
  ApName = Place<TLabel>(this, "ApName", Bounds(texts.nameLeft, 24, 0, 0), texts.name);
  ApName->Font->SetSize(16);
  ApName->Font->SetColor(clBlack);
  Version = Place<TLabel>(this, "Version", Bounds(96, 48, 0, 0), "Version.");
  VersinNo = Place<TLabel>(this, "VersinNo", Bounds(144, 48, 0, 0), texts.version);
  Label1 = Place<TLabel>(this, "Label1", Bounds(texts.creditLeft, 64, 0, 0), "(C) Marrowkit 開発チーム");
  Button1 = Place<TButton>(this, "Button1", Bounds(99, 113, 75, 25), "OK");
  Button1->SetDefault(true);
  Button1->SetModalResult(mrOk);
  Button1->Font->SetSize(texts.buttonFontSize);
}
