#include "assess_view.h"

#include <QFile>
#include <exception>
#include <filesystem>
#include <new>
#include <utility>

#include "app/shared/assessment_input.h"
#include "app/shared/curve_problems.h"
#include "assess/assessment_json.h"
#include "input/run_error.h"
#include "inverter_window_view.h"
#include "output/result_file.h"
#include "run/plan_assessment.h"

namespace voltrigg::viewer {

namespace {

constexpr int kCurvePoints = 400;
constexpr std::size_t kProblemsShown = 3;

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

PhysicalFigures Figures(const ArrangementFigures& f, const std::vector<ModuleCurve>& curves) {
  PhysicalFigures out;
  out.pmp_w = f.point.pmp_w;
  out.vmp_v = f.point.vmp_v;
  out.imp_a = f.point.imp_a;
  out.mismatch_loss_pct = f.mismatch_loss_pct;
  out.strings.reserve(f.strings.size());
  for (const StringFigures& s : f.strings) out.strings.push_back({s.current_a, s.voc_v, s.voc_cold_v});
  for (const CurvePoint& p : SampleArrayCurve(curves, WiringOf(f), kCurvePoints)) {
    out.iv_curve.emplace_back(p.voltage_v, p.current_a);
  }
  return out;
}

// The input when the planning run on the list does not give the result: the
// result's own wiring and figures, the optimiser started from that wiring.
AssessmentInput InputFromResult(const Document& doc, std::vector<ModuleData> modules) {
  AssessmentInput in;
  const ResultFileData& r = doc.result;
  in.series = r.series;
  in.parallel = r.parallel;
  in.conditions = doc.options.conditions;
  in.sum_pmax_w = r.SimplePmaxSum;
  const auto point = [](const OperatingPoint& p) { return PlanningPoint{p.Pmax, p.Vpm, p.Ipm}; };
  in.minimum = point(r.MinimumPoint);
  in.initial_point = point(r.InitialPoint);
  in.estimated_point = point(r.EstimatedPoint);
  in.estimated.resize(static_cast<std::size_t>(r.parallel));
  for (std::size_t i = 0; i < r.rows.size() && i < doc.list_slot.size(); ++i) {
    in.estimated[static_cast<std::size_t>(r.rows[i].string_no - 1)].push_back(doc.list_slot[i]);
  }
  in.initial = in.estimated;
  in.modules = std::move(modules);
  return in;
}

QString CurveNote(const AssessmentOutcome& outcome, const std::vector<ModuleData>& modules, bool isc_first) {
  const std::vector<std::string> texts = CurveProblemTexts(outcome.problems, modules, Language::Japanese);
  QStringList shown;
  for (std::size_t k = 0; k < texts.size() && k < kProblemsShown; ++k) shown << Text(texts[k]);
  QString note = QStringLiteral("物理評価はできません (曲線を求められないモジュールが %1 個): ").arg(texts.size()) +
                 shown.join(QStringLiteral("; "));
  if (texts.size() > kProblemsShown) note += QStringLiteral(" ほか");
  if (!isc_first && SuggestsColumns(outcome.problems, modules))
    note += QStringLiteral("。6・7 列目が Isc、Voc の順なら --extras isc,voc");
  return note;
}

}  // namespace

std::optional<AssessmentJob> StartAssessment(Document& doc) {
  doc.assessment.reset();
  doc.assessment_note.clear();
  if (doc.list_state != ListState::Matches || doc.result.rows.empty()) return std::nullopt;
  if (const auto fault = ValidateConditions(doc.options.conditions)) {
    doc.assessment_note = Text(ConditionFaultText(*fault, Language::Japanese));
    return std::nullopt;
  }
  const ExtrasUse extras = doc.options.isc_first ? ExtrasUse::IscVoc : ExtrasUse::VocIsc;
  std::vector<ModuleData> modules = ModulesForAssessment(doc.list, extras);
  bool any_extras = false;
  for (const ModuleData& m : modules) any_extras = any_extras || m.voc_v != 0 || m.isc_a != 0;
  if (!any_extras) {
    doc.assessment_note = Text(ColumnsHint(Language::Japanese));
    return std::nullopt;
  }
  try {
    // The search's initial arrangement is not in the result file: the planning
    // run made again on the list gives it, and proves that the result is that
    // run's, so that the assessment is the one voltrigg-cli makes.
    const Replan replan = ReplanResult(doc.result, doc.list_path);
    AssessmentInput input;
    if (replan.plan) {
      input = AssessmentInputOfPlan(*replan.plan, extras, doc.options.conditions, doc.options.inverter);
    } else {
      input = InputFromResult(doc, std::move(modules));
    }
    input.inverter = doc.options.inverter;
    AssessmentOutcome outcome = AssessResultWiring(input);
    if (!outcome.assessment) {
      doc.assessment_note = CurveNote(outcome, input.modules, doc.options.isc_first);
      return std::nullopt;
    }
    AssessmentView view;
    view.core = std::move(*outcome.assessment);
    view.same_as_cli = replan.plan != nullptr;
    view.sum_mpp_w = view.core.sum_mpp_w;
    view.result_wiring = Figures(view.core.estimated, view.core.curves);
    view.window_curves = WindowCurves(view.core.modules, view.core.curves, WiringOf(view.core.estimated),
                                      view.core.conditions, kCurvePoints);
    if (!view.same_as_cli) {
      doc.assessment_note = QStringLiteral(
                                "結果ファイルはこのモジュールリストから作られたものではありません "
                                "(%1)。結果ファイルの配線だけを評価します")
                                .arg(Text(replan.mismatch));
    }
    AssessmentJob job{view.core, doc.list};
    doc.assessment = std::move(view);
    return job;
  } catch (const std::bad_alloc&) {
    doc.assessment_note = QStringLiteral("物理評価ができませんでした: メモリが不足しています");
  } catch (const std::exception& e) {
    doc.assessment_note = QStringLiteral("物理評価ができませんでした: %1").arg(Text(e.what()));
  }
  doc.assessment.reset();
  return std::nullopt;
}

BackgroundResult RunBackgroundPart(AssessmentJob job, const std::stop_token& stop) {
  BackgroundResult out;
  try {
    out.core = std::move(job.core);
    if (CompleteAssessment(out.core, stop) == Completion::Stopped) {
      out.stopped = true;
      return out;
    }
    out.optimized = Figures(out.core.optimized, out.core.curves);
    for (std::size_t j = 0; j < out.core.optimized.strings.size(); ++j) {
      const StringWiring& string = out.core.optimized.strings[j].modules;
      for (std::size_t k = 0; k < string.size(); ++k) {
        const ListRow& l = job.list.at(static_cast<std::size_t>(string[k]));
        out.optimized_wiring.push_back({static_cast<int>(j) + 1, static_cast<int>(k) + 1, l.record.moduleNo, l.serial,
                                        l.record.vpm, l.record.ipm});
      }
    }
  } catch (const std::bad_alloc&) {
    out.error = "メモリが不足しています";
  } catch (const std::exception& e) {
    out.error = e.what();
  }
  return out;
}

void ApplyBackgroundPart(Document& doc, BackgroundResult result) {
  if (!doc.assessment || result.stopped) return;
  if (!result.error.empty() || !result.core.complete) {
    const QString why = result.error.empty() ? QStringLiteral("途中で止まりました") : Text(result.error);
    doc.assessment_note = QStringLiteral("最適化した配線とランダム配線を計算できませんでした: %1").arg(why);
    return;
  }
  AssessmentView& a = *doc.assessment;
  a.core = std::move(result.core);
  a.optimized = std::move(result.optimized);
  a.optimized_wiring = std::move(result.optimized_wiring);
  a.random_samples = a.core.random_wiring.samples;
  a.random_mean_pmp_w = a.core.random_wiring.mean_pmp_w;
  a.random_worst_pmp_w = a.core.random_wiring.worst_pmp_w;
  a.complete = true;
}

void RunAssessment(Document& doc) {
  if (std::optional<AssessmentJob> job = StartAssessment(doc))
    ApplyBackgroundPart(doc, RunBackgroundPart(std::move(*job)));
}

bool SaveAssessmentJson(const Document& doc, const QString& path, QString* error) {
  const auto fail = [error](const QString& text) {
    if (error != nullptr) *error = text;
    return false;
  };
  if (!doc.assessment) {
    return fail(doc.assessment_note.isEmpty() ? QStringLiteral("物理評価がありません") : doc.assessment_note);
  }
  if (!doc.assessment->same_as_cli) {
    return fail(
        QStringLiteral("結果ファイルがこのモジュールリストから作られたものではないため、評価を JSON で保存できません"));
  }
  if (!doc.assessment->complete) return fail(QStringLiteral("物理評価がまだ終わっていません"));
  namespace fs = std::filesystem;
  const std::string target = QFile::encodeName(path).toStdString();
  std::error_code ec;
  for (const std::string& input : {doc.result_path, doc.list_path}) {
    if (!input.empty() && fs::exists(target, ec) && fs::equivalent(target, input, ec)) {
      return fail(QStringLiteral("読み込んだファイルには書き出しません: %1").arg(path));
    }
  }
  try {
    WriteFileAtomically(target, FormatAssessmentJson(doc.assessment->core));
  } catch (const RunError& e) {
    return fail(Text(e.what()));
  }
  return true;
}

}  // namespace voltrigg::viewer
