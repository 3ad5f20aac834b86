#pragma once
// The pieces Quillet's forms are built from, placed in pixels as the forms
// were laid out on Windows.

#include "platform/forms/Types.h"

class TButton;
class TEdit;
class TForm;
class TLabel;
class TWinControl;

// Sizes form by its outer size as given for Windows: a sizeable frame of 4
// pixels a side, a caption bar of 19 and, when the form has one, a menu bar
// of 20 lie around the client area that holds the controls.
void SetFramedSize(TForm* form, int width, int height);

enum class LabelFont {
  Form,     // the form's own font
  Heading,  // bold, 16 pixels
};

// A label that takes the size of its caption, its top left corner at left, top.
TLabel* AddLabel(TWinControl* parent, const char* name, const char* caption, int left, int top,
                 LabelFont font = LabelFont::Form);
TEdit* AddEdit(TWinControl* parent, const char* name, int left, int top, int width, int height);
// A button 25 pixels high that closes its form with result (mrNone: it does not).
TButton* AddButton(TWinControl* parent, const char* name, const char* caption, int left, int top,
                   int width, TModalResult result = mrNone);
