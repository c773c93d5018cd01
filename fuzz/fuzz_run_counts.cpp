// Fuzz target: the count texts' conversion and the checks.
//
// Input: the series text, a line feed, the parallel text, a line feed, and a
// module count in decimal (the load's result, -1 to 2001).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "input/run_counts.h"
#include "input/run_error.h"
#include "fuzz/fuzz_support.h"

using voltrigg::fuzz::NextLine;
using voltrigg::fuzz::Require;

namespace {

// A plain whole number with blanks around it, as most users type it.
bool PlainInteger(std::string_view t, long& value) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
  if (t.empty() || t.size() > 12) return false;
  std::size_t i = (t[0] == '-' || t[0] == '+') ? 1 : 0;
  if (i == t.size()) return false;
  for (std::size_t j = i; j < t.size(); ++j) {
    if (t[j] < '0' || t[j] > '9') return false;
  }
  value = std::strtol(std::string(t).c_str(), nullptr, 10);
  return true;
}

bool ConvertsTo(std::string_view text, voltrigg::CountBox box, std::int16_t& value) {
  try {
    value = voltrigg::ConvertCount(text, box);
    return true;
  } catch (const voltrigg::RunError& e) {
    Require(e.what()[0] != '\0');
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  const std::string_view series = NextLine(rest);
  const std::string_view parallel = NextLine(rest);
  long module_count = 0;
  if (!PlainInteger(rest, module_count) || module_count < -1 || module_count > 2001) module_count = 0;

  for (const auto& [text, box] : {std::pair{series, voltrigg::CountBox::Series},
                                   std::pair{parallel, voltrigg::CountBox::Parallel}}) {
    std::int16_t v = 0;
    const bool ok = ConvertsTo(text, box, v);
    long plain = 0;
    if (PlainInteger(text, plain)) Require(ok == (plain >= -32768 && plain <= 32767) && (!ok || v == plain));
  }

  voltrigg::RunCounts counts;
  try {
    counts = voltrigg::ReadRunCounts(series, parallel);
  } catch (const voltrigg::RunError&) {
    return 0;
  }
  const long product = static_cast<long>(counts.SeriesCount) * counts.ParallelCount;
  try {
    const auto failed = voltrigg::CheckRunInputs(static_cast<std::int16_t>(module_count), counts.SeriesCount,
                                                 counts.ParallelCount);
    Require(product >= -32768 && product <= 32767);
    const bool passes = module_count == product && module_count <= 1000 && counts.ParallelCount <= 100 &&
                        counts.SeriesCount <= 20 && counts.ParallelCount >= 1 && counts.SeriesCount >= 1;
    Require(passes == !failed.has_value());
  } catch (const voltrigg::RunError&) {
    Require(product < -32768 || product > 32767);
  }
  return 0;
}
