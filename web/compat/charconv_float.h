#pragma once
// What the C++20 core uses and the libc++ of Debian's emscripten (libc++ 13)
// lacks: std::from_chars and std::to_chars for float and double, and
// std::bit_cast; and musl's iconv knows Shift-JIS as "SHIFT_JIS", not by
// glibc's name "CP932". Forced into every translation unit of the web build
// (web/cmake/deps.cmake), so that the core compiles unchanged. They behave as
// GCC 12's libstdc++ does, which the native programs use; the Node tests hold
// the page's result files and assessment JSON to voltrigg-cli's byte for byte.
#include <iconv.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 14000

namespace voltrigg::web_compat {

// Length of the number at [first, last): [-] digits [. digits] [e [+-] digits],
// or [-] inf / nan; `nonzero` tells whether a mantissa digit is not 0.
inline std::size_t NumberPrefix(const char* first, const char* last, bool& nonzero, bool& special) {
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  const char* p = first;
  nonzero = false;
  special = false;
  if (p < last && *p == '-') ++p;
  for (const char* word : {"infinity", "inf", "nan"}) {
    const std::string w(word);
    if (static_cast<std::size_t>(last - p) >= w.size()) {
      bool same = true;
      for (std::size_t i = 0; i < w.size(); ++i) same = same && (p[i] | 0x20) == w[i];
      if (same) {
        special = true;
        return static_cast<std::size_t>(p + w.size() - first);
      }
    }
  }
  std::size_t digits = 0;
  for (; p < last && digit(*p); ++p, ++digits) nonzero = nonzero || *p != '0';
  if (p < last && *p == '.') {
    ++p;
    for (; p < last && digit(*p); ++p, ++digits) nonzero = nonzero || *p != '0';
  }
  if (digits == 0) return 0;
  if (p < last && (*p == 'e' || *p == 'E')) {
    const char* e = p + 1;
    if (e < last && (*e == '+' || *e == '-')) ++e;
    if (e < last && digit(*e)) {
      while (e < last && digit(*e)) ++e;
      p = e;
    }
  }
  return static_cast<std::size_t>(p - first);
}

// from_chars: the correctly rounded value of the longest prefix that is a
// number ('-' but no '+', no leading blanks, no hexadecimal), subnormal results
// accepted, result_out_of_range (value untouched) when a finite text rounds to
// infinity or a text with a nonzero digit rounds to zero. musl's strtof and
// strtod round correctly.
template <typename Float, typename Parse>
std::from_chars_result FromChars(const char* first, const char* last, Float& value, Parse parse) {
  bool nonzero = false;
  bool special = false;
  const std::size_t length = NumberPrefix(first, last, nonzero, special);
  if (length == 0) return {first, std::errc::invalid_argument};
  const std::string text(first, length);
  const Float parsed = parse(text.c_str());
  if (!special && (std::isinf(parsed) || (parsed == 0 && nonzero))) {
    return {first + length, std::errc::result_out_of_range};
  }
  value = parsed;
  return {first + length, std::errc()};
}

// to_chars: the shortest decimal that reads back to the same value, the one
// nearest the value among those; written as printf's %f or %e would write it,
// whichever is shorter (%f on a tie), as C++17 asks of the plain overload.
// musl's printf rounds exactly, so "%.*e" gives the nearest decimal of each
// length; where the value's rounding interval is lopsided (a power of two),
// the neighbour on the wide side is tried too.
template <typename Float, typename Parse>
std::to_chars_result ToChars(char* first, char* last, Float value, int max_digits, Parse parse) {
  char text[64];
  if (std::isnan(value)) {
    std::snprintf(text, sizeof text, "%s", std::signbit(value) ? "-nan" : "nan");
  } else if (std::isinf(value)) {
    std::snprintf(text, sizeof text, "%s", value < 0 ? "-inf" : "inf");
  } else if (value == 0) {
    std::snprintf(text, sizeof text, "%s", std::signbit(value) ? "-0" : "0");
  } else {
    std::string digits;
    int exponent = 0;
    for (int count = 1; count <= max_digits && digits.empty(); ++count) {
      char sci[64];
      std::snprintf(sci, sizeof sci, "%.*e", count - 1, static_cast<double>(std::fabs(value)));
      // sci: d[.ddd]e±xx
      std::string mantissa;
      const char* p = sci;
      for (; *p != 'e'; ++p) {
        if (*p != '.') mantissa += *p;
      }
      const int exp10 = std::atoi(p + 1);
      const auto reads_back = [&](const std::string& m, int e) {
        const std::string t = m + "e" + std::to_string(e - static_cast<int>(m.size()) + 1);
        return parse(t.c_str()) == std::fabs(value);
      };
      if (reads_back(mantissa, exp10)) {
        digits = mantissa;
        exponent = exp10;
        break;
      }
      // The neighbour on the other side of the value, same length.
      const std::string t = mantissa + "e" + std::to_string(exp10 - count + 1);
      const bool below = parse(t.c_str()) < std::fabs(value);
      std::string other = mantissa;
      int other_exp = exp10;
      int k = count - 1;
      if (below) {
        while (k >= 0 && other[static_cast<std::size_t>(k)] == '9') other[static_cast<std::size_t>(k--)] = '0';
        if (k < 0) {
          other = "1" + std::string(static_cast<std::size_t>(count - 1), '0');
          ++other_exp;
        } else {
          ++other[static_cast<std::size_t>(k)];
        }
      } else {
        while (k >= 0 && other[static_cast<std::size_t>(k)] == '0') other[static_cast<std::size_t>(k--)] = '9';
        if (k < 0) continue;
        --other[static_cast<std::size_t>(k)];
        if (other[0] == '0') {
          other = std::string(static_cast<std::size_t>(count), '9');
          --other_exp;
        }
      }
      if (reads_back(other, other_exp)) {
        digits = other;
        exponent = other_exp;
      }
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    const int n = static_cast<int>(digits.size());
    std::string scientific = digits.substr(0, 1);
    if (n > 1) scientific += "." + digits.substr(1);
    char exp_text[16];
    std::snprintf(exp_text, sizeof exp_text, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    scientific += exp_text;
    std::string fixed;
    if (exponent >= 0) {
      if (n <= exponent + 1) {
        fixed = digits + std::string(static_cast<std::size_t>(exponent + 1 - n), '0');
      } else {
        fixed = digits.substr(0, static_cast<std::size_t>(exponent + 1)) + "." +
                digits.substr(static_cast<std::size_t>(exponent + 1));
      }
    } else {
      fixed = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
    const std::string& shortest = fixed.size() <= scientific.size() ? fixed : scientific;
    std::snprintf(text, sizeof text, "%s%s", value < 0 ? "-" : "", shortest.c_str());
  }
  const std::size_t size = std::strlen(text);
  if (static_cast<std::size_t>(last - first) < size) return {last, std::errc::value_too_large};
  std::memcpy(first, text, size);
  return {first + size, std::errc()};
}

}  // namespace voltrigg::web_compat

namespace std {

inline from_chars_result from_chars(const char* first, const char* last, float& value,
                                    chars_format = chars_format::general) {
  return voltrigg::web_compat::FromChars(first, last, value, [](const char* t) { return std::strtof(t, nullptr); });
}

inline from_chars_result from_chars(const char* first, const char* last, double& value,
                                    chars_format = chars_format::general) {
  return voltrigg::web_compat::FromChars(first, last, value, [](const char* t) { return std::strtod(t, nullptr); });
}

}  // namespace std

namespace std {

inline to_chars_result to_chars(char* first, char* last, float value) {
  return voltrigg::web_compat::ToChars(first, last, value, 9, [](const char* t) { return std::strtof(t, nullptr); });
}

inline to_chars_result to_chars(char* first, char* last, double value) {
  return voltrigg::web_compat::ToChars(first, last, value, 17, [](const char* t) { return std::strtod(t, nullptr); });
}

template <class To, class From>
constexpr To bit_cast(const From& from) noexcept {
  static_assert(sizeof(To) == sizeof(From));
  return __builtin_bit_cast(To, from);
}

}  // namespace std

#endif  // libc++ before 14

// musl's iconv has Shift-JIS under another name than glibc's CP932.
inline iconv_t VoltriggWebIconvOpen(const char* to, const char* from) {
  const bool cp932 = std::strcmp(from, "CP932") == 0 || std::strcmp(from, "cp932") == 0;
  return iconv_open(to, cp932 ? "SHIFT_JIS" : from);
}
#define iconv_open VoltriggWebIconvOpen
