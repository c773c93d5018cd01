#include "commission/test_items.h"

#include <cmath>
#include <stdexcept>

namespace voltrigg {

const char* TestItemName(TestItem item) {
  switch (item) {
    case TestItem::Voc:
      return "voc";
    case TestItem::Isc:
      return "isc";
    case TestItem::Polarity:
      return "polarity";
    case TestItem::InsulationPositive:
      return "insulation_pos";
    case TestItem::InsulationNegative:
      return "insulation_neg";
    case TestItem::InsulationTestVoltage:
      return "insulation_test_voltage";
    case TestItem::EarthContinuity:
      return "earth_continuity";
  }
  return "";
}

const char* ItemStatusName(ItemStatus status) {
  switch (status) {
    case ItemStatus::NotMeasured:
      return "not_measured";
    case ItemStatus::Pass:
      return "pass";
    case ItemStatus::Fail:
      return "fail";
    case ItemStatus::Measured:
      return "measured";
  }
  return "";
}

const char* PolarityName(Polarity polarity) { return polarity == Polarity::Reversed ? "reversed" : "ok"; }

double ArraySystemVoltageV(const std::vector<ModuleData>& modules, const Wiring& wiring) {
  if (!WiringIndicesValid(wiring, static_cast<int>(modules.size()))) {
    throw std::invalid_argument("the wiring names a module that is not in the list");
  }
  const double unknown = std::nan("");
  if (wiring.empty()) return unknown;
  double highest_v = 0;
  for (const StringWiring& string : wiring) {
    double sum_v = 0;
    for (int k : string) {
      // One module without its Voc would understate the string, and so the test.
      const double voc_v = modules[static_cast<std::size_t>(k)].voc_v;
      if (!(std::isfinite(voc_v) && voc_v > 0)) return unknown;
      sum_v += voc_v;
    }
    if (!(std::isfinite(sum_v) && sum_v > 0)) return unknown;
    if (sum_v > highest_v) highest_v = sum_v;
  }
  return kSystemVoltageFactor * highest_v;
}

double InsulationTestVoltageForV(double system_voltage_v) {
  if (system_voltage_v > 0 && system_voltage_v < kLowVoltageSystemBelowV) return 250.0;
  if (system_voltage_v >= kLowVoltageSystemBelowV && system_voltage_v <= kMidVoltageSystemUpToV) return 500.0;
  return 1000.0;  // above 500 V, and whatever is not known
}

}  // namespace voltrigg
