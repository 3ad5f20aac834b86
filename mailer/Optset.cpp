#include "mailer/Optset.h"

#include "browser/store/SettingsKey.h"
#include "mailer/FormParts.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/StdCtrls.h"

TOptionSetForm::TOptionSetForm(TComponent* owner) : TForm(owner) {
  SetName("OptionSetForm");
  SetCaption("環境設定");
  SetFramedSize(this, 384, 125);
  SetPosition(poScreenCenter);
  Font->SetSize(16);
  Label2 = AddLabel(this, "Label2", "エディタ", 8, 12);
  Editor = AddEdit(this, "Editor", 80, 8, 217, 24);
  Label3 = AddLabel(this, "Label3", "名前", 8, 44);
  Name = AddEdit(this, "Name", 80, 40, 217, 24);
  Button1 = AddButton(this, "Button1", "OK", 100, 70, 80);
  OpenDialog = Create<TOpenDialog>(this);
  OpenDialog->SetName("OpenDialog");
  // Linux programs carry no .EXE: every file is offered.
  OpenDialog->Filter = "プログラム|*";
  OpenDialog->Title = "エディタを設定";
  CancelBtn = AddButton(this, "CancelBtn", "ｷｬﾝｾﾙ", 196, 70, 80, mrCancel);
  CancelBtn->SetCancel(true);
  EditorSet = AddButton(this, "EditorSet", "参照", 304, 8, 64);

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
