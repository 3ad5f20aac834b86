#include "mailer/MailClientRegistration.h"

#include <vector>

#include "platform/base/Exception.h"
#include "platform/base/Format.h"
#include "platform/files/Files.h"
#include "platform/forms/Graphics.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"
#include "platform/text/ShiftJis.h"

namespace {

constexpr const char* kClientKey = "\\SOFTWARE\\Clients\\Mail\\Quillet";
constexpr const char* kMailtoKey = "\\SOFTWARE\\Clients\\Mail\\Quillet\\Protocols\\mailto";
constexpr const char* kIconKey = "\\SOFTWARE\\Clients\\Mail\\Quillet\\Protocols\\mailto\\DefaultIcon";
constexpr const char* kOpenKey = "\\SOFTWARE\\Clients\\Mail\\Quillet\\shell\\open\\command";
constexpr const char* kMailtoOpenKey = "\\SOFTWARE\\Clients\\Mail\\Quillet\\Protocols\\mailto\\shell\\open\\command";
constexpr char kEditFlags[] = {2, 0, 0, 0};

struct RegistrationRow {
  const char* key;
  const char* name;  // "" is the key's unnamed value
  bool binary;
  std::string data;
};

std::vector<RegistrationRow> RegistrationRows(std::string_view programPath) {
  const std::string quoted = std::string("\"").append(platform::DesktopPath(programPath)).append("\"");
  return {
      {kClientKey, "", false, "Quillet"},
      {kMailtoKey, "", false, "URL:MailTo Protocol"},
      {kMailtoKey, "EditFlags", true, std::string(kEditFlags, sizeof kEditFlags)},
      {kMailtoKey, "URL Protocol", false, ""},
      {kIconKey, "", false, quoted},
      {kOpenKey, "", false, quoted},
      {kMailtoOpenKey, "", false, quoted + " \"%1\""},
  };
}

// A key that cannot be opened ends the writing there: the registry keeps the
// previous row's key current, and the value would land in it.
bool WriteRegistryRows(std::string_view programPath) {
  TRegistry registry;
  registry.RootKey = HKEY_LOCAL_MACHINE;
  std::string openKey;
  try {
    for (const RegistrationRow& row : RegistrationRows(programPath)) {
      if (row.key != openKey && !registry.OpenKey(row.key, true)) return false;
      openKey = row.key;
      if (row.binary)
        registry.WriteBinaryData(row.name, row.data.data(), static_cast<int>(row.data.size()));
      else
        registry.WriteString(row.name, row.data);
    }
  } catch (const ERegistryException&) {
    return false;
  }
  return true;
}

std::string ApplicationsFolder() { return platform::UserDataFolder() + "\\applications"; }

// The program's own picture, where the desktop entry names it.
std::string WriteIcon() {
  const std::string folder = platform::UserDataFolder() + "\\icons";
  const std::string path = folder + "\\marrowkit-quillet.png";
  TBitmap icon;
  icon.LoadFromResourceName("QuilletIcon");
  return platform::ForceDirectories(folder) && icon.SaveToFile(path) ? path : std::string();
}

// UTF-8, as the desktop reads it.
std::string DesktopEntryText(std::string_view programPath, const std::string& iconPath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Quillet\n"
         "GenericName=Mail Client\n" +
         platform::Utf8FromSjis("Comment=テキストのメールを書いて送る小さなメーラー\n") +
         "Exec=" + DesktopExecValue(platform::NativePath(programPath)) + "\n" +
         "Icon=" + platform::NativePath(iconPath) + "\n" +
         "Terminal=false\n"
         "Categories=Network;Email;\n"
         "MimeType=x-scheme-handler/mailto;\n";
}

bool WriteDesktopEntry(std::string_view programPath) {
  const std::string iconPath = WriteIcon();
  if (iconPath.empty() || !platform::ForceDirectories(ApplicationsFolder())) return false;
  try {
    platform::ReplaceFileContents(DesktopEntryPath(), DesktopEntryText(programPath, iconPath));
  } catch (const EFCreateError&) {
    return false;
  }
  return true;
}

// Without the tool the desktop still finds the entry, only later.
void RefreshDesktopDatabase() {
  platform::ProcessInformation process;
  if (platform::CreateProcess(Format("update-desktop-database \"%s\"", ApplicationsFolder().c_str()), process))
    platform::WaitForExit(process);
}

// The Desktop Entry rules quote an argument only when it holds a reserved
// character; some openers (xdg-open 1.1.3) take the quotes of any quoted
// program path as part of its name, so a plain path stays plain. Inside the
// quotes the quoting rule's four characters are escaped.
std::string ExecArgument(std::string_view text) {
  if (text.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// The string type's escapes, applied after the quoting, and "%%" for a
// percent sign that is no field code.
std::string EscapedString(std::string_view text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '\\': escaped += "\\\\"; break;
      case '\n': escaped += "\\n"; break;
      case '\t': escaped += "\\t"; break;
      case '\r': escaped += "\\r"; break;
      case '%': escaped += "%%"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

}  // namespace

std::string DesktopExecValue(std::string_view nativeProgramPath) {
  return EscapedString(ExecArgument(nativeProgramPath)) + " %u";
}

std::string DesktopEntryPath() { return ApplicationsFolder() + "\\marrowkit-quillet.desktop"; }

bool RegisterMailClient(std::string_view programPath) {
  if (!WriteRegistryRows(programPath) || !WriteDesktopEntry(programPath)) return false;
  RefreshDesktopDatabase();
  return true;
}
