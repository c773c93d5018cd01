#include "commission/commission_conditions.h"

namespace voltrigg {

std::optional<ConditionFault> ValidateCommissionConditions(const CommissionConditions& c) {
  const struct {
    double value;
    const ConditionLimit& limit;
  } checks[] = {{c.voc_coefficient_pct_per_k, kVocCoefficientLimit},
                {c.isc_coefficient_pct_per_k, kIscCoefficientLimit},
                {c.voc_tolerance_pct, kVocToleranceLimit},
                {c.isc_tolerance_pct, kIscToleranceLimit}};
  for (const auto& check : checks) {
    if (!WithinLimit(check.value, check.limit)) return ConditionFault{check.limit, check.value};
  }
  return std::nullopt;
}

}  // namespace voltrigg
