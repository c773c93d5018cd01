#pragma once
#include <QByteArray>
#include <QComboBox>
#include <QList>
#include <QListWidget>
#include <QString>

class QSocketNotifier;
class QTimer;

namespace voltrigg {

// A file or folder name as the lists show it. Names are bytes: valid UTF-8 is
// shown as it is, other names as Shift-JIS (Windows code page 932, common on
// disks and archives from Japanese Windows machines) when they decode as such,
// and otherwise with each byte that fits neither shown as <HH> in hex. Control
// characters are shown as <HH> as well.
QString ShownName(const QByteArray& name);

// A whole path shown name by name.
QString ShownPath(const QByteArray& path);

// Reads the names in `folder`, as bytes: its subfolders or its files matching
// *.csv in any letter case, hidden ones left out, sorted by their shown names
// without regard to case. False with a message in `error` when the folder
// cannot be read.
bool ReadFolder(const QByteArray& folder, bool subfolders, QList<QByteArray>& names, QString& error);

// Drive1: the mounted file systems that hold files, by mount point.
class DriveList : public QComboBox {
 public:
  explicit DriveList(QWidget* parent);

  QString Drive() const { return currentText(); }
  // The listed mount point that holds `folder` (the longest one that is a prefix of it).
  QString DriveOf(const QByteArray& folder) const;
  // Selects the drive without raising the change event.
  void SelectQuietly(const QString& drive);
};

// Dir1: the path from the root down to the current folder, then its subfolders,
// each level indented by the item view rather than by its text, so typing a
// name's first letters finds it. Opening an entry (double click or Enter)
// makes it the current folder.
class FolderList : public QListWidget {
  Q_OBJECT
 public:
  explicit FolderList(QWidget* parent);

  // The current folder as bytes, without a trailing separator; "/" at the root.
  QByteArray Path() const { return path_; }
  // Shows `folder`; false with the list unchanged when it cannot be read.
  bool SetPath(const QByteArray& folder, QString& error);

 signals:
  void PathChanged();
  void ReadFailed(const QString& message);

 private:
  void Open(QListWidgetItem* item);

  QByteArray path_;
};

// File1: the *.csv files of one folder. It follows the folder while it is
// shown: files that come or go appear or vanish, and the selected file stays
// selected while its name is there.
class FileList : public QListWidget {
  Q_OBJECT
 public:
  explicit FileList(QWidget* parent);
  ~FileList() override;

  QByteArray Path() const { return path_; }
  // Lists `folder` with nothing selected; false with the list unchanged when
  // it cannot be read.
  bool SetPath(const QByteArray& folder, QString& error);
  // Reads the same folder again, keeping the selection where the name is still there.
  bool Refresh(QString& error);

 signals:
  // The user selected a file, or clicked the selected one again: its shown
  // name and its name as bytes.
  void Picked(const QString& name, const QByteArray& bytes);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Fill(const QList<QByteArray>& names);
  void Watch();
  void FolderChanged();

  QByteArray path_;
  int watch_fd_ = -1;  // inotify; watches by path bytes, which Qt's watcher cannot take
  int watch_ = -1;
  QSocketNotifier* watch_notifier_ = nullptr;
  QTimer* settle_ = nullptr;  // one refresh for a burst of changes
  bool stale_ = false;        // the folder changed while the list was hidden
};

}  // namespace voltrigg
