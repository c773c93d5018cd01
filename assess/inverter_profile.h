#pragma once
// The limits of an inverter input that a string design is checked against,
// read from a small JSON profile:
//   {"name": "...", "max_dc_voltage_v": 1000, "mppt_min_v": 200, "mppt_max_v": 800,
//    "max_input_current_a": 26, "max_short_circuit_current_a": 40}
// Every key may be missing (or null): that limit is then not checked.
#include <cstddef>
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

// The profile's limit keys, in the order of the assessment file.
inline constexpr const char* kProfileLimitKeys[] = {"max_dc_voltage_v", "mppt_min_v", "mppt_max_v",
                                                    "max_input_current_a", "max_short_circuit_current_a"};

// Why a profile cannot be used.
enum class ProfileFaultKind {
  CannotOpen,
  TooLarge,  // above kMaxProfileBytes
  CannotRead,
  NotJson,      // key: the last key read before the error, detail: the JSON parser's own words
  KeyTwice,     // key
  NotAnObject,  //
  NameNotText,
  NameTooLong,           // above kMaxProfileNameBytes
  NameControlCharacter,  //
  UnknownKey,            // key
  NotANumber,            // key
  NotAboveZero,          // key
  Negative,              // key (the MPPT minimum, which may be 0)
  MinNotBelowMax,        // mppt_min_v not below mppt_max_v
  MaxAboveDcVoltage,     // mppt_max_v above max_dc_voltage_v
  NoLimit,               // not one limit given: the profile would check nothing
};

struct ProfileFault {
  ProfileFaultKind what = ProfileFaultKind::CannotOpen;
  std::string file;  // ReadInverterProfile: the file as named
  std::string key;
  std::string detail;
};

inline constexpr std::size_t kMaxProfileBytes = std::size_t{64} * 1024;
inline constexpr std::size_t kMaxProfileNameBytes = 200;

// The profile in `text`, or nothing with `fault` saying why: text that is
// not one JSON object, a key twice, an unknown key, a value of the wrong
// type, a limit that is not a positive number (the MPPT minimum may be 0), an
// MPPT minimum not below the maximum, an MPPT maximum above the maximum DC
// voltage, a name longer than 200 bytes or with control characters, or no
// limit at all (`{}`, or a name alone: nothing would be checked).
std::optional<InverterProfile> ParseInverterProfile(const std::string& text, ProfileFault* fault);

// The profile in the file at `path` (at most kMaxProfileBytes), or nothing
// with `fault` naming the file and what is wrong.
std::optional<InverterProfile> ReadInverterProfile(const std::string& path, ProfileFault* fault);

}  // namespace voltrigg
