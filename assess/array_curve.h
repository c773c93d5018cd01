#pragma once
// Strings and arrays of fitted modules. A string is its modules in series at
// one current; an array is its strings in parallel at one voltage >= 0.
#include <vector>

#include "assess/module_curve.h"

namespace voltrigg {

// The modules of one string in series order, as indices into the module list
// (0-based positions in the vector of curves / ModuleData).
using StringWiring = std::vector<int>;
// The strings of an array. Strings need not have the same length.
using Wiring = std::vector<StringWiring>;

// True when every index lies within 0..module_count-1 (repeats are allowed
// here; an arrangement of a run uses each module once).
bool WiringIndicesValid(const Wiring& wiring, int module_count);

// The sum of the string's module voltages at `current_a`.
double StringVoltageV(const std::vector<ModuleCurve>& curves, const StringWiring& string, double current_a);

// The string's open-circuit voltage, its voltage at current 0 (Σ Voc).
double StringVocV(const std::vector<ModuleCurve>& curves, const StringWiring& string);

// The string's current at `voltage_v`: 0 at or above its open-circuit
// voltage, else the current where its voltage equals `voltage_v`.
double StringCurrentA(const std::vector<ModuleCurve>& curves, const StringWiring& string, double voltage_v);

// The array's current at `voltage_v` >= 0: the sum of its strings' currents.
double ArrayCurrentA(const std::vector<ModuleCurve>& curves, const Wiring& wiring, double voltage_v);

struct PowerPoint {
  double pmp_w = 0;
  double vmp_v = 0;
  double imp_a = 0;
};

// The array's maximum power point: the global maximum of V * current over
// 0 <= V <= the highest string open-circuit voltage, found to 1e-10 relative
// in power (the curve may have several local maxima when bypass diodes
// conduct). An empty array, or one without modules, gives all zeros.
PowerPoint ArrayMaximumPowerPoint(const std::vector<ModuleCurve>& curves, const Wiring& wiring);

struct CurvePoint {
  double voltage_v = 0;
  double current_a = 0;
  double power_w = 0;
};

// The array's I-V and P-V curve at `count` (>= 2) equally spaced voltages from
// 0 to the highest string open-circuit voltage, for drawing. A count below 2
// gives 2 points.
std::vector<CurvePoint> SampleArrayCurve(const std::vector<ModuleCurve>& curves, const Wiring& wiring, int count);

// The same for one string (its I-V curve from 0 V to its open-circuit voltage).
std::vector<CurvePoint> SampleStringCurve(const std::vector<ModuleCurve>& curves, const StringWiring& string,
                                          int count);

// Mismatch loss [%] = 100 * (1 - array Pmp / sum of the modules' Vmp*Imp).
// 0 when the sum is not positive.
double MismatchLossPct(double array_pmp_w, double sum_mpp_w);

}  // namespace voltrigg
