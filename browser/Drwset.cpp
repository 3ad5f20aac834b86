#include "browser/Drwset.h"

#include <algorithm>

#include "browser/Setdname.h"
#include "browser/common/ErrorBox.h"
#include "browser/store/FriendBook.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/Grids.h"
#include "platform/forms/StdCtrls.h"
#include "platform/strings/StringList.h"
#include "platform/text/ShiftJis.h"

TDrwSetDlg* DrwSetDlg = nullptr;

namespace {

constexpr int kKeyCol = 0;
constexpr int kDrawerCol = 1;
constexpr int kButtonLeft = 432;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

}  // namespace

TDrwSetDlg::TDrwSetDlg(TComponent* owner) : TForm(owner) {
  BuildForm();
  BuildGrid();
  BuildButtons();
  OnShow = [this](TObject* s) { FormShow(s); };
}

TDrwSetDlg::~TDrwSetDlg() {
  m_ruleDialog.reset();
  DestroyComponents();
}

void TDrwSetDlg::FormShow(TObject*) {
  ShowTitles();
  InportFile->SetEnabled(!subjectMode);
  for (int i = 0; i < drawerNames->Count(); ++i) m_knownDrawers.Insert(drawerNames->Strings(i));
  const std::vector<SortRule> rules = ReadEditedRules(cfgPath);
  ShowRules(rules);
  rowsUsed = static_cast<int>(rules.size()) + 1;
}

void TDrwSetDlg::InportFileClick(TObject*) {
  const FriendBook book = ReadFriendBookForRules(addrBookPath);
  if (!book.opened) return ErrorBox("おともだち帳が開けません");
  CaseInsensitiveSet keys = RuleKeys();
  // The rows are added at once: a grid that grows one row at a time
  // measures all its rows again for each.
  DataList->SetRowCount(rowsUsed + static_cast<int>(CountNewAddresses(book.records, keys)));
  for (const FriendRecord& record : book.records) {
    if (keys.Contains(record.address)) continue;
    const int row = AddRuleRow();
    DataList->SetCells(kKeyCol, row, record.address);
    DataList->SetCells(kDrawerCol, row, FriendRuleDrawer(record));
    DataList->SetRow(row);
    EditRow(row);
    keys.Insert(DataList->Cells(kKeyCol, row));
  }
  // A key changed to a later friend's address leaves rows unused.
  DataList->SetRowCount(std::max(2, rowsUsed));
}

void TDrwSetDlg::EditDataClick(TObject*) {
  const int row = DataList->Row();
  // The empty row of a grid without rules holds a rule once it is filled.
  if (EditRow(row) && row == rowsUsed) ++rowsUsed;
}

void TDrwSetDlg::NewDataClick(TObject*) {
  if (AskRule("", "")) {
    const std::string key = RuleDialog().Address->Text();
    int row = FindRuleRow(key);
    if (row < 0) {
      row = AddRuleRow();
      DataList->SetCells(kKeyCol, row, key);
    }
    DataList->SetCells(kDrawerCol, row, RuleDialog().DrawerName->Text());
    DataList->SetRow(row);
  }
  KnowDrawerName(DataList->Cells(kDrawerCol, DataList->Row()));
}

void TDrwSetDlg::OkBtnClick(TObject*) {
  if (!SaveEditedRules(cfgPath, GridRows())) return ErrorBox("設定ファイル書込み失敗");
  SetModalResult(mrOk);
}

void TDrwSetDlg::DeleteClick(TObject*) {
  if (!ConfirmBox("削除しますか？")) return;
  if (rowsUsed <= 1) return;
  RemoveRow(DataList->Row());
  --rowsUsed;
}

void TDrwSetDlg::BuildForm() {
  SetName("DrwSetDlg");
  SetCaption("振分設定");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(514);
  SetClientHeight(234);
  Font->SetName("ＭＳ Ｐゴシック");
  Font->SetSize(12);
  SetShowHint(true);
}

void TDrwSetDlg::BuildGrid() {
  DataList = Place<TStringGrid>(this, "DataList", Bounds(8, 8, 417, 218));
  DataList->SetColCount(2);
  DataList->SetFixedRows(1);
  DataList->SetRowCount(2);
  DataList->SetDefaultColWidth(200);
  DataList->SetDefaultRowHeight(15);
  DataList->SetOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRowSelect);
  DataList->SetScrollBars(ssVertical);
}

