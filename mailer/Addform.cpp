#include "mailer/Addform.h"

#include <algorithm>

#include "browser/common/ErrorBox.h"
#include "browser/store/FriendBook.h"
#include "mailer/FormParts.h"
#include "platform/base/Format.h"
#include "platform/forms/Grids.h"

namespace {

constexpr int kAddressCol = 3;
const char* const kColumnTitles[] = {"ペット", "ペットの名前", "飼い主の名前", "メールアドレス", "回数"};

}  // namespace

TAddFormDlg::TAddFormDlg(TComponent* owner) : TForm(owner) {
  BuildForm();
  BuildGrid();
  OnActivate = [this](TObject* s) { FormActivate(s); };
  OnDblClick = [this](TObject* s) { FriendGridDblClick(s); };
}

TAddFormDlg::~TAddFormDlg() { DestroyComponents(); }

void TAddFormDlg::FormActivate(TObject*) {
  if (m_filled) return;
  m_filled = true;
  const FriendBook book = ReadFriendBookForPicker(FriendBookPath(ppPath));
  if (!book.opened) return ErrorBox("おともだち帳が開けません");
  for (int col = 0; col < 5; ++col) FriendGrid->SetCells(col, 0, kColumnTitles[col]);
  FriendGrid->SetRowCount(std::max<int>(2, static_cast<int>(book.records.size()) + 1));
  int row = 1;
  for (const FriendRecord& record : book.records) {
    FriendGrid->SetCells(0, row, std::string(PetKindName(record.petKind)));
    FriendGrid->SetCells(1, row, record.petName);
    FriendGrid->SetCells(2, row, record.ownerName);
    FriendGrid->SetCells(kAddressCol, row, record.address);
    FriendGrid->SetCells(4, row, Format("%u", record.count));
    ++row;
  }
}

void TAddFormDlg::FriendGridDblClick(TObject*) {
  pickedAddress = FriendGrid->Cells(kAddressCol, FriendGrid->Row());
  SetModalResult(mrOk);
}

void TAddFormDlg::BuildForm() {
  SetName("AddFormDlg");
  SetCaption("おともだち帳");
  SetFramedSize(this, 533, 294);
  SetPosition(poScreenCenter);
}

// The grid fills the dialog; a double click on it picks as one on the dialog does.
void TAddFormDlg::BuildGrid() {
  FriendGrid = Place<TStringGrid>(this, "FriendGrid", Bounds(0, 0, ClientWidth(), ClientHeight()));
  FriendGrid->SetColCount(5);
  FriendGrid->SetFixedRows(1);
  FriendGrid->SetRowCount(2);
  FriendGrid->SetDefaultColWidth(100);
  FriendGrid->SetDefaultRowHeight(20);
  FriendGrid->SetFixedColor(cl3DLight);
  FriendGrid->SetOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRowSelect);
  FriendGrid->SetScrollBars(ssVertical);
  FriendGrid->OnDblClick = [this](TObject* s) { FriendGridDblClick(s); };
}
