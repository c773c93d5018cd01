// Fuzz target: the plant's module list reader and its layout reader, from memory.
//
// Input: one byte of choices (bit 0: columns 6 and 7 hold Isc and Voc; bit 1:
// a pallet column is required; bit 2: the text is cut in two lists at its
// middle line), then the text, read both as the list(s) and as the layout.
// Whatever the bytes, each reader either refuses with faults that name their
// place, or gives only what planning relies on: every module once, by a
// serial of its own, with finite positive values and a curve's order
// (Voc above Vmp, Isc above Imp); a layout within its ranges whose inverters
// all have names of their own.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "plant/plant_layout.h"
#include "plant/plant_lists.h"

using voltrigg::PlantFault;
using voltrigg::PlantSource;
using voltrigg::fuzz::Require;

namespace {

void CheckFaults(const std::vector<PlantFault>& faults, std::size_t files) {
  Require(faults.size() <= voltrigg::kMaxPlantFaults);
  for (const PlantFault& f : faults) {
    Require(f.file >= -1 && f.file < static_cast<int>(files));
    Require(f.line >= 0);
  }
}

bool Positive(float value) { return std::isfinite(value) && value > 0; }

void CheckLists(const std::vector<PlantSource>& sources, voltrigg::ExtrasUse extras,
                voltrigg::plant::PalletColumn pallets) {
  const voltrigg::plant::LotReading reading = voltrigg::plant::ReadPlantLists(sources, extras, pallets);
  CheckFaults(reading.faults, sources.size());
  if (!reading.faults.empty()) return;
  const voltrigg::plant::PlantLot& lot = reading.lot;
  const std::size_t n = lot.size();
  Require(lot.pmax_w.size() == n && lot.imp_a.size() == n && lot.voc_v.size() == n && lot.isc_a.size() == n);
  Require(lot.serial_end.size() == n && lot.pallet.size() == n && lot.file.size() == n && lot.line.size() == n);
  Require(lot.file_has_pallet.size() == sources.size());
  std::set<std::string_view> serials;
  for (std::size_t k = 0; k < n; ++k) {
    const std::string_view serial = lot.Serial(k);
    Require(!serial.empty());
    Require(serials.insert(serial).second);
    Require(Positive(lot.pmax_w[k]) && Positive(lot.vmp_v[k]) && Positive(lot.imp_a[k]));
    Require(Positive(lot.voc_v[k]) && Positive(lot.isc_a[k]));
    Require(lot.voc_v[k] > lot.vmp_v[k] && lot.isc_a[k] > lot.imp_a[k]);
    Require(lot.pallet[k] < lot.pallet_names.size());
    Require(lot.file[k] < sources.size() && lot.line[k] >= 2);  // under a header line
    if (pallets == voltrigg::plant::PalletColumn::Required) Require(!lot.pallet_names[lot.pallet[k]].empty());
  }
}

void CheckLayout(const std::string& text) {
  const voltrigg::plant::LayoutReading reading =
      voltrigg::plant::ReadPlantLayout(PlantSource{"plant.json", "plant.json", text});
  if (!reading.layout) {
    Require(!reading.faults.empty());
    CheckFaults(reading.faults, 0);
    return;
  }
  Require(reading.faults.empty());
  const voltrigg::plant::PlantLayout& layout = *reading.layout;
  Require(layout.modules_per_string >= 1 && layout.modules_per_string <= voltrigg::kMaxModulesPerString);
  Require(!layout.groups.empty());
  std::int64_t strings = 0;
  for (const voltrigg::plant::InverterGroup& g : layout.groups) {
    Require(g.count >= 1 && g.count <= voltrigg::kMaxInvertersPerGroup);
    Require(!g.strings_per_input.empty());
    std::int64_t per_inverter = 0;
    for (int s : g.strings_per_input) {
      Require(s >= 1 && s <= voltrigg::kMaxStringsPerInput);
      per_inverter += s;
    }
    strings += per_inverter * g.count;
  }
  Require(strings * layout.modules_per_string <= voltrigg::kMaxPlantModules);
  if (strings > 20000) return;  // expanding a large plant is the benchmarks' work, not a fuzzer's
  const voltrigg::plant::PlantStructure structure = voltrigg::plant::ExpandLayout(layout);
  Require(structure.strings() == strings);
  std::set<std::string> names;
  for (const auto& inverter : structure.inverters) Require(names.insert(inverter.name).second);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t choices = data[0];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto extras = (choices & 1) != 0 ? voltrigg::ExtrasUse::IscVoc : voltrigg::ExtrasUse::VocIsc;
  const auto pallets =
      (choices & 2) != 0 ? voltrigg::plant::PalletColumn::Required : voltrigg::plant::PalletColumn::Optional;
  std::vector<PlantSource> sources;
  if ((choices & 4) != 0) {
    // Two lists: the first half's lines and the rest, so that a serial may repeat across files.
    std::size_t cut = text.find('\n', text.size() / 2);
    cut = cut == std::string::npos ? text.size() : cut + 1;
    sources.push_back(PlantSource{"a.csv", "a.csv", text.substr(0, cut)});
    sources.push_back(PlantSource{"b.csv", "b.csv", text.substr(cut)});
  } else {
    sources.push_back(PlantSource{"lot.csv", "lot.csv", text});
  }
  CheckLists(sources, extras, pallets);
  CheckLayout(text);
  return 0;
}
