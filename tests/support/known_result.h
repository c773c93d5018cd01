#pragma once
// A result file with known values and its module list, and results of
// generated lists, for the tests of the opened result and the viewer.
#include <string>

#include "support/run_support.h"

namespace voltrigg::testing {

// Two strings of three modules with round values: string 1 has Σ Vpm 90 V,
// mean Ipm 8 A and Ipm deviations 0, +6.25 %, -6.25 %; string 2 Σ Vpm 90.5 V,
// mean Ipm 8.2 A. Its list is "known.csv".
extern const char kKnownResult[];
// The same six modules as a module list with Voc and Isc.
extern const char kKnownList[];

// A completed run's result file `dir/result.csv` of a generated list `dir/list.csv`.
void MakeRunResult(const TempDir& dir, int series, int parallel, unsigned seed);

}  // namespace voltrigg::testing
