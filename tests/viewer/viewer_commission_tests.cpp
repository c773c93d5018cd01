// The commissioning check in the viewer: the tab's table and verdicts for
// good measurements and injected faults, the failed strings outlined in the
// array picture, refused measurement files (named line and field, the window
// still usable), the printed report and the blank form read back from their
// PDFs, and voltrigg-view --measurements --pdf as a process.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/shared/commission_view.h"
#include "app/shared/measurement_texts.h"
#include "app/shared/planned_array.h"
#include "array_picture.h"
#include "commission/expected_string.h"
#include "commission/plan_fingerprint.h"
#include "pages.h"
#include "support/assess_support.h"
#include "viewer_support.h"
#include "viewer_window.h"

using namespace voltrigg;
using namespace voltrigg::viewer;
using namespace voltrigg::testing;

namespace {

// One string's measurement as the crew writes it; factors of its expected values.
struct Reading {
  double voc_factor = 1;
  double isc_factor = 1;
  double irradiance_w_m2 = 1000;
  bool measured = true;
};

// A result of S x P with its list, and measurement files made from the
// strings' own expected values at the readings' conditions.
class ViewerCommission : public ::testing::Test {
 protected:
  void SetUp() override { MakeRunResult(dir_, kSeries, kParallel, 31); }

  std::string Measurements(const std::string& name, const std::vector<Reading>& readings) const {
    const PlannedArray plan = LoadPlannedArray(dir_ / "result.csv", "", false);
    std::string text = "string,voc_v,isc_a,irradiance_w_m2,module_temperature_c,note\n";
    for (std::size_t j = 0; j < plan.wiring.size(); ++j) {
      const Reading r = j < readings.size() ? readings[j] : Reading{};
      if (!r.measured) {
        text += std::to_string(j + 1) + ",,,,,\n";
        continue;
      }
      const ExpectedString e = ExpectedStringAt(plan.modules, plan.curves, plan.wiring[j],
                                                CellConditions{r.irradiance_w_m2, 25.0}, TemperatureCoefficients{});
      text += std::to_string(j + 1) + "," + std::to_string(e.voc_v * r.voc_factor) + "," +
              std::to_string(e.isc_a * r.isc_factor) + "," + std::to_string(r.irradiance_w_m2) + ",25," +
              (j == 2 ? "soiled" : "") + "\n";
    }
    WriteFile(dir_ / name, text);
    return dir_ / name;
  }

  static QString Cell(const ViewerWindow& w, int row, int column) {
    return w.commission_page()->table()->item(row, column)->text();
  }

  static std::vector<bool> Outlined(const ViewerWindow& w) {
    std::vector<bool> out;
    for (const StringSummary& s : w.plan().strings) out.push_back(s.commissioning_failed);
    return out;
  }

  // String 1 not measured, 2 one module short, 3 Isc 12 % low, 4 at 350 W/m² (a pass with a note).
  std::vector<Reading> Faults() const { return {{1, 1, 1000, false}, {0.9, 1}, {1, 0.88}, {1, 1, 350}}; }

  // Every string as expected, with the further items of the record: string
  // 1 every item, 2 a pole nearly to earth tested at too low a voltage, 3
  // recorded reversed, 4 Voc and Isc alone, 5 not measured.
  std::string Record(const std::string& name) const {
    const std::string plain = ReadFile(Measurements(name, {{}, {}, {}, {}, {1, 1, 1000, false}}));
    const char* further[] = {",ok,80,75.5,1000,0.08", ",ok,,0.4,500,", ",reversed,,,,", ",,,,,", ",,,,,"};
    std::string text;
    std::istringstream lines(plain);
    std::string line;
    std::getline(lines, line);
    text += line + ",polarity,insulation_pos_mohm,insulation_neg_mohm,insulation_test_v,earth_continuity_ohm\n";
    for (const char* items : further) {
      std::getline(lines, line);
      text += line + items + "\n";
    }
    WriteFile(dir_ / name, text);
    return dir_ / name;
  }

  static constexpr int kSeries = 10;
  static constexpr int kParallel = 5;
  TempDir dir_{"voltrigg-viewer-commission"};
};

}  // namespace

