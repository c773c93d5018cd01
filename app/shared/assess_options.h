#pragma once
// The assessment's options as both front ends take them (--tmin,
// --voc-coefficient, --max-system-voltage, --t-cold-operating, --t-hot,
// --isc-coefficient, --isc-factor, --inverter, --extras); their defaults and
// allowed values are the core's (assess/conditions.h).
#include <optional>
#include <string>
#include <string_view>

#include "assess/conditions.h"
#include "assess/inverter_profile.h"

namespace voltrigg {

struct AssessOptions {
  AssessConditions conditions;
  bool isc_first = false;    // the list's columns 6 and 7 hold Isc and Voc (default: Voc and Isc)
  InverterProfile inverter;  // --inverter, read before anything runs; none: only the system voltage limit
};

// --inverter FILE: the profile read into `options`, or what is wrong with it
// (naming the file and the key), in which case `options` is unchanged.
std::optional<std::string> LoadInverterOption(const std::string& path, AssessOptions& options);

// --extras: "voc,isc" or "isc,voc", blanks ignored; true for Isc first.
std::optional<bool> ParseExtrasOrder(std::string_view text);

// An option's number: the whole text a decimal number, blanks around it
// allowed. "nan" and "inf" read as such; ValidateConditions refuses them.
std::optional<double> ParseOptionNumber(std::string_view text);

}  // namespace voltrigg
