#include "summary.h"

#include <QStringList>

namespace voltrigg::viewer {

namespace {

FigureRow Planning(const QString& name, const OperatingPoint& p) {
  return {QStringLiteral("計画"), name, Fixed(p.Pmax, 2), Fixed(p.Vpm, 2), Fixed(p.Ipm, 3), {}};
}

FigureRow Physical(const QString& name, const PhysicalFigures& f) {
  return {QStringLiteral("物理"),       name, Fixed(f.pmp_w, 2), Fixed(f.vmp_v, 2), Fixed(f.imp_a, 3),
          Fixed(f.mismatch_loss_pct, 4)};
}

}  // namespace

std::vector<FigureRow> FigureRows(const Document& doc) {
  const ResultFileData& r = doc.result;
  std::vector<FigureRow> rows;
  rows.push_back(
      {QStringLiteral("計画"), QStringLiteral("モジュール Pmax の単純合計"), Fixed(r.SimplePmaxSum, 2), {}, {}, {}});
  rows.push_back(Planning(QStringLiteral("最小 (Minimum)"), r.MinimumPoint));
  rows.push_back(Planning(QStringLiteral("初期配置 (Initial)"), r.InitialPoint));
  rows.push_back(Planning(QStringLiteral("推定 (Estimated)"), r.EstimatedPoint));
  if (doc.assessment) {
    const AssessmentView& a = *doc.assessment;
    rows.push_back(
        {QStringLiteral("物理"), QStringLiteral("モジュール Vmp·Imp の合計"), Fixed(a.sum_mpp_w, 2), {}, {}, {}});
    rows.push_back(Physical(QStringLiteral("結果ファイルの配線"), a.result_wiring));
    if (!a.complete) {
      rows.push_back({QStringLiteral("物理"),
                      QStringLiteral("最適化した配線・ランダム配線"),
                      QStringLiteral("計算中…"),
                      {},
                      {},
                      {}});
    } else {
      rows.push_back(Physical(QStringLiteral("最適化した配線"), a.optimized));
    }
    if (a.complete && a.random_samples > 0) {
      rows.push_back({QStringLiteral("物理"),
                      QStringLiteral("ランダム配線 %1 通りの平均").arg(a.random_samples),
                      Fixed(a.random_mean_pmp_w, 2),
                      {},
                      {},
                      {}});
      rows.push_back({QStringLiteral("物理"),
                      QStringLiteral("ランダム配線 %1 通りの最悪").arg(a.random_samples),
                      Fixed(a.random_worst_pmp_w, 2),
                      {},
                      {},
                      {}});
    }
  }
  return rows;
}

QString ShapeText(const Document& doc) {
  const ResultFileData& r = doc.result;
  return QStringLiteral("%1 直列 × %2 並列 = %3 モジュール").arg(r.series).arg(r.parallel).arg(r.rows.size());
}

QString WiringName(ShownWiring wiring) {
  return wiring == ShownWiring::Result ? QStringLiteral("結果ファイルの配線") : QStringLiteral("最適化した配線");
}

QString VoltageVerdict(const Document& doc, const PlanView& plan, bool* bad) {
  if (bad != nullptr) *bad = false;
  if (!plan.max_voc_cold_v) {
    return doc.list_state == ListState::Matches && !doc.assessment_note.isEmpty()
               ? QStringLiteral("低温開放電圧は判定できません (%1)").arg(doc.assessment_note)
               : QStringLiteral("低温開放電圧は判定できません (一致するモジュールリストが必要です)");
  }
  const QString condition =
      QStringLiteral("%1 °C、%2 %/K")
          .arg(Fixed(doc.options.conditions.tmin_c, 0), Fixed(doc.options.conditions.voc_coefficient_pct_per_k, 2));
  QStringList over;
  for (const StringSummary& s : plan.strings) {
    if (s.over_limit) over << QString::number(s.string_no);
  }
  if (over.isEmpty()) {
    return QStringLiteral("全 %1 ストリングの低温開放電圧は上限 %2 V 以下です (最大 %3 V、%4)")
        .arg(plan.parallel)
        .arg(Fixed(plan.limit_v, 0), Fixed(*plan.max_voc_cold_v, 1), condition);
  }
  if (bad != nullptr) *bad = true;
  return QStringLiteral("ストリング %1 の低温開放電圧が上限 %2 V を超えています (最大 %3 V、%4)")
      .arg(over.join(QStringLiteral(", ")), Fixed(plan.limit_v, 0), Fixed(*plan.max_voc_cold_v, 1), condition);
}

PlanView MakePlan(const Document& doc, ShownWiring wiring, ColourBy colour_by) {
  const ResultFileData& r = doc.result;
  if (doc.assessment && doc.assessment->complete && wiring == ShownWiring::Optimized) {
    return BuildPlanView(doc.assessment->optimized_wiring, r.series, r.parallel, colour_by,
                         doc.assessment->optimized.strings, doc.options.conditions.max_system_voltage_v);
  }
  static const std::vector<StringPhysics> kNone;
  return BuildPlanView(doc.ResultWiring(), r.series, r.parallel, colour_by,
                       doc.assessment ? doc.assessment->result_wiring.strings : kNone,
                       doc.options.conditions.max_system_voltage_v);
}

}  // namespace voltrigg::viewer
