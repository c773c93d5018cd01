// Drives the real window on the offscreen platform: picking files, composing
// the three paths, runs from the Run button with the message boxes answered
// here, and quitting.
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "form1.h"
#include "identity.h"

using voltrigg::Form1;

namespace {

// Six modules: three strings of two.
const char kModuleList[] =
    "No,S/N,Pmax,Vpm,Ipm,Voc,Isc\r\n"
    "1,T-001,290.1,32.1,9.04,39.4,9.55\r\n"
    "2,T-002,295.3,32.5,9.09,39.6,9.61\r\n"
    "3,T-003,301.2,33.0,9.13,40.1,9.64\r\n"
    "4,T-004,299.8,32.6,9.20,39.7,9.72\r\n"
    "5,T-005,293.0,32.2,9.10,39.5,9.60\r\n"
    "6,T-006,297.4,32.7,9.11,39.8,9.63\r\n";

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QStringList Names(const QListWidget* list) {
  QStringList names;
  for (int i = 0; i < list->count(); ++i) names << list->item(i)->text().trimmed();
  return names;
}

QListWidgetItem* Item(const QListWidget* list, const QString& name) {
  for (int i = 0; i < list->count(); ++i) {
    if (list->item(i)->text().trimmed() == name) return list->item(i);
  }
  return nullptr;
}

// One window with a temporary folder tree and the messages it showed.
struct Harness {
  // A message box as the user sees it: the text, and what the window showed meanwhile.
  struct Shown {
    QString text;
    bool window_visible;
    QStringList files_listed;
  };

  QTemporaryDir tmp;
  QString root;
  std::unique_ptr<Form1> window;
  std::vector<Shown> messages;

  Harness() {
    root = tmp.path();
    QDir(root).mkpath(QStringLiteral("sub"));
    QDir(root).mkpath(QStringLiteral("x.csv"));  // a folder, not a file
    WriteFile(root + "/b.csv", "x");
    WriteFile(root + "/A.CSV", "x");
    WriteFile(root + "/Mixed.Csv", "x");
    WriteFile(root + "/c.txt", "x");
    WriteFile(root + "/modules.csv", kModuleList);
    WriteFile(root + "/sub/inner.csv", "x");
    window = std::make_unique<Form1>([this](QWidget* w, const QString& text) {
      messages.push_back({text, w->isVisible(), Names(File1())});
    });
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) qFatal("the window was not exposed");
    // The temporary folder serves as a drive of its own.
    Drive1()->addItem(root);
    Drive1()->setCurrentIndex(Drive1()->findText(root));
  }

  template <typename T>
  T* Find(const char* name) const {
    T* w = window->findChild<T*>(QString::fromLatin1(name));
    if (w == nullptr) qFatal("no control %s", name);
    return w;
  }
  QComboBox* Drive1() const { return Find<QComboBox>("Drive1"); }
  QListWidget* Dir1() const { return Find<QListWidget>("Dir1"); }
  QListWidget* File1() const { return Find<QListWidget>("File1"); }
  QLineEdit* Box(const char* name) const { return Find<QLineEdit>(name); }
  QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }

  std::string InputPath() const { return window->State().InputPath; }
  std::string InputName() const { return window->State().InputName; }
  std::string OutputBase() const { return window->State().OutputBase; }
  std::string At(const QString& path) const { return (root + path).toStdString(); }

  // The user's clicks.
  bool Pick(const QString& name) {
    QListWidgetItem* item = Item(File1(), name);
    if (item == nullptr) return false;
    QTest::mouseClick(File1()->viewport(), Qt::LeftButton, {}, File1()->visualItemRect(item).center());
    return true;
  }
  bool Open(const QString& folder) {
    QListWidgetItem* item = Item(Dir1(), folder);
    if (item == nullptr) return false;
    // A real double click: press and release, then the second press.
    const QPoint at = Dir1()->visualItemRect(item).center();
    QTest::mouseClick(Dir1()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(Dir1()->viewport(), Qt::LeftButton, {}, at);
    return true;
  }
  void Type(const char* box, const QString& text) {
    Box(box)->clear();
    QTest::keyClicks(Box(box), text);
  }
  void Run(const QString& series, const QString& parallel) {
    Box("txtSeriesNumber")->setText(series);
    Box("txtParallelNumber")->setText(parallel);
    messages.clear();
    QTest::mouseClick(Button("CmdOK"), Qt::LeftButton);
  }
};

}  // namespace

