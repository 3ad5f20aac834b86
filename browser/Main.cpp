#include "browser/Main.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

#include "browser/Dname.h"
#include "browser/Drwset.h"
#include "browser/HeaderEndHistory.h"
#include "browser/Headend.h"
#include "browser/Import.h"
#include "browser/Progress.h"
#include "browser/ReplyHandOver.h"
#include "browser/Selpp.h"
#include "browser/ViewerHandOver.h"
#include "browser/Viewset.h"
#include "browser/SortDialogs.h"
#include "browser/SortRun.h"
#include "browser/common/About.h"
#include "browser/common/ErrorBox.h"
#include "browser/common/FontSetting.h"
#include "browser/common/Heading.h"
#include "browser/store/BookBackup.h"
#include "browser/store/DrawerImport.h"
#include "browser/store/DrawerNameFile.h"
#include "browser/store/DrawerRewrite.h"
#include "browser/store/FriendBook.h"
#include "browser/store/SettingsKey.h"
#include "browser/store/ShownBody.h"
#include "browser/store/StoreResult.h"
#include "platform/base/Format.h"
#include "platform/base/SysUtils.h"
#include "platform/files/Files.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/ListBox.h"
#include "platform/forms/Memo.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "platform/process/Process.h"
#include "platform/strings/StringList.h"
#include "platform/text/ShiftJis.h"

TMainForm* MainForm = nullptr;

