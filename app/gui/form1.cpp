#include "form1.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/shared/text_catalogue.h"
#include "identity.h"
#include "pick_lists.h"

namespace voltrigg {

namespace {

// Positions are kept in twips as the window's layout table has them; 15 twips
// make one pixel at 96 dpi, and Qt scales the pixels for denser screens.
QRect Twips(int left, int top, int width, int height) { return {left / 15, top / 15, width / 15, height / 15}; }

template <typename W>
W* Place(W* w, const char* name, QRect where) {
  w->setObjectName(QString::fromLatin1(name));
  w->setGeometry(where);
  return w;
}

QLabel* MakeLabel(QWidget* parent, const char* name, QRect where, const char* text) {
  auto* label = Place(new QLabel(QString::fromUtf8(text), parent), name, where);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QLineEdit* MakeTextBox(QWidget* parent, const char* name, QRect where, const char* tooltip) {
  auto* box = Place(new QLineEdit(parent), name, where);
  if (tooltip != nullptr) box->setToolTip(QString::fromUtf8(tooltip));
  return box;
}

int MessageBoxMinimumWidth(const QString& title) {
  // Title bars use a font of their own, often bold and larger than the
  // window's, and share their width with an icon and three caption buttons.
  QFont caption = WindowFont();
  caption.setPixelSize(WindowFont().pixelSize() * 3 / 2);
  caption.setBold(true);
  constexpr int kIconAndButtonsPx = 32 + 3 * 32 + 24;
  return QFontMetrics(caption).horizontalAdvance(title) + kIconAndButtonsPx;
}

}  // namespace

QFont WindowFont() {
  // Japanese glyphs, at a size that lets every caption show whole in its label.
  QFont font;
  font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP"),
                    QStringLiteral("VL PGothic")});
  font.setPixelSize(11);
  return font;
}

void ShowMessageBox(QWidget* window, const QString& text) {
  const QString title = QString::fromUtf8(identity::kApplicationTitle);
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, window);
  box.setTextFormat(Qt::PlainText);  // paths and file contents are shown as they are
  // The box sizes itself to its text (wrapping long texts) and allows its title
  // only a small margin; a spacer across its layout keeps it wide enough for both.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(MessageBoxMinimumWidth(title), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  box.exec();
}

Form1::Form1(MessageFunction message, QWidget* parent) : QWidget(parent), message_(std::move(message)) {
  // The window speaks Japanese; so do the core's faults a run shows in it.
  SpeakFaultsIn(Language::Japanese);
  setWindowTitle(QString::fromUtf8(identity::kWindowCaption));
  setWindowIcon(QIcon(QStringLiteral(":/voltrigg/voltrigg-32.png")));
  resize(444, 396);
  setFont(WindowFont());

  Label1 = MakeLabel(this, "Label1", Twips(240, 240, 4215, 375), "使用するCSVファイルを指定してください");
  Drive1 = Place(new DriveList(this), "Drive1", Twips(240, 600, 3255, 300));
  Drive1->setToolTip(QString::fromUtf8("データが格納されているドライブを指定してください"));
  Dir1 = Place(new FolderList(this), "Dir1", Twips(240, 1080, 3255, 1770));
  Dir1->setToolTip(QString::fromUtf8("データが格納されているフォルダを指定してください"));
  File1 = Place(new FileList(this), "File1", Twips(3720, 240, 2655, 2070));
  File1->setToolTip(QString::fromUtf8("使用するCSVファイルを選択してください"));
  Label4 = MakeLabel(this, "Label4", Twips(3720, 2400, 2295, 375), "選択されたファイル");
  txtInputFile = MakeTextBox(this, "txtInputFile", Twips(3720, 2640, 2655, 270), nullptr);
  Label2 = MakeLabel(this, "Label2", Twips(240, 3120, 3255, 255), "直列モジュール数を入力してください (<20)");
  txtSeriesNumber =
      MakeTextBox(this, "txtSeriesNumber", Twips(3600, 3240, 975, 270), "直列モジュール数を半角数字で入力してください");
  Label3 = MakeLabel(this, "Label3", Twips(240, 3720, 3255, 255), "並列ストリング数を入力してください (<100)");
  txtParallelNumber = MakeTextBox(this, "txtParallelNumber", Twips(3600, 3840, 975, 270),
                                  "並列ストリング数を半角数字で入力してください");
  Picture1 = Place(new QLabel(this), "Picture1", Twips(4800, 3000, 1470, 1425));
  Picture1->setPixmap(QPixmap(QStringLiteral(":/voltrigg/logo.gif")));
  Line1 = Place(new QFrame(this), "Line1", QRect(240 / 15, 4320 / 15, (4440 - 240) / 15 + 1, 1));
  Line1->setFrameStyle(QFrame::HLine | QFrame::Plain);
  Label5 = MakeLabel(this, "Label5", Twips(240, 4440, 3030, 180), "出力データファイル名を入力してください");
  Label6 = MakeLabel(this, "Label6", Twips(1800, 4680, 2010, 180), "(CSV形式で保存されます)");
  TxtOutputFile = MakeTextBox(this, "TxtOutputFile", Twips(480, 5040, 3375, 270),
                              "計算結果を出力するファイルの名前を入力してください");
  CmdOK = Place(new QPushButton(QString::fromUtf8("実行"), this), "CmdOK", Twips(4080, 4800, 1095, 495));
  Command2 = Place(new QPushButton(QString::fromUtf8("終了"), this), "Command2", Twips(5400, 4800, 1095, 495));
  // Enter and keypad Enter press the focused button, as on the desktop generally.
  CmdOK->setAutoDefault(true);
  Command2->setAutoDefault(true);
  // Reaches below the client area on purpose: the bottom of the label is clipped.
  Label7 = MakeLabel(this, "Label7", Twips(120, 5520, 6375, 495), identity::kLegalCopyright);

  QWidget* order[] = {Drive1,        Dir1,  File1,   txtInputFile, txtSeriesNumber, txtParallelNumber,
                      TxtOutputFile, CmdOK, Command2};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  Drive1->setFocus();

  // Start in the process's current folder, or the root of its drive if that
  // cannot be read; what could not be read is reported once the window shows.
  QStringList errors;
  QString error;
  std::error_code ec;
  const QByteArray start = QByteArray::fromStdString(std::filesystem::current_path(ec).native());
  shown_drive_ = Drive1->DriveOf(start);
  Drive1->SelectQuietly(shown_drive_);
  if (ec) {
    errors << QStringLiteral("フォルダを読み込めません: 現在のフォルダ (%1)")
                  .arg(QString::fromLocal8Bit(std::strerror(ec.value())));
  }
  if (ec || !Dir1->SetPath(start, error)) {
    if (!ec) errors << error;
    if (!Dir1->SetPath(QFile::encodeName(shown_drive_), error)) errors << error;
  }
  if (!File1->SetPath(Dir1->Path(), error)) errors << error;
  last_folder_[Drive1->DriveOf(Dir1->Path())] = Dir1->Path();
  for (const QString& e : errors) {
    QTimer::singleShot(0, this, [this, e] { message_(this, e); });
  }

  connect(Drive1, &QComboBox::currentIndexChanged, this, &Form1::Drive1_Change);
  connect(Dir1, &FolderList::PathChanged, this, &Form1::Dir1_Change);
  connect(Dir1, &FolderList::ReadFailed, this, [this](const QString& text) { message_(this, text); });
  connect(File1, &FileList::Picked, this, &Form1::File1_Click);
  connect(txtInputFile, &QLineEdit::textChanged, this, &Form1::txtInputFile_Change);
  connect(TxtOutputFile, &QLineEdit::textChanged, this, &Form1::TxtOutputFile_Change);
  connect(CmdOK, &QPushButton::clicked, this, &Form1::CmdOK_Click);
  connect(Command2, &QPushButton::clicked, this, &QWidget::close);
}

