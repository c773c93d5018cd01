#include "commission/measurement_form.h"

#include <cstdio>
#include <stdexcept>

#include "commission/expected_string.h"
#include "commission/measurement_file.h"
#include "commission/plan_fingerprint.h"

namespace voltrigg {

namespace {

// A field as the reader reads it back: quoted when it holds a comma, a
// quote or a line end.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace

std::vector<FormRow> FormRowsAtStc(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                                   const Wiring& wiring, const TemperatureCoefficients& coefficients) {
  std::vector<FormRow> rows;
  rows.reserve(wiring.size());
  for (std::size_t j = 0; j < wiring.size(); ++j) {
    const ExpectedString e = ExpectedStringAt(modules, fitted, wiring[j], CellConditions{}, coefficients);
    rows.push_back(FormRow{static_cast<int>(j) + 1, e.voc_v, e.isc_a, {}});
  }
  // After the strings: their modules are known to be in the list.
  const std::string plan = PlanFingerprint(modules, wiring);
  for (FormRow& row : rows) row.plan = plan;
  return rows;
}

std::vector<FormRow> FormRowsOfNamedPlan(const NamedStringPlan& plan, const TemperatureCoefficients& coefficients) {
  if (const std::optional<std::string> fault = NamedPlanFault(plan)) throw std::invalid_argument(*fault);
  return FormRowsAtStc(plan.modules, plan.curves, plan.wiring, coefficients);
}

std::string FormatMeasurementForm(const std::vector<FormRow>& rows, const std::vector<std::string>& names) {
  if (!names.empty() && names.size() != rows.size()) throw std::invalid_argument("names and rows differ in number");
  std::string out;
  for (const char* column :
       {kStringColumn, kVocColumn, kIscColumn, kIrradianceColumn, kModuleTemperatureColumn, kPolarityColumn,
        kInsulationPositiveColumn, kInsulationNegativeColumn, kInsulationTestVoltageColumn, kEarthContinuityColumn,
        kNoteColumn, kVocStcColumn, kIscStcColumn}) {
    out += std::string(column) + ",";
  }
  out += std::string(kPlanColumn) + "\r\n";
  for (std::size_t j = 0; j < rows.size(); ++j) {
    const FormRow& r = rows[j];
    // To the meter's resolution: the crew compares, the check computes. Room
    // for any double, so that no row loses its end.
    char line[400];
    (void)std::snprintf(line, sizeof line, ",,,,,,,,,,%.2f,%.3f,", r.voc_stc_v, r.isc_stc_a);
    out += (names.empty() ? std::to_string(r.string_no) : CsvField(names[j])) + "," + line + CsvField(r.plan) + "\r\n";
  }
  return out;
}

}  // namespace voltrigg
