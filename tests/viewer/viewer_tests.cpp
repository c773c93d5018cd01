// The viewer's models and window for known results: figures, per-string sums,
// the order of the colours, strings above the voltage limit, the wiring
// table with its search and copy, the module list beside the result, and the
// printed plan read back from its PDF.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPageLayout>
#include <QPrinter>
#include <QTableWidget>
#include <QUrl>
#include <algorithm>
#include <filesystem>

#include "array_picture.h"
#include "document.h"
#include "output/result_reader.h"
#include "summary.h"
#include "viewer_support.h"
#include "viewer_window.h"
#include "wiring_plan.h"
#include "wiring_table.h"

using namespace voltrigg;
using namespace voltrigg::viewer;
using namespace voltrigg::testing;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

struct KnownFiles {
  TempDir dir{"voltrigg-viewer"};
  std::string result = dir / "known-result.csv";
  std::string list = dir / "known.csv";
  KnownFiles(bool with_list = true) {
    WriteFile(result, kKnownResult);
    if (with_list) WriteFile(list, kKnownList);
  }
};

const ModuleCell& CellOf(const PlanView& plan, const QString& serial) {
  return *std::find_if(plan.cells.begin(), plan.cells.end(), [&](const ModuleCell& c) { return c.serial == serial; });
}

}  // namespace

TEST(PlanView, KnownResultSumsDeviationsAndColourOrder) {
  KnownFiles files;
  const Document doc = OpenDocument(files.result, "", AssessOptions{});
  const PlanView plan = MakePlan(doc, viewer::ShownWiring::Result, ColourBy::Ipm);
  ASSERT_EQ(plan.series, 3);
  ASSERT_EQ(plan.parallel, 2);
  ASSERT_EQ(plan.strings.size(), 2u);
  EXPECT_DOUBLE_EQ(plan.strings[0].vpm_sum_v, 90.0);
  EXPECT_DOUBLE_EQ(plan.strings[1].vpm_sum_v, 90.5);
  EXPECT_NEAR(plan.strings[0].mean_ipm_a, 8.0, 1e-6);
  EXPECT_NEAR(plan.strings[1].mean_ipm_a, 8.2, 1e-6);
  EXPECT_EQ(plan.strings[0].planning_current_a, 8.0);  // the planning rule: Ipm of position 1
  EXPECT_NEAR(plan.strings[1].planning_current_a, 8.1, 1e-6);
  EXPECT_NEAR(plan.mean_string_voltage_v, 90.25, 1e-9);
  EXPECT_NEAR(CellOf(plan, "K-1").deviation_pct, 6.25, 1e-5);
  EXPECT_NEAR(CellOf(plan, "K-6").deviation_pct, -6.25, 1e-5);
  EXPECT_NEAR(CellOf(plan, "K-4").deviation_pct, 100.0 * 0.1 / 8.2, 1e-4);
  EXPECT_NEAR(plan.colour_range_pct, 6.25, 1e-5);
  EXPECT_EQ(CellOf(plan, "K-3").colour, QColor(255, 255, 255));  // at its string's mean
  EXPECT_EQ(CellOf(plan, "K-6").colour, DeviationColour(-1));
  EXPECT_EQ(CellOf(plan, "K-1").colour, DeviationColour(1));

  // Colours run from blue through white to orange in the order of the deviations.
  std::vector<ModuleCell> cells = plan.cells;
  std::sort(cells.begin(), cells.end(),
            [](const ModuleCell& a, const ModuleCell& b) { return a.deviation_pct < b.deviation_pct; });
  for (std::size_t i = 1; i < cells.size(); ++i) {
    const auto blueness = [](const QColor& c) { return c.blue() - c.red(); };
    EXPECT_GE(blueness(cells[i - 1].colour), blueness(cells[i].colour)) << i;
  }

  // By Vpm: string 1's Vpm 30, 31, 29 around 30.
  const PlanView by_vpm = MakePlan(doc, viewer::ShownWiring::Result, ColourBy::Vpm);
  EXPECT_NEAR(CellOf(by_vpm, "K-1").deviation_pct, 100.0 / 30.0, 1e-5);
  EXPECT_NEAR(CellOf(by_vpm, "K-3").deviation_pct, 0.0, 1e-9);
}

