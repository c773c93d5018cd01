#pragma once
// The viewer's replanning: the planning run made again on the list beside a
// result, so that the viewer assesses exactly what voltrigg-cli --assess
// assesses for the same run.
#include <memory>
#include <string>

#include "output/result_reader.h"
#include "run/plan.h"

namespace voltrigg {

// The planning run made again on the list at `list_path` with the result's
// S and P, without writing anything. Set when it gives the result's figures
// and matrix, bit for bit; `mismatch` says what differs otherwise.
struct Replan {
  std::unique_ptr<PlanResult> plan;  // the run, when it reproduces the result
  std::string mismatch;              // else why not (Japanese, for the viewer)
};

Replan ReplanResult(const ResultFileData& result, const std::string& list_path);

}  // namespace voltrigg
