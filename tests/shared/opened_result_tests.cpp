// The opened-result model that the viewer, the page and voltrigg-cli
// commission share, without a toolkit: the plan view's sums, deviations and
// colours; list and result matched once with every difference named; the
// planning run on the list telling whether the result is its run; the
// assessment's two parts; the commissioning array and voltrigg-cli's
// refusals; the numbers as the viewer writes them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>

#include "app/shared/commission_view.h"
#include "app/shared/curve_problems.h"
#include "app/shared/opened_result.h"
#include "app/shared/opened_result_texts.h"
#include "app/shared/planned_array.h"
#include "assess/assessment_json.h"
#include "input/run_error.h"
#include "run/batch_run.h"
#include "support/known_result.h"
#include "support/module_generator.h"

using namespace voltrigg;
using namespace voltrigg::testing;

namespace {

struct KnownFiles {
  TempDir dir{"voltrigg-opened"};
  std::string result = dir / "known-result.csv";
  std::string list = dir / "known.csv";
  explicit KnownFiles(bool with_list = true) {
    WriteFile(result, kKnownResult);
    if (with_list) WriteFile(list, kKnownList);
  }
};

const ModuleCell& CellOf(const PlanView& plan, const std::string& serial) {
  return *std::find_if(plan.cells.begin(), plan.cells.end(), [&](const ModuleCell& c) { return c.serial == serial; });
}

std::string All(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

OpenedResult Assessed(const std::string& result, const AssessOptions& options = {}) {
  OpenedResult o = OpenResult(result, "", options);
  RunAssessment(o);
  return o;
}

std::multiset<std::string> Serials(const PlanView& plan) {
  std::multiset<std::string> out;
  for (const ModuleCell& c : plan.cells) out.insert(c.serial_bytes);
  return out;
}

}  // namespace

TEST(OpenedResultPlan, KnownResultSumsDeviationsAndColourOrder) {
  KnownFiles files;
  const OpenedResult o = OpenResult(files.result, "", AssessOptions{});
  const PlanView plan = MakePlan(o, ShownWiring::Result, ColourBy::Ipm);
  ASSERT_EQ(plan.series, 3);
  ASSERT_EQ(plan.parallel, 2);
  EXPECT_DOUBLE_EQ(plan.strings[0].vpm_sum_v, 90.0);
  EXPECT_DOUBLE_EQ(plan.strings[1].vpm_sum_v, 90.5);
  EXPECT_NEAR(plan.strings[0].mean_ipm_a, 8.0, 1e-6);
  EXPECT_NEAR(plan.strings[1].mean_ipm_a, 8.2, 1e-6);
  EXPECT_EQ(plan.strings[0].planning_current_a, 8.0);  // the planning rule: Ipm of position 1
  EXPECT_NEAR(plan.mean_string_voltage_v, 90.25, 1e-9);
  EXPECT_NEAR(CellOf(plan, "K-1").deviation_pct, 6.25, 1e-5);
  EXPECT_NEAR(CellOf(plan, "K-6").deviation_pct, -6.25, 1e-5);
  EXPECT_NEAR(CellOf(plan, "K-4").deviation_pct, 100.0 * 0.1 / 8.2, 1e-4);
  EXPECT_NEAR(plan.colour_range_pct, 6.25, 1e-5);
  EXPECT_EQ(CellOf(plan, "K-3").colour, (Rgb{255, 255, 255}));  // at its string's mean
  EXPECT_EQ(CellOf(plan, "K-6").colour, (Rgb{33, 102, 172}));   // full blue at the widest below
  EXPECT_EQ(CellOf(plan, "K-1").colour, (Rgb{224, 130, 20}));   // full orange at the widest above
  EXPECT_EQ(DeviationColour(std::numeric_limits<double>::quiet_NaN()), (Rgb{255, 255, 255}));

  // Colours run from blue through white to orange in the order of the deviations.
  std::vector<ModuleCell> cells = plan.cells;
  std::sort(cells.begin(), cells.end(),
            [](const ModuleCell& a, const ModuleCell& b) { return a.deviation_pct < b.deviation_pct; });
  for (std::size_t i = 1; i < cells.size(); ++i) {
    const auto blueness = [](const Rgb& c) { return c.blue - c.red; };
    EXPECT_GE(blueness(cells[i - 1].colour), blueness(cells[i].colour)) << i;
  }
  // By Vpm: string 1's Vpm 30, 31, 29 around 30.
  const PlanView by_vpm = MakePlan(o, ShownWiring::Result, ColourBy::Vpm);
  EXPECT_NEAR(CellOf(by_vpm, "K-1").deviation_pct, 100.0 / 30.0, 1e-5);
  EXPECT_NEAR(CellOf(by_vpm, "K-3").deviation_pct, 0.0, 1e-9);
}

TEST(OpenedResultPlan, StringsAboveTheLimitAreMarkedAndTheVerdictSaysWhich) {
  KnownFiles files;
  const OpenedResult o = OpenResult(files.result, "", AssessOptions{});
  const std::vector<StringPhysics> physics = {{8.0, 900.0, 1001.0}, {8.1, 899.0, 999.9}};
  const PlanView plan = BuildPlanView(o.ResultWiring(), 3, 2, ColourBy::Ipm, physics, 1000.0);
  EXPECT_TRUE(plan.strings[0].over_limit);
  EXPECT_FALSE(plan.strings[1].over_limit);
  EXPECT_EQ(plan.OverLimitCount(), 1);
  bool bad = false;
  EXPECT_EQ(VoltageVerdictJa(o, plan, &bad),
            "ストリング 1 の低温開放電圧が上限 1000 V を超えています (最大 1001.0 V、-10 °C、-0.30 %/K)");
  EXPECT_TRUE(bad);
  // A NaN voltage fails closed.
  const PlanView nan =
      BuildPlanView(o.ResultWiring(), 3, 2, ColourBy::Ipm,
                    {{8.0, 900.0, std::numeric_limits<double>::quiet_NaN()}, {8.1, 899.0, 999.9}}, 1000.0);
  EXPECT_TRUE(nan.strings[0].over_limit);
  // Without the curves' figures nothing is marked and the verdict says why.
  const PlanView plain = BuildPlanView(o.ResultWiring(), 3, 2, ColourBy::Ipm, {}, 1000.0);
  EXPECT_EQ(plain.OverLimitCount(), 0);
  EXPECT_NE(VoltageVerdictJa(o, plain, &bad).find("判定できません"), std::string::npos);
  EXPECT_FALSE(bad);
  // A wiring that does not fill S x P gives an empty plan, never a read past its rows.
  EXPECT_TRUE(BuildPlanView(o.ResultWiring(), 4, 2, ColourBy::Ipm, {}, 1000.0).cells.empty());
}

TEST(OpenedResultList, FoundBesideTheResultMatchedOnceAndEveryDifferenceNamed) {
  {
    KnownFiles files;
    const OpenedResult o = OpenResult(files.result, "", AssessOptions{});
    EXPECT_EQ(o.list_state, ListState::Matches);
    EXPECT_EQ(o.list_path, files.list);
    EXPECT_EQ(ListStatusTextJa(o.list_status),
              "モジュールリスト known.csv (6 モジュール) は結果ファイルと一致しています");
    // The result's rows point at the list's: K-3 is data row 3.
    EXPECT_EQ(o.match.list_index.front(), 2);
  }
  {
    KnownFiles files(false);
    const OpenedResult o = OpenResult(files.result, "", AssessOptions{});
    EXPECT_EQ(o.list_state, ListState::NotFound);
    EXPECT_EQ(ListStatusTextJa(o.list_status), "結果ファイルと同じフォルダにモジュールリスト known.csv がありません");
  }
  {
    // Another lot under the same name: every kind of difference is named.
    KnownFiles files;
    std::string other = kKnownList;
    other.replace(other.find("K-2"), 3, "X-2");
    other.replace(other.find("29,7.5"), 6, "29.5,7.5");
    other.replace(other.find("30,8.3"), 6, "30,8.4");
    WriteFile(files.list, other);
    const OpenedResult o = OpenResult(files.result, "", AssessOptions{});
    EXPECT_EQ(o.list_state, ListState::Mismatch);
    const std::string all = All(ListDifferenceTextsJa(o.match, o.list));
    EXPECT_NE(all.find("モジュール番号 2 のシリアル番号が違います (結果ファイル \"K-2\"、リスト \"X-2\")"),
              std::string::npos)
        << all;
    EXPECT_NE(all.find("モジュール番号 6 の Vpm が違います (結果ファイル 29 V、リスト 29.5 V)"), std::string::npos);
    EXPECT_NE(all.find("モジュール番号 4 の Ipm が違います"), std::string::npos);
  }
  {
    // Fewer modules in the list, and one the result has that the list lacks.
    KnownFiles files;
    std::string shorter = kKnownList;
    shorter.erase(shorter.find("6,K-6"));
    WriteFile(files.list, shorter);
    const OpenedResult o = OpenResult(files.result, "", AssessOptions{});
    const std::vector<std::string> lines = ListDifferenceTextsJa(o.match, o.list);
    EXPECT_EQ(lines.front(), "モジュールの数が違います (リスト 5 個、結果ファイル 6 個)");
    EXPECT_EQ(lines.back(), "モジュール番号 6 (結果ファイル 10 行目) がリストにありません");
  }
  {
    // A module wired twice is named as such, with both lines.
    KnownFiles files;
    std::string twice = kKnownResult;
    twice.replace(twice.find("1,6,\"K-6\",29,7.5"), 16, "1,3,\"K-3\",30,8");
    WriteFile(files.result, twice);
    const OpenedResult o = OpenResult(files.result, "", AssessOptions{});
    EXPECT_EQ(ListDifferenceTextsJa(o.match, o.list),
              (std::vector<std::string>{"モジュール番号 3 が結果ファイルに 2 回配線されています (8 行目と 10 行目)",
                                        "モジュール番号 6 (リストのデータ行 6) が結果ファイルにありません"}));
  }
  {
    // Beyond five differences, a count.
    KnownFiles files;
    WriteFile(files.list, FormatModuleList(GenerateModules(6, 3)));
    const OpenedResult o = OpenResult(files.result, "", AssessOptions{});
    const std::vector<std::string> lines = ListDifferenceTextsJa(o.match, o.list);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines.back(), "ほかに 1 件の違いがあります");
  }
  {
    // A list named by the user wins over the one beside the result; an unreadable one is said so.
    KnownFiles files;
    WriteFile(files.dir / "broken.csv", "No,S/N,Pmax,Vpm,Ipm,Voc,Isc\r\n1,K-1,abc,31,8.5,38.5,9.0\r\n");
    const OpenedResult o = OpenResult(files.result, files.dir / "broken.csv", AssessOptions{});
    EXPECT_EQ(o.list_state, ListState::Unreadable);
    EXPECT_NE(ListStatusTextJa(o.list_status).find("を読み込めません"), std::string::npos);
  }
  // Only the name counts, never a folder written into the result.
  EXPECT_EQ(ListBesideResult("/data/r.csv", "C:\\lists\\mods.csv"), "/data/mods.csv");
  EXPECT_EQ(ListBesideResult("/data/r.csv", "../../etc/passwd"), "/data/passwd");
  EXPECT_EQ(ListBesideResult("/data/r.csv", ".."), "");
}

