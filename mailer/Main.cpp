#include "mailer/Main.h"

#include <ctime>
#include <memory>

#include "browser/common/About.h"
#include "browser/common/ErrorBox.h"
#include "browser/common/Heading.h"
#include "browser/common/FontSetting.h"
#include "browser/store/SettingsKey.h"
#include "mailer/Addform.h"
#include "mailer/Dstppf.h"
#include "mailer/ExternalEditor.h"
#include "mailer/FormParts.h"
#include "mailer/MailClientRegistration.h"
#include "mailer/MailDate.h"
#include "mailer/MailtoArgument.h"
#include "mailer/Optset.h"
#include "mailer/SendBook.h"
#include "mailer/SentMail.h"
#include "mailer/SmtpSettingsFile.h"
#include "mailer/Smtpopt.h"
#include "platform/base/Format.h"
#include "platform/files/Files.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "platform/process/Process.h"
#include "transport/Znsmtp.h"

TMainForm* MainForm = nullptr;

namespace {

std::vector<std::string>& ProgramArgumentList() {
  static std::vector<std::string> arguments;
  return arguments;
}

constexpr const char* kSent = "送信完了";
constexpr const char* kDiscardUnsent = "送信していないメールを破棄して終了しますか";
constexpr const char* kStopSending = "送信中です。送信を中止しますか";
constexpr const char* kSendingStatus = "送信中...";
constexpr const char* kCreateProcessError = "CreateProcess Error";
constexpr const char* kCannotRegister = "メールクライアントとして登録できませんでした";
// Bounds the connect and the host look-up; the replies have bounds of their own.
constexpr int kConnectTimeOut = 60 * 1000;
constexpr const char* kWindowFont = "ＭＳ Ｐゴシック";

void SetFieldFont(TControl* field) {
  field->Font->SetSize(13);
  field->Font->SetColor(clBlack);
}

}  // namespace

void SetProgramArguments(std::vector<std::string> arguments) {
  ProgramArgumentList() = std::move(arguments);
}

std::string ParamStr(int index) {
  const std::vector<std::string>& arguments = ProgramArgumentList();
  return index >= 0 && index < static_cast<int>(arguments.size()) ? arguments[index] : "";
}

TMainForm::TMainForm(TComponent* owner) : TForm(owner) {
  BuildWindow();
  BuildMainMenu();
  SetFramedSize(this, 411, 434);  // the menu bar takes its share
  BuildFields();
  BuildPopupMenu();
  SetMailCommandsEnabled(false, false);  // until the body changes
  Subject->SetImeMode(imOpen);  // Japanese is typed here
  MailText->SetImeMode(imOpen);
  ZnSMTP = std::make_unique<TZnSMTP>(nullptr);
  ZnSMTP->TimeOut = kConnectTimeOut;
  RunFormCreate();
  LoadSettings();
}

TMainForm::~TMainForm() { DestroyComponents(); }

// --- Building the window -------------------------------------------------

