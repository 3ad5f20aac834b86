#pragma once
// Dorvane's main window: the drawers of the open book on the left, the mails
// of the open drawer in three columns, and the shown mail below them. It owns
// the rows of the open drawer; every file it reads or writes goes through the
// mail store.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browser/DateSort.h"
#include "browser/store/DrawerNameFile.h"
#include "browser/store/DrawerPaths.h"
#include "browser/store/ListFile.h"
#include "browser/store/MailFile.h"
#include "platform/forms/Forms.h"
#include "platform/forms/ListBox.h"

enum class HandOver;
class MailEntry;
class MailStream;
class SortQuestions;
class TBevel;
class TFindDialog;
class TFontDialog;
class TLabel;
class TMainMenu;
class TMenu;
class TMenuItem;
class TOpenDialog;
class TPopupMenu;
class TRichEdit;
class TStaticText;
class TStringList;

class TMainForm : public TForm {
 public:
  // Builds the window, loads the settings and opens row 0 of the receive book.
  explicit TMainForm(TComponent* owner);
  ~TMainForm() override;

  // Controls, owned by the form.
  TLabel* Label1;
  TListBox* DrawerList;
  TLabel* Label2;
  TStaticText* StaticText1;
  TStaticText* StaticText2;
  TStaticText* StaticText3;
  TListBox* MailList;
  TBevel* Bevel1;
  TLabel* Label3;
  TLabel* Label4;
  TLabel* Label5;
  TLabel* Label6;
  TStaticText* FromAdd;
  TStaticText* MailSubject;
  TStaticText* MailDate;
  TRichEdit* MailText;
  TFindDialog* FindDlg;
  TFontDialog* FontDialog;
  TOpenDialog* OpenDialog;

  // Menus and their items, named after their commands.
  TMainMenu* MainMenu1;
  TMenuItem *File, *MBoxChange, *MLBoxBkup, *NewDrawer, *AutoSeparate, *MailInport, *PPtxtFile,
      *SMailFile, *MMailFile, *Exit;
  TMenuItem *Edit, *Copy, *Find, *ExecViewer, *Delete, *Reply;
  TMenuItem *Option, *PPFolderSet, *ViewerSet, *FontSet, *DwSpCfg, *AddressCfg, *SubjectCfg;
  TMenuItem *Help, *Contents, *About;
  TPopupMenu* DwMenu;
  TMenuItem *DwMenuNew, *DwMenuDel, *DwMenuRnm, *DwMenuAtS, *DwMenuIn, *DwMenuPPF, *DwMenuSF,
      *DwMenuPPM, *DwSort, *DsUp, *DsDown;
  TPopupMenu* MlMenu;
  TMenuItem *MlMenuDel, *MlMenuReply, *MlSort, *MlSortDateUp, *MlSortDateDown;
  TPopupMenu* MtMenu;
  TMenuItem *MtMenuCopy, *MtMenuFind, *MtMenuViewer, *MtMenuReply;

  // Opening drawers and showing mails.
  void DrawerListClick(TObject* Sender);
  void MailListClick(TObject* Sender);
  void DrawerListMeasureItem(TWinControl* Control, int Index, int& Height);
  void DrawerListDrawItem(TWinControl* Control, int Index, const TRect& Rect, TOwnerDrawState State);
  void MailListDrawItem(TWinControl* Control, int Index, const TRect& Rect, TOwnerDrawState State);
  void FormClose(TObject* Sender, TCloseAction& Action);
  // Reads PPPATH and VIEWER into ppPath and viewerPath; an absent value
  // leaves its field as it was.
  void ReadRegSettings();
  // Gives the stored FONT face to the drawer list, mail list and mail text.
  void LoadFontSetting();
  void FontSetClick(TObject* Sender);

  // Drawers and books.
  void NewDrawerClick(TObject* Sender);
  void DwMenuRnmClick(TObject* Sender);
  void DeleteClick(TObject* Sender);
  void DeleteDrawer();
  void DeleteMails();
  void DsUpClick(TObject* Sender);
  void DsDownClick(TObject* Sender);
  void MBoxChangeClick(TObject* Sender);
  void DwSpCfgClick(TObject* Sender);
  // The rule editor on the open book's address rules, or on the receive
  // book's Subject rules.
  void AddressCfgClick(TObject* Sender);
  void SubjectCfgClick(TObject* Sender);

  // The PostPet folder dialog; afterwards the open book's own row is read
  // again, from the folder now current.
  void PPFolderSetClick(TObject* Sender);
  // Backs the open book's PostPet files up into a new R or S folder of the
  // PostPet folder; only a failure is shown.
  void MLBoxBkupClick(TObject* Sender);
  void BackupReceiveBook();
  void BackupSendBook();

  // Sort the open drawer's mails by date, write them in that order and read
  // the drawer again.
  void MlSortDateUpClick(TObject* Sender);
  void MlSortDateDownClick(TObject* Sender);

  // Menus, copy and find.
  void FileClick(TObject* Sender);
  void EditClick(TObject* Sender);
  void DwMenuPopup(TObject* Sender);
  void MlMenuPopup(TObject* Sender);
  void MtMenuPopup(TObject* Sender);
  void CopyClick(TObject* Sender);
  void FindClick(TObject* Sender);
  void FindDlgFind(TObject* Sender);
  void ExitClick(TObject* Sender);
  void AboutClick(TObject* Sender);

  // Hand-overs to other programs; none waits for the program it starts.
  // Starts Quillet with the shown mail quoted, for a reply.
  void ReplyClick(TObject* Sender);
  // Opens the shown body in the VIEWER program, or an HTML body in the
  // desktop's browser.
  void ExecViewerClick(TObject* Sender);
  // Shows the viewer dialog; after OK reads the settings again.
  void ViewerSetClick(TObject* Sender);
  // Opens the help page Help\dvnIndex.htm with the desktop.
  void ContentsClick(TObject* Sender);

