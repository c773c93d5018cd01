#pragma once
#include <cmath>
#include <cstdint>

#include "calc/array_matrix.h"
#include "calc/array_shape.h"
#include "input/module_list.h"

namespace voltrigg {

// Whether a search pass keeps a candidate whose Pmax equals the best so far
// (pass 1) or only a strictly better one (pass 2).
enum class AcceptTies { Yes, No };

struct PassResult {
  ArrayMatrix matrix;  // slots 1..N
  OperatingPoint point;
  OperatingPoint InitialPoint;
  std::int64_t ImprovementCount = 0;  // only ever compared with zero
};

// The figure named when a step of the search leaves the float range.
inline constexpr const char* kEstimatedArrayFigure = "Estimated Array";

// |vpm_in + deviation - vpm_out| in double (all in [V]), rounded once to float, unchecked:
// the deviation the visited string would have after the move. Both searches
// use this one expression so that they round alike.
inline float UncheckedDeviationAfterMove(float vpm_in, float deviation, float vpm_out) {
  const double d = std::fabs(static_cast<double>(vpm_in) + static_cast<double>(deviation) -
                             static_cast<double>(vpm_out));
  return static_cast<float>(d);
}

// The same, checked: a d beyond the float range is a float error.
float DeviationAfterMove(float vpm_in, float deviation, float vpm_out);

// One pass of the arrangement search from the initial arrangement. For each
// string in turn, each position from the last to the second tries every
// module of the later strings in its place (the displaced module going to
// the first slot of the next string) when that brings the string's voltage
// closer to the mean of the strings left; a move is kept when its estimated
// Pmax reaches (AcceptTies::Yes) or beats the best of the pass so far.
//
// This is the plain reading: every candidate is built in full and judged by a
// full estimate. It is the reference the faster search is held to.
PassResult SearchPassPlain(const ModuleTable& table, const ArrayShape& shape, AcceptTies accept_ties);

// The same pass without building the candidates: each one is judged from the
// string sums and current sums it shares with the current arrangement, every
// sum still added in slot order from the same start, and only the accepted
// move is applied. Results, and the float errors raised, are those of
// `SearchPassPlain` bit for bit.
PassResult SearchPassFast(const ModuleTable& table, const ArrayShape& shape, AcceptTies accept_ties);

// A pass's result from its final arrangement: the best point when anything
// was accepted, else the initial one, with Pmax formed again from the two.
PassResult FinishPass(ArrayMatrix matrix, const OperatingPoint& InitialPoint, const OperatingPoint& best,
                      std::int64_t ImprovementCount);

// The search used by runs: `SearchPassFast`.
PassResult SearchPass(const ModuleTable& table, const ArrayShape& shape, AcceptTies accept_ties);

}  // namespace voltrigg
