#include "calc/baseline.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "calc/float_check.h"
#include "input/module_list.h"
#include "input/run_error.h"

namespace voltrigg {

namespace {

struct WorkingEntry {
  float moduleNo = 0;
  float vpm = 0;  // [V]
  float ipm = 0;  // [A]
};

std::int16_t RoundModuleNo(float module_no) {
  const float rounded = std::nearbyint(module_no);  // half to even
  if (!(rounded >= -32768.0f && rounded <= 32767.0f)) {
    char text[64];
    (void)std::snprintf(text, sizeof text, "%.9g", static_cast<double>(module_no));  // 64 bytes hold any float
    throw RunError(MakeFault(RunFaultKind::ModuleNumberOutOfRange, {}, text));
  }
  return static_cast<std::int16_t>(rounded);
}

}  // namespace

BaselineFigures ComputeBaselineFigures(const ModuleTable& table, const ArrayShape& shape,
                                       std::int16_t LastMinModuleNo) {
  CheckArrayShape(shape);
  CheckTableSlots(table.records.size(), shape);
  const int N = shape.modules;
  const int S = shape.series;
  const int P = shape.parallel;
  BaselineFigures f;
  f.LastMinModuleNo = LastMinModuleNo;
  const auto& T = table.records;
  std::vector<WorkingEntry> W(kModuleSlots + 1);
  for (int k = 1; k <= N; ++k) W[k] = WorkingEntry{T[k].moduleNo, T[k].vpm, T[k].ipm};

  constexpr const char* kMinimum = "Minimum Array";
  f.MinimumPoint.Ipm = 0;
  f.PositionMinVpm[1] = kVpmCeiling;
  for (int j = 1; j <= P; ++j) {
    f.MinimumPoint.Ipm = Checked(f.MinimumPoint.Ipm + W[j].ipm, kMinimum);
    if (W[j].vpm < f.PositionMinVpm[1]) f.PositionMinVpm[1] = W[j].vpm;
  }

  for (int i = 2; i <= S; ++i) {
    f.PositionMinVpm[i] = kVpmCeiling;
    // The range shrinks by one per position whether or not a removal happened.
    const int e = N - i + 2;
    for (int j = P + 1; j <= e; ++j) {
      if (W[j].vpm <= f.PositionMinVpm[i]) {
        f.PositionMinVpm[i] = W[j].vpm;
        f.LastMinModuleNo = RoundModuleNo(W[j].moduleNo);
      }
    }
    for (int j = P + 1; j <= e; ++j) {
      if (W[j].moduleNo == static_cast<float>(f.LastMinModuleNo)) {
        for (int m = j; m <= e - 1; ++m) W[m] = W[m + 1];
        W[e] = WorkingEntry{};
        break;
      }
    }
  }

  f.MinimumPoint.Vpm = 0;
  for (int i = 1; i <= S; ++i) f.MinimumPoint.Vpm = Checked(f.MinimumPoint.Vpm + f.PositionMinVpm[i], kMinimum);
  f.MinimumPoint.Pmax = Checked(f.MinimumPoint.Ipm * f.MinimumPoint.Vpm, kMinimum);

  f.SimplePmaxSum = 0;
  for (int k = 1; k <= N; ++k) f.SimplePmaxSum = Checked(f.SimplePmaxSum + T[k].pmax, "Simple Sum of Module Pmax");
  return f;
}

}  // namespace voltrigg
