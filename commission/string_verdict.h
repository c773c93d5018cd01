#pragma once
// The verdict on one string's measured open-circuit voltage and
// short-circuit current against what its modules should give, and the
// findings that say what is probably wrong.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "commission/commission_conditions.h"
#include "commission/expected_string.h"
#include "commission/test_items.h"

namespace voltrigg {

enum class FindingKey {
  Reversed,        // measured Voc below 0: connected with reversed polarity
  ModulesMissing,  // Voc short by `count` modules (missing, short-circuited, bypass diode conducting)
  ModuleExtra,     // Voc above by `count` modules
  VocLow,          // Voc below its tolerance by no whole number of modules
  VocHigh,         // Voc above its tolerance by no whole number of modules
  LowCurrent,      // Isc below its tolerance while Voc is within
  HighCurrent,     // Isc above its tolerance while Voc is within
  LowIrradiance,   // a note: below kLowIrradianceW_m2 the Isc comparison is less certain
  NotMeasured,     // a string of the plan without a measurement
  // The further items of the record.
  PolarityReversed,          // the crew recorded reversed polarity while the measured Voc is not negative
  InsulationPositiveLow,     // positive pole to earth below the insulation minimum
  InsulationNegativeLow,     // negative pole to earth below the insulation minimum
  InsulationTestVoltageLow,  // the insulation test's voltage below what the system voltage calls for
};

struct Finding {
  FindingKey key = FindingKey::NotMeasured;
  int count = 0;  // modules, for ModulesMissing and ModuleExtra
};

// The key in the commissioning file: "reversed", "modules_missing", ...
const char* FindingKeyName(FindingKey key);

// The findings are worded by the front ends' text catalogue
// (app/shared/measurement_texts.h: FindingText).

// A note leaves the verdict alone; every other finding comes with a failure.
bool IsNote(FindingKey key);

// One string as measured.
struct StringMeasurement {
  int string_no = 0;                // 1..P
  double voc_v = 0;                 // measured open-circuit voltage
  double isc_a = 0;                 // measured short-circuit current
  double irradiance_w_m2 = 0;       // in the plane of the modules during the test
  double module_temperature_c = 0;  // taken as the cell temperature
  std::string note;                 // as written (UTF-8), carried
  int line = 0;                     // line of the measurement file, for messages
  // The further items of the record; none: not measured.
  std::optional<Polarity> polarity;
  std::optional<double> insulation_pos_mohm;   // [MΩ] positive pole to earth
  std::optional<double> insulation_neg_mohm;   // [MΩ] negative pole to earth
  std::optional<double> insulation_test_v;     // [V] the voltage the insulation was tested at
  std::optional<double> earth_continuity_ohm;  // [Ω] of the earthing conductor
  std::string plan;                            // the row's plan fingerprint as written; empty: none
};

// True when any further item of the record has a value.
bool HasFurtherItems(const StringMeasurement& measurement);

struct StringVerdict {
  double voc_deviation_pct = 0;  // 100 * (measured - expected) / expected
  double isc_deviation_pct = 0;
  bool ok = false;  // Voc and Isc pass and no measured item fails
  std::vector<Finding> findings;
  std::array<ItemStatus, kTestItemCount> items{};  // by TestItem; not measured unless set
};

inline ItemStatus StatusOf(const StringVerdict& verdict, TestItem item) {
  return verdict.items[static_cast<std::size_t>(item)];
}

// 100 * (measured - expected) / expected; NaN when `expected` is not a
// positive finite number, so that no tolerance passes it.
double DeviationPct(double measured, double expected);

// The verdict within the tolerances: Voc and Isc each within ± its tolerance
// of the expected value (NaN anywhere fails), a reversed string never. Of
// the further items, those measured are judged and fail the string when they
// fail: polarity passes when the crew recorded "ok" and the measured Voc is
// not negative; each pole's insulation at or above
// conditions.insulation_min_mohm; the test voltage at or above
// `insulation_test_required_v` (InsulationTestVoltageForV); earth continuity
// is only recorded. NaN fails each. Throws std::invalid_argument when the
// conditions are not valid.
StringVerdict JudgeString(const ExpectedString& expected, const StringMeasurement& measured, int module_count,
                          const CommissionConditions& conditions, double insulation_test_required_v);

// A string of the plan that was not measured: failed, with NotMeasured, every item not measured.
StringVerdict NotMeasuredVerdict();

}  // namespace voltrigg
