#pragma once
// Dorvane's main window on a fresh sandbox: a PostPet folder set in the
// registry, drawers written byte by byte by the builder, and a modal driver
// that answers every box the window shows.

#include <memory>
#include <string>
#include <vector>

#include "browser/Main.h"
#include "platform/forms/FormsTesting.h"
#include "platform/forms/Menus.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/Sandbox.h"

class MainFormTest : public SandboxTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Shift-JIS paths as the program holds them.
  std::string PostPet() const;
  std::string Program() const;
  // The files of a drawer: PostPet's rows under the PostPet folder, own
  // drawers under the program folder. An empty name stands for the book.
  std::string ListPath(bool receiveBook, const std::string& drawer) const;
  std::string MailPath(bool receiveBook, const std::string& drawer) const;
  void WriteDrawer(bool receiveBook, const std::string& drawer, const DrawerBuilder& mails) const;
  // A drawer of count numbered mails (subjects "mail 1" ...).
  void WriteNumbered(bool receiveBook, const std::string& drawer, int first, int count) const;
  // A mail as a drawer's files hold it: its record's Subject and the bytes
  // from its mailStart to the end of its body.
  struct StoredMail {
    std::string subject;
    std::string text;
  };
  std::vector<StoredMail> MailsIn(bool receiveBook, const std::string& drawer) const;
  // The Subjects listed in a drawer's ListFile, read from its bytes.
  std::vector<std::string> SubjectsIn(bool receiveBook, const std::string& drawer) const;
  void WriteDrawerNameFile(const std::string& file, const std::vector<std::string>& names) const;

  // Creates the window, as the program's start does.
  TMainForm& Start();
  int RowOf(const std::string& drawer) const;
  void OpenDrawer(const std::string& drawer);
  std::vector<std::string> DrawerRows() const;
  std::vector<std::string> LastMessages() const;

  // Selects mail rows (only these) of the open drawer.
  void SelectMails(const std::vector<int>& rows);
  // A drag of the mail list started on row `from`, dropped on drawer row `to`.
  void DragMail(int from, int to);
  TPoint MailRowPoint(int row) const;
  TPoint DrawerRowPoint(int row) const;

  std::unique_ptr<TestModalDriver> driver;
  std::unique_ptr<TMainForm> form;
};
