#pragma once
// The shared settings key of both programs: HKEY_CURRENT_USER
// "\Software\Ostrel\Marrowkit", string values only. Each use opens the key
// anew and reads or writes what it needs; nothing is cached, so a value the
// other program wrote is seen at the next read.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/registry/Registry.h"

enum class Setting {
  PostPetFolder,  // PPPATH: the current PostPet folder
  FolderList,     // PPFLIST: the path of the PostPet folder list file
  Font,           // FONT: face name of the main windows' lists and text panes
  Viewer,         // VIEWER: Dorvane's external viewer program
  Editor,         // EDITOR: Quillet's external editor program
  UserName,       // NAME: the user's name, Quillet's From name
};

// The registry value name of setting.
const char* SettingName(Setting setting);

// NAME is held in 128 bytes with its terminating NUL; a longer stored name is
// cut at a character boundary. Paths and the face name are held whole: a cut
// one would name another file or font.
inline constexpr size_t kUserNameCapacity = 128;

class SettingsKey {
 public:
  enum class Open { CreatingIt, IfExists };

  // Opens the key, creating it unless how is IfExists. A key that cannot be
  // opened leaves IsOpen() false: reads then give empty text and writes raise
  // ERegistryException (for a corrupt store, with the message naming it).
  explicit SettingsKey(Open how = Open::CreatingIt);

  bool IsOpen() const { return m_open; }
  bool Has(Setting setting);
  // The stored text, "" when absent; NAME cut to kUserNameCapacity - 1 bytes.
  // ERegistryException when the value is not a string.
  std::string Read(Setting setting);
  // Creates or replaces the value; ERegistryException when refused.
  void Write(Setting setting, std::string_view text);

 private:
  TRegistry m_registry;
  bool m_open = false;
  std::string m_openError;  // why the key could not be opened, when it could not
};