TEST(OpenedResultList, DuplicateNumbersTakeTheRowWithTheSameSerialNumber) {
  // Two list rows of number 5: the result's row is the second one's.
  KnownFiles files;
  std::string list = kKnownList;
  list.replace(list.find("4,K-4"), 5, "5,K-4");
  WriteFile(files.list, list);
  std::string result = kKnownResult;
  result.replace(result.find("2,4,\"K-4\""), 9, "2,5,\"K-4\"");
  WriteFile(files.result, result);
  const OpenedResult o = OpenResult(files.result, "", AssessOptions{});
  EXPECT_EQ(o.list_state, ListState::Matches) << All(ListDifferenceTextsJa(o.match, o.list));
}

TEST(OpenedResultAssessment, TheListsOwnRunIsTheClisAndAnotherRunIsSaid) {
  TempDir dir{"voltrigg-opened"};
  MakeRunResult(dir, 10, 6, 11);
  {
    const OpenedResult o = Assessed(dir / "result.csv");
    ASSERT_TRUE(o.assessment.has_value()) << AssessmentStatusTextJa(o.assessment_status);
    EXPECT_TRUE(o.assessment->same_as_cli);
    EXPECT_TRUE(o.assessment->complete);
    EXPECT_EQ(o.assessment_status.kind, AssessmentStatus::Kind::None);
    // The optimised wiring holds the same modules and shares the result's colour scale.
    const PlanView result = MakePlan(o, ShownWiring::Result, ColourBy::Ipm);
    const PlanView optimized = MakePlan(o, ShownWiring::Optimized, ColourBy::Ipm);
    EXPECT_EQ(Serials(result), Serials(optimized));
    EXPECT_EQ(result.colour_range_pct, optimized.colour_range_pct);
    EXPECT_GE(o.assessment->optimized.pmp_w, o.assessment->result_wiring.pmp_w);
    // The curve's maximum is the marked point.
    double best = 0;
    for (const CurvePoint& p : ArrayCurveOf(*o.assessment, ShownWiring::Result, 400)) best = std::max(best, p.power_w);
    EXPECT_LE(best, o.assessment->result_wiring.pmp_w * (1 + 1e-9));
    EXPECT_GT(best, o.assessment->result_wiring.pmp_w * 0.99);
    ASSERT_EQ(WindowCurvesOf(*o.assessment, 50).size(), 3u);
  }
  // Pmax is not part of the matrix, so the list still matches the result's
  // rows; but the planning run on it gives another simple sum.
  std::string list = ReadFile(dir / "list.csv");
  const std::size_t row = list.find("\r\n") + 2;
  list.insert(list.find(',', list.find(',', row) + 1) + 1, "1");
  WriteFile(dir / "list.csv", list);
  const OpenedResult o = Assessed(dir / "result.csv");
  ASSERT_EQ(o.list_state, ListState::Matches);
  ASSERT_TRUE(o.assessment.has_value());
  EXPECT_FALSE(o.assessment->same_as_cli);
  EXPECT_EQ(o.replan.kind, ReplanCheck::Kind::SimplePmaxSum);
  EXPECT_EQ(AssessmentStatusTextJa(o.assessment_status),
            "結果ファイルはこのモジュールリストから作られたものではありません (モジュール Pmax "
            "の単純合計が違います)。結果ファイルの配線だけを評価します");
  EXPECT_GE(o.assessment->optimized.pmp_w, o.assessment->result_wiring.pmp_w);
}

