#pragma once
// The conditions a physical assessment is made under, their defaults, the
// values each may take and the one check of them that every front end makes
// before anything is assessed. The conditions are named by their key; how a
// front end calls one (an option, a field of the page) is its own business
// (app/shared/option_table.h).
#include <optional>
#include <string>

namespace voltrigg {

// Every condition a front end sets, the assessment's and the commissioning's.
enum class ConditionKey {
  Tmin,
  VocCoefficient,
  MaxSystemVoltage,
  TColdOperating,
  THot,
  IscCoefficient,
  IscFactor,
  VocTolerance,
  IscTolerance,
  InsulationMin,
  Irradiance,
  ModuleTemperature,
};

// The condition's key: "tmin", "voc-coefficient", ... Stable: the front ends
// build their names from it.
const char* KeyOf(ConditionKey condition);

// Datasheet temperature coefficients in %/K of the STC value; the same for
// the assessment and the commissioning check.
struct TemperatureCoefficients {
  double voc_coefficient_pct_per_k = -0.30;  // [%/K] beta
  double isc_coefficient_pct_per_k = 0.05;   // [%/K] alpha
};

struct AssessConditions : TemperatureCoefficients {
  double tmin_c = -10.0;                 // [°C] lowest cell temperature expected on site
  double max_system_voltage_v = 1000.0;  // [V] limit for any string's cold Voc
  // The inverter window (assess/inverter_window.h), all at 1000 W/m².
  double t_cold_operating_c = 15.0;  // [°C] cell temperature in cool full sun, for the MPPT maximum
  double t_hot_c = 70.0;             // [°C] cell temperature on a hot afternoon, for the MPPT minimum and currents
  double isc_factor = 1.25;          // safety factor on the array's short-circuit current
};

// What a condition may be: a finite number from `low` to `high`; with
// `low_excluded` strictly above `low`.
struct ConditionLimit {
  ConditionKey condition;
  const char* unit;  // as printed after a number: "°C", "%/K", "V"
  double low;
  double high;
  bool low_excluded;
};

// Every condition's range is here, the assessment's and the commissioning's.

// What a module's curve can be carried to (assess/curve_translation.h): the
// cell temperatures and the irradiance of every condition below.
inline constexpr double kLowestCellTemperatureC = -60.0;
inline constexpr double kHighestCellTemperatureC = 100.0;
inline constexpr double kHighestIrradianceW_m2 = 1500.0;  // above 0

// A Voc coefficient outside this range is a wrong sign or a fraction typed
// instead of a percentage; a cold morning below -60 °C or above 40 °C is a typo.
inline constexpr ConditionLimit kTminLimit{ConditionKey::Tmin, "°C", kLowestCellTemperatureC, 40.0, false};
inline constexpr ConditionLimit kVocCoefficientLimit{ConditionKey::VocCoefficient, "%/K", -1.0, -0.05, false};
inline constexpr ConditionLimit kMaxSystemVoltageLimit{ConditionKey::MaxSystemVoltage, "V", 0.0, 3000.0, true};
// Cell temperatures in operation; the cold operating one is also checked
// against the hot one (not above it).
inline constexpr ConditionLimit kTColdOperatingLimit{ConditionKey::TColdOperating, "°C", kLowestCellTemperatureC,
                                                     kHighestCellTemperatureC, false};
inline constexpr ConditionLimit kTHotLimit{ConditionKey::THot, "°C", kLowestCellTemperatureC, kHighestCellTemperatureC,
                                           false};
// Isc rises with temperature; a negative alpha would make the hot currents look safe.
inline constexpr ConditionLimit kIscCoefficientLimit{ConditionKey::IscCoefficient, "%/K", 0.0, 0.3, false};
// 1 is no margin at all; codes ask for 1.25.
inline constexpr ConditionLimit kIscFactorLimit{ConditionKey::IscFactor, "", 1.0, 2.0, false};

// The commissioning check (commission/commission_conditions.h). A tolerance
// of 0 passes nothing a meter shows; above these a string with a module
// missing (5 to 10 % of its Voc) or a soiled one would pass.
inline constexpr ConditionLimit kVocToleranceLimit{ConditionKey::VocTolerance, "%", 0.0, 10.0, true};
inline constexpr ConditionLimit kIscToleranceLimit{ConditionKey::IscTolerance, "%", 0.0, 20.0, true};
// 0 would pass a pole shorted to earth; no minimum for an array asks for
// more than a meter of its kind shows.
inline constexpr ConditionLimit kInsulationMinLimit{ConditionKey::InsulationMin, "MΩ", 0.0, 1000.0, true};
// The conditions of a measurement, for the whole file or a row.
inline constexpr ConditionLimit kIrradianceLimit{ConditionKey::Irradiance, "W/m²", 0.0, kHighestIrradianceW_m2, true};
inline constexpr ConditionLimit kModuleTemperatureLimit{ConditionKey::ModuleTemperature, "°C", kLowestCellTemperatureC,
                                                        kHighestCellTemperatureC, false};

// True when `value` is allowed; NaN and infinities never are.
bool WithinLimit(double value, const ConditionLimit& limit);

// The first condition that is not allowed, with the value given; `text` is
// set when what was given is no number at all (the text as given).
struct ConditionFault {
  ConditionLimit limit;
  double value = 0;
  std::optional<std::string> text = std::nullopt;
};

std::optional<ConditionFault> ValidateConditions(const AssessConditions& conditions);

// For a developer, when an entry point is given conditions no front end let
// through (std::invalid_argument): "tmin must be a number from -60 to 40 °C,
// not nan". The front ends word a fault themselves (ConditionFaultText).
std::string DescribeConditionFault(const ConditionFault& fault);

// The limit as a range text for that description: "from -60 to 40 °C",
// "above 0 and at most 3000 V".
std::string LimitRangeText(const ConditionLimit& limit);

// A value within a safety limit. Written so that NaN on either side fails it.
inline bool AtOrBelowLimit(double value, double limit) { return value <= limit; }

// A string's open-circuit voltage at `tmin_c`: sum of Voc * (1 + beta/100 * (Tmin - 25 °C)).
double ColdVocV(double voc_sum_v, const AssessConditions& conditions);

}  // namespace voltrigg
