#include "mailer/ExternalEditor.h"

#include <memory>
#include <utility>

#include "mailer/MailtoArgument.h"
#include "platform/base/Format.h"
#include "platform/files/Files.h"

EditorHandOver::~EditorHandOver() {
  if (!m_path.empty()) platform::DeleteFile(m_path);
}

bool EditorHandOver::Start(std::string_view editorPath, std::string_view text) {
  std::string path;
  std::unique_ptr<platform::Stream> file =
      platform::CreateScratchFile(platform::TempFolder(), "qult", ".tmp", path);
  if (!file) return false;
  m_path = path;
  const bool written = file->Write(text) && file->Close();
  const std::string commandLine =
      Format("\"%s\" \"%s\"", std::string(editorPath).c_str(), m_path.c_str());
  return written && platform::CreateProcess(commandLine, m_process);
}

void EditorHandOver::WaitForExit() { platform::WaitForExit(m_process); }

std::string EditorHandOver::TakeBack() {
  // A file that cannot be read stays where it is: it may hold the edits.
  const std::string path = std::exchange(m_path, {});
  return TakeScratchFile(path);
}
