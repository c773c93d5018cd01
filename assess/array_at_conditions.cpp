#include "assess/array_at_conditions.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "assess/assessment.h"
#include "assess/curve_engine.h"

namespace voltrigg {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void RequireParallelAndValid(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                             const Wiring& wiring) {
  if (modules.size() != fitted.size()) throw std::invalid_argument("modules and curves differ in number");
  if (!WiringIndicesValid(wiring, static_cast<int>(fitted.size()))) {
    throw std::invalid_argument("wiring names a module that is not in the list");
  }
}

std::string TranslationProblem(const std::vector<ModuleData>& modules, const TranslatedCurves& t,
                               const CellConditions& cell) {
  const std::size_t k = static_cast<std::size_t>(t.first_problem_index);
  ModuleProblem p{t.first_problem_index, modules[k].number, modules[k].serial, t.problem};
  char at[96];
  (void)std::snprintf(at, sizeof at, " at %g W/m² and %g °C", cell.irradiance_w_m2, cell.temperature_c);
  return DescribeModuleProblem(p) + at;
}

// The sum over the string of the modules' open-circuit voltages; NaN as soon
// as one is not finite, so that no check passes on it.
double StringVocSumV(const std::vector<ModuleCurve>& curves, const StringWiring& string) {
  double sum = 0;
  for (int index : string) {
    const double voc = ModuleVocV(curves[static_cast<std::size_t>(index)]);
    if (!std::isfinite(voc)) return kNaN;
    sum += voc;
  }
  return sum;
}

double MaxOfStrings(const std::vector<ModuleCurve>& curves, const Wiring& wiring) {
  double highest = 0;
  for (const StringWiring& s : wiring) {
    const double v = StringVocSumV(curves, s);
    if (!(v <= highest)) highest = v;  // NaN wins and stays
    if (std::isnan(highest)) return kNaN;
  }
  return highest;
}

}  // namespace

double MaxStringVocAtV(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                       const Wiring& wiring, const CellConditions& cell, const TemperatureCoefficients& coefficients) {
  RequireParallelAndValid(modules, fitted, wiring);
  return MaxOfStrings(TranslateModuleCurves(modules, fitted, cell, coefficients).curves, wiring);
}

ArrayAtConditions AssessArrayAt(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                                const Wiring& wiring, const CellConditions& cell,
                                const TemperatureCoefficients& coefficients) {
  RequireParallelAndValid(modules, fitted, wiring);
  ArrayAtConditions out;
  out.cell = cell;
  TranslatedCurves t = TranslateModuleCurves(modules, fitted, cell, coefficients);
  if (t.first_problem_index >= 0) {
    // The curve solvers need falling curves; no figure rather than a wrong one.
    out.problem = TranslationProblem(modules, t, cell);
    out.untranslated_index = t.first_problem_index;
    out.untranslated_problem = t.problem;
    out.point = PowerPoint{kNaN, kNaN, kNaN};
    out.current_at_0v_a = kNaN;
    out.max_string_voc_v = t.problem == FitProblem::CurveNotFalling ? MaxOfStrings(t.curves, wiring) : kNaN;
    out.curves = std::move(t.curves);
    return out;
  }
  const std::vector<engine::FastString> strings = engine::PrepareArray(t.curves, wiring);
  out.point = engine::MaximumPowerPoint(strings).point;
  for (const engine::FastString& s : strings) out.current_at_0v_a += engine::StringCurrent(s, 0.0, -1.0);
  out.max_string_voc_v = MaxOfStrings(t.curves, wiring);
  out.curves = std::move(t.curves);
  return out;
}

std::vector<CurvePoint> SampleArrayCurveAt(const std::vector<ModuleData>& modules,
                                           const std::vector<ModuleCurve>& fitted, const Wiring& wiring,
                                           const CellConditions& cell, const TemperatureCoefficients& coefficients,
                                           int count) {
  RequireParallelAndValid(modules, fitted, wiring);
  const TranslatedCurves t = TranslateModuleCurves(modules, fitted, cell, coefficients);
  if (t.first_problem_index >= 0) return {};
  return SampleArrayCurve(t.curves, wiring, count);
}

}  // namespace voltrigg
