#include "assess/inverter_window_rows.h"

#include <cmath>
#include <cstdio>

namespace voltrigg {

namespace {

std::string Format(const char* format, double a) {
  char text[64];
  (void)std::snprintf(text, sizeof text, format, a);
  return text;
}

std::string Format(const char* format, double a, double b) {
  char text[96];
  (void)std::snprintf(text, sizeof text, format, a, b);
  return text;
}

struct Described {
  const char* key;
  const WindowCheck* check;
  std::string condition;
  const char* unit;
};

std::vector<Described> Describe(const InverterWindow& w) {
  const AssessConditions& c = w.conditions;
  return {
      {"max_voltage", &w.max_voltage, Format("highest string Voc at %g °C", c.tmin_c), "V"},
      {"mppt_min", &w.mppt_min, Format("array Vmp at %g °C", c.t_hot_c), "V"},
      {"mppt_max", &w.mppt_max, Format("array Vmp at %g °C", c.t_cold_operating_c), "V"},
      {"short_circuit_current", &w.short_circuit_current, Format("%g x array I(0 V) at %g °C", c.isc_factor, c.t_hot_c),
       "A"},
      {"input_current", &w.input_current, Format("array Imp at %g °C", c.t_hot_c), "A"},
  };
}

Verdict VerdictOf(const Described& d) {
  if (!d.check->ok) return Verdict::NotChecked;
  if (*d.check->ok) return Verdict::Ok;
  return std::string(d.key) == "input_current" ? Verdict::Clips : Verdict::Fails;
}

std::string ValueText(double value, const char* unit) {
  if (!std::isfinite(value)) return "unknown";
  return Format("%.2f", value) + " " + unit;
}

}  // namespace

std::vector<WindowRow> InverterWindowRows(const InverterWindow& w) {
  std::vector<WindowRow> rows;
  for (const Described& d : Describe(w)) {
    WindowRow row;
    row.check = d.key;
    row.condition = d.condition;
    row.value = ValueText(d.check->value, d.unit);
    row.limit = d.check->limit ? Format("%g", *d.check->limit) + " " + d.unit : "-";
    const double margin = WindowMargin(*d.check);
    if (d.check->limit && std::isfinite(margin) && *d.check->limit > 0) {
      row.margin = Format("%+.2f", margin) + " " + d.unit + Format(" (%+.1f %%)", 100.0 * margin / *d.check->limit);
    } else if (d.check->limit && std::isfinite(margin)) {
      row.margin = Format("%+.2f", margin) + " " + d.unit;
    } else {
      row.margin = "-";
    }
    row.verdict = VerdictOf(d);
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace voltrigg