class Form1Tests : public QObject {
  Q_OBJECT
 private slots:
  void windowMatchesItsLayout();
  void logoAndIconImages();
  void listsFollowDriveAndFolder();
  void pickingAndTypingComposePaths();
  void completedRunsFromTheButton();
  void failedRunsKeepThePaths();
  void unreadableFolderLeavesListsAlone();
  void unreadableStartFolderIsReported();
  void shiftJisNamesAreListedPickedAndRun();
  void enterPressesTheFocusedButton();
  void listsShowTheFocusedRowAndFindByTyping();
  void fileListFollowsTheFolder();
  void messageBoxesShowTheirWholeTitleAndText();
  void quitAndCloseEndTheProgram();
};

void Form1Tests::windowMatchesItsLayout() {
  Harness h;
  Form1& w = *h.window;
  QCOMPARE(w.windowTitle(), QString::fromUtf8("Korvel - Voltrigg ver.1.0.3"));
  QCOMPARE(w.size(), QSize(444, 396));
  QVERIFY(w.layout() == nullptr);

  struct Control {
    const char* name;
    QRect twips;
    const char* text;
    const char* tooltip;
  };
  const Control controls[] = {
      {"Label1", {240, 240, 4215, 375}, "使用するCSVファイルを指定してください", ""},
      {"Drive1", {240, 600, 3255, 300}, nullptr, "データが格納されているドライブを指定してください"},
      {"Dir1", {240, 1080, 3255, 1770}, nullptr, "データが格納されているフォルダを指定してください"},
      {"File1", {3720, 240, 2655, 2070}, nullptr, "使用するCSVファイルを選択してください"},
      {"Label4", {3720, 2400, 2295, 375}, "選択されたファイル", ""},
      {"txtInputFile", {3720, 2640, 2655, 270}, "", ""},
      {"Label2", {240, 3120, 3255, 255}, "直列モジュール数を入力してください (<20)", ""},
      {"txtSeriesNumber", {3600, 3240, 975, 270}, "", "直列モジュール数を半角数字で入力してください"},
      {"Label3", {240, 3720, 3255, 255}, "並列ストリング数を入力してください (<100)", ""},
      {"txtParallelNumber", {3600, 3840, 975, 270}, "", "並列ストリング数を半角数字で入力してください"},
      {"Picture1", {4800, 3000, 1470, 1425}, nullptr, ""},
      {"Label5", {240, 4440, 3030, 180}, "出力データファイル名を入力してください", ""},
      {"Label6", {1800, 4680, 2010, 180}, "(CSV形式で保存されます)", ""},
      {"TxtOutputFile", {480, 5040, 3375, 270}, "", "計算結果を出力するファイルの名前を入力してください"},
      {"CmdOK", {4080, 4800, 1095, 495}, "実行", ""},
      {"Command2", {5400, 4800, 1095, 495}, "終了", ""},
      {"Label7", {120, 5520, 6375, 495}, voltrigg::identity::kLegalCopyright, ""},
  };
  for (const Control& c : controls) {
    auto* widget = h.Find<QWidget>(c.name);
    const QRect px(c.twips.x() / 15, c.twips.y() / 15, c.twips.width() / 15, c.twips.height() / 15);
    QCOMPARE(widget->geometry(), px);
    QCOMPARE(widget->toolTip(), QString::fromUtf8(c.tooltip));
    if (c.text == nullptr) continue;
    const QString text = QString::fromUtf8(c.text);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      QCOMPARE(label->text(), text);
      // Every caption shows whole in its width, in a font that has the glyphs.
      QVERIFY2(label->fontMetrics().horizontalAdvance(text) <= label->width(), c.name);
      for (QChar ch : text) QVERIFY2(label->fontMetrics().inFont(ch), c.name);
    } else if (auto* box = qobject_cast<QLineEdit*>(widget)) {
      QCOMPARE(box->text(), text);
    } else {
      QCOMPARE(qobject_cast<QPushButton*>(widget)->text(), text);
    }
  }
  // Label7's bottom lies below the client area and is clipped there.
  QCOMPARE(h.Find<QWidget>("Label7")->geometry().bottom() + 1, 6015 / 15);
  QCOMPARE(h.Find<QWidget>("Line1")->geometry(), QRect(16, 288, 281, 1));

  // Tab order, starting from the drive list, which has the focus at first.
  QCOMPARE(w.focusWidget(), h.Drive1());
  QStringList order;
  QWidget* f = h.Drive1();
  do {
    if (f->focusPolicy() & Qt::TabFocus) order << f->objectName();
    f = f->nextInFocusChain();
  } while (f != h.Drive1());
  QCOMPARE(order, QStringList({"Drive1", "Dir1", "File1", "txtInputFile", "txtSeriesNumber", "txtParallelNumber",
                               "TxtOutputFile", "CmdOK", "Command2"}));

  // Resizing leaves every control where it was.
  const QRect before = h.Button("CmdOK")->geometry();
  w.resize(800, 600);
  QCOMPARE(h.Button("CmdOK")->geometry(), before);
}

