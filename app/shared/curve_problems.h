#pragma once
// Why an assessment cannot be made, in the words of both front ends:
// voltrigg-cli speaks English, the viewer Japanese.
#include <string>
#include <vector>

#include "assess/assessment.h"
#include "assess/conditions.h"
#include "run/plan_assessment.h"

namespace voltrigg {

enum class Language { English, Japanese };

// A refused condition: the option, the value and the allowed range.
std::string ConditionFaultText(const ConditionFault& fault, Language language);

// A module as the texts name it: "module 12 (S/N KV300-1, row 3 of the list)".
std::string ModuleName(const ModuleData& module, std::size_t list_index, Language language);

// One text per module whose curve cannot be fitted: Voc or Isc missing
// altogether, or what is wrong with its values.
std::vector<std::string> CurveProblemTexts(const std::vector<ModuleProblem>& problems,
                                           const std::vector<ModuleData>& modules, Language language);

// True when the problems suggest that columns 6 and 7 hold something else
// (missing, or Voc not above Vpm, Isc not above Ipm).
bool SuggestsColumns(const std::vector<ModuleProblem>& problems, const std::vector<ModuleData>& modules);

// What the assessment needs of the list's columns 6 and 7, and --extras.
std::string ColumnsHint(Language language);

// Why a planned run has no assessment, a line each: at most ten modules
// without a curve named, then how many more, and the columns hint when the
// problems suggest it; or the failure.
std::vector<std::string> AssessmentProblemLines(const PlanAssessment& assessment, Language language);

}  // namespace voltrigg
