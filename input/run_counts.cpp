#include "input/run_counts.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <system_error>

#include "input/number_text.h"
#include "input/run_error.h"

namespace voltrigg {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Full-width digits (U+FF10..U+FF19 in UTF-8) get their own hint.
bool HasFullWidthDigit(std::string_view t) {
  for (std::size_t i = 0; i + 2 < t.size(); ++i) {
    if (t[i] == '\xEF' && t[i + 1] == '\xBC' && t[i + 2] >= '\x90' && t[i + 2] <= '\x99') return true;
  }
  return false;
}

// The text as typed, cut after about 40 bytes but never inside a UTF-8 character.
std::string Cut(std::string_view t) {
  std::size_t cut = t.size() > 40 ? 40 : t.size();
  while (cut > 0 && cut < t.size() && (static_cast<unsigned char>(t[cut]) & 0xC0) == 0x80) --cut;
  return std::string(t.substr(0, cut)) + (cut < t.size() ? "..." : "");
}

[[noreturn]] void Refuse(RunFaultKind what, CountBox box, std::string_view text) {
  RunFault fault = MakeFault(what, {}, Cut(text));
  fault.box = box;
  throw RunError(std::move(fault));
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
  if (t.empty()) Refuse(RunFaultKind::CountEmpty, box, text);
  if (!LooksLikeNumber(t)) {
    Refuse(HasFullWidthDigit(t) ? RunFaultKind::CountFullWidthDigits : RunFaultKind::CountNotANumber, box, text);
  }
  const char* first = t.data() + (t.front() == '+' ? 1 : 0);
  double value = 0;
  auto [end, ec] = std::from_chars(first, t.data() + t.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // Beyond the double range: either far too large, or so small it rounds to 0.
    value = TooSmallForDouble(t) ? 0.0 : 1e300;
  } else if (ec != std::errc() || end != t.data() + t.size()) {
    Refuse(RunFaultKind::CountNotANumber, box, text);
  }
  const double rounded = std::nearbyint(value);  // the default mode rounds half to even
  if (!(rounded >= -32768.0 && rounded <= 32767.0)) {
    Refuse(RunFaultKind::CountOutOfRange, box, text);
  }
  return static_cast<std::int16_t>(rounded);
}

RunCounts ReadRunCounts(std::string_view series_text, std::string_view parallel_text) {
  RunCounts c;
  c.SeriesCount = ConvertCount(series_text, CountBox::Series);
  c.ParallelCount = ConvertCount(parallel_text, CountBox::Parallel);
  return c;
}

std::optional<CountCheck> CheckRunInputs(std::int16_t module_count, std::int16_t series_count,
                                         std::int16_t parallel_count) {
  const int product = static_cast<int>(parallel_count) * static_cast<int>(series_count);
  if (product < -32768 || product > 32767) {
    throw RunError(MakeFault(RunFaultKind::CountProductOutOfRange, parallel_count, series_count));
  }
  if (module_count != product) return CountCheck::ModuleCount;
  if (module_count > 1000) return CountCheck::ModulesOver1000;
  if (parallel_count > 100) return CountCheck::ParallelOver100;
  if (series_count > 20) return CountCheck::SeriesOver20;
  // Two negative counts, or a zero count with an empty list, pass the first
  // check yet make no array: a run on them would write a meaningless result.
  if (parallel_count < 1) return CountCheck::ParallelBelow1;
  if (series_count < 1) return CountCheck::SeriesBelow1;
  return std::nullopt;
}

std::optional<std::string> SystemCheckMessage(CountCheck check) {
  switch (check) {
    case CountCheck::ModuleCount:
      return "モジュール枚数があいません";
    case CountCheck::ModulesOver1000:
      return "モジュール総数が1000を超えています";
    case CountCheck::ParallelOver100:
      return "並列ストリング数が100を超えています";
    case CountCheck::SeriesOver20:
      return "直列モジュール数が20を超えています";
    case CountCheck::ParallelBelow1:
    case CountCheck::SeriesBelow1:
      break;
  }
  return std::nullopt;
}

}  // namespace voltrigg
