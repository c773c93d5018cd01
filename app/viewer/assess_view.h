#pragma once
// The physical assessment of an opened result, by the same core code as
// voltrigg-cli --assess: the module list's curves, the result's wiring, the
// optimised wiring and random wiring, and the strings' cold voltage.
#include <QString>

#include "document.h"

namespace voltrigg::viewer {

// Fills doc.assessment when the list matches the result and every module's
// curve can be fitted; else leaves it empty with doc.assessment_note saying
// why (the module and what is wrong with its values).
void RunAssessment(Document& doc);

}  // namespace voltrigg::viewer
