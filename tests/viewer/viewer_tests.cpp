// The viewer's window for known results (a few widgets as a user sees them:
// the figures, the list's note and warnings, the wiring table with its search
// and copy, the picture scrolled and fitted, files dropped), the printed plan
// read back from its PDF, and the viewer's numbers written as its toolkit writes them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPageLayout>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QUrl>
#include <algorithm>
#include <filesystem>

#include "array_picture.h"
#include "document.h"
#include "output/result_reader.h"
#include "viewer_support.h"
#include "viewer_window.h"
#include "wiring_plan.h"
#include "wiring_table.h"

using namespace voltrigg;
using namespace voltrigg::viewer;
using namespace voltrigg::testing;

namespace {

struct KnownFiles {
  TempDir dir{"voltrigg-viewer"};
  std::string result = dir / "known-result.csv";
  std::string list = dir / "known.csv";
  KnownFiles(bool with_list = true) {
    WriteFile(result, kKnownResult);
    if (with_list) WriteFile(list, kKnownList);
  }
};

}  // namespace

TEST(ViewerWindow, FitsTheScreenAndTakesAListPickedByHand) {
  TempDir dir{"voltrigg-viewer-screen"};
  MakeRunResult(dir, 20, 5, 8);
  ViewerWindow w(AssessOptions{});
  const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
  EXPECT_LE(w.width(), screen.width());
  EXPECT_LE(w.height(), screen.height());
  w.resize(1280, 1000);
  w.show();
  ASSERT_FALSE(w.Load(Q(dir / "result.csv")).has_value());
  QApplication::processEvents();
  // 20 modules in series are wider than the window; fitted, they are not.
  const int shown = w.array_page()->viewport()->width();
  EXPECT_GT(w.array_page()->picture()->width(), shown);
  // Scrolled to the middle, the strings' labels and row-end figures stay at the
  // shown edges: the left edge shows string 1's label, not a module box.
  QScrollBar* bar = w.array_page()->horizontalScrollBar();
  bar->setValue(bar->maximum() / 2);
  QApplication::processEvents();
  const QImage middle = w.array_page()->viewport()->grab().toImage();
  const QImage left = w.array_page()->viewport()->grab(QRect(0, 0, 80, middle.height())).toImage();
  bar->setValue(0);
  QApplication::processEvents();
  EXPECT_EQ(left, w.array_page()->viewport()->grab(QRect(0, 0, 80, middle.height())).toImage());
  w.summary()->fit_box()->setChecked(true);
  EXPECT_LE(w.array_page()->picture()->width(), shown);
  EXPECT_LT(w.array_page()->picture()->scale(), 1.0);
  w.summary()->fit_box()->setChecked(false);
  EXPECT_EQ(w.array_page()->picture()->scale(), 1.0);

  // A list that is not beside the result, picked by hand.
  std::filesystem::create_directories(dir / "lists");
  std::filesystem::rename(dir / "list.csv", dir / "lists/lot.csv");
  ASSERT_FALSE(w.Load(Q(dir / "result.csv")).has_value());
  EXPECT_EQ(w.document()->list_state, ListState::NotFound);
  ASSERT_FALSE(w.UseList(dir / "lists/lot.csv").has_value());
  EXPECT_EQ(w.document()->list_state, ListState::Matches) << w.document()->list_note.toStdString();
  EXPECT_TRUE(w.summary()->list_label()->text().contains(QStringLiteral("lot.csv")));
}

TEST(ViewerWindow, ListWarningsShowUnderTheListAndOnThePlan) {
  KnownFiles files;
  std::string list = kKnownList;
  list.replace(list.find("5,K-5"), 5, "5,K-4");               // two modules with the serial number K-4
  list.replace(list.find("246,30,8.2"), 10, "246,3000,8.2");  // Vpm typed without its point
  WriteFile(files.list, list);
  std::string result = kKnownResult;
  result.replace(result.find("\"K-5\",30,8.2"), 13, "\"K-4\",3000,8.2");
  WriteFile(files.result, result);
  ViewerWindow w(AssessOptions{});
  ASSERT_FALSE(w.Load(Q(files.result)).has_value());
  EXPECT_EQ(w.document()->list_state, ListState::Matches) << w.document()->list_note.toStdString();
  const QString note = w.summary()->list_label()->text();
  EXPECT_TRUE(note.contains(QStringLiteral("警告: シリアル番号 \"K-4\" が 2 回あります: データ行 4, 5")))
      << note.toStdString();
  EXPECT_TRUE(note.contains(QStringLiteral("警告: Vpm がロットの中央値"))) << note.toStdString();
  const QString pdf = Q(files.dir / "plan.pdf");
  QString error;
  ASSERT_TRUE(w.ExportPdf(pdf, &error)) << error.toStdString();
  const QString first_page = PdfText(pdf).split('\f').front();
  EXPECT_TRUE(first_page.contains(QStringLiteral("シリアル番号 \"K-4\" が 2 回あります"))) << first_page.toStdString();
}

