#include "app/shared/assessment_input.h"

#include <bit>
#include <cstdint>
#include <utility>

#include "input/run_counts.h"
#include "input/run_error.h"
#include "output/result_file.h"

namespace voltrigg {

namespace {

// Bit for bit, as the result file holds every float exactly.
bool Same(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

bool SamePoint(const OperatingPoint& a, const OperatingPoint& b) {
  return Same(a.Pmax, b.Pmax) && Same(a.Vpm, b.Vpm) && Same(a.Ipm, b.Ipm);
}

// The first difference between the run's figures and matrix and the result's.
std::string Difference(const PlanResult& s, const ResultFileData& r) {
  if (!Same(s.baseline.SimplePmaxSum, r.SimplePmaxSum)) return "モジュール Pmax の単純合計が違います";
  if (!SamePoint(s.baseline.MinimumPoint, r.MinimumPoint)) return "Minimum の値が違います";
  if (!SamePoint(s.InitialPoint, r.InitialPoint)) return "Initial の値が違います";
  if (!SamePoint(s.final.EstimatedPoint, r.EstimatedPoint)) return "Estimated の値が違います";
  for (std::size_t i = 0; i < r.rows.size(); ++i) {
    const std::size_t slot = i + 1;
    const MatrixSlot& m = s.final.FinalMatrix[slot];
    const ResultRow& row = r.rows[i];
    const std::string& serial =
        m.serial > 0 && m.serial <= kModuleSlots ? s.modules.SerialTable[static_cast<std::size_t>(m.serial)] : "";
    if (s.final.StringNumbers[slot] != row.string_no || !Same(m.moduleNo, row.moduleNo) || serial != row.serialNo ||
        !Same(m.vpm, row.vpm) || !Same(m.ipm, row.ipm)) {
      return "配線 (結果ファイル " + std::to_string(row.line) + " 行目) が違います";
    }
  }
  return {};
}

}  // namespace

Replan ReplanResult(const ResultFileData& result, const std::string& list_path) {
  Replan out;
  if (result.series <= 0 || result.parallel <= 0 || result.series > kResultMaxSeries ||
      result.parallel > kResultMaxStrings) {
    out.mismatch = "結果ファイルに配列がありません";
    return out;
  }
  auto plan = std::make_unique<PlanResult>();
  try {
    const RunCounts counts{.SeriesCount = static_cast<std::int16_t>(result.series),
                           .ParallelCount = static_cast<std::int16_t>(result.parallel)};
    *plan = Plan(PlanRequest{.list_path = list_path, .input_name = result.InputName, .counts = counts});
    if (plan->failed_check) {
      out.mismatch = "このリストでは計画できません: " + *plan->failed_check;
      return out;
    }
  } catch (const RunError& e) {
    out.mismatch = std::string("このリストでは計画できません: ") + e.what();
    return out;
  }
  out.mismatch = Difference(*plan, result);
  if (out.mismatch.empty()) out.plan = std::move(plan);
  return out;
}

}  // namespace voltrigg