void Form1Tests::logoAndIconImages() {
  QFile gif(QStringLiteral(":/voltrigg/logo.gif"));
  QVERIFY(gif.open(QIODevice::ReadOnly));
  const QByteArray b = gif.readAll();
  auto u16 = [&b](int at) { return quint8(b[at]) | quint8(b[at + 1]) << 8; };
  QCOMPARE(b.left(6), QByteArray("GIF89a"));
  QCOMPARE(u16(6), 98);
  QCOMPARE(u16(8), 95);
  QCOMPARE(quint8(b[10]) & 0x87, 0x87);  // a global colour table of 2^(7+1) = 256 entries
  int at = 13 + 256 * 3;
  // Graphic control extension: transparency on, index 0.
  QCOMPARE(quint8(b[at]), 0x21);
  QCOMPARE(quint8(b[at + 1]), 0xF9);
  QCOMPARE(quint8(b[at + 3]) & 1, 1);
  QCOMPARE(quint8(b[at + 6]), 0);
  at += 8;
  QCOMPARE(quint8(b[at]), 0x2C);  // the image itself
  QCOMPARE(u16(at + 5), 98);
  QCOMPARE(u16(at + 7), 95);
  QCOMPARE(quint8(b[at + 9]) & 0xC0, 0x40);  // interlaced, no local table
  at += 10;                                  // the code size, then the data in blocks
  for (at += 1; quint8(b[at]) != 0; at += quint8(b[at]) + 1) {
  }
  QCOMPARE(b.mid(at), QByteArray("\x00\x3b", 2));  // one frame, then the trailer

  QImageReader reader(QStringLiteral(":/voltrigg/logo.gif"));
  QCOMPARE(reader.imageCount(), 1);
  const QImage logo = reader.read();
  QCOMPARE(logo.size(), QSize(98, 95));
  QCOMPARE(logo.pixelColor(0, 0).alpha(), 0);  // the corners let the window show through

  const QImage icon(QStringLiteral(":/voltrigg/voltrigg-32.png"));
  QCOMPARE(icon.size(), QSize(32, 32));
  QCOMPARE(icon.format(), QImage::Format_Indexed8);
  QCOMPARE(icon.colorCount(), 256);

  Harness h;
  const QLabel* picture = h.Find<QLabel>("Picture1");
  QCOMPARE(picture->pixmap().size(), QSize(98, 95));
  QCOMPARE(picture->frameShape(), QFrame::NoFrame);
  QVERIFY(!h.window->windowIcon().isNull());
}

