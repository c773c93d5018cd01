#include "input/number_text.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <system_error>

namespace voltrigg {

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

bool LooksLikeNumber(std::string_view t) {
  std::size_t i = 0;
  const std::size_t n = t.size();
  if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < n && IsDigit(t[i])) ++i, ++digits;
  if (i < n && t[i] == '.') {
    ++i;
    while (i < n && IsDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t exp_digits = 0;
    while (i < n && IsDigit(t[i])) ++i, ++exp_digits;
    if (exp_digits == 0) return false;
  }
  return i == n;
}

bool ParseNumberField(std::string_view text, float& value) {
  if (text.empty()) {
    value = 0;
    return true;
  }
  if (!LooksLikeNumber(text)) return false;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (*first == '+') ++first;  // from_chars takes no plus sign
  auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec == std::errc::result_out_of_range) {
    // Too small for a normal float: it rounds towards zero. Too large: refused.
    double wide = 0;
    auto [wide_end, wide_ec] = std::from_chars(first, last, wide);
    if (wide_ec != std::errc() || wide_end != last) return false;
    if (std::fabs(wide) > static_cast<double>(std::numeric_limits<float>::max())) return false;
    value = static_cast<float>(wide);
    return std::isfinite(value);
  }
  return ec == std::errc() && ptr == last;
}

std::string FormatFloat(float value) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  (void)ec;  // 64 bytes always hold a float
  return std::string(buf, end);
}

std::string FormatDouble(double value) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  (void)ec;  // 64 bytes always hold a double
  return std::string(buf, end);
}

}  // namespace voltrigg
