#pragma once
// What the physical assessment takes from a planning run: the list's modules
// in file order with their curves' points, and both wirings of the plan (the
// search's initial arrangement and the final matrix) as indices into them.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "assess/assessment.h"
#include "input/list_warnings.h"
#include "input/module_list.h"
#include "run/plan.h"

namespace voltrigg {

// The list's rows as modules for the curves: Voc from column 6 and Isc from
// column 7, or the other way round for ExtrasUse::IscVoc.
std::vector<ModuleData> ModulesForAssessment(const std::vector<ListRow>& rows, ExtrasUse extras);

// The assessment's input from a planned run (`plan.Planned()`), under
// `conditions` and with the inverter profile `inverter`. Throws RunError when
// the plan holds no array, or a module of its tables is not among its rows.
AssessmentInput AssessmentInputOfPlan(const PlanResult& plan, ExtrasUse extras, const AssessConditions& conditions,
                                      const InverterProfile& inverter);

// A planned run assessed: the assessment, or why there is none.
struct PlanAssessment {
  enum class Failure { None, ModulesWithoutCurve, Error, OutOfMemory, Unexpected };
  std::optional<Assessment> assessment;
  Failure failure = Failure::None;
  std::vector<ModuleProblem> problems;  // ModulesWithoutCurve: every module whose values give no curve
  std::vector<ModuleData> modules;      // ModulesWithoutCurve: the list's modules, to name them
  std::string detail;                   // Error, Unexpected: what was thrown
};

// Told the first part (the curves, the result's wiring, the voltage check and
// the inverter window) before the optimiser and random wiring run.
using FirstPartCallback = std::function<void(const Assessment&)>;

// Both parts of the assessment of `plan`, as voltrigg-cli --assess and the
// page make it. Never throws.
PlanAssessment AssessPlan(const PlanResult& plan, ExtrasUse extras, const AssessConditions& conditions,
                          const InverterProfile& inverter, const FirstPartCallback& first_part = {},
                          const CompletionProgressCallback& progress = {});

}  // namespace voltrigg
