#pragma once
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace voltrigg {

// Tables are numbered from 1, as the module list and the array matrix are;
// slot 0 of every table is unused.
inline constexpr int kModuleSlots = 2001;

// One measured module; the serial number lives in the parallel SerialTable.
struct ModuleRecord {
  float moduleNo = 0;
  float pmax = 0;  // [W]
  float vpm = 0;   // [V]
  float ipm = 0;   // [A]
  float extra1 = 0;
  float extra2 = 0;
};

// ModuleTable and its text companion SerialTable: slot k of both is one module.
struct ModuleTable {
  std::vector<ModuleRecord> records = std::vector<ModuleRecord>(kModuleSlots + 1);
  std::vector<std::string> SerialTable = std::vector<std::string>(kModuleSlots + 1);

  // Every slot back to zeros and empty texts, at the full capacity.
  void Clear();
};

// One data row as the list holds it, before the sort: for checks that name rows.
struct ListRow {
  ModuleRecord record;
  std::string serial;
};

// Reads the module list at `path` into `table`, sorted by ipm then vpm while it
// is read; whatever the table held before is cleared first. Returns
// ModuleCount: the number of data rows, 0 for a header alone, -1 for an empty
// file. Throws RunError.
std::int16_t LoadModuleList(const std::string& path, ModuleTable& table);

// The same from an open stream; `where` names the source in messages.
std::int16_t LoadModuleList(std::istream& in, const std::string& where, ModuleTable& table);

// Either of the above, also handing every data row in file order to
// `rows_in_file_order` (data row k at index k - 1) when it is not null.
std::int16_t LoadModuleList(std::istream& in, const std::string& where, ModuleTable& table,
                            std::vector<ListRow>* rows_in_file_order);
std::int16_t LoadModuleList(const std::string& path, ModuleTable& table, std::vector<ListRow>* rows_in_file_order);

}  // namespace voltrigg
