#include "calc/array_matrix.h"

#include "calc/float_check.h"

namespace voltrigg {

OperatingPoint EstimateOperatingPoint(const ArrayMatrix& m, int N, int S, int P, const char* figure) {
  OperatingPoint point;
  float ipm = 0;
  // With S < 1 the first slots do not advance; no count that passes the
  // checks gives such an S together with modules, so nothing is visited.
  if (S >= 1) {
    for (int k = 1; k <= N; k += S) ipm = Checked(ipm + m[k].ipm, figure);
  }
  float min_vpm = kVpmCeiling;
  for (int j = 1; j <= P; ++j) {
    float string_vpm = 0;
    for (int k = S * (j - 1) + 1; k <= S * j; ++k) string_vpm = Checked(string_vpm + m[k].vpm, figure);
    if (string_vpm < min_vpm) min_vpm = string_vpm;
  }
  point.Ipm = ipm;
  point.Vpm = min_vpm;
  point.Pmax = Checked(ipm * min_vpm, figure);
  return point;
}

ArrayMatrix BuildInitialArrangement(const ModuleTable& table, int N) {
  ArrayMatrix m = EmptyMatrix();
  for (int k = 1; k <= N; ++k) {
    const ModuleRecord& r = table.records[k];
    m[k] = MatrixSlot{r.moduleNo, r.vpm, r.ipm, k};
  }
  return m;
}

}  // namespace voltrigg
