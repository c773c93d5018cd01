#include "calc/array_matrix.h"

#include "calc/float_check.h"

namespace voltrigg {

OperatingPoint EstimateOperatingPoint(const ArrayMatrix& matrix, const ArrayShape& shape, const char* figure) {
  CheckArrayShape(shape);
  CheckTableSlots(matrix.size(), shape);
  const int N = shape.modules;
  const int S = shape.series;
  const int P = shape.parallel;
  OperatingPoint point;
  float ipm_a = 0;
  // With S < 1 the first slots do not advance; such a shape holds no module
  // in a string, so nothing is visited.
  if (S >= 1) {
    for (int k = 1; k <= N; k += S) ipm_a = Checked(ipm_a + matrix[k].ipm, figure);
  }
  float min_vpm_v = kVpmCeiling;
  for (int j = 1; j <= P; ++j) {
    float string_vpm_v = 0;
    for (int k = S * (j - 1) + 1; k <= S * j; ++k) string_vpm_v = Checked(string_vpm_v + matrix[k].vpm, figure);
    if (string_vpm_v < min_vpm_v) min_vpm_v = string_vpm_v;
  }
  point.Ipm = ipm_a;
  point.Vpm = min_vpm_v;
  point.Pmax = Checked(ipm_a * min_vpm_v, figure);
  return point;
}

ArrayMatrix BuildInitialArrangement(const ModuleTable& table, const ArrayShape& shape) {
  CheckArrayShape(shape);
  CheckTableSlots(table.records.size(), shape);
  ArrayMatrix matrix = EmptyMatrix();
  for (int k = 1; k <= shape.modules; ++k) {
    const ModuleRecord& r = table.records[k];
    matrix[k] = MatrixSlot{r.moduleNo, r.vpm, r.ipm, k};
  }
  return matrix;
}

}  // namespace voltrigg
