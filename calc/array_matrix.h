#pragma once
#include <cstdint>
#include <vector>

#include "calc/array_shape.h"
#include "input/module_list.h"

namespace voltrigg {

inline constexpr float kVpmCeiling = 1000.0f;  // [V]

// One position of an arrangement. The serial number is carried as the slot
// of the SerialTable that holds it, so arrangements copy no texts.
struct MatrixSlot {
  float moduleNo = 0;
  float vpm = 0;  // [V]
  float ipm = 0;  // [A]
  std::int32_t serial = 0;  // SerialTable slot; 0 is the empty text
};

// Slots 1..2001 (slot 0 unused); position i of string j is slot i + S*(j-1).
using ArrayMatrix = std::vector<MatrixSlot>;
inline ArrayMatrix EmptyMatrix() { return ArrayMatrix(kModuleSlots + 1); }

struct OperatingPoint {
  float Pmax = 0;  // [W]
  float Vpm = 0;   // [V]
  float Ipm = 0;   // [A]
};

// The array's maximum power point for an arrangement: the currents of the
// strings' first slots added up, the smallest string voltage below the
// 1000 V ceiling, and their product. `figure` names it in a float error.
OperatingPoint EstimateOperatingPoint(const ArrayMatrix& matrix, const ArrayShape& shape, const char* figure);

// Slot k holds ModuleTable slot k, for k = 1..N.
ArrayMatrix BuildInitialArrangement(const ModuleTable& table, const ArrayShape& shape);

}  // namespace voltrigg
