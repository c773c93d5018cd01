#include "run/batch_run.h"

#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "input/run_counts.h"
#include "input/run_error.h"
#include "output/result_file.h"

namespace voltrigg {

std::string AssessmentPathOf(const std::string& output_base) { return output_base + ".assessment.json"; }

bool RemoveAssessmentBeside(const std::string& output_base) {
  namespace fs = std::filesystem;
  const std::string path = AssessmentPathOf(output_base);
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(path, ec);
  if (ec || !fs::exists(status)) return true;
  if (fs::is_directory(status)) return true;  // no assessment; writing one there fails later, with its message
  fs::remove(path, ec);
  return !fs::exists(fs::symlink_status(path, ec));
}

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

BatchRun RunBatch(const BatchRequest& request) {
  BatchRun run;
  try {
    const RunCounts counts = ReadRunCounts(request.series_text, request.parallel_text);
    run.plan = Plan(PlanRequest{
        .list_path = request.list_path, .input_name = request.input_name, .counts = counts, .extras = request.extras});
    if (run.plan->failed_check) {
      run.outcome = RunOutcome::CheckFailed;
      run.message = *run.plan->failed_check;
      return run;
    }
    RefuseToOverwriteTheList(request.list_path, request.output_base);
    // The new result is on disk under its temporary name before the old
    // assessment goes, so a result that cannot be written costs nothing.
    WriteResultFile(request.output_base, ResultContentOf(*run.plan), {}, [&] {
      if (!RemoveAssessmentBeside(request.output_base)) {
        throw RunError(
            "an assessment file of an earlier run could not be removed, so the result file is not replaced: " +
            AssessmentPathOf(request.output_base));
      }
    });
  } catch (const std::exception& e) {
    run.outcome = RunOutcome::Failed;
    run.message = FailureMessage(e);
    return run;
  }
  run.outcome = RunOutcome::Completed;
  run.result_path = request.output_base + ".csv";
  return run;
}

}  // namespace voltrigg
