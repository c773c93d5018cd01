#pragma once
// A wired array with every module's curve carried to one irradiance and cell
// temperature: its global maximum power point, its current at 0 V and its
// highest string open-circuit voltage.
#include <string>
#include <vector>

#include "assess/array_curve.h"
#include "assess/curve_translation.h"

namespace voltrigg {

struct ArrayAtConditions {
  CellConditions cell;
  PowerPoint point;                 // the global maximum power point
  double current_at_0v_a = 0;       // the strings' currents at 0 V summed
  double max_string_voc_v = 0;      // the highest string sum of the modules' open-circuit voltages
  std::vector<ModuleCurve> curves;  // the translated curves, parallel to the modules
  std::string problem;              // set when a curve cannot be translated; the figures are then NaN
  int untranslated_index = -1;      // then the first such module (index into the modules)
  FitProblem untranslated_problem = FitProblem::None;  // and why
};

// The array of `wiring` (indices into `modules` / `fitted`, parallel; both
// checked: std::invalid_argument, as are the conditions) at `cell`.
ArrayAtConditions AssessArrayAt(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                                const Wiring& wiring, const CellConditions& cell,
                                const TemperatureCoefficients& coefficients);

// Only the highest string open-circuit voltage at `cell` (no curve solving):
// what the cold-morning check needs. NaN when a module's Voc is not finite.
double MaxStringVocAtV(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                       const Wiring& wiring, const CellConditions& cell, const TemperatureCoefficients& coefficients);

// The array's I-V and P-V curve at `cell`, as SampleArrayCurve draws it, for
// the viewer's chart. Empty when a curve cannot be carried to `cell`.
std::vector<CurvePoint> SampleArrayCurveAt(const std::vector<ModuleData>& modules,
                                           const std::vector<ModuleCurve>& fitted, const Wiring& wiring,
                                           const CellConditions& cell, const TemperatureCoefficients& coefficients,
                                           int count);

}  // namespace voltrigg
