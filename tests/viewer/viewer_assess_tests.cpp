// The viewer with the physical assessment: the same figures as voltrigg-cli
// --assess for the same run, strings above the voltage limit marked, the
// optimised wiring shown on request, and lists whose curves cannot be fitted
// told plainly while the planning figures stay.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTableWidget>
#include <algorithm>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <stop_token>

#include "assess_view.h"
#include "document.h"
#include "options.h"
#include "support/module_generator.h"
#include "viewer_support.h"
#include "viewer_window.h"
#include "wiring_plan.h"
#include "wiring_table.h"

using namespace voltrigg;
using namespace voltrigg::viewer;
using namespace voltrigg::testing;

namespace {

Document Open(const std::string& result, const AssessOptions& options = {}) {
  Document doc = OpenDocument(result, "", options);
  RunAssessment(doc);
  return doc;
}

std::multiset<std::string> Serials(const PlanView& plan) {
  std::multiset<std::string> out;
  for (const ModuleCell& c : plan.cells) out.insert(c.serial_bytes);
  return out;
}

}  // namespace

TEST(ViewerAssessment, SameFiguresAsTheBatchFrontEnd) {
  TempDir dir{"voltrigg-view-assess"};
  WriteFile(dir / "list.csv", FormatModuleList(GenerateModules(60, 17)));
  QProcess cli;
  cli.start(QStringLiteral(VOLTRIGG_CLI),
            {"--assess", "-s", "10", "-p", "6", "-o", Q(dir / "result"), Q(dir / "list.csv")});
  ASSERT_TRUE(cli.waitForFinished(60000));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  const nlohmann::json json = nlohmann::json::parse(ReadFile(dir / "result.assessment.json"));

  const Document doc = Open(dir / "result.csv");
  ASSERT_TRUE(doc.assessment.has_value()) << doc.assessment_note.toStdString();
  const AssessmentView& a = *doc.assessment;
  // Completed, from the same run: the assessment file is the CLI's, byte for byte.
  ASSERT_TRUE(a.complete);
  ASSERT_TRUE(a.same_as_cli) << doc.assessment_note.toStdString();
  EXPECT_TRUE(doc.assessment_note.isEmpty()) << doc.assessment_note.toStdString();
  QString error;
  ASSERT_TRUE(SaveAssessmentJson(doc, Q(dir / "viewer.json"), &error)) << error.toStdString();
  EXPECT_EQ(ReadFile(dir / "viewer.json"), ReadFile(dir / "result.assessment.json"));
  const auto& estimated = json["arrangements"]["estimated"];
  EXPECT_EQ(a.result_wiring.pmp_w, estimated["pmp_w"].get<double>());
  EXPECT_EQ(a.optimized.pmp_w, json["arrangements"]["optimized"]["pmp_w"].get<double>());
  EXPECT_EQ(a.random_mean_pmp_w, json["random_wiring"]["mean_pmp_w"].get<double>());
  ASSERT_EQ(a.result_wiring.strings.size(), 6u);
  for (std::size_t j = 0; j < 6; ++j) {
    EXPECT_EQ(a.result_wiring.strings[j].voc_cold_v, estimated["strings"][j]["voc_cold_v"].get<double>());
  }
  // The optimised wiring is at least as good, and wires the same modules.
  EXPECT_GE(a.optimized.pmp_w, a.result_wiring.pmp_w);
  const PlanView result_plan = MakePlan(doc, viewer::ShownWiring::Result, ColourBy::Ipm);
  const PlanView optimized_plan = MakePlan(doc, viewer::ShownWiring::Optimized, ColourBy::Ipm);
  EXPECT_EQ(Serials(result_plan), Serials(optimized_plan));
  EXPECT_EQ(optimized_plan.series, 10);
  // One colour scale for both, the wider of the two: a module of the same
  // deviation gets the same colour in either picture.
  EXPECT_EQ(result_plan.colour_range_pct, optimized_plan.colour_range_pct);
  EXPECT_GT(result_plan.colour_range_pct, 0);
  const auto widest = [](const PlanView& p) {
    double w = 0;
    for (const ModuleCell& c : p.cells) w = std::max(w, std::fabs(c.deviation_pct));
    return w;
  };
  EXPECT_EQ(result_plan.colour_range_pct, std::max(widest(result_plan), widest(optimized_plan)));
}

