#include "commission/measurement_form.h"

#include <cstdio>

#include "commission/measurement_file.h"

namespace voltrigg {

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
