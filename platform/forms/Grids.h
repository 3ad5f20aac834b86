#pragma once
// The string grid: rows and columns of Shift-JIS cells; the first FixedRows
// rows are titles in the fixed colour, never selected.

#include <string>

#include "platform/forms/Controls.h"
#include "platform/forms/StdCtrls.h"

class TStringList;

using TGridOptions = unsigned;
constexpr TGridOptions goFixedVertLine = 0x1;
constexpr TGridOptions goFixedHorzLine = 0x2;
constexpr TGridOptions goVertLine = 0x4;
constexpr TGridOptions goHorzLine = 0x8;
constexpr TGridOptions goEditing = 0x10;
constexpr TGridOptions goRowSelect = 0x20;

// The selected cells: columns Left to Right of rows Top to Bottom.
struct TGridRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TGridRect&) const = default;
};

class TStringGrid : public TWinControl {
 public:
  explicit TStringGrid(TWinControl* parent);
  std::string ClassName() const override { return "TStringGrid"; }

  int ColCount() const;
  void SetColCount(int count);
  // Raising the row count adds empty rows at the end; lowering it drops rows.
  int RowCount() const;
  void SetRowCount(int count);
  int FixedRows() const { return m_fixedRows; }
  void SetFixedRows(int rows);
  int DefaultColWidth() const { return m_defaultColWidth; }
  void SetDefaultColWidth(int width);
  int DefaultRowHeight() const { return m_defaultRowHeight; }
  void SetDefaultRowHeight(int height);
  void SetColWidth(int col, int width);
  TColor FixedColor() const { return m_fixedColor; }
  void SetFixedColor(TColor color);
  TGridOptions Options() const { return m_options; }
  void SetOptions(TGridOptions options);
  void SetScrollBars(TScrollStyle style);

  // The text of a cell; empty outside the grid, where a write is ignored.
  std::string Cells(int col, int row) const;
  void SetCells(int col, int row, const std::string& text);
  // The texts of a column or a row, as a string list.
  TStringList Cols(int col) const;
  TStringList Rows(int row) const;

  // The current row and column; the row is never one of the fixed rows.
  int Row() const;
  void SetRow(int row);
  int Col() const;
  void SetCol(int col);
  // The selected cells: with goRowSelect the whole current row, else the current cell.
  TGridRect Selection() const;

 private:
  void StyleFixedRows();

  int m_fixedRows = 1;
  int m_defaultColWidth = 64;
  int m_defaultRowHeight = 24;
  TColor m_fixedColor = clBtnFace;
  TGridOptions m_options = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine;
};
