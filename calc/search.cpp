#include "calc/search.h"

#include <algorithm>

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

PassResult SearchPassPlain(const ModuleTable& table, int N, int S, int P, bool AcceptTies) {
  std::int64_t ImprovementCount = 0;
  ArrayMatrix current = BuildInitialArrangement(table, N);
  const OperatingPoint InitialPoint = EstimateOperatingPoint(current, N, S, P, "Initial Array");
  ArrayMatrix best = current;
  ArrayMatrix candidate = EmptyMatrix();
  OperatingPoint best_point = InitialPoint;

  for (int j = 1; j <= P; ++j) {
    float sum = 0;
    for (int k = S * (j - 1) + 1; k <= N; ++k) sum = Checked(sum + current[k].vpm, kEstimated);
    const float MeanRemainingVpm = Checked(sum / static_cast<float>(P - j + 1), kEstimated);

    for (int k1 = S * j; k1 >= S * (j - 1) + 2; --k1) {
      float string_vpm = 0;
      for (int k = S * (j - 1) + 1; k <= S * j; ++k) string_vpm = Checked(string_vpm + current[k].vpm, kEstimated);
      const float deviation = Checked(string_vpm - MeanRemainingVpm, kEstimated);

      for (int k2 = S * j + 1; k2 <= N; ++k2) {
        const float d = DeviationAfterMove(current[k2].vpm, deviation, current[k1].vpm);
        if (!(d < deviation)) continue;

        CopySlots(current, candidate, N);
        const MatrixSlot saved = candidate[k1];
        candidate[k1] = candidate[k2];
        for (int m = k2; m >= S * j + 2; --m) candidate[m] = candidate[m - 1];
        candidate[S * j + 1] = saved;

        const OperatingPoint point = EstimateOperatingPoint(candidate, N, S, P, kEstimated);
        const bool accept = AcceptTies ? point.Pmax >= best_point.Pmax : point.Pmax > best_point.Pmax;
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

PassResult SearchPass(const ModuleTable& table, int N, int S, int P, bool AcceptTies) {
  return SearchPassFast(table, N, S, P, AcceptTies);
}

}  // namespace voltrigg
