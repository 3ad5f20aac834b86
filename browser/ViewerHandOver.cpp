#include "browser/ViewerHandOver.h"

#include <string>

#include "platform/base/Format.h"
#include "platform/files/Files.h"
#include "platform/process/Process.h"
#include "platform/strings/StringList.h"

namespace {

constexpr std::string_view kHtmlMarker = "<!DOCTYPE HTML";

std::string TextCopyPath(std::string_view exeDir) { return std::string(exeDir) + "\\dorvnview.tmp"; }

// Lines split at CR LF, LF or CR, each written back with CR LF.
void SaveLines(std::string_view text, const std::string& path) {
  TStringList lines;
  lines.SetText(text);
  lines.SaveToFile(path);
}

}  // namespace

HandOver OpenInViewer(std::string_view bodyText, std::string_view viewerPath, std::string_view exeDir) {
  const std::string folder(exeDir);
  const size_t html = bodyText.find(kHtmlMarker);
  if (html != std::string_view::npos) {
    const std::string path = folder + "\\dorvnview.htm";
    SaveLines(bodyText.substr(html), path);
    platform::ShellOpen(path);
    return HandOver::Started;
  }
  const std::string path = TextCopyPath(exeDir);
  SaveLines(bodyText, path);
  platform::ProcessInformation process;
  const std::string commandLine = Format("\"%s\" \"%s\"", std::string(viewerPath).c_str(), path.c_str());
  return platform::CreateProcess(commandLine, process) ? HandOver::Started : HandOver::NotStarted;
}

void RemoveViewerTextCopy(std::string_view exeDir) { platform::DeleteFile(TextCopyPath(exeDir)); }
