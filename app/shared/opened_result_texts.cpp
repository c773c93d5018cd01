#include "app/shared/opened_result_texts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/shared/curve_problems.h"
#include "input/number_text.h"
#include "input/text_utf8.h"

namespace voltrigg {

namespace {

constexpr std::size_t kCurveProblemsShown = 3;

std::string Join(const std::vector<std::string>& parts, const std::string& separator) {
  std::string out;
  for (std::size_t k = 0; k < parts.size(); ++k) out += (k > 0 ? separator : "") + parts[k];
  return out;
}

std::string Number(float value) { return FormatFloat(value); }

std::string ReplanTextJa(const ReplanCheck& r) {
  using Kind = ReplanCheck::Kind;
  switch (r.kind) {
    case Kind::Same:
      return {};
    case Kind::NoArray:
      return "結果ファイルに配列がありません";
    case Kind::CannotPlan:
      return "このリストでは計画できません: " + r.detail;
    case Kind::SimplePmaxSum:
      return "モジュール Pmax の単純合計が違います";
    case Kind::Minimum:
      return "Minimum の値が違います";
    case Kind::Initial:
      return "Initial の値が違います";
    case Kind::Estimated:
      return "Estimated の値が違います";
    case Kind::Wiring:
      break;
  }
  return "配線 (結果ファイル " + std::to_string(r.line) + " 行目) が違います";
}

std::string CurveNoteJa(const AssessmentStatus& n) {
  const std::vector<std::string> texts = CurveProblemTexts(n.problems, n.modules, Language::Japanese);
  std::vector<std::string> shown(
      texts.begin(), texts.begin() + static_cast<std::ptrdiff_t>(std::min(texts.size(), kCurveProblemsShown)));
  std::string note = "物理評価はできません (曲線を求められないモジュールが " + std::to_string(texts.size()) +
                     " 個): " + Join(shown, "; ");
  if (texts.size() > kCurveProblemsShown) note += " ほか";
  if (!n.isc_first && SuggestsColumns(n.problems, n.modules))
    note += "。6・7 列目が Isc、Voc の順なら --extras isc,voc";
  return note;
}

FigureRow Planning(const std::string& name, const OperatingPoint& p) {
  return {"計画", name, FixedText(p.Pmax, 2), FixedText(p.Vpm, 2), FixedText(p.Ipm, 3), {}};
}

FigureRow Physical(const std::string& name, const PhysicalFigures& f) {
  return {"物理",
          name,
          FixedText(f.pmp_w, 2),
          FixedText(f.vmp_v, 2),
          FixedText(f.imp_a, 3),
          FixedText(f.mismatch_loss_pct, 4)};
}

}  // namespace

std::string FixedText(double value, int decimals) {
  if (!std::isfinite(value)) return std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf";
  decimals = std::clamp(decimals, 0, 30);
  const bool negative = std::signbit(value) && value != 0;
  const double magnitude = std::fabs(value);
  // The C library rounds an exact half to even; the viewer's toolkit and the
  // page's toFixed round it away from zero. A double's exact decimal value
  // has at most 1074 places after the point, so 1100 show whether it is one.
  std::string out(400, '\0');
  out.resize(static_cast<std::size_t>(std::snprintf(out.data(), out.size(), "%.*f", decimals, magnitude)));
  std::string exact(1500, '\0');
  exact.resize(static_cast<std::size_t>(std::snprintf(exact.data(), exact.size(), "%.1100f", magnitude)));
  const std::size_t point = exact.find('.');
  const std::size_t cut = point + 1 + static_cast<std::size_t>(decimals);
  const bool half = exact[cut] == '5' && exact.find_first_not_of('0', cut + 1) == std::string::npos;
  if (half && exact.compare(0, decimals > 0 ? cut : point, out) == 0) {
    // Rounded down to even: one up in the last place.
    std::size_t k = out.size();
    while (k > 0) {
      char& digit = out[--k];
      if (digit == '.') continue;
      if (digit != '9') {
        ++digit;
        break;
      }
      digit = '0';
      if (k == 0) out.insert(out.begin(), '1');
    }
  }
  return negative ? "-" + out : out;
}

std::string ListStatusTextJa(const ListStatus& s) {
  using Kind = ListStatus::Kind;
  switch (s.kind) {
    case Kind::NotBeside:
      return "結果ファイルと同じフォルダにモジュールリスト " + s.name + " がありません";
    case Kind::NotFound:
      return "モジュールリスト " + s.name + " がありません";
    case Kind::NotAFile:
      return "モジュールリスト " + s.name + " は通常のファイルではありません";
    case Kind::Unreadable:
      return "モジュールリスト " + s.name + " を読み込めません: " + s.detail;
    case Kind::Matches:
      return "モジュールリスト " + s.name + " (" + std::to_string(s.modules) +
             " モジュール) は結果ファイルと一致しています";
    case Kind::Mismatch:
      break;
  }
  return "モジュールリスト " + s.name + " は結果ファイルのモジュールと一致しません";
}

std::vector<std::string> ListDifferenceTextsJa(const ResultListMatch& m, const std::vector<ListRow>& list,
                                               std::size_t limit) {
  std::vector<std::string> out;
  if (m.list_count != m.result_count) {
    out.push_back("モジュールの数が違います (リスト " + std::to_string(std::max(m.list_count, 0)) +
                  " 個、結果ファイル " + std::to_string(m.result_count) + " 個)");
  }
  for (std::size_t k = 0; k < m.differences.size() && k < limit; ++k) {
    const ListDifference& d = m.differences[k];
    const std::string who = "モジュール番号 " + Number(d.module_no);
    using Kind = ListDifference::Kind;
    switch (d.kind) {
      case Kind::WiredTwice:
        out.push_back(who + " が結果ファイルに 2 回配線されています (" + std::to_string(d.first_line) + " 行目と " +
                      std::to_string(d.line) + " 行目)");
        break;
      case Kind::NotInList:
        out.push_back(who + " (結果ファイル " + std::to_string(d.line) + " 行目) がリストにありません");
        break;
      case Kind::Serial:
        out.push_back(who + " のシリアル番号が違います (結果ファイル \"" + TextAsUtf8(d.result_serial) +
                      "\"、リスト \"" + TextAsUtf8(d.list_serial) + "\")");
        break;
      case Kind::Vpm:
        out.push_back(who + " の Vpm が違います (結果ファイル " + Number(d.result_value) + " V、リスト " +
                      Number(d.list_value) + " V)");
        break;
      case Kind::Ipm:
        out.push_back(who + " の Ipm が違います (結果ファイル " + Number(d.result_value) + " A、リスト " +
                      Number(d.list_value) + " A)");
        break;
      case Kind::NotInResult:
        out.push_back(who + " (リストのデータ行 " + std::to_string(d.list_index + 1) + ") が結果ファイルにありません");
        break;
    }
  }
  (void)list;
  if (m.differences.size() > limit) {
    out.push_back("ほかに " + std::to_string(m.differences.size() - limit) + " 件の違いがあります");
  }
  return out;
}

std::vector<std::string> ListWarningTextsJa(const std::vector<ListWarning>& warnings) {
  std::vector<std::string> out = ListWarningLines(warnings, [](const std::string& bytes) { return TextAsUtf8(bytes); });
  for (std::string& line : out) line.insert(0, "警告: ");
  return out;
}

std::string AssessmentStatusTextJa(const AssessmentStatus& n) {
  using Kind = AssessmentStatus::Kind;
  switch (n.kind) {
    case Kind::None:
      return {};
    case Kind::ConditionFault:
      return ConditionFaultText(n.fault, Language::Japanese);
    case Kind::NoColumns:
      return ColumnsHint(Language::Japanese);
    case Kind::CurveProblems:
      return CurveNoteJa(n);
    case Kind::NotTheListsRun:
      return "結果ファイルはこのモジュールリストから作られたものではありません (" + ReplanTextJa(n.replan) +
             ")。結果ファイルの配線だけを評価します";
    case Kind::Failed:
      return "物理評価ができませんでした: " + n.detail;
    case Kind::OutOfMemory:
      return "物理評価ができませんでした: メモリが不足しています";
    case Kind::BackgroundFailed:
      break;
  }
  const std::string why = n.out_of_memory    ? "メモリが不足しています"
                          : n.detail.empty() ? "途中で止まりました"
                                             : n.detail;
  return "最適化した配線とランダム配線を計算できませんでした: " + why;
}

std::vector<FigureRow> FigureRowsJa(const OpenedResult& o) {
  const ResultFileData& r = o.result;
  std::vector<FigureRow> rows;
  rows.push_back({"計画", "モジュール Pmax の単純合計", FixedText(r.SimplePmaxSum, 2), {}, {}, {}});
  rows.push_back(Planning("最小 (Minimum)", r.MinimumPoint));
  rows.push_back(Planning("初期配置 (Initial)", r.InitialPoint));
  rows.push_back(Planning("推定 (Estimated)", r.EstimatedPoint));
  if (!o.assessment) return rows;
  const AssessmentView& a = *o.assessment;
  rows.push_back({"物理", "モジュール Vmp·Imp の合計", FixedText(a.sum_mpp_w, 2), {}, {}, {}});
  rows.push_back(Physical("結果ファイルの配線", a.result_wiring));
  if (!a.complete) {
    rows.push_back({"物理", "最適化した配線・ランダム配線", "計算中…", {}, {}, {}});
  } else {
    rows.push_back(Physical("最適化した配線", a.optimized));
  }
  if (a.complete && a.random_samples > 0) {
    const std::string samples = std::to_string(a.random_samples);
    rows.push_back({"物理", "ランダム配線 " + samples + " 通りの平均", FixedText(a.random_mean_pmp_w, 2), {}, {}, {}});
    rows.push_back({"物理", "ランダム配線 " + samples + " 通りの最悪", FixedText(a.random_worst_pmp_w, 2), {}, {}, {}});
  }
  return rows;
}

std::string ShapeTextJa(const ResultFileData& r) {
  return std::to_string(r.series) + " 直列 × " + std::to_string(r.parallel) +
         " 並列 = " + std::to_string(r.rows.size()) + " モジュール";
}

std::string WiringNameJa(ShownWiring wiring) {
  return wiring == ShownWiring::Result ? "結果ファイルの配線" : "最適化した配線";
}

std::string VoltageVerdictJa(const OpenedResult& o, const PlanView& plan, bool* bad) {
  if (bad != nullptr) *bad = false;
  const std::string note = AssessmentStatusTextJa(o.assessment_status);
  if (!plan.max_voc_cold_v) {
    return o.list_state == ListState::Matches && !note.empty()
               ? "低温開放電圧は判定できません (" + note + ")"
               : "低温開放電圧は判定できません (一致するモジュールリストが必要です)";
  }
  const std::string condition = FixedText(o.options.conditions.tmin_c, 0) + " °C、" +
                                FixedText(o.options.conditions.voc_coefficient_pct_per_k, 2) + " %/K";
  std::vector<std::string> over;
  for (const StringSummary& s : plan.strings) {
    if (s.over_limit) over.push_back(std::to_string(s.string_no));
  }
  const std::string figures = "上限 " + FixedText(plan.limit_v, 0) + " V";
  const std::string at = " (最大 " + FixedText(*plan.max_voc_cold_v, 1) + " V、" + condition + ")";
  if (over.empty()) {
    return "全 " + std::to_string(plan.parallel) + " ストリングの低温開放電圧は" + figures + " 以下です" + at;
  }
  if (bad != nullptr) *bad = true;
  return "ストリング " + Join(over, ", ") + " の低温開放電圧が" + figures + " を超えています" + at;
}

}  // namespace voltrigg