TEST_F(ViewerCommission, TableVerdictsAndOutlinesForGoodAndFaultyStrings) {
  ViewerWindow w(AssessOptions{});
  ASSERT_FALSE(w.Load(Q(dir_ / "result.csv")).has_value());
  ASSERT_FALSE(w.LoadMeasurements(Measurements("good.csv", {})).has_value());
  ASSERT_EQ(w.commission_page()->table()->rowCount(), kParallel);
  for (int j = 0; j < kParallel; ++j) {
    EXPECT_EQ(Cell(w, j, kColString), QString::number(j + 1));
    EXPECT_EQ(Cell(w, j, kColModules), QString::number(kSeries));
    EXPECT_EQ(Cell(w, j, kColVerdict), QStringLiteral("合格"));
    EXPECT_EQ(w.commission_page()->table()->item(j, kColVerdict)->foreground().color(),
              ToQColor(VerdictColour(VerdictKind::Pass)));
    EXPECT_EQ(Cell(w, j, kColVocDeviation), QStringLiteral("0.00"));
    // The expected value is the string's own, and what was measured.
    EXPECT_EQ(Cell(w, j, kColVocExpected), Cell(w, j, kColVocMeasured));
  }
  EXPECT_EQ(w.commission_page()->summary()->text(), QStringLiteral("全 5 ストリング合格"));
  EXPECT_EQ(Outlined(w), std::vector<bool>(kParallel, false));
  EXPECT_EQ(w.tabs()->currentWidget(), static_cast<QWidget*>(w.commission_page()));

  ASSERT_FALSE(w.LoadMeasurements(Measurements("faults.csv", Faults())).has_value());
  EXPECT_EQ(Cell(w, 0, kColVerdict), QStringLiteral("未測定"));
  EXPECT_EQ(Cell(w, 0, kColVocMeasured), QStringLiteral("—"));
  EXPECT_EQ(Cell(w, 1, kColVerdict), QStringLiteral("不合格"));
  EXPECT_EQ(Cell(w, 1, kColVocDeviation), QStringLiteral("-10.00"));
  EXPECT_TRUE(Cell(w, 1, kColFindings).contains(QStringLiteral("モジュール 1 枚分不足")))
      << Cell(w, 1, kColFindings).toStdString();
  EXPECT_EQ(Cell(w, 2, kColVerdict), QStringLiteral("不合格"));
  EXPECT_TRUE(Cell(w, 2, kColFindings).contains(QStringLiteral("Isc が低い")));
  EXPECT_TRUE(Cell(w, 2, kColFindings).contains(QStringLiteral("メモ: soiled")));
  EXPECT_EQ(Cell(w, 3, kColVerdict), QStringLiteral("合格 (注記)"));
  EXPECT_TRUE(Cell(w, 3, kColFindings).contains(QStringLiteral("400 W/m² 未満")));
  EXPECT_EQ(Cell(w, 4, kColVerdict), QStringLiteral("合格"));
  const QColor red = ToQColor(VerdictColour(VerdictKind::Fail));
  EXPECT_EQ(w.commission_page()->table()->item(0, kColVerdict)->foreground().color(), red);
  EXPECT_EQ(w.commission_page()->table()->item(1, kColVerdict)->foreground().color(), red);
  EXPECT_EQ(w.commission_page()->table()->item(3, kColVerdict)->foreground().color(),
            ToQColor(VerdictColour(VerdictKind::PassWithNote)));
  EXPECT_NE(ToQColor(VerdictColour(VerdictKind::PassWithNote)), red);
  EXPECT_TRUE(
      w.commission_page()->summary()->text().startsWith(QStringLiteral("不合格: ストリング 1, 2, 3 (未測定: 1)")))
      << w.commission_page()->summary()->text().toStdString();
  EXPECT_EQ(Outlined(w), (std::vector<bool>{true, true, true, false, false}));

  // The outline is of the result's wiring: the optimised one has other strings.
  w.SetWiring(ShownWiring::Optimized);
  ASSERT_EQ(w.wiring(), ShownWiring::Optimized);
  EXPECT_EQ(Outlined(w), std::vector<bool>(kParallel, false));
  w.SetWiring(ShownWiring::Result);
  EXPECT_EQ(Outlined(w), (std::vector<bool>{true, true, true, false, false}));
  // The outline is painted: red where string 2's modules are outlined.
  const QImage picture = w.array_page()->picture()->grab().toImage();
  int red_pixels = 0;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const QColor c = picture.pixelColor(x, y);
      red_pixels += c.red() > 180 && c.green() < 40 && c.blue() < 40;
    }
  }
  EXPECT_GT(red_pixels, 3 * 2 * kSeries * 20);

  // Another result clears the check.
  ASSERT_FALSE(w.Load(Q(dir_ / "result.csv")).has_value());
  EXPECT_FALSE(w.commission_check().has_value());
  EXPECT_EQ(w.commission_page()->table()->rowCount(), 0);
  EXPECT_EQ(Outlined(w), std::vector<bool>(kParallel, false));
}

