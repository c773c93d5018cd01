#include "assess/inverter_window.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

#include "assess/array_at_conditions.h"
#include "assess/curve_translation.h"

namespace voltrigg {

WindowCheck MakeWindowCheck(double value, std::optional<double> limit, LimitSide side) {
  WindowCheck check;
  check.side = side;
  check.value = value;
  check.limit = limit;
  if (limit) check.ok = side == LimitSide::AtMost ? value <= *limit : value >= *limit;  // false on NaN
  return check;
}

double WindowMargin(const WindowCheck& check) {
  if (!check.limit) return std::numeric_limits<double>::quiet_NaN();
  return check.side == LimitSide::AtMost ? *check.limit - check.value : check.value - *check.limit;
}

int ChecksMade(const InverterWindow& w) {
  int made = 0;
  for (const WindowCheck* c : {&w.max_voltage, &w.mppt_min, &w.mppt_max, &w.short_circuit_current, &w.input_current}) {
    if (c->limit) ++made;
  }
  return made;
}

InverterWindow JudgeInverterWindow(WindowFigures figures, const AssessConditions& conditions,
                                   const InverterProfile& inverter) {
  if (const auto fault = ValidateConditions(conditions)) throw std::invalid_argument(DescribeConditionFault(*fault));
  InverterWindow w;
  w.inverter = inverter;
  w.conditions = conditions;
  w.hot = figures.hot;
  w.cold = figures.cold;
  w.array_current_at_0v_hot_a = figures.array_current_at_0v_hot_a;
  w.max_string_voc_tmin_v = figures.max_string_voc_tmin_v;
  w.problems = std::move(figures.problems);
  w.untranslated = std::move(figures.untranslated);

  // The lower of the two voltage limits; the system limit is always given.
  double voltage_limit_v = conditions.max_system_voltage_v;
  if (inverter.max_dc_voltage_v && !AtOrBelowLimit(voltage_limit_v, *inverter.max_dc_voltage_v)) {
    voltage_limit_v = *inverter.max_dc_voltage_v;
  }
  w.max_voltage = MakeWindowCheck(w.max_string_voc_tmin_v, voltage_limit_v, LimitSide::AtMost);
  w.mppt_min = MakeWindowCheck(w.hot.vmp_v, inverter.mppt_min_v, LimitSide::AtLeast);
  w.mppt_max = MakeWindowCheck(w.cold.vmp_v, inverter.mppt_max_v, LimitSide::AtMost);
  w.short_circuit_current = MakeWindowCheck(conditions.isc_factor * w.array_current_at_0v_hot_a,
                                            inverter.max_short_circuit_current_a, LimitSide::AtMost);
  w.input_current = MakeWindowCheck(w.hot.imp_a, inverter.max_input_current_a, LimitSide::AtMost);
  w.ok = true;
  for (const WindowCheck* c : {&w.max_voltage, &w.mppt_min, &w.mppt_max, &w.short_circuit_current}) {
    if (c->ok && !*c->ok) w.ok = false;
  }
  return w;
}

InverterWindow AssessInverterWindow(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                                    const Wiring& wiring, const AssessConditions& conditions,
                                    const InverterProfile& inverter) {
  if (const auto fault = ValidateConditions(conditions)) throw std::invalid_argument(DescribeConditionFault(*fault));
  const TemperatureCoefficients& coefficients = conditions;
  WindowFigures figures;
  figures.max_string_voc_tmin_v =
      MaxStringVocAtV(modules, fitted, wiring, CellConditions{kStcIrradianceW_m2, conditions.tmin_c}, coefficients);
  const ArrayAtConditions hot =
      AssessArrayAt(modules, fitted, wiring, CellConditions{kStcIrradianceW_m2, conditions.t_hot_c}, coefficients);
  const ArrayAtConditions cold = AssessArrayAt(
      modules, fitted, wiring, CellConditions{kStcIrradianceW_m2, conditions.t_cold_operating_c}, coefficients);
  for (const ArrayAtConditions* a : {&hot, &cold}) {
    if (a->problem.empty()) continue;
    figures.problems.push_back(a->problem);
    figures.untranslated.push_back(
        UntranslatedCurve{a->untranslated_index, a->untranslated_problem, a->cell.temperature_c});
  }
  figures.hot = hot.point;
  figures.cold = cold.point;
  figures.array_current_at_0v_hot_a = hot.current_at_0v_a;
  return JudgeInverterWindow(std::move(figures), conditions, inverter);
}

}  // namespace voltrigg
