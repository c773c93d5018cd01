#pragma once
#include <cstdint>

#include "calc/array_matrix.h"
#include "input/module_list.h"

namespace voltrigg {

struct PassResult {
  ArrayMatrix matrix;     // slots 1..N
  OperatingPoint point;
  OperatingPoint InitialPoint;
  std::int64_t ImprovementCount = 0;  // only ever compared with zero
};

// |vpm_in + deviation - vpm_out| in double, rounded once to float: the
// deviation the visited string would have after the move.
float DeviationAfterMove(float vpm_in, float deviation, float vpm_out);

// One pass of the arrangement search from the initial arrangement. For each
// string in turn, each position from the last to the second tries every
// module of the later strings in its place (the displaced module going to
// the first slot of the next string) when that brings the string's voltage
// closer to the mean of the strings left; a move is kept when its estimated
// Pmax reaches (AcceptTies) or beats the best of the pass so far.
//
// This is the plain reading: every candidate is built in full and judged by a
// full estimate. It is the reference the faster search is held to.
PassResult SearchPassPlain(const ModuleTable& table, int N, int S, int P, bool AcceptTies);

// The search used by runs: the same results, bit for bit.
PassResult SearchPass(const ModuleTable& table, int N, int S, int P, bool AcceptTies);

}  // namespace voltrigg