void TMainForm::BuildWindow() {
  SetName("MainForm");
  SetCaption("Quillet");
  SetPosition(poScreenCenter);
  Font->SetName(kWindowFont);
  Font->SetSize(12);
  OnCloseQuery = [this](TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
}

void TMainForm::BuildFields() {
  Label1 = PlaceHeading(this, "Label1", "宛先", 8, 10);
  ToAddress = Place<TEdit>(this, "ToAddress", Bounds(80, 8, 265, 21));
  SetFieldFont(ToAddress);
  Label2 = PlaceHeading(this, "Label2", "Subject", 8, 38);
  Subject = Place<TEdit>(this, "Subject", Bounds(80, 36, 265, 21));
  SetFieldFont(Subject);
  MailText = Place<TMemo>(this, "MailText", Bounds(8, 66, 385, 289));
  MailText->SetScrollBars(ssVertical);
  MailText->SetAnchors(akLeft | akTop | akRight | akBottom);  // a larger window gives a larger body
  SetFieldFont(MailText);
  MailText->OnChange = [this](TObject* s) { MailTextChange(s); };
  StatusBar = Create<TStatusBar>(this);
  StatusBar->SetName("StatusBar");
  SetActiveControl(ToAddress);
}

// Items without a handler get their commands with later steps.
void TMainForm::BuildMainMenu() {
  using F = TMainForm;
  MainMenu = Create<TMainMenu>(this);
  MainMenu->SetName("MainMenu");
  SetMenu(MainMenu);
  FillMenu(*this, *MainMenu, {
      {&F::FileMenu, nullptr, "FileMenu", "ﾌｧｲﾙ(&F)"},
      {&F::OpenAddBook, &F::FileMenu, "OpenAddBook", "おともだち帳(&F)", 0, &F::OpenAddBookClick},
      {&F::ExecEdtor, &F::FileMenu, "ExecEdtor", "ｴﾃﾞｨﾀ(&E)", Ctrl('E'), &F::ExecEdtorClick},
      {&F::N5, &F::FileMenu, "N5", "-"},
      {&F::MailSave, &F::FileMenu, "MailSave", "送信簿へ(&P)", Ctrl('P'), &F::MailSaveClick},
      {&F::N1, &F::FileMenu, "N1", "-"},
      {&F::Send, &F::FileMenu, "Send", "送信(&S)", Ctrl('S'), &F::SendClick},
      {&F::N2, &F::FileMenu, "N2", "-"},
      {&F::Exit, &F::FileMenu, "Exit", "終了(&X)", Ctrl('X'), &F::ExitClick},
      {&F::OptionMenu, nullptr, "OptionMenu", "設定(&O)"},
      {&F::EnvSet, &F::OptionMenu, "EnvSet", "環境(&E)", 0, &F::EnvSetClick},
      {&F::SMTPOpt, &F::OptionMenu, "SMTPOpt", "SMTP(&S)", 0, &F::SMTPOptClick},
      {&F::N3, &F::OptionMenu, "N3", "-"},
      {&F::IESet, &F::OptionMenu, "IESet", "ＩＥのﾒｰﾗに登録(&I)", Ctrl('I'), &F::IESetClick},
      {&F::HelpMenu, nullptr, "HelpMenu", "ﾍﾙﾌﾟ(&H)"},
      {&F::Contents, &F::HelpMenu, "Contents", "目次(&C)", Ctrl('C'), &F::ContentsClick},
      {&F::N4, &F::HelpMenu, "N4", "-"},
      {&F::About, &F::HelpMenu, "About", "ﾊﾞｰｼﾞｮﾝ情報(&A)", Ctrl('A'), &F::AboutClick},
  });
}

void TMainForm::BuildPopupMenu() {
  using F = TMainForm;
  PupMenu = Create<TPopupMenu>(this);
  PupMenu->SetName("PupMenu");
  FillMenu(*this, *PupMenu, {
      {&F::PupOpenAddBook, nullptr, "PupOpenAddBook", "おともだち帳", 0, &F::OpenAddBookClick},
      {&F::PupExecEdtor, nullptr, "PupExecEdtor", "ｴﾃﾞｨﾀ", 0, &F::ExecEdtorClick},
      {&F::N6, nullptr, "N6", "-"},
      {&F::PupMailSave, nullptr, "PupMailSave", "送信簿へ", 0, &F::MailSaveClick},
      {&F::N7, nullptr, "N7", "-"},
      {&F::PupSend, nullptr, "PupSend", "送信", 0, &F::SendClick},
  });
  SetPopupMenu(PupMenu);  // over every control
}

// Old creation order: the argument is applied before any setting is loaded,
// inside the class library's guard, which shows a failure and goes on.
void TMainForm::RunFormCreate() {
  try {
    FormCreate(this);
  } catch (...) {
    Application->HandleException();
  }
}

void TMainForm::LoadSettings() {
  exeDir = platform::ExeDir();
  if (SettingsKey(SettingsKey::Open::IfExists).IsOpen()) LoadUserSettings();
  LoadFontSetting();
  SetEnglishDateNames();  // the filing's date text depends on them
  LoadSmtpConfig();
}

// --- The argument --------------------------------------------------------

void TMainForm::FormCreate(TObject*) {
  const MailtoArgument argument = ParseMailtoArgument(ParamStr(1));
  if (argument.address) ToAddress->SetText(*argument.address);
  for (const MailtoField& field : argument.fields) {
    switch (field.kind) {
      case MailtoFieldKind::Subject: Subject->SetText(field.value); break;
      case MailtoFieldKind::Body: MailText->SetText(field.value); break;
      case MailtoFieldKind::File: ApplyReplyQuoteFile(field.value); break;
    }
  }
}

void TMainForm::ApplyReplyQuoteFile(const std::string& path) {
  if (!IsReplyQuoteFilePath(path)) return;  // a link from elsewhere names no file of ours
  MailText->Lines->SetText(TakeScratchFile(path));
}

// --- Commands ------------------------------------------------------------

void TMainForm::MailTextChange(TObject*) { SetMailCommandsEnabled(true, true); }

void TMainForm::SendClick(TObject*) {
  if (m_sending) return;
  const ComposedMail mail = TakeComposedMail();
  if (const std::string unsendable = UnsendableAddress(mail.to, fromAddress); !unsendable.empty())
    return ErrorBox(unsendable);
  ShowSending(true);
  bool sent = false;
  try {
    DeliverMail(mail);
    sent = true;
  } catch (...) {
    if (!m_closeRequested) ReportSendFailure();
  }
  ShowSending(false);
  if (sent) {
    ShowMessage(kSent);
    if (!m_refusals.empty()) ErrorBox(RefusalText(m_refusals));
    FileSentMail(mail);
  }
  if (m_closeRequested) {
    m_closeRequested = false;
    Close();
  }
}

void TMainForm::MailSaveClick(TObject*) {
  if (m_sending) return;
  if (FileMail(TakeComposedMail()) == Filing::Filed) ClearMail();
}

void TMainForm::ExecEdtorClick(TObject*) {
  EditorHandOver editor;
  if (!editor.Start(editorPath, MailText->Lines->Text())) return ShowMessage(kCreateProcessError);
  WaitForEditor(editor);
  MailText->Lines->SetText(editor.TakeBack());
}

// The window stays painted but out of the way and closed to input while the
// editor holds the text.
void TMainForm::WaitForEditor(EditorHandOver& editor) {
  SetWindowState(wsMinimized);
  SetEnabled(false);
  editor.WaitForExit();
  SetEnabled(true);
  SetWindowState(wsNormal);
}

void TMainForm::SMTPOptClick(TObject*) {
  auto dialog = std::make_unique<TSMTPOptDlg>(this);
  dialog->configPath = exeDir + "\\qult.cfg";
  dialog->signaturePath = exeDir + "\\qults.cfg";
  if (dialog->ShowModal() == mrOk) LoadSmtpConfig();
}

void TMainForm::EnvSetClick(TObject*) {
  auto dialog = std::make_unique<TOptionSetForm>(this);
  if (dialog->ShowModal() == mrOk) LoadUserSettings();
}

void TMainForm::IESetClick(TObject*) {
  if (!RegisterMailClient(Format("%s\\quillet", exeDir.c_str()))) ErrorBox(kCannotRegister);
}

void TMainForm::ExitClick(TObject*) { Close(); }

void TMainForm::FormCloseQuery(TObject*, bool& CanClose) {
  if (m_sending) {
    // The window must outlive the send's wait: the wait is cancelled here and
    // the window closes once the send has returned.
    CanClose = false;
    if (m_closeRequested || !ConfirmBox(kStopSending)) return;
    m_closeRequested = true;
    ZnSMTP->Cancel();
    return;
  }
  if (HoldsUnsavedMail() && !ConfirmBox(kDiscardUnsent)) CanClose = false;
}

void TMainForm::ContentsClick(TObject*) {
  platform::ShellOpen(Format("%s\\Help\\qlIndex.htm", exeDir.c_str()));
}

void TMainForm::AboutClick(TObject*) {
  auto box = std::make_unique<TAboutBox>(this, AboutProgram::Quillet);
  box->ShowModal();
}

// --- Settings ------------------------------------------------------------

void TMainForm::LoadSmtpConfig() {
  const std::vector<std::string> lines = ReadSmtpSettingsLines(exeDir + "\\qult.cfg");
  std::string* const values[] = {&smtpHost, &smtpUserId, &fromAddress};
  for (size_t i = 0; i < lines.size(); ++i) *values[i] = lines[i];
  if (lines.size() < std::size(values)) return;  // an early end keeps the signature too
  signature = ReadSignatureFile(exeDir + "\\qults.cfg");
}

void TMainForm::LoadUserSettings() {
  SettingsKey key;
  ppPath = key.Read(Setting::PostPetFolder);
  editorPath = key.Read(Setting::Editor);
  userName = key.Read(Setting::UserName);
}

void TMainForm::LoadFontSetting() { ::LoadFontSetting({ToAddress, Subject, MailText}); }

// --- Sending -------------------------------------------------------------

ComposedMail TMainForm::TakeComposedMail() const {
  return {ToAddress->Text(), Subject->Text(), MailText->Text(), userName};
}

// While a send runs the fields cannot be edited, and every command but Exit,
// help and the version box rests (their short-cuts with them): none may
// change the mail, its filing or the settings it goes out with, nor write the
// registry and the desktop meanwhile. The status bar says why.
void TMainForm::ShowSending(bool sending) {
  m_sending = sending;
  ToAddress->SetReadOnly(sending);
  Subject->SetReadOnly(sending);
  MailText->SetReadOnly(sending);
  SetMailCommandsEnabled(!sending, !sending);
  for (TMenuItem* command : {ExecEdtor, PupExecEdtor, OpenAddBook, PupOpenAddBook, EnvSet, SMTPOpt, IESet})
    command->SetEnabled(!sending);
  StatusBar->SetSimpleText(sending ? kSendingStatus : "");
}

void TMainForm::DeliverMail(const ComposedMail& mail) {
  m_refusals.clear();
  m_recipientCount = SplitRecipients(mail.to).size();
  ZnSMTP->ClearParams = true;
  ZnSMTP->Host = smtpHost;
  ZnSMTP->Port = 25;
  ZnSMTP->UserID = smtpUserId;
  ZnSMTP->OnRecipientNotFound = [this](const std::string& entry) {
    m_refusals.push_back({TZnSMTP::ExtractAddress(entry), ZnSMTP->LastReply});
  };
  ZnSMTP->Connect();
  try {
    FillPostMessage(ZnSMTP->PostMessage, mail, {fromAddress, signature});
    ZnSMTP->SendMail();
  } catch (...) {
    // Close and forget this attempt, so that the next Send starts clean.
    ZnSMTP->CloseAfterFailure(TZnSMTP::LinkAfter(std::current_exception()));
    ResetPostMessage(ZnSMTP->PostMessage);
    throw;
  }
  QuitAfterAccepted();
  ResetPostMessage(ZnSMTP->PostMessage);
}

// Every recipient refused: the refusals say more than the last reply alone.
void TMainForm::ReportSendFailure() {
  if (!m_refusals.empty() && m_refusals.size() == m_recipientCount)
    ErrorBox(RefusalText(m_refusals));
  else
    Application->HandleException();
}

// The server has accepted the message: it is sent, whatever QUIT brings.
// Disconnect closes the socket in every case.
void TMainForm::QuitAfterAccepted() {
  try {
    ZnSMTP->Disconnect();
  } catch (const Exception&) {
  }
}

// --- Filing --------------------------------------------------------------

// The copy filed lists only the recipients the server took.
void TMainForm::FileSentMail(const ComposedMail& mail) {
  ComposedMail filed = mail;
  filed.to = AcceptedRecipients(mail.to, m_refusals);
  if (FileMail(filed) == Filing::Failed)
    SetMailCommandsEnabled(false, true);  // sent but not filed: the text stays to file again
  else
    ClearMail();
}

TMainForm::Filing TMainForm::FileMail(const ComposedMail& mail) {
  // The filed copy ends with an empty line of its own; the user's text stays.
  const std::string body = mail.body + "\r\n\r\n";
  if (!ChooseSendBookFolder()) return Filing::Cancelled;
  const std::time_t now = std::time(nullptr);
  const SentMail sent = SentMailText(mail.to, mail.fromName, mail.subject, body);
  const MailEntry record =
      SentMailRecord(sent, mail.to, mail.fromName, mail.subject, FilingDateText(now), FilingId(now));
  if (const char* message = FileIntoSendBook(ppPath, exeDir, record, sent.header + sent.body)) {
    ErrorBox(message);
    return Filing::Failed;
  }
  return Filing::Filed;
}

void TMainForm::OpenAddBookClick(TObject*) {
  if (!ChooseSendBookFolder()) return;
  auto dialog = std::make_unique<TAddFormDlg>(this);
  dialog->ppPath = ppPath;
  dialog->ShowModal();
  if (!dialog->pickedAddress.empty()) ToAddress->SetText(dialog->pickedAddress);
}

bool TMainForm::ChooseSendBookFolder() {
  auto dialog = std::make_unique<TDstPPFDlg>(this);
  dialog->PPFList->SetText(platform::DesktopPath(ppPath));
  dialog->exeDir = exeDir;
  if (dialog->ShowModal() != mrOk) return false;
  ppPath = dialog->PPFList->Text();
  return true;
}

void TMainForm::ClearMail() {
  ToAddress->SetText("");
  Subject->SetText("");
  MailText->SetText("");
  SetMailCommandsEnabled(false, false);
}

void TMainForm::SetMailCommandsEnabled(bool send, bool file) {
  MailSave->SetEnabled(file);
  Send->SetEnabled(send);
  PupMailSave->SetEnabled(file);
  PupSend->SetEnabled(send);
}

// Text neither sent nor filed; after a send whose filing failed, Send is off
// but the only copy of the sent text still waits to be filed.
bool TMainForm::HoldsUnsavedMail() const { return MailSave->Enabled() && !MailText->Text().empty(); }
