#pragma once
// The two message conventions of both programs.

#include <string>

// The error message of the programs' own checks: the text, caption "エラー",
// the exclamation icon and an OK button (style 48). Returns when closed.
void ErrorBox(const std::string& message);

// Asks a question with caption "確認", OK and Cancel and the question icon
// (style 33); true when the user answered OK.
bool ConfirmBox(const std::string& question);
