#pragma once
// The common dialogs: open file, font (face only), find (modeless) and the
// shell's folder browser. The modal ones run through the ModalDriver.
// Paths and texts are Shift-JIS.

#include <memory>
#include <string>
#include <vector>

#include "platform/forms/Controls.h"
#include "platform/forms/Graphics.h"

class QDialog;

using TOpenOptions = unsigned;
constexpr TOpenOptions ofReadOnly = 0x1;
constexpr TOpenOptions ofOverwritePrompt = 0x2;
constexpr TOpenOptions ofHideReadOnly = 0x4;
constexpr TOpenOptions ofNoChangeDir = 0x8;
constexpr TOpenOptions ofAllowMultiSelect = 0x200;
constexpr TOpenOptions ofPathMustExist = 0x800;
constexpr TOpenOptions ofFileMustExist = 0x1000;

class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TComponent* owner);
  std::string ClassName() const override { return "TOpenDialog"; }

  // Asks for files; true for OK with FileName and Files filled. EFOpenError
  // "ファイル %s は開けません" when a chosen file's name has no Shift-JIS form.
  bool Execute();

  // "Description|*.txt;*.ppm|Description|*.*", as the class library writes it.
  std::string Filter;
  int FilterIndex = 1;
  std::string Title;
  std::string InitialDir;
  TOpenOptions Options = ofHideReadOnly;
  std::string FileName;            // the first chosen file
  std::vector<std::string> Files;  // every chosen file, in the order given

  bool RunQtDialog();  // for the ModalDriver
};

using TFontDialogOptions = unsigned;
constexpr TFontDialogOptions fdTrueTypeOnly = 0x1;
constexpr TFontDialogOptions fdScalableOnly = 0x2;
constexpr TFontDialogOptions fdNoSizeSel = 0x4;
constexpr TFontDialogOptions fdNoStyleSel = 0x8;

// Chooses a font face among the scalable faces of the system; size and
// style are not offered: only Font's name changes.
class TFontDialog : public TComponent {
 public:
  explicit TFontDialog(TComponent* owner);
  std::string ClassName() const override { return "TFontDialog"; }

  bool Execute();  // true for OK, with Font's name set to the chosen face

  TFont* const Font;
  TFontDialogOptions Options = fdTrueTypeOnly | fdScalableOnly | fdNoSizeSel | fdNoStyleSel;

  bool RunQtDialog();  // for the ModalDriver

 private:
  TFont m_font;
};

using TFindOptions = unsigned;
constexpr TFindOptions frDown = 0x1;
constexpr TFindOptions frWholeWord = 0x2;
constexpr TFindOptions frMatchCase = 0x4;
constexpr TFindOptions frFindNext = 0x8;
constexpr TFindOptions frHideUpDown = 0x4000;
constexpr TFindOptions frHideMatchCase = 0x8000;
constexpr TFindOptions frHideWholeWord = 0x10000;

// The modeless find dialog: a search text, whole word and match case
// boxes (each hidden by its frHide option), the direction choice (hidden
// with frHideUpDown), "次を検索" which runs OnFind, and キャンセル.
class TFindDialog : public TComponent {
 public:
  explicit TFindDialog(TComponent* owner);
  ~TFindDialog() override;
  std::string ClassName() const override { return "TFindDialog"; }

  // Shows the dialog (or brings it to the front) with FindText and Options.
  bool Execute();
  void CloseDialog();
  bool Visible() const;

  std::string FindText() const;
  void SetFindText(const std::string& text);
  TFindOptions Options() const;
  void SetOptions(TFindOptions options);

  // The user pressed "次を検索": Options and FindText are taken from the
  // dialog and OnFind runs.
  void FindNext();
  TNotifyEvent OnFind;

  QDialog* Window() const { return m_window; }  // for platform/

 private:
  void BuildWindow();
  void ShowOptions();

  QDialog* m_window = nullptr;
  std::string m_findText;
  TFindOptions m_options = frDown;
};

// The shell's folder browser: a folder tree to choose one folder from.
class TDirectoryChooser : public TComponent {
 public:
  explicit TDirectoryChooser(TComponent* owner);
  std::string ClassName() const override { return "TDirectoryChooser"; }

  bool Execute();  // true for OK, with Directory set to the chosen folder

  std::string Title;
  // Where it opens (empty: the desktop folder, or home when there is none);
  // the chosen folder after OK.
  std::string Directory;
  // After OK: false when the chosen folder's path has a character Shift-JIS
  // lacks, so that Directory (holding "?" for it) names another folder.
  bool Representable = true;

  bool RunQtDialog();  // for the ModalDriver
};
