#include "assess/inverter_window_json.h"

#include <cmath>

namespace voltrigg {

namespace {

using Json = nlohmann::ordered_json;

Json Number(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }

Json Optional(const std::optional<double>& value) { return value ? Number(*value) : Json(nullptr); }

Json Point(const PowerPoint& p) {
  return Json{{"pmp_w", Number(p.pmp_w)}, {"vmp_v", Number(p.vmp_v)}, {"imp_a", Number(p.imp_a)}};
}

// `unit` is "v" or "a": the keys are value_v / limit_v or value_a / limit_a.
Json Check(const WindowCheck& c, const char* unit) {
  return Json{{std::string("value_") + unit, Number(c.value)},
              {std::string("limit_") + unit, Optional(c.limit)},
              {"ok", c.ok ? Json(*c.ok) : Json(nullptr)}};
}

}  // namespace

Json InverterWindowJson(const InverterWindow& w) {
  const InverterProfile& p = w.inverter;
  const AssessConditions& c = w.conditions;
  return Json{
      {"inverter", Json{{"name", p.name ? Json(*p.name) : Json(nullptr)},
                        {"max_dc_voltage_v", Optional(p.max_dc_voltage_v)},
                        {"mppt_min_v", Optional(p.mppt_min_v)},
                        {"mppt_max_v", Optional(p.mppt_max_v)},
                        {"max_input_current_a", Optional(p.max_input_current_a)},
                        {"max_short_circuit_current_a", Optional(p.max_short_circuit_current_a)}}},
      {"temperatures",
       Json{{"tmin_c", c.tmin_c}, {"t_cold_operating_c", c.t_cold_operating_c}, {"t_hot_c", c.t_hot_c}}},
      {"coefficients",
       Json{{"voc_pct_per_k", c.voc_coefficient_pct_per_k}, {"isc_pct_per_k", c.isc_coefficient_pct_per_k}}},
      {"isc_factor", c.isc_factor},
      {"points", Json{{"hot", Point(w.hot)}, {"cold", Point(w.cold)}}},
      {"array_current_at_0v_hot_a", Number(w.array_current_at_0v_hot_a)},
      {"checks", Json{{"max_voltage", Check(w.max_voltage, "v")},
                      {"mppt_min", Check(w.mppt_min, "v")},
                      {"mppt_max", Check(w.mppt_max, "v")},
                      {"short_circuit_current", Check(w.short_circuit_current, "a")},
                      {"input_current", Check(w.input_current, "a")}}},
      {"ok", w.ok},
      {"checks_made", ChecksMade(w)},
  };
}

}  // namespace voltrigg
