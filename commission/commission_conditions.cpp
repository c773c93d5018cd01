#include "commission/commission_conditions.h"

#include <algorithm>
#include <iterator>

namespace voltrigg {

namespace {

struct Check {
  double value;
  const ConditionLimit* limit;
};

}  // namespace

std::optional<ConditionFault> ValidateCommissionConditions(const CommissionConditions& c) {
  const Check checks[] = {{c.voc_coefficient_pct_per_k, &kVocCoefficientLimit},
                          {c.isc_coefficient_pct_per_k, &kIscCoefficientLimit},
                          {c.voc_tolerance_pct, &kVocToleranceLimit},
                          {c.isc_tolerance_pct, &kIscToleranceLimit},
                          {c.insulation_min_mohm, &kInsulationMinLimit}};
  const Check* const bad = std::find_if(std::begin(checks), std::end(checks),
                                        [](const Check& check) { return !WithinLimit(check.value, *check.limit); });
  if (bad != std::end(checks)) return ConditionFault{*bad->limit, bad->value};
  return std::nullopt;
}

}  // namespace voltrigg