TEST_F(ViewerCommission, TheModelGivesEachStringItsItemsAndTheFormItsPlanAndLimits) {
  const Document doc = OpenDocument(dir_ / "result.csv", "", AssessOptions{});
  CommissionFailure failure;
  std::optional<CommissionCheck> check = voltrigg::RunCommissionCheck(doc, Record("record.csv"), {}, &failure);
  ASSERT_TRUE(check.has_value()) << failure.text;
  EXPECT_TRUE(ShowsFurtherItems(check->check));
  EXPECT_EQ(check->check.strings_failed, (std::vector<int>{2, 3, 5}));
  const std::vector<CommissionRow> rows = CommissionRows(check->check);
  const auto item = [&rows](int string_no, TestItem which) {
    return rows[static_cast<std::size_t>(string_no - 1)].items[static_cast<std::size_t>(which)];
  };
  const struct {
    int string_no;
    TestItem item;
    const char* text;
    ItemStatus status;
  } cells[] = {
      {1, TestItem::Polarity, "正常", ItemStatus::Pass},
      {1, TestItem::InsulationNegative, "75.5", ItemStatus::Pass},
      {1, TestItem::EarthContinuity, "0.08", ItemStatus::Measured},
      {2, TestItem::InsulationPositive, "—", ItemStatus::NotMeasured},
      {2, TestItem::InsulationNegative, "0.4", ItemStatus::Fail},
      {2, TestItem::InsulationTestVoltage, "500", ItemStatus::Fail},
      {3, TestItem::Polarity, "逆", ItemStatus::Fail},
      {4, TestItem::Polarity, "—", ItemStatus::NotMeasured},
      {4, TestItem::Voc, "", ItemStatus::Pass},
      {5, TestItem::Isc, "—", ItemStatus::NotMeasured},
  };
  for (const auto& c : cells) {
    if (*c.text != '\0') {
      EXPECT_EQ(item(c.string_no, c.item).text, c.text) << c.string_no << TestItemName(c.item);
    }
    EXPECT_EQ(item(c.string_no, c.item).status, c.status) << c.string_no << TestItemName(c.item);
  }
  EXPECT_EQ(ItemStatusColour(ItemStatus::Fail), VerdictColour(VerdictKind::Fail));
  EXPECT_EQ(ItemStatusColour(ItemStatus::Pass), VerdictColour(VerdictKind::Pass));
  const std::vector<std::string> lines = TestItemLinesJa(check->check);
  ASSERT_EQ(lines.size(), kTestItemCount);
  EXPECT_EQ(lines[2], "極性: ストリング 1-3 で実施 (不合格: 3)、4, 5 は未実施");
  EXPECT_EQ(lines[6], "接地の導通: ストリング 1 で実施、2-5 は未実施");

  // The insulation minimum of the options is the check's.
  CommissionOptions strict;
  strict.conditions.insulation_min_mohm = 100;
  check = voltrigg::RunCommissionCheck(doc, dir_ / "record.csv", strict, &failure);
  ASSERT_TRUE(check.has_value());
  EXPECT_EQ(check->check.strings_failed, (std::vector<int>{1, 2, 3, 5}));
  EXPECT_NE(InsulationLimitsTextJa(check->check).find("100 MΩ 以上"), std::string::npos);

  // The form names the plan of the result's wiring on every row, and the limits the crew tests against.
  const std::optional<MeasurementForm> form = voltrigg::MakeMeasurementForm(doc, strict, &failure);
  ASSERT_TRUE(form.has_value()) << failure.text;
  const PlannedArray plan = LoadPlannedArray(dir_ / "result.csv", "", false);
  EXPECT_EQ(form->plan, PlanFingerprint(plan.modules, plan.wiring));
  for (const FormRow& r : form->rows) EXPECT_EQ(r.plan, form->plan);
  EXPECT_EQ(form->insulation_test_required_v,
            InsulationTestVoltageForV(ArraySystemVoltageV(plan.modules, plan.wiring)));
  EXPECT_NE(
      FormLimitsTextJa(*form).find("100 MΩ 以上、試験電圧は " +
                                   std::to_string(static_cast<int>(form->insulation_test_required_v)) + " V 以上"),
      std::string::npos)
      << FormLimitsTextJa(*form);
}

