#include "platform/forms/ModalDriver.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>

#include "platform/forms/Bridge.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"

using namespace platform::forms;

namespace {

QMessageBox::Icon IconOf(int flags) {
  switch (flags & 0xF0) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

struct ButtonText {
  int id;
  const char* text;  // UTF-8
};

// The buttons of each MB_ style, with the captions of a Japanese desktop.
std::vector<ButtonText> ButtonsOf(int flags) {
  switch (flags & 0x0F) {
    case MB_OKCANCEL: return {{IDOK, "OK"}, {IDCANCEL, "キャンセル"}};
    case MB_ABORTRETRYIGNORE: return {{IDABORT, "中止"}, {IDRETRY, "再試行"}, {IDIGNORE, "無視"}};
    case MB_YESNOCANCEL: return {{IDYES, "はい"}, {IDNO, "いいえ"}, {IDCANCEL, "キャンセル"}};
    case MB_YESNO: return {{IDYES, "はい"}, {IDNO, "いいえ"}};
    case MB_RETRYCANCEL: return {{IDRETRY, "再試行"}, {IDCANCEL, "キャンセル"}};
    default: return {{IDOK, "OK"}};
  }
}

class QtModalDriver : public ModalDriver {
 public:
  int MessageBox(const std::string& text, const std::string& caption, int flags) override {
    QMessageBox box(IconOf(flags), Q(caption), Q(text), QMessageBox::NoButton, QApplication::activeWindow());
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    for (const ButtonText& b : ButtonsOf(flags))
      buttons.emplace_back(box.addButton(QString::fromUtf8(b.text), QMessageBox::AcceptRole), b.id);
    size_t defaultIndex = (flags & MB_DEFBUTTON2) && buttons.size() > 1 ? 1 : 0;
    box.setDefaultButton(static_cast<QPushButton*>(buttons[defaultIndex].first));
    box.setEscapeButton(buttons.back().first);
    box.exec();
    for (const auto& [button, id] : buttons)
      if (box.clickedButton() == button) return id;
    return buttons.back().second;
  }

  void RunModal(TForm& form) override {
    QEventLoop loop;
    form.SetModalLoop(&loop);
    while (form.ModalResult() == mrNone && form.Widget()->isVisible()) loop.exec();
    form.SetModalLoop(nullptr);
  }

  bool ExecuteOpenDialog(TOpenDialog& dialog) override { return dialog.RunQtDialog(); }
  bool ExecuteFontDialog(TFontDialog& dialog) override { return dialog.RunQtDialog(); }
  bool ExecuteDirectoryChooser(TDirectoryChooser& chooser) override { return chooser.RunQtDialog(); }
};

QtModalDriver g_qtDriver;
ModalDriver* g_current = &g_qtDriver;

}  // namespace

ModalDriver& CurrentModalDriver() { return *g_current; }

ModalDriver& RealModalDriver() { return g_qtDriver; }

ScopedModalDriver::ScopedModalDriver(ModalDriver& driver) : m_previous(g_current) { g_current = &driver; }

ScopedModalDriver::~ScopedModalDriver() { g_current = m_previous; }
