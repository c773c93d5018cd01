// The assessment file: JSON built with nlohmann::ordered_json (keys in the
// order written) and printed with every number as its shortest text that
// reads back to the same double.
#include "assess/assessment_json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

#include "assess/inverter_window_json.h"
#include "input/text_utf8.h"

namespace voltrigg {

namespace {

using Json = nlohmann::ordered_json;

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

std::string FormatAssessmentJson(const Assessment& a) {
  Json curves = Json::array();
  for (std::size_t k = 0; k < a.modules.size(); ++k) {
    const ModuleCurve& c = a.curves[k];
    curves.push_back(Json{{"no", a.modules[k].number},
                          {"serial", TextAsUtf8(a.modules[k].serial)},
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
      {"inverter_window", InverterWindowJson(a.inverter_window)},
  };
  std::string out;
  Print(out, doc, 0);
  out += '\n';
  return out;
}

}  // namespace voltrigg
