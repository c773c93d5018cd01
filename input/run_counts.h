#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace voltrigg {

enum class CountBox { Series, Parallel };

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

// The checks in their order: N = P x S, N <= 1000, P <= 100, S <= 20, then
// P >= 1 and S >= 1. The message of the first that fails, or nothing. Throws
// RunError when P x S leaves the 16-bit range.
std::optional<std::string> CheckRunInputs(std::int16_t module_count, std::int16_t series_count,
                                          std::int16_t parallel_count);

// The figures a failed check compared, for a line after its message:
// "モジュール 100 枚、並列 9 × 直列 10 = 90".
std::string CheckFacts(std::int16_t module_count, std::int16_t series_count, std::int16_t parallel_count);

}  // namespace voltrigg