namespace {

constexpr const char* kFormFace = "ＭＳ Ｐゴシック";
constexpr const char* kDataBroken = "データが破壊されています\nアプリケーションを再起動してください";
constexpr const char* kNewDrawerName = "新しい引出し";
constexpr const char* kOpenDrawerPicture = "DOImage";
constexpr const char* kDrawerPicture = "DSImage";
constexpr const char* kBackupStamp = "mmddhhnnss";  // month, day, hour, minute, second
constexpr const char* kNoMemory = "メモリ不足";
// The importers' message for a drawer that cannot take the mails.
constexpr const char* kCannotOpenFiles = "ファイルが開けません";
constexpr size_t kItemFieldBytes = 25;
constexpr int kColumnWidth = 150;
constexpr int kColumnStep = 152;

using F = TMainForm;

// The two own drawers PostPet's marker sorts into; they cannot be deleted.
bool IsProtectedName(const std::string& name) { return name == kSecretDiary || name == kPetMail; }

// A field of the mail list's item text, as "%-25s" gives it: cut after its
// 25th byte (never inside a double-byte character) and padded to 25 bytes.
void AppendItemField(std::string& item, std::string_view text) {
  const size_t length = platform::SjisPrefixLength(text, kItemFieldBytes);
  item.append(text.data(), length).append(kItemFieldBytes - length, ' ');
}

// Characters as the text pane counts them: each Shift-JIS character is one.
int CharacterCount(std::string_view text) {
  int count = 0;
  for (size_t i = 0; i < text.size(); ++i, ++count)
    if (platform::IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ++i;
  return count;
}

void SetFont(TControl* control, int pixels, bool bold) {
  control->Font->SetSize(pixels);
  control->Font->SetBold(bold);
}

// The global HeadEndDlg names the dialog while it is shown.
class ShownHeadEndDlg {
 public:
  explicit ShownHeadEndDlg(THeadEndDlg& dialog) { HeadEndDlg = &dialog; }
  ~ShownHeadEndDlg() { HeadEndDlg = nullptr; }
  ShownHeadEndDlg(const ShownHeadEndDlg&) = delete;
  ShownHeadEndDlg& operator=(const ShownHeadEndDlg&) = delete;
};

// What an import says of a drawer that cannot take its mails: the same for
// files that cannot be opened and for a mail file that can grow no more.
std::string ImportFailureText(const StoreResult& result) {
  switch (result.failure) {
    case StoreFailure::CannotOpenMailFile:
    case StoreFailure::CannotOpenListFile:
    case StoreFailure::MailFileFull: return kCannotOpenFiles;
    default: return result.Message();
  }
}

}  // namespace

TMainForm::TMainForm(TComponent* owner) : TForm(owner) {
  BuildWindow();
  BuildDrawerPane();
  BuildMailListPane();
  BuildMailView();
  BuildMenus();
  BuildDialogs();

  exeDir = platform::ExeDir();
  CreateOwnBookFolders(exeDir);
  ReadRegSettings();
  LoadFontSetting();
  const StoreResult names = LoadDrawerRows();
  ResetDrawerState();
  ReloadOpenDrawer(0);
  ShowIfFailed(names);
}

TMainForm::~TMainForm() { DestroyComponents(); }

// ---------------------------------------------------------------------------
// Opening drawers and showing mails

void TMainForm::DrawerListClick(TObject*) {
  const int row = DrawerList->ItemIndex();
  if (row == openDrawer) return;
  openDrawer = row;
  ReleaseLoadedMails();
  DrawerList->Repaint();
  ClearMailPanes();
  LoadOpenDrawer();
}

void TMainForm::MailListClick(TObject*) {
  const int row = MailList->ItemIndex();
  if (!hasMails || row < 0 || row >= mailCount || row == shownMail) return;
  shownMail = row;
  const MailEntry* entry = entries[row];
  if (!entry) return ErrorBox(kDataBroken);
  const std::string path = GetMailFileName(openDrawer);
  const ::MailText body = path.empty() ? ::MailText{} : ReadShownBody(path, *entry);
  if (!body.opened) return ErrorBox(kCannotOpenMailFile);
  ShowMail(*entry, body.bytes);
}

void TMainForm::DrawerListMeasureItem(TWinControl*, int Index, int& Height) {
  Height = std::max(Height, PictureOf(Index).Height());
}

void TMainForm::DrawerListDrawItem(TWinControl*, int Index, const TRect& Rect, TOwnerDrawState) {
  TCanvas& canvas = *DrawerList->Canvas;
  canvas.FillRect(Rect);
  const TBitmap& picture = PictureOf(Index);
  canvas.Draw(Rect.Left + 2, Rect.Top, picture);
  canvas.TextOut(Rect.Left + 2 + picture.Width() + 4, Rect.Top + 11, RowText(Index));
}

void TMainForm::MailListDrawItem(TWinControl*, int Index, const TRect& Rect, TOwnerDrawState) {
  TCanvas& canvas = *MailList->Canvas;
  canvas.FillRect(Rect);
  if (Index < 0 || Index >= mailCount || !entries[Index]) return;
  const MailEntry& entry = *entries[Index];
  const std::string_view texts[] = {entry.Shown(isReceiveBook ? MailField::From : MailField::To),
                                    entry.Shown(MailField::Date), entry.Shown(MailField::Subject)};
  for (int column = 0; column < 3; ++column) {
    const int left = Rect.Left + column * kColumnStep;
    const TRect clip{left, Rect.Top, left + kColumnWidth, Rect.Bottom};
    canvas.TextRect(clip, left + 1, Rect.Top + 2, std::string(texts[column]));
  }
}

void TMainForm::FormClose(TObject*, TCloseAction&) {
  RemoveViewerTextCopy(exeDir);
  ReleaseLoadedMails();
}

void TMainForm::ReadRegSettings() {
  SettingsKey key;
  if (key.Has(Setting::PostPetFolder)) ppPath = key.Read(Setting::PostPetFolder);
  if (key.Has(Setting::Viewer)) viewerPath = key.Read(Setting::Viewer);
}

void TMainForm::LoadFontSetting() { ::LoadFontSetting({DrawerList, MailText, MailList}); }

void TMainForm::FontSetClick(TObject*) {
  if (!FontDialog->Execute()) return;
  SettingsKey().Write(Setting::Font, FontDialog->Font->Name());
  LoadFontSetting();
}

// ---------------------------------------------------------------------------
// Drawers and books

void TMainForm::NewDrawerClick(TObject*) {
  if (!DrawerNamesWritable()) return;
  const std::string name = AskDrawerName(kNewDrawerName);
  if (name.empty()) return;
  ShowOwnRows(AddOwnDrawer(NameFile(), name));
}

void TMainForm::DwMenuRnmClick(TObject*) {
  const int oldRow = openDrawer;
  if (!IsOwnRow(oldRow)) return;  // PostPet's own files are never renamed
  if (!DrawerNamesWritable()) return;
  const std::string oldName = RowText(oldRow);
  const std::string newName = AskDrawerName(oldName);
  if (newName.empty()) return;
  const bool renamed = ShowOwnRows(RenameOpenDrawer(oldName, newName));
  // Rows are found among the own rows, not by name alone: an own drawer may
  // share its name with one of PostPet's rows.
  ReloadOpenDrawer(std::max(OwnRowNamed(renamed ? newName : oldName), 0));
}

void TMainForm::DeleteClick(TObject* Sender) {
  // The pop-ups act on the list they belong to; the main menu on the focused list.
  const bool onDrawers = Sender == DwMenuDel || (Sender != MlMenuDel && ControlHasFocus("DrawerList"));
  if (onDrawers) DeleteDrawer();
  else DeleteMails();
  DrawerListClick(this);
}

void TMainForm::DeleteDrawer() {
  const int row = DrawerList->ItemIndex();
  if (!IsDeletableRow(row) || !DrawerNamesWritable()) return;
  const std::string name = RowText(row);
  // Asked about the mails of the drawer being deleted, whichever drawer is open.
  const std::optional<DrawerFiles> files = DrawerFilesOf(row);
  const char* question = files && DrawerHoldsMails(*files)
                             ? "引出し\"%s\"に含まれるメールも削除されます。\nよろしいですか"
                             : "引出し\"%s\"を削除します。\nよろしいですか";
  if (!ConfirmBox(Format(question, name.c_str()))) return;
  if (ShowOwnRows(DeleteOwnDrawer(NameFile(), name, files ? &*files : nullptr))) DrawerList->SetItemIndex(0);
}

void TMainForm::DeleteMails() {
  StoreResult result;
  if (ConfirmMailDeletes()) {
    currentEntry = nullptr;
    dragMail = -1;
    result = RewriteOpenDrawer();
  }
  // The open drawer is read afresh, whatever row the drawer list shows
  // selected, before a refusal is shown over it.
  ReloadOpenDrawer();
  ShowIfFailed(result);
}

void TMainForm::DsUpClick(TObject*) {
  if (DrawerNamesWritable()) SortOwnDrawers(NameOrder::Ascending);
}

void TMainForm::DsDownClick(TObject*) {
  if (DrawerNamesWritable()) SortOwnDrawers(NameOrder::Descending);
}

void TMainForm::MBoxChangeClick(TObject*) {
  isReceiveBook = !isReceiveBook;
  ReleaseLoadedMails();
  ShowBookCaptions();
  fixedDrawerCount = FixedDrawerCount(isReceiveBook);
  // Reset before the names are read, so that an unreadable name file leaves
  // a book whose fixed rows open normally.
  ResetDrawerState();
  const StoreResult names = LoadDrawerRows();
  ReloadOpenDrawer(0);
  ShowIfFailed(names);
}

void TMainForm::DwSpCfgClick(TObject*) { SubjectCfg->SetEnabled(isReceiveBook); }

void TMainForm::PPFolderSetClick(TObject*) {
  auto dialog = std::make_unique<TSelPPDlg>(this);
  SelPPDlg = dialog.get();
  SelPPDlg->CurrentPPF->SetCaption(platform::DesktopPath(ppPath));
  SelPPDlg->exeDir = exeDir;
  if (SelPPDlg->ShowModal() == mrOk) ReadRegSettings();
  dialog.reset();
  SelPPDlg = nullptr;
  ReloadOpenDrawer(0);
}

void TMainForm::MLBoxBkupClick(TObject*) {
  if (isReceiveBook) BackupReceiveBook();
  else BackupSendBook();
}

void TMainForm::BackupReceiveBook() {
  ShowIfFailed(BackupBook(ppPath, true, FormatDateTime(kBackupStamp, Now())));
}

void TMainForm::BackupSendBook() {
  ShowIfFailed(BackupBook(ppPath, false, FormatDateTime(kBackupStamp, Now())));
}

void TMainForm::MlSortDateUpClick(TObject*) {
  sortDirection = kDateUp;
  SortOpenDrawerByDate();
}

void TMainForm::MlSortDateDownClick(TObject*) {
  sortDirection = kDateDown;
  SortOpenDrawerByDate();
}

void TMainForm::AddressCfgClick(TObject*) {
  ShowRuleEditor(isReceiveBook ? kAddressRuleFileName : kSendRuleFileName, false);
}

void TMainForm::SubjectCfgClick(TObject*) { ShowRuleEditor(kSubjectRuleFileName, true); }

// The editor offers every row of the drawer list as a drawer name.
void TMainForm::ShowRuleEditor(const char* ruleFileName, bool subjectMode) {
  auto names = std::make_unique<TStringList>(DrawerList->Items->ToStringList());
  auto dialog = std::make_unique<TDrwSetDlg>(this);
  dialog->cfgPath = Format("%s\\%s", exeDir.c_str(), ruleFileName);
  dialog->addrBookPath = FriendBookPath(ppPath);
  dialog->drawerNames = names.get();
  dialog->subjectMode = subjectMode;
  DrwSetDlg = dialog.get();
  dialog->ShowModal();
  DrwSetDlg = nullptr;
}

// ---------------------------------------------------------------------------
// Menus, copy and find

void TMainForm::FileClick(TObject*) { AutoSeparate->SetEnabled(hasMails); }

void TMainForm::EditClick(TObject*) {
  ExecViewer->SetEnabled(hasMails);
  Delete->SetEnabled((ControlHasFocus("DrawerList") && IsDeletableRow(DrawerList->ItemIndex())) ||
                     ControlHasFocus("MailList"));
  Copy->SetEnabled(MailText->SelLength() > 0);
  Reply->SetEnabled(isReceiveBook && hasMails);
  Find->SetEnabled(hasMails);
}

void TMainForm::DwMenuPopup(TObject*) {
  const int row = DrawerList->ItemIndex();
  DwMenuAtS->SetEnabled(hasMails);
  DwMenuDel->SetEnabled(IsDeletableRow(row));
  DwMenuRnm->SetEnabled(IsOwnRow(row));
}

void TMainForm::MlMenuPopup(TObject*) {
  MlMenuReply->SetEnabled(isReceiveBook && hasMails);
  MlMenuDel->SetEnabled(hasMails);
}

void TMainForm::MtMenuPopup(TObject*) {
  MtMenuCopy->SetEnabled(MailText->SelLength() > 0);
  MtMenuReply->SetEnabled(isReceiveBook && hasMails);
  MtMenuFind->SetEnabled(hasMails);
  MtMenuViewer->SetEnabled(hasMails);
}

void TMainForm::CopyClick(TObject*) { MailText->CopyToClipboard(); }

void TMainForm::FindClick(TObject*) {
  FindDlg->Execute();
  if (MailText->SelLength() > 0) FindDlg->SetFindText(MailText->SelText());
}

void TMainForm::FindDlgFind(TObject*) {
  TSearchTypes options = 0;
  if (FindDlg->Options() & frMatchCase) options |= stMatchCase;
  if (FindDlg->Options() & frWholeWord) options |= stWholeWord;
  const int start = MailText->SelLength() > 0 ? MailText->SelStart() + MailText->SelLength() : 0;
  const std::string text = FindDlg->FindText();
  const int found = MailText->FindText(text, start, MailText->GetTextLen() - start, options);
  if (found < 0) return;
  MailText->SetFocus();
  MailText->SetSelStart(found);
  MailText->SetSelLength(CharacterCount(text));
}

void TMainForm::ExitClick(TObject*) { Close(); }

// ---------------------------------------------------------------------------
// Hand-overs to other programs

void TMainForm::ReplyClick(TObject*) {
  const ShownMail mail{MailText->Lines->ToVector(), FromAdd->Caption(), MailSubject->Caption()};
  ShowIfNotStarted(StartReply(mail, exeDir));
}

void TMainForm::ExecViewerClick(TObject*) {
  ShowIfNotStarted(OpenInViewer(MailText->Text(), viewerPath, exeDir));
}

void TMainForm::ViewerSetClick(TObject*) {
  auto dialog = std::make_unique<TViewSetDlg>(this);
  ViewSetDlg = dialog.get();
  const bool stored = dialog->ShowModal() == mrOk;
  ViewSetDlg = nullptr;
  if (stored) ReadRegSettings();
}

void TMainForm::ContentsClick(TObject*) {
  platform::ShellOpen(Format("%s\\Help\\dvnIndex.htm", exeDir.c_str()));
}

void TMainForm::ShowIfNotStarted(HandOver result) {
  if (result == HandOver::NoScratchFile) ErrorBox("テンポラリファイルが開けません");
  if (result == HandOver::NotStarted) ShowMessage("CreateProcess Error");
}

void TMainForm::AboutClick(TObject*) {
  TAboutBox about(this, AboutProgram::Dorvane);
  about.ShowModal();
}

// ---------------------------------------------------------------------------
// Moving mails by drag and drop

void TMainForm::MailListMouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
  if (Button != mbLeft) return;
  const int row = MailList->ItemAtPos(TPoint{X, Y}, true);
  // Only a press on a row of the open drawer arms a drag.
  currentEntry = nullptr;
  dragMail = -1;
  if (row < 0 || !hasMails) return;
  // The list has made the row current already when the press came from the
  // mouse; setting it again would undo a Ctrl-click's change of selection.
  if (MailList->ItemIndex() != row) MailList->SetItemIndex(row);
  MailListClick(this);
  currentEntry = entries[shownMail];
  dragMail = currentEntry ? shownMail : -1;
}

