#pragma once
// A result file's array with its modules' curves, for the commissioning
// check: the result read back, its module list found beside it (as the
// viewer finds it) or named, checked to hold exactly the result's modules,
// and every module's curve fitted.
#include <string>
#include <vector>

#include "assess/array_curve.h"
#include "output/result_reader.h"

namespace voltrigg {

// The module list a result names: its file name (line 1) in the result's
// folder. Only the last part of the name counts, so a result cannot point
// elsewhere; empty when the name has no last part.
std::string ListBesideResult(const std::string& result_path, const std::string& input_name);

struct PlannedArray {
  ResultFileData result;
  std::string list_path;
  std::vector<ModuleData> modules;  // the list's modules in file order
  std::vector<ModuleCurve> curves;  // parallel to modules
  Wiring wiring;                    // wiring[j]: string j + 1 of the result, series order
};

// Reads the result at `result_path` (ResultFileError), then the list:
// `modules_path` when not empty, else the one beside the result. Throws
// RunError (English, naming the file, the module or the row) when the list
// cannot be found or read, does not hold exactly the result's modules
// (number, serial number, Vpm and Ipm), or a module has no curve.
PlannedArray LoadPlannedArray(const std::string& result_path, const std::string& modules_path, bool isc_first);

}  // namespace voltrigg