TEST(OpenedResultAssessment, WhatStandsInTheWayIsKeptAndWorded) {
  KnownFiles files;
  // Module 1: Voc below its Vpm of 31 V.
  std::string list = kKnownList;
  list.replace(list.find("38.5,9.0"), 8, "30.5,9.0");
  WriteFile(files.list, list);
  OpenedResult o = Assessed(files.result);
  EXPECT_FALSE(o.assessment.has_value());
  EXPECT_EQ(o.assessment_status.kind, AssessmentStatus::Kind::CurveProblems);
  EXPECT_NE(AssessmentStatusTextJa(o.assessment_status)
                .find("モジュール番号 1 (シリアル番号 K-1、リスト 1 行目): Voc が Vpm より大きくありません"),
            std::string::npos);
  EXPECT_EQ(FigureRowsJa(o).size(), 4u);
  // The commissioning check sees the same curves, fitted once.
  CommissionRefusal refusal;
  EXPECT_FALSE(CommissionArrayOf(o, &refusal).has_value());
  EXPECT_EQ(refusal.kind, CommissionRefusal::Kind::CurveProblems);

  // Conditions out of range: refused before anything is assessed.
  AssessOptions bad;
  bad.conditions.tmin_c = std::numeric_limits<double>::quiet_NaN();
  WriteFile(files.list, kKnownList);
  o = Assessed(files.result, bad);
  EXPECT_EQ(o.assessment_status.kind, AssessmentStatus::Kind::ConditionFault);
  EXPECT_NE(AssessmentStatusTextJa(o.assessment_status).find("--tmin"), std::string::npos);
  // ... while the commissioning check fits the curves itself.
  EXPECT_TRUE(CommissionArrayOf(o, nullptr).has_value());
}