void TMainForm::MailListMouseMove(TObject*, TShiftState Shift, int, int) {
  if ((Shift & ssLeft) && hasMails && currentEntry && !MailList->Dragging())
    MailList->BeginDrag(true);
}

void TMainForm::DrawerListDragOver(TObject*, TObject* Source, int X, int Y, TDragState,
                                   bool& Accept) {
  const int row = DrawerList->ItemAtPos(TPoint{X, Y}, true);
  Accept = Source && Source->ClassName() == "TListBox" && currentEntry && row >= 0 &&
           row != openDrawer;
  if (!Accept || row == dropTarget) return;
  dropTarget = row;
  DrawerList->Repaint();
}

void TMainForm::DrawerListDragDrop(TObject*, TObject* Source, int X, int Y) {
  const int row = DrawerList->ItemAtPos(TPoint{X, Y}, true);
  if (!Source || Source->ClassName() != "TListBox" || row < 0 || row == openDrawer) return;
  if (!currentEntry) return;
  const std::optional<DrawerFiles> target = DrawerFilesOf(row);
  const std::optional<DrawerFiles> source = DrawerFilesOf(openDrawer);
  // Two rows of one name share their files: moving there would only duplicate.
  if (target && source && target->mailPath == source->mailPath) return;
  if (!target || !source) {
    ClearDropMark();  // nothing changed on disk: the rows and their selection stay
    return ErrorBox(kCannotOpenMailFile);
  }
  const std::vector<const MailEntry*> moved = TakeMovedMails();
  if (moved.empty()) return;
  const StoreResult result = MoveMails(*source, m_listing, moved, KeptEntries(), *target);
  currentEntry = nullptr;  // the drag's mails went the store's way: the end of the drag opens the target
  if (!result.Ok()) RefuseMove(result);
}

