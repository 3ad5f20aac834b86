#pragma once
// The rule editor: one sorting rule file as a grid of key and drawer, with
// new, edit and delete of one rule at a time, address rules taken from
// PostPet's friend book, and OK writing the file back whole. Nothing reaches
// the file before OK.

#include <memory>
#include <string>

#include "browser/RuleEditing.h"
#include "platform/forms/Forms.h"

class TButton;
class TSetDNameDlg;
class TStringGrid;
class TStringList;

class TDrwSetDlg : public TForm {
 public:
  explicit TDrwSetDlg(TComponent* owner);
  ~TDrwSetDlg() override;

  TStringGrid* DataList;  // row 0 the titles; rules in rows 1 to rowsUsed - 1
  TButton* InportFile;
  TButton* EditData;
  TButton* NewData;
  TButton* OkBtn;
  TButton* CancelBtn;
  TButton* Delete;

  // Set by the opening command before the dialog is shown.
  std::string cfgPath;       // the rule file edited
  std::string addrBookPath;  // the friend book of PPPATH
  int rowsUsed = 1;          // the next free rule row; 1: no rule
  TStringList* drawerNames = nullptr;  // owned by the opening command; names met are added
  bool subjectMode = false;  // Subject rules, else address rules

  // Shows every rule of the file; a missing file shows none.
  void FormShow(TObject* Sender);
  // Proposes one rule for each friend whose address no rule has, each
  // confirmed or changed by the user in turn.
  void InportFileClick(TObject* Sender);
  void EditDataClick(TObject* Sender);
  // A key that a rule has already (in any letter case) gets the new drawer.
  void NewDataClick(TObject* Sender);
  // Writes the rules that name a drawer and closes; a failed write says so
  // and keeps the dialog and the old file.
  void OkBtnClick(TObject* Sender);
  void DeleteClick(TObject* Sender);

 private:
  void BuildForm();
  void BuildGrid();
  void BuildButtons();

  void ShowTitles();
  void ShowRules(const std::vector<SortRule>& rules);
  std::vector<SortRule> GridRows() const;
  int AddRuleRow();
  int FindRuleRow(const std::string& key) const;
  CaseInsensitiveSet RuleKeys() const;
  TSetDNameDlg& RuleDialog();
  bool AskRule(const std::string& key, const std::string& drawer);
  bool EditRow(int row);
  void RemoveRow(int row);
  void KnowDrawerName(const std::string& name);

  CaseInsensitiveSet m_knownDrawers;  // the texts of drawerNames
  // One rule dialog for the editor's life: its drawer list grows with
  // drawerNames instead of being refilled for each rule of an import.
  std::unique_ptr<TSetDNameDlg> m_ruleDialog;
};

// The dialog while an opening command shows it; nullptr otherwise.
extern TDrwSetDlg* DrwSetDlg;
