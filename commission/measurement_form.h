#pragma once
// The blank measurement form for the commissioning crew: the measurement
// file's header and one row per string, with each string's expected Voc and
// Isc at 1000 W/m² and 25 °C in two extra columns for orientation. Filled in,
// it is a measurement file (commission/measurement_file.h).
#include <string>
#include <vector>

#include "assess/array_curve.h"
#include "assess/curve_translation.h"

namespace voltrigg {

struct FormRow {
  int string_no = 0;
  double voc_stc_v = 0;  // expected string Voc at 1000 W/m² and 25 °C
  double isc_stc_a = 0;  // expected string Isc at 1000 W/m² and 25 °C
};

inline constexpr const char* kVocStcColumn = "voc_stc_v";
inline constexpr const char* kIscStcColumn = "isc_stc_a";

// One row per string of `wiring`, numbered from 1, with its expected values
// at 1000 W/m² and 25 °C (ExpectedStringAt: std::invalid_argument as it).
std::vector<FormRow> FormRowsAtStc(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                                   const Wiring& wiring, const TemperatureCoefficients& coefficients);

// The form as CSV text, CR LF line ends.
std::string FormatMeasurementForm(const std::vector<FormRow>& rows);

}  // namespace voltrigg
