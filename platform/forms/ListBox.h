#pragma once
// The list box: plain or owner-drawn rows (fixed or variable height),
// single, multiple or extended selection, hit tests, the exact text search,
// and the class library's drag of its rows (see TControl::BeginDrag).

#include <memory>
#include <string>

#include "platform/forms/ControlStrings.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Graphics.h"

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

// The state of an owner-drawn row, a set of these bits.
using TOwnerDrawState = unsigned;
constexpr TOwnerDrawState odSelected = 0x01;
constexpr TOwnerDrawState odGrayed = 0x02;
constexpr TOwnerDrawState odDisabled = 0x04;
constexpr TOwnerDrawState odChecked = 0x08;
constexpr TOwnerDrawState odFocused = 0x10;

using TDrawItemEvent = std::function<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

class TListBox : public TWinControl {
 public:
  explicit TListBox(TWinControl* parent);
  ~TListBox() override;
  std::string ClassName() const override { return "TListBox"; }

  // The rows' texts; changing them changes the rows.
  TControlStrings* const Items;
  // The canvas of the row being drawn; set only while OnDrawItem runs,
  // with its brush and font already in the row's colours.
  TCanvas* Canvas = nullptr;

  TListBoxStyle Style() const { return m_style; }
  void SetStyle(TListBoxStyle style);
  // Height of every row, and the first guess OnMeasureItem gets.
  int ItemHeight() const { return m_itemHeight; }
  void SetItemHeight(int height);
  bool MultiSelect() const { return m_multiSelect; }
  void SetMultiSelect(bool multi);
  // With MultiSelect: Shift and Ctrl extend the selection as in a file list.
  bool ExtendedSelect() const { return m_extendedSelect; }
  void SetExtendedSelect(bool extended);
  void SetColor(TColor color) override;

  // The current row (the one with the focus frame); -1 for none. Setting it
  // selects that row alone, unless it is already among the selected rows,
  // and does not run OnClick.
  int ItemIndex() const;
  void SetItemIndex(int index);
  bool Selected(int index) const;  // raises EStringListError outside the rows
  void SetSelected(int index, bool selected);
  int SelCount() const;
  void ClearSelection();
  // The first row shown at the top.
  int TopIndex() const;
  void SetTopIndex(int index);
  // The row at a client point; outside every row -1, or with existing
  // false the row count when the point lies below the last row.
  int ItemAtPos(TPoint point, bool existing) const;
  TRect ItemRect(int index) const;
  // The first row after startAfter whose whole text equals text ignoring
  // case, searching on from the top to startAfter; -1 when none.
  int FindStringExact(const std::string& text, int startAfter = -1) const;
  void Clear() { Items->Clear(); }

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

 private:
  friend class ListWidget;
  friend class RowDelegate;
  void ApplySelectionMode();
  void DrawRow(QPainter& painter, int index, const TRect& rect);
  int MeasureRow(int index);

  std::unique_ptr<TControlStrings> m_items;
  TListBoxStyle m_style = lbStandard;
  int m_itemHeight = 16;
  bool m_multiSelect = false;
  bool m_extendedSelect = true;
};
