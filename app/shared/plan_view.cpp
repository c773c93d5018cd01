#include "app/shared/plan_view.h"

#include <algorithm>
#include <cmath>

#include "assess/conditions.h"
#include "input/text_utf8.h"

namespace voltrigg {

int PlanView::OverLimitCount() const {
  return static_cast<int>(
      std::count_if(strings.begin(), strings.end(), [](const StringSummary& s) { return s.over_limit; }));
}

PlanView BuildPlanView(const std::vector<WiredModule>& modules, int series, int parallel, ColourBy colour_by,
                       const std::vector<StringPhysics>& physics, double limit_v) {
  PlanView v;
  v.colour_by = colour_by;
  v.limit_v = limit_v;
  if (series <= 0 || parallel <= 0 || modules.size() != static_cast<std::size_t>(series) * parallel) return v;
  v.series = series;
  v.parallel = parallel;
  v.cells.reserve(modules.size());
  v.strings.resize(static_cast<std::size_t>(parallel));
  const bool with_physics = physics.size() == static_cast<std::size_t>(parallel);
  for (int j = 0; j < parallel; ++j) {
    StringSummary& s = v.strings[static_cast<std::size_t>(j)];
    s.string_no = j + 1;
    s.first_cell = j * series;
    for (int k = 0; k < series; ++k) {
      const WiredModule& m = modules[static_cast<std::size_t>(s.first_cell) + static_cast<std::size_t>(k)];
      s.vpm_sum_v += m.vpm;
      s.mean_ipm_a += m.ipm;
    }
    s.mean_vpm_v = s.vpm_sum_v / series;
    s.mean_ipm_a /= series;
    s.planning_current_a = modules[static_cast<std::size_t>(s.first_cell)].ipm;
    if (with_physics) {
      s.physics = physics[static_cast<std::size_t>(j)];
      // Fails closed: a NaN voltage or limit counts as above the limit.
      s.over_limit = !AtOrBelowLimit(s.physics->voc_cold_v, limit_v);
      v.max_voc_cold_v = std::max(v.max_voc_cold_v.value_or(s.physics->voc_cold_v), s.physics->voc_cold_v);
    }
    v.mean_string_voltage_v += s.vpm_sum_v;
    v.mean_string_current_a += PlanView::Current(s);
  }
  v.mean_string_voltage_v /= parallel;
  v.mean_string_current_a /= parallel;

  double widest = 0;
  for (const WiredModule& m : modules) {
    // A row of a string outside 1..P would point past the summaries.
    if (m.string_no < 1 || m.string_no > parallel) {
      PlanView none;
      none.colour_by = colour_by;
      none.limit_v = limit_v;
      return none;
    }
    const StringSummary& s = v.strings[static_cast<std::size_t>(m.string_no - 1)];
    ModuleCell c;
    c.string_no = m.string_no;
    c.position = m.position;
    c.moduleNo = m.moduleNo;
    c.serial_bytes = m.serial_bytes;
    c.serial = TextAsUtf8(m.serial_bytes);
    c.vpm_v = m.vpm;
    c.ipm_a = m.ipm;
    const double mean = colour_by == ColourBy::Ipm ? s.mean_ipm_a : s.mean_vpm_v;
    const double value = colour_by == ColourBy::Ipm ? c.ipm_a : c.vpm_v;
    c.deviation_pct = mean != 0 ? 100.0 * (value - mean) / std::fabs(mean) : 0.0;
    widest = std::max(widest, std::fabs(c.deviation_pct));
    v.cells.push_back(std::move(c));
  }
  // Full colour at the largest deviation in the array, so that the spread of
  // a well-sorted lot still shows; below 0.01 % everything is white.
  SetColourRange(v, widest);
  return v;
}

void SetColourRange(PlanView& plan, double range_pct) {
  plan.colour_range_pct = range_pct;
  for (ModuleCell& c : plan.cells) c.colour = DeviationColour(range_pct >= 0.01 ? c.deviation_pct / range_pct : 0.0);
}

Rgb DeviationColour(double t) {
  t = std::clamp(std::isfinite(t) ? t : 0.0, -1.0, 1.0);
  constexpr Rgb kWhite{255, 255, 255};
  const Rgb end = t < 0 ? Rgb{33, 102, 172} : Rgb{224, 130, 20};
  const double f = std::fabs(t);
  auto mix = [f](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * f)); };
  return {mix(kWhite.red, end.red), mix(kWhite.green, end.green), mix(kWhite.blue, end.blue)};
}

}  // namespace voltrigg