TEST_F(ViewerCommission, TheTabShowsTheFurtherItemsInTheirColoursOnlyWhenMeasured) {
  ViewerWindow w(AssessOptions{});
  ASSERT_FALSE(w.Load(Q(dir_ / "result.csv")).has_value());
  QTableWidget* table = w.commission_page()->table();
  const auto further_shown = [table] {
    int shown = 0;
    for (std::size_t k = 0; k < kFurtherItems.size(); ++k)
      shown += !table->isColumnHidden(CommissionPage::FurtherColumn(k));
    return shown;
  };
  ASSERT_FALSE(w.LoadMeasurements(Measurements("faults.csv", Faults())).has_value());
  EXPECT_EQ(further_shown(), 0);
  EXPECT_TRUE(w.commission_page()->test_items()->text().contains(QStringLiteral("極性: 未実施")))
      << w.commission_page()->test_items()->text().toStdString();

  ASSERT_FALSE(w.LoadMeasurements(Record("record.csv")).has_value());
  EXPECT_EQ(further_shown(), static_cast<int>(kFurtherItems.size()));
  // Between the Isc deviation and the verdict.
  QHeaderView* header = table->horizontalHeader();
  EXPECT_EQ(header->visualIndex(CommissionPage::FurtherColumn(0)), header->visualIndex(kColIscDeviation) + 1);
  EXPECT_EQ(header->visualIndex(kColVerdict), header->visualIndex(CommissionPage::FurtherColumn(4)) + 1);
  EXPECT_EQ(table->horizontalHeaderItem(CommissionPage::FurtherColumn(1))->text(), QStringLiteral("絶縁抵抗 +\n[MΩ]"));
  const QTableWidgetItem* low = table->item(1, CommissionPage::FurtherColumn(2));
  EXPECT_EQ(low->text(), QStringLiteral("0.4"));
  EXPECT_EQ(low->foreground().color(), ToQColor(VerdictColour(VerdictKind::Fail)));
  EXPECT_EQ(low->background().color(), ToQColor(VerdictBackground(VerdictKind::Fail)));
  EXPECT_EQ(table->item(0, CommissionPage::FurtherColumn(1))->foreground().color(),
            ToQColor(VerdictColour(VerdictKind::Pass)));
  EXPECT_EQ(table->item(3, CommissionPage::FurtherColumn(0))->text(), QStringLiteral("—"));
  EXPECT_EQ(Cell(w, 2, kColVerdict), QStringLiteral("不合格"));
  EXPECT_TRUE(Cell(w, 2, kColFindings).contains(QStringLiteral("極性検査の記録")));
  EXPECT_TRUE(w.commission_page()->test_items()->text().contains(
      QStringLiteral("絶縁抵抗の試験電圧: ストリング 1, 2 で実施 (不合格: 2)、3-5 は未実施")))
      << w.commission_page()->test_items()->text().toStdString();
  // The page, with the further columns, as the window shows it.
  w.tabs()->setCurrentWidget(w.commission_page());
  EXPECT_GT(InkShare(w.commission_page()->grab().toImage()), 0.01);
}

TEST_F(ViewerCommission, AnotherPlansFormIsRefusedNamingItsLine) {
  TempDir other{"voltrigg-viewer-commission-other"};
  MakeRunResult(other, kSeries, kParallel, 32);  // another lot of the same shape
  ASSERT_EQ(Cli(other, "commission --form " + (other / "form.csv") + " " + (other / "result.csv")).status, 0);
  std::string filled;
  std::istringstream form(ReadFile(other / "form.csv"));
  for (std::string line; std::getline(form, line);) {
    if (line.rfind("1,", 0) == 0) line.replace(0, 12, "1,400,9,1000,25,,,,,,,");
    filled += line + "\n";
  }
  WriteFile(dir_ / "other.csv", filled);
  ViewerWindow w(AssessOptions{});
  ASSERT_FALSE(w.Load(Q(dir_ / "result.csv")).has_value());
  const std::optional<QString> error = w.LoadMeasurements(dir_ / "other.csv");
  ASSERT_TRUE(error.has_value());
  for (const QString& word :
       {QStringLiteral("other.csv の 2 行目、列 plan"), QStringLiteral("別の計画の測定用紙です")}) {
    EXPECT_TRUE(error->contains(word)) << error->toStdString();
  }
  EXPECT_FALSE(w.commission_check().has_value());
  // voltrigg-view without a window: refused, no report.
  const Process p =
      RunViewer({Q(dir_ / "result.csv"), "--measurements", Q(dir_ / "other.csv"), "--pdf", Q(dir_ / "other.pdf")});
  EXPECT_EQ(p.status, 2);
  EXPECT_TRUE(p.err.contains(QStringLiteral("別の計画の測定用紙です"))) << p.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(Q(dir_ / "other.pdf")));
  // Against its own result it is checked.
  EXPECT_EQ(
      RunViewer({Q(other / "result.csv"), "--measurements", Q(dir_ / "other.csv"), "--pdf", Q(other / "report.pdf")})
          .status,
      0);
}

