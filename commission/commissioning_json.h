#pragma once
// The commissioning file, MEASURED_BASE.commissioning.json.
#include <functional>
#include <string>
#include <vector>

#include "commission/commissioning.h"

namespace voltrigg {

// The check as JSON text (UTF-8, numbers as their shortest round-trip text,
// null for a figure of a string not measured; ends with a line end). When a
// measurement holds a further item of the record (further_items_measured),
// and only then, the file also has: conditions.insulation_min_mohm; in every
// string, after isc_deviation_pct, polarity ("ok", "reversed" or null),
// insulation_pos_mohm, insulation_neg_mohm, insulation_test_v,
// earth_continuity_ohm (null where not measured) and test_items (each
// TestItemName with its ItemStatusName); after strings_not_measured,
// system_voltage_v, insulation_test_required_v and test_items (each
// TestItemName with strings_made, strings_failed, strings_not_made). A check
// of Voc and Isc alone gives the file it always gave.
// `result_file` and `modules_file` are the paths as given (bytes; decoded as
// Shift-JIS when not UTF-8); `modules` is the list the wiring indexes.
// `finding_text` words each finding's "text" (the front ends give the text
// catalogue's Japanese, app/shared/measurement_texts.h: CommissioningJsonText).
using FindingWording = std::function<std::string(const Finding& finding)>;
std::string FormatCommissioningJson(const Commissioning& check, const std::vector<ModuleData>& modules,
                                    const std::string& result_file, const std::string& modules_file,
                                    const FindingWording& finding_text);

// The same of a plan of named strings (CheckNamedCommissioning): in place of
// result_file and modules_file, "plant_file" and "modules_files" (the lists,
// as given); each string's "string" is its name and its "modules" its
// modules' serials; strings_failed, strings_not_measured and the test items'
// lists hold names. The rest as above, key for key.
std::string FormatNamedCommissioningJson(const Commissioning& check, const std::vector<ModuleData>& modules,
                                         const std::string& plant_file, const std::vector<std::string>& modules_files,
                                         const FindingWording& finding_text);

}  // namespace voltrigg
