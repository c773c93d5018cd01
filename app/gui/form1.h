#pragma once
#include <QFont>
#include <QHash>
#include <QWidget>
#include <functional>

#include "run/calculation_run.h"
#include "run/run_state.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace voltrigg {

class DriveList;
class FileList;
class FolderList;

// Shows `text` to the user and returns when it has been acknowledged. `window`
// is the main window (hidden while a run is under way).
using MessageFunction = std::function<void(QWidget* window, const QString& text)>;

// The font of the window and its message boxes.
QFont WindowFont();

// A modal box with the text alone, an OK button and the application title,
// wide enough that a window manager shows the whole title.
void ShowMessageBox(QWidget* window, const QString& text);

// The program's one window: picks the module list and the result file name,
// takes the two counts and starts a calculation run from the Run button.
class Form1 : public QWidget, public RunFrontEnd {
  Q_OBJECT
 public:
  explicit Form1(MessageFunction message = ShowMessageBox, QWidget* parent = nullptr);

  const RunState& State() const { return state_; }

  // RunFrontEnd
  std::string SeriesText() override;
  std::string ParallelText() override;
  void Hide() override { hide(); }
  void Show() override { show(); }
  void Message(const std::string& text) override;
  void RefreshFileList() override;

 private:
  void Drive1_Change();
  void Dir1_Change();
  void File1_Click(const QString& name, const QByteArray& bytes);
  void txtInputFile_Change();
  void TxtOutputFile_Change();
  void CmdOK_Click();

  // The folder of Dir1, the separator, then the name.
  std::string Compose(const QByteArray& name) const;
  // txtInputFile's text as a file name: the picked file's own bytes while the
  // box shows its name (which need not be UTF-8), otherwise the text in UTF-8.
  QByteArray InputFileName() const;

  MessageFunction message_;
  RunState state_;
  QHash<QString, QByteArray> last_folder_;  // per drive, the folder Dir1 last showed on it
  QString shown_drive_;                     // the drive whose folder Dir1 shows
  QString picked_name_;                     // the file last picked in File1, as shown
  QByteArray picked_bytes_;                 // and as its name's bytes

  QLabel* Label1;
  DriveList* Drive1;
  FolderList* Dir1;
  FileList* File1;
  QLabel* Label4;
  QLineEdit* txtInputFile;
  QLabel* Label2;
  QLineEdit* txtSeriesNumber;
  QLabel* Label3;
  QLineEdit* txtParallelNumber;
  QLabel* Picture1;
  QFrame* Line1;
  QLabel* Label5;
  QLabel* Label6;
  QLineEdit* TxtOutputFile;
  QPushButton* CmdOK;
  QPushButton* Command2;
  QLabel* Label7;
};

// Opens Form1 as the program's window: closing it, or its Quit button, ends
// the event loop at once. Message boxes closing while it is hidden do not.
Form1* OpenProgramWindow(MessageFunction message = ShowMessageBox);

}  // namespace voltrigg
