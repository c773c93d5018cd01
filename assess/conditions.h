#pragma once
// The conditions a physical assessment is made under, their defaults, the
// values each may take and the one check of them that every front end makes
// before anything is assessed.
#include <optional>
#include <string>

namespace voltrigg {

struct AssessConditions {
  double tmin_c = -10.0;                     // [°C] lowest cell temperature expected on site
  double voc_coefficient_pct_per_k = -0.30;  // [%/K] temperature coefficient of Voc
  double max_system_voltage_v = 1000.0;      // [V] limit for any string's cold Voc
  // The inverter window (assess/inverter_window.h), all at 1000 W/m².
  double t_cold_operating_c = 15.0;  // [°C] cell temperature in cool full sun, for the MPPT maximum
  double t_hot_c = 70.0;             // [°C] cell temperature on a hot afternoon, for the MPPT minimum and currents
  double isc_coefficient_pct_per_k = 0.05;  // [%/K] temperature coefficient of Isc
  double isc_factor = 1.25;                 // safety factor on the array's short-circuit current
};

// What a condition may be: a finite number from `low` to `high`; with
// `low_excluded` strictly above `low`. `option` is its name on the command
// line of both front ends.
struct ConditionLimit {
  const char* option;
  const char* unit;  // as printed after a number: "°C", "%/K", "V"
  double low;
  double high;
  bool low_excluded;
};

// A Voc coefficient outside this range is a wrong sign or a fraction typed
// instead of a percentage; a cold morning below -60 °C or above 40 °C is a typo.
inline constexpr ConditionLimit kTminLimit{"--tmin", "°C", -60.0, 40.0, false};
inline constexpr ConditionLimit kVocCoefficientLimit{"--voc-coefficient", "%/K", -1.0, -0.05, false};
inline constexpr ConditionLimit kMaxSystemVoltageLimit{"--max-system-voltage", "V", 0.0, 3000.0, true};
// Cell temperatures in operation; the cold operating one is also checked
// against the hot one (not above it).
inline constexpr ConditionLimit kTColdOperatingLimit{"--t-cold-operating", "°C", -60.0, 100.0, false};
inline constexpr ConditionLimit kTHotLimit{"--t-hot", "°C", -60.0, 100.0, false};
// Isc rises with temperature; a negative alpha would make the hot currents look safe.
inline constexpr ConditionLimit kIscCoefficientLimit{"--isc-coefficient", "%/K", 0.0, 0.3, false};
// 1 is no margin at all; codes ask for 1.25.
inline constexpr ConditionLimit kIscFactorLimit{"--isc-factor", "", 1.0, 2.0, false};

// True when `value` is allowed; NaN and infinities never are.
bool WithinLimit(double value, const ConditionLimit& limit);

// The first condition that is not allowed, with the value given.
struct ConditionFault {
  ConditionLimit limit;
  double value = 0;
};

std::optional<ConditionFault> ValidateConditions(const AssessConditions& conditions);

// "--tmin must be a number from -60 to 40 °C, not nan"; the cold operating
// temperature above the hot one names the hot one as its upper end.
std::string DescribeConditionFault(const ConditionFault& fault);

// The limit as a range text: "-60 to 40 °C", "above 0 and at most 3000 V".
std::string LimitRangeText(const ConditionLimit& limit);

// A value within a safety limit. Written so that NaN on either side fails it.
inline bool AtOrBelowLimit(double value, double limit) { return value <= limit; }

// A string's open-circuit voltage at `tmin_c`: sum of Voc * (1 + beta/100 * (Tmin - 25 °C)).
double ColdVocV(double voc_sum_v, const AssessConditions& conditions);

}  // namespace voltrigg
