#pragma once
// What Quillet's forms share beyond placing controls: their sizes as laid out
// on Windows and the buttons that close a form.

#include "platform/forms/Types.h"

class TButton;
class TForm;
class TWinControl;

// Sizes form by its outer size as given for Windows: a sizeable frame of 4
// pixels a side, a caption bar of 19 and, when the form has one, a menu bar
// of 20 lie around the client area that holds the controls.
void SetFramedSize(TForm* form, int width, int height);

// A button 25 pixels high that closes its form with result (mrNone: it does not).
TButton* PlaceButton(TWinControl* parent, const char* name, const char* caption, int left, int top,
                     int width, TModalResult result = mrNone);
