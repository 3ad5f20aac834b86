#pragma once
// The drive chooser and the folder list of the class library. On Linux the
// drives are the root "/" and the mounted volumes. Paths are Shift-JIS
// program paths with "/" separators.

#include <string>
#include <vector>

#include "platform/forms/Controls.h"
#include "platform/forms/StdCtrls.h"

class TDirectoryListBox;

// The folder list: the open folder's ancestors from the root down, then
// the open folder and its subfolders. A click only highlights a row; a
// double click or Enter opens it. A tied label always shows the open folder.
class TDirectoryListBox : public TWinControl {
 public:
  explicit TDirectoryListBox(TWinControl* parent);  // opens the process's current folder
  std::string ClassName() const override { return "TDirectoryListBox"; }

  const std::string& Directory() const { return m_directory; }
  // Opens a folder; a path that names no folder changes nothing.
  void SetDirectory(const std::string& path);
  void SetDirLabel(TLabel* label);
  // The rows as shown, and the folder each row stands for.
  int Count() const { return static_cast<int>(m_rows.size()); }
  std::string RowText(int index) const;
  std::string RowDirectory(int index) const;
  int ItemIndex() const;
  void SetItemIndex(int index);
  // Opens the folder of a row, as a double click on it does.
  void OpenRow(int index);

  TNotifyEvent OnChange;

 private:
  struct Row {
    std::string name;
    std::string path;  // native
    int level;
    bool open;
  };
  void Fill();

  std::string m_directory;
  std::vector<Row> m_rows;
  TLabel* m_label = nullptr;
};

class TDriveComboBox : public TWinControl {
 public:
  explicit TDriveComboBox(TWinControl* parent);
  std::string ClassName() const override { return "TDriveComboBox"; }

  // The chosen drive's root; choosing one moves the tied folder list there.
  const std::string& Drive() const { return m_drive; }
  void SetDrive(const std::string& root);
  void SetDirList(TDirectoryListBox* list) { m_dirList = list; }
  std::vector<std::string> Drives() const;

  TNotifyEvent OnChange;

 private:
  void Choose(int index);

  std::string m_drive;
  TDirectoryListBox* m_dirList = nullptr;
};
