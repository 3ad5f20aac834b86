#include "platform/forms/Dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFontComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "platform/base/Exception.h"
#include "platform/base/Format.h"
#include "platform/files/Files.h"
#include "platform/forms/Bridge.h"
#include "platform/forms/Forms.h"
#include "platform/forms/ModalDriver.h"
#include "platform/text/ShiftJis.h"

using namespace platform::forms;

namespace {

// "Text|*.txt;*.ppm|All|*.*" -> "Text (*.txt *.ppm);;All (*.*)".
QString QtFilter(const std::string& filter) {
  QStringList parts = Q(filter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2)
    filters << parts[i] + QStringLiteral(" (") + parts[i + 1].split(';').join(' ') + QStringLiteral(")");
  return filters.join(QStringLiteral(";;"));
}

std::string ProgramPathOf(const QString& native) { return platform::ProgramPath(native.toStdString()); }

QString DesktopOrHome() {
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  return QDir(desktop).exists() ? desktop : QDir::homePath();
}

// A chosen file whose name Shift-JIS cannot write would reach the program
// as the path of another file: it is refused as a file that cannot be opened.
std::string OpenableProgramPathOf(const QString& native) {
  const std::string path = ProgramPathOf(native);
  if (!platform::HasProgramPath(native.toStdString()))
    throw EFOpenError(platform::CannotOpenFileText(path));
  return path;
}

}  // namespace

TOpenDialog::TOpenDialog(TComponent* owner) : TComponent(owner) {}

bool TOpenDialog::Execute() { return CurrentModalDriver().ExecuteOpenDialog(*this); }

