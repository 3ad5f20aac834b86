#pragma once
// The combo box: an editable text field with a drop-down list (csDropDown)
// or a choice from the list alone (csDropDownList).

#include <memory>
#include <string>

#include "platform/forms/ControlStrings.h"
#include "platform/forms/Controls.h"

enum TComboBoxStyle { csDropDown, csDropDownList };

class TComboBox : public TWinControl {
 public:
  explicit TComboBox(TWinControl* parent);
  ~TComboBox() override;
  std::string ClassName() const override { return "TComboBox"; }

  // The drop-down rows; changing them keeps the text field as it is.
  TControlStrings* const Items;

  TComboBoxStyle Style() const { return m_style; }
  void SetStyle(TComboBoxStyle style);
  // The text field (csDropDown) or the chosen row's text.
  std::string Caption() const override;
  void SetCaption(const std::string& text) override;
  // The row whose text the field shows; -1 for none.
  int ItemIndex() const;
  void SetItemIndex(int index);
  int DropDownCount() const { return m_dropDownCount; }
  void SetDropDownCount(int count);

  // The text changed, typed or chosen from the list.
  TNotifyEvent OnChange;

 private:
  std::unique_ptr<TControlStrings> m_items;
  TComboBoxStyle m_style = csDropDown;
  int m_dropDownCount = 8;
};
