#pragma once
// The commissioning measurement file: comma-separated text (UTF-8 or
// Shift-JIS, CR LF or LF) with a header naming its columns in any order:
// string, voc_v, isc_a, irradiance_w_m2, module_temperature_c; a note column
// and unknown columns are carried and ignored. A row whose voc_v and isc_a
// are both empty is a string not measured yet (the blank form's rows).
#include <istream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "commission/string_verdict.h"

namespace voltrigg {

inline constexpr int kMaxMeasurementRows = 10000;

// The columns of the file, as the form writes them.
inline constexpr const char* kStringColumn = "string";
inline constexpr const char* kVocColumn = "voc_v";
inline constexpr const char* kIscColumn = "isc_a";
inline constexpr const char* kIrradianceColumn = "irradiance_w_m2";
inline constexpr const char* kModuleTemperatureColumn = "module_temperature_c";
inline constexpr const char* kNoteColumn = "note";

// The conditions of the whole file (--irradiance, --module-temperature), used
// where a row leaves them empty. Checked by the reader (kIrradianceLimit,
// kModuleTemperatureLimit; std::invalid_argument).
struct MeasurementDefaults {
  std::optional<double> irradiance_w_m2;
  std::optional<double> module_temperature_c;
};

// A file that cannot be used, with the line (0 for the file as a whole) and
// a message naming the file, the line and the field.
class MeasurementFileError : public std::runtime_error {
 public:
  MeasurementFileError(const std::string& message, int line) : std::runtime_error(message), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

// The measured strings of the file, in file order; `string_count` is the
// plan's P. Refused (MeasurementFileError): a number that does not parse or
// is not finite, a string number not in the plan, a string measured twice, a
// missing condition or one out of range, a row whose field count is not the
// header's, more than kMaxMeasurementRows rows, a broken field.
std::vector<StringMeasurement> ReadMeasurements(std::istream& in, const std::string& where, int string_count,
                                                const MeasurementDefaults& defaults);

// The same from the file at `path`.
std::vector<StringMeasurement> ReadMeasurementFile(const std::string& path, int string_count,
                                                   const MeasurementDefaults& defaults);

}  // namespace voltrigg
