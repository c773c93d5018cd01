#include "pick_lists.h"

#include <dirent.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <cerrno>
#include <cstring>
#include <set>

namespace voltrigg {

namespace {

// File system types that hold no user files even where Qt lists them.
const std::set<QByteArray> kPseudoFileSystems = {
    "autofs",  "binfmt_misc", "bpf",    "cgroup", "cgroup2",   "configfs", "debugfs", "devpts",
    "devtmpfs", "efivarfs",   "fusectl", "hugetlbfs", "mqueue", "nsfs",    "proc",    "pstore",
    "rpc_pipefs", "securityfs", "selinuxfs", "sysfs", "tracefs"};

QString Join(const QString& folder, const QString& name) {
  return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

}  // namespace

bool ReadFolder(const QString& folder, bool subfolders, QStringList& names, QString& error) {
  // QDir lists an unreadable folder as empty; opendir tells why it cannot be read.
  DIR* d = ::opendir(QFile::encodeName(folder).constData());
  if (d == nullptr) {
    error = QStringLiteral("フォルダを読み込めません: %1 (%2)").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  ::closedir(d);
  const QDir dir(folder);
  if (subfolders) {
    names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  } else {
    // Name filters match regardless of letter case unless told otherwise.
    names = dir.entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
  }
  return true;
}

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
  QStringList drives;
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
    if (!v.isValid() || !v.isReady() || kPseudoFileSystems.count(v.fileSystemType())) continue;
    // Containers bind single files (such as /etc/hosts) as mounts: only folders count.
    if (!QFileInfo(v.rootPath()).isDir()) continue;
    if (!drives.contains(v.rootPath())) drives << v.rootPath();
  }
  if (!drives.contains(QStringLiteral("/"))) drives << QStringLiteral("/");
  drives.sort();  // "/" sorts first
  addItems(drives);
}

QString DriveList::DriveOf(const QString& folder) const {
  QString best = QStringLiteral("/");
  for (int i = 0; i < count(); ++i) {
    const QString d = itemText(i);
    const bool holds = folder == d || folder.startsWith(d.endsWith('/') ? d : d + '/');
    if (holds && d.size() > best.size()) best = d;
  }
  return best;
}

void DriveList::SelectQuietly(const QString& drive) {
  const QSignalBlocker quiet(this);
  setCurrentIndex(findText(drive));
}

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
  connect(this, &QListWidget::itemActivated, this, &FolderList::Open);
}

bool FolderList::SetPath(const QString& folder, QString& error) {
  const QString path = QDir::cleanPath(QDir(folder).absolutePath());
  QStringList subfolders;
  if (!ReadFolder(path, true, subfolders, error)) return false;

  clear();
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  // The path from the root down, each level indented a little more.
  QString shown = QStringLiteral("/");
  int depth = 0;
  auto add = [this](const QIcon& icon, int level, const QString& name, const QString& target) {
    auto* item = new QListWidgetItem(icon, QString(static_cast<qsizetype>(level) * 2, ' ') + name, this);
    item->setData(Qt::UserRole, target);
    return item;
  };
  QListWidgetItem* current = add(open, depth, shown, shown);
  for (const QString& part : path.split('/', Qt::SkipEmptyParts)) {
    shown = Join(shown, part);
    current = add(open, ++depth, part, shown);
  }
  for (const QString& name : subfolders) add(closed, depth + 1, name, Join(path, name));
  setCurrentItem(current);

  const bool changed = path != path_;
  path_ = path;
  if (changed) emit PathChanged();
  return true;
}

void FolderList::Open(QListWidgetItem* item) {
  QString error;
  if (!SetPath(item->data(Qt::UserRole).toString(), error)) emit ReadFailed(error);
}

FileList::FileList(QWidget* parent) : QListWidget(parent) {
  // A click picks even the file already selected; the keyboard picks by moving the selection.
  connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { emit Picked(item->text()); });
  connect(this, &QListWidget::itemSelectionChanged, this, [this] {
    const QList<QListWidgetItem*> selected = selectedItems();
    if (!selected.isEmpty()) emit Picked(selected.first()->text());
  });
}

bool FileList::SetPath(const QString& folder, QString& error) {
  QStringList names;
  if (!ReadFolder(folder, false, names, error)) return false;
  path_ = folder;
  clear();
  addItems(names);
  return true;
}

}  // namespace voltrigg
