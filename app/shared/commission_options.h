#pragma once
// The commissioning check's options as both front ends take them
// (--voc-coefficient, --isc-coefficient, --voc-tolerance, --isc-tolerance,
// --irradiance, --module-temperature); their defaults and allowed values are
// the core's (commission/commission_conditions.h).
#include <optional>

#include "commission/commission_conditions.h"
#include "commission/measurement_file.h"

namespace voltrigg {

struct CommissionOptions {
  CommissionConditions conditions;
  MeasurementDefaults defaults;  // --irradiance, --module-temperature: for rows that leave them empty
};

// The first option out of its range, checked before anything is read: a
// check against nonsense must never pass.
std::optional<ConditionFault> ValidateCommissionOptions(const CommissionOptions& options);

}  // namespace voltrigg
