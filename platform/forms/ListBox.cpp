#include "platform/forms/ListBox.h"

#include <QAbstractItemDelegate>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>

#include "platform/forms/Bridge.h"
#include "platform/forms/DragTracker.h"
#include "platform/forms/KeptStrings.h"
#include "platform/text/ShiftJis.h"

using namespace platform::forms;

namespace {

class ListBoxStrings : public KeptStrings {
 public:
  explicit ListBoxStrings(QListWidget* list) : m_list(list) {}

 protected:
  void Replaced(int index, const std::string& text) override { m_list->item(index)->setText(Q(text)); }
  void Inserted(int index, const std::string& text) override { m_list->insertItem(index, Q(text)); }
  void Deleted(int index) override { delete m_list->takeItem(index); }
  void Cleared() override { m_list->clear(); }
  // One insertion for all rows: a drawer of ten thousand mails opens at once.
  void Appended(const std::vector<std::string>& texts) override {
    QStringList shown;
    shown.reserve(static_cast<qsizetype>(texts.size()));
    for (const std::string& text : texts) shown << Q(text);
    m_list->addItems(shown);
  }

 private:
  QListWidget* m_list;
};

}  // namespace

class RowDelegate : public QAbstractItemDelegate {
 public:
  explicit RowDelegate(TListBox* list) : m_list(list) {}
  void Detach() { m_list = nullptr; }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    if (m_list) m_list->DrawRow(*painter, index.row(), FromQRect(option.rect));
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    int height = m_list ? m_list->MeasureRow(index.row()) : 16;
    return QSize(option.rect.width() > 0 ? option.rect.width() : 1, height);
  }

 private:
  TListBox* m_list;
};

class ListWidget : public Hooked<QListWidget> {
 public:
  ListWidget(TListBox* list, QWidget* parent) : Hooked<QListWidget>(list, parent), m_list(list) {
    setItemDelegate(&m_delegate);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    connect(this, &QListWidget::clicked, [this] { UserChanged(); });
  }
  ~ListWidget() override { m_delegate.Detach(); }
  void Detach() {
    m_delegate.Detach();
    m_list = nullptr;
  }

 protected:
  // Only the left button chooses rows, as in the class library's list box: a
  // right press (the pop-up menu's) keeps the selection and the current row.
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) return Hooked<QListWidget>::mousePressEvent(event);
    Mouse(event);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) return Hooked<QListWidget>::mouseReleaseEvent(event);
    Mouse(event);
  }
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) return Hooked<QListWidget>::mouseDoubleClickEvent(event);
    Mouse(event);
  }
  // The control hears a move first: a move that starts a drag of the rows, or
  // carries one armed by the press, never drags the selection along.
  void mouseMoveEvent(QMouseEvent* event) override {
    Mouse(event);
    if (!DragTracker::Holds(m_list)) QListWidget::mouseMoveEvent(event);
  }
  // A row chosen with the keyboard runs OnClick, as a click does.
  void keyPressEvent(QKeyEvent* event) override {
    int before = currentRow();
    Hooked<QListWidget>::keyPressEvent(event);
    if (currentRow() != before) UserChanged();
  }
  void resizeEvent(QResizeEvent* event) override {
    Hooked<QListWidget>::resizeEvent(event);
    doItemsLayout();
  }

 private:
  void UserChanged() {
    if (m_list && control) m_list->Click();
  }

  TListBox* m_list;
  RowDelegate m_delegate{m_list};
};

namespace {

ListWidget* ListOf(const TListBox* box) { return static_cast<ListWidget*>(box->Widget()); }

// Raises the list's index error for a row outside the list.
void CheckRow(const TControlStrings& items, int index) {
  if (index < 0 || index >= items.Count()) items.Strings(index);
}

}  // namespace

TListBox::TListBox(TWinControl* parent)
    : TWinControl(parent, new ListWidget(this, ParentWidgetOf(parent))),
      Items(new ListBoxStrings(ListOf(this))),
      m_items(Items) {
  SetColor(clWindow);
  ApplySelectionMode();
}

TListBox::~TListBox() { ListOf(this)->Detach(); }

void TListBox::SetStyle(TListBoxStyle style) {
  m_style = style;
  ListOf(this)->setUniformItemSizes(style != lbOwnerDrawVariable);
  ListOf(this)->doItemsLayout();
}

void TListBox::SetItemHeight(int height) {
  m_itemHeight = height;
  ListOf(this)->doItemsLayout();
}

void TListBox::SetMultiSelect(bool multi) {
  m_multiSelect = multi;
  ApplySelectionMode();
}

