#pragma once
// A SandboxTest whose books lie in the sandbox: the PostPet folder and the
// program folder of the test, as the main window holds them. For the tests
// that link the mail store.

#include <string>
#include <string_view>
#include <vector>

#include "browser/store/DrawerNameFile.h"
#include "browser/store/DrawerPaths.h"
#include "platform/files/Files.h"
#include "tests/support/Sandbox.h"

class StoreSandboxTest : public SandboxTest {
 protected:
  BookPlace Book(bool isReceiveBook) const {
    return {platform::ProgramPath(PostPetDir()), platform::ProgramPath(ExeDir()), isReceiveBook,
            FixedDrawerCount(isReceiveBook)};
  }
  // The files of drawer row in the book; the row must have a path.
  DrawerFiles DrawerOf(bool isReceiveBook, int row, std::string_view name) const {
    return *GetDrawerFiles(Book(isReceiveBook), row, name);
  }
  // Lists the book's own drawers in its DrawerNameFile, as the window shows
  // them: the store writes only into an own drawer that is listed.
  void ListOwnDrawers(bool isReceiveBook, const std::vector<std::string>& names) const {
    ASSERT_TRUE(SaveDrawerNameFile(DrawerNameFileOf(Book(isReceiveBook)).path, names).Ok());
  }
};