std::string Form1::SeriesText() { return txtSeriesNumber->text().toStdString(); }

std::string Form1::ParallelText() { return txtParallelNumber->text().toStdString(); }

void Form1::Message(const std::string& text) { message_(this, QString::fromStdString(text)); }

void Form1::RefreshFileList() {
  // Read anew with nothing selected: after a completed run no file is picked.
  QString error;
  if (!File1->SetPath(File1->Path(), error)) message_(this, error);
}

void Form1::Drive1_Change() {
  // The drive's folder last shown, or its root when that folder has gone.
  const QString drive = Drive1->Drive();
  const QByteArray root = QFile::encodeName(drive);
  const QByteArray folder = last_folder_.value(drive, root);
  QString error;
  bool shown = Dir1->SetPath(folder, error);
  if (!shown && folder != root) shown = Dir1->SetPath(root, error);
  if (!shown) {
    Drive1->SelectQuietly(shown_drive_);  // the lists stay on the drive they show
    message_(this, error);
    return;
  }
  shown_drive_ = drive;
}

void Form1::Dir1_Change() {
  last_folder_[Drive1->DriveOf(Dir1->Path())] = Dir1->Path();
  QString error;
  if (!File1->SetPath(Dir1->Path(), error)) message_(this, error);
}

void Form1::File1_Click(const QString& name, const QByteArray& bytes) {
  picked_name_ = name;
  picked_bytes_ = bytes;
  // Picking the name the box already holds still composes the path anew, so the
  // file can be picked again after a run has emptied InputPath.
  if (txtInputFile->text() == name) {
    txtInputFile_Change();
  } else {
    txtInputFile->setText(name);
  }
}

std::string Form1::Compose(const QByteArray& name) const { return (Dir1->Path() + '/' + name).toStdString(); }

QByteArray Form1::InputFileName() const {
  const QString text = txtInputFile->text();
  return !picked_name_.isEmpty() && text == picked_name_ ? picked_bytes_ : text.toUtf8();
}

void Form1::txtInputFile_Change() {
  // The name goes into the result file as the file system has it, as voltrigg-cli writes it.
  const QByteArray name = InputFileName();
  state_.InputPath = Compose(name);
  state_.InputName = name.toStdString();
}

// The result's name is always UTF-8, whatever the names around it.
void Form1::TxtOutputFile_Change() { state_.OutputBase = Compose(TxtOutputFile->text().toUtf8()); }

void Form1::CmdOK_Click() {
  try {
    CalculationRun(state_, *this);
  } catch (const std::exception& e) {
    // A run reports its own failures; nothing else may leave the window hidden.
    state_.ClearTables();
    Message(std::string("計算中に予期しないエラーが発生しました: ") + e.what());
    show();
  }
}

Form1* OpenProgramWindow(MessageFunction message) {
  auto* window = new Form1(std::move(message));
  window->setAttribute(Qt::WA_DeleteOnClose);
  // The window hides during a run while its message boxes come and go; only
  // closing the window itself ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  QObject::connect(window, &QObject::destroyed, qApp, &QCoreApplication::quit);
  window->show();
  return window;
}

}  // namespace voltrigg