TEST(OpenedResultAssessment, TheSecondPartReportsFailureAndStopsWhenSuperseded) {
  TempDir dir{"voltrigg-opened"};
  MakeRunResult(dir, 10, 6, 13);
  OpenedResult o = OpenResult(dir / "result.csv", "", {});
  std::optional<AssessmentJob> job = StartAssessment(o);
  ASSERT_TRUE(job.has_value());
  // A wiring naming a module that is not there gives a message, never an exception out of the thread.
  AssessmentJob broken = *job;
  broken.core.estimated.strings[0].modules[0] = 999;
  const BackgroundResult failed = RunBackgroundPart(broken);
  EXPECT_FALSE(failed.error.empty());
  OpenedResult shown = o;
  ApplyBackgroundPart(shown, failed);
  EXPECT_FALSE(shown.assessment->complete);
  EXPECT_EQ(
      AssessmentStatusTextJa(shown.assessment_status).rfind("最適化した配線とランダム配線を計算できませんでした: ", 0),
      0u);
  // A stopped job changes nothing.
  std::stop_source stop;
  stop.request_stop();
  const BackgroundResult stopped = RunBackgroundPart(*job, stop.get_token());
  EXPECT_TRUE(stopped.stopped);
  OpenedResult untouched = o;
  ApplyBackgroundPart(untouched, stopped);
  EXPECT_FALSE(untouched.assessment->complete);
  EXPECT_EQ(untouched.assessment_status.kind, AssessmentStatus::Kind::None);
  // Told how far it has come, to the end.
  double last = -1;
  const BackgroundResult done =
      RunBackgroundPart(*job, {}, [&last](const CompletionProgress& p) { last = std::max(last, p.percent); });
  EXPECT_TRUE(done.core.complete);
  EXPECT_EQ(last, 100.0);
}

