#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "input/run_error.h"

namespace voltrigg {

// A count box's text as a 16-bit signed integer: blanks around the number are
// allowed, a fraction is rounded to the nearest whole number with an exact half
// going to the even neighbour. Throws RunError when the text is not a number or
// the value lies outside -32768..32767.
std::int16_t ConvertCount(std::string_view text, CountBox box);

struct RunCounts {
  std::int16_t SeriesCount = 0;
  std::int16_t ParallelCount = 0;
};

// The series count is converted first, so its error is the one reported.
RunCounts ReadRunCounts(std::string_view series_text, std::string_view parallel_text);

// The count checks in their order. The first four are the system's own
// (their messages are its texts in every language); the last two keep a run
// from writing a result without an array.
enum class CountCheck {
  ModuleCount,      // N = P x S
  ModulesOver1000,  // N <= 1000
  ParallelOver100,  // P <= 100
  SeriesOver20,     // S <= 20
  ParallelBelow1,   // P >= 1
  SeriesBelow1,     // S >= 1
};

// The first check that fails, or nothing. Throws RunError when P x S leaves
// the 16-bit range.
std::optional<CountCheck> CheckRunInputs(std::int16_t module_count, std::int16_t series_count,
                                         std::int16_t parallel_count);

// The system's own message of one of the four checks, as the window shows it
// ("モジュール枚数があいません", ...); nothing for the two checks of its own.
std::optional<std::string> SystemCheckMessage(CountCheck check);

}  // namespace voltrigg
