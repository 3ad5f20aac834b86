#include "platform/forms/ComboBox.h"

#include <QComboBox>
#include <QLineEdit>

#include "platform/forms/Bridge.h"

using namespace platform::forms;

namespace {

QComboBox* BoxOf(const TComboBox* combo) { return static_cast<QComboBox*>(combo->Widget()); }

// Rows change without touching the text field, as the edit control does.
class ComboStrings : public TControlStrings {
 public:
  explicit ComboStrings(TComboBox* combo) : m_combo(combo) {}

  int Count() const override { return BoxOf(m_combo)->count(); }
  std::string Strings(int index) const override {
    CheckIndex(index, Count());
    return BoxOf(m_combo)->itemData(index, kSjisRole).toByteArray().toStdString();
  }
  void Put(int index, const std::string& text) override {
    CheckIndex(index, Count());
    KeepingText([&] {
      BoxOf(m_combo)->setItemText(index, Q(text));
      BoxOf(m_combo)->setItemData(index, SjisBytes(text), kSjisRole);
    });
  }
  void Insert(int index, const std::string& text) override {
    CheckIndex(index, Count() + 1);
    KeepingText([&] { BoxOf(m_combo)->insertItem(index, Q(text), SjisBytes(text)); });
  }
  void Delete(int index) override {
    CheckIndex(index, Count());
    KeepingText([&] { BoxOf(m_combo)->removeItem(index); });
  }
  void Clear() override {
    KeepingText([&] { BoxOf(m_combo)->clear(); });
  }

 private:
  template <class Change>
  void KeepingText(Change&& change) {
    QComboBox* box = BoxOf(m_combo);
    if (!box->isEditable()) {
      change();
      return;
    }
    QString text = box->currentText();
    QSignalBlocker quiet(box);
    change();
    box->setEditText(text);
  }

  TComboBox* m_combo;
};

}  // namespace

TComboBox::TComboBox(TWinControl* parent)
    : TWinControl(parent, new Hooked<QComboBox>(this, ParentWidgetOf(parent))),
      Items(new ComboStrings(this)),
      m_items(Items) {
  QComboBox* box = BoxOf(this);
  box->setInsertPolicy(QComboBox::NoInsert);
  SetStyle(csDropDown);
  QObject::connect(box, &QComboBox::currentTextChanged, [this](const QString&) {
    RunEvent(OnChange, this);
  });
  QObject::connect(box, &QComboBox::activated, [this](int) { TControl::Click(); });
}

TComboBox::~TComboBox() = default;

void TComboBox::SetStyle(TComboBoxStyle style) {
  m_style = style;
  BoxOf(this)->setEditable(style == csDropDown);
}

std::string TComboBox::Caption() const { return S(BoxOf(this)->currentText()); }

void TComboBox::SetCaption(const std::string& text) {
  QComboBox* box = BoxOf(this);
  if (box->isEditable()) {
    box->setEditText(Q(text));
    return;
  }
  box->setCurrentIndex(Items->IndexOf(text));
}

int TComboBox::ItemIndex() const {
  QComboBox* box = BoxOf(this);
  int index = box->currentIndex();
  // A typed text that is no longer the row's makes no row current.
  if (index >= 0 && box->isEditable() && box->currentText() != box->itemText(index)) return -1;
  return index;
}

void TComboBox::SetItemIndex(int index) { BoxOf(this)->setCurrentIndex(index < Items->Count() ? index : -1); }

void TComboBox::SetDropDownCount(int count) {
  m_dropDownCount = count;
  BoxOf(this)->setMaxVisibleItems(count);
}