void TListBox::SetExtendedSelect(bool extended) {
  m_extendedSelect = extended;
  ApplySelectionMode();
}

void TListBox::ApplySelectionMode() {
  QAbstractItemView::SelectionMode mode = QAbstractItemView::SingleSelection;
  if (m_multiSelect) mode = m_extendedSelect ? QAbstractItemView::ExtendedSelection : QAbstractItemView::MultiSelection;
  ListOf(this)->setSelectionMode(mode);
}

void TListBox::SetColor(TColor color) {
  TControl::SetColor(color);
  ListOf(this)->viewport()->update();
}

// A single-selection list's index is its selected row, as the class
// library's: Qt may make a row current without selecting it (when the list
// takes the focus), and that row was never chosen.
int TListBox::ItemIndex() const {
  const QListWidget* list = ListOf(this);
  const int row = list->currentRow();
  if (m_multiSelect || row < 0 || list->item(row)->isSelected()) return row;
  return -1;
}

void TListBox::SetItemIndex(int index) {
  QListWidget* list = ListOf(this);
  if (index < 0 || index >= list->count()) {
    list->clearSelection();
    list->setCurrentRow(-1);
    return;
  }
  bool keepSelection = m_multiSelect && list->item(index)->isSelected();
  list->setCurrentRow(index, keepSelection ? QItemSelectionModel::NoUpdate : QItemSelectionModel::ClearAndSelect);
}

bool TListBox::Selected(int index) const {
  CheckRow(*Items, index);
  return ListOf(this)->item(index)->isSelected();
}

void TListBox::SetSelected(int index, bool selected) {
  CheckRow(*Items, index);
  if (!m_multiSelect && selected) {
    SetItemIndex(index);
    return;
  }
  ListOf(this)->item(index)->setSelected(selected);
}

int TListBox::SelCount() const { return static_cast<int>(ListOf(this)->selectedItems().size()); }

void TListBox::ClearSelection() { ListOf(this)->clearSelection(); }

int TListBox::TopIndex() const {
  QModelIndex top = ListOf(this)->indexAt(QPoint(1, 1));
  return top.isValid() ? top.row() : 0;
}

void TListBox::SetTopIndex(int index) {
  QListWidget* list = ListOf(this);
  if (index >= 0 && index < list->count()) list->scrollToItem(list->item(index), QAbstractItemView::PositionAtTop);
}

int TListBox::ItemAtPos(TPoint point, bool existing) const {
  QListWidget* list = ListOf(this);
  QModelIndex hit = list->indexAt(QPoint(point.x, point.y));
  if (hit.isValid()) return hit.row();
  if (existing || list->count() == 0) return -1;
  QRect last = list->visualItemRect(list->item(list->count() - 1));
  return point.y >= last.bottom() ? list->count() : -1;
}

TRect TListBox::ItemRect(int index) const {
  if (index < 0 || index >= Items->Count()) return TRect{};
  return FromQRect(ListOf(this)->visualItemRect(ListOf(this)->item(index)));
}

int TListBox::FindStringExact(const std::string& text, int startAfter) const {
  int count = Items->Count();
  for (int step = 1; step <= count; ++step) {
    int row = (startAfter + step) % count;
    if (row < 0) row += count;
    if (platform::SameTextIgnoreCase(Items->Strings(row), text)) return row;
  }
  return -1;
}

int TListBox::MeasureRow(int index) {
  int height = m_itemHeight;
  if (m_style == lbOwnerDrawVariable && OnMeasureItem)
    GuardedInPaint([&] { OnMeasureItem(this, index, height); });
  return height;
}

void TListBox::DrawRow(QPainter& painter, int index, const TRect& rect) {
  QListWidget* list = ListOf(this);
  QListWidgetItem* item = list->item(index);
  if (!item) return;
  TOwnerDrawState state = 0;
  if (item->isSelected()) state |= odSelected;
  if (index == list->currentRow() && list->hasFocus()) state |= odFocused;
  if (!Enabled()) state |= odDisabled;
  painter.save();
  TCanvas canvas(painter);
  *canvas.Font = *Font;
  canvas.Brush->Color = (state & odSelected) ? clHighlight : Color();
  if (state & odSelected) canvas.Font->SetColor(clHighlightText);
  Canvas = &canvas;
  if (m_style != lbStandard && OnDrawItem) {
    GuardedInPaint([&] { OnDrawItem(this, index, rect, state); });
  } else {
    canvas.FillRect(rect);
    canvas.TextOut(rect.Left + 2, rect.Top, Items->Strings(index));
  }
  if (state & odFocused) canvas.DrawFocusRect(rect);
  Canvas = nullptr;
  painter.restore();
}