void TDrwSetDlg::BuildButtons() {
  auto place = [this](const char* name, int top, const char* caption, const char* hint) {
    auto* button = Place<TButton>(this, name, Bounds(kButtonLeft, top, kButtonWidth, kButtonHeight), caption);
    button->SetHint(hint);
    return button;
  };
  InportFile = place("InportFile", 8, "おともだち帳", "おともだち帳のインポート");
  InportFile->OnClick = [this](TObject* s) { InportFileClick(s); };
  EditData = place("EditData", 48, "編集", "設定データ編集");
  EditData->OnClick = [this](TObject* s) { EditDataClick(s); };
  NewData = place("NewData", 80, "新規", "新しい設定");
  NewData->OnClick = [this](TObject* s) { NewDataClick(s); };
  OkBtn = place("OkBtn", 168, "OK", "保存して終了");
  OkBtn->OnClick = [this](TObject* s) { OkBtnClick(s); };
  CancelBtn = place("CancelBtn", 200, "ｷｬﾝｾﾙ", "");
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);
  Delete = place("Delete", 112, "削除", "");
  Delete->OnClick = [this](TObject* s) { DeleteClick(s); };
}

void TDrwSetDlg::ShowTitles() {
  DataList->SetCells(kKeyCol, 0, subjectMode ? "Ｓｕｂｊｅｃｔ" : "アドレス");
  DataList->SetCells(kDrawerCol, 0, "引出し");
}

void TDrwSetDlg::ShowRules(const std::vector<SortRule>& rules) {
  DataList->SetRowCount(std::max<int>(2, static_cast<int>(rules.size()) + 1));
  for (size_t i = 0; i < rules.size(); ++i) {
    DataList->SetCells(kKeyCol, static_cast<int>(i) + 1, rules[i].key);
    DataList->SetCells(kDrawerCol, static_cast<int>(i) + 1, rules[i].drawer);
    KnowDrawerName(rules[i].drawer);
  }
}

// Every row below the titles, the empty row of a grid without rules too.
std::vector<SortRule> TDrwSetDlg::GridRows() const {
  std::vector<SortRule> rows;
  for (int row = 1; row < DataList->RowCount(); ++row)
    rows.push_back({DataList->Cells(kKeyCol, row), DataList->Cells(kDrawerCol, row)});
  return rows;
}

// The row a new rule goes into: the first row after the rules (the empty
// row 1 of a grid without rules), added when the grid has none. It counts as
// used from here.
int TDrwSetDlg::AddRuleRow() {
  if (rowsUsed >= DataList->RowCount()) DataList->SetRowCount(rowsUsed + 1);
  return rowsUsed++;
}

// The titles are no rule: a key equal to a title is a new rule.
int TDrwSetDlg::FindRuleRow(const std::string& key) const {
  for (int row = 1; row < rowsUsed; ++row)
    if (platform::SameTextIgnoreCase(DataList->Cells(kKeyCol, row), key)) return row;
  return -1;
}

CaseInsensitiveSet TDrwSetDlg::RuleKeys() const {
  CaseInsensitiveSet keys;
  for (int row = 1; row < rowsUsed; ++row) keys.Insert(DataList->Cells(kKeyCol, row));
  return keys;
}

TSetDNameDlg& TDrwSetDlg::RuleDialog() {
  if (!m_ruleDialog) {
    m_ruleDialog = std::make_unique<TSetDNameDlg>(this);
    m_ruleDialog->DrawerName->Items->Assign(*drawerNames);
  }
  return *m_ruleDialog;
}

// Shows the rule dialog on a key and a drawer; true for OK.
bool TDrwSetDlg::AskRule(const std::string& key, const std::string& drawer) {
  TSetDNameDlg& dialog = RuleDialog();
  dialog.Address->SetText(key);
  dialog.DrawerName->SetText(drawer);
  dialog.Label1->SetCaption(subjectMode ? "Subject" : "アドレス");
  dialog.SetActiveControl(dialog.Address);
  SetDNameDlg = &dialog;
  const bool ok = dialog.ShowModal() == mrOk;
  SetDNameDlg = nullptr;
  return ok;
}

// Asks for the rule of a row and keeps what OK gives; true for OK.
bool TDrwSetDlg::EditRow(int row) {
  const bool ok = AskRule(DataList->Cells(kKeyCol, row), DataList->Cells(kDrawerCol, row));
  if (ok) {
    DataList->SetCells(kKeyCol, row, RuleDialog().Address->Text());
    DataList->SetCells(kDrawerCol, row, RuleDialog().DrawerName->Text());
  }
  KnowDrawerName(DataList->Cells(kDrawerCol, row));
  return ok;
}

// The rows below move up; the last rule leaves the empty row 1.
void TDrwSetDlg::RemoveRow(int row) {
  const int last = DataList->RowCount() - 1;
  for (int below = row; below < last; ++below) {
    DataList->SetCells(kKeyCol, below, DataList->Cells(kKeyCol, below + 1));
    DataList->SetCells(kDrawerCol, below, DataList->Cells(kDrawerCol, below + 1));
  }
  if (last > 1) return DataList->SetRowCount(last);
  DataList->SetCells(kKeyCol, 1, "");
  DataList->SetCells(kDrawerCol, 1, "");
}

void TDrwSetDlg::KnowDrawerName(const std::string& name) {
  if (name.empty() || !m_knownDrawers.Insert(name)) return;
  drawerNames->Add(name);
  if (m_ruleDialog) m_ruleDialog->DrawerName->Items->Add(name);
}
