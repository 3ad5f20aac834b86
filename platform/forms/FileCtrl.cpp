#include "platform/forms/FileCtrl.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QListWidget>
#include <QStorageInfo>
#include <QStyle>

#include "platform/files/Files.h"
#include "platform/forms/Bridge.h"
#include "platform/text/ShiftJis.h"

using namespace platform::forms;

namespace {

std::string Native(const std::string& programPath) { return platform::NativePath(programPath); }
std::string Program(const QString& native) { return platform::ProgramPath(native.toStdString()); }

}  // namespace

class FolderListWidget : public Hooked<QListWidget> {
 public:
  FolderListWidget(TDirectoryListBox* list, QWidget* parent) : Hooked<QListWidget>(list, parent), m_list(list) {
    connect(this, &QListWidget::itemDoubleClicked, [this](QListWidgetItem* item) { Open(row(item)); });
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      Open(currentRow());
      return;
    }
    Hooked<QListWidget>::keyPressEvent(event);
  }

 private:
  void Open(int row) {
    if (m_list && control) Guarded([&] { m_list->OpenRow(row); });
  }
  TDirectoryListBox* m_list;
};

namespace {

QListWidget* FolderListOf(const TDirectoryListBox* list) { return static_cast<QListWidget*>(list->Widget()); }

}  // namespace

TDirectoryListBox::TDirectoryListBox(TWinControl* parent)
    : TWinControl(parent, new FolderListWidget(this, ParentWidgetOf(parent))) {
  SetColor(clWindow);
  SetDirectory(Program(QDir::currentPath()));
}

void TDirectoryListBox::SetDirectory(const std::string& path) {
  QDir dir(QString::fromStdString(Native(path)));
  if (!dir.exists()) return;
  std::string opened = Program(dir.canonicalPath());
  if (opened == m_directory) return;
  m_directory = opened;
  Fill();
  if (m_label) m_label->SetCaption(m_directory);
  RunEvent(OnChange, this);
}

void TDirectoryListBox::SetDirLabel(TLabel* label) {
  m_label = label;
  if (m_label) m_label->SetCaption(m_directory);
}

std::string TDirectoryListBox::RowText(int index) const {
  return index >= 0 && index < Count() ? m_rows[index].name : std::string();
}

std::string TDirectoryListBox::RowDirectory(int index) const {
  return index >= 0 && index < Count() ? Program(QString::fromStdString(m_rows[index].path)) : std::string();
}

int TDirectoryListBox::ItemIndex() const { return FolderListOf(this)->currentRow(); }

void TDirectoryListBox::SetItemIndex(int index) { FolderListOf(this)->setCurrentRow(index); }

void TDirectoryListBox::OpenRow(int index) {
  if (index >= 0 && index < Count()) SetDirectory(RowDirectory(index));
}

// Rows: "/" and each folder down to the open one (open-folder pictures),
// then the open folder's subfolders in name order (closed-folder pictures).
void TDirectoryListBox::Fill() {
  m_rows.clear();
  QString path = QString::fromStdString(Native(m_directory));
  QStringList parts = path.split('/', Qt::SkipEmptyParts);
  m_rows.push_back({"/", "/", 0, true});
  QString walked;
  for (const QString& part : parts) {
    walked += '/' + part;
    m_rows.push_back({S(part), walked.toStdString(), static_cast<int>(m_rows.size()), true});
  }
  QDir dir(path);
  int childLevel = static_cast<int>(m_rows.size());
  for (const QFileInfo& child : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
    m_rows.push_back({S(child.fileName()), child.absoluteFilePath().toStdString(), childLevel, false});
  QListWidget* list = FolderListOf(this);
  list->clear();
  QStyle* style = QApplication::style();
  for (const Row& row : m_rows) {
    auto* item = new QListWidgetItem(style->standardIcon(row.open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon),
                                     QString(row.level * 2, ' ') + Q(row.name));
    list->addItem(item);
  }
  list->setCurrentRow(childLevel - 1);
}

namespace {

QComboBox* DriveBoxOf(const TDriveComboBox* box) { return static_cast<QComboBox*>(box->Widget()); }

}  // namespace

TDriveComboBox::TDriveComboBox(TWinControl* parent)
    : TWinControl(parent, new Hooked<QComboBox>(this, ParentWidgetOf(parent))) {
  QComboBox* box = DriveBoxOf(this);
  for (const std::string& drive : Drives()) box->addItem(Q(drive));
  m_drive = Drives().front();
  QObject::connect(box, &QComboBox::activated, [this](int index) { Choose(index); });
}

std::vector<std::string> TDriveComboBox::Drives() const {
  std::vector<std::string> drives{"/"};
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    QString root = volume.rootPath();
    if (!volume.isValid() || !volume.isReady() || root == "/") continue;
    if (root.startsWith("/media/") || root.startsWith("/mnt/") || root.startsWith("/run/media/"))
      drives.push_back(Program(root));
  }
  return drives;
}

void TDriveComboBox::SetDrive(const std::string& root) {
  QComboBox* box = DriveBoxOf(this);
  int index = box->findText(Q(root));
  if (index < 0) return;
  box->setCurrentIndex(index);
  Choose(index);
}

void TDriveComboBox::Choose(int index) {
  std::string drive = S(DriveBoxOf(this)->itemText(index));
  if (drive == m_drive) return;
  m_drive = drive;
  if (m_dirList) m_dirList->SetDirectory(drive);
  RunEvent(OnChange, this);
}
