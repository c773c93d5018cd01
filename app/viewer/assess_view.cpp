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
constexpr int kRandomSamples = 100;     // as voltrigg-cli --assess
constexpr std::uint64_t kRandomSeed = 1;
constexpr std::size_t kProblemsShown = 3;

QString ProblemText(FitProblem problem) {
  switch (problem) {
    case FitProblem::NotPositive: return QStringLiteral("Vpm、Ipm、Voc、Isc のどれかが正の数ではありません");
    case FitProblem::VocNotAboveVpm: return QStringLiteral("Voc が Vpm より大きくありません");
    case FitProblem::IscNotAboveIpm: return QStringLiteral("Isc が Ipm より大きくありません");
    case FitProblem::NoRoot: return QStringLiteral("測定点を通り最大電力点で傾きが 0 になる曲線が求まりません");
    case FitProblem::CurveNotFalling: return QStringLiteral("求めた曲線の電流が電圧とともに単調に下がりません");
    case FitProblem::None: break;
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

void RunAssessment(Document& doc) {
  doc.assessment.reset();
  doc.assessment_note.clear();
  if (doc.list_state != ListState::Matches || doc.result.rows.empty()) return;
  const bool isc_first = doc.options.extras_isc_voc;

  std::vector<ModuleData> modules;
  modules.reserve(static_cast<std::size_t>(doc.list_count));
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
    modules.push_back(std::move(m));
  }
  if (!any_extras) {
    doc.assessment_note = QStringLiteral(
        "物理評価には、モジュールリストの 6 列目に Voc [V]、7 列目に Isc [A] が必要です (逆の順なら --extras isc,voc)");
    return;
  }

  std::vector<ModuleCurve> curves;
  curves.reserve(modules.size());
  QStringList problems;
  int problem_count = 0;
  for (const ModuleData& m : modules) {
    const CurveFit fit = FitModuleCurve(m);
    curves.push_back(fit.curve);
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
    return;
  }

  Wiring wiring(static_cast<std::size_t>(doc.result.parallel));
  for (std::size_t i = 0; i < doc.result.rows.size(); ++i) {
    wiring[static_cast<std::size_t>(doc.result.rows[i].string_no - 1)].push_back(doc.list_slot[i]);
  }
  AssessConditions conditions;
  conditions.tmin_c = doc.options.tmin_c;
  conditions.voc_coefficient_pct_per_k = doc.options.voc_coefficient_pct_per_k;
  conditions.max_system_voltage_v = doc.options.max_system_voltage_v;
  try {
    Assessment a;
    for (const ModuleData& m : modules) a.sum_mpp_w += m.vpm_v * m.ipm_a;
    a.result_wiring = Figures(AssessArrangement(modules, curves, wiring, conditions), curves, wiring);
    const Wiring best = OptimizeWiring(curves, wiring);
    a.optimized = Figures(AssessArrangement(modules, curves, best, conditions), curves, best);
    for (std::size_t j = 0; j < best.size(); ++j) {
      for (std::size_t k = 0; k < best[j].size(); ++k) {
        const ListModule& l = doc.list[static_cast<std::size_t>(best[j][k])];
        a.optimized_wiring.push_back({static_cast<int>(j) + 1, static_cast<int>(k) + 1, l.record.moduleNo, l.serial,
                                      l.record.vpm, l.record.ipm});
      }
    }
    const RandomWiringFigures random = AssessRandomWiring(curves, wiring, kRandomSamples, kRandomSeed);
    a.random_samples = random.samples;
    a.random_mean_pmp_w = random.mean_pmp_w;
    a.random_worst_pmp_w = random.worst_pmp_w;
    doc.assessment = std::move(a);
  } catch (const std::exception& e) {
    doc.assessment_note = QStringLiteral("物理評価ができませんでした: %1").arg(QString::fromStdString(e.what()));
  }
}

}  // namespace voltrigg::viewer
