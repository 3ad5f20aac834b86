#pragma once
// Bevels, images and radio groups.

#include <memory>
#include <string>
#include <vector>

#include "platform/forms/ControlStrings.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Graphics.h"

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine };
enum TBevelStyle { bsLowered, bsRaised };

// A sunken or raised frame drawn around its area.
class TBevel : public TControl {
 public:
  explicit TBevel(TWinControl* parent);
  std::string ClassName() const override { return "TBevel"; }
  TBevelShape Shape() const { return m_shape; }
  void SetShape(TBevelShape shape);
  TBevelStyle Style() const { return m_style; }
  void SetStyle(TBevelStyle style);

 private:
  friend class BevelWidget;
  TBevelShape m_shape = bsBox;
  TBevelStyle m_style = bsLowered;
};

// A picture at the image's top-left corner (or centred, or stretched).
// The picture's Transparent and TransparentColor decide what shows through.
class TImage : public TControl {
 public:
  explicit TImage(TWinControl* parent);
  std::string ClassName() const override { return "TImage"; }
  TBitmap* const Picture;
  // Loads a picture of the project's resources and shows it.
  void LoadFromResourceName(const std::string& name);
  bool Center() const { return m_center; }
  void SetCenter(bool center);
  bool Stretch() const { return m_stretch; }
  void SetStretch(bool stretch);

 private:
  friend class ImageWidget;
  TBitmap m_picture;
  bool m_center = false;
  bool m_stretch = false;
};

// Radio buttons for the items, in Columns columns, inside a captioned frame.
// OnClick runs whenever the chosen item changes, by the user or by code.
class TRadioGroup : public TWinControl {
 public:
  explicit TRadioGroup(TWinControl* parent);
  ~TRadioGroup() override;
  std::string ClassName() const override { return "TRadioGroup"; }
  void SetCaption(const std::string& caption) override;

  TControlStrings* const Items;
  int Columns() const { return m_columns; }
  void SetColumns(int columns);
  int ItemIndex() const { return m_itemIndex; }
  void SetItemIndex(int index);

 private:
  friend class RadioItems;
  void Rebuild();

  std::unique_ptr<TControlStrings> m_items;
  int m_columns = 1;
  int m_itemIndex = -1;
};