void Form1Tests::listsFollowDriveAndFolder() {
  Harness h;
  // Choosing the drive moved both lists to its root in one action.
  QCOMPARE(h.window->findChild<QListWidget*>("Dir1")->currentItem()->data(Qt::UserRole).toString(), h.root);
  QCOMPARE(Names(h.File1()), QStringList({"A.CSV", "b.csv", "Mixed.Csv", "modules.csv"}));
  QVERIFY(Names(h.Dir1()).contains("sub"));
  QVERIFY(Names(h.Dir1()).contains("x.csv"));
  QCOMPARE(Names(h.Dir1()).first(), QStringLiteral("/"));

  QVERIFY(h.Open("sub"));
  QCOMPARE(Names(h.File1()), QStringList({"inner.csv"}));
  QCOMPARE(Names(h.Dir1()).last(), QStringLiteral("sub"));

  // Another drive and back: the folder last shown on it comes back.
  h.Drive1()->setCurrentIndex(h.Drive1()->findText("/"));
  QVERIFY(h.Dir1()->currentItem()->data(Qt::UserRole).toString() != h.root + "/sub");
  h.Drive1()->setCurrentIndex(h.Drive1()->findText(h.root));
  QCOMPARE(h.Dir1()->currentItem()->data(Qt::UserRole).toString(), h.root + "/sub");
  QCOMPARE(Names(h.File1()), QStringList({"inner.csv"}));

  // Opening a folder of the path above goes back up.
  QVERIFY(h.Open(QDir(h.root).dirName()));
  QCOMPARE(Names(h.File1()).size(), 4);
  QVERIFY(h.messages.empty());
}

void Form1Tests::pickingAndTypingComposePaths() {
  Harness h;
  QVERIFY(h.Pick("b.csv"));
  QCOMPARE(h.Box("txtInputFile")->text(), QStringLiteral("b.csv"));
  QCOMPARE(h.InputPath(), h.At("/b.csv"));
  QCOMPARE(h.InputName(), std::string("b.csv"));
  QVERIFY(h.Pick("A.CSV"));
  QCOMPARE(h.InputPath(), h.At("/A.CSV"));

  // The output name is joined as typed; ".csv" is the run's to add.
  h.Type("TxtOutputFile", "result");
  QCOMPARE(h.OutputBase(), h.At("/result"));
  h.Type("TxtOutputFile", " result.csv");
  QCOMPARE(h.OutputBase(), h.At("/ result.csv"));

  // A folder change moves neither path; the next edit takes the new folder.
  QVERIFY(h.Open("sub"));
  QCOMPARE(h.InputPath(), h.At("/A.CSV"));
  QCOMPARE(h.Box("txtInputFile")->text(), QStringLiteral("A.CSV"));
  QCOMPARE(h.OutputBase(), h.At("/ result.csv"));
  QTest::keyClicks(h.Box("TxtOutputFile"), "x");
  QCOMPARE(h.OutputBase(), h.At("/sub/ result.csvx"));

  // A typed name is joined whether or not such a file exists.
  h.Type("txtInputFile", "missing.csv");
  QCOMPARE(h.InputPath(), h.At("/sub/missing.csv"));
  QCOMPARE(h.InputName(), std::string("missing.csv"));

  // At the root the folder already ends with the separator, which doubles.
  QVERIFY(h.Open("/"));
  h.Type("txtInputFile", "name.csv");
  QCOMPARE(h.InputPath(), std::string("//name.csv"));
  h.Type("TxtOutputFile", "out");
  QCOMPARE(h.OutputBase(), std::string("//out"));
  QVERIFY(h.messages.empty());
}

void Form1Tests::completedRunsFromTheButton() {
  Harness h;
  QVERIFY(h.Pick("modules.csv"));
  h.Type("TxtOutputFile", "result");
  h.Run("2", "3");
  // Hidden while the completion message is up; the list is re-read only after it.
  QCOMPARE(h.messages.size(), std::size_t(1));
  QCOMPARE(h.messages[0].text, QString::fromUtf8("計算が終了しました"));
  QVERIFY(!h.messages[0].window_visible);
  QVERIFY(!h.messages[0].files_listed.contains("result.csv"));
  QVERIFY(h.window->isVisible());
  QVERIFY(QFile::exists(h.root + "/result.csv"));
  QVERIFY(Names(h.File1()).contains("result.csv"));
  QCOMPARE(h.InputPath(), std::string());
  QCOMPARE(h.OutputBase(), std::string());
  QCOMPARE(h.InputName(), std::string("modules.csv"));
  QCOMPARE(h.Box("txtInputFile")->text(), QStringLiteral("modules.csv"));
  QCOMPARE(h.Box("TxtOutputFile")->text(), QStringLiteral("result"));

  // Run again without touching the file boxes: the input path is empty.
  h.Run("2", "3");
  QCOMPARE(h.messages.size(), std::size_t(1));
  QCOMPARE(h.messages[0].text, QString::fromUtf8("使用するCSVファイルを指定してください"));
  QVERIFY(h.window->isVisible());

  // Picking the very name the box still holds composes the path again.
  QVERIFY(h.Pick("modules.csv"));
  QCOMPARE(h.InputPath(), h.At("/modules.csv"));
  h.Run("2", "3");
  QCOMPARE(h.messages.back().text, QString::fromUtf8("出力データファイル名を入力してください"));
  QCOMPARE(h.InputPath(), h.At("/modules.csv"));

  // A name that already ends in .csv gets the extension a second time.
  h.Type("TxtOutputFile", "result.csv");
  h.Run("2", "3");
  QCOMPARE(h.messages.back().text, QString::fromUtf8("計算が終了しました"));
  QVERIFY(QFile::exists(h.root + "/result.csv.csv"));
  QVERIFY(Names(h.File1()).contains("result.csv.csv"));
}