// The move itself happened at the drop; what is left is opening the drawer
// that now shows the files as they are.
void TMainForm::MailListEndDrag(TObject*, TObject*, int, int) {
  if (currentEntry || dropTarget < 0) return ClearDropMark();  // nothing was moved
  DrawerList->SetItemIndex(dropTarget);
  dropTarget = -1;
  dragMail = -1;
  DrawerListClick(this);
}

// ---------------------------------------------------------------------------
// Importing mails

void TMainForm::PPtxtFileClick(TObject*) {
  if (!OpenDialog->Execute()) return;
  OneMailFiles mails(OpenDialog->Files);
  ImportFiles(mails);
}

void TMainForm::SMailFileClick(TObject*) {
  const std::optional<std::string> headerEndText = AskHeaderEndText();
  if (!headerEndText || !OpenDialog->Execute()) return;
  OneMailFiles mails(OpenDialog->Files, *headerEndText);
  ImportFiles(mails);
}

void TMainForm::DwMenuPPMClick(TObject*) {
  ReloadAfter([this] { ImportMultiMailFile(); });
}

void TMainForm::ImportMultiMailFile() {
  if (!OpenDialog->Execute()) return;
  WithProgress([this] {
    MultiMailFile mails(OpenDialog->FileName);
    AppendToOpenDrawer(mails);
  });
}

// ---------------------------------------------------------------------------
// The mail store

std::string TMainForm::GetListFileName(int row) const {
  const std::optional<DrawerFiles> files = DrawerFilesOf(row);
  return files ? files->listPath : std::string();
}

std::string TMainForm::GetMailFileName(int row) const {
  const std::optional<DrawerFiles> files = DrawerFilesOf(row);
  return files ? files->mailPath : std::string();
}

void TMainForm::FreeMailEntries() {
  entries.clear();
  m_listing = DrawerListing();
  mailCount = 0;
}

// ---------------------------------------------------------------------------
// Building the window

void TMainForm::BuildWindow() {
  SetName("MainForm");
  SetCaption("Dorvane");
  SetClientWidth(682);
  SetClientHeight(439);
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu | biMinimize);
  SetPosition(poDefault);
  SetShowHint(true);
  Font->SetName(kFormFace);
  Font->SetSize(12);
  SetIcon("DorvaneIcon");
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
}

void TMainForm::BuildDrawerPane() {
  for (auto [picture, name] : {std::pair{&m_openPicture, kOpenDrawerPicture},
                               std::pair{&m_closedPicture, kDrawerPicture}}) {
    picture->LoadFromResourceName(name);
    picture->Transparent = true;
    picture->TransparentColor = clRed;
  }
  Label1 = PlaceHeading(this, "Label1", "受信簿・引出し", 8, 8);
  DrawerList = Place<TListBox>(this, "DrawerList", Bounds(8, 24, 177, 393));
  DrawerList->SetStyle(lbOwnerDrawVariable);
  DrawerList->SetItemHeight(16);
  SetFont(DrawerList, 13, true);
  DrawerList->SetHint("引出しを選択");
  DrawerList->OnClick = [this](TObject* s) { DrawerListClick(s); };
  DrawerList->OnDragOver = [this](TObject* s, TObject* src, int x, int y, TDragState st, bool& a) {
    DrawerListDragOver(s, src, x, y, st, a);
  };
  DrawerList->OnDragDrop = [this](TObject* s, TObject* src, int x, int y) {
    DrawerListDragDrop(s, src, x, y);
  };
  DrawerList->OnDrawItem = [this](TWinControl* c, int i, const TRect& r, TOwnerDrawState st) {
    DrawerListDrawItem(c, i, r, st);
  };
  DrawerList->OnMeasureItem = [this](TWinControl* c, int i, int& h) { DrawerListMeasureItem(c, i, h); };
}

void TMainForm::BuildMailListPane() {
  Label2 = PlaceHeading(this, "Label2", "一覧", 192, 9);
  const char* heads[] = {"From", "Date", "Subject"};
  TStaticText** columns[] = {&StaticText1, &StaticText2, &StaticText3};
  for (int i = 0; i < 3; ++i) {
    TStaticText* head = Place<TStaticText>(this, Format("StaticText%d", i + 1).c_str(),
                                           Bounds(192 + i * kColumnStep, 24, kColumnWidth, 16), heads[i]);
    head->SetAlignment(taCenter);
    head->SetBorderStyle(sbsSunken);
    head->SetColor(clYellow);
    SetFont(head, 13, true);
    *columns[i] = head;
  }
  MailList = Place<TListBox>(this, "MailList", Bounds(192, 40, 473, 105));
  MailList->SetStyle(lbOwnerDrawFixed);
  MailList->SetItemHeight(16);
  MailList->SetMultiSelect(true);
  MailList->SetExtendedSelect(true);
  // The current row is the mail shown, however it moves: a click, a key.
  MailList->OnClick = [this](TObject* s) { MailListClick(s); };
  MailList->OnDrawItem = [this](TWinControl* c, int i, const TRect& r, TOwnerDrawState st) {
    MailListDrawItem(c, i, r, st);
  };
  MailList->OnEndDrag = [this](TObject* s, TObject* t, int x, int y) { MailListEndDrag(s, t, x, y); };
  MailList->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    MailListMouseDown(s, b, sh, x, y);
  };
  MailList->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) {
    MailListMouseMove(s, sh, x, y);
  };
}

