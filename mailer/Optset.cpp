#include "mailer/Optset.h"

#include "browser/store/SettingsKey.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/StdCtrls.h"

TOptionSetForm::TOptionSetForm(TComponent* owner) : TForm(owner) {
  SetName("OptionSetForm");
  SetCaption("環境設定");
  SetWidth(384);
  SetHeight(125);
  SetPosition(poScreenCenter);
  Font->SetSize(16);
  Label2 = Create<TLabel>(this);
  Label2->SetCaption("エディタ");
  Label2->SetBounds(8, 12, 64, 16);
  Editor = Create<TEdit>(this);
  Editor->SetName("Editor");
  Editor->SetBounds(80, 8, 217, 24);
  Label3 = Create<TLabel>(this);
  Label3->SetCaption("名前");
  Label3->SetBounds(8, 44, 64, 16);
  Name = Create<TEdit>(this);
  Name->SetName("Name");
  Name->SetBounds(80, 40, 217, 24);
  Button1 = Create<TButton>(this);
  Button1->SetName("Button1");
  Button1->SetCaption("OK");
  Button1->SetBounds(104, 72, 80, 25);
  OpenDialog = Create<TOpenDialog>(this);
  // Linux programs carry no .EXE: every file is offered.
  OpenDialog->Filter = "プログラム|*";
  OpenDialog->Title = "エディタを設定";
  CancelBtn = Create<TButton>(this);
  CancelBtn->SetName("CancelBtn");
  CancelBtn->SetCaption("ｷｬﾝｾﾙ");
  CancelBtn->SetBounds(200, 72, 80, 25);
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);
  EditorSet = Create<TButton>(this);
  EditorSet->SetName("EditorSet");
  EditorSet->SetCaption("参照");
  EditorSet->SetBounds(304, 8, 64, 24);

  OnActivate = [this](TObject* s) { FormActivate(s); };
  EditorSet->OnClick = [this](TObject* s) { EditorSetClick(s); };
  Button1->OnClick = [this](TObject* s) { Button1Click(s); };
}

void TOptionSetForm::FormActivate(TObject*) {
  if (m_loaded) return;
  m_loaded = true;
  SettingsKey key(SettingsKey::Open::IfExists);
  if (!key.IsOpen()) return;
  Editor->SetText(key.Read(Setting::Editor));
  Name->SetText(key.Read(Setting::UserName));
}

void TOptionSetForm::EditorSetClick(TObject*) {
  if (OpenDialog->Execute()) Editor->SetText(OpenDialog->FileName);
}

void TOptionSetForm::Button1Click(TObject*) {
  SettingsKey key;
  key.Write(Setting::Editor, Editor->Text());
  key.Write(Setting::UserName, Name->Text());
  SetModalResult(mrOk);
}
