#include "assess/conditions.h"

#include <cmath>
#include <cstdio>

namespace voltrigg {

const char* KeyOf(ConditionKey condition) {
  switch (condition) {
    case ConditionKey::Tmin:
      return "tmin";
    case ConditionKey::VocCoefficient:
      return "voc-coefficient";
    case ConditionKey::MaxSystemVoltage:
      return "max-system-voltage";
    case ConditionKey::TColdOperating:
      return "t-cold-operating";
    case ConditionKey::THot:
      return "t-hot";
    case ConditionKey::IscCoefficient:
      return "isc-coefficient";
    case ConditionKey::IscFactor:
      return "isc-factor";
    case ConditionKey::VocTolerance:
      return "voc-tolerance";
    case ConditionKey::IscTolerance:
      return "isc-tolerance";
    case ConditionKey::InsulationMin:
      return "insulation-min";
    case ConditionKey::Irradiance:
      return "irradiance";
    case ConditionKey::ModuleTemperature:
      return "module-temperature";
  }
  return "condition";
}

bool WithinLimit(double value, const ConditionLimit& limit) {
  if (!std::isfinite(value)) return false;
  const bool above_low = limit.low_excluded ? value > limit.low : value >= limit.low;
  return above_low && value <= limit.high;
}

std::optional<ConditionFault> ValidateConditions(const AssessConditions& c) {
  const struct {
    double value;
    const ConditionLimit& limit;
  } checks[] = {{c.tmin_c, kTminLimit},
                {c.voc_coefficient_pct_per_k, kVocCoefficientLimit},
                {c.max_system_voltage_v, kMaxSystemVoltageLimit},
                {c.t_cold_operating_c, kTColdOperatingLimit},
                {c.t_hot_c, kTHotLimit},
                {c.isc_coefficient_pct_per_k, kIscCoefficientLimit},
                {c.isc_factor, kIscFactorLimit}};
  for (const auto& check : checks) {
    if (!WithinLimit(check.value, check.limit)) return ConditionFault{check.limit, check.value};
  }
  // The MPPT maximum is checked in cool sun, the minimum on a hot afternoon.
  if (!(c.t_cold_operating_c <= c.t_hot_c)) {
    ConditionLimit below_hot = kTColdOperatingLimit;
    below_hot.high = c.t_hot_c;
    return ConditionFault{below_hot, c.t_cold_operating_c};
  }
  return std::nullopt;
}

std::string LimitRangeText(const ConditionLimit& limit) {
  char text[96];
  if (limit.low_excluded) {
    (void)std::snprintf(text, sizeof text, "above %g and at most %g", limit.low, limit.high);
  } else {
    (void)std::snprintf(text, sizeof text, "from %g to %g", limit.low, limit.high);
  }
  return *limit.unit == '\0' ? std::string(text) : std::string(text) + " " + limit.unit;
}

std::string DescribeConditionFault(const ConditionFault& fault) {
  char value[32];
  (void)std::snprintf(value, sizeof value, "%g", fault.value);
  return std::string(KeyOf(fault.limit.condition)) + " must be a number " + LimitRangeText(fault.limit) + ", not " +
         (fault.text ? *fault.text : std::string(value));
}

double ColdVocV(double voc_sum_v, const AssessConditions& c) {
  return voc_sum_v * (1.0 + c.voc_coefficient_pct_per_k / 100.0 * (c.tmin_c - 25.0));
}

}  // namespace voltrigg
