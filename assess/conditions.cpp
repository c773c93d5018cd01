#include "assess/conditions.h"

#include <cmath>
#include <cstdio>

namespace voltrigg {

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
                {c.max_system_voltage_v, kMaxSystemVoltageLimit}};
  for (const auto& check : checks) {
    if (!WithinLimit(check.value, check.limit)) return ConditionFault{check.limit, check.value};
  }
  return std::nullopt;
}

std::string LimitRangeText(const ConditionLimit& limit) {
  char text[96];
  if (limit.low_excluded) {
    (void)std::snprintf(text, sizeof text, "above %g and at most %g %s", limit.low, limit.high, limit.unit);
  } else {
    (void)std::snprintf(text, sizeof text, "from %g to %g %s", limit.low, limit.high, limit.unit);
  }
  return text;
}

std::string DescribeConditionFault(const ConditionFault& fault) {
  char value[32];
  (void)std::snprintf(value, sizeof value, "%g", fault.value);
  return std::string(fault.limit.option) + " must be a number " + LimitRangeText(fault.limit) + ", not " + value;
}

double ColdVocV(double voc_sum_v, const AssessConditions& c) {
  return voc_sum_v * (1.0 + c.voc_coefficient_pct_per_k / 100.0 * (c.tmin_c - 25.0));
}

}  // namespace voltrigg
