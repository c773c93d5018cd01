#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "calc/array_matrix.h"
#include "calc/array_shape.h"
#include "calc/search.h"

namespace voltrigg {

struct FinalMatrixResult {
  ArrayMatrix FinalMatrix = EmptyMatrix();
  OperatingPoint EstimatedPoint;
  std::vector<std::int16_t> StringNumbers = std::vector<std::int16_t>(kModuleSlots + 1);
  std::array<std::string, 6> MatrixHeadings;  // 1..5
};

// Keeps pass 1 only when its Pmax is strictly greater (ties keep pass 2),
// copies its arrangement and figures, numbers every slot with its string and
// sets the matrix column headings.
FinalMatrixResult ComposeFinalMatrix(const PassResult& pass1, const PassResult& pass2, const ArrayShape& shape);

}  // namespace voltrigg