TEST_F(ViewerCommission, RefusedFilesNameTheLineAndFieldAndKeepTheWindowUsable) {
  ViewerWindow w(AssessOptions{});
  ASSERT_FALSE(w.Load(Q(dir_ / "result.csv")).has_value());
  ASSERT_FALSE(w.LoadMeasurements(Measurements("faults.csv", Faults())).has_value());
  const std::string header = "string,voc_v,isc_a,irradiance_w_m2,module_temperature_c\n";
  const struct {
    std::string text;
    std::vector<QString> words;
  } cases[] = {
      {header + "1,400,9,1000,25\n2,abc,9,1000,25\n",
       {QStringLiteral("3 行目"), QStringLiteral("列 voc_v"), QStringLiteral("「abc」は数値ではありません")}},
      {header + "9,400,9,1000,25\n",
       {QStringLiteral("2 行目"), QStringLiteral("列 string"), QStringLiteral("1 から 5")}},
      {header + "1,400,9,1000,25\n1,401,9,1000,25\n",
       {QStringLiteral("3 行目"), QStringLiteral("2 回測定"), QStringLiteral("2 行目にも")}},
      {header + "1,400,9,2000,25\n", {QStringLiteral("列 irradiance_w_m2"), QStringLiteral("2000 は範囲外")}},
      {header + "1,400,9,1000\n", {QStringLiteral("2 行目"), QStringLiteral("フィールドが 4 個")}},
      {header + "1,1e999,9,1000,25\n", {QStringLiteral("列 voc_v"), QStringLiteral("有限の数値ではありません")}},
      {"string,voc_v\n", {QStringLiteral("1 行目"), QStringLiteral("列 isc_a がありません")}},
      {"", {QStringLiteral("ファイルが空です")}},
  };
  for (const auto& c : cases) {
    WriteFile(dir_ / "bad.csv", c.text);
    const std::optional<QString> error = w.LoadMeasurements(dir_ / "bad.csv");
    ASSERT_TRUE(error.has_value()) << c.text;
    EXPECT_TRUE(error->contains(QStringLiteral("bad.csv"))) << error->toStdString();
    for (const QString& word : c.words) EXPECT_TRUE(error->contains(word)) << error->toStdString();
    // The check shown before stays.
    EXPECT_EQ(w.commission_page()->table()->rowCount(), kParallel);
    EXPECT_EQ(Cell(w, 1, kColVerdict), QStringLiteral("不合格"));
  }
  EXPECT_TRUE(w.LoadMeasurements(dir_ / "missing.csv").has_value());
  // Still usable: good measurements are checked.
  ASSERT_FALSE(w.LoadMeasurements(Measurements("good.csv", {})).has_value());
  EXPECT_TRUE(w.commission_check()->check.ok);

  // Without a matching list there is nothing to expect.
  std::filesystem::remove(dir_ / "list.csv");
  ASSERT_FALSE(w.Load(Q(dir_ / "result.csv")).has_value());
  const std::optional<QString> error = w.LoadMeasurements(dir_ / "good.csv");
  ASSERT_TRUE(error.has_value());
  EXPECT_TRUE(error->contains(QStringLiteral("モジュールリストが必要"))) << error->toStdString();
}