TEST(ViewerAssessment, WindowShowsPhysicalFiguresLimitAndOptimisedWiring) {
  TempDir dir{"voltrigg-view-assess"};
  WriteFile(dir / "known-result.csv", kKnownResult);
  WriteFile(dir / "known.csv", kKnownList);
  AssessOptions options;
  options.conditions.max_system_voltage_v = 120;  // three modules of about 37.5 V Voc are about 124 V at -10 °C
  ViewerWindow w(options);
  ASSERT_FALSE(w.Load(Q(dir / "known-result.csv")).has_value());
  // The result's wiring at once; the optimised and random wiring arrive from another thread.
  ASSERT_TRUE(w.document()->assessment.has_value()) << w.document()->assessment_note.toStdString();
  EXPECT_FALSE(w.document()->assessment->complete);
  EXPECT_EQ(w.summary()->figures_table()->item(6, 2)->text(), QStringLiteral("計算中…"));
  QElapsedTimer waited;
  waited.start();
  while (!w.document()->assessment->complete && waited.elapsed() < 20000)
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  const Document& doc = *w.document();
  ASSERT_TRUE(doc.assessment.has_value()) << doc.assessment_note.toStdString();

  QTableWidget* f = w.summary()->figures_table();
  ASSERT_EQ(f->rowCount(), 9);
  EXPECT_EQ(f->item(5, 1)->text(), QStringLiteral("結果ファイルの配線"));
  EXPECT_EQ(f->item(5, 2)->text(), Fixed(doc.assessment->result_wiring.pmp_w, 2));
  EXPECT_EQ(f->item(5, 5)->text(), Fixed(doc.assessment->result_wiring.mismatch_loss_pct, 4));
  EXPECT_EQ(f->item(6, 1)->text(), QStringLiteral("最適化した配線"));
  EXPECT_TRUE(f->item(7, 1)->text().contains(QStringLiteral("ランダム配線 100 通り")));

  // Cold Voc: string 1 is 37.3 + 38.5 + 36.2 = 112 V, string 2 37.9 + 37.4 + 37.4 = 112.7 V, times 1.105.
  const PlanView& plan = w.plan();
  ASSERT_TRUE(plan.strings[0].physics.has_value());
  EXPECT_NEAR(plan.strings[0].physics->voc_cold_v, 112.0 * 1.105, 1e-3);
  EXPECT_NEAR(plan.strings[1].physics->voc_cold_v, 112.7 * 1.105, 1e-3);
  EXPECT_EQ(plan.OverLimitCount(), 2);
  EXPECT_TRUE(w.summary()->verdict_label()->text().startsWith(
      QStringLiteral("ストリング 1, 2 の低温開放電圧が上限 120 V を超えています")))
      << w.summary()->verdict_label()->text().toStdString();
  EXPECT_EQ(
      w.table_page()->model()->index(0, WiringTableModel::kString).data(Qt::ForegroundRole).value<QBrush>().color(),
      QColor(200, 0, 0));

  // The optimised wiring in picture and table, and back.
  w.SetWiring(viewer::ShownWiring::Optimized);
  EXPECT_EQ(w.wiring(), viewer::ShownWiring::Optimized);
  EXPECT_EQ(Serials(w.plan()), Serials(MakePlan(doc, viewer::ShownWiring::Result, ColourBy::Ipm)));
  EXPECT_NEAR(PlanView::Current(w.plan().strings[0]) + PlanView::Current(w.plan().strings[1]),
              doc.assessment->optimized.imp_a, 1e-6);
  w.SetWiring(viewer::ShownWiring::Result);
  EXPECT_EQ(w.table_page()->model()->index(0, WiringTableModel::kSerial).data().toString(), QStringLiteral("K-3"));

  // The plan says it too.
  const QString pdf = Q(dir / "plan.pdf");
  QString error;
  ASSERT_TRUE(w.ExportPdf(pdf, &error)) << error.toStdString();
  const QString text = PdfText(pdf);
  EXPECT_TRUE(text.contains(QStringLiteral("上限超過")));
  EXPECT_TRUE(text.contains(Fixed(doc.assessment->result_wiring.pmp_w, 2)));
  EXPECT_TRUE(text.contains(QStringLiteral("ストリング 1, 2 の低温開放電圧が上限 120 V を超えています")));

  // A plan of the optimised wiring says so on every page, head and foot.
  w.SetWiring(ShownWiring::Optimized);
  ASSERT_TRUE(w.ExportPdf(pdf, &error)) << error.toStdString();
  const QStringList pages = PdfText(pdf).split('\f', Qt::SkipEmptyParts);
  ASSERT_EQ(pages.size(), 2);
  for (const QString& page : pages) {
    EXPECT_EQ(page.count(QStringLiteral("(最適化した配線)")), 2) << page.toStdString();
    EXPECT_FALSE(page.contains(QStringLiteral("(結果ファイルの配線)")));
  }
}