TEST(ViewerWindow, ShowsTheKnownResult) {
  KnownFiles files;
  ViewerWindow w(AssessOptions{});
  ASSERT_FALSE(w.Load(Q(files.result)).has_value());
  QTableWidget* f = w.summary()->figures_table();
  ASSERT_GE(f->rowCount(), 4);
  EXPECT_EQ(f->item(0, 2)->text(), QStringLiteral("1500.50"));
  EXPECT_EQ(f->item(1, 2)->text(), QStringLiteral("1400.25"));
  EXPECT_EQ(f->item(3, 1)->text(), QStringLiteral("推定 (Estimated)"));
  EXPECT_EQ(f->item(3, 2)->text(), QStringLiteral("1460.50"));
  EXPECT_EQ(f->item(3, 3)->text(), QStringLiteral("182.00"));
  EXPECT_EQ(f->item(3, 4)->text(), QStringLiteral("8.025"));
  EXPECT_TRUE(w.summary()->list_label()->text().contains(QStringLiteral("一致しています")));
  EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("known-result.csv")));
  EXPECT_EQ(w.RecentFiles().value(0), QFileInfo(Q(files.result)).absoluteFilePath());

  // The table in string order, sortable by Ipm through its filter.
  WiringTableModel* m = w.table_page()->model();
  ASSERT_EQ(m->rowCount(), 6);
  EXPECT_EQ(m->index(1, WiringTableModel::kSerial).data().toString(), QStringLiteral("K-1"));
  EXPECT_EQ(m->index(1, WiringTableModel::kPosition).data().toInt(), 2);
  SerialFilter* proxy = w.table_page()->filter();
  proxy->sort(WiringTableModel::kIpm, Qt::AscendingOrder);
  EXPECT_EQ(proxy->index(0, WiringTableModel::kSerial).data().toString(), QStringLiteral("K-6"));
  EXPECT_EQ(proxy->index(5, WiringTableModel::kSerial).data().toString(), QStringLiteral("K-1"));
  proxy->sort(WiringTableModel::kString, Qt::AscendingOrder);

  // A scanned serial shows where it goes, in the table and the picture.
  w.Search(QStringLiteral("k-5"));
  EXPECT_EQ(proxy->rowCount(), 1);
  EXPECT_EQ(w.table_page()->search_label()->text(), QStringLiteral("K-5 → ストリング 2 の 2 番目 (モジュール番号 5)"));
  EXPECT_EQ(w.array_page()->picture()->highlight(), 4);
  w.Search(QStringLiteral("Z-9"));
  EXPECT_EQ(proxy->rowCount(), 0);
  EXPECT_TRUE(w.table_page()->search_label()->text().contains(QStringLiteral("ありません")));
  EXPECT_EQ(w.array_page()->picture()->highlight(), -1);
  w.Search(QStringLiteral("K-"));
  EXPECT_EQ(proxy->rowCount(), 6);

  // Copy: a heading line and one tab-separated line per row, the selected
  // rows (the one found), or all when nothing is selected.
  w.CopyRows();
  EXPECT_EQ(QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts).size(), 2);
  w.Search(QString());
  w.CopyRows();
  const QStringList lines = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 7);
  EXPECT_EQ(lines[0].split('\t').value(3), QStringLiteral("シリアル番号"));
  EXPECT_EQ(lines[2], QStringLiteral("1\t2\t1\tK-1\t31.00\t8.500\t+6.25"));

  // Hovering a box names the module and its values.
  const PictureGeometry g = ScreenGeometry(-10);
  const int cell = CellAt(w.plan(), g, g.CellRect(w.plan(), 1).center());
  EXPECT_EQ(cell, 1);
  EXPECT_TRUE(CellToolTip(w.plan(), cell).contains(QStringLiteral("K-1")));
  EXPECT_EQ(CellAt(w.plan(), g, QPointF(1, 1)), -1);
}

TEST(ViewerWindow, BadFilesKeepWhatIsShownAndChangeNothing) {
  KnownFiles files;
  ViewerWindow w(AssessOptions{});
  ASSERT_FALSE(w.Load(Q(files.result)).has_value());
  const FileStamp list_before = Stamp(files.list);
  // A module list opened as a result.
  const auto error = w.Load(Q(files.list));
  ASSERT_TRUE(error.has_value());
  EXPECT_TRUE(error->contains(QStringLiteral("1 行目"))) << error->toStdString();
  EXPECT_EQ(w.document()->result_path, files.result);
  EXPECT_EQ(w.plan().cells.size(), 6u);
  EXPECT_EQ(Stamp(files.list), list_before);

  // A file dropped on the window opens it.
  TempDir other{"voltrigg-viewer-drop"};
  MakeRunResult(other, 4, 3, 21);
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(Q(other / "result.csv"))});
  QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &drop);
  EXPECT_EQ(w.document()->result_path, other / "result.csv");
  EXPECT_EQ(w.plan().cells.size(), 12u);
}

