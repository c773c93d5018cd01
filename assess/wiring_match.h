#pragma once
// Finding the rows of an arrangement, as a result file or a run's tables show
// them, among the modules of the list.
#include <optional>
#include <string>
#include <vector>

#include "assess/array_curve.h"
#include "assess/module_curve.h"

namespace voltrigg {

// One row of an arrangement: the module's number, serial number, Vpm and Ipm.
struct WiringRow {
  double number = 0;
  std::string serial;
  double vpm_v = 0;
  double ipm_a = 0;
};

// The wiring of `rows` (strings of rows) in `modules`: for each row the first
// unused module with the same number, serial number, Vpm and Ipm, else the
// first unused one with the same number and serial. Nothing, with `problem`
// naming the first row that has no module of its own, when one is missing.
std::optional<Wiring> MatchWiring(const std::vector<ModuleData>& modules,
                                  const std::vector<std::vector<WiringRow>>& rows, std::string* problem = nullptr);

}  // namespace voltrigg
