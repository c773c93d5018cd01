#pragma once
#include <array>
#include <cstdint>

#include "calc/array_matrix.h"
#include "calc/array_shape.h"
#include "input/module_list.h"

namespace voltrigg {

struct BaselineFigures {
  float SimplePmaxSum = 0;  // [W]
  OperatingPoint MinimumPoint;
  std::array<float, kSeriesPositions + 1> PositionMinVpm{};  // [V], positions 1..20
  std::int16_t LastMinModuleNo = 0;
};

// The simple sum of the module Pmax values and the worst-case "Minimum"
// point: the P lowest currents added up, the lowest voltage among those
// modules for position 1 and, for each further position, the lowest voltage
// left among the other modules, each taken module removed by its number.
// `LastMinModuleNo` is the run's starting value (0 at the start of a run).
BaselineFigures ComputeBaselineFigures(const ModuleTable& table, const ArrayShape& shape,
                                       std::int16_t LastMinModuleNo = 0);

}  // namespace voltrigg
