#pragma once
// The assessment's input from a planning run: both front ends assess exactly
// what the run planned, the CLI from the run it has just made, the viewer
// from the same run made again on the list beside the result.
#include <memory>
#include <string>
#include <vector>

#include "app/run_state.h"
#include "assess/assessment.h"
#include "output/result_reader.h"

namespace voltrigg {

// The assessment's input from a run's state, before the end-of-run clearing.
// `modules` are the list's modules in file order. Throws RunError when the
// run's counts do not describe an array or a module of the run's tables is
// not among `modules`.
AssessmentInput AssessmentInputFromRun(const RunState& state, std::vector<ModuleData> modules,
                                       const AssessConditions& conditions);

// The planning run made again on the list at `list_path` with the result's
// S and P, without writing anything. Set when it gives the result's figures
// and matrix, bit for bit; `mismatch` says what differs otherwise.
struct Replan {
  std::unique_ptr<RunState> state;  // the run's tables, when it reproduces the result
  std::string mismatch;             // else why not (Japanese, for the viewer)
};

Replan ReplanResult(const ResultFileData& result, const std::string& list_path);

}  // namespace voltrigg
