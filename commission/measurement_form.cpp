#include "commission/measurement_form.h"

#include <cstdio>

#include "commission/expected_string.h"
#include "commission/measurement_file.h"

namespace voltrigg {

std::vector<FormRow> FormRowsAtStc(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                                   const Wiring& wiring, const TemperatureCoefficients& coefficients) {
  std::vector<FormRow> rows;
  rows.reserve(wiring.size());
  for (std::size_t j = 0; j < wiring.size(); ++j) {
    const ExpectedString e = ExpectedStringAt(modules, fitted, wiring[j], CellConditions{}, coefficients);
    rows.push_back(FormRow{static_cast<int>(j) + 1, e.voc_v, e.isc_a});
  }
  return rows;
}

std::string FormatMeasurementForm(const std::vector<FormRow>& rows) {
  std::string out = std::string(kStringColumn) + "," + kVocColumn + "," + kIscColumn + "," + kIrradianceColumn + "," +
                    kModuleTemperatureColumn + "," + kNoteColumn + "," + kVocStcColumn + "," + kIscStcColumn + "\r\n";
  for (const FormRow& r : rows) {
    // To the meter's resolution: the crew compares, the check computes.
    char line[96];
    (void)std::snprintf(line, sizeof line, "%d,,,,,,%.2f,%.3f\r\n", r.string_no, r.voc_stc_v, r.isc_stc_a);
    out += line;
  }
  return out;
}

}  // namespace voltrigg
