#pragma once
// The headings both programs set over or beside their fields.

class TLabel;
class TWinControl;

// A bold 16-pixel label as wide as its caption, its top left corner at left, top.
TLabel* PlaceHeading(TWinControl* parent, const char* name, const char* caption, int left, int top);
