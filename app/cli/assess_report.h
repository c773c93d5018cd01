#pragma once
// voltrigg-cli --assess: the physical assessment of a completed run, its
// file BASE.assessment.json and its short report.
#include <iosfwd>
#include <string>

#include "app/cli/cli_options.h"
#include "app/shared/assess_options.h"
#include "assess/assessment.h"
#include "run/plan_assessment.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace voltrigg {

struct CliAssessOptions {
  bool enabled = false;  // --assess
  CLI::Option* assess = nullptr;
  CLI::Option* inverter = nullptr;  // --inverter, even with an empty name
  CLI::Option* extras = nullptr;    // --extras
  ConditionTexts conditions;
  std::string inverter_path;
  std::string extras_text;
  AssessOptions options;  // after ReadAssessOptions
};

// Adds --assess and, from the option table, the assessment's conditions,
// --inverter and --extras, each needing --assess; helps in `language`.
void AddAssessOptions(CLI::App& app, CliAssessOptions& options, Language language);

// After parsing: the conditions, then --extras, then the profile, read into
// `options.options`; the refusal of the first that cannot be used, worded
// for voltrigg-cli in `language`.
std::optional<std::string> ReadAssessOptions(CliAssessOptions& options, Language language);

// After a completed run: writes `output_base`.assessment.json (atomically) and
// prints the table to `out` and warnings and problems to `err`. Returns the
// exit status: 0, or 2 when there is no assessment or its file could not be
// written (no assessment file is then left beside the result).
int ReportAssessment(const PlanAssessment& assessment, const std::string& output_base, Language language,
                     std::ostream& out, std::ostream& err);

}  // namespace voltrigg