// The done-when of the shared assessment: the viewer's file is the CLI's, on
// lists of every size a run takes, written without a window.
TEST(ViewerAssessment, JsonWithoutAWindowIsTheClisOnGeneratedListsOf60To1000Modules) {
  struct Shape {
    int series, parallel;
    unsigned seed;
  };
  for (const Shape& s : {Shape{10, 6, 3}, Shape{12, 25, 4}, Shape{20, 50, 5}}) {
    TempDir dir{"voltrigg-view-assess"};
    WriteFile(dir / "list.csv", FormatModuleList(GenerateModules(s.series * s.parallel, s.seed)));
    QProcess cli;
    cli.start(QStringLiteral(VOLTRIGG_CLI),
              {"--assess", "-s", QString::number(s.series), "-p", QString::number(s.parallel), "-o", Q(dir / "result"),
               Q(dir / "list.csv")});
    ASSERT_TRUE(cli.waitForFinished(60000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    const Process view = RunViewer({Q(dir / "result.csv"), QStringLiteral("--json"), Q(dir / "view.json")});
    ASSERT_EQ(view.status, 0) << view.err.toStdString();
    EXPECT_EQ(ReadFile(dir / "view.json"), ReadFile(dir / "result.assessment.json")) << s.series * s.parallel;
  }
}

TEST(ViewerAssessment, AResultNotMadeFromTheListIsSaidAndItsWiringAssessedAlone) {
  TempDir dir{"voltrigg-view-assess"};
  MakeRunResult(dir, 10, 6, 11);
  // Pmax is not part of the matrix, so the list still matches the result's
  // rows; but the planning run on it gives another simple sum.
  std::string list = ReadFile(dir / "list.csv");
  const std::size_t row = list.find("\r\n") + 2;
  const std::size_t pmax = list.find(',', list.find(',', row) + 1) + 1;
  list.insert(pmax, "1");
  WriteFile(dir / "list.csv", list);
  const Document doc = Open(dir / "result.csv");
  ASSERT_TRUE(doc.assessment.has_value()) << doc.assessment_note.toStdString();
  EXPECT_FALSE(doc.assessment->same_as_cli);
  QString error;
  EXPECT_FALSE(SaveAssessmentJson(doc, Q(dir / "a.json"), &error));
  EXPECT_FALSE(std::filesystem::exists(dir / "a.json"));
  const Process view = RunViewer({Q(dir / "result.csv"), QStringLiteral("--json"), Q(dir / "a.json")});
  EXPECT_EQ(view.status, 2);
  EXPECT_TRUE(view.err.contains(QStringLiteral("JSON で保存できません"))) << view.err.toStdString();
  EXPECT_FALSE(std::filesystem::exists(dir / "a.json"));
}

TEST(ViewerAssessment, ConditionsThatMakeNoSenseAreRefusedBeforeAnythingIsAssessed) {
  TempDir dir{"voltrigg-view-assess"};
  MakeRunResult(dir, 10, 6, 12);
  for (const QStringList& option :
       {QStringList{"--tmin", "nan"}, QStringList{"--voc-coefficient", "0.3"},
        QStringList{"--voc-coefficient", "-0.003"}, QStringList{"--max-system-voltage", "inf"}}) {
    ViewerOptions parsed;
    QString error;
    EXPECT_EQ(ParseViewerOptions(QStringList{"voltrigg-view", Q(dir / "result.csv")} + option, parsed, &error),
              ParseOutcome::Usage);
    EXPECT_TRUE(error.startsWith(option.front() + QStringLiteral(" には "))) << error.toStdString();
    const Process view =
        RunViewer(QStringList{Q(dir / "result.csv"), QStringLiteral("--json"), Q(dir / "a.json")} + option);
    EXPECT_EQ(view.status, 64) << option.join(' ').toStdString();
    EXPECT_FALSE(std::filesystem::exists(dir / "a.json"));
  }
  // Set past the command line, the document refuses them too.
  AssessOptions bad;
  bad.conditions.tmin_c = std::numeric_limits<double>::quiet_NaN();
  const Document doc = Open(dir / "result.csv", bad);
  EXPECT_FALSE(doc.assessment.has_value());
  EXPECT_TRUE(doc.assessment_note.contains(QStringLiteral("--tmin"))) << doc.assessment_note.toStdString();
}

TEST(ViewerAssessment, ASecondFileOpenedWhileTheFirstIsAssessedIsShownComplete) {
  TempDir dir{"voltrigg-view-assess"};
  MakeRunResult(dir, 10, 6, 13);
  // In the window: a second file opened while the first is still being
  // assessed; the window shows the second's figures, complete.
  TempDir other{"voltrigg-view-assess"};
  MakeRunResult(other, 20, 10, 14);
  ViewerWindow w(AssessOptions{});
  ASSERT_FALSE(w.Load(Q(other / "result.csv")).has_value());
  ASSERT_FALSE(w.Load(Q(dir / "result.csv")).has_value());
  w.FinishAssessment();
  ASSERT_TRUE(w.document()->assessment.has_value());
  EXPECT_TRUE(w.document()->assessment->complete);
  EXPECT_EQ(w.document()->assessment->core.modules.size(), 60u);
  QString error;
  EXPECT_TRUE(w.SaveJson(Q(dir / "w.json"), &error)) << error.toStdString();
  QApplication::processEvents();
}

TEST(ViewerAssessment, InverterWindowInTheWindowTheJsonAndThePlan) {
  TempDir dir{"voltrigg-view-window"};
  WriteFile(dir / "list.csv", FormatModuleList(GenerateModules(60, 17)));
  // An inverter made too small for this array from its own figures: the hot
  // MPP voltage and the short-circuit current fail, the input current clips.
  const auto run = [&](const QStringList& extra) {
    QProcess cli;
    cli.start(QStringLiteral(VOLTRIGG_CLI), QStringList{"--assess", "--t-hot", "65", "-s", "10", "-p", "6", "-o",
                                                        Q(dir / "result"), Q(dir / "list.csv")} +
                                                extra);
    EXPECT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    return nlohmann::json::parse(ReadFile(dir / "result.assessment.json"))["inverter_window"];
  };
  const nlohmann::json open = run({});
  const double hot_vmp_v = open["points"]["hot"]["vmp_v"];
  const double cold_vmp_v = open["points"]["cold"]["vmp_v"];
  const double isc_a = open["checks"]["short_circuit_current"]["value_a"];
  const double imp_a = open["points"]["hot"]["imp_a"];
  WriteFile(dir / "inverter.json", "{\"name\": \"Small test inverter\", \"max_dc_voltage_v\": 1000, \"mppt_min_v\": " +
                                       std::to_string(hot_vmp_v + 5) +
                                       ", \"mppt_max_v\": " + std::to_string(cold_vmp_v + 100) +
                                       ", \"max_input_current_a\": " + std::to_string(imp_a / 2) +
                                       ", \"max_short_circuit_current_a\": " + std::to_string(isc_a / 2) + "}");
  ASSERT_EQ(run({"--inverter", Q(dir / "inverter.json")})["ok"], false);

  AssessOptions options;
  options.conditions.t_hot_c = 65;
  ASSERT_FALSE(LoadInverterOption(dir / "inverter.json", options).has_value());
  ViewerWindow w(options);
  ASSERT_FALSE(w.Load(Q(dir / "result.csv")).has_value());
  ASSERT_TRUE(w.document()->assessment.has_value()) << w.document()->assessment_note.toStdString();
  const InverterWindow& window = w.document()->assessment->core.inverter_window;
  EXPECT_FALSE(window.ok);

  // The table: a row per check, the failed ones red, the verdict in the summary.
  QTableWidget* t = w.window_page()->table();
  ASSERT_EQ(t->rowCount(), 5);
  EXPECT_EQ(t->item(1, 0)->text(), QStringLiteral("MPPT 下限"));
  EXPECT_EQ(t->item(1, 5)->text(), QStringLiteral("不適合"));
  EXPECT_EQ(t->item(1, 2)->foreground().color(), QColor(200, 0, 0));
  EXPECT_EQ(t->item(2, 5)->text(), QStringLiteral("適合"));
  EXPECT_NE(t->item(2, 2)->foreground().color(), QColor(200, 0, 0));
  EXPECT_EQ(t->item(4, 5)->text(), QStringLiteral("超過 (出力制限)"));
  EXPECT_TRUE(t->item(1, 1)->text().contains(QStringLiteral("65 °C")));
  EXPECT_TRUE(w.summary()->window_verdict_label()->text().contains(QStringLiteral("不適合 — MPPT 下限、短絡電流")))
      << w.summary()->window_verdict_label()->text().toStdString();

  // The JSON is the CLI's, byte for byte, once the background part is done.
  QElapsedTimer waited;
  waited.start();
  while (!w.document()->assessment->complete && waited.elapsed() < 20000)
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  QString error;
  ASSERT_TRUE(w.SaveJson(Q(dir / "viewer.json"), &error)) << error.toStdString();
  EXPECT_EQ(ReadFile(dir / "viewer.json"), ReadFile(dir / "result.assessment.json"));

  // The plan's first page carries the same table.
  ASSERT_TRUE(w.ExportPdf(Q(dir / "plan.pdf"), &error)) << error.toStdString();
  const QString text = PdfText(Q(dir / "plan.pdf"));
  EXPECT_TRUE(text.contains(QStringLiteral("パワコン入力範囲"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("Small test inverter")));
  EXPECT_TRUE(text.contains(QStringLiteral("MPPT 下限")));
  EXPECT_TRUE(text.contains(QStringLiteral("不適合")));
}
