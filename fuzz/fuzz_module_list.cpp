// Fuzz target: the module list reader and the sorted load, from memory.
//
// Any byte sequence must either load or end in a RunError with a message;
// a load that succeeds must leave the table in the order every later step
// relies on, with nothing outside the loaded slots touched.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "fuzz/fuzz_support.h"
#include "input/module_list.h"
#include "input/run_error.h"

using voltrigg::fuzz::Require;

namespace {

bool IsEmptySlot(const voltrigg::ModuleTable& t, int k) {
  const voltrigg::ModuleRecord& r = t.records[k];
  return r.moduleNo == 0 && r.pmax == 0 && r.vpm == 0 && r.ipm == 0 && r.extra1 == 0 && r.extra2 == 0 &&
         t.SerialTable[k].empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  voltrigg::ModuleTable table;
  std::int16_t n = 0;
  try {
    n = voltrigg::LoadModuleList(in, "fuzz.csv", table);
  } catch (const voltrigg::RunError& e) {
    Require(e.what()[0] != '\0');
    return 0;
  }
  Require(n >= -1 && n <= voltrigg::kModuleSlots);
  // Sorted by ipm, then vpm; slots beyond the last row still empty.
  for (int k = 2; k <= n; ++k) {
    const voltrigg::ModuleRecord& a = table.records[k - 1];
    const voltrigg::ModuleRecord& b = table.records[k];
    Require(a.ipm < b.ipm || (a.ipm == b.ipm && a.vpm <= b.vpm));
  }
  for (int k = (n < 1 ? 1 : n + 1); k <= voltrigg::kModuleSlots; ++k) Require(IsEmptySlot(table, k));
  Require(IsEmptySlot(table, 0));
  return 0;
}
