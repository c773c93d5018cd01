#pragma once
// A result file's array with its modules' curves, for voltrigg-cli
// commission: the opened result (opened_result.h) seen as the check needs it,
// with what stands in its way in voltrigg-cli's English.
#include <string>
#include <vector>

#include "app/shared/opened_result.h"
#include "assess/array_curve.h"
#include "output/result_reader.h"

namespace voltrigg {

struct PlannedArray {
  ResultFileData result;
  std::string list_path;
  std::vector<ModuleData> modules;  // the list's modules in file order
  std::vector<ModuleCurve> curves;  // parallel to modules
  Wiring wiring;                    // wiring[j]: string j + 1 of the result, series order
};

// Opens the result at `result_path` (ResultFileError) with its list:
// `modules_path` when not empty, else the one beside the result. Throws
// RunError (English, naming the file, the module or the row) when the list
// cannot be found or read, does not hold exactly the result's modules
// (number, serial number, Vpm and Ipm), or a module has no curve.
PlannedArray LoadPlannedArray(const std::string& result_path, const std::string& modules_path, bool isc_first);

// The same of a result already opened.
PlannedArray PlannedArrayOf(OpenedResult opened);

}  // namespace voltrigg
