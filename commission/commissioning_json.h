#pragma once
// The commissioning file, MEASURED_BASE.commissioning.json.
#include <string>

#include "commission/commissioning.h"

namespace voltrigg {

// The check as JSON text (UTF-8, numbers as their shortest round-trip text,
// null for a figure of a string not measured; ends with a line end).
// `result_file` and `modules_file` are the paths as given (bytes; decoded as
// Shift-JIS when not UTF-8); `modules` is the list the wiring indexes.
std::string FormatCommissioningJson(const Commissioning& check, const std::vector<ModuleData>& modules,
                                    const std::string& result_file, const std::string& modules_file);

}  // namespace voltrigg
