#pragma once
// The version dialog of both programs: the program's picture, name,
// version number and a credit line, with an OK button. The caller creates
// it with its main window as owner, shows it modally and destroys it.

#include <string>

#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

enum class AboutProgram { Dorvane, Quillet };

class TAboutBox : public TForm {
 public:
  TAboutBox(TComponent* owner, AboutProgram program);

  TBevel* Bevel1;
  TImage* ProgramIcon;
  TLabel* ApName;
  TLabel* Version;
  TLabel* VersinNo;
  TLabel* Label1;  // the credit line
  TButton* Button1;

  void Button1Click(TObject* Sender);

 private:
  // What differs between the two programs' boxes.
  struct Texts {
    const char* name;
    const char* version;
    const char* picture;
    int nameLeft;
    int creditLeft;
    int buttonFontSize;
  };
  static Texts TextsOf(AboutProgram program);

  void BuildForm(AboutProgram program);
  void BuildControls(const Texts& texts);
};