void Form1Tests::failedRunsKeepThePaths() {
  Harness h;
  QVERIFY(h.Pick("modules.csv"));
  h.Type("TxtOutputFile", "result");
  h.Run("4", "3");
  QCOMPARE(h.messages.size(), std::size_t(1));
  QCOMPARE(h.messages[0].text, QString::fromUtf8("モジュール枚数があいません"));
  QVERIFY(h.window->isVisible());
  QCOMPARE(h.InputPath(), h.At("/modules.csv"));
  QCOMPARE(h.OutputBase(), h.At("/result"));
  QVERIFY(!QFile::exists(h.root + "/result.csv"));

  // Corrected counts run on the same selection.
  h.Run("2", "3");
  QCOMPARE(h.messages.back().text, QString::fromUtf8("計算が終了しました"));
  QVERIFY(QFile::exists(h.root + "/result.csv"));

  // A typed name that does not exist fails when the run opens it; the window comes back.
  h.Type("txtInputFile", "missing.csv");
  h.Type("TxtOutputFile", "result2");
  h.Run("2", "3");
  QCOMPARE(h.messages.size(), std::size_t(1));
  QVERIFY(h.messages[0].text.contains(h.root + "/missing.csv"));
  QVERIFY(h.window->isVisible());
  QCOMPARE(h.InputPath(), h.At("/missing.csv"));
  QCOMPARE(h.OutputBase(), h.At("/result2"));

  // Counts that are not numbers are refused before the window hides.
  h.Type("txtInputFile", "modules.csv");
  h.Run("zwei", "3");
  QCOMPARE(h.messages.size(), std::size_t(1));
  QVERIFY(h.messages[0].window_visible);
  QVERIFY(h.window->isVisible());

  // A blank spreadsheet row is a load error like the others: its message, the
  // window back, nothing written.
  QFile blank(h.root + "/blank.csv");
  QVERIFY(blank.open(QIODevice::WriteOnly));
  blank.write("No,S/N,Pmax,Vpm,Ipm,Voc,Isc\r\n1,A,250,30,8.3,37,8.8\r\n,,,,,,\r\n");
  blank.close();
  h.Type("txtInputFile", "blank.csv");
  h.Type("TxtOutputFile", "result3");
  h.Run("1", "2");
  QCOMPARE(h.messages.size(), std::size_t(1));
  QVERIFY2(h.messages[0].text.contains(QString::fromUtf8("データ行 2 のモジュール番号が 0 です")),
           qPrintable(h.messages[0].text));
  QVERIFY(h.window->isVisible());
  QVERIFY(!QFile::exists(h.root + "/result3.csv"));
}