TEST(PlanView, StringsAboveTheLimitAreMarked) {
  KnownFiles files;
  const Document doc = OpenDocument(files.result, "", AssessOptions{});
  const std::vector<StringPhysics> physics = {{8.0, 900.0, 1001.0}, {8.1, 899.0, 999.9}};
  const PlanView plan = BuildPlanView(doc.ResultWiring(), 3, 2, ColourBy::Ipm, physics, 1000.0);
  EXPECT_TRUE(plan.strings[0].over_limit);
  EXPECT_FALSE(plan.strings[1].over_limit);
  EXPECT_EQ(plan.OverLimitCount(), 1);
  EXPECT_EQ(*plan.max_voc_cold_v, 1001.0);
  bool bad = false;
  const QString verdict = VoltageVerdict(doc, plan, &bad);
  EXPECT_TRUE(bad);
  EXPECT_TRUE(verdict.startsWith(QStringLiteral("ストリング 1 の低温開放電圧が上限 1000 V を超えています")))
      << verdict.toStdString();

  // Without the curves' figures nothing is marked and the verdict says why.
  const PlanView plain = BuildPlanView(doc.ResultWiring(), 3, 2, ColourBy::Ipm, {}, 1000.0);
  EXPECT_EQ(plain.OverLimitCount(), 0);
  EXPECT_TRUE(VoltageVerdict(doc, plain, &bad).contains(QStringLiteral("判定できません")));
  EXPECT_FALSE(bad);
}

TEST(Document, ListBesideTheResultIsFoundAndChecked) {
  {
    KnownFiles files;
    const Document doc = OpenDocument(files.result, "", AssessOptions{});
    EXPECT_EQ(doc.list_state, ListState::Matches) << doc.list_note.toStdString();
    EXPECT_EQ(doc.list_path, files.list);
    EXPECT_EQ(doc.list_count, 6);
  }
  {
    KnownFiles files(false);
    const Document doc = OpenDocument(files.result, "", AssessOptions{});
    EXPECT_EQ(doc.list_state, ListState::NotFound);
    EXPECT_TRUE(doc.list_note.contains(QStringLiteral("known.csv"))) << doc.list_note.toStdString();
  }
  {
    // Another lot under the same name: every kind of difference is named.
    KnownFiles files;
    std::string other = kKnownList;
    other.replace(other.find("K-2"), 3, "X-2");
    other.replace(other.find("29,7.5"), 6, "29.5,7.5");
    other.replace(other.find("30,8.3"), 6, "30,8.4");
    WriteFile(files.list, other);
    const Document doc = OpenDocument(files.result, "", AssessOptions{});
    EXPECT_EQ(doc.list_state, ListState::Mismatch);
    const QStringList problems(doc.list_problems.begin(), doc.list_problems.end());
    const QString all = problems.join('\n');
    EXPECT_TRUE(all.contains(
        QStringLiteral("モジュール番号 2 のシリアル番号が違います (結果ファイル \"K-2\"、リスト \"X-2\")")))
        << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("モジュール番号 6 の Vpm が違います (結果ファイル 29 V、リスト 29.5 V)")));
    EXPECT_TRUE(all.contains(QStringLiteral("モジュール番号 4 の Ipm が違います")));
  }
  {
    // Fewer modules in the list, and one the result has that the list lacks.
    KnownFiles files;
    std::string shorter = kKnownList;
    shorter.erase(shorter.find("6,K-6"));
    WriteFile(files.list, shorter);
    const Document doc = OpenDocument(files.result, "", AssessOptions{});
    EXPECT_EQ(doc.list_state, ListState::Mismatch);
    EXPECT_TRUE(doc.list_problems.front().contains(QStringLiteral("リスト 5 個、結果ファイル 6 個")));
    EXPECT_TRUE(doc.list_problems.back().contains(
        QStringLiteral("モジュール番号 6 (結果ファイル 10 行目) がリストにありません")));
  }
  {
    // A list named by the user wins over the one beside the result; an unreadable one is said so.
    KnownFiles files;
    WriteFile(files.dir / "broken.csv", "No,S/N,Pmax,Vpm,Ipm,Voc,Isc\r\n1,K-1,abc,31,8.5,38.5,9.0\r\n");
    const Document doc = OpenDocument(files.result, files.dir / "broken.csv", AssessOptions{});
    EXPECT_EQ(doc.list_state, ListState::Unreadable);
    EXPECT_TRUE(doc.list_note.contains(QStringLiteral("読み込めません"))) << doc.list_note.toStdString();
  }
  // Only the name counts, never a folder written into the result.
  EXPECT_EQ(ListBesideResult("/data/r.csv", "C:\\lists\\mods.csv"), "/data/mods.csv");
  EXPECT_EQ(ListBesideResult("/data/r.csv", "../../etc/passwd"), "/data/passwd");
  EXPECT_EQ(ListBesideResult("/data/r.csv", ".."), "");
}

