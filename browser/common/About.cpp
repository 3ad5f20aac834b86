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
  Bevel1 = Create<TBevel>(this);
  Bevel1->SetName("Bevel1");
  Bevel1->SetBounds(8, 8, 257, 97);
  ProgramIcon = Create<TImage>(this);
  ProgramIcon->SetName("ProgramIcon");
  ProgramIcon->SetBounds(24, 16, 41, 41);
  ProgramIcon->SetCenter(true);
  ProgramIcon->LoadFromResourceName(texts.picture);
  ApName = AddLabel(texts.nameLeft, 24, texts.name);
  ApName->SetName("ApName");
  ApName->Font->SetSize(16);
  ApName->Font->SetColor(clBlack);
  Version = AddLabel(96, 48, "Version.");
  Version->SetName("Version");
  VersinNo = AddLabel(144, 48, texts.version);
  VersinNo->SetName("VersinNo");
  Label1 = AddLabel(texts.creditLeft, 64, "(C) Marrowkit 開発チーム");
  Label1->SetName("Label1");
  Button1 = Create<TButton>(this);
  Button1->SetName("Button1");
  Button1->SetBounds(99, 113, 75, 25);
  Button1->SetCaption("OK");
  Button1->SetDefault(true);
  Button1->SetModalResult(mrOk);
  Button1->Font->SetSize(texts.buttonFontSize);
}

TLabel* TAboutBox::AddLabel(int left, int top, const std::string& caption) {
  TLabel* label = Create<TLabel>(this);
  label->SetBounds(left, top, 0, 0);
  label->SetCaption(caption);
  return label;
}
