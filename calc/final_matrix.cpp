#include "calc/final_matrix.h"

namespace voltrigg {

FinalMatrixResult ComposeFinalMatrix(const PassResult& pass1, const PassResult& pass2, const ArrayShape& shape) {
  CheckArrayShape(shape);
  CheckTableSlots(pass1.matrix.size(), shape);
  CheckTableSlots(pass2.matrix.size(), shape);
  const int N = shape.modules;
  const int S = shape.series;
  const int P = shape.parallel;
  FinalMatrixResult r;
  const PassResult& chosen = pass1.point.Pmax > pass2.point.Pmax ? pass1 : pass2;
  for (int i = 1; i <= N; ++i) r.FinalMatrix[i] = chosen.matrix[i];
  r.EstimatedPoint = chosen.point;
  for (int j = 1; j <= P; ++j) {
    for (int k = 1; k <= S; ++k) r.StringNumbers[k + S * (j - 1)] = static_cast<std::int16_t>(j);
  }
  r.MatrixHeadings = {"", "String", "Module No", "S/N", "Vpm [V]", "Ipm [A]"};
  return r;
}

}  // namespace voltrigg
