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

// The common case of both directions, without musl's long double arithmetic
// (slow in WebAssembly): a decimal of at most 19 significant digits whose
// integer fits a double exactly, scaled by an exact power of ten up to 22,
// is rounded once by one multiplication or division (Clinger's fast path).
// A float taken from that double is right unless the double lies exactly
// halfway between two floats. Anything else is left to strtof and strtod.
template <typename Float>
bool FastParse(const char* first, std::size_t length, Float& out) {
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const char* p = first;
  const char* end = first + length;
  const bool negative = p < end && *p == '-';
  if (negative) ++p;
  unsigned long long mantissa = 0;
  int digits = 0;
  int exponent = 0;
  bool any = false;
  const auto take = [&](char c, bool fraction) {
    any = true;
    if (mantissa == 0 && c == '0') {
      if (fraction) --exponent;
      return true;
    }
    if (digits == 19) return false;
    mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
    ++digits;
    if (fraction) --exponent;
    return true;
  };
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    if (!take(*p, false)) return false;
  }
  if (p < end && *p == '.') {
    for (++p; p < end && *p >= '0' && *p <= '9'; ++p) {
      if (!take(*p, true)) return false;
    }
  }
  if (!any) return false;
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    const bool minus = p < end && *p == '-';
    if (p < end && (*p == '+' || *p == '-')) ++p;
    int e = 0;
    int count = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
      if (++count > 5) return false;
      e = e * 10 + (*p - '0');
    }
    exponent += minus ? -e : e;
  }
  if (p != end || mantissa > (1ULL << 53)) return false;
  double d = static_cast<double>(mantissa);
  if (mantissa != 0) {
    if (exponent < -22 || exponent > 22) return false;
    d = exponent < 0 ? d / kPowers[-exponent] : d * kPowers[exponent];
  }
  if (negative) d = -d;
  if constexpr (sizeof(Float) == sizeof(float)) {
    const float f = static_cast<float>(d);
    if (std::isinf(f)) return false;
    if (static_cast<double>(f) != d) {
      const float other = std::nextafter(f, static_cast<double>(d) > static_cast<double>(f) ? HUGE_VALF : -HUGE_VALF);
      if ((static_cast<double>(f) + static_cast<double>(other)) / 2 == d) return false;  // a tie: strtof decides
    }
    out = f;
  } else {
    out = d;
  }
  return true;
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
  Float parsed{};
  if (special || !FastParse(first, length, parsed)) {
    const std::string text(first, length);
    parsed = parse(text.c_str());
  }
  if (!special && (std::isinf(parsed) || (parsed == 0 && nonzero))) {
    return {first + length, std::errc::result_out_of_range};
  }
  value = parsed;
  return {first + length, std::errc()};
}

// to_chars: the shortest decimal that reads back to the same value, the one
// nearest the value among those; written as printf's %f or %e would write it,
// whichever is shorter (%f on a tie), as C++17 asks of the plain overload.
// The value's whole decimal expansion comes from one "%.*e" (musl's printf is
// exact, and `exact_digits` holds every digit a float or a double can have);
// it is rounded to 1, 2, ... digits, half to even, until one reads back.
// Where the value's rounding interval is lopsided (a power of two), the
// neighbour on the wide side is tried too.
template <typename Float, typename Parse>
std::to_chars_result ToChars(char* first, char* last, Float value, int max_digits, int exact_digits, Parse parse) {
  char text[64];
  if (std::isnan(value)) {
    std::snprintf(text, sizeof text, "%s", std::signbit(value) ? "-nan" : "nan");
  } else if (std::isinf(value)) {
    std::snprintf(text, sizeof text, "%s", value < 0 ? "-inf" : "inf");
  } else if (value == 0) {
    std::snprintf(text, sizeof text, "%s", std::signbit(value) ? "-0" : "0");
  } else {
    const Float magnitude = std::fabs(value);
    static char expansion[800];
    std::snprintf(expansion, sizeof expansion, "%.*e", exact_digits, static_cast<double>(magnitude));
    std::string all;  // every digit of the expansion, the first before the point
    const char* e = expansion;
    for (; *e != 'e'; ++e) {
      if (*e != '.') all += *e;
    }
    const int all_exp10 = std::atoi(e + 1);
    const auto reads_back = [&](const std::string& m, int exp10) {
      const std::string t = m + "e" + std::to_string(exp10 - static_cast<int>(m.size()) + 1);
      Float back{};
      if (!FastParse(t.data(), t.size(), back)) back = parse(t.c_str());
      return back == magnitude;
    };
    std::string digits;
    int exponent = 0;
    for (int count = 1; count <= max_digits && digits.empty(); ++count) {
      // The expansion rounded to `count` digits, half to even; the digits
      // dropped are all there is, so a tie is a true tie.
      std::string mantissa = all.substr(0, static_cast<std::size_t>(count));
      int exp10 = all_exp10;
      const char dropped = all[static_cast<std::size_t>(count)];
      const bool rest = all.find_first_not_of('0', static_cast<std::size_t>(count) + 1) != std::string::npos;
      const bool odd = (mantissa.back() - '0') % 2 == 1;
      bool below = true;  // the rounded decimal lies below the value
      if (dropped > '5' || (dropped == '5' && (rest || odd))) {
        below = false;
        int k = count - 1;
        while (k >= 0 && mantissa[static_cast<std::size_t>(k)] == '9') mantissa[static_cast<std::size_t>(k--)] = '0';
        if (k < 0) {
          mantissa = "1" + std::string(static_cast<std::size_t>(count - 1), '0');
          ++exp10;
        } else {
          ++mantissa[static_cast<std::size_t>(k)];
        }
      }
      if (reads_back(mantissa, exp10)) {
        digits = mantissa;
        exponent = exp10;
        break;
      }
      // The neighbour on the other side of the value, same length.
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
        // A whole number is written with all its digits, as printf's %.0f
        // writes it (71778983936, not 71778980000), as libstdc++ does.
        fixed = exponent == all_exp10 ? all.substr(0, static_cast<std::size_t>(exponent + 1))
                                      : digits + std::string(static_cast<std::size_t>(exponent + 1 - n), '0');
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
  return voltrigg::web_compat::ToChars(first, last, value, 9, 120,
                                       [](const char* t) { return std::strtof(t, nullptr); });
}

inline to_chars_result to_chars(char* first, char* last, double value) {
  return voltrigg::web_compat::ToChars(first, last, value, 17, 780,
                                       [](const char* t) { return std::strtod(t, nullptr); });
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
