#pragma once
// The physical assessment of an opened result in the viewer: the first part
// (the curves, the result's wiring, the voltage check and the inverter
// window) shown at once, the optimiser and random wiring on another thread,
// and the assessment file voltrigg-cli --assess writes.
#include <QString>
#include <optional>

#include "document.h"

namespace voltrigg::viewer {

// The model's steps, with the notes worded again.
std::optional<AssessmentJob> StartAssessment(Document& doc);
void ApplyBackgroundPart(Document& doc, BackgroundResult result);
void RunAssessment(Document& doc);

// Writes the assessment file voltrigg-cli --assess writes for the same run,
// atomically; never over the result or its list. Needs the complete
// assessment of a result that the planning run on the list reproduces.
bool SaveAssessmentJson(const Document& doc, const QString& path, QString* error);

}  // namespace voltrigg::viewer
