#include "app/batch_front_end.h"

#include "output/result_file.h"

namespace voltrigg {

int ExitStatus(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Completed:
      return 0;
    case RunOutcome::CheckFailed:
      return 1;
    case RunOutcome::Failed:
      break;
  }
  return 2;
}

namespace {
std::string PointText(const OperatingPoint& p) {
  return "Pmax " + FormatFloat(p.Pmax) + " W, Vpm " + FormatFloat(p.Vpm) + " V, Ipm " + FormatFloat(p.Ipm) + " A\n";
}
}  // namespace

std::string CompletionReport(const RunState& s, const std::string& written_path) {
  std::string out = std::string(kCompletionMessage) + "\n";
  out += "Modules:   " + std::to_string(s.ModuleCount) + " (" + std::to_string(s.ParallelCount) + " strings of " +
         std::to_string(s.SeriesCount) + ")\n";
  out += "Simple Sum of Module Pmax: " + FormatFloat(s.baseline.SimplePmaxSum) + " W\n";
  out += "Minimum:   " + PointText(s.baseline.MinimumPoint);
  out += "Initial:   " + PointText(s.InitialPoint);
  out += "Estimated: " + PointText(s.final.EstimatedPoint);
  out += "Result file: " + written_path + "\n";
  return out;
}

}  // namespace voltrigg