TEST(OpenedResultCommission, TheArrayIsTheResultsWiringOfTheListsModules) {
  TempDir dir{"voltrigg-opened"};
  MakeRunResult(dir, 5, 4, 21);
  const OpenedResult assessed = Assessed(dir / "result.csv");
  const PlannedArray plain = LoadPlannedArray(dir / "result.csv", "", false);
  const std::optional<CommissionArray> from_assessment = CommissionArrayOf(assessed, nullptr);
  ASSERT_TRUE(from_assessment.has_value());
  // The assessment's curves are the ones voltrigg-cli commission fits itself.
  ASSERT_EQ(from_assessment->curves.size(), plain.curves.size());
  for (std::size_t k = 0; k < plain.curves.size(); ++k) {
    EXPECT_EQ(from_assessment->curves[k].i0_a, plain.curves[k].i0_a) << k;
  }
  EXPECT_EQ(from_assessment->wiring, plain.wiring);
  // Each string's modules are those of the result's rows, in series order.
  const ResultFileData& r = assessed.result;
  for (std::size_t i = 0; i < r.rows.size(); ++i) {
    const int index = plain.wiring[static_cast<std::size_t>(r.rows[i].string_no - 1)]
                                  [static_cast<std::size_t>(r.rows[i].position - 1)];
    EXPECT_EQ(plain.modules[static_cast<std::size_t>(index)].serial, r.rows[i].serialNo);
  }
}

