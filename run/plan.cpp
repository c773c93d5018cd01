#include "run/plan.h"

#include "calc/array_shape.h"
#include "input/run_error.h"
#include "output/same_file.h"

namespace voltrigg {

PlanResult Plan(const PlanRequest& request) {
  PlanResult plan;
  plan.input_name = request.input_name;
  plan.counts = request.counts;
  plan.ModuleCount = LoadModuleList(request.list_path, plan.modules, &plan.rows);
  plan.warnings = ListWarnings(plan.rows, request.extras);
  plan.failed = CheckRunInputs(plan.ModuleCount, plan.counts.SeriesCount, plan.counts.ParallelCount);
  if (plan.failed) {
    plan.failed_check = WordRunFault(MakeFault(RunFaultKind::CountCheckFailed, static_cast<int>(*plan.failed),
                                               plan.ModuleCount, plan.counts.SeriesCount, plan.counts.ParallelCount));
    return plan;
  }

  const ArrayShape shape{plan.ModuleCount, plan.counts.SeriesCount, plan.counts.ParallelCount};
  plan.baseline = ComputeBaselineFigures(plan.modules, shape);
  plan.pass1 = SearchPass(plan.modules, shape, AcceptTies::Yes);
  plan.pass2 = SearchPass(plan.modules, shape, AcceptTies::No);
  plan.InitialPoint = plan.pass2.InitialPoint;
  plan.final = ComposeFinalMatrix(plan.pass1, plan.pass2, shape);
  return plan;
}

bool BeyondAPlanningRun(const PlanResult& plan) {
  return plan.failed_check && (plan.counts.SeriesCount > 20 || plan.ModuleCount > 1000);
}

ResultFileContent ResultContentOf(const PlanResult& plan) {
  return ResultFileContent{.InputName = plan.input_name,
                           .SimplePmaxSum = plan.baseline.SimplePmaxSum,
                           .MinimumPoint = plan.baseline.MinimumPoint,
                           .InitialPoint = plan.InitialPoint,
                           .final = plan.final,
                           .table = plan.modules,
                           .N = plan.ModuleCount};
}

// A result named like the module list (list "mods.csv", output "mods") would
// replace the user's measured data. The same file may hide behind another
// spelling ("./mods", a linked folder, a hard link, letter case on a file
// system that ignores it), so existing files are compared by device and inode.
void RefuseToOverwriteTheList(const std::string& list_path, const std::string& output_base) {
  if (output_base.empty() || list_path.empty()) return;  // the writer and the load report these
  const std::string result_path = output_base + ".csv";
  if (SameExistingFile(list_path, result_path)) {
    throw RunError(MakeFault(RunFaultKind::ResultIsTheList, result_path));
  }
}

}  // namespace voltrigg