void TMainForm::BuildMailView() {
  Bevel1 = Place<TBevel>(this, "Bevel1", Bounds(192, 152, 481, 281));
  Label3 = PlaceHeading(this, "Label3", "Ｆｒｏｍ", 224, 160);
  Label3->SetAlignment(taRightJustify);
  Label4 = PlaceHeading(this, "Label4", "Ｓｕｂｊｅｃｔ", 200, 184);
  Label5 = PlaceHeading(this, "Label5", "Ｄａｔｅ", 232, 208);
  Label6 = PlaceHeading(this, "Label6", "Ｔｅｘｔ", 232, 232);
  const char* names[] = {"FromAdd", "MailSubject", "MailDate"};
  const char* hints[] = {"メールの送信されたアドレス", "メールのタイトル", "メールの日付"};
  TStaticText** panes[] = {&FromAdd, &MailSubject, &MailDate};
  for (int i = 0; i < 3; ++i) {
    TStaticText* pane = Place<TStaticText>(this, names[i], Bounds(272, 160 + i * 24, 377, 16));
    pane->SetColor(clWhite);
    pane->SetBorderStyle(sbsSingle);
    pane->SetHint(hints[i]);
    *panes[i] = pane;
  }
  MailText = Place<TRichEdit>(this, "MailText", Bounds(272, 232, 393, 193));
  MailText->SetPlainText(true);
  MailText->SetReadOnly(true);
  MailText->SetScrollBars(ssBoth);
  MailText->SetWordWrap(false);
  MailText->SetHint("メール本文");
}

void TMainForm::BuildMenus() {
  BuildMainMenu();
  DwMenu = BuildPopupMenu("DwMenu", &TMainForm::DwMenuPopup, DrawerList);
  FillMenu(*this, *DwMenu, {
      {&F::DwMenuNew, nullptr, "DwMenuNew", "新規作成", 0, &F::NewDrawerClick},
      {&F::DwMenuDel, nullptr, "DwMenuDel", "削除", 0, &F::DeleteClick},
      {&F::DwMenuRnm, nullptr, "DwMenuRnm", "名称変更", 0, &F::DwMenuRnmClick},
      {nullptr, nullptr, "N9", "-"},
      {&F::DwMenuAtS, nullptr, "DwMenuAtS", "仕分け", 0, &F::AutoSeparateClick},
      {&F::DwMenuIn, nullptr, "DwMenuIn", "ｲﾝﾎﾟｰﾄ"},
      {&F::DwMenuPPF, &F::DwMenuIn, "DwMenuPPF", "PostPetﾃｷｽﾄ書き出しﾌｧｲﾙ", 0, &F::PPtxtFileClick},
      {&F::DwMenuSF, &F::DwMenuIn, "DwMenuSF", "1ﾒｰﾙ1ﾌｧｲﾙ形式", 0, &F::SMailFileClick},
      {nullptr, &F::DwMenuIn, "N10", "-"},
      {&F::DwMenuPPM, &F::DwMenuIn, "DwMenuPPM", "複数ﾒｰﾙ１ﾌｧｲﾙ形式（ppmﾌｧｲﾙ）", 0, &F::DwMenuPPMClick},
      {nullptr, nullptr, "N11", "-"},
      {&F::DwSort, nullptr, "DwSort", "ｿｰﾄ"},
      {&F::DsUp, &F::DwSort, "DsUp", "昇順", 0, &F::DsUpClick},
      {&F::DsDown, &F::DwSort, "DsDown", "降順", 0, &F::DsDownClick},
  });
  MlMenu = BuildPopupMenu("MlMenu", &TMainForm::MlMenuPopup, MailList);
  FillMenu(*this, *MlMenu, {
      {&F::MlMenuDel, nullptr, "MlMenuDel", "削除", 0, &F::DeleteClick},
      {nullptr, nullptr, "N12", "-"},
      {&F::MlMenuReply, nullptr, "MlMenuReply", "返事を書く", 0, &F::ReplyClick},
      {nullptr, nullptr, "N13", "-"},
      {&F::MlSort, nullptr, "MlSort", "ｿｰﾄ"},
      {&F::MlSortDateUp, &F::MlSort, "MlSortDateUp", "日付昇順", 0, &F::MlSortDateUpClick},
      {&F::MlSortDateDown, &F::MlSort, "MlSortDateDown", "日付降順", 0, &F::MlSortDateDownClick},
  });
  MtMenu = BuildPopupMenu("MtMenu", &TMainForm::MtMenuPopup, MailText);
  FillMenu(*this, *MtMenu, {
      {&F::MtMenuCopy, nullptr, "MtMenuCopy", "ｺﾋﾟｰ", 0, &F::CopyClick},
      {&F::MtMenuFind, nullptr, "MtMenuFind", "検索", 0, &F::FindClick},
      {&F::MtMenuViewer, nullptr, "MtMenuViewer", "ﾋﾞｭｰﾜ", 0, &F::ExecViewerClick},
      {nullptr, nullptr, "N14", "-"},
      {&F::MtMenuReply, nullptr, "MtMenuReply", "返事を書く", 0, &F::ReplyClick},
  });
}

