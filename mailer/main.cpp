// Quillet's entry point: the application object, the compose window, the loop.

#include "mailer/Main.h"
#include "platform/forms/Forms.h"
#include "platform/process/Process.h"

int main(int argc, char** argv) {
  try {
    Application->Initialize(argc, argv);
    SetProgramArguments(platform::ProgramArguments(argc, argv));
    Application->SetTitle("Quillet");
    Application->CreateForm(MainForm);
    Application->Run();
    return 0;
  } catch (...) {
    Application->HandleException();  // whatever escaped start-up or the loop
  }
  return 1;
}
