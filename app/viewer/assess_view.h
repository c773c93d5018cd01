#pragma once
// The physical assessment of an opened result, by the same core code as
// voltrigg-cli --assess: the module list's curves, the result's wiring, the
// optimised wiring and random wiring, and the strings' cold voltage.
#include <QString>
#include <optional>
#include <vector>

#include "assess/array_curve.h"
#include "assess/assessment.h"
#include "assess/module_curve.h"
#include "document.h"

namespace voltrigg::viewer {

// What the slow part of the assessment (the optimiser and random wiring)
// needs, copied, so that it can run on another thread while the window shows
// the rest.
struct AssessmentJob {
  std::vector<ModuleData> modules;
  std::vector<ModuleCurve> curves;
  Wiring wiring;
  AssessConditions conditions;
  std::vector<ListModule> list;
};

struct AssessmentExtras {
  PhysicalFigures optimized;
  std::vector<WiredModule> optimized_wiring;
  RandomWiringFigures random;
};

// Fills doc.assessment with the result's wiring when the list matches the
// result and every module's curve can be fitted; else leaves it empty with
// doc.assessment_note saying why (the module and what is wrong with its
// values). Returns what the optimised and random wiring still need.
std::optional<AssessmentJob> StartAssessment(Document& doc);

// The optimised wiring and random wiring (some hundred milliseconds at 1000
// modules); any thread.
AssessmentExtras CompleteAssessment(const AssessmentJob& job);

void ApplyAssessmentExtras(Document& doc, AssessmentExtras extras);

// All of it at once, for the plan written without a window.
void RunAssessment(Document& doc);

}  // namespace voltrigg::viewer
