#include "pick_lists.h"

#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QScrollBar>
#include <QSocketNotifier>
#include <QStorageInfo>
#include <QStringDecoder>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "input/text_utf8.h"

namespace voltrigg {

namespace {

// File system types that hold no user files even where Qt lists them.
const std::set<QByteArray> kPseudoFileSystems = {
    "autofs", "binfmt_misc", "bpf",        "cgroup",     "cgroup2",   "configfs", "debugfs",
    "devpts", "devtmpfs",    "efivarfs",   "fusectl",    "hugetlbfs", "mqueue",   "nsfs",
    "proc",   "pstore",      "rpc_pipefs", "securityfs", "selinuxfs", "sysfs",    "tracefs"};

constexpr int kLevelRole = Qt::UserRole + 1;  // the folder list's indentation level
constexpr int kIndentPx = 8;                  // per level

QByteArray Join(const QByteArray& folder, const QByteArray& name) {
  return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// A byte shown as <E9>: Japanese fonts draw the backslash of \xE9 as a yen sign.
QString Hex(unsigned byte) { return '<' + QString::number(byte, 16).rightJustified(2, '0').toUpper() + '>'; }

QString EscapeControls(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
      out += Hex(c.unicode());
    } else {
      out += c;
    }
  }
  return out;
}

// Decodes `bytes` whole, or reports that they do not fit the encoding.
bool Decode(QStringDecoder&& decoder, const QByteArray& bytes, QString& text) {
  if (!decoder.isValid()) return false;
  text = decoder.decode(bytes);
  return !decoder.hasError();
}

constexpr auto kWhole = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

// The UTF-8 characters kept, every other byte as \xHH.
QString Escaped(const QByteArray& bytes) {
  QString out;
  for (qsizetype i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    qsizetype length = 0;  // of the UTF-8 sequence that this byte would start
    if (lead < 0x80) {
      length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
    }
    QString one;
    if (length > 0 && i + length <= bytes.size() &&
        Decode(QStringDecoder(QStringConverter::Utf8, kWhole), bytes.mid(i, length), one)) {
      out += EscapeControls(one);
      i += length;
    } else {
      out += Hex(lead);
      ++i;
    }
  }
  return out;
}

// Absolute, with "." and ".." resolved and no doubled or trailing separator.
QByteArray AbsoluteClean(const QByteArray& folder) {
  QByteArray path = folder;
  if (!path.startsWith('/')) {
    std::error_code ec;
    const std::string current = std::filesystem::current_path(ec).native();
    if (!ec) path = QByteArray::fromStdString(current) + '/' + path;
  }
  if (!path.startsWith('/')) return path;  // the current folder is unknown; opening it fails
  QList<QByteArray> parts;
  for (const QByteArray& part : path.split('/')) {
    if (part.isEmpty() || part == ".") continue;
    if (part == "..") {
      if (!parts.isEmpty()) parts.removeLast();
      continue;
    }
    parts << part;
  }
  return '/' + parts.join('/');
}

bool IsCsvName(const QByteArray& name) { return name.size() > 4 && name.right(4).toLower() == ".csv"; }

// Indents the folder list's rows by their level and marks the focused row in
// every style, not only after the focus has been moved by a key.
class PickListDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem shifted(option);
    shifted.rect.setLeft(shifted.rect.left() + Indent(index));
    QStyledItemDelegate::paint(painter, shifted, index);
    if (shifted.state & QStyle::State_HasFocus) {
      const bool selected = shifted.state & QStyle::State_Selected;
      painter->save();
      painter->setPen(
          QPen(shifted.palette.color(selected ? QPalette::HighlightedText : QPalette::Text), 1, Qt::DotLine));
      painter->drawRect(shifted.rect.adjusted(0, 0, -1, -1));
      painter->restore();
    }
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.rwidth() += Indent(index);
    return size;
  }

 private:
  static int Indent(const QModelIndex& index) { return index.data(kLevelRole).toInt() * kIndentPx; }
};

}  // namespace

