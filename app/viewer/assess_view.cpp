#include "assess_view.h"

#include <QStringList>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "assess/array_curve.h"
#include "assess/assessment.h"
#include "assess/module_curve.h"
#include "output/result_file.h"

namespace voltrigg::viewer {

namespace {

constexpr int kCurvePoints = 400;
constexpr int kRandomSamples = 100;  // as voltrigg-cli --assess
constexpr std::uint64_t kRandomSeed = 1;
constexpr std::size_t kProblemsShown = 3;

QString ProblemText(FitProblem problem) {
  switch (problem) {
    case FitProblem::NotPositive:
      return QStringLiteral("Vpm、Ipm、Voc、Isc のどれかが正の数ではありません");
    case FitProblem::VocNotAboveVpm:
      return QStringLiteral("Voc が Vpm より大きくありません");
    case FitProblem::IscNotAboveIpm:
      return QStringLiteral("Isc が Ipm より大きくありません");
    case FitProblem::NoRoot:
      return QStringLiteral("測定点を通り最大電力点で傾きが 0 になる曲線が求まりません");
    case FitProblem::CurveNotFalling:
      return QStringLiteral("求めた曲線の電流が電圧とともに単調に下がりません");
    case FitProblem::None:
      break;
  }
  return {};
}

PhysicalFigures Figures(const ArrangementFigures& f, const std::vector<ModuleCurve>& curves, const Wiring& wiring) {
  PhysicalFigures out;
  out.pmp_w = f.point.pmp_w;
  out.vmp_v = f.point.vmp_v;
  out.imp_a = f.point.imp_a;
  out.mismatch_loss_pct = f.mismatch_loss_pct;
  out.strings.reserve(f.strings.size());
  for (const StringFigures& s : f.strings) out.strings.push_back({s.current_a, s.voc_v, s.voc_cold_v});
  for (const CurvePoint& p : SampleArrayCurve(curves, wiring, kCurvePoints)) {
    out.iv_curve.emplace_back(p.voltage_v, p.current_a);
  }
  return out;
}

}  // namespace

std::optional<AssessmentJob> StartAssessment(Document& doc) {
  doc.assessment.reset();
  doc.assessment_note.clear();
  if (doc.list_state != ListState::Matches || doc.result.rows.empty()) return std::nullopt;
  const bool isc_first = doc.options.extras_isc_voc;

  AssessmentJob job;
  job.modules.reserve(doc.list.size());
  bool any_extras = false;
  for (const ListModule& l : doc.list) {
    const ModuleRecord& r = l.record;
    ModuleData m;
    m.number = r.moduleNo;
    m.serial = l.serial;
    m.pmax_w = r.pmax;
    m.vpm_v = r.vpm;
    m.ipm_a = r.ipm;
    m.voc_v = isc_first ? r.extra2 : r.extra1;
    m.isc_a = isc_first ? r.extra1 : r.extra2;
    any_extras = any_extras || m.voc_v != 0 || m.isc_a != 0;
    job.modules.push_back(std::move(m));
  }
  if (!any_extras) {
    doc.assessment_note = QStringLiteral(
        "物理評価には、モジュールリストの 6 列目に Voc [V]、7 列目に Isc [A] が必要です (逆の順なら --extras isc,voc)");
    return std::nullopt;
  }

  job.curves.reserve(job.modules.size());
  QStringList problems;
  int problem_count = 0;
  for (const ModuleData& m : job.modules) {
    const CurveFit fit = FitModuleCurve(m);
    job.curves.push_back(fit.curve);
    if (fit.problem == FitProblem::None) continue;
    if (++problem_count <= static_cast<int>(kProblemsShown)) {
      problems << QStringLiteral("モジュール番号 %1 (シリアル番号 %2): %3")
                      .arg(QString::fromStdString(FormatFloat(static_cast<float>(m.number))), DecodeBytes(m.serial),
                           ProblemText(fit.problem));
    }
  }
  if (problem_count > 0) {
    QString note = QStringLiteral("物理評価はできません (曲線を求められないモジュールが %1 個): ").arg(problem_count) +
                   problems.join(QStringLiteral("; "));
    if (problem_count > static_cast<int>(kProblemsShown)) note += QStringLiteral(" ほか");
    if (!isc_first) note += QStringLiteral("。6・7 列目が Isc、Voc の順なら --extras isc,voc");
    doc.assessment_note = note;
    return std::nullopt;
  }

  job.wiring.resize(static_cast<std::size_t>(doc.result.parallel));
  for (std::size_t i = 0; i < doc.result.rows.size(); ++i) {
    job.wiring[static_cast<std::size_t>(doc.result.rows[i].string_no - 1)].push_back(doc.list_slot[i]);
  }
  job.conditions.tmin_c = doc.options.tmin_c;
  job.conditions.voc_coefficient_pct_per_k = doc.options.voc_coefficient_pct_per_k;
  job.conditions.max_system_voltage_v = doc.options.max_system_voltage_v;
  job.list = doc.list;
  try {
    Assessment a;
    for (const ModuleData& m : job.modules) a.sum_mpp_w += m.vpm_v * m.ipm_a;
    a.result_wiring =
        Figures(AssessArrangement(job.modules, job.curves, job.wiring, job.conditions), job.curves, job.wiring);
    doc.assessment = std::move(a);
  } catch (const std::exception& e) {
    doc.assessment_note = QStringLiteral("物理評価ができませんでした: %1").arg(QString::fromStdString(e.what()));
    return std::nullopt;
  }
  return job;
}

AssessmentExtras CompleteAssessment(const AssessmentJob& job) {
  AssessmentExtras x;
  const Wiring best = OptimizeWiring(job.curves, job.wiring);
  x.optimized = Figures(AssessArrangement(job.modules, job.curves, best, job.conditions), job.curves, best);
  for (std::size_t j = 0; j < best.size(); ++j) {
    for (std::size_t k = 0; k < best[j].size(); ++k) {
      const ListModule& l = job.list[static_cast<std::size_t>(best[j][k])];
      x.optimized_wiring.push_back(
          {static_cast<int>(j) + 1, static_cast<int>(k) + 1, l.record.moduleNo, l.serial, l.record.vpm, l.record.ipm});
    }
  }
  x.random = AssessRandomWiring(job.curves, job.wiring, kRandomSamples, kRandomSeed);
  return x;
}

// cppcheck takes the writes through std::optional's operator-> for reads.
// cppcheck-suppress constParameter
void ApplyAssessmentExtras(Document& doc, AssessmentExtras extras) {
  if (!doc.assessment) return;
  doc.assessment->optimized = std::move(extras.optimized);
  doc.assessment->optimized_wiring = std::move(extras.optimized_wiring);
  doc.assessment->random_samples = extras.random.samples;
  doc.assessment->random_mean_pmp_w = extras.random.mean_pmp_w;
  doc.assessment->random_worst_pmp_w = extras.random.worst_pmp_w;
  doc.assessment->complete = true;
}

void RunAssessment(Document& doc) {
  if (const std::optional<AssessmentJob> job = StartAssessment(doc))
    ApplyAssessmentExtras(doc, CompleteAssessment(*job));
}

}  // namespace voltrigg::viewer
