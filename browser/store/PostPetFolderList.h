#pragma once
// The list of known PostPet folders that both programs' folder dialogs show:
// one folder path per line, CR LF after every line, in the file whose path
// the setting PPFLIST holds. A dialog keeps one PostPetFolderList from its
// creation to its end and its rows in its own list control.

#include <string>
#include <string_view>

#include "platform/strings/StringList.h"

// The list file's name in the program folder when PPFLIST is absent.
inline constexpr const char* kDefaultFolderListFormat = "%s\\dorvnpfl.cfg";

struct PostPetFolderList {
  bool hasListSetting = false;  // PPFLIST existed when the dialog was created
  std::string listFilePath;     // the list file, held whole

  // At the dialog's creation: remembers whether PPFLIST exists and takes its text.
  void ReadSetting();
  // At showing: without a setting, the list file is "<exeDir>/dorvnpfl.cfg" and
  // that path, as the desktop writes it, is written to PPFLIST.
  // ERegistryException when refused.
  void ResolvePath(std::string_view exeDir);
  // The rows of the list file; none when the file does not exist. EFOpenError
  // when it exists but cannot be read.
  TStringList LoadRows() const;
  // Writes every row, followed by the rows another program added to the file
  // since it was loaded (those no row equals, as AddFolderIfNew judges), so
  // that no program's folder is lost; under the lock of the file's folder,
  // replacing or creating the file crash-safely. EFCreateError when it cannot
  // be written, EFOpenError when it exists but cannot be read; the old file
  // then stays.
  void SaveRows(const TStringList& rows) const;
};

// Appends folder unless a row equals it, whole text and ignoring case; true
// when it was appended.
bool AddFolderIfNew(TStringList& rows, std::string_view folder);
