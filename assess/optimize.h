#pragma once
// The wiring of the same modules (the same string lengths) that maximises the
// array's maximum power point by the curves.
#include <functional>
#include <stop_token>
#include <vector>

#include "assess/array_curve.h"
#include "assess/module_curve.h"

namespace voltrigg {

// Told after each search of OptimizeWiring (the first and each shaken one)
// how many are done and how many there are; it sees no figure and changes none.
using SearchProgress = std::function<void(int done, int total)>;

// Starts from `seed`; moves are swaps of two modules between strings; the
// result is a wiring no single swap improves. Deterministic; the result's Pmp
// is never below the seed's. A stop requested through `stop` ends the search
// between two rounds with the best wiring so far. Throws std::invalid_argument
// when the seed names a module not in `curves` or a curve is not usable.
Wiring OptimizeWiring(const std::vector<ModuleCurve>& curves, const Wiring& seed, const std::stop_token& stop = {},
                      const SearchProgress& progress = {});

// The plain reference optimiser: every swap of two modules between strings in
// turn, each judged by a full maximum power point and kept when it gains,
// sweep after sweep until none gains. Slow (for tests and benchmarks).
Wiring OptimizeWiringBySwaps(const std::vector<ModuleCurve>& curves, const Wiring& seed);

}  // namespace voltrigg