TEST(ViewerWindow, ShowsTheKnownResult) {
  KnownFiles files;
  ViewerWindow w(AssessOptions{});
  ASSERT_FALSE(w.Load(Q(files.result)).has_value());
  QTableWidget* f = w.figures_table();
  ASSERT_GE(f->rowCount(), 4);
  EXPECT_EQ(f->item(0, 2)->text(), QStringLiteral("1500.50"));
  EXPECT_EQ(f->item(1, 2)->text(), QStringLiteral("1400.25"));
  EXPECT_EQ(f->item(3, 1)->text(), QStringLiteral("推定 (Estimated)"));
  EXPECT_EQ(f->item(3, 2)->text(), QStringLiteral("1460.50"));
  EXPECT_EQ(f->item(3, 3)->text(), QStringLiteral("182.00"));
  EXPECT_EQ(f->item(3, 4)->text(), QStringLiteral("8.025"));
  EXPECT_TRUE(w.list_label()->text().contains(QStringLiteral("一致しています")));
  EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("known-result.csv")));
  EXPECT_EQ(w.RecentFiles().value(0), QFileInfo(Q(files.result)).absoluteFilePath());

  // The table in string order, sortable by Ipm through its filter.
  WiringTableModel* m = w.table_model();
  ASSERT_EQ(m->rowCount(), 6);
  EXPECT_EQ(m->index(1, WiringTableModel::kSerial).data().toString(), QStringLiteral("K-1"));
  EXPECT_EQ(m->index(1, WiringTableModel::kPosition).data().toInt(), 2);
  SerialFilter* proxy = w.serial_filter();
  proxy->sort(WiringTableModel::kIpm, Qt::AscendingOrder);
  EXPECT_EQ(proxy->index(0, WiringTableModel::kSerial).data().toString(), QStringLiteral("K-6"));
  EXPECT_EQ(proxy->index(5, WiringTableModel::kSerial).data().toString(), QStringLiteral("K-1"));
  proxy->sort(WiringTableModel::kString, Qt::AscendingOrder);

  // A scanned serial shows where it goes, in the table and the picture.
  w.Search(QStringLiteral("k-5"));
  EXPECT_EQ(proxy->rowCount(), 1);
  EXPECT_EQ(w.search_label()->text(), QStringLiteral("K-5 → ストリング 2 の 2 番目 (モジュール番号 5)"));
  EXPECT_EQ(w.picture()->highlight(), 4);
  w.Search(QStringLiteral("Z-9"));
  EXPECT_EQ(proxy->rowCount(), 0);
  EXPECT_TRUE(w.search_label()->text().contains(QStringLiteral("ありません")));
  EXPECT_EQ(w.picture()->highlight(), -1);
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
      const QString serial = plan.cells[static_cast<std::size_t>(s.first_cell + k)].serial;
      const qsizetype found = text.indexOf(serial, at);
      ASSERT_GE(found, 0) << serial.toStdString();
      at = found + serial.size();
    }
  }
  // The figures as the window shows them.
  for (const FigureRow& r : FigureRows(doc)) EXPECT_TRUE(text.contains(r.power_w)) << r.power_w.toStdString();
  EXPECT_TRUE(text.contains(Fixed(doc.result.EstimatedPoint.Vpm, 2)));
  // The file's name and the page number on every page; a string never starts at a page's foot.
  const QStringList pages = text.split('\f', Qt::SkipEmptyParts);
  ASSERT_GE(pages.size(), 3);
  for (int i = 0; i < pages.size(); ++i) {
    EXPECT_TRUE(pages[i].contains(QStringLiteral("result.csv"))) << i;
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
