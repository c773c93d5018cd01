#include "app/shared/assessment_input.h"

#include <bit>
#include <cstdint>
#include <utility>

#include "app/calculation_run.h"
#include "assess/wiring_match.h"
#include "input/run_counts.h"
#include "input/run_error.h"
#include "output/result_file.h"

namespace voltrigg {

AssessmentInput AssessmentInputFromRun(const RunState& s, std::vector<ModuleData> modules,
                                       const AssessConditions& conditions) {
  AssessmentInput in;
  const int n = s.ModuleCount;
  const int series = s.SeriesCount;
  const int parallel = s.ParallelCount;
  if (n < 0 || series <= 0 || parallel < 0 || n != series * parallel || n > kModuleSlots) {
    throw RunError("the run's counts do not describe an array to assess");
  }
  in.series = series;
  in.parallel = parallel;
  in.conditions = conditions;
  in.sum_pmax_w = s.baseline.SimplePmaxSum;
  const auto point = [](const OperatingPoint& p) { return PlanningPoint{p.Pmax, p.Vpm, p.Ipm}; };
  in.minimum = point(s.baseline.MinimumPoint);
  in.initial_point = point(s.InitialPoint);
  in.estimated_point = point(s.final.EstimatedPoint);

  // Both arrangements as rows of the module table, string by string.
  std::vector<std::vector<WiringRow>> initial(static_cast<std::size_t>(parallel));
  std::vector<std::vector<WiringRow>> estimated(static_cast<std::size_t>(parallel));
  const auto serial_of = [&](std::int32_t slot) -> const std::string& {
    static const std::string kNone;
    return slot > 0 && slot <= kModuleSlots ? s.modules.SerialTable[static_cast<std::size_t>(slot)] : kNone;
  };
  for (int j = 0; j < parallel; ++j) {
    for (int i = 1; i <= series; ++i) {
      const std::size_t slot =
          static_cast<std::size_t>(i) + static_cast<std::size_t>(series) * static_cast<std::size_t>(j);
      const ModuleRecord& r = s.modules.records[slot];
      initial[j].push_back(WiringRow{r.moduleNo, s.modules.SerialTable[slot], r.vpm, r.ipm});
      const MatrixSlot& m = s.final.FinalMatrix[slot];
      estimated[j].push_back(WiringRow{m.moduleNo, serial_of(m.serial), m.vpm, m.ipm});
    }
  }
  std::string problem;
  auto wiring = MatchWiring(modules, initial, &problem);
  if (!wiring) throw RunError("the module list changed during the run: " + problem);
  in.initial = std::move(*wiring);
  wiring = MatchWiring(modules, estimated, &problem);
  if (!wiring) throw RunError("the module list changed during the run: " + problem);
  in.estimated = std::move(*wiring);
  in.modules = std::move(modules);
  return in;
}

namespace {

// Bit for bit, as the result file holds every float exactly.
bool Same(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

bool SamePoint(const OperatingPoint& a, const OperatingPoint& b) {
  return Same(a.Pmax, b.Pmax) && Same(a.Vpm, b.Vpm) && Same(a.Ipm, b.Ipm);
}

// The first difference between the run's figures and matrix and the result's.
std::string Difference(const RunState& s, const ResultFileData& r) {
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
  auto state = std::make_unique<RunState>();
  try {
    state->SeriesCount = static_cast<std::int16_t>(result.series);
    state->ParallelCount = static_cast<std::int16_t>(result.parallel);
    state->ModuleCount = LoadModuleList(list_path, state->modules);
    if (auto message = CheckRunInputs(state->ModuleCount, state->SeriesCount, state->ParallelCount)) {
      out.mismatch = "このリストでは計画できません: " + *message;
      return out;
    }
    PlanArray(*state);
  } catch (const RunError& e) {
    out.mismatch = std::string("このリストでは計画できません: ") + e.what();
    return out;
  }
  out.mismatch = Difference(*state, result);
  if (out.mismatch.empty()) out.state = std::move(state);
  return out;
}

}  // namespace voltrigg
