#pragma once
// The planning run made again on the list beside a result, compared with the
// result: when it gives the result's figures and matrix bit for bit, the
// result is that list's run, and the assessment of it is the one
// voltrigg-cli --assess makes.
#include <string>

#include "output/result_reader.h"
#include "run/plan.h"

namespace voltrigg {

// How a planning run on the list compares with the result.
struct ReplanCheck {
  enum class Kind {
    Same,           // the run gives the result, bit for bit
    NoArray,        // the result holds no array to plan
    CannotPlan,     // the list cannot be planned with the result's S and P (`detail`: why)
    SimplePmaxSum,  // the first figure that differs
    Minimum,
    Initial,
    Estimated,
    Wiring,  // the matrix differs from line `line` of the result file on
  };
  Kind kind = Kind::NoArray;
  std::string detail;  // CannotPlan: the run's message
  int line = 0;        // Wiring

  bool Same() const { return kind == Kind::Same; }
};

// The first difference between `plan` (planned with the result's S and P)
// and `result`, or Same.
ReplanCheck CompareReplan(const PlanResult& plan, const ResultFileData& result);

// True when the result's S and P can be handed to a planning run.
bool ResultHasPlannableShape(const ResultFileData& result);

}  // namespace voltrigg