QString ShownName(const QByteArray& name) {
  QString text;
  if (Decode(QStringDecoder(QStringConverter::Utf8, kWhole), name, text)) return EscapeControls(text);
  if (const std::optional<std::string> cp932 = DecodeCp932(name.toStdString()))
    return EscapeControls(QString::fromStdString(*cp932));
  return Escaped(name);
}

QString ShownPath(const QByteArray& path) {
  QStringList parts;
  for (const QByteArray& part : path.split('/')) parts << ShownName(part);
  return parts.join('/');
}

bool ReadFolder(const QByteArray& folder, bool subfolders, QList<QByteArray>& names, QString& error) {
  auto fail = [&](int code) {
    error = QStringLiteral("フォルダを読み込めません: %1 (%2)")
                .arg(ShownPath(folder), QString::fromLocal8Bit(std::strerror(code)));
    return false;
  };
  DIR* d = ::opendir(folder.constData());
  if (d == nullptr) return fail(errno);
  std::vector<std::pair<QString, QByteArray>> found;  // shown name, bytes
  int read_error = 0;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(d);
    if (entry == nullptr) {
      read_error = errno;
      break;
    }
    const QByteArray name(entry->d_name);
    if (name.startsWith('.')) continue;  // hidden, and "." and ".."
    struct stat st {};
    if (::fstatat(::dirfd(d), entry->d_name, &st, 0) != 0) continue;  // a link to nothing
    const bool wanted = subfolders ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode) && IsCsvName(name);
    if (wanted) found.emplace_back(ShownName(name), name);
  }
  ::closedir(d);
  if (read_error != 0) return fail(read_error);
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    const int c = QString::compare(a.first, b.first, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.second < b.second;
  });
  names.clear();
  for (const auto& f : found) names << f.second;
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

QString DriveList::DriveOf(const QByteArray& folder) const {
  QString best = QStringLiteral("/");
  for (int i = 0; i < count(); ++i) {
    const QString d = itemText(i);
    const QByteArray bytes = QFile::encodeName(d);
    const bool holds = folder == bytes || folder.startsWith(bytes.endsWith('/') ? bytes : bytes + '/');
    if (holds && d.size() > best.size()) best = d;
  }
  return best;
}

void DriveList::SelectQuietly(const QString& drive) {
  const QSignalBlocker quiet(this);
  setCurrentIndex(findText(drive));
}

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new PickListDelegate(this));
  connect(this, &QListWidget::itemActivated, this, &FolderList::Open);
}

bool FolderList::SetPath(const QByteArray& folder, QString& error) {
  const QByteArray path = AbsoluteClean(folder);
  QList<QByteArray> subfolders;
  if (!ReadFolder(path, true, subfolders, error)) return false;

  clear();
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  // The path from the root down, each level indented a little more.
  auto add = [this](const QIcon& icon, int level, const QString& name, const QByteArray& target) {
    auto* item = new QListWidgetItem(icon, name, this);
    item->setData(Qt::UserRole, target);
    item->setData(kLevelRole, level);
    return item;
  };
  QByteArray shown = "/";
  int depth = 0;
  QListWidgetItem* current = add(open, depth, QStringLiteral("/"), shown);
  for (const QByteArray& part : path.split('/')) {
    if (part.isEmpty()) continue;
    shown = Join(shown, part);
    current = add(open, ++depth, ShownName(part), shown);
  }
  for (const QByteArray& name : subfolders) add(closed, depth + 1, ShownName(name), Join(path, name));
  setCurrentItem(current);

  const bool changed = path != path_;
  path_ = path;
  if (changed) emit PathChanged();
  return true;
}

void FolderList::Open(QListWidgetItem* item) {
  QString error;
  if (!SetPath(item->data(Qt::UserRole).toByteArray(), error)) emit ReadFailed(error);
}

