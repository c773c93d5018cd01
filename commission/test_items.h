#pragma once
// The test items of a string's commissioning record: the open-circuit voltage
// and short-circuit current the check has always judged, and the further
// items a crew records on the same form (polarity, insulation resistance of
// each pole to earth with its test voltage, continuity of the earthing).
// Each item of a string is either measured or not; a measured one passes,
// fails or, where no limit applies, is only recorded.
#include <array>
#include <cstddef>
#include <vector>

#include "assess/array_curve.h"
#include "assess/module_curve.h"

namespace voltrigg {

enum class TestItem {
  Voc,                    // open-circuit voltage within its tolerance
  Isc,                    // short-circuit current within its tolerance
  Polarity,               // the crew's polarity test, and the sign of the measured Voc
  InsulationPositive,     // insulation resistance of the positive pole to earth
  InsulationNegative,     // insulation resistance of the negative pole to earth
  InsulationTestVoltage,  // the insulation test's voltage against what the system voltage calls for
  EarthContinuity,        // resistance of the earthing conductor: recorded, no limit
};
inline constexpr std::size_t kTestItemCount = 7;
inline constexpr std::array<TestItem, kTestItemCount> kTestItems{TestItem::Voc,
                                                                 TestItem::Isc,
                                                                 TestItem::Polarity,
                                                                 TestItem::InsulationPositive,
                                                                 TestItem::InsulationNegative,
                                                                 TestItem::InsulationTestVoltage,
                                                                 TestItem::EarthContinuity};

enum class ItemStatus {
  NotMeasured,  // no value: never a pass
  Pass,
  Fail,
  Measured,  // a value without a verdict (earth continuity)
};

// The keys in the commissioning file: "voc", "isc", "polarity",
// "insulation_pos", "insulation_neg", "insulation_test_voltage",
// "earth_continuity"; "not_measured", "pass", "fail", "measured".
const char* TestItemName(TestItem item);
const char* ItemStatusName(ItemStatus status);

// Made: the item has a value for the string, whatever its verdict.
inline bool ItemMade(ItemStatus status) { return status != ItemStatus::NotMeasured; }

// The polarity a crew records: "ok" or "reversed" in the measurement file.
enum class Polarity { Ok, Reversed };
const char* PolarityName(Polarity polarity);

// The system voltage an insulation test is chosen by is the array's highest
// string open-circuit voltage at 1000 W/m² and 25 °C (the sum of its
// modules' flashed Voc) times this factor. The strings of a plan are one
// array on one DC side, so the highest string decides for all of them.
inline constexpr double kSystemVoltageFactor = 1.25;

// kSystemVoltageFactor times the highest string's sum of ModuleData::voc_v;
// NaN when a module's Voc is not a positive finite number (one without a
// flashed Voc), a string is empty or the wiring is. `wiring` indexes `modules`
// (checked: std::invalid_argument).
double ArraySystemVoltageV(const std::vector<ModuleData>& modules, const Wiring& wiring);

// The usual tiers of the insulation test: below 120 V a 250 V test, from 120
// to 500 V a 500 V test, above 500 V a 1000 V test. A system voltage that is
// not known (NaN, not positive) calls for the highest: a test voltage that
// suffices for any system never passes one too low.
inline constexpr double kLowVoltageSystemBelowV = 120.0;
inline constexpr double kMidVoltageSystemUpToV = 500.0;
double InsulationTestVoltageForV(double system_voltage_v);

}  // namespace voltrigg
