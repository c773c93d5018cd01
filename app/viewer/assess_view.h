#pragma once
// The physical assessment of an opened result, by exactly the functions
// voltrigg-cli --assess calls: the planning run made again on the module list
// gives the search's initial arrangement; the first part (the curves, the
// result's wiring, the voltage check) is shown at once, the second (the
// optimiser, random wiring) runs on another thread.
#include <QString>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "assess/assessment.h"
#include "document.h"

namespace voltrigg::viewer {

// What the background part needs, copied, so that it can run on another
// thread while the window shows the rest.
struct AssessmentJob {
  voltrigg::Assessment core;  // the first part done
  std::vector<ListRow> list;
};

struct BackgroundResult {
  voltrigg::Assessment core;  // complete unless stopped or failed
  PhysicalFigures optimized;
  std::vector<WiredModule> optimized_wiring;
  bool stopped = false;  // superseded by a newer file
  std::string error;     // what went wrong, when the part failed
};

// Fills doc.assessment with the first part when the list matches the result,
// the conditions are valid and every module's curve can be fitted; else
// leaves it empty with doc.assessment_note saying why. Returns what the
// background part still needs.
std::optional<AssessmentJob> StartAssessment(Document& doc);

// The optimiser and random wiring (some hundred milliseconds at 1000
// modules); any thread; never throws. A stop requested through `stop` ends it
// between two optimiser rounds.
BackgroundResult RunBackgroundPart(AssessmentJob job, const std::stop_token& stop = {});

// Takes the background part's figures into the document, or its failure into
// doc.assessment_note.
void ApplyBackgroundPart(Document& doc, BackgroundResult result);

// All of it at once, for the files written without a window.
void RunAssessment(Document& doc);

// Writes the assessment file voltrigg-cli --assess writes for the same run,
// atomically; never over the result or its list. Needs the complete
// assessment of a result that the planning run on the list reproduces.
bool SaveAssessmentJson(const Document& doc, const QString& path, QString* error);

}  // namespace voltrigg::viewer
