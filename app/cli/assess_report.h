#pragma once
// voltrigg-cli --assess: the physical assessment of a completed run, its
// file BASE.assessment.json and its short report.
#include <iosfwd>
#include <string>

#include "app/shared/assess_options.h"
#include "assess/assessment.h"
#include "run/plan_assessment.h"

namespace CLI {
class App;
}

namespace voltrigg {

struct CliAssessOptions {
  bool enabled = false;
  AssessOptions options;
  bool inverter_given = false;  // --inverter, even with an empty name
  std::string inverter_path;    // read with LoadInverterOption after parsing
};

// Adds --assess, --tmin, --voc-coefficient, --max-system-voltage,
// --t-cold-operating, --t-hot, --isc-coefficient, --isc-factor, --inverter
// and --extras.
// The values are checked after parsing, by ValidateConditions.
void AddAssessOptions(CLI::App& app, CliAssessOptions& options);

// After a completed run: writes `output_base`.assessment.json (atomically) and
// prints the table to `out` and warnings and problems to `err`. Returns the
// exit status: 0, or 2 when there is no assessment or its file could not be
// written (no assessment file is then left beside the result).
int ReportAssessment(const PlanAssessment& assessment, const std::string& output_base, std::ostream& out,
                     std::ostream& err);

// The stdout table of an assessment.
std::string AssessmentTable(const Assessment& assessment);

}  // namespace voltrigg
