#pragma once
// The assessment file, BASE.assessment.json.
#include <string>

#include "assess/assessment.h"

namespace voltrigg {

// The assessment as JSON text (UTF-8, shortest round-trip numbers, ends with a
// line end). Serial numbers that are not UTF-8 are decoded as Shift-JIS.
std::string FormatAssessmentJson(const Assessment& assessment);

}  // namespace voltrigg
