#pragma once
// The FONT value of the shared settings key, as both main windows load it.

#include <initializer_list>

class TControl;

// Gives the stored face to each control; without a FONT value the controls
// keep their fonts.
void LoadFontSetting(std::initializer_list<TControl*> controls);
