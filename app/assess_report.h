#pragma once
// voltrigg-cli --assess: the physical assessment of a completed run, its
// file BASE.assessment.json and its short report.
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/batch_front_end.h"
#include "app/shared/assess_options.h"
#include "assess/assessment.h"

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

// The batch front end that assesses the run once its result file is written.
class AssessingFrontEnd : public BatchFrontEnd {
 public:
  AssessingFrontEnd(std::string series, std::string parallel, const CliAssessOptions& options)
      : BatchFrontEnd(std::move(series), std::move(parallel)), options_(options) {}

  void ResultWritten(const RunState& state) override;

  // Set after a completed run: the assessment, or why there is none.
  const std::optional<Assessment>& assessment() const { return assessment_; }
  const std::vector<std::string>& problems() const { return problems_; }

 private:
  CliAssessOptions options_;
  std::optional<Assessment> assessment_;
  std::vector<std::string> problems_;
};

// After a completed run: writes `output_base`.assessment.json (atomically) and
// prints the table to `out` and warnings and problems to `err`. Without an
// assessment an older assessment file is removed. Returns the exit status: 0,
// or 2 when there is no assessment or its file could not be written.
int ReportAssessment(const AssessingFrontEnd& front_end, const std::string& output_base, std::ostream& out,
                     std::ostream& err);

// After a run completed without --assess: an assessment file left beside the
// result by an earlier run is removed. False when one is there and stays.
bool RemoveStaleAssessment(const std::string& output_base);

// The stdout table of an assessment.
std::string AssessmentTable(const Assessment& assessment);

}  // namespace voltrigg
