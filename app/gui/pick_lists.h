#pragma once
#include <QComboBox>
#include <QListWidget>
#include <QString>

namespace voltrigg {

// Reads the names in `folder`: its subfolders or its files matching *.csv in
// any letter case, hidden ones left out, sorted without regard to case. False
// with a message in `error` when the folder cannot be read.
bool ReadFolder(const QString& folder, bool subfolders, QStringList& names, QString& error);

// Drive1: the mounted file systems that hold files, by mount point.
class DriveList : public QComboBox {
 public:
  explicit DriveList(QWidget* parent);

  QString Drive() const { return currentText(); }
  // The listed mount point that holds `folder` (the longest one that is a prefix of it).
  QString DriveOf(const QString& folder) const;
  // Selects the drive without raising the change event.
  void SelectQuietly(const QString& drive);
};

// Dir1: the path from the root down to the current folder, then its subfolders.
// Opening an entry (double click or Enter) makes it the current folder.
class FolderList : public QListWidget {
  Q_OBJECT
 public:
  explicit FolderList(QWidget* parent);

  // The current folder without a trailing separator; "/" at the root.
  QString Path() const { return path_; }
  // Shows `folder`; false with the list unchanged when it cannot be read.
  bool SetPath(const QString& folder, QString& error);

 signals:
  void PathChanged();
  void ReadFailed(const QString& message);

 private:
  void Open(QListWidgetItem* item);

  QString path_;
};

// File1: the *.csv files of one folder.
class FileList : public QListWidget {
  Q_OBJECT
 public:
  explicit FileList(QWidget* parent);

  QString Path() const { return path_; }
  // Lists `folder`; false with the list unchanged when it cannot be read.
  bool SetPath(const QString& folder, QString& error);
  // Reads the same folder again.
  bool Refresh(QString& error) { return SetPath(path_, error); }

 signals:
  // The user selected a file, or clicked the selected one again.
  void Picked(const QString& name);

 private:
  QString path_;
};

}  // namespace voltrigg
