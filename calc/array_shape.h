#pragma once
#include <cstddef>

#include "input/module_list.h"

namespace voltrigg {

// Series positions the baseline figures keep a voltage for (positions 1..20).
inline constexpr int kSeriesPositions = 20;

// The shape of the array being planned: `parallel` strings of `series`
// modules, `modules` modules in all (N, S and P).
struct ArrayShape {
  int modules = 0;   // N
  int series = 0;    // S, modules per string
  int parallel = 0;  // P, strings
};

// The one check of what the tables hold, made by every calculation entry
// point: `modules` equals series x parallel and lies in 0..kModuleSlots,
// `series` is at most kSeriesPositions and `parallel` at most kModuleSlots.
// Counts below one pass when the product holds (the loops over them are
// empty). Throws RunError naming the shape otherwise.
void CheckArrayShape(const ArrayShape& shape);

// Throws RunError unless a table of `slots` entries (slot 0 included) holds
// every slot the shape visits, 1..modules.
void CheckTableSlots(std::size_t slots, const ArrayShape& shape);

}  // namespace voltrigg