void Form1Tests::unreadableFolderLeavesListsAlone() {
  Harness h;
  const QStringList folders = Names(h.Dir1());
  const QStringList files = Names(h.File1());
  QVERIFY(QDir(h.root + "/sub").removeRecursively());  // gone since the list was read
  QVERIFY(h.Open("sub"));
  QCOMPARE(h.messages.size(), std::size_t(1));
  QVERIFY(h.messages[0].text.contains(h.root + "/sub"));
  QCOMPARE(Names(h.Dir1()), folders);
  QCOMPARE(Names(h.File1()), files);

  // A drive that cannot be read: the drive list goes back to the drive shown.
  h.Drive1()->addItem(h.root + "/no-such-drive");
  h.Drive1()->setCurrentIndex(h.Drive1()->count() - 1);
  QCOMPARE(h.messages.size(), std::size_t(2));
  QVERIFY(h.messages[1].text.contains(h.root + "/no-such-drive"));
  QCOMPARE(h.Drive1()->currentText(), h.root);
  QCOMPARE(Names(h.Dir1()), folders);
  QCOMPARE(Names(h.File1()), files);

  // The window still works.
  QVERIFY(h.Pick("modules.csv"));
  QCOMPARE(h.InputPath(), h.At("/modules.csv"));
}

void Form1Tests::unreadableStartFolderIsReported() {
  // The process starts in a folder that has gone: the window opens on the
  // root and says why, once it is on the screen.
  const QString before = QDir::currentPath();
  QTemporaryDir tmp;
  QVERIFY(QDir(tmp.path()).mkdir("gone"));
  QVERIFY(QDir::setCurrent(tmp.path() + "/gone"));
  QVERIFY(QDir(tmp.path() + "/gone").removeRecursively());
  std::vector<std::pair<QString, bool>> messages;
  Form1 window([&messages](QWidget* w, const QString& text) { messages.emplace_back(text, w->isVisible()); });
  QVERIFY(QDir::setCurrent(before));
  window.show();
  QTRY_COMPARE(messages.size(), std::size_t(1));
  QVERIFY2(messages[0].first.startsWith(QString::fromUtf8("フォルダを読み込めません: ")),
           qPrintable(messages[0].first));
  QVERIFY(messages[0].second);
  auto* dir1 = window.findChild<QListWidget*>("Dir1");
  QCOMPARE(dir1->currentItem()->data(Qt::UserRole).toByteArray(), QByteArray("/"));
  QTest::qWait(50);
  QCOMPARE(messages.size(), std::size_t(1));
}

void Form1Tests::shiftJisNamesAreListedPickedAndRun() {
  Harness h;
  // "データ" and "モジュール.csv" in Shift-JIS, and a Latin-1 name that is neither.
  const QByteArray folder = QFile::encodeName(h.root) + "/" + QByteArray("\x83\x66\x81\x5B\x83\x5E");
  const QByteArray list = folder + "/" + QByteArray("\x83\x82\x83\x57\x83\x85\x81\x5B\x83\x8B") + ".csv";
  const QByteArray latin1 = folder + "/caf" + QByteArray("\xE9") + ".csv";
  QVERIFY(std::filesystem::create_directory(folder.toStdString()));
  // QTemporaryDir removes by names in UTF-16, which cannot spell these.
  struct RemoveAll {
    std::string path;
    ~RemoveAll() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  } cleanup{folder.toStdString()};
  std::ofstream(list.toStdString(), std::ios::binary) << kModuleList;
  std::ofstream(latin1.toStdString(), std::ios::binary) << kModuleList;

  QVERIFY(h.Open(QDir(h.root).dirName()));  // read the folder list again
  QVERIFY(h.Open(QString::fromUtf8("データ")));
  QCOMPARE(h.Dir1()->currentItem()->data(Qt::UserRole).toByteArray(), folder);
  QCOMPARE(Names(h.File1()), QStringList({"caf<E9>.csv", QString::fromUtf8("モジュール.csv")}));

  QVERIFY(h.Pick(QString::fromUtf8("モジュール.csv")));
  QCOMPARE(h.Box("txtInputFile")->text(), QString::fromUtf8("モジュール.csv"));
  QCOMPARE(h.InputPath(), list.toStdString());
  h.Box("TxtOutputFile")->setText(QString::fromUtf8("結果"));  // typed through an input method
  QCOMPARE(h.OutputBase(), (folder + "/" + QString::fromUtf8("結果").toUtf8()).toStdString());
  h.Run("2", "3");
  QCOMPARE(h.messages.size(), std::size_t(1));
  QCOMPARE(h.messages[0].text, QString::fromUtf8("計算が終了しました"));
  // The result lies beside the list, named in UTF-8, and names the list by its own bytes.
  std::ifstream result((folder + "/" + QString::fromUtf8("結果.csv").toUtf8()).toStdString(), std::ios::binary);
  std::string first;
  QVERIFY(std::getline(result, first));
  QCOMPARE(QByteArray::fromStdString(first), "\"Input Filename=\",\"" + list.mid(folder.size() + 1) + "\"\r");
  QVERIFY(Names(h.File1()).contains(QString::fromUtf8("結果.csv")));

  QVERIFY(h.Pick("caf<E9>.csv"));
  QCOMPARE(h.InputPath(), latin1.toStdString());
  // A typed name is UTF-8, even when it reads like a listed one.
  h.Box("txtInputFile")->setText(QString::fromUtf8("モジュール.csvx"));
  QCOMPARE(h.InputPath(), (folder + "/" + QString::fromUtf8("モジュール.csvx").toUtf8()).toStdString());
  QVERIFY(h.messages.size() == 1);
}

