// Dorvane's entry point: the application object, the main window and the
// message loop. An exception that escapes start-up is shown, and the program
// ends with 1.

#include "browser/Main.h"

int main(int argc, char** argv) {
  try {
    Application->Initialize(argc, argv);
    Application->SetTitle("Dorvane");
    Application->CreateForm(MainForm);
    Application->Run();
    return 0;
  } catch (...) {
    Application->HandleException();
  }
  return 1;
}