  // Automatic sorting: every mail of the open drawer to the drawer its rule
  // names, by the receive or the send book's rules.
  void AutoSeparateClick(TObject* Sender);
  void AutoSeparateRecv();
  void AutoSeparateSend();

  // Moving mails by drag and drop.
  void MailListMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void MailListMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void DrawerListDragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState State,
                          bool& Accept);
  void DrawerListDragDrop(TObject* Sender, TObject* Source, int X, int Y);
  // The end of every drag of the mail list: after a move, opens the drop
  // target; a refused move has read the open drawer again at its drop.
  void MailListEndDrag(TObject* Sender, TObject* Target, int X, int Y);

  // Importing mails into the open drawer; each reads the drawer again at its
  // end, however it ends (but for Cancel in a dialog of the first two).
  void PPtxtFileClick(TObject* Sender);
  void SMailFileClick(TObject* Sender);
  void DwMenuPPMClick(TObject* Sender);
  // Cuts the first chosen file into mails and appends them; a stop leaves
  // the mails appended before it.
  void ImportMultiMailFile();

  // The mail store, as the window uses it. A row without files (no PostPet
  // folder, a name the path rule refuses) gives an empty path.
  std::string GetListFileName(int row) const;
  std::string GetMailFileName(int row) const;
  // Releases every row of the open drawer.
  void FreeMailEntries();

 private:
  void BuildWindow();
  void BuildDrawerPane();
  void BuildMailListPane();
  void BuildMailView();
  void BuildMenus();
  void BuildMainMenu();
  // A pop-up menu that runs onPopup when it opens over control.
  TPopupMenu* BuildPopupMenu(const char* name, void (TMainForm::*onPopup)(TObject*), TControl* control);
  void BuildDialogs();
  void ShowIfNotStarted(HandOver result);

  BookPlace Book() const;
  std::optional<DrawerFiles> DrawerFilesOf(int row) const;
  const TBitmap& PictureOf(int row) const;
  std::string RowText(int row) const;
  bool IsOwnRow(int row) const;
  bool IsDeletableRow(int row) const;
  bool ControlHasFocus(const char* name) const;
  StoreResult LoadDrawerRows();
  void AddOwnRows(const DrawerNames& file);
  bool DrawerNamesWritable();
  void ShowIfFailed(const StoreResult& result);
  DrawerNameFile NameFile() const;
  bool ShowOwnRows(const NamesChanged& changed);
  void ShowOwnNames(const std::vector<std::string>& names);
  void ReReadRowsIfChanged(const StoreResult& result);
  int OwnRowNamed(const std::string& name) const;
  std::vector<std::string> OwnDrawerRows() const;
  void SortOwnDrawers(NameOrder order);
  void ShowBookCaptions();
  void ResetDrawerState();
  void ReleaseLoadedMails();
  void ClearMailPanes();
  void LoadOpenDrawer();
  std::string MailItemText(const MailEntry& entry) const;
  void ShowMail(const MailEntry& entry, const std::string& body);
  std::string AskDrawerName(const std::string& initialName);
  NamesChanged RenameOpenDrawer(const std::string& oldName, const std::string& newName);
  std::vector<const MailEntry*> TakeMovedMails();
  StoreResult RewriteOpenDrawer();
  std::vector<const MailEntry*> KeptEntries() const;
  void ClearDropMark();
  void RefuseMove(const StoreResult& result);
  void ShowRuleEditor(const char* ruleFileName, bool subjectMode);
  void SeparateOpenDrawer(SortQuestions& questions);
  bool ConfirmMailDeletes();
  void SortOpenDrawerByDate();
  std::optional<std::string> AskHeaderEndText();
  // Appends the mails of the chosen files; the drawer is read again however it ends.
  void ImportFiles(MailStream& mails);
  void WithProgress(const std::function<void()>& import);
  void ReloadAfter(const std::function<void()>& command);
  // Selects row, where the drawer to show now stands, and reads it afresh
  // from its files, even when it was open already.
  void ReloadOpenDrawer(int row);
  void ReloadOpenDrawer() { ReloadOpenDrawer(openDrawer); }
  void AppendToOpenDrawer(MailStream& mails);

  std::string drawerCfgPath;  // the open book's DrawerNameFile
  std::string viewerPath;     // VIEWER
  std::string ppPath;         // PPPATH
  std::string exeDir;         // the program folder, no trailing separator
  int openDrawer = -1;        // row whose ListFile is loaded; -1 forces a reload
  int shownMail = -1;         // mail row shown in the panes; -1 none
  int mailCount = 0;          // rows loaded
  int dropTarget = -1;        // drawer row under a drag or to open after a rewrite
  int dragMail = -1;          // mail row dragged or left out of a rewrite
  int fixedDrawerCount = 10;  // 10 in the receive book, 4 in the send book
  bool hasMails = false;      // the open drawer's ListFile exists and is not empty
  bool isReceiveBook = true;
  SortDirection sortDirection = kDateUp;
  DrawerListing m_listing;            // owns the rows of the open drawer
  std::vector<MailEntry*> entries;    // its rows; an empty slot is a removed row
  MailEntry* currentEntry = nullptr;  // the row being shown, moved or written
  bool m_ownRowsUnread = false;       // the DrawerNameFile could not be read: no own rows are shown
  TBitmap m_openPicture;              // DOImage
  TBitmap m_closedPicture;            // DSImage
};

extern TMainForm* MainForm;
