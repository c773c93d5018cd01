// Fuzz target: the result file reader, the viewer's input. Any bytes must give
// a result or a ResultFileError naming a line within the input, never a crash;
// what it gives back is what a viewer can draw: rows string by string, every
// string S long, the counts within what a run can write.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz/fuzz_support.h"
#include "output/result_reader.h"

using voltrigg::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::istringstream in(bytes);
  try {
    const voltrigg::ResultFileData r = voltrigg::ReadResultFile(in, "fuzz.csv");
    Require(r.rows.size() == static_cast<std::size_t>(r.series) * static_cast<std::size_t>(r.parallel));
    Require(r.series <= voltrigg::kResultMaxSeries && r.parallel <= voltrigg::kResultMaxStrings);
    Require(r.rows.size() <= static_cast<std::size_t>(voltrigg::kResultMaxModules));
    for (std::size_t i = 0; i < r.rows.size(); ++i) {
      const voltrigg::ResultRow& row = r.rows[i];
      const std::size_t series = static_cast<std::size_t>(r.series);
      Require(row.string_no == static_cast<int>(i / series) + 1);
      Require(row.position == static_cast<int>(i % series) + 1);
      Require(row.line >= 8);
    }
  } catch (const voltrigg::ResultFileError& e) {
    Require(e.line() >= 0);
    Require(e.what()[0] != '\0');
  }
  return 0;
}