// Items without a handler get their commands with later steps.
void TMainForm::BuildMainMenu() {
  MainMenu1 = Create<TMainMenu>(this);
  MainMenu1->SetName("MainMenu1");
  FillMenu(*this, *MainMenu1, {
      {&F::File, nullptr, "File", "ﾌｧｲﾙ(&F)", 0, &F::FileClick},
      {&F::MBoxChange, &F::File, "MBoxChange", "受信簿<->送信簿(&M)", Ctrl('M'), &F::MBoxChangeClick},
      {nullptr, &F::File, "N1", "-"},
      {&F::MLBoxBkup, &F::File, "MLBoxBkup", "ﾊﾞｯｸｱｯﾌﾟ(&B)", Ctrl('B'), &F::MLBoxBkupClick},
      {nullptr, &F::File, "N2", "-"},
      {&F::NewDrawer, &F::File, "NewDrawer", "引出し新規作成(&N)", Ctrl('N'), &F::NewDrawerClick},
      {&F::AutoSeparate, &F::File, "AutoSeparate", "仕分け(&S)", Ctrl('S'), &F::AutoSeparateClick},
      {&F::MailInport, &F::File, "MailInport", "ｲﾝﾎﾟｰﾄ(&I)"},
      {&F::PPtxtFile, &F::MailInport, "PPtxtFile", "PostPetﾃｷｽﾄ書き出しﾌｧｲﾙ(&P)", ShortCut(VK_INSERT, 0), &F::PPtxtFileClick},
      {&F::SMailFile, &F::MailInport, "SMailFile", "1ﾒｰﾙ1ﾌｧｲﾙ形式(&S)", ShortCut(VK_INSERT, ssShift), &F::SMailFileClick},
      {nullptr, &F::MailInport, "N3", "-"},
      {&F::MMailFile, &F::MailInport, "MMailFile", "複数ﾒｰﾙ１ﾌｧｲﾙ形式（ppmﾌｧｲﾙ）", ShortCut(VK_INSERT, ssCtrl), &F::DwMenuPPMClick},
      {nullptr, &F::File, "N4", "-"},
      {&F::Exit, &F::File, "Exit", "終了(&X)", 0, &F::ExitClick},
      {&F::Edit, nullptr, "Edit", "編集(&E)", 0, &F::EditClick},
      {&F::Copy, &F::Edit, "Copy", "ｺﾋﾟｰ(&C)", Ctrl('C'), &F::CopyClick},
      {&F::Find, &F::Edit, "Find", "検索(&F)...", Ctrl('F'), &F::FindClick},
      {nullptr, &F::Edit, "N5", "-"},
      {&F::ExecViewer, &F::Edit, "ExecViewer", "ﾋﾞｭｰﾜ(&V)", Ctrl('V'), &F::ExecViewerClick},
      {nullptr, &F::Edit, "N6", "-"},
      {&F::Delete, &F::Edit, "Delete", "削除(&D)", Ctrl('D'), &F::DeleteClick},
      {nullptr, &F::Edit, "N7", "-"},
      {&F::Reply, &F::Edit, "Reply", "返事を書く(&R)", Ctrl('R'), &F::ReplyClick},
      {&F::Option, nullptr, "Option", "設定(&O)"},
      {&F::PPFolderSet, &F::Option, "PPFolderSet", "PostPetﾌｫﾙﾀﾞ(&P)", 0, &F::PPFolderSetClick},
      {&F::ViewerSet, &F::Option, "ViewerSet", "ﾋﾞｭｰﾜ(&V)", 0, &F::ViewerSetClick},
      {&F::FontSet, &F::Option, "FontSet", "ﾌｫﾝﾄ(&F)", 0, &F::FontSetClick},
      {nullptr, &F::Option, "N8", "-"},
      {&F::DwSpCfg, &F::Option, "DwSpCfg", "仕分け設定'(&C)", 0, &F::DwSpCfgClick},
      {&F::AddressCfg, &F::DwSpCfg, "AddressCfg", "ｱﾄﾞﾚｽ設定(&A)", Ctrl('A'), &F::AddressCfgClick},
      {&F::SubjectCfg, &F::DwSpCfg, "SubjectCfg", "Subject設定(&T)", Ctrl('T'), &F::SubjectCfgClick},
      {&F::Help, nullptr, "Help", "ﾍﾙﾌﾟ(&H)"},
      {&F::Contents, &F::Help, "Contents", "目次(&C)", ShortCut(VK_F1, 0), &F::ContentsClick},
      {&F::About, &F::Help, "About", "ﾊﾞｰｼﾞｮﾝ情報(&A)", 0, &F::AboutClick},
  });
  SetMenu(MainMenu1);
}

TPopupMenu* TMainForm::BuildPopupMenu(const char* name, void (TMainForm::*onPopup)(TObject*),
                                      TControl* control) {
  auto* menu = Create<TPopupMenu>(this);
  menu->SetName(name);
  menu->OnPopup = [this, onPopup](TObject* s) { (this->*onPopup)(s); };
  control->SetPopupMenu(menu);
  return menu;
}

void TMainForm::BuildDialogs() {
  FindDlg = Create<TFindDialog>(this);
  FindDlg->SetName("FindDlg");
  FindDlg->SetOptions(frDown | frHideUpDown);
  FindDlg->OnFind = [this](TObject* s) { FindDlgFind(s); };
  FontDialog = Create<TFontDialog>(this);
  FontDialog->SetName("FontDialog");
  FontDialog->Options = fdTrueTypeOnly | fdScalableOnly | fdNoSizeSel | fdNoStyleSel;
  FontDialog->Font->SetName(kFormFace);
  OpenDialog = Create<TOpenDialog>(this);
  OpenDialog->SetName("OpenDialog");
  OpenDialog->Options = ofAllowMultiSelect | ofFileMustExist | ofNoChangeDir;
}

// ---------------------------------------------------------------------------
// Automatic sorting

void TMainForm::AutoSeparateClick(TObject*) {
  if (isReceiveBook) AutoSeparateRecv();
  else AutoSeparateSend();
}

void TMainForm::AutoSeparateRecv() {
  SortDialogs dialogs(*this, SortDialogs::Book::Receive);
  SeparateOpenDrawer(dialogs);
}

void TMainForm::AutoSeparateSend() {
  SortDialogs dialogs(*this, SortDialogs::Book::Send);
  SeparateOpenDrawer(dialogs);
}

// The run may add drawer rows, so the DrawerNameFile must be writable first.
// The open drawer is read anew after the run, or after a stop.
void TMainForm::SeparateOpenDrawer(SortQuestions& questions) {
  if (!hasMails || openDrawer < 0 || !DrawerNamesWritable()) return;
  auto progress = std::make_unique<ProgressWindow>(this);
  progress->Show();
  SortBook book{Book(), DrawerList->Items->ToVector(), openDrawer};
  const StoreResult result = SortDrawer(book, m_listing, questions);
  progress.reset();
  ReReadRowsIfChanged(result);
  ReloadOpenDrawer();
  ShowIfFailed(result);
}

// ---------------------------------------------------------------------------
// Helpers

BookPlace TMainForm::Book() const { return {ppPath, exeDir, isReceiveBook, fixedDrawerCount}; }

std::optional<DrawerFiles> TMainForm::DrawerFilesOf(int row) const {
  if (row < 0 || row >= DrawerList->Items->Count()) return std::nullopt;
  return GetDrawerFiles(Book(), row, RowText(row));
}

// The open drawer and the drop target show the open-drawer picture.
const TBitmap& TMainForm::PictureOf(int row) const {
  return row == openDrawer || row == dropTarget ? m_openPicture : m_closedPicture;
}

std::string TMainForm::RowText(int row) const { return DrawerList->Items->Strings(row); }

bool TMainForm::IsOwnRow(int row) const { return row >= fixedDrawerCount; }

