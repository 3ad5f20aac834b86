#pragma once
// Forms and the application object. A form is a top-level window whose
// controls sit in its client area at pixel positions; ShowModal runs it
// through the ModalDriver. The application object shows message boxes and
// exceptions, runs the main loop and owns the forms made with CreateForm.

#include <memory>
#include <string>
#include <vector>

#include "platform/base/Exception.h"
#include "platform/forms/Controls.h"

class TMainMenu;
class QEventLoop;

enum TPosition { poDesigned, poDefault, poScreenCenter, poOwnerFormCenter };
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };

using TBorderIcons = unsigned;
constexpr TBorderIcons biSystemMenu = 1;
constexpr TBorderIcons biMinimize = 2;
constexpr TBorderIcons biMaximize = 4;

enum TWindowState { wsNormal, wsMinimized, wsMaximized };

enum TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// An operation the form's state does not allow (showing a shown form modally).
class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

// A form's constructor builds its controls and assigns their events; it runs
// its own creation handler where it needs it, and its destructor its own
// destruction handler, so both see the whole form.
class TForm : public TWinControl {
 public:
  // owner: the form this one belongs to (a dialog's main window), or nullptr.
  explicit TForm(TComponent* owner);
  ~TForm() override;

  std::string ClassName() const override { return "TForm"; }

  void SetCaption(const std::string& caption) override;
  int ClientWidth() const override;
  int ClientHeight() const override;
  void SetClientWidth(int width);
  void SetClientHeight(int height);
  void SetBounds(int left, int top, int width, int height) override;
  void SetColor(TColor color) override;
  void SetVisible(bool visible) override;

  TPosition Position() const { return m_position; }
  void SetPosition(TPosition position) { m_position = position; }
  TFormBorderStyle BorderStyle() const { return m_borderStyle; }
  void SetBorderStyle(TFormBorderStyle style);
  TBorderIcons BorderIcons() const { return m_borderIcons; }
  void SetBorderIcons(TBorderIcons icons);
  // The window icon, a picture of the project's resources (TBitmap's names).
  void SetIcon(const std::string& resourceName);

  TMainMenu* Menu() const { return m_menu; }
  void SetMenu(TMainMenu* menu);

  // The control with the keyboard focus in this form, or nullptr.
  TControl* ActiveControl() const;
  void SetActiveControl(TControl* control);

  // With KeyPreview the form's OnKeyDown sees keys before the focused control.
  bool KeyPreview() const { return m_keyPreview; }
  void SetKeyPreview(bool preview) { m_keyPreview = preview; }

  // Setting a result other than mrNone while the form is shown modally
  // closes it with that result (OnCloseQuery and OnClose may refuse).
  TModalResult ModalResult() const { return m_modalResult; }
  void SetModalResult(TModalResult result);
  // Shows the form modally and returns its modal result; mrCancel when it
  // was closed otherwise. Throws EInvalidOperation when the form is shown.
  TModalResult ShowModal();
  bool Modal() const { return m_modal; }
  void Show();
  // Closes the form as its close box does; the main form ends the program.
  void Close();
  bool Active() const;
  // Minimised, normal or maximised, shown or not; a hidden form takes the
  // state when it is shown.
  TWindowState WindowState() const;
  void SetWindowState(TWindowState state);

  TNotifyEvent OnShow;
  TNotifyEvent OnActivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  QWidget* ClientWidget() const override;
  // For the ModalDriver: the nested loop of a real modal run, or nullptr.
  void SetModalLoop(QEventLoop* loop) { m_modalLoop = loop; }

 private:
  void SetClientSize(int width, int height);
  void LimitClientSize();
  void PlaceOnScreen();
  void StandOverOwner();
  void ApplyWindowFlags();
  bool CloseQuery();
  TCloseAction CloseAction(TCloseAction initial);
  void ShowWindow();

  QWidget* m_client = nullptr;
  TPosition m_position = poDesigned;
  TFormBorderStyle m_borderStyle = bsSizeable;
  TBorderIcons m_borderIcons = biSystemMenu | biMinimize | biMaximize;
  TMainMenu* m_menu = nullptr;
  bool m_keyPreview = false;
  bool m_modal = false;
  TModalResult m_modalResult = mrNone;
  QEventLoop* m_modalLoop = nullptr;
};

// The form a control sits on, or nullptr.
TForm* GetParentForm(TControl* control);

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;
  std::string ClassName() const override { return "TApplication"; }

  // Creates the Qt application object when there is none yet (the programs'
  // entry point) and loads Qt's Japanese texts for its standard dialogs;
  // argv must live as long as the program. Run destroys it.
  void Initialize(int argc, char** argv);
  const std::string& Title() const { return m_title; }
  void SetTitle(const std::string& title) { m_title = title; }

  // A modal message box (MB_* style); returns ID* of the button pressed.
  int MessageBox(const std::string& text, const std::string& caption, int flags);
  void ShowMessage(const std::string& text);  // the title as caption, OK
  // Shows the exception's message (Shift-JIS) with the title as caption.
  void ShowException(const std::exception& exception);
  // Shows the exception being handled; for catch blocks of the form layer.
  void HandleException();
  void ProcessMessages();
  // Runs the pending events but the user's input: windows repaint and
  // animations move while a long command works, and nothing the user does
  // reaches a window until it ends.
  void ProcessPaintMessages();

  // Creates a form owned by the application; the first becomes MainForm.
  template <class T>
  void CreateForm(T*& form) {
    auto created = std::make_unique<T>(this);
    form = created.get();
    AddForm(std::move(created));
  }
  TForm* MainForm() const { return m_mainForm; }
  // Shows the main form and runs the loop until it closes; then destroys
  // the application's forms, newest first.
  void Run();
  void Terminate();
  bool Terminated() const { return m_terminated; }

 private:
  void AddForm(std::unique_ptr<TForm> form);

  std::string m_title;
  TForm* m_mainForm = nullptr;
  std::vector<std::unique_ptr<TForm>> m_forms;
  bool m_terminated = false;
};

extern TApplication* Application;

// The class library's ShowMessage: the application's title as caption, OK.
inline void ShowMessage(const std::string& text) { Application->ShowMessage(text); }
