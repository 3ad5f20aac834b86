#include "browser/store/SettingsKey.h"

#include "platform/base/Exception.h"
#include "platform/text/ShiftJis.h"

namespace {

constexpr const char* kKeyPath = "\\Software\\Ostrel\\Marrowkit";

}  // namespace

const char* SettingName(Setting setting) {
  switch (setting) {
    case Setting::PostPetFolder:
      return "PPPATH";
    case Setting::FolderList:
      return "PPFLIST";
    case Setting::Font:
      return "FONT";
    case Setting::Viewer:
      return "VIEWER";
    case Setting::Editor:
      return "EDITOR";
    case Setting::UserName:
      return "NAME";
  }
  return "";
}

SettingsKey::SettingsKey(Open how) {
  m_registry.RootKey = HKEY_CURRENT_USER;
  // A corrupt store must not stop either program from starting: the key
  // counts as not opened and the first write reports the store's error.
  try {
    m_open = m_registry.OpenKey(kKeyPath, how == Open::CreatingIt);
  } catch (const ERegistryException& error) {
    m_openError = error.Message;
  }
}

bool SettingsKey::Has(Setting setting) { return m_open && m_registry.ValueExists(SettingName(setting)); }

std::string SettingsKey::Read(Setting setting) {
  if (!m_open) return "";
  std::string text = m_registry.ReadString(SettingName(setting));
  if (setting == Setting::UserName) text.resize(platform::SjisPrefixLength(text, kUserNameCapacity - 1));
  return text;
}

void SettingsKey::Write(Setting setting, std::string_view text) {
  if (!m_open && !m_openError.empty()) throw ERegistryException(m_openError);
  m_registry.WriteString(SettingName(setting), text);
}
