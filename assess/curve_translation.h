#pragma once
// A fitted module curve (measured at 1000 W/m² and 25 °C) carried to another
// irradiance and cell temperature with the datasheet temperature coefficients:
//   dT = T - 25; Isc_T = Isc * (1 + alpha/100 * dT); Voc_T = Voc * (1 + beta/100 * dT)
//   a_T = a * (T + 273.15) / 298.15; I0_T = Isc_T / (exp(Voc_T / a_T) - 1)
//   IL = G/1000 * Isc_T; Rs unchanged.
// I0_T is chosen so that the open-circuit voltage at 1000 W/m² and T is
// exactly Voc_T; at 1000 W/m² and 25 °C the curve is the fitted one, bit for bit.
#include <string>
#include <vector>

#include "assess/conditions.h"
#include "assess/module_curve.h"

namespace voltrigg {

// The sun on the module and the temperature of its cells.
struct CellConditions {
  double irradiance_w_m2 = 1000.0;
  double temperature_c = 25.0;  // cell temperature
};

inline constexpr double kStcIrradianceW_m2 = 1000.0;
inline constexpr double kStcTemperatureC = 25.0;

// The translation accepts what the conditions may be (assess/conditions.h):
// cell temperatures from kLowestCellTemperatureC to kHighestCellTemperatureC,
// an irradiance above 0 up to kHighestIrradianceW_m2, and the coefficients of
// kVocCoefficientLimit and kIscCoefficientLimit, the signs and sizes
// crystalline modules have (a wrong sign would make a cold string look safe).

// For a developer (std::invalid_argument): empty when the conditions lie in
// their ranges (every value finite), else what is wrong, e.g. "cell
// temperature -70 °C is outside -60 to 100 °C".
std::string CellConditionsProblem(const CellConditions& cell);
std::string CoefficientsProblem(const TemperatureCoefficients& coefficients);

// The curve at `cell`. `fitted` is the module's curve at STC, `voc_v` its
// measured open-circuit voltage (the one the fit passed through). Throws
// std::invalid_argument when the conditions or coefficients are out of range.
// `problem` is NotPositive when the curve or Voc are not positive and finite
// or the translated values are not, CurveNotFalling when the translated
// curve's current would not fall monotonically (a negative Rs that the
// smaller a_T of a cold cell no longer tolerates); `curve` is filled in
// either case as far as the numbers go.
CurveFit TranslateModuleCurve(const ModuleCurve& fitted, double voc_v, const CellConditions& cell,
                              const TemperatureCoefficients& coefficients);

// The module's open-circuit voltage: a * ln(1 + IL/I0).
double ModuleVocV(const ModuleCurve& curve);

struct TranslatedCurves {
  std::vector<ModuleCurve> curves;  // parallel to the modules
  int first_problem_index = -1;     // the first module whose translation has a problem, -1 for none
  FitProblem problem = FitProblem::None;
};

// Every module's curve at `cell`. `modules` and `fitted` are parallel (checked:
// std::invalid_argument), as are the conditions.
TranslatedCurves TranslateModuleCurves(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                                       const CellConditions& cell, const TemperatureCoefficients& coefficients);

}  // namespace voltrigg
