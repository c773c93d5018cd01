#pragma once
// The blank measurement form for the commissioning crew: the measurement
// file's header and one row per string, every measured column empty (Voc,
// Isc, the conditions, the further items of the record, a note), each
// string's expected Voc and Isc at 1000 W/m² and 25 °C in two extra columns
// for orientation, and the plan's fingerprint on every row. Filled in, it is
// a measurement file (commission/measurement_file.h) of that plan.
#include <string>
#include <vector>

#include "assess/array_curve.h"
#include "assess/curve_translation.h"
#include "commission/named_strings.h"

namespace voltrigg {

struct FormRow {
  int string_no = 0;
  double voc_stc_v = 0;  // expected string Voc at 1000 W/m² and 25 °C
  double isc_stc_a = 0;  // expected string Isc at 1000 W/m² and 25 °C
  std::string plan;      // the plan's fingerprint (PlanFingerprint); empty: none written
};

inline constexpr const char* kVocStcColumn = "voc_stc_v";
inline constexpr const char* kIscStcColumn = "isc_stc_a";

// One row per string of `wiring`, numbered from 1, with its expected values
// at 1000 W/m² and 25 °C and the fingerprint of `wiring` (ExpectedStringAt:
// std::invalid_argument as it).
std::vector<FormRow> FormRowsAtStc(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                                   const Wiring& wiring, const TemperatureCoefficients& coefficients);

// One row per string of a plan of named strings, in the plan's order, each
// with its expected values at 1000 W/m² and 25 °C and the plan's
// fingerprint (of its modules' serials string by string). A plan of the
// wrong shape (NamedPlanFault) and what ExpectedStringAt refuses:
// std::invalid_argument.
std::vector<FormRow> FormRowsOfNamedPlan(const NamedStringPlan& plan, const TemperatureCoefficients& coefficients);

// The form as CSV text, CR LF line ends: string, voc_v, isc_a,
// irradiance_w_m2, module_temperature_c, polarity, insulation_pos_mohm,
// insulation_neg_mohm, insulation_test_v, earth_continuity_ohm, note (all
// empty), voc_stc_v, isc_stc_a, plan. With `names` (a plan of named strings:
// names[j] names rows[j], as many as rows, else std::invalid_argument) the
// string column holds the names, else the rows' numbers.
std::string FormatMeasurementForm(const std::vector<FormRow>& rows, const std::vector<std::string>& names = {});

}  // namespace voltrigg