bool TMainForm::IsDeletableRow(int row) const {
  return IsOwnRow(row) && row < DrawerList->Items->Count() && !IsProtectedName(RowText(row));
}

bool TMainForm::ControlHasFocus(const char* name) const {
  const TControl* active = ActiveControl();
  return active && active->Name() == name;
}

// The book's fixed rows, then its own drawers: the DrawerNameFile's lines,
// or the receive book's two defaults while there is no file. A file that
// cannot be read gives the fixed rows alone, and its message.
StoreResult TMainForm::LoadDrawerRows() {
  DrawerList->Items->Assign(FixedDrawerNames(isReceiveBook));
  drawerCfgPath = NameFile().path;
  const DrawerNames file = LoadOwnDrawerNames(NameFile());
  AddOwnRows(file);
  return file.result;
}

void TMainForm::AddOwnRows(const DrawerNames& file) {
  m_ownRowsUnread = !file.result.Ok();
  if (!file.exists) DrawerList->Items->AddStrings(NameFile().defaults);
  DrawerList->Items->AddStrings(file.names);
}

// The DrawerNameFile may be rewritten only while it can be read (or is
// missing); otherwise its message is shown and the command refused. Rows it
// could not give before are added once it reads again.
bool TMainForm::DrawerNamesWritable() {
  const DrawerNames file = ReadDrawerNameFile(drawerCfgPath);
  if (!file.result.Ok()) {
    ErrorBox(file.result.Message());
    return false;
  }
  if (m_ownRowsUnread) {
    AddOwnRows(file);
    DrawerList->Repaint();
  }
  return true;
}

void TMainForm::ShowIfFailed(const StoreResult& result) {
  if (!result.Ok()) ErrorBox(result.Message());
}

DrawerNameFile TMainForm::NameFile() const { return DrawerNameFileOf(Book()); }

// The own rows as the store left them: what this command did, and what
// another window did meanwhile. The open drawer stays open at its row; when
// another window deleted it, the book is opened instead. True when the
// command was carried out; otherwise its message is shown.
bool TMainForm::ShowOwnRows(const NamesChanged& changed) {
  if (changed.result.failure != StoreFailure::CannotReadFile) ShowOwnNames(changed.names);
  ShowIfFailed(changed.result);
  return changed.result.Ok();
}

void TMainForm::ShowOwnNames(const std::vector<std::string>& names) {
  const std::string openName = IsOwnRow(openDrawer) ? RowText(openDrawer) : std::string();
  std::vector<std::string> rows = FixedDrawerNames(isReceiveBook);
  rows.insert(rows.end(), names.begin(), names.end());
  DrawerList->Items->Assign(rows);
  m_ownRowsUnread = false;
  if (!openName.empty()) openDrawer = OwnRowNamed(openName);
  DrawerList->SetItemIndex(std::max(openDrawer, 0));
  DrawerList->Repaint();
  if (openDrawer < 0) DrawerListClick(this);
}

// A write refused because a drawer it wrote into is no longer listed shows
// the rows as the DrawerNameFile now gives them, before its message.
void TMainForm::ReReadRowsIfChanged(const StoreResult& result) {
  if (result.failure != StoreFailure::DrawerChanged) return;
  const DrawerNames current = CurrentDrawerNames(NameFile());
  if (current.result.Ok()) ShowOwnNames(current.names);
}

// Searched among the own rows only, where an own drawer named like one of
// PostPet's rows stands; -1 when there is none.
int TMainForm::OwnRowNamed(const std::string& name) const {
  const std::vector<std::string> rows = DrawerList->Items->ToVector();
  const auto own = rows.begin() + std::min<size_t>(fixedDrawerCount, rows.size());
  const auto found = std::find(own, rows.end(), name);
  return found == rows.end() ? -1 : static_cast<int>(found - rows.begin());
}

// The open drawer stays open at its new row.
void TMainForm::SortOwnDrawers(NameOrder order) {
  if (ShowOwnRows(SortOwnDrawerNames(NameFile(), order))) ReloadOpenDrawer(openDrawer);
}

void TMainForm::ShowBookCaptions() {
  Label1->SetCaption(isReceiveBook ? "受信簿・引出し" : "送信簿・引出し");
  StaticText1->SetCaption(isReceiveBook ? "From" : "To");
  Label3->SetCaption(isReceiveBook ? "Ｆｒｏｍ" : "Ｔｏ");
}

void TMainForm::ResetDrawerState() {
  openDrawer = -1;
  shownMail = -1;
  mailCount = 0;
  dropTarget = -1;
  currentEntry = nullptr;
  dragMail = -1;
  hasMails = false;
}

void TMainForm::ReleaseLoadedMails() {
  FreeMailEntries();
  // A drag armed on these rows has nothing left to move or to drop.
  currentEntry = nullptr;
  dragMail = -1;
  dropTarget = -1;
  MailList->Items->Clear();
}

void TMainForm::ClearMailPanes() {
  FromAdd->SetCaption("");
  MailSubject->SetCaption("");
  MailDate->SetCaption("");
  MailText->Clear();
  shownMail = -1;
}

void TMainForm::LoadOpenDrawer() {
  const std::optional<DrawerFiles> files = DrawerFilesOf(openDrawer);
  m_listing = files ? ReadDrawer(*files) : DrawerListing();
  if (m_listing.message) ErrorBox(m_listing.message);
  entries = m_listing.entries;
  hasMails = m_listing.hasMails;
  mailCount = static_cast<int>(entries.size());
  std::vector<std::string> items;
  items.reserve(entries.size());
  for (const auto& entry : entries) items.push_back(MailItemText(*entry));
  MailList->Items->Assign(items);
  if (mailCount == 0) return;
  MailList->SetItemIndex(mailCount - 1);
  MailListClick(this);
}

std::string TMainForm::MailItemText(const MailEntry& entry) const {
  std::string item;
  AppendItemField(item, entry.Shown(isReceiveBook ? MailField::From : MailField::To));
  AppendItemField(item += ' ', entry.Shown(MailField::Date));
  AppendItemField(item += ' ', entry.Shown(MailField::Subject));
  return item;
}

