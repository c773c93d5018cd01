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
#include "input/list_warnings.h"

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

// Only the extras, for a result opened without the assessment (they decide
// the modules' Voc and Isc for the commissioning check): `extras` as
// ParseExtrasOrder reads it, the default order when missing or neither.
AssessOptions ExtrasOnlyOptions(const std::optional<std::string>& extras);

// The list's columns 6 and 7 as the options order them.
ExtrasUse ExtrasUseOf(const AssessOptions& options);

// What a planning run reads of the list's columns 6 and 7: nothing without
// the assessment (`assessment` null), else as its options order them.
ExtrasUse PlanningExtras(const AssessOptions* assessment);

}  // namespace voltrigg
