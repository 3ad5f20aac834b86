#include "browser/common/ErrorBox.h"

#include "platform/forms/Forms.h"

void ErrorBox(const std::string& message) {
  Application->MessageBox(message, "エラー", MB_OK | MB_ICONEXCLAMATION);
}

bool ConfirmBox(const std::string& question) {
  return Application->MessageBox(question, "確認", MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}