TEST(OpenedResultCommission, VoltriggCliCommissionRefusesInItsEnglish) {
  TempDir dir{"voltrigg-opened"};
  MakeRunResult(dir, 5, 4, 22);
  const auto refusal = [&](const std::string& modules) {
    try {
      (void)LoadPlannedArray(dir / "result.csv", modules, false);
    } catch (const RunError& e) {
      return std::string(e.what());
    }
    return std::string("no refusal");
  };
  std::string list = ReadFile(dir / "list.csv");
  // Another Vpm on a module the result wires.
  const std::size_t row = list.find("\r\n") + 2;
  const std::size_t vpm = list.find(',', list.find(',', list.find(',', row) + 1) + 1) + 1;
  std::string changed = list;
  changed.insert(vpm, "1");
  WriteFile(dir / "changed.csv", changed);
  EXPECT_NE(refusal(dir / "changed.csv").find("has other Vpm or Ipm than line"), std::string::npos)
      << refusal(dir / "changed.csv");
  // One more module than the result.
  WriteFile(dir / "longer.csv", list + "99,EXTRA,250,30,8,37,8.5\r\n");
  EXPECT_NE(refusal(dir / "longer.csv").find("holds 21 modules, the result file 20"), std::string::npos)
      << refusal(dir / "longer.csv");
  // Another lot.
  WriteFile(dir / "other.csv", FormatModuleList(GenerateModules(20, 99)));
  EXPECT_NE(refusal(dir / "other.csv").find("is not the result's: string 1: module"), std::string::npos)
      << refusal(dir / "other.csv");
  EXPECT_NE(refusal(dir / "missing.csv").find("is not a file"), std::string::npos);
  // No Voc and Isc at all: no curve, and what the list needs.
  std::string bare;
  std::size_t at = 0;
  for (std::size_t end = list.find("\r\n"); end != std::string::npos; at = end + 2, end = list.find("\r\n", at)) {
    std::string line = list.substr(at, end - at);
    if (at > 0)
      line = line.substr(
                 0, line.find(',', line.find(',', line.find(',', line.find(',', line.find(',') + 1) + 1) + 1) + 1)) +
             ",0,0";
    bare += line + "\r\n";
  }
  WriteFile(dir / "bare.csv", bare);
  const std::string no_curve = refusal(dir / "bare.csv");
  EXPECT_EQ(no_curve.rfind("no curve for module", 0), 0u) << no_curve;
  EXPECT_NE(no_curve.find("(and 19 more); the assessment needs Voc"), std::string::npos) << no_curve;
  std::filesystem::remove(dir / "list.csv");
  EXPECT_NE(refusal("").find("is not beside the result file (name it with --modules)"), std::string::npos);
}

TEST(OpenedResultTexts, NumbersAreWrittenAsTheViewerWritesThem) {
  // An exact half goes away from zero, as the viewer's toolkit and the page's toFixed write it.
  EXPECT_EQ(FixedText(0.125, 2), "0.13");
  EXPECT_EQ(FixedText(-0.125, 2), "-0.13");
  EXPECT_EQ(FixedText(31.125, 2), "31.13");
  EXPECT_EQ(FixedText(2.5, 0), "3");
  EXPECT_EQ(FixedText(9.995, 2), "9.99");  // not a half: 9.99499999...
  EXPECT_EQ(FixedText(99.5, 0), "100");
  EXPECT_EQ(FixedText(0.3, 4), "0.3000");
  EXPECT_EQ(FixedText(-0.0, 2), "0.00");
  EXPECT_EQ(FixedText(-0.001, 2), "-0.00");
  EXPECT_EQ(FixedText(1e21, 1), "1000000000000000000000.0");
}

namespace {

// A planned run of `count` generated modules whose Voc and Isc are made by
// `extras` (module index, module) and the same run opened, as the page opens it.
struct PlannedAndOpened {
  TempDir dir{"voltrigg-opened-run"};
  BatchRun run;
  std::optional<OpenedResult> opened;

  template <typename Extras>
  PlannedAndOpened(int series, int parallel, const Extras& extras) {
    std::vector<GeneratedModule> modules = GenerateModules(series * parallel, 77);
    for (std::size_t k = 0; k < modules.size(); ++k) extras(k, modules[k]);
    WriteFile(dir / "list.csv", FormatModuleList(modules));
    run = RunBatch(BatchRequest{.list_path = dir / "list.csv",
                                .input_name = "list.csv",
                                .series_text = std::to_string(series),
                                .parallel_text = std::to_string(parallel),
                                .output_base = dir / "r",
                                .extras = ExtrasUse::VocIsc});
    EXPECT_EQ(run.outcome, RunOutcome::Completed);
    opened = OpenResultOfRun(run.result_path, dir / "list.csv", std::make_shared<const PlanResult>(*run.plan),
                             AssessOptions{});
  }
};

}  // namespace

