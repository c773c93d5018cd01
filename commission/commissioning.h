#pragma once
// The commissioning check of a planned array: every string's measured
// open-circuit voltage and short-circuit current against what its own
// modules should give at the irradiance and module temperature of its test.
#include <optional>
#include <string>
#include <vector>

#include "commission/named_strings.h"
#include "commission/string_verdict.h"

namespace voltrigg {

struct StringCommissioning {
  int string_no = 0;                             // 1..P
  StringWiring modules;                          // indices into the module list, series order
  std::optional<StringMeasurement> measurement;  // none: not measured
  ExpectedString expected;                       // at the measurement's conditions; NaN when not measured
  StringVerdict verdict;
};

struct Commissioning {
  CommissionConditions conditions;
  std::vector<StringCommissioning> strings;  // string 1..P
  bool ok = false;                           // every string measured, within its tolerances, no measured item failed
  std::vector<int> strings_failed;           // string numbers whose verdict is not ok (unmeasured ones included)
  std::vector<int> strings_not_measured;     // string numbers without a measurement
  // The insulation test of the whole array (ArraySystemVoltageV,
  // InsulationTestVoltageForV), whether or not one was recorded.
  double system_voltage_v = 0;            // NaN when not known
  double insulation_test_required_v = 0;  // the least test voltage that passes
  bool further_items_measured = false;    // a measurement holds a further item (HasFurtherItems)
  // A plan of named strings (CheckNamedCommissioning): string n's name is
  // string_names[n - 1]. Empty: the strings are a result's, numbered 1..P.
  std::vector<std::string> string_names;
};

// How the check, its file and its table name string `string_no` (1..P): its
// name in a plan of named strings, else its number.
std::string StringLabel(const Commissioning& check, int string_no);

// Which strings made a test item and which did not, for a report's summary.
struct TestItemCoverage {
  TestItem item = TestItem::Voc;
  std::vector<int> strings_made;      // measured, whatever the verdict
  std::vector<int> strings_failed;    // made and failed
  std::vector<int> strings_not_made;  // not measured (a string without a measurement included)
};

// One per TestItem, in the order of kTestItems.
std::vector<TestItemCoverage> TestItemCoverages(const Commissioning& check);

// `modules` and `fitted` are parallel, `wiring[j]` is string j + 1 (none
// empty), every measurement names a string of the wiring once and holds
// finite values with its irradiance and temperature in range
// (kIrradianceLimit, kModuleTemperatureLimit) and its further items finite
// and not negative. All checked, as are the conditions:
// std::invalid_argument.
Commissioning CheckCommissioning(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                                 const Wiring& wiring, const std::vector<StringMeasurement>& measurements,
                                 const CommissionConditions& conditions);

// The same with the insulation test chosen by `system_voltage_v` (a plant's
// system voltage) rather than by the strings' Voc (ArraySystemVoltageV).
Commissioning CheckCommissioningAtSystemVoltage(const std::vector<ModuleData>& modules,
                                                const std::vector<ModuleCurve>& fitted, const Wiring& wiring,
                                                const std::vector<StringMeasurement>& measurements,
                                                const CommissionConditions& conditions, double system_voltage_v);

// The same of a plan whose strings are named (NamedStringPlan: every
// measurement's string_no is the string's place in the plan, 1..P), the
// insulation test chosen by the plan's system voltage rather than by its
// strings' Voc. A plan of the wrong shape (NamedPlanFault) and everything
// CheckCommissioning refuses: std::invalid_argument.
Commissioning CheckNamedCommissioning(const NamedStringPlan& plan, const std::vector<StringMeasurement>& measurements,
                                      const CommissionConditions& conditions);

}  // namespace voltrigg
