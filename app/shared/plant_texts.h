#pragma once
// Plant planning in words, English (voltrigg-cli) and Japanese (the page):
// why lists or a layout are refused, the lists' warnings and the summary of
// a plan. The core (plant/) gives numbers and places only.
#include <cstddef>
#include <string>
#include <vector>

#include "app/shared/curve_problems.h"
#include "plant/plant.h"

namespace voltrigg {

// One refusal: where (list and line, or the layout's key) and what.
std::string PlantFaultText(const PlantFault& fault, Language language);

// One warning with at most `places_named` places (list and line), then how
// many more; `list_names` are the request's lists by index.
std::string PlantWarningText(const PlantWarning& warning, const std::vector<std::string>& list_names, Language language,
                             std::size_t places_named = 10);

// The summary a front end prints, one line each: the plant, the plan's
// figures and each mode's, the highest cold string voltage, the checks.
std::vector<std::string> PlantSummaryLines(const PlantSummary& summary, Language language);

// One failed check: "INV-03 input 2: MPPT minimum 455.2 V below 500 V".
std::string PlantFailedCheckText(const PlantFailedCheck& check, const PlantSummary& summary, Language language);

}  // namespace voltrigg
