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

const char* VerdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::Ok:
      return "OK";
    case Verdict::Fails:
      return "FAILS";
    case Verdict::Clips:
      return "clips";
    case Verdict::NotChecked:
      return "not checked";
  }
  return "?";
}

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

std::vector<WindowWarning> InverterWindowWarnings(const InverterWindow& w) {
  std::vector<WindowWarning> out;
  for (const std::string& p : w.problems) out.push_back({false, "inverter window: no figure for " + p});
  for (const Described& d : Describe(w)) {
    const Verdict verdict = VerdictOf(d);
    if (verdict != Verdict::Fails && verdict != Verdict::Clips) continue;
    const std::string value = ValueText(d.check->value, d.unit);
    const std::string limit = Format("%g", *d.check->limit) + " " + d.unit;
    const char* side = d.check->side == LimitSide::AtMost ? "above" : "below";
    std::string text = "inverter window: ";
    text += d.key;
    if (verdict == Verdict::Clips) {
      text += ": the " + d.condition;
      text += ", " + value;
      text += ", is above the inverter input's usable " + limit;
      text += "; the inverter clips there (a note, not a failure)";
    } else if (!std::isfinite(d.check->value)) {
      text += " fails: the " + d.condition;
      text += " is not known (limit " + limit;
      text += ")";
    } else {
      text += " fails: the " + d.condition;
      text += ", " + value;
      text += std::string(", is ") + side;
      text += " the limit " + limit;
    }
    out.push_back({verdict == Verdict::Clips, std::move(text)});
  }
  return out;
}

std::string InverterWindowTable(const InverterWindow& w) {
  std::string out = "Inverter window (Estimated wiring, 1000 W/m²";
  out += w.inverter.name ? "; inverter \"" + *w.inverter.name + "\"" : std::string("; no inverter profile");
  out += Format("; Voc %+g %%/K", w.conditions.voc_coefficient_pct_per_k) +
         Format(", Isc %+g %%/K)\n", w.conditions.isc_coefficient_pct_per_k);
  char line[320];
  (void)std::snprintf(line, sizeof line, "%-22s %-32s %12s %10s %22s  %s\n", "Check", "Value of", "Value", "Limit",
                      "Margin", "Verdict");
  out += line;
  for (const WindowRow& r : InverterWindowRows(w)) {
    // "°" and "x" are one column each; the padding counts bytes, so the
    // condition column is padded by hand.
    std::string condition = r.condition;
    std::size_t columns = 0;
    for (unsigned char c : condition) columns += (c & 0xC0) != 0x80 ? 1 : 0;
    if (columns < 32) condition.append(32 - columns, ' ');
    (void)std::snprintf(line, sizeof line, "%-22s %s %12s %10s %22s  %s\n", r.check.c_str(), condition.c_str(),
                        r.value.c_str(), r.limit.c_str(), r.margin.c_str(), VerdictText(r.verdict));
    out += line;
  }
  out += w.ok ? "Inverter window: OK\n" : "Inverter window: FAILS\n";
  return out;
}

}  // namespace voltrigg
