#include "calc/search.h"

#include <algorithm>
#include <utility>

#include "calc/float_check.h"

namespace voltrigg {

namespace {
constexpr const char* kEstimated = kEstimatedArrayFigure;

void CopySlots(const ArrayMatrix& from, ArrayMatrix& to, int N) {
  if (N >= 1) std::copy(from.begin() + 1, from.begin() + N + 1, to.begin() + 1);
}
}  // namespace

float DeviationAfterMove(float vpm_in, float deviation, float vpm_out) {
  return Checked(UncheckedDeviationAfterMove(vpm_in, deviation, vpm_out), kEstimated);
}

PassResult SearchPassPlain(const ModuleTable& table, const ArrayShape& shape, AcceptTies accept_ties) {
  CheckArrayShape(shape);
  CheckTableSlots(table.records.size(), shape);
  const int N = shape.modules;
  const int S = shape.series;
  const int P = shape.parallel;
  std::int64_t ImprovementCount = 0;
  ArrayMatrix current = BuildInitialArrangement(table, shape);
  const OperatingPoint InitialPoint = EstimateOperatingPoint(current, shape, "Initial Array");
  ArrayMatrix best = current;
  ArrayMatrix candidate = EmptyMatrix();
  OperatingPoint best_point = InitialPoint;

  for (int j = 1; j <= P; ++j) {
    float remaining_vpm_v = 0;
    for (int k = S * (j - 1) + 1; k <= N; ++k) remaining_vpm_v = Checked(remaining_vpm_v + current[k].vpm, kEstimated);
    const float MeanRemainingVpm = Checked(remaining_vpm_v / static_cast<float>(P - j + 1), kEstimated);

    for (int k1 = S * j; k1 >= S * (j - 1) + 2; --k1) {
      float string_vpm_v = 0;
      for (int k = S * (j - 1) + 1; k <= S * j; ++k) string_vpm_v = Checked(string_vpm_v + current[k].vpm, kEstimated);
      const float StringDeviation = Checked(string_vpm_v - MeanRemainingVpm, kEstimated);

      for (int k2 = S * j + 1; k2 <= N; ++k2) {
        const float d = DeviationAfterMove(current[k2].vpm, StringDeviation, current[k1].vpm);
        if (!(d < StringDeviation)) continue;

        CopySlots(current, candidate, N);
        const MatrixSlot saved = candidate[k1];
        candidate[k1] = candidate[k2];
        for (int m = k2; m >= S * j + 2; --m) candidate[m] = candidate[m - 1];
        candidate[S * j + 1] = saved;

        const OperatingPoint point = EstimateOperatingPoint(candidate, shape, kEstimated);
        const bool accept =
            accept_ties == AcceptTies::Yes ? point.Pmax >= best_point.Pmax : point.Pmax > best_point.Pmax;
        if (accept) {
          ++ImprovementCount;
          best_point = point;
          CopySlots(candidate, best, N);
        }
      }
      CopySlots(best, current, N);
    }
  }

  return FinishPass(std::move(current), InitialPoint, best_point, ImprovementCount);
}

PassResult FinishPass(ArrayMatrix matrix, const OperatingPoint& InitialPoint, const OperatingPoint& best,
                      std::int64_t ImprovementCount) {
  PassResult result;
  result.matrix = std::move(matrix);
  result.InitialPoint = InitialPoint;
  result.ImprovementCount = ImprovementCount;
  const OperatingPoint& source = ImprovementCount != 0 ? best : InitialPoint;
  result.point.Ipm = source.Ipm;
  result.point.Vpm = source.Vpm;
  result.point.Pmax = Checked(source.Ipm * source.Vpm, kEstimated);
  return result;
}

PassResult SearchPass(const ModuleTable& table, const ArrayShape& shape, AcceptTies accept_ties) {
  return SearchPassFast(table, shape, accept_ties);
}

}  // namespace voltrigg
