#pragma once
// The plant's module lists read into one lot: module lists (seven fields
// under a header line) or lists whose header names their columns, UTF-8 or
// Shift-JIS, CR LF or LF. Each line of a list is one row. Large lists are
// read in pieces at once on several threads, with the same result as one
// piece after the other.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "plant/plant.h"

namespace voltrigg::plant {

// The modules of all lists in delivery order (files in the order given, rows
// in file order), column by column.
struct PlantLot {
  std::vector<float> pmax_w;
  std::vector<float> vmp_v;
  std::vector<float> imp_a;
  std::vector<float> voc_v;
  std::vector<float> isc_a;
  std::string serial_text;                // every serial, one after the other (UTF-8)
  std::vector<std::uint64_t> serial_end;  // module k's serial ends here
  std::vector<std::uint32_t> pallet;      // rank of the pallet in order of first appearance
  std::vector<std::string> pallet_names;  // by rank; "" for a row without a pallet
  std::vector<std::uint32_t> file;        // index into the request's lists
  std::vector<std::uint32_t> line;        // from 1
  std::vector<bool> file_has_pallet;      // by file: the list has a pallet column

  std::size_t size() const { return vmp_v.size(); }
  std::string_view Serial(std::size_t k) const {
    const std::uint64_t begin = k == 0 ? 0 : serial_end[k - 1];
    return std::string_view(serial_text).substr(begin, serial_end[k] - begin);
  }
  PlantPlace Place(std::size_t k) const { return PlantPlace{static_cast<int>(file[k]), line[k]}; }
};

enum class PalletColumn { Optional, Required };

struct LotReading {
  PlantLot lot;
  std::vector<PlantFault> faults;  // not empty: the lists are refused
  std::vector<PlantWarning> warnings;
};

// Reads every list. Refuses (faults, in file and line order, at most
// kMaxPlantFaults) what cannot be planned: unreadable files, rows that do not
// fit the header, values that are not numbers or are no module's, empty or
// repeated serials, more than kMaxPlantModules rows, and with
// PalletColumn::Required a list without a pallet column or a row without a pallet.
LotReading ReadPlantLists(const std::vector<PlantSource>& lists, ExtrasUse extras, PalletColumn pallets);

}  // namespace voltrigg::plant
