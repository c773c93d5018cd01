#include "run/calculation_run.h"

#include <exception>
#include <new>
#include <string>
#include <utility>

#include "input/run_counts.h"
#include "input/run_error.h"
#include "output/result_file.h"
#include "run/plan.h"

namespace voltrigg {

void RunState::ClearTables() {
  modules.Clear();
  // The pass and final figures stay; only their tables are emptied.
  for (ArrayMatrix* m : {&pass1.matrix, &pass2.matrix, &final.FinalMatrix}) m->assign(kModuleSlots + 1, MatrixSlot{});
  final.StringNumbers.assign(kModuleSlots + 1, 0);
  for (std::string& h : final.MatrixHeadings) h.clear();
}

namespace {

// The planned tables and figures become the run's state, as the window holds it.
void TakePlan(RunState& s, PlanResult&& plan) {
  s.modules = std::move(plan.modules);
  s.baseline = plan.baseline;
  s.InitialPoint = plan.InitialPoint;
  s.pass1 = std::move(plan.pass1);
  s.pass2 = std::move(plan.pass2);
  s.final = std::move(plan.final);
}

}  // namespace

std::string FailureMessage(const std::exception& error) {
  if (dynamic_cast<const RunError*>(&error) != nullptr) return error.what();
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) return "メモリが不足しています";
  // Anything else the library may throw still ends the run, not the program.
  return std::string("予期しないエラーが発生しました: ") + error.what();
}

RunOutcome CalculationRun(RunState& s, RunFrontEnd& ui) {
  // Tables are empty after every earlier run; clearing again costs little and
  // keeps each run independent whatever happened before.
  s.ClearTables();
  RunCounts counts;
  try {
    counts = ReadRunCounts(ui.SeriesText(), ui.ParallelText());
    s.SeriesCount = counts.SeriesCount;
    s.ParallelCount = counts.ParallelCount;
  } catch (const RunError& e) {
    ui.Message(e.what());  // the window was never hidden
    return RunOutcome::Failed;
  }

  ui.Hide();
  std::string failure;
  try {
    PlanResult plan = Plan(PlanRequest{.list_path = s.InputPath, .input_name = s.InputName, .counts = counts});
    s.ModuleCount = plan.ModuleCount;
    if (plan.failed_check) {
      ui.Message(*plan.failed_check);
      ui.Show();
      s.ClearTables();
      return RunOutcome::CheckFailed;
    }
    RefuseToOverwriteTheList(s.InputPath, s.OutputBase);
    TakePlan(s, std::move(plan));
    WriteResultFile(s.OutputBase, ResultFileContent{.InputName = s.InputName,
                                                    .SimplePmaxSum = s.baseline.SimplePmaxSum,
                                                    .MinimumPoint = s.baseline.MinimumPoint,
                                                    .InitialPoint = s.InitialPoint,
                                                    .final = s.final,
                                                    .table = s.modules,
                                                    .N = s.ModuleCount});
  } catch (const std::exception& e) {
    failure = FailureMessage(e);
  }
  if (!failure.empty()) {
    ui.Message(failure);
    ui.Show();
    s.ClearTables();
    return RunOutcome::Failed;
  }

  s.InputPath.clear();
  s.OutputBase.clear();
  s.ClearTables();
  ui.Message(kCompletionMessage);
  ui.RefreshFileList();
  ui.Show();
  return RunOutcome::Completed;
}

}  // namespace voltrigg
