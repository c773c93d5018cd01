#pragma once
// The assessment's options as both front ends take them (--tmin,
// --voc-coefficient, --max-system-voltage, --extras); their defaults and
// allowed values are the core's (assess/conditions.h).
#include <optional>
#include <string_view>

#include "assess/conditions.h"

namespace voltrigg {

struct AssessOptions {
  AssessConditions conditions;
  bool isc_first = false;  // the list's columns 6 and 7 hold Isc and Voc (default: Voc and Isc)
};

// --extras: "voc,isc" or "isc,voc", blanks ignored; true for Isc first.
std::optional<bool> ParseExtrasOrder(std::string_view text);

// An option's number: the whole text a decimal number, blanks around it
// allowed. "nan" and "inf" read as such; ValidateConditions refuses them.
std::optional<double> ParseOptionNumber(std::string_view text);

}  // namespace voltrigg
