#include "input/run_counts.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <system_error>

#include "input/number_text.h"
#include "input/run_error.h"

namespace voltrigg {

namespace {

const char* BoxName(CountBox box) { return box == CountBox::Series ? "直列モジュール数" : "並列ストリング数"; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Full-width digits (U+FF10..U+FF19 in UTF-8) get their own hint.
bool HasFullWidthDigit(std::string_view t) {
  for (std::size_t i = 0; i + 2 < t.size(); ++i) {
    if (t[i] == '\xEF' && t[i + 1] == '\xBC' && t[i + 2] >= '\x90' && t[i + 2] <= '\x99') return true;
  }
  return false;
}

// The text as typed, cut after about 40 bytes but never inside a UTF-8 character.
std::string Quoted(std::string_view t) {
  std::size_t cut = t.size() > 40 ? 40 : t.size();
  while (cut > 0 && cut < t.size() && (static_cast<unsigned char>(t[cut]) & 0xC0) == 0x80) --cut;
  return "\"" + std::string(t.substr(0, cut)) + (cut < t.size() ? "...\"" : "\"");
}

// For a number text whose value is out of the double range: true when it is tiny.
bool TooSmallForDouble(std::string_view t) {
  const std::size_t e = t.find_first_of("eE");
  if (e != std::string_view::npos) return e + 1 < t.size() && t[e + 1] == '-';
  return t.find_first_of("123456789") > t.find('.');
}

}  // namespace

std::int16_t ConvertCount(std::string_view text, CountBox box) {
  std::string_view t = text;
  while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
  while (!t.empty() && IsBlank(t.back())) t.remove_suffix(1);
  const std::string name = BoxName(box);
  if (t.empty()) throw RunError(name + "を入力してください");
  if (!LooksLikeNumber(t)) {
    if (HasFullWidthDigit(t)) throw RunError(name + "は半角数字で入力してください: " + Quoted(text));
    throw RunError(name + "が数値ではありません: " + Quoted(text));
  }
  const char* first = t.data() + (t.front() == '+' ? 1 : 0);
  double value = 0;
  auto [end, ec] = std::from_chars(first, t.data() + t.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // Beyond the double range: either far too large, or so small it rounds to 0.
    value = TooSmallForDouble(t) ? 0.0 : 1e300;
  } else if (ec != std::errc() || end != t.data() + t.size()) {
    throw RunError(name + "が数値ではありません: " + Quoted(text));
  }
  const double rounded = std::nearbyint(value);  // the default mode rounds half to even
  if (!(rounded >= -32768.0 && rounded <= 32767.0)) {
    throw RunError(name + "が -32768～32767 の範囲外です: " + Quoted(text));
  }
  return static_cast<std::int16_t>(rounded);
}

RunCounts ReadRunCounts(std::string_view series_text, std::string_view parallel_text) {
  RunCounts c;
  c.SeriesCount = ConvertCount(series_text, CountBox::Series);
  c.ParallelCount = ConvertCount(parallel_text, CountBox::Parallel);
  return c;
}

std::optional<std::string> CheckRunInputs(std::int16_t module_count, std::int16_t series_count,
                                          std::int16_t parallel_count) {
  const int product = static_cast<int>(parallel_count) * static_cast<int>(series_count);
  if (product < -32768 || product > 32767) {
    throw RunError("並列ストリング数と直列モジュール数の積 (" + std::to_string(parallel_count) + " × " +
                   std::to_string(series_count) + ") が -32768～32767 の範囲外です");
  }
  if (module_count != product) return "モジュール枚数があいません";
  if (module_count > 1000) return "モジュール総数が1000を超えています";
  if (parallel_count > 100) return "並列ストリング数が100を超えています";
  if (series_count > 20) return "直列モジュール数が20を超えています";
  // Two negative counts, or a zero count with an empty list, pass the first
  // check yet make no array: a run on them would write a meaningless result.
  if (parallel_count < 1) return "並列ストリング数が1未満です";
  if (series_count < 1) return "直列モジュール数が1未満です";
  return std::nullopt;
}

std::string CheckFacts(std::int16_t module_count, std::int16_t series_count, std::int16_t parallel_count) {
  const int product = static_cast<int>(parallel_count) * static_cast<int>(series_count);
  // An empty file loads as -1 modules.
  const std::string modules = module_count < 0 ? std::string("モジュールリストファイルが空")
                                               : "モジュール " + std::to_string(module_count) + " 枚";
  return modules + "、並列 " + std::to_string(parallel_count) + " × 直列 " + std::to_string(series_count) + " = " +
         std::to_string(product);
}

}  // namespace voltrigg