void Form1Tests::enterPressesTheFocusedButton() {
  Harness h;
  QVERIFY(h.Pick("modules.csv"));
  h.Type("TxtOutputFile", "result");
  h.Box("txtSeriesNumber")->setText("2");
  h.Box("txtParallelNumber")->setText("3");
  QPushButton* run = h.Button("CmdOK");
  run->setFocus();
  QTest::keyClick(run, Qt::Key_Return);
  QCOMPARE(h.messages.size(), std::size_t(1));
  QCOMPARE(h.messages[0].text, QString::fromUtf8("計算が終了しました"));

  // Keypad Enter as well; the paths were emptied by the run, so it says so.
  h.messages.clear();
  run->setFocus();
  QTest::keyClick(run, Qt::Key_Enter, Qt::KeypadModifier);
  QCOMPARE(h.messages.size(), std::size_t(1));
  QCOMPARE(h.messages[0].text, QString::fromUtf8("使用するCSVファイルを指定してください"));

  // Enter in a text box presses nothing.
  h.messages.clear();
  QTest::keyClick(h.Box("txtSeriesNumber"), Qt::Key_Return);
  QVERIFY(h.messages.empty());
  QVERIFY(h.window->isVisible());

  QPushButton* quit = h.Button("Command2");
  quit->setFocus();
  QTest::keyClick(quit, Qt::Key_Return);
  QVERIFY(!h.window->isVisible());
}

void Form1Tests::listsShowTheFocusedRowAndFindByTyping() {
  Harness h;
  h.window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
  for (QListWidget* list : {h.Dir1(), h.File1()}) {
    h.Box("txtSeriesNumber")->setFocus();
    QVERIFY2(list->currentItem() != nullptr, qPrintable(list->objectName()));
    const QRect row = list->visualItemRect(list->currentItem());
    const QImage away = list->viewport()->grab(row).toImage();
    list->setFocus(Qt::OtherFocusReason);
    QVERIFY(list->hasFocus());
    const QImage here = list->viewport()->grab(row).toImage();
    QVERIFY2(away != here, qPrintable(list->objectName()));
  }

  // Typing a name's first letters moves to it, in both lists.
  const int pause = QApplication::keyboardInputInterval() + 50;
  h.Dir1()->setFocus();
  QTest::keyClicks(h.Dir1(), "su");
  QCOMPARE(h.Dir1()->currentItem()->text(), QStringLiteral("sub"));
  QTest::qWait(pause);
  QTest::keyClicks(h.Dir1(), "x");
  QCOMPARE(h.Dir1()->currentItem()->text(), QStringLiteral("x.csv"));
  h.File1()->setFocus();
  QTest::keyClicks(h.File1(), "mo");
  QCOMPARE(h.Box("txtInputFile")->text(), QStringLiteral("modules.csv"));
  QCOMPARE(h.InputPath(), h.At("/modules.csv"));

  // The levels are indented all the same: a subfolder starts right of its parent.
  const QListWidget* dir1 = h.Dir1();
  QListWidgetItem* sub = Item(dir1, "sub");
  QListWidgetItem* parent = Item(dir1, QDir(h.root).dirName());
  QVERIFY(dir1->itemDelegate()->sizeHint({}, dir1->indexFromItem(sub)).width() >
          dir1->itemDelegate()->sizeHint({}, dir1->indexFromItem(parent)).width() - parent->text().size() * 20);
}

