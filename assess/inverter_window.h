#pragma once
// The inverter window of a wired array, all at 1000 W/m² with the curves
// carried to each temperature:
//   max_voltage            highest string Voc at Tmin      <= min(system limit, inverter max DC voltage)
//   mppt_min               array Vmp at T hot              >= MPPT minimum
//   mppt_max               array Vmp at T cold operating   <= MPPT maximum
//   short_circuit_current  factor * array I(0 V) at T hot  <= input's max short-circuit current
//   input_current          array Imp at T hot              <= input's max current (above: it clips, a note)
// A check without a limit is not checked. Every comparison fails on NaN.
#include <optional>
#include <string>
#include <vector>

#include "assess/array_curve.h"
#include "assess/conditions.h"
#include "assess/inverter_profile.h"
#include "assess/module_curve.h"

namespace voltrigg {

enum class LimitSide { AtMost, AtLeast };

struct WindowCheck {
  LimitSide side = LimitSide::AtMost;
  double value = 0;             // [V] or [A], as the check's JSON key says
  std::optional<double> limit;  // same unit; nothing: not checked
  std::optional<bool> ok;       // nothing when there is no limit
};

// The check of `value` against `limit`; a NaN value or limit fails it.
WindowCheck MakeWindowCheck(double value, std::optional<double> limit, LimitSide side);

// How far the value lies inside its limit (negative: outside), in the unit
// of both; NaN without a limit.
double WindowMargin(const WindowCheck& check);

// A module whose curve could not be carried to a temperature of the window.
struct UntranslatedCurve {
  int module_index = 0;  // into the modules
  FitProblem problem = FitProblem::None;
  double temperature_c = 0;
};

struct InverterWindow {
  InverterProfile inverter;
  AssessConditions conditions;  // tmin, both coefficients, the three temperatures, the factor
  PowerPoint hot;               // the array's maximum power point at t_hot_c
  PowerPoint cold;              // at t_cold_operating_c
  double array_current_at_0v_hot_a = 0;
  double max_string_voc_tmin_v = 0;
  WindowCheck max_voltage;
  WindowCheck mppt_min;
  WindowCheck mppt_max;
  WindowCheck short_circuit_current;
  WindowCheck input_current;
  bool ok = false;                              // none of the first four checks fails
  std::vector<std::string> problems;            // curves that could not be carried to a temperature (figures NaN)
  std::vector<UntranslatedCurve> untranslated;  // the same, for front ends that word them
};

// How many of the five checks were made: those with a limit (max_voltage
// always has the system limit).
int ChecksMade(const InverterWindow& window);

// What the window is judged on: the array's figures at the three temperatures.
struct WindowFigures {
  PowerPoint hot;   // the array's maximum power point at t_hot_c
  PowerPoint cold;  // at t_cold_operating_c
  double array_current_at_0v_hot_a = 0;
  double max_string_voc_tmin_v = 0;
  std::vector<std::string> problems;            // curves that could not be carried to a temperature (figures NaN)
  std::vector<UntranslatedCurve> untranslated;  // the same, for front ends that word them
};

// The window's checks of those figures against the conditions and the
// inverter. Throws std::invalid_argument when the conditions are not valid.
InverterWindow JudgeInverterWindow(WindowFigures figures, const AssessConditions& conditions,
                                   const InverterProfile& inverter);

// The window of `wiring` (indices into the parallel `modules` and `fitted`).
// Throws std::invalid_argument when the conditions are not valid
// (ValidateConditions), the vectors differ in length or the wiring names a
// module not in them.
InverterWindow AssessInverterWindow(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                                    const Wiring& wiring, const AssessConditions& conditions,
                                    const InverterProfile& inverter);

}  // namespace voltrigg
