#pragma once
// The body's trip through the user's editor program: written to a scratch
// file in the temporary folder, edited there by a program started on it, and
// taken back when that program has ended.

#include <string>
#include <string_view>

#include "platform/process/Process.h"

class EditorHandOver {
 public:
  EditorHandOver() = default;
  // A scratch file not taken back (a start that failed, an error) is removed.
  ~EditorHandOver();
  EditorHandOver(const EditorHandOver&) = delete;
  EditorHandOver& operator=(const EditorHandOver&) = delete;

  // Writes text to a new private scratch file "qult<n>.tmp" in TEMP and
  // starts editorPath on it. False when the file cannot be made or the
  // program cannot be started; nothing is left behind then.
  bool Start(std::string_view editorPath, std::string_view text);
  // Returns once the editor has ended; the event loop runs meanwhile.
  void WaitForExit();
  // The file's text as the editor left it (up to a NUL); the file is then
  // deleted. EFOpenError when it is gone or cannot be read; it then stays.
  std::string TakeBack();

 private:
  std::string m_path;  // the scratch file while it is ours to delete
  platform::ProcessInformation m_process;
};
