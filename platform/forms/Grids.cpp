#include "platform/forms/Grids.h"

#include <QHeaderView>
#include <QTableWidget>

#include "platform/forms/Bridge.h"
#include "platform/strings/StringList.h"

using namespace platform::forms;

namespace {

QTableWidget* TableOf(const TStringGrid* grid) { return static_cast<QTableWidget*>(grid->Widget()); }

bool Inside(const QTableWidget* table, int col, int row) {
  return col >= 0 && row >= 0 && col < table->columnCount() && row < table->rowCount();
}

}  // namespace

TStringGrid::TStringGrid(TWinControl* parent)
    : TWinControl(parent, new Hooked<QTableWidget>(this, ParentWidgetOf(parent))) {
  QTableWidget* table = TableOf(this);
  table->horizontalHeader()->hide();
  table->verticalHeader()->hide();
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  SetColor(clWindow);
  SetColCount(5);
  SetRowCount(5);
  SetDefaultColWidth(m_defaultColWidth);
  SetDefaultRowHeight(m_defaultRowHeight);
}

int TStringGrid::ColCount() const { return TableOf(this)->columnCount(); }

void TStringGrid::SetColCount(int count) {
  QTableWidget* table = TableOf(this);
  int before = table->columnCount();
  table->setColumnCount(std::max(count, 1));
  for (int col = before; col < table->columnCount(); ++col) table->setColumnWidth(col, m_defaultColWidth);
  StyleFixedRows();
}

int TStringGrid::RowCount() const { return TableOf(this)->rowCount(); }

void TStringGrid::SetRowCount(int count) {
  TableOf(this)->setRowCount(std::max(count, m_fixedRows + 1));
  StyleFixedRows();
}

void TStringGrid::SetFixedRows(int rows) {
  m_fixedRows = std::max(rows, 0);
  StyleFixedRows();
}

void TStringGrid::SetDefaultColWidth(int width) {
  m_defaultColWidth = width;
  for (int col = 0; col < ColCount(); ++col) TableOf(this)->setColumnWidth(col, width);
}

void TStringGrid::SetDefaultRowHeight(int height) {
  m_defaultRowHeight = height;
  QHeaderView* rows = TableOf(this)->verticalHeader();
  rows->setMinimumSectionSize(1);
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(height);
}

void TStringGrid::SetColWidth(int col, int width) { TableOf(this)->setColumnWidth(col, width); }

void TStringGrid::SetFixedColor(TColor color) {
  m_fixedColor = color;
  StyleFixedRows();
}

void TStringGrid::SetOptions(TGridOptions options) {
  m_options = options;
  QTableWidget* table = TableOf(this);
  table->setShowGrid(options & (goVertLine | goHorzLine));
  table->setSelectionBehavior((options & goRowSelect) ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
  // The current row selected before the option came stays the selection, now whole.
  if (table->currentRow() >= 0) table->setCurrentCell(table->currentRow(), std::max(table->currentColumn(), 0));
  table->setEditTriggers((options & goEditing) ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                               : QAbstractItemView::NoEditTriggers);
}

void TStringGrid::SetScrollBars(TScrollStyle style) {
  ApplyScrollBars(TableOf(this), style, Qt::ScrollBarAsNeeded);
}

std::string TStringGrid::Cells(int col, int row) const {
  QTableWidget* table = TableOf(this);
  if (!Inside(table, col, row) || !table->item(row, col)) return "";
  return table->item(row, col)->data(kSjisRole).toByteArray().toStdString();
}

void TStringGrid::SetCells(int col, int row, const std::string& text) {
  QTableWidget* table = TableOf(this);
  if (!Inside(table, col, row)) return;
  auto* item = new QTableWidgetItem(Q(text));
  item->setData(kSjisRole, SjisBytes(text));
  table->setItem(row, col, item);
  if (row < m_fixedRows) StyleFixedRows();
}

TStringList TStringGrid::Cols(int col) const {
  TStringList texts;
  for (int row = 0; row < RowCount(); ++row) texts.Add(Cells(col, row));
  return texts;
}

TStringList TStringGrid::Rows(int row) const {
  TStringList texts;
  for (int col = 0; col < ColCount(); ++col) texts.Add(Cells(col, row));
  return texts;
}

int TStringGrid::Row() const { return std::max(TableOf(this)->currentRow(), m_fixedRows); }

void TStringGrid::SetRow(int row) {
  if (row < m_fixedRows || row >= RowCount()) return;
  TableOf(this)->setCurrentCell(row, std::max(Col(), 0));
}

int TStringGrid::Col() const { return std::max(TableOf(this)->currentColumn(), 0); }

void TStringGrid::SetCol(int col) {
  if (col < 0 || col >= ColCount()) return;
  TableOf(this)->setCurrentCell(Row(), col);
}

TGridRect TStringGrid::Selection() const {
  const QList<QTableWidgetSelectionRange> ranges = TableOf(this)->selectedRanges();
  if (ranges.isEmpty()) return {Col(), Row(), Col(), Row()};
  const QTableWidgetSelectionRange& range = ranges.front();
  return {range.leftColumn(), range.topRow(), range.rightColumn(), range.bottomRow()};
}

// Title rows: the fixed colour, centred-left text, never selectable or editable.
void TStringGrid::StyleFixedRows() {
  QTableWidget* table = TableOf(this);
  for (int row = 0; row < std::min(m_fixedRows, table->rowCount()); ++row) {
    for (int col = 0; col < table->columnCount(); ++col) {
      QTableWidgetItem* item = table->item(row, col);
      if (!item) {
        item = new QTableWidgetItem;
        item->setData(kSjisRole, QByteArray());
        table->setItem(row, col, item);
      }
      item->setFlags(Qt::ItemIsEnabled);
      item->setBackground(ToQColor(m_fixedColor));
    }
  }
  if (table->currentRow() < m_fixedRows && table->rowCount() > m_fixedRows)
    table->setCurrentCell(m_fixedRows, std::max(table->currentColumn(), 0));
}
