#pragma once
// The verdict on one string's measured open-circuit voltage and
// short-circuit current against what its modules should give, and the
// findings that say what is probably wrong.
#include <string>
#include <vector>

#include "commission/commission_conditions.h"
#include "commission/expected_string.h"

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
};

struct Finding {
  FindingKey key = FindingKey::NotMeasured;
  int count = 0;  // modules, for ModulesMissing and ModuleExtra
};

// The key in the commissioning file: "reversed", "modules_missing", ...
const char* FindingKeyName(FindingKey key);

// The short Japanese text of the report, with the count where there is one.
std::string FindingTextJa(const Finding& finding);

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
};

struct StringVerdict {
  double voc_deviation_pct = 0;  // 100 * (measured - expected) / expected
  double isc_deviation_pct = 0;
  bool ok = false;
  std::vector<Finding> findings;
};

// 100 * (measured - expected) / expected; NaN when `expected` is not a
// positive finite number, so that no tolerance passes it.
double DeviationPct(double measured, double expected);

// The verdict within the tolerances: Voc and Isc each within ± its tolerance
// of the expected value (NaN anywhere fails), a reversed string never.
// Throws std::invalid_argument when the conditions are not valid.
StringVerdict JudgeString(const ExpectedString& expected, const StringMeasurement& measured, int module_count,
                          const CommissionConditions& conditions);

// A string of the plan that was not measured: failed, with NotMeasured.
StringVerdict NotMeasuredVerdict();

}  // namespace voltrigg
