#include "mailer/Optset.h"

#include "browser/store/SettingsKey.h"
#include "mailer/FormParts.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/StdCtrls.h"

TOptionSetForm::TOptionSetForm(TComponent* owner) : TForm(owner) {
  BuildForm();
  BuildControls();
  OnActivate = [this](TObject* s) { FormActivate(s); };
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

void TOptionSetForm::BuildForm() {
  SetName("OptionSetForm");
  SetCaption("環境設定");
  SetFramedSize(this, 384, 125);
  SetPosition(poScreenCenter);
  Font->SetSize(16);
}

// Created in the tab order of the stored form.
void TOptionSetForm::BuildControls() {
  Label2 = Place<TLabel>(this, "Label2", Bounds(8, 12, 0, 0), "エディタ");
  Editor = Place<TEdit>(this, "Editor", Bounds(80, 8, 217, 24));
  Label3 = Place<TLabel>(this, "Label3", Bounds(8, 44, 0, 0), "名前");
  Name = Place<TEdit>(this, "Name", Bounds(80, 40, 217, 24));
  Button1 = PlaceButton(this, "Button1", "OK", 100, 70, 80);
  Button1->OnClick = [this](TObject* s) { Button1Click(s); };
  BuildOpenDialog();
  CancelBtn = PlaceButton(this, "CancelBtn", "ｷｬﾝｾﾙ", 196, 70, 80, mrCancel);
  CancelBtn->SetCancel(true);
  EditorSet = PlaceButton(this, "EditorSet", "参照", 304, 8, 64);
  EditorSet->OnClick = [this](TObject* s) { EditorSetClick(s); };
}

void TOptionSetForm::BuildOpenDialog() {
  OpenDialog = Create<TOpenDialog>(this);
  OpenDialog->SetName("OpenDialog");
  // Linux programs carry no .EXE: every file is offered.
  OpenDialog->Filter = "プログラム|*";
  OpenDialog->Title = "エディタを設定";
}
