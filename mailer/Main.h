#pragma once
// Quillet's compose window: recipient, Subject and body, the menus that
// reach every command of the mailer, and the SMTP component that sends.

#include <memory>
#include <string>
#include <vector>

#include "mailer/OutgoingMail.h"
#include "platform/forms/Forms.h"
#include "platform/strings/StringList.h"

class EditorHandOver;
class TEdit;
class TLabel;
class TMainMenu;
class TMemo;
class TMenuItem;
class TPopupMenu;
class TStatusBar;
class TZnSMTP;

class TMainForm : public TForm {
 public:
  // Builds the window, takes the command-line argument into the fields, then
  // loads the settings (registry, font, qult.cfg and qults.cfg).
  explicit TMainForm(TComponent* owner);
  ~TMainForm() override;
  std::string ClassName() const override { return "TMainForm"; }

  TMainMenu* MainMenu;
  TMenuItem *FileMenu, *OpenAddBook, *ExecEdtor, *N5, *MailSave, *N1, *Send, *N2, *Exit;
  TMenuItem *OptionMenu, *EnvSet, *SMTPOpt, *N3, *IESet;
  TMenuItem *HelpMenu, *Contents, *N4, *About;
  TLabel* Label1;
  TEdit* ToAddress;
  TLabel* Label2;
  TEdit* Subject;
  TMemo* MailText;
  TStatusBar* StatusBar;
  TPopupMenu* PupMenu;
  TMenuItem *PupOpenAddBook, *PupExecEdtor, *N6, *PupMailSave, *N7, *PupSend;
  std::unique_ptr<TZnSMTP> ZnSMTP;  // lives with the window

  // Settings as last loaded (Shift-JIS, held whole).
  std::string ppPath;      // PostPet folder: PPPATH, or the folder last chosen for filing
  std::string exeDir;      // the program's folder, without a trailing separator
  std::string editorPath;  // EDITOR
  std::string userName;    // NAME: From name of sent mail, from of filed mail
  std::string smtpHost;    // qult.cfg line 1
  std::string smtpUserId;  // qult.cfg line 2: the HELO argument
  std::string fromAddress; // qult.cfg line 3
  TStringList signature;   // qults.cfg, appended to every sent body

  // Handlers.
  void FormCreate(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void MailTextChange(TObject* Sender);
  void SendClick(TObject* Sender);
  // Asks for the PostPet folder and puts the address picked from its friend
  // book into To; Cancel or no pick leaves To as it was.
  void OpenAddBookClick(TObject* Sender);
  void MailSaveClick(TObject* Sender);
  // Hands the body to the EDITOR program and takes it back when that ends;
  // the window is minimised and takes no input meanwhile.
  void ExecEdtorClick(TObject* Sender);
  void SMTPOptClick(TObject* Sender);
  void EnvSetClick(TObject* Sender);
  // Registers the program as a mail client for mailto: links; says so when
  // a registry row or the desktop entry cannot be written.
  void IESetClick(TObject* Sender);
  void ExitClick(TObject* Sender);
  void ContentsClick(TObject* Sender);
  void AboutClick(TObject* Sender);

  // Loaders: each reads its source anew; a missing source keeps the values.
  void LoadSmtpConfig();
  void LoadUserSettings();
  void LoadFontSetting();

 private:
  enum class Filing { Filed, Cancelled, Failed };

  void BuildWindow();
  void BuildFields();
  void BuildMainMenu();
  void BuildPopupMenu();
  void RunFormCreate();
  void LoadSettings();

  void ApplyReplyQuoteFile(const std::string& path);
  void WaitForEditor(EditorHandOver& editor);
  ComposedMail TakeComposedMail() const;
  void ShowSending(bool sending);
  void DeliverMail(const ComposedMail& mail);
  void ReportSendFailure();
  void FileSentMail(const ComposedMail& mail);
  void QuitAfterAccepted();
  Filing FileMail(const ComposedMail& mail);
  bool ChooseSendBookFolder();
  void ClearMail();
  void SetMailCommandsEnabled(bool send, bool file);
  bool HoldsUnsavedMail() const;

  bool m_sending = false;       // a send is waiting for the server
  bool m_closeRequested = false; // the user chose to stop the send and close
  std::vector<RecipientRefusal> m_refusals;  // of the running or last send
  size_t m_recipientCount = 0;               // entries the running send addresses
};

extern TMainForm* MainForm;

// The program's arguments (Shift-JIS), handed over by the entry point before
// the window is made; the window's creation handler reads ParamStr(1).
void SetProgramArguments(std::vector<std::string> arguments);
// Argument index, "" when there is none.
std::string ParamStr(int index);
