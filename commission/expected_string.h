#pragma once
// What one string of measured modules should show at the conditions of a
// commissioning test: its open-circuit voltage and short-circuit current by
// the modules' own curves carried to the irradiance and cell temperature.
#include <string>

#include "assess/array_curve.h"
#include "assess/curve_translation.h"

namespace voltrigg {

struct ExpectedString {
  double voc_v = 0;              // sum of the modules' open-circuit voltages at the conditions
  double isc_a = 0;              // the string's current at 0 V (bypass diodes included)
  double mean_module_voc_v = 0;  // voc_v over the number of modules
  std::string problem;           // set when a curve cannot be carried; the figures are then NaN
};

// `string` indexes `modules` and `fitted` (parallel; checked, as are the
// conditions and coefficients: std::invalid_argument). An empty string is
// refused too: it has nothing to expect.
ExpectedString ExpectedStringAt(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                                const StringWiring& string, const CellConditions& cell,
                                const TemperatureCoefficients& coefficients);

}  // namespace voltrigg