FileList::FileList(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new PickListDelegate(this));
  // A click picks even the file already selected; the keyboard picks by moving the selection.
  connect(this, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { emit Picked(item->text(), item->data(Qt::UserRole).toByteArray()); });
  connect(this, &QListWidget::itemSelectionChanged, this, [this] {
    const QList<QListWidgetItem*> selected = selectedItems();
    if (!selected.isEmpty()) emit Picked(selected.first()->text(), selected.first()->data(Qt::UserRole).toByteArray());
  });

  // A copy or a save into the folder comes as a burst of changes: one refresh after it settles.
  settle_ = new QTimer(this);
  settle_->setSingleShot(true);
  settle_->setInterval(150);
  connect(settle_, &QTimer::timeout, this, &FileList::FolderChanged);
  watch_fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_fd_ >= 0) {
    watch_notifier_ = new QSocketNotifier(static_cast<qintptr>(watch_fd_), QSocketNotifier::Read, this);
    connect(watch_notifier_, &QSocketNotifier::activated, this, [this] {
      alignas(inotify_event) char events[4096];
      while (::read(watch_fd_, events, sizeof events) > 0) {
      }
      settle_->start();
    });
  }
}

FileList::~FileList() {
  delete watch_notifier_;
  if (watch_fd_ >= 0) ::close(watch_fd_);
}

void FileList::Fill(const QList<QByteArray>& names) {
  clear();
  for (const QByteArray& name : names) {
    auto* item = new QListWidgetItem(ShownName(name), this);
    item->setData(Qt::UserRole, name);
  }
  // A current row without a selection, so the list shows where the keys start when it takes the focus.
  if (count() > 0) selectionModel()->setCurrentIndex(model()->index(0, 0), QItemSelectionModel::NoUpdate);
}

bool FileList::SetPath(const QByteArray& folder, QString& error) {
  QList<QByteArray> names;
  if (!ReadFolder(folder, false, names, error)) return false;
  path_ = folder;
  stale_ = false;
  Fill(names);
  Watch();  // anew each time: a folder removed and made again is another one
  return true;
}

bool FileList::Refresh(QString& error) {
  QList<QByteArray> names;
  if (!ReadFolder(path_, false, names, error)) return false;
  stale_ = false;
  auto bytes = [](const QListWidgetItem* item) {
    return item != nullptr ? item->data(Qt::UserRole).toByteArray() : QByteArray();
  };
  const QList<QListWidgetItem*> selected = selectedItems();
  const QByteArray picked = selected.isEmpty() ? QByteArray() : bytes(selected.first());
  const QByteArray at = bytes(currentItem());
  const int scrolled = verticalScrollBar()->value();
  {
    // The selection that stays is no new pick.
    const QSignalBlocker quiet(this);
    Fill(names);
    for (int i = 0; i < count(); ++i) {
      const QByteArray name = bytes(item(i));
      if (!at.isNull() && name == at)
        selectionModel()->setCurrentIndex(indexFromItem(item(i)), QItemSelectionModel::NoUpdate);
      if (!picked.isNull() && name == picked) item(i)->setSelected(true);
    }
  }
  verticalScrollBar()->setValue(scrolled);
  return true;
}

void FileList::Watch() {
  if (watch_fd_ < 0) return;
  if (watch_ >= 0) ::inotify_rm_watch(watch_fd_, watch_);
  watch_ = ::inotify_add_watch(
      watch_fd_, path_.constData(),
      IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
}

void FileList::FolderChanged() {
  // Hidden during a run: the list is read again when the window comes back.
  if (!isVisible()) {
    stale_ = true;
    return;
  }
  QString error;
  (void)Refresh(error);  // a folder that has gone keeps its last list; opening a file from it tells why
}

void FileList::showEvent(QShowEvent* event) {
  QListWidget::showEvent(event);
  if (stale_) {
    QString error;
    (void)Refresh(error);
  }
}

}  // namespace voltrigg
