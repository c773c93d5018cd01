#pragma once
// What voltrigg-cli prints after a completed planning run.
#include <string>

#include "run/plan.h"

namespace voltrigg {

// The completion message, the counts, the figures and the result's path.
std::string CompletionReport(const PlanResult& plan, const std::string& written_path);

}  // namespace voltrigg