TEST_F(ViewerCommission, ADroppedMeasurementFileIsCheckedAndAResultOpened) {
  ViewerWindow w(AssessOptions{});
  ASSERT_FALSE(w.Load(Q(dir_ / "result.csv")).has_value());
  const auto drop = [&w](const std::string& path) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(Q(path))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    QDropEvent event(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
  };
  // The columns in another order, quoted, with a byte-order mark: still a measurement file.
  const std::string good = ReadFile(Measurements("good.csv", {}));
  WriteFile(dir_ / "dropped.csv", "\xEF\xBB\xBF\"isc_a\",voc_v, String ,irradiance_w_m2,module_temperature_c,note\n");
  EXPECT_TRUE(NamesMeasurementColumns(dir_ / "dropped.csv"));
  EXPECT_FALSE(NamesMeasurementColumns(dir_ / "result.csv"));
  EXPECT_FALSE(NamesMeasurementColumns(dir_ / "list.csv"));
  drop(dir_ / "good.csv");
  ASSERT_TRUE(w.commission_check().has_value());
  EXPECT_EQ(w.commission_check()->measurement_path, dir_ / "good.csv");
  EXPECT_EQ(w.document()->result_path, dir_ / "result.csv");

  TempDir other{"voltrigg-viewer-commission-drop"};
  MakeRunResult(other, 4, 3, 21);
  drop(other / "result.csv");
  EXPECT_EQ(w.document()->result_path, other / "result.csv");
  EXPECT_FALSE(w.commission_check().has_value());
}

TEST_F(ViewerCommission, ReportAndFormPdfs) {
  ViewerWindow w(AssessOptions{});
  ASSERT_FALSE(w.Load(Q(dir_ / "result.csv")).has_value());
  ASSERT_FALSE(w.LoadMeasurements(Measurements("faults.csv", Faults())).has_value());
  const QString report = Q(dir_ / "report.pdf");
  QString error;
  ASSERT_TRUE(w.ExportCommissionReport(report, &error)) << error.toStdString();
  const QString text = PdfText(report);
  for (const QString& word :
       {QStringLiteral("試運転検査報告: result.csv"), QStringLiteral("10 直列 × 5 並列"), QStringLiteral("list.csv"),
        QStringLiteral("faults.csv"), QStringLiteral("未測定"), QStringLiteral("合格 (注記)"),
        QStringLiteral("モジュール 1 枚分不足"), QStringLiteral("試験日"), QStringLiteral("試験者"),
        QStringLiteral("校正日"), QStringLiteral("署名"), QStringLiteral("ページ 1 / 1")}) {
    EXPECT_TRUE(text.contains(word)) << word.toStdString() << "\n" << text.toStdString();
  }
  // Never over what was read.
  const FileStamp before = Stamp(dir_ / "faults.csv");
  EXPECT_FALSE(w.ExportCommissionReport(Q(dir_ / "faults.csv"), &error));
  EXPECT_EQ(Stamp(dir_ / "faults.csv"), before);

  const QString form = Q(dir_ / "form.pdf");
  ASSERT_TRUE(w.ExportMeasurementForm(form, &error)) << error.toStdString();
  const QString form_text = PdfText(form);
  EXPECT_TRUE(form_text.contains(QStringLiteral("試運転検査 測定用紙: result.csv")));
  // Each string with its expected values at 1000 W/m² and 25 °C, as in the report's good rows.
  const PlannedArray plan = LoadPlannedArray(dir_ / "result.csv", "", false);
  for (std::size_t j = 0; j < plan.wiring.size(); ++j) {
    const ExpectedString e = ExpectedStringAt(plan.modules, plan.curves, plan.wiring[j], CellConditions{}, {});
    EXPECT_TRUE(form_text.contains(Fixed(e.voc_v, 1)) && form_text.contains(Fixed(e.isc_a, 2)))
        << "string " << j + 1 << "\n"
        << form_text.toStdString();
  }
  EXPECT_FALSE(w.ExportMeasurementForm(Q(dir_ / "result.csv"), &error));
}

