#include "app/shared/commission_options.h"

namespace voltrigg {

std::optional<ConditionFault> ValidateCommissionOptions(const CommissionOptions& options) {
  if (auto fault = ValidateCommissionConditions(options.conditions)) return fault;
  const MeasurementDefaults& d = options.defaults;
  if (d.irradiance_w_m2 && !WithinLimit(*d.irradiance_w_m2, kIrradianceLimit)) {
    return ConditionFault{kIrradianceLimit, *d.irradiance_w_m2};
  }
  if (d.module_temperature_c && !WithinLimit(*d.module_temperature_c, kModuleTemperatureLimit)) {
    return ConditionFault{kModuleTemperatureLimit, *d.module_temperature_c};
  }
  return std::nullopt;
}

}  // namespace voltrigg
