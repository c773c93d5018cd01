#pragma once
// The conditions of a commissioning check: the datasheet temperature
// coefficients that carry the modules' curves to the test's irradiance and
// module temperature, and the tolerances of the verdict. Checked once, in the
// core, by every front end before anything is read.
#include <optional>
#include <string>

#include "assess/conditions.h"

namespace voltrigg {

struct CommissionConditions {
  double voc_coefficient_pct_per_k = -0.30;  // [%/K] beta
  double isc_coefficient_pct_per_k = 0.05;   // [%/K] alpha
  double voc_tolerance_pct = 3.0;            // [%] of the expected string Voc
  double isc_tolerance_pct = 5.0;            // [%] of the expected string Isc
  double insulation_min_mohm = 1.0;          // [MΩ] the least insulation of either pole to earth
};

// A tolerance of 0 passes nothing a meter shows; above these a string with a
// module missing (5 to 10 % of its Voc) or a soiled one would pass.
inline constexpr ConditionLimit kVocToleranceLimit{"--voc-tolerance", "%", 0.0, 10.0, true};
inline constexpr ConditionLimit kIscToleranceLimit{"--isc-tolerance", "%", 0.0, 20.0, true};
// 0 would pass a pole shorted to earth; no minimum for an array asks for
// more than a meter of its kind shows.
inline constexpr ConditionLimit kInsulationMinLimit{"--insulation-min", "MΩ", 0.0, 1000.0, true};
// The conditions of a measurement, for the whole file or a row: the ranges
// the curves can be carried to (assess/curve_translation.h).
inline constexpr ConditionLimit kIrradianceLimit{"--irradiance", "W/m²", 0.0, 1500.0, true};
inline constexpr ConditionLimit kModuleTemperatureLimit{"--module-temperature", "°C", -60.0, 100.0, false};

// Below this irradiance the Isc comparison is less certain (a note).
inline constexpr double kLowIrradianceW_m2 = 400.0;

// The first condition that is not allowed (NaN and infinities never are).
// The coefficients take the assessment's limits (kVocCoefficientLimit,
// kIscCoefficientLimit).
std::optional<ConditionFault> ValidateCommissionConditions(const CommissionConditions& conditions);

}  // namespace voltrigg