TEST_F(ViewerCommission, TheReportNamesWhichTestItemsWereMadeAndTheFormCarriesThemAndItsPlan) {
  // A check of Voc and Isc alone: the items not made are named.
  ViewerWindow w(AssessOptions{});
  ASSERT_FALSE(w.Load(Q(dir_ / "result.csv")).has_value());
  ASSERT_FALSE(w.LoadMeasurements(Measurements("faults.csv", Faults())).has_value());
  QString error;
  ASSERT_TRUE(w.ExportCommissionReport(Q(dir_ / "old.pdf"), &error)) << error.toStdString();
  QString text = PdfText(Q(dir_ / "old.pdf"));
  for (const QString& word :
       {QStringLiteral("検査項目 (実施と未実施)"),
        QStringLiteral("開放電圧 Voc: ストリング 2-5 で実施 (不合格: 2)、1 は未実施"), QStringLiteral("極性: 未実施"),
        QStringLiteral("絶縁抵抗 (正極と大地間): 未実施"), QStringLiteral("接地の導通: 未実施")}) {
    EXPECT_TRUE(text.contains(word)) << word.toStdString() << "\n" << text.toStdString();
  }
  EXPECT_FALSE(text.contains(QStringLiteral("その他の検査項目")));

  // With the record: its table per string and the items each string made.
  const Process p = RunViewer({Q(dir_ / "result.csv"), "--measurements", Q(Record("record.csv")), "--insulation-min",
                               "50", "--pdf", Q(dir_ / "record.pdf")});
  ASSERT_EQ(p.status, 0) << p.err.toStdString();
  EXPECT_TRUE(p.err.contains(QStringLiteral("不合格: ストリング 2, 3, 5"))) << p.err.toStdString();
  text = PdfText(Q(dir_ / "record.pdf"));
  for (const QString& word : {QStringLiteral("その他の検査項目 (極性・絶縁抵抗・接地)"),
                              QStringLiteral("絶縁抵抗は各極と大地間で 50 MΩ 以上"),
                              QStringLiteral("極性: ストリング 1-3 で実施 (不合格: 3)、4, 5 は未実施"),
                              QStringLiteral("絶縁抵抗 (正極と大地間): ストリング 1 で実施、2-5 は未実施"),
                              QStringLiteral("負極と大地間の絶縁抵抗が下限未満"), QStringLiteral("75.5"),
                              QStringLiteral("0.08"), QStringLiteral("未測定")}) {
    EXPECT_TRUE(text.contains(word)) << word.toStdString() << "\n" << text.toStdString();
  }
  // String 2's row of the further items: polarity, the missing positive pole, the low negative one, the test voltage.
  const QRegularExpression row2(QStringLiteral("\\n\\s*2\\s+正常\\s+未測定\\s+0\\.4\\s+500\\s+未測定\\s+不合格"));
  EXPECT_TRUE(text.contains(row2)) << text.toStdString();

  // The blank form: the further items' columns, landscape, its plan on every page.
  ASSERT_TRUE(w.ExportMeasurementForm(Q(dir_ / "form.pdf"), &error)) << error.toStdString();
  const QString form = PdfText(Q(dir_ / "form.pdf"));
  const PlannedArray plan = LoadPlannedArray(dir_ / "result.csv", "", false);
  const QString fingerprint = Q(PlanFingerprint(plan.modules, plan.wiring));
  for (const QString& word :
       {QStringLiteral("極性"), QStringLiteral("絶縁抵抗 +"), QStringLiteral("絶縁抵抗 −"), QStringLiteral("試験電圧"),
        QStringLiteral("接地導通"), QStringLiteral("計画: ") + fingerprint, QStringLiteral("計画 ") + fingerprint,
        QStringLiteral("試験電圧は 1000 V 以上")}) {
    EXPECT_TRUE(form.contains(word)) << word.toStdString() << "\n" << form.toStdString();
  }
  const QImage page = FirstPage(Q(dir_ / "form.pdf"), dir_);
  EXPECT_GT(page.width(), page.height());
}