void TMainForm::ShowMail(const MailEntry& entry, const std::string& body) {
  FromAdd->SetCaption(std::string(entry.Shown(isReceiveBook ? MailField::From : MailField::To)));
  MailSubject->SetCaption(std::string(entry.Shown(MailField::Subject)));
  MailDate->SetCaption(std::string(entry.Shown(MailField::Date)));
  MailText->SetText(body);
}

// Shows the name dialog; the entered name, or empty after Cancel.
std::string TMainForm::AskDrawerName(const std::string& initialName) {
  TStringList rows;
  for (const std::string& row : DrawerList->Items->ToVector()) rows.Add(row);
  TDNameDlg dialog(this);
  dialog.DrawerName->SetText(initialName);
  dialog.drawerNames = &rows;
  if (dialog.ShowModal() != mrOk) return std::string();
  return dialog.DrawerName->Text();
}

// The old files stay where they are when the copy fails ("コピー失敗").
NamesChanged TMainForm::RenameOpenDrawer(const std::string& oldName, const std::string& newName) {
  const std::optional<DrawerFiles> from = DrawerFilesOf(openDrawer);
  // The new name's files, as those of a new own row.
  const std::optional<DrawerFiles> to = GetDrawerFiles(Book(), fixedDrawerCount, newName);
  if (!from || !to) return {{StoreFailure::CopyFailed}, OwnDrawerRows()};
  return RenameOwnDrawer(NameFile(), oldName, newName, *from, *to);
}

std::vector<std::string> TMainForm::OwnDrawerRows() const {
  std::vector<std::string> rows = DrawerList->Items->ToVector();
  rows.erase(rows.begin(), rows.begin() + std::min<size_t>(fixedDrawerCount, rows.size()));
  return rows;
}

// The mails a drop moves: the drag's mail when one mail is selected, else
// every selected mail in row order, whose slots are emptied so that the
// source keeps the rest.
std::vector<const MailEntry*> TMainForm::TakeMovedMails() {
  if (MailList->SelCount() == 1) return {currentEntry};
  std::vector<const MailEntry*> moved;
  for (int row = 0; row < mailCount; ++row) {
    if (!MailList->Selected(row) || !entries[row]) continue;
    moved.push_back(entries[row]);
    entries[row] = nullptr;
  }
  dragMail = -1;
  return moved;
}

StoreResult TMainForm::RewriteOpenDrawer() {
  const std::optional<DrawerFiles> files = DrawerFilesOf(openDrawer);
  return files ? RewriteDrawer(*files, m_listing, KeptEntries()) : StoreResult{StoreFailure::CannotOpenMailFile};
}

std::vector<const MailEntry*> TMainForm::KeptEntries() const {
  std::vector<const MailEntry*> kept;
  for (int row = 0; row < mailCount; ++row)
    if (row != dragMail && entries[row]) kept.push_back(entries[row]);
  return kept;
}

// The drawer under the drag's last position shows the closed picture again.
void TMainForm::ClearDropMark() {
  dropTarget = -1;
  DrawerList->Repaint();
}

// A move that was refused or stopped reads the source drawer again before it
// says why: the box stands over the rows, panes and pictures its files give
// now, never over text read at offsets another program has changed. The end
// of the drag then finds nothing to open.
void TMainForm::RefuseMove(const StoreResult& result) {
  ReReadRowsIfChanged(result);
  ReloadOpenDrawer();
  ErrorBox(result.Message());
}

// The rows are sorted in memory and written in their new order by one
// rewrite; the drawer is then read again, showing what its files hold.
void TMainForm::SortOpenDrawerByDate() {
  SortMailsByDate(entries, sortDirection);
  dropTarget = openDrawer;
  dragMail = -1;
  currentEntry = nullptr;
  const StoreResult result = RewriteOpenDrawer();
  dropTarget = -1;
  ReloadOpenDrawer();
  ShowIfFailed(result);
}

// Shows the header-end dialog with the history of dorvnhe.cfg; the text
// given, or none after Cancel. Every OK rewrites the history file.
std::optional<std::string> TMainForm::AskHeaderEndText() {
  THeadEndDlg dialog(this);
  const ShownHeadEndDlg shown(dialog);
  dialog.HEString->Items->Assign(LoadHeaderEndHistory(exeDir));
  if (dialog.ShowModal() != mrOk) return std::nullopt;
  SaveHeaderEndHistory(exeDir, dialog.HEString->Items->ToStringList());
  return dialog.HEString->Caption();
}

void TMainForm::ImportFiles(MailStream& mails) {
  ReloadAfter([&] { WithProgress([&] { AppendToOpenDrawer(mails); }); });
}

// The progress window is gone however the import ends.
void TMainForm::WithProgress(const std::function<void()>& import) {
  ProgressWindow progress(this);
  progress.Show();
  try {
    import();
  } catch (const std::bad_alloc&) {
    ErrorBox(kNoMemory);
  }
}

// The open drawer is read again also when command throws, before the
// exception goes on to be shown.
void TMainForm::ReloadAfter(const std::function<void()>& command) {
  try {
    command();
  } catch (...) {
    ReloadOpenDrawer();
    throw;
  }
  ReloadOpenDrawer();
}

void TMainForm::ReloadOpenDrawer(int row) {
  DrawerList->SetItemIndex(row);
  openDrawer = -1;
  DrawerListClick(this);
}

// One store call appends the whole stream and reports once; a stop of the
// stream's own is shown after it.
void TMainForm::AppendToOpenDrawer(MailStream& mails) {
  const std::optional<DrawerFiles> drawer = DrawerFilesOf(openDrawer);
  const StoreResult appended = drawer ? ImportMails(*drawer, mails) : StoreResult{StoreFailure::CannotOpenMailFile};
  if (!appended.Ok()) {
    ReReadRowsIfChanged(appended);
    return ErrorBox(ImportFailureText(appended));
  }
  if (const char* stop = mails.StopMessage()) ErrorBox(stop);
}

// Asks for each selected mail in row order until Cancel; true when at least
// one mail was confirmed (its slot is then empty).
bool TMainForm::ConfirmMailDeletes() {
  bool confirmed = false;
  for (int row = 0; row < mailCount; ++row) {
    if (!MailList->Selected(row) || !entries[row]) continue;
    const std::string subject(entries[row]->Shown(MailField::Subject));
    if (!ConfirmBox(Format("Subject\"%s\"を削除します。\nよろしいですか", subject.c_str()))) break;
    entries[row] = nullptr;
    confirmed = true;
  }
  return confirmed;
}
