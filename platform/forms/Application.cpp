#include <QApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include "platform/forms/Forms.h"
#include "platform/forms/ModalDriver.h"
#include "platform/messages/Messages.h"

namespace {

// Made by Initialize when the program has no Qt application yet, and
// destroyed at the end of Run, after the forms: never during the exit
// handlers, where Qt's own globals may already be gone. Qt keeps a
// reference to argc, so it lives here.
int g_argc = 0;
QApplication* g_qtApplication = nullptr;
TApplication g_application;

// The standard dialogs (open file, folder, the buttons of message boxes)
// speak Japanese as the programs' own texts do, whatever the locale: Qt's
// own translations, from the folder Qt names for them.
void LoadQtTranslations() {
  static QPointer<QTranslator> translator;  // dies with the Qt application
  if (translator) return;
  translator = new QTranslator(qApp);
  if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(translator);
}

}  // namespace

TApplication* Application = &g_application;

// Exceptions escaping a window procedure or a timer are shown as those of
// the forms' events are.
TApplication::TApplication() : TComponent(nullptr) {
  SetApplicationExceptionHandler([this](std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (...) {
      HandleException();
    }
  });
}

TApplication::~TApplication() {
  // Without Qt there is nothing left to destroy widgets with: let them go.
  if (!qApp)
    for (auto& form : m_forms) (void)form.release();
  while (!m_forms.empty()) m_forms.pop_back();
}

void TApplication::Initialize(int argc, char** argv) {
  if (!qApp) {
    g_argc = argc;
    g_qtApplication = new QApplication(g_argc, argv);
  }
  // Forms hide themselves on close; the main form ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  LoadQtTranslations();
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, int flags) {
  return CurrentModalDriver().MessageBox(text, caption, flags);
}

void TApplication::ShowMessage(const std::string& text) { MessageBox(text, m_title, MB_OK); }

void TApplication::ShowException(const std::exception& exception) {
  MessageBox(exception.what(), m_title, MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException() {
  try {
    throw;
  } catch (const std::exception& e) {
    ShowException(e);
  } catch (...) {
    ShowException(Exception("Unknown exception"));
  }
}

void TApplication::ProcessMessages() { ::ProcessMessages(); }

void TApplication::ProcessPaintMessages() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

void TApplication::AddForm(std::unique_ptr<TForm> form) {
  if (!m_mainForm) m_mainForm = form.get();
  m_forms.push_back(std::move(form));
}

void TApplication::Run() {
  if (m_mainForm) m_mainForm->Show();
  if (!m_terminated) QApplication::exec();
  m_mainForm = nullptr;
  while (!m_forms.empty()) m_forms.pop_back();
  delete g_qtApplication;
  g_qtApplication = nullptr;
}

void TApplication::Terminate() {
  m_terminated = true;
  QCoreApplication::quit();
}
