// Fuzz target: the fast arrangement search against the plain one.
//
// Input as for whole_run: the series text, a line feed, the parallel text, a
// line feed, then a module list. When the list loads and the counts pass the
// run checks, both searches run each pass on it and must agree bit for bit:
// the same arrangement, the same figures, or the same float error.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "calc/search.h"
#include "input/module_list.h"
#include "input/run_counts.h"
#include "input/run_error.h"
#include "fuzz/fuzz_support.h"

using voltrigg::fuzz::NextLine;
using voltrigg::fuzz::Require;

namespace {

bool Same(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

bool Same(const voltrigg::OperatingPoint& a, const voltrigg::OperatingPoint& b) {
  return Same(a.Pmax, b.Pmax) && Same(a.Vpm, b.Vpm) && Same(a.Ipm, b.Ipm);
}

struct Outcome {
  std::optional<voltrigg::PassResult> result;
  std::string error;
};

template <typename Search>
Outcome Try(Search search, const voltrigg::ModuleTable& t, const voltrigg::ArrayShape& shape,
            voltrigg::AcceptTies ties) {
  try {
    return {search(t, shape, ties), {}};
  } catch (const voltrigg::RunError& e) {
    return {std::nullopt, e.what()};
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  const std::string_view series = NextLine(rest);
  const std::string_view parallel = NextLine(rest);
  voltrigg::ModuleTable table;
  voltrigg::RunCounts counts;
  std::int16_t n = 0;
  try {
    counts = voltrigg::ReadRunCounts(series, parallel);
    std::istringstream in{std::string(rest)};
    n = voltrigg::LoadModuleList(in, "fuzz.csv", table);
    if (voltrigg::CheckRunInputs(n, counts.SeriesCount, counts.ParallelCount)) return 0;
  } catch (const voltrigg::RunError&) {
    return 0;
  }
  if (n > 240) return 0;  // keeps each input fast; the search grows with the cube of N
  const voltrigg::ArrayShape shape{n, counts.SeriesCount, counts.ParallelCount};
  for (const voltrigg::AcceptTies ties : {voltrigg::AcceptTies::Yes, voltrigg::AcceptTies::No}) {
    const Outcome plain = Try(voltrigg::SearchPassPlain, table, shape, ties);
    const Outcome fast = Try(voltrigg::SearchPassFast, table, shape, ties);
    Require(plain.error == fast.error);
    Require(plain.result.has_value() == fast.result.has_value());
    if (!plain.result) continue;
    const voltrigg::PassResult& a = *plain.result;
    const voltrigg::PassResult& b = *fast.result;
    Require(Same(a.point, b.point) && Same(a.InitialPoint, b.InitialPoint));
    Require((a.ImprovementCount != 0) == (b.ImprovementCount != 0));
    for (int k = 1; k <= n; ++k) {
      const voltrigg::MatrixSlot& x = a.matrix[static_cast<std::size_t>(k)];
      const voltrigg::MatrixSlot& y = b.matrix[static_cast<std::size_t>(k)];
      Require(Same(x.moduleNo, y.moduleNo) && Same(x.vpm, y.vpm) && Same(x.ipm, y.ipm) && x.serial == y.serial);
    }
  }
  return 0;
}
