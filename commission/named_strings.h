#pragma once
// A plan whose strings carry names rather than the numbers 1..P of a
// planning run's result: a plant's strings, named INVERTER.INPUT.STRING as
// its register names them, each with its own modules' data. The check, the
// measurement file and the blank form take it as they take a result's
// wiring; string j + 1 of the check is names[j].
#include <optional>
#include <string>
#include <vector>

#include "assess/array_curve.h"
#include "assess/module_curve.h"

namespace voltrigg {

struct NamedStringPlan {
  std::vector<std::string> names;   // string j + 1's name: not empty, no two alike
  std::vector<ModuleData> modules;  // the modules the strings hold
  std::vector<ModuleCurve> curves;  // parallel to modules
  Wiring wiring;                    // wiring[j]: string j + 1 in series order, indexing modules
  double system_voltage_v = 0;      // [V] the plan's system voltage, which the insulation test is chosen by
};

// What is wrong with the plan's shape, for std::invalid_argument: names and
// strings differ in number, a name empty or given twice, a string empty or
// naming a module that is not there, modules and curves differing in number.
// None for a sound plan.
std::optional<std::string> NamedPlanFault(const NamedStringPlan& plan);

}  // namespace voltrigg
