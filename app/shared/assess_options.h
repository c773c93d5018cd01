#pragma once
// The assessment's options as the front ends take them; each is a row of the
// option table (app/shared/option_table.h), and its default and its range
// are the core's (assess/conditions.h).
#include <optional>
#include <string>
#include <string_view>

#include "app/shared/option_table.h"
#include "assess/conditions.h"
#include "assess/inverter_profile.h"

namespace voltrigg {

struct AssessOptions {
  AssessConditions conditions;
  bool isc_first = false;    // the list's columns 6 and 7 hold Isc and Voc (default: Voc and Isc)
  InverterProfile inverter;  // --inverter, read before anything runs; none: only the system voltage limit
};

// --inverter FILE: the profile read into `options`, or why it cannot be used
// (ProfileFaultText words it), in which case `options` is unchanged.
std::optional<ProfileFault> LoadInverterOption(const std::string& path, AssessOptions& options);

// --extras: "voc,isc" or "isc,voc", blanks ignored; true for Isc first.
std::optional<bool> ParseExtrasOrder(std::string_view text);

}  // namespace voltrigg
