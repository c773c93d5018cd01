#include "assess/curve_translation.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace voltrigg {

namespace {

std::string Number(double value) {
  char text[32];
  (void)std::snprintf(text, sizeof text, "%g", value);
  return text;
}

}  // namespace

std::string CellConditionsProblem(const CellConditions& cell) {
  // Written so that NaN lands in the refusal.
  if (!(cell.temperature_c >= kLowestCellTemperatureC && cell.temperature_c <= kHighestCellTemperatureC)) {
    return "cell temperature " + Number(cell.temperature_c) + " °C is outside " + Number(kLowestCellTemperatureC) +
           " to " + Number(kHighestCellTemperatureC) + " °C";
  }
  if (!(cell.irradiance_w_m2 > 0 && cell.irradiance_w_m2 <= kHighestIrradianceW_m2)) {
    return "irradiance " + Number(cell.irradiance_w_m2) + " W/m² is outside 0 (exclusive) to " +
           Number(kHighestIrradianceW_m2) + " W/m²";
  }
  return {};
}

std::string CoefficientsProblem(const TemperatureCoefficients& c) {
  if (!WithinLimit(c.voc_coefficient_pct_per_k, kVocCoefficientLimit)) {
    return "temperature coefficient of Voc " + Number(c.voc_coefficient_pct_per_k) + " %/K is not " +
           LimitRangeText(kVocCoefficientLimit);
  }
  if (!WithinLimit(c.isc_coefficient_pct_per_k, kIscCoefficientLimit)) {
    return "temperature coefficient of Isc " + Number(c.isc_coefficient_pct_per_k) + " %/K is not " +
           LimitRangeText(kIscCoefficientLimit);
  }
  return {};
}

CurveFit TranslateModuleCurve(const ModuleCurve& fitted, double voc_v, const CellConditions& cell,
                              const TemperatureCoefficients& coefficients) {
  if (std::string problem = CellConditionsProblem(cell); !problem.empty()) throw std::invalid_argument(problem);
  if (std::string problem = CoefficientsProblem(coefficients); !problem.empty()) throw std::invalid_argument(problem);
  CurveFit out;
  const auto positive = [](double v) { return std::isfinite(v) && v > 0; };
  if (!positive(fitted.il_a) || !positive(fitted.i0_a) || !positive(fitted.a_v) || !std::isfinite(fitted.rs_ohm) ||
      !positive(voc_v)) {
    out.problem = FitProblem::NotPositive;
    out.curve = fitted;
    return out;
  }
  const double dt_k = cell.temperature_c - kStcTemperatureC;
  const double isc_t_a = fitted.il_a * (1.0 + coefficients.isc_coefficient_pct_per_k / 100.0 * dt_k);
  const double voc_t_v = voc_v * (1.0 + coefficients.voc_coefficient_pct_per_k / 100.0 * dt_k);
  // (T + 273.15) / 298.15 written as 1 + dT / 298.15, which is exactly 1 at 25 °C.
  const double a_t_v = fitted.a_v * (1.0 + dt_k / 298.15);
  // The fit's own form of I0, so that at 25 °C it gives back the fit's I0.
  const double i0_t_a = isc_t_a / std::expm1(voc_t_v / a_t_v);
  ModuleCurve& c = out.curve;
  c.il_a = cell.irradiance_w_m2 / kStcIrradianceW_m2 * isc_t_a;
  c.i0_a = i0_t_a;
  c.a_v = a_t_v;
  c.rs_ohm = fitted.rs_ohm;
  if (!positive(c.il_a) || !positive(c.i0_a) || !positive(c.a_v) || !positive(voc_t_v)) {
    out.problem = FitProblem::NotPositive;
  } else if (!(c.rs_ohm > -c.a_v / (c.il_a + c.i0_a))) {
    // dV/dI = -a/(IL + I0 - I) - Rs must stay negative on the whole curve.
    out.problem = FitProblem::CurveNotFalling;
  }
  return out;
}

double ModuleVocV(const ModuleCurve& c) { return c.a_v * std::log1p(c.il_a / c.i0_a); }

TranslatedCurves TranslateModuleCurves(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                                       const CellConditions& cell, const TemperatureCoefficients& coefficients) {
  if (modules.size() != fitted.size()) throw std::invalid_argument("modules and curves differ in number");
  TranslatedCurves out;
  out.curves.reserve(fitted.size());
  for (std::size_t k = 0; k < fitted.size(); ++k) {
    const CurveFit t = TranslateModuleCurve(fitted[k], modules[k].voc_v, cell, coefficients);
    if (t.problem != FitProblem::None && out.first_problem_index < 0) {
      out.first_problem_index = static_cast<int>(k);
      out.problem = t.problem;
    }
    out.curves.push_back(t.curve);
  }
  return out;
}

}  // namespace voltrigg
