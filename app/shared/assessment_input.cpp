#include "app/shared/assessment_input.h"

#include <bit>
#include <cstdint>

namespace voltrigg {

namespace {

// Bit for bit, as the result file holds every float exactly.
bool Same(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

bool SamePoint(const OperatingPoint& a, const OperatingPoint& b) {
  return Same(a.Pmax, b.Pmax) && Same(a.Vpm, b.Vpm) && Same(a.Ipm, b.Ipm);
}

}  // namespace

bool ResultHasPlannableShape(const ResultFileData& result) {
  return result.series > 0 && result.parallel > 0 && result.series <= kResultMaxSeries &&
         result.parallel <= kResultMaxStrings;
}

ReplanCheck CompareReplan(const PlanResult& s, const ResultFileData& r) {
  using Kind = ReplanCheck::Kind;
  if (!ResultHasPlannableShape(r)) return {Kind::NoArray, {}, 0};
  if (s.failed_check) return {Kind::CannotPlan, *s.failed_check, 0};
  if (s.counts.SeriesCount != r.series || s.counts.ParallelCount != r.parallel) return {Kind::NoArray, {}, 0};
  if (!Same(s.baseline.SimplePmaxSum, r.SimplePmaxSum)) return {Kind::SimplePmaxSum, {}, 0};
  if (!SamePoint(s.baseline.MinimumPoint, r.MinimumPoint)) return {Kind::Minimum, {}, 0};
  if (!SamePoint(s.InitialPoint, r.InitialPoint)) return {Kind::Initial, {}, 0};
  if (!SamePoint(s.final.EstimatedPoint, r.EstimatedPoint)) return {Kind::Estimated, {}, 0};
  for (std::size_t i = 0; i < r.rows.size(); ++i) {
    const std::size_t slot = i + 1;
    const ResultRow& row = r.rows[i];
    if (slot > static_cast<std::size_t>(kModuleSlots)) return {Kind::Wiring, {}, row.line};
    const MatrixSlot& m = s.final.FinalMatrix[slot];
    const std::string& serial =
        m.serial > 0 && m.serial <= kModuleSlots ? s.modules.SerialTable[static_cast<std::size_t>(m.serial)] : "";
    if (s.final.StringNumbers[slot] != row.string_no || !Same(m.moduleNo, row.moduleNo) || serial != row.serialNo ||
        !Same(m.vpm, row.vpm) || !Same(m.ipm, row.ipm)) {
      return {Kind::Wiring, {}, row.line};
    }
  }
  return {Kind::Same, {}, 0};
}

}  // namespace voltrigg
