#pragma once
// The maximum power point of one inverter input (strings of fitted modules in
// parallel), the same global maximum that ArrayMaximumPowerPoint finds, found
// fast enough for tens of thousands of inputs. Where the power curve is
// smooth and concave around its top, a Newton solve of the top itself; it is
// taken only when bounds from each module's own maximum prove that no other
// point of the curve (modules bypassed, strings open) comes higher, else the
// general search of assess/ answers.
#include <vector>

#include "assess/array_curve.h"
#include "assess/module_curve.h"

namespace voltrigg::plant {

// One module's curve as the evaluation uses it: the smooth part of
// V(I) = a*(ln(top - I) - ln I0) - I*Rs, and what bounds its power.
struct DiodeModule {
  double a_v = 0;
  double top_a = 0;  // IL + I0
  double rs_ohm = 0;
  double log_i0 = 0;   // ln of I0 in amperes
  double voc_v = 0;    // V(0)
  double imp_a = 0;    // near the current of its own maximum power
  double bound_w = 0;  // no point of its curve, bypassed or not, gives more power
};

// The module near its own maximum: the current, the power and -d²P/dI² there.
struct OwnMaximum {
  double current_a = 0;
  double power_w = 0;
  double curvature_w_per_a2 = 0;
};

// The curve in that form; false when the curve is not usable (CurveUsable).
// `imp_hint_a`, when inside the curve, is near its own maximum (the measured
// Imp at the conditions it was fitted at, where the fit puts the maximum);
// `own`, when given, gets the module there.
bool PrepareDiodeModule(const ModuleCurve& curve, double imp_hint_a, DiodeModule& out, OwnMaximum* own = nullptr);

// One input's modules, string after string, in series order; `curves` and
// `diodes` parallel. Kept by the caller to be filled again for the next input.
struct InputModules {
  std::vector<ModuleCurve> curves;
  std::vector<DiodeModule> diodes;
  std::vector<int> string_sizes;

  void Clear() {
    curves.clear();
    diodes.clear();
    string_sizes.clear();
  }
};

struct InputPoint {
  PowerPoint point;
  bool searched = false;  // the general search of assess/ answered
};

// The input's global maximum power point at the curves' conditions; all
// zeros for an input without modules. Throws std::invalid_argument for a
// curve that is not usable.
InputPoint InputMaximumPowerPoint(const InputModules& input);

// The input's current at 0 V: its strings' short-circuit currents summed,
// bypass diodes conducting where they do (as the inverter window takes it).
double InputCurrentAtZeroVoltsA(const InputModules& input);

}  // namespace voltrigg::plant
