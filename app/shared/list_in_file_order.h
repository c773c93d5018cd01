#pragma once
// The module list as the assessment reads it: every row in the file's order
// (the planning load sorts them), and the modules with their curves' points.
#include <istream>
#include <string>
#include <vector>

#include "assess/module_curve.h"
#include "input/module_list.h"

namespace voltrigg {

// One module of the module list as read.
struct ListModule {
  ModuleRecord record;
  std::string serial;  // bytes as read
};

// The modules of the list at `path` in file order. The list is expected to
// have loaded without complaint (LoadModuleList); a list that cannot be opened,
// ends inside a row or holds more rows than a run can load throws RunError.
std::vector<ListModule> ReadListInFileOrder(const std::string& path);

// The same from an open stream; `where` names the source in messages.
std::vector<ListModule> ReadListInFileOrder(std::istream& in, const std::string& where);

// The list's modules for the curves: Voc from column 6 and Isc from column 7,
// or the other way round with `isc_first`.
std::vector<ModuleData> ModulesForAssessment(const std::vector<ListModule>& list, bool isc_first);

}  // namespace voltrigg
