#pragma once
// The three ways of giving the plant's modules their places. A plan is its
// slots: slot s*S + p holds the module at position p (from 0) of string s
// (in installation order); modules in no slot are spares.
#include <cstdint>
#include <vector>

#include "plant/plant_layout.h"
#include "plant/plant_lists.h"

namespace voltrigg::plant {

using Slots = std::vector<std::uint32_t>;

// What the sorted modes weigh of each module, from its fitted curve at
// 1000 W/m² and 25 °C: near its maximum, P(I) ≈ power - curvature/2 * (I - current)².
struct ModuleTraits {
  std::vector<double> power_w;             // its own maximum power
  std::vector<double> current_a;           // the current of that maximum
  std::vector<double> curvature_w_per_a2;  // -d²P/dI² there
};

// Delivered: module k in slot k; the modules after the last slot are spares.
Slots DeliveredSlots(std::size_t slot_count);

// Every module by its measured Imp, of equal Imp the earlier delivered first.
std::vector<std::uint32_t> ImpOrder(const PlantLot& lot);

// The simple rule: the `used` modules (slot_count of them) sorted by measured
// Imp (as `imp_order` has them), cut into strings in that order, the strings
// given to the slots in order of their Vmp (the modules' measured Vmp
// summed). Within a string the modules stand in delivery order.
Slots SimpleRuleSlots(const std::vector<std::uint32_t>& imp_order, const std::vector<std::uint32_t>& used,
                      const PlantLot& lot, int series);

// The `count` modules of highest own maximum power (ties: the earlier
// delivered), in delivery order.
std::vector<std::uint32_t> StrongestModules(const ModuleTraits& traits, std::size_t count);

// The pallets each string may take its modules from, as pallet ranks
// [lo, hi]: from the lowest pallet of the delivered string at the same
// place, `window` pallets on, and at least every pallet that delivered
// string holds; then widened so that both ends never fall from one string to
// the next (they only widen where pallets arrive mixed).
struct PalletWindows {
  std::vector<std::uint32_t> lo;
  std::vector<std::uint32_t> hi;
};
PalletWindows WindowsOf(const PlantLot& lot, int series, std::size_t strings, int window);

// Pallets: string after string, the modules of the open pallets sorted by
// their current and taken in runs of close currents, every module within its
// string's window; modules are left as spares only where the strings still
// to come can be filled without them. With PalletAnchor::ClosingFirst each
// run holds the module whose window closes first. Empty when the strings
// cannot be filled (never for windows from WindowsOf).
enum class PalletAnchor { None, ClosingFirst };
Slots PalletSlots(const PlantLot& lot, const ModuleTraits& traits, int series, const PalletWindows& windows,
                  PalletAnchor anchor);

}  // namespace voltrigg::plant
