#pragma once
// The blank measurement form for the commissioning crew: the measurement
// file's header and one row per string, with each string's expected Voc and
// Isc at 1000 W/m² and 25 °C in two extra columns for orientation. Filled in,
// it is a measurement file (commission/measurement_file.h).
#include <string>
#include <vector>

namespace voltrigg {

struct FormRow {
  int string_no = 0;
  double voc_stc_v = 0;  // expected string Voc at 1000 W/m² and 25 °C
  double isc_stc_a = 0;  // expected string Isc at 1000 W/m² and 25 °C
};

inline constexpr const char* kVocStcColumn = "voc_stc_v";
inline constexpr const char* kIscStcColumn = "isc_stc_a";

// The form as CSV text, CR LF line ends.
std::string FormatMeasurementForm(const std::vector<FormRow>& rows);

}  // namespace voltrigg