// The page tells why a run has no assessment from the opened result's note:
// in the very lines voltrigg-cli --assess prints for the same run.
TEST(OpenedResultAssessment, ProblemLinesOfTheNoteAreVoltriggClisLines) {
  const auto check = [](PlannedAndOpened& p, PlanAssessment::Failure expected) {
    const PlanAssessment cli = AssessPlan(*p.run.plan, ExtrasUse::VocIsc, AssessConditions{}, InverterProfile{});
    ASSERT_EQ(cli.failure, expected);
    RunAssessment(*p.opened);
    ASSERT_FALSE(p.opened->assessment);
    const PlanAssessment page = PlanAssessmentOf(p.opened->assessment_status);
    EXPECT_EQ(page.failure, expected);
    for (const Language language : {Language::English, Language::Japanese}) {
      EXPECT_EQ(All(AssessmentProblemLines(page, language)), All(AssessmentProblemLines(cli, language)));
    }
  };
  // No Voc or Isc at all: what the list's columns need.
  PlannedAndOpened none(4, 3, [](std::size_t, GeneratedModule& m) { m.voc_v = m.isc_a = 0; });
  check(none, PlanAssessment::Failure::ModulesWithoutCurve);
  // Twelve modules whose Voc is below their Vpm: ten named, then a count.
  PlannedAndOpened twelve(5, 4, [](std::size_t k, GeneratedModule& m) {
    if (k < 12) m.voc_v = m.vpm_v * 0.9;
  });
  check(twelve, PlanAssessment::Failure::ModulesWithoutCurve);
  EXPECT_EQ(AssessmentProblemLines(PlanAssessmentOf(twelve.opened->assessment_status), Language::English).size(), 12u);

  AssessmentStatus oom;
  oom.kind = AssessmentStatus::Kind::BackgroundFailed;
  oom.out_of_memory = true;
  EXPECT_EQ(PlanAssessmentOf(oom).failure, PlanAssessment::Failure::OutOfMemory);
  AssessmentStatus thrown;
  thrown.kind = AssessmentStatus::Kind::Failed;
  thrown.unexpected = true;
  thrown.detail = "bad_array_new_length";
  const PlanAssessment unexpected = PlanAssessmentOf(thrown);
  EXPECT_EQ(unexpected.failure, PlanAssessment::Failure::Unexpected);
  EXPECT_EQ(AssessmentProblemLines(unexpected, Language::English),
            std::vector<std::string>{"the assessment failed: bad_array_new_length"});
}

// Both parts at once tell the first part before the optimiser runs and the
// progress as it goes, and end with voltrigg-cli's assessment.
TEST(OpenedResultAssessment, BothPartsTellTheFirstPartThenTheProgress) {
  PlannedAndOpened p(6, 4, [](std::size_t, GeneratedModule&) {});
  std::vector<std::string> told;
  double last_percent = -1;
  RunAssessment(
      *p.opened,
      [&told](const Assessment& a) {
        told.push_back("first");
        EXPECT_TRUE(a.optimized.strings.empty()) << "told before the optimiser";
        EXPECT_FALSE(a.estimated.strings.empty());
      },
      [&told, &last_percent](const CompletionProgress& progress) {
        if (told.back() != "progress") told.push_back("progress");
        EXPECT_GE(progress.percent, last_percent);
        last_percent = progress.percent;
      });
  EXPECT_EQ(told, (std::vector<std::string>{"first", "progress"}));
  EXPECT_EQ(last_percent, 100);
  ASSERT_TRUE(p.opened->assessment);
  EXPECT_TRUE(p.opened->assessment->complete);
  const PlanAssessment cli = AssessPlan(*p.run.plan, ExtrasUse::VocIsc, AssessConditions{}, InverterProfile{});
  ASSERT_TRUE(cli.assessment);
  EXPECT_EQ(FormatAssessmentJson(p.opened->assessment->core), FormatAssessmentJson(*cli.assessment));
}
