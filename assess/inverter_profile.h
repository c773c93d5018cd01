#pragma once
// The limits of an inverter input that a string design is checked against,
// read from a small JSON profile:
//   {"name": "...", "max_dc_voltage_v": 1000, "mppt_min_v": 200, "mppt_max_v": 800,
//    "max_input_current_a": 26, "max_short_circuit_current_a": 40}
// Every key may be missing (or null): that limit is then not checked.
#include <optional>
#include <string>

namespace voltrigg {

struct InverterProfile {
  std::optional<std::string> name;
  std::optional<double> max_dc_voltage_v;
  std::optional<double> mppt_min_v;                   // lower end of the MPP tracking window
  std::optional<double> mppt_max_v;                   // upper end
  std::optional<double> max_input_current_a;          // the input's usable current; above it the inverter clips
  std::optional<double> max_short_circuit_current_a;  // the input's limit for the array's short-circuit current
};

// The profile in `text`, or nothing with `problem` naming the key at fault:
// text that is not one JSON object, a key twice, an unknown key, a value of the
// wrong type, a limit that is not a positive number (the MPPT minimum may be
// 0), an MPPT minimum not below the maximum, an MPPT maximum above the maximum
// DC voltage, a name longer than 200 bytes or with control characters.
std::optional<InverterProfile> ParseInverterProfile(const std::string& text, std::string* problem);

// The profile in the file at `path` (at most 64 KiB), or nothing with
// `problem` naming the file and what is wrong.
std::optional<InverterProfile> ReadInverterProfile(const std::string& path, std::string* problem);

}  // namespace voltrigg
