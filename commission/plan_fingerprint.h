#pragma once
// The fingerprint of a plan's wiring: its modules' serial numbers string by
// string in series order, reduced to a short text that the blank measurement
// form writes on every row, so that a form filled for one plan is not
// checked against another.
//
// The text is "p" followed by 16 lowercase hexadecimal digits: the 64-bit
// FNV-1a hash (offset basis 0xcbf29ce484222325, prime 0x100000001b3) of, for
// each string in order, its module count as 8 bytes little-endian, then for
// each module in series order its serial's length in bytes as 8 bytes
// little-endian followed by the serial's bytes as read. The lengths keep any
// serial text apart from its neighbours and any string from the next, so no
// two wirings share their bytes. The letter keeps a spreadsheet from reading
// a fingerprint of digits (or digits and an "e") as a number. Plain integer
// arithmetic on bytes: the same text on every platform and in the browser.
#include <string>
#include <string_view>
#include <vector>

#include "assess/array_curve.h"
#include "assess/module_curve.h"

namespace voltrigg {

inline constexpr std::size_t kPlanFingerprintLength = 17;

// `wiring` indexes `modules` (checked: std::invalid_argument).
std::string PlanFingerprint(const std::vector<ModuleData>& modules, const Wiring& wiring);

// The same from the serials themselves, string by string in series order.
std::string PlanFingerprintOfSerials(const std::vector<std::vector<std::string>>& serials);

// True when `written` (a plan field as read: blanks around it and the case of
// its letters aside) names the plan of `fingerprint`.
bool SamePlan(std::string_view written, std::string_view fingerprint);

}  // namespace voltrigg
