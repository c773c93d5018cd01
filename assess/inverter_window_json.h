#pragma once
// The inverter window as the assessment file's "inverter_window" object (for
// the assessment's own JSON writer; not part of the public interface).
#include <nlohmann/json.hpp>

#include "assess/inverter_window.h"

namespace voltrigg {

// Keys in the order written; numbers that are not finite and limits not given
// as null, "ok" null for a check without a limit.
nlohmann::ordered_json InverterWindowJson(const InverterWindow& window);

}  // namespace voltrigg