TEST(WiringPlan, PdfHoldsEverySerialInStringOrderAndTheFigures) {
  TempDir dir{"voltrigg-viewer-pdf"};
  MakeRunResult(dir, 20, 12, 7);
  const Document doc = OpenDocument(dir / "result.csv", "", AssessOptions{});
  const PlanView plan = MakePlan(doc, viewer::ShownWiring::Result, ColourBy::Ipm);
  const QString pdf = Q(dir / "plan.pdf");
  QString error;
  ASSERT_TRUE(ExportPlanPdf(doc, plan, viewer::ShownWiring::Result, pdf, ViewerFont(), &error)) << error.toStdString();
  const QString text = PdfText(pdf);
  ASSERT_FALSE(text.isEmpty());

  // Serials in string order, and each string's heading before its rows.
  qsizetype at = 0;
  for (const StringSummary& s : plan.strings) {
    at = text.indexOf(QStringLiteral("ストリング %1 ").arg(s.string_no), at);
    ASSERT_GE(at, 0) << s.string_no;
    for (int k = 0; k < plan.series; ++k) {
      const QString serial = Q(plan.cells[static_cast<std::size_t>(s.first_cell + k)].serial);
      const qsizetype found = text.indexOf(serial, at);
      ASSERT_GE(found, 0) << serial.toStdString();
      at = found + serial.size();
    }
  }
  // The figures as the window shows them.
  for (const FigureRow& r : FigureRowsJa(doc)) EXPECT_TRUE(text.contains(Q(r.power_w))) << r.power_w;
  EXPECT_TRUE(text.contains(Fixed(doc.result.EstimatedPoint.Vpm, 2)));
  // The file's name, its wiring (head and foot) and the page number on every
  // page; a string never starts at a page's foot.
  const QStringList pages = text.split('\f', Qt::SkipEmptyParts);
  ASSERT_GE(pages.size(), 3);
  for (int i = 0; i < pages.size(); ++i) {
    EXPECT_TRUE(pages[i].contains(QStringLiteral("result.csv"))) << i;
    EXPECT_EQ(pages[i].count(QStringLiteral("配線計画: result.csv (結果ファイルの配線)")), 2) << i;
    EXPECT_TRUE(pages[i].contains(QStringLiteral("ページ %1 / %2").arg(i + 1).arg(pages.size()))) << i;
  }
  for (int i = 1; i < pages.size(); ++i) {
    const QStringList lines = pages[i].split('\n', Qt::SkipEmptyParts);
    int last_heading = -1;
    for (int l = 0; l < lines.size(); ++l) {
      if (lines[l].trimmed().startsWith(QStringLiteral("ストリング"))) last_heading = l;
    }
    ASSERT_GE(last_heading, 0);
    // At least the string's first row follows its heading on the same page.
    EXPECT_LT(last_heading + 1, lines.size() - 1) << "page " << i + 1;
  }
  // The first page renders to a picture with something on it.
  const QImage first = FirstPage(pdf, dir);
  ASSERT_FALSE(first.isNull());
  EXPECT_GT(InkShare(first), 0.02);
  EXPECT_LT(InkShare(first), 0.6);
}

TEST(WiringPlan, PrinterGetsTheSamePlanOnItsPaper) {
  // The print dialog hands a QPrinter to the same painting; a printer that
  // prints to a file shows what it got, here on Letter paper in landscape.
  KnownFiles files;
  const Document doc = OpenDocument(files.result, "", AssessOptions{});
  const PlanView plan = MakePlan(doc, viewer::ShownWiring::Result, ColourBy::Ipm);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  const QString pdf = Q(files.dir / "printed.pdf");
  printer.setOutputFileName(pdf);
  printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10)));
  EXPECT_EQ(PaintWiringPlan(printer, MakePlanPrint(doc, plan, viewer::ShownWiring::Result), ViewerFont()), 2);
  const QString text = PdfText(pdf);
  for (const char* serial : {"K-3", "K-1", "K-6", "K-2", "K-5", "K-4"}) EXPECT_TRUE(text.contains(serial)) << serial;
  EXPECT_TRUE(text.contains(QStringLiteral("ページ 2 / 2")));
}

TEST(ViewerNumbers, TheModelWritesNumbersAsTheToolkitDoes) {
  // The shared model writes the viewer's texts without the toolkit: every
  // figure must read as the window's own formatting would write it.
  std::vector<double> values = {0.125,  -0.125,      2.5,   -2.5, 0.005, -0.005, 1.5,        -0.0, 0.0,
                                31.125, 1234567.125, 9.995, 1e-9, -1e-9, 99.999, 1e15 + 0.5, 0.3,  7.0625};
  std::uint64_t s = 88172645463325252ull;
  for (int k = 0; k < 3000; ++k) {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    // Quarters and eighths hit exact halves; the rest are arbitrary.
    const double v = k % 3 == 0 ? static_cast<double>(static_cast<std::int64_t>(s % 200000) - 100000) / 8.0
                                : (static_cast<double>(s % 2000000) - 1000000) / 997.0;
    values.push_back(v);
  }
  for (const double v : values) {
    for (const int decimals : {0, 1, 2, 3, 4}) {
      ASSERT_EQ(Q(FixedText(v, decimals)), QString::number(v, 'f', decimals)) << v << " " << decimals;
    }
  }
}
