#pragma once
// One planning run without a window, as voltrigg-cli and the page make it:
// the counts from their texts, the plan, the result file. An assessment file
// left beside the result by an earlier run goes before the result is
// replaced, so that the folder never holds a result beside the assessment
// of another run.
#include <optional>
#include <string>

#include "input/list_warnings.h"
#include "run/calculation_run.h"
#include "run/plan.h"

namespace voltrigg {

struct BatchRequest {
  std::string list_path;
  std::string input_name;  // the result's first line
  std::string series_text;
  std::string parallel_text;
  std::string output_base;             // the result is output_base + ".csv"
  ExtrasUse extras = ExtrasUse::None;  // for the list's warnings
};

struct BatchRun {
  RunOutcome outcome = RunOutcome::Failed;
  std::string message;             // CheckFailed, Failed: the run's message
  std::optional<PlanResult> plan;  // once the list is read: its rows and warnings, and the figures when planned
  std::string result_path;         // Completed: the file written
};

// Never throws for bad input: a failure is the outcome with its message.
BatchRun RunBatch(const BatchRequest& request);

// The exit status of a batch run: 0 completed, 1 a count check failed, 2 bad
// input or a file error.
int ExitStatus(RunOutcome outcome);

// BASE.assessment.json, the physical assessment beside the result BASE.csv.
std::string AssessmentPathOf(const std::string& output_base);

// Removes the assessment file beside `output_base`.csv. True when no file of
// that name is left; a folder of that name is no assessment and stays.
bool RemoveAssessmentBeside(const std::string& output_base);

}  // namespace voltrigg