bool TOpenDialog::RunQtDialog() {
  QFileDialog dialog(QApplication::activeWindow(), Q(Title), QString::fromStdString(platform::NativePath(InitialDir)));
  dialog.setNameFilters(QtFilter(Filter).split(QStringLiteral(";;"), Qt::SkipEmptyParts));
  QStringList filters = dialog.nameFilters();
  if (FilterIndex >= 1 && FilterIndex <= filters.size()) dialog.selectNameFilter(filters[FilterIndex - 1]);
  dialog.setFileMode((Options & ofAllowMultiSelect) ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (dialog.exec() != QDialog::Accepted) return false;
  Files.clear();
  for (const QString& file : dialog.selectedFiles()) Files.push_back(OpenableProgramPathOf(file));
  FileName = Files.empty() ? std::string() : Files.front();
  return !Files.empty();
}

TFontDialog::TFontDialog(TComponent* owner) : TComponent(owner), Font(&m_font) {}

bool TFontDialog::Execute() { return CurrentModalDriver().ExecuteFontDialog(*this); }

bool TFontDialog::RunQtDialog() {
  QDialog dialog(QApplication::activeWindow());
  dialog.setWindowTitle(QStringLiteral("フォント"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* label = new QLabel(QStringLiteral("フォント名(&F):"));
  layout->addWidget(label);
  auto* faces = new QFontComboBox;
  label->setBuddy(faces);  // a label shows its mnemonic only when it has one
  faces->setFontFilters(QFontComboBox::ScalableFonts);
  faces->setCurrentFont(ToQFont(m_font));
  layout->addWidget(faces);
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  m_font.SetName(S(faces->currentFont().family()));
  return true;
}

TFindDialog::TFindDialog(TComponent* owner) : TComponent(owner) {}

TFindDialog::~TFindDialog() { delete m_window; }

namespace {

QLineEdit* TextBox(QDialog* w) { return w->findChild<QLineEdit*>(QStringLiteral("findText")); }
QCheckBox* WholeWordBox(QDialog* w) { return w->findChild<QCheckBox*>(QStringLiteral("wholeWord")); }
QCheckBox* MatchCaseBox(QDialog* w) { return w->findChild<QCheckBox*>(QStringLiteral("matchCase")); }
QGroupBox* DirectionBox(QDialog* w) { return w->findChild<QGroupBox*>(QStringLiteral("direction")); }
QRadioButton* DownButton(QDialog* w) { return w->findChild<QRadioButton*>(QStringLiteral("down")); }

}  // namespace

// The window belongs to the owner form's window, which outlives it: the
// form destroys its components (this dialog) before its window.
void TFindDialog::BuildWindow() {
  auto* form = dynamic_cast<TForm*>(Owner());
  m_window = new QDialog(form ? form->Widget() : nullptr);
  m_window->setWindowTitle(QStringLiteral("検索"));
  auto* grid = new QHBoxLayout(m_window);
  auto* left = new QVBoxLayout;
  auto* row = new QHBoxLayout;
  auto* text = new QLineEdit;
  text->setObjectName(QStringLiteral("findText"));
  auto* label = new QLabel(QStringLiteral("検索する文字列(&N):"));
  label->setBuddy(text);
  row->addWidget(label);
  row->addWidget(text);
  left->addLayout(row);
  auto* wholeWord = new QCheckBox(QStringLiteral("単語単位で探す(&W)"));
  wholeWord->setObjectName(QStringLiteral("wholeWord"));
  auto* matchCase = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"));
  matchCase->setObjectName(QStringLiteral("matchCase"));
  auto* direction = new QGroupBox(QStringLiteral("方向"));
  direction->setObjectName(QStringLiteral("direction"));
  auto* directionLayout = new QHBoxLayout(direction);
  directionLayout->addWidget(new QRadioButton(QStringLiteral("上へ(&U)")));
  auto* down = new QRadioButton(QStringLiteral("下へ(&D)"));
  down->setObjectName(QStringLiteral("down"));
  directionLayout->addWidget(down);
  auto* options = new QHBoxLayout;
  auto* boxes = new QVBoxLayout;
  boxes->addWidget(wholeWord);
  boxes->addWidget(matchCase);
  options->addLayout(boxes);
  options->addWidget(direction);
  left->addLayout(options);
  grid->addLayout(left);
  auto* buttons = new QVBoxLayout;
  auto* next = new QPushButton(QStringLiteral("次を検索(&F)"));
  next->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("キャンセル"));
  buttons->addWidget(next);
  buttons->addWidget(cancel);
  buttons->addStretch();
  grid->addLayout(buttons);
  QObject::connect(next, &QPushButton::clicked, [this] { FindNext(); });
  QObject::connect(cancel, &QPushButton::clicked, [this] { CloseDialog(); });
  QObject::connect(text, &QLineEdit::textChanged, [next](const QString& t) { next->setEnabled(!t.isEmpty()); });
  text->setText(Q(m_findText));
  next->setEnabled(!m_findText.empty());
  ShowOptions();
}

// Once built, the window holds the text and the boxes: what the user typed
// stays there when the dialog is closed and shown again.
void TFindDialog::ShowOptions() {
  if (!m_window) return;
  WholeWordBox(m_window)->setChecked(m_options & frWholeWord);
  WholeWordBox(m_window)->setVisible(!(m_options & frHideWholeWord));
  MatchCaseBox(m_window)->setChecked(m_options & frMatchCase);
  MatchCaseBox(m_window)->setVisible(!(m_options & frHideMatchCase));
  DownButton(m_window)->setChecked(true);
  DirectionBox(m_window)->setVisible(!(m_options & frHideUpDown));
}

bool TFindDialog::Execute() {
  if (!m_window) BuildWindow();
  m_window->show();
  m_window->raise();
  m_window->activateWindow();
  return true;
}

void TFindDialog::CloseDialog() {
  if (m_window) m_window->hide();
}

bool TFindDialog::Visible() const { return m_window && m_window->isVisible(); }

std::string TFindDialog::FindText() const { return m_window ? S(TextBox(m_window)->text()) : m_findText; }

void TFindDialog::SetFindText(const std::string& text) {
  m_findText = text;
  if (m_window) TextBox(m_window)->setText(Q(text));
}

TFindOptions TFindDialog::Options() const {
  if (!m_window) return m_options;
  TFindOptions options = m_options & ~(frWholeWord | frMatchCase | frDown);
  if (WholeWordBox(m_window)->isChecked()) options |= frWholeWord;
  if (MatchCaseBox(m_window)->isChecked()) options |= frMatchCase;
  if (DownButton(m_window)->isChecked()) options |= frDown;
  return options;
}

void TFindDialog::SetOptions(TFindOptions options) {
  m_options = options;
  ShowOptions();
}

void TFindDialog::FindNext() {
  m_findText = FindText();
  m_options = Options() | frFindNext;
  RunEvent(OnFind, this);
}

TDirectoryChooser::TDirectoryChooser(TComponent* owner) : TComponent(owner) {}

bool TDirectoryChooser::Execute() { return CurrentModalDriver().ExecuteDirectoryChooser(*this); }

bool TDirectoryChooser::RunQtDialog() {
  const QString start = Directory.empty() ? DesktopOrHome() : QString::fromStdString(platform::NativePath(Directory));
  const QString chosen = QFileDialog::getExistingDirectory(QApplication::activeWindow(), Q(Title), start,
                                                           QFileDialog::ShowDirsOnly);
  if (chosen.isEmpty()) return false;
  Directory = ProgramPathOf(chosen);
  Representable = platform::Utf8FromSjis(Directory) == chosen.toStdString();
  return true;
}
