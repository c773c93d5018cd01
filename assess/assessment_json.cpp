// The assessment file: JSON built with nlohmann::ordered_json (keys in the
// order written) and printed with every number as its shortest text that
// reads back to the same double.
#include <iconv.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>

#include "assess/assessment.h"

namespace voltrigg {

namespace {

using Json = nlohmann::ordered_json;

// Length of the valid UTF-8 sequence starting at `p`, 0 when there is none.
std::size_t Utf8Length(const unsigned char* p, std::size_t left) {
  const unsigned char c = p[0];
  std::size_t n = 0;
  std::uint32_t code = 0;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) {
    n = 2;
    code = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3;
    code = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4;
    code = c & 0x07;
  } else {
    return 0;
  }
  if (left < n) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((p[k] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (p[k] & 0x3F);
  }
  // No overlong forms, no surrogates, nothing beyond U+10FFFF.
  static constexpr std::uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kMin[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return n;
}

bool IsUtf8(const std::string& s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t n = Utf8Length(p + i, s.size() - i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

void Escape(std::string& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

void WriteNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  (void)ec;  // 64 bytes always hold a double
  out.append(buf, end);
}

// Prints `j` indented by two spaces per level; numbers through WriteNumber,
// strings escaped by the library.
void Print(std::string& out, const Json& j, int depth) {
  const std::string pad(static_cast<std::size_t>(depth + 1) * 2, ' ');
  const std::string close(static_cast<std::size_t>(depth) * 2, ' ');
  switch (j.type()) {
    case Json::value_t::object: {
      if (j.empty()) {
        out += "{}";
        return;
      }
      out += "{\n";
      bool first = true;
      for (auto it = j.begin(); it != j.end(); ++it) {
        if (!first) out += ",\n";
        first = false;
        out += pad;
        out += Json(it.key()).dump();
        out += ": ";
        Print(out, it.value(), depth + 1);
      }
      out += "\n" + close + "}";
      return;
    }
    case Json::value_t::array: {
      if (j.empty()) {
        out += "[]";
        return;
      }
      // Arrays of plain numbers stay on one line.
      const bool flat = std::all_of(j.begin(), j.end(), [](const Json& e) { return e.is_number(); });
      out += flat ? "[" : "[\n";
      bool first = true;
      for (const Json& e : j) {
        if (!first) out += flat ? ", " : ",\n";
        first = false;
        if (!flat) out += pad;
        Print(out, e, depth + 1);
      }
      out += flat ? "]" : "\n" + close + "]";
      return;
    }
    case Json::value_t::number_float:
      WriteNumber(out, j.get<double>());
      return;
    default:
      out += j.dump();
      return;
  }
}

Json Point(const PlanningPoint& p) { return Json{{"pmax_w", p.pmax_w}, {"vpm_v", p.vpm_v}, {"ipm_a", p.ipm_a}}; }

Json Arrangement(const ArrangementFigures& f, const std::vector<ModuleData>& modules) {
  Json strings = Json::array();
  for (const StringFigures& s : f.strings) {
    Json numbers = Json::array();
    for (int index : s.modules) numbers.push_back(modules[static_cast<std::size_t>(index)].number);
    strings.push_back(
        Json{{"modules", numbers}, {"current_a", s.current_a}, {"voc_v", s.voc_v}, {"voc_cold_v", s.voc_cold_v}});
  }
  return Json{{"pmp_w", f.point.pmp_w},
              {"vmp_v", f.point.vmp_v},
              {"imp_a", f.point.imp_a},
              {"mismatch_loss_pct", f.mismatch_loss_pct},
              {"strings", strings}};
}

}  // namespace

std::string SerialAsUtf8(const std::string& bytes) {
  if (IsUtf8(bytes)) return bytes;
  std::string out;
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (reinterpret_cast<std::intptr_t>(cd) == -1) {  // iconv_open's (iconv_t)-1: no such conversion
    for (unsigned char c : bytes) {
      if (c < 0x80) {
        out += static_cast<char>(c);
      } else {
        Escape(out, c);
      }
    }
    return out;
  }
  // One character at a time (one or two bytes), so that a byte that is not
  // Shift-JIS is escaped alone and the rest still decodes.
  std::size_t i = 0;
  while (i < bytes.size()) {
    bool done = false;
    for (std::size_t len = 1; len <= 2 && i + len <= bytes.size() && !done; ++len) {
      char in_buf[2] = {bytes[i], len == 2 ? bytes[i + 1] : '\0'};
      char out_buf[16];
      char* in_ptr = in_buf;
      char* out_ptr = out_buf;
      std::size_t in_left = len;
      std::size_t out_left = sizeof out_buf;
      (void)iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<std::size_t>(-1) && in_left == 0) {
        out.append(out_buf, static_cast<std::size_t>(out_ptr - out_buf));
        i += len;
        done = true;
      }
    }
    if (!done) {
      Escape(out, static_cast<unsigned char>(bytes[i]));
      ++i;
    }
  }
  iconv_close(cd);
  return out;
}

std::string FormatAssessmentJson(const Assessment& a) {
  Json curves = Json::array();
  for (std::size_t k = 0; k < a.modules.size(); ++k) {
    const ModuleCurve& c = a.curves[k];
    curves.push_back(Json{{"no", a.modules[k].number},
                          {"serial", SerialAsUtf8(a.modules[k].serial)},
                          {"il_a", c.il_a},
                          {"i0_a", c.i0_a},
                          {"a_v", c.a_v},
                          {"rs_ohm", c.rs_ohm}});
  }
  const Json doc{
      {"model",
       "single diode without shunt resistance, bypass diode per module, fitted to Voc, Isc and the "
       "measured maximum power point"},
      {"conditions", Json{{"tmin_c", a.conditions.tmin_c},
                          {"voc_coefficient_pct_per_k", a.conditions.voc_coefficient_pct_per_k},
                          {"max_system_voltage_v", a.conditions.max_system_voltage_v},
                          {"bypass_drop_v", kBypassDropV}}},
      {"series", a.series},
      {"parallel", a.parallel},
      {"modules", a.modules.size()},
      {"sum_pmax_w", a.sum_pmax_w},
      {"sum_mpp_w", a.sum_mpp_w},
      {"module_curves", curves},
      {"arrangements", Json{{"initial", Arrangement(a.initial, a.modules)},
                            {"estimated", Arrangement(a.estimated, a.modules)},
                            {"optimized", Arrangement(a.optimized, a.modules)}}},
      {"random_wiring", Json{{"samples", a.random_wiring.samples},
                             {"mean_pmp_w", a.random_wiring.mean_pmp_w},
                             {"worst_pmp_w", a.random_wiring.worst_pmp_w}}},
      {"planning_figures", Json{{"minimum", Point(a.minimum)},
                                {"initial", Point(a.initial_point)},
                                {"estimated", Point(a.estimated_point)}}},
      {"voltage_check", Json{{"max_string_voc_cold_v", a.voltage_check.max_string_voc_cold_v},
                             {"limit_v", a.voltage_check.limit_v},
                             {"ok", a.voltage_check.ok}}},
  };
  std::string out;
  Print(out, doc, 0);
  out += '\n';
  return out;
}

}  // namespace voltrigg
