#include "commission/expected_string.h"

#include <cstdio>
#include <limits>
#include <stdexcept>

#include "assess/assessment.h"

namespace voltrigg {

ExpectedString ExpectedStringAt(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                                const StringWiring& string, const CellConditions& cell,
                                const TemperatureCoefficients& coefficients) {
  if (modules.size() != fitted.size()) throw std::invalid_argument("modules and curves differ in number");
  if (string.empty()) throw std::invalid_argument("a string without modules");
  if (!WiringIndicesValid(Wiring{string}, static_cast<int>(fitted.size()))) {
    throw std::invalid_argument("the string names a module that is not in the list");
  }
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  ExpectedString out;
  std::vector<ModuleCurve> curves;
  curves.reserve(string.size());
  StringWiring local;
  local.reserve(string.size());
  for (int index : string) {
    const auto k = static_cast<std::size_t>(index);
    const CurveFit t = TranslateModuleCurve(fitted[k], modules[k].voc_v, cell, coefficients);
    if (t.problem != FitProblem::None) {
      char at[96];
      (void)std::snprintf(at, sizeof at, " at %g W/m² and %g °C", cell.irradiance_w_m2, cell.temperature_c);
      out.problem = DescribeModuleProblem(ModuleProblem{index, modules[k].number, modules[k].serial, t.problem}) + at;
      out.voc_v = out.isc_a = out.mean_module_voc_v = kNaN;
      return out;
    }
    local.push_back(static_cast<int>(curves.size()));
    curves.push_back(t.curve);
  }
  for (const ModuleCurve& c : curves) out.voc_v += ModuleVocV(c);
  out.mean_module_voc_v = out.voc_v / static_cast<double>(curves.size());
  out.isc_a = StringCurrentA(curves, local, 0.0);
  return out;
}

}  // namespace voltrigg
