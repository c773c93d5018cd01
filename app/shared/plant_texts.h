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

// The exit status of a plant run refused for `kind`, the same from every
// front end: 64 for a condition, pallet window or extras given wrongly (a
// usage fault), 2 for lists or a layout that cannot be planned.
int PlantRefusalExitStatus(PlantFault::Kind kind);

// One refusal: where (list and line, or the layout's key) and what.
std::string PlantFaultText(const PlantFault& fault, Language language);

// One warning with at most `places_named` places (list and line), then how
// many more; `list_names` are the request's lists by index.
std::string PlantWarningText(const PlantWarning& warning, const std::vector<std::string>& list_names, Language language,
                             std::size_t places_named = 10);

// The summary a front end prints, one line each: the plant, the plan's
// figures and each mode's, the highest cold string voltage, the checks.
std::vector<std::string> PlantSummaryLines(const PlantSummary& summary, Language language);

// A plant's system voltage limit unless the user gives another [V].
inline constexpr double kPlantSystemVoltageV = 1500.0;

// What voltrigg-cli plant says besides faults, warnings and the summary.
enum class PlantPhrase {
  Description,
  ListsHelp,
  LayoutHelp,
  OutputHelp,
  SortHelp,
  PalletWindowHelp,
  ThreadsHelp,
  NothingWritten,
  WarningPrefix,
};
std::string PlantPhraseText(PlantPhrase phrase, Language language);
// "(the first 100 refusals)".
std::string PlantFirstRefusalsText(std::size_t count, Language language);
// An output would replace one of the inputs.
std::string PlantWouldReplaceText(const std::string& output, const std::string& input, Language language);
// An output cannot be written: the system's reason, or a folder of that name when `reason` is empty.
std::string PlantCannotWriteText(const std::string& path, const std::string& reason, Language language);
// The three files written, a line each.
std::string PlantWrittenText(const std::string& register_path, const std::string& picklist_path,
                             const std::string& plant_path, Language language);

// The page's form: a sort that is none of the three, a pallet window that is
// no whole number from 1 to 1000 (named by the option or the field's label).
std::string PlantSortFaultText(const std::string& given, Language language);
std::string PlantPalletWindowFaultText(const std::string& given, Language language, ConditionNaming naming);

// One failed check: "INV-03 input 2: MPPT minimum 455.2 V below 500 V".
std::string PlantFailedCheckText(const PlantFailedCheck& check, const PlantSummary& summary, Language language);

}  // namespace voltrigg
