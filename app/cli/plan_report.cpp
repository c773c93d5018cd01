#include "app/cli/plan_report.h"

namespace voltrigg {

std::string CompletionReport(const PlanResult& plan, const std::string& written_path, Language language) {
  CompletionFigures f;
  f.modules = plan.ModuleCount;
  f.series = plan.counts.SeriesCount;
  f.parallel = plan.counts.ParallelCount;
  f.simple_pmax_sum_w = plan.baseline.SimplePmaxSum;
  const auto point = [](const OperatingPoint& p, float(&into)[3]) {
    into[0] = p.Pmax;
    into[1] = p.Vpm;
    into[2] = p.Ipm;
  };
  point(plan.baseline.MinimumPoint, f.minimum);
  point(plan.InitialPoint, f.initial);
  point(plan.final.EstimatedPoint, f.estimated);
  return CompletionReportText(f, written_path, language);
}

}  // namespace voltrigg