void Form1Tests::fileListFollowsTheFolder() {
  Harness h;
  QVERIFY(h.Pick("b.csv"));
  WriteFile(h.root + "/new.csv", "x");
  QTRY_VERIFY(Names(h.File1()).contains("new.csv"));
  // The picked file stays selected; nothing new was picked.
  QCOMPARE(h.File1()->selectedItems().size(), 1);
  QCOMPARE(h.File1()->selectedItems().first()->text(), QStringLiteral("b.csv"));
  QCOMPARE(h.InputPath(), h.At("/b.csv"));

  // A file that goes away takes its selection with it; the picked name stays in its box.
  QVERIFY(QFile::remove(h.root + "/b.csv"));
  QTRY_VERIFY(!Names(h.File1()).contains("b.csv"));
  QVERIFY(h.File1()->selectedItems().isEmpty());
  QCOMPARE(h.Box("txtInputFile")->text(), QStringLiteral("b.csv"));

  // While the window is hidden (during a run) the list waits; it catches up when shown.
  h.window->hide();
  WriteFile(h.root + "/late.csv", "x");
  QTest::qWait(500);
  QVERIFY(!Names(h.File1()).contains("late.csv"));
  h.window->show();
  QTRY_VERIFY(Names(h.File1()).contains("late.csv"));

  // Another folder is followed in its place.
  QVERIFY(h.Open("sub"));
  WriteFile(h.root + "/sub/second.csv", "x");
  WriteFile(h.root + "/other.csv", "x");
  QTRY_VERIFY(Names(h.File1()).contains("second.csv"));
  QVERIFY(!Names(h.File1()).contains("other.csv"));
  QVERIFY(h.messages.empty());
}

void Form1Tests::messageBoxesShowTheirWholeTitleAndText() {
  // A title bar's font is often bold and larger than the window's, and the
  // bar holds an icon and three buttons besides the title.
  QFont caption = voltrigg::WindowFont();
  caption.setPixelSize(16);
  caption.setBold(true);
  const QString title = QString::fromUtf8(voltrigg::identity::kApplicationTitle);
  const int title_needs = QFontMetrics(caption).horizontalAdvance(title) + 3 * 32 + 24;

  Harness h;
  const QString long_path = h.root + "/" + QString(40, 'd') + "/" + QString(120, 'f') + ".csv";
  for (const QString& text : {QString::fromUtf8("計算が終了しました"),
                              QString::fromUtf8("モジュールリストファイルを開けません: ") + long_path}) {
    // What the box showed, read while it is up.
    QString shown_title;
    QString shown_text;
    int width = 0;
    int label_right = 0;
    bool text_fits = false;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      const auto* label = box->findChild<QLabel*>("qt_msgbox_label");
      shown_title = box->windowTitle();
      shown_text = label->text();
      width = box->width();
      label_right = label->geometry().right();
      // Every line of the text fits the label, wrapped or not.
      text_fits = label->wordWrap() ? label->heightForWidth(label->width()) <= label->height()
                                    : label->fontMetrics().horizontalAdvance(text) <= label->width();
      box->accept();
    });
    voltrigg::ShowMessageBox(h.window.get(), text);
    QCOMPARE(shown_title, title);
    QCOMPARE(shown_text, text);
    QVERIFY2(width >= title_needs, qPrintable(QString::number(width)));
    QVERIFY(label_right < width);
    QVERIFY(text_fits);
  }
}

void Form1Tests::quitAndCloseEndTheProgram() {
  // The program's own window ends the event loop at once, from the Quit button
  // and from the close box alike.
  for (bool by_button : {true, false}) {
    int messages = 0;
    QPointer<Form1> window = voltrigg::OpenProgramWindow([&messages](QWidget*, const QString&) { ++messages; });
    QTimer::singleShot(0, window, [window, by_button] {
      if (by_button) {
        QTest::mouseClick(window->findChild<QPushButton*>("Command2"), Qt::LeftButton);
      } else {
        window->close();
      }
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    watchdog.start(10000);
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(window.isNull());
    QCOMPARE(messages, 0);
  }
}

QTEST_MAIN(Form1Tests)
#include "form1_tests.moc"
