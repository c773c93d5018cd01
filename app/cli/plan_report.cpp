#include "app/cli/plan_report.h"

#include "input/number_text.h"
#include "run/calculation_run.h"

namespace voltrigg {

namespace {
std::string PointText(const OperatingPoint& p) {
  return "Pmax " + FormatFloat(p.Pmax) + " W, Vpm " + FormatFloat(p.Vpm) + " V, Ipm " + FormatFloat(p.Ipm) + " A\n";
}
}  // namespace

std::string CompletionReport(const PlanResult& plan, const std::string& written_path) {
  std::string out = std::string(kCompletionMessage) + "\n";
  out += "Modules:   " + std::to_string(plan.ModuleCount) + " (" + std::to_string(plan.counts.ParallelCount) +
         " strings of " + std::to_string(plan.counts.SeriesCount) + ")\n";
  out += "Simple Sum of Module Pmax: " + FormatFloat(plan.baseline.SimplePmaxSum) + " W\n";
  out += "Minimum:   " + PointText(plan.baseline.MinimumPoint);
  out += "Initial:   " + PointText(plan.InitialPoint);
  out += "Estimated: " + PointText(plan.final.EstimatedPoint);
  out += "Result file: " + written_path + "\n";
  return out;
}

}  // namespace voltrigg
