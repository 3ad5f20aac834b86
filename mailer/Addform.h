#pragma once
// The friend-book picker: PostPet's friend book of one PostPet folder as a
// grid of pet kind, pet name, owner, address and count; a double click picks
// the address of the current row and closes the dialog.

#include <string>

#include "platform/forms/Forms.h"

class TStringGrid;

class TAddFormDlg : public TForm {
 public:
  // pickedAddress is empty until a pick.
  explicit TAddFormDlg(TComponent* owner);
  ~TAddFormDlg() override;

  TStringGrid* FriendGrid;
  std::string ppPath;         // the PostPet folder, set by the caller before showing
  std::string pickedAddress;  // the address of the row double-clicked

  // Fills the grid from the friend book once: the dialog activates again
  // each time a message box over it closes. A missing book says so and
  // leaves the grid blank; a record cut short at the end is left out.
  void FormActivate(TObject* Sender);
  void FriendGridDblClick(TObject* Sender);

 private:
  void BuildForm();
  void BuildGrid();

  bool m_filled = false;
};