TEST(ViewerCommissionProgram, WritesTheReportWithoutADisplayAndNothingForBadInput) {
  TempDir dir{"voltrigg-view-commission"};
  MakeRunResult(dir, 4, 60, 9);  // 60 strings: the table runs over pages
  const PlannedArray plan = LoadPlannedArray(dir / "result.csv", "", false);
  std::string text = "string,voc_v,isc_a,note\n";
  for (std::size_t j = 0; j < plan.wiring.size(); ++j) {
    const ExpectedString e = ExpectedStringAt(plan.modules, plan.curves, plan.wiring[j], CellConditions{800, 40}, {});
    text += std::to_string(j + 1) + "," + std::to_string(e.voc_v * (j == 6 ? 0.75 : 1.0)) + "," +
            std::to_string(e.isc_a) + ",\n";
  }
  WriteFile(dir / "m.csv", text);
  const QString out = Q(dir / "report.pdf");
  Process p = RunViewer({Q(dir / "result.csv"), "--measurements", Q(dir / "m.csv"), "--irradiance", "800",
                         "--module-temperature", "40", "--pdf", out});
  ASSERT_EQ(p.status, 0) << p.err.toStdString();
  EXPECT_TRUE(p.err.contains(QStringLiteral("不合格: ストリング 7"))) << p.err.toStdString();
  const QStringList pages = PdfText(out).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
  ASSERT_GE(pages.size(), 2);
  // The table's heading on every page it runs over, and the page numbers.
  EXPECT_TRUE(pages[0].contains(QStringLiteral("Voc 測定値")));
  EXPECT_TRUE(pages[1].contains(QStringLiteral("Voc 測定値")));
  EXPECT_TRUE(pages[1].contains(QStringLiteral("ページ 2 / %1").arg(pages.size())));
  EXPECT_TRUE(pages.back().contains(QStringLiteral("署名")));
  EXPECT_TRUE(PdfText(out).contains(QStringLiteral("モジュール 1 枚分不足")));

  // Without the conditions the file leaves out: refused, nothing written, the old report kept.
  const FileStamp before = Stamp(dir / "report.pdf");
  p = RunViewer({Q(dir / "result.csv"), "--measurements", Q(dir / "m.csv"), "--pdf", out});
  EXPECT_EQ(p.status, 2);
  EXPECT_TRUE(p.err.contains(QStringLiteral("列 irradiance_w_m2"))) << p.err.toStdString();
  EXPECT_EQ(Stamp(dir / "report.pdf"), before);
  p = RunViewer({Q(dir / "result.csv"), "--measurements", Q(dir / "none.csv"), "--pdf", Q(dir / "new.pdf")});
  EXPECT_EQ(p.status, 2);
  EXPECT_FALSE(QFileInfo::exists(Q(dir / "new.pdf")));
  // Over the measurements themselves: refused.
  p = RunViewer({Q(dir / "result.csv"), "--measurements", Q(dir / "m.csv"), "--irradiance", "800",
                 "--module-temperature", "40", "--pdf", Q(dir / "m.csv")});
  EXPECT_EQ(p.status, 2);
  EXPECT_EQ(ReadFile(dir / "m.csv"), text);

  // The blank form without a window; none without the list that gives its expected values.
  p = RunViewer({Q(dir / "result.csv"), "--form-pdf", Q(dir / "form.pdf")});
  ASSERT_EQ(p.status, 0) << p.err.toStdString();
  const QString form = PdfText(Q(dir / "form.pdf"));
  EXPECT_TRUE(form.contains(QStringLiteral("試運転検査 測定用紙: result.csv")));
  EXPECT_TRUE(form.contains(QStringLiteral("ページ 2 /")));  // 60 rows to fill in run over a page
  std::filesystem::rename(dir / "list.csv", dir / "elsewhere.csv");
  p = RunViewer({Q(dir / "result.csv"), "--form-pdf", Q(dir / "form2.pdf")});
  EXPECT_EQ(p.status, 2);
  EXPECT_TRUE(p.err.contains(QStringLiteral("モジュールリストが必要"))) << p.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(Q(dir / "form2.pdf")));
  std::filesystem::rename(dir / "elsewhere.csv", dir / "list.csv");

  // With other files asked for too, measurements it cannot use (no conditions) leave nothing written.
  p = RunViewer({Q(dir / "result.csv"), "--measurements", Q(dir / "m.csv"), "--json", Q(dir / "b.json"), "--form-pdf",
                 Q(dir / "b-form.pdf"), "--pdf", Q(dir / "b.pdf")});
  EXPECT_EQ(p.status, 2);
  EXPECT_FALSE(QFileInfo::exists(Q(dir / "b.json")));
  EXPECT_FALSE(QFileInfo::exists(Q(dir / "b-form.pdf")));
  EXPECT_FALSE(QFileInfo::exists(Q(dir / "b.pdf")));

  // Measurements without a window and without --pdf would be read for nothing: refused.
  p = RunViewer({Q(dir / "result.csv"), "--measurements", Q(dir / "m.csv"), "--json", Q(dir / "a.json")});
  EXPECT_EQ(p.status, 64);
  EXPECT_TRUE(p.err.contains(QStringLiteral("--pdf"))) << p.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(Q(dir / "a.json")));

  // Options out of their range, as voltrigg-cli commission refuses them.
  for (const QStringList& args : {QStringList{"--voc-tolerance", "0"}, QStringList{"--isc-tolerance", "25"},
                                  QStringList{"--irradiance", "abc"}, QStringList{"--module-temperature", "150"}}) {
    p = RunViewer(QStringList{Q(dir / "result.csv"), "--measurements", Q(dir / "m.csv"), "--pdf", Q(dir / "new.pdf")} +
                  args);
    EXPECT_EQ(p.status, 64) << args.join(' ').toStdString();
    EXPECT_TRUE(p.err.contains(args.front())) << p.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Q(dir / "new.pdf")));
  }
}
