#pragma once
// The conditions of a commissioning check: the datasheet temperature
// coefficients that carry the modules' curves to the test's irradiance and
// module temperature, and the tolerances of the verdict. Checked once, in the
// core, by every front end before anything is read.
#include <optional>
#include <string>

#include "assess/conditions.h"

namespace voltrigg {

// The coefficients beta and alpha are the assessment's (TemperatureCoefficients);
// the ranges of all five, and of the measurement's conditions, are with the
// assessment's (assess/conditions.h).
struct CommissionConditions : TemperatureCoefficients {
  double voc_tolerance_pct = 3.0;    // [%] of the expected string Voc
  double isc_tolerance_pct = 5.0;    // [%] of the expected string Isc
  double insulation_min_mohm = 1.0;  // [MΩ] the least insulation of either pole to earth
};

// Below this irradiance the Isc comparison is less certain (a note).
inline constexpr double kLowIrradianceW_m2 = 400.0;

// The first condition that is not allowed (NaN and infinities never are).
// The coefficients take the assessment's limits (kVocCoefficientLimit,
// kIscCoefficientLimit).
std::optional<ConditionFault> ValidateCommissionConditions(const CommissionConditions& conditions);

}  // namespace voltrigg
