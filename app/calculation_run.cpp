#include "app/calculation_run.h"

#include <exception>
#include <filesystem>
#include <new>
#include <string>

#include "calc/array_shape.h"
#include "input/run_counts.h"
#include "input/run_error.h"
#include "output/result_file.h"

namespace voltrigg {

void RunState::ClearTables() {
  modules.Clear();
  // The pass and final figures stay; only their tables are emptied.
  for (ArrayMatrix* m : {&pass1.matrix, &pass2.matrix, &final.FinalMatrix}) m->assign(kModuleSlots + 1, MatrixSlot{});
  final.StringNumbers.assign(kModuleSlots + 1, 0);
  for (std::string& h : final.MatrixHeadings) h.clear();
}

namespace {

void Calculate(RunState& s) {
  PlanArray(s);
  const ResultFileContent content{.InputName = s.InputName,
                                  .SimplePmaxSum = s.baseline.SimplePmaxSum,
                                  .MinimumPoint = s.baseline.MinimumPoint,
                                  .InitialPoint = s.InitialPoint,
                                  .final = s.final,
                                  .table = s.modules,
                                  .N = s.ModuleCount};
  WriteResultFile(s.OutputBase, content);
}

// A result named like the module list (list "mods.csv", output "mods") would
// replace the user's measured data. The same file may hide behind another
// spelling ("./mods", a linked folder, a hard link, letter case on a file
// system that ignores it), so existing files are compared by device and inode.
void RefuseToOverwriteTheList(const std::string& input_path, const std::string& output_base) {
  namespace fs = std::filesystem;
  if (output_base.empty() || input_path.empty()) return;  // the writer and the load report these
  const std::string result_path = output_base + ".csv";
  std::error_code ec;
  if (!fs::exists(input_path, ec) || !fs::exists(result_path, ec)) return;
  if (fs::equivalent(input_path, result_path, ec) && !ec) {
    throw RunError(
        "結果ファイルがモジュールリストファイルと同じファイルです。別の出力データファイル名を入力してください: " +
        result_path);
  }
}

}  // namespace

void PlanArray(RunState& s) {
  const ArrayShape shape{s.ModuleCount, s.SeriesCount, s.ParallelCount};
  s.baseline = ComputeBaselineFigures(s.modules, shape);
  s.pass1 = SearchPass(s.modules, shape, AcceptTies::Yes);
  s.pass2 = SearchPass(s.modules, shape, AcceptTies::No);
  s.InitialPoint = s.pass2.InitialPoint;
  s.final = ComposeFinalMatrix(s.pass1, s.pass2, shape);
}

RunOutcome CalculationRun(RunState& s, RunFrontEnd& ui) {
  // Tables are empty after every earlier run; clearing again costs little and
  // keeps each run independent whatever happened before.
  s.ClearTables();
  try {
    const RunCounts counts = ReadRunCounts(ui.SeriesText(), ui.ParallelText());
    s.SeriesCount = counts.SeriesCount;
    s.ParallelCount = counts.ParallelCount;
  } catch (const RunError& e) {
    ui.Message(e.what());  // the window was never hidden
    return RunOutcome::Failed;
  }

  ui.Hide();
  std::string failure;
  try {
    s.ModuleCount = LoadModuleList(s.InputPath, s.modules);
    if (auto message = CheckRunInputs(s.ModuleCount, s.SeriesCount, s.ParallelCount)) {
      ui.Message(*message);
      ui.Show();
      s.ClearTables();
      return RunOutcome::CheckFailed;
    }
    RefuseToOverwriteTheList(s.InputPath, s.OutputBase);
    Calculate(s);
    ui.ResultWritten(s);
  } catch (const RunError& e) {
    failure = e.what();
  } catch (const std::bad_alloc&) {
    failure = "メモリが不足しています";
  } catch (const std::exception& e) {
    // Anything else the library may throw still ends the run, not the program.
    failure = std::string("予期しないエラーが発生しました: ") + e.what();
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
