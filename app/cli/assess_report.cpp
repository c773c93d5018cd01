#include "app/cli/assess_report.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "app/shared/curve_problems.h"
#include "assess/assessment_json.h"
#include "assess/inverter_window_rows.h"
#include "input/run_error.h"
#include "output/result_file.h"
#include "run/batch_run.h"

namespace voltrigg {

void AddAssessOptions(CLI::App& app, CliAssessOptions& o) {
  CLI::Option* assess =
      app.add_flag("--assess", o.enabled,
                   "also assess the array by the modules' current-voltage curves (Voc and Isc in columns 6 and 7): "
                   "writes BASE.assessment.json and prints the true maximum power points and the voltage check");
  AssessConditions& c = o.options.conditions;
  const auto range = [](const ConditionLimit& limit) { return " (" + LimitRangeText(limit) + ")"; };
  app.add_option(kTminLimit.option, c.tmin_c,
                 "lowest cell temperature for the cold open-circuit voltage [°C]" + range(kTminLimit))
      ->capture_default_str()
      ->needs(assess);
  app.add_option(kVocCoefficientLimit.option, c.voc_coefficient_pct_per_k,
                 "temperature coefficient of Voc [%/K]" + range(kVocCoefficientLimit))
      ->capture_default_str()
      ->needs(assess);
  app.add_option(kMaxSystemVoltageLimit.option, c.max_system_voltage_v,
                 "system voltage limit for any string's cold open-circuit voltage [V]" + range(kMaxSystemVoltageLimit))
      ->capture_default_str()
      ->needs(assess);
  app.add_option(kTColdOperatingLimit.option, c.t_cold_operating_c,
                 "cell temperature in cool full sun, for the MPPT maximum [°C]" + range(kTColdOperatingLimit))
      ->capture_default_str()
      ->needs(assess);
  app.add_option(kTHotLimit.option, c.t_hot_c,
                 "cell temperature on a hot afternoon, for the MPPT minimum and the currents [°C]" + range(kTHotLimit))
      ->capture_default_str()
      ->needs(assess);
  app.add_option(kIscCoefficientLimit.option, c.isc_coefficient_pct_per_k,
                 "temperature coefficient of Isc [%/K]" + range(kIscCoefficientLimit))
      ->capture_default_str()
      ->needs(assess);
  app.add_option(kIscFactorLimit.option, c.isc_factor,
                 "safety factor on the array's short-circuit current" + range(kIscFactorLimit))
      ->capture_default_str()
      ->needs(assess);
  app.add_option_function<std::string>(
         "--inverter",
         [&o](const std::string& path) {
           o.inverter_path = path;
           o.inverter_given = true;
         },
         "inverter profile (JSON: name, max_dc_voltage_v, mppt_min_v, mppt_max_v, max_input_current_a, "
         "max_short_circuit_current_a) to check the array's window against")
      ->needs(assess);
  app.add_option_function<std::string>(
         "--extras", [&o](const std::string& order) { o.options.isc_first = ParseExtrasOrder(order).value_or(false); },
         "what columns 6 and 7 hold: voc,isc (the default) or isc,voc")
      ->check(
          [](const std::string& order) {
            return ParseExtrasOrder(order) ? std::string() : std::string("must be voc,isc or isc,voc");
          },
          "voc,isc|isc,voc")
      ->needs(assess);
}

std::string AssessmentTable(const Assessment& a) {
  std::string out;
  char line[256];
  (void)std::snprintf(line, sizeof line,
                      "Assessment by the module curves (STC; cold Voc at %g °C with %g %%/K, limit %g V)\n",
                      a.conditions.tmin_c, a.conditions.voc_coefficient_pct_per_k, a.conditions.max_system_voltage_v);
  out += line;
  (void)std::snprintf(line, sizeof line, "%-22s %14s %12s %11s %10s\n", "Arrangement", "Pmp [W]", "Vmp [V]", "Imp [A]",
                      "Loss [%]");
  out += line;
  const auto row = [&](const char* name, const ArrangementFigures& f) {
    (void)std::snprintf(line, sizeof line, "%-22s %14.4f %12.4f %11.5f %10.5f\n", name, f.point.pmp_w, f.point.vmp_v,
                        f.point.imp_a, f.mismatch_loss_pct);
    out += line;
  };
  row("Initial", a.initial);
  row("Estimated", a.estimated);
  row("Optimized", a.optimized);
  const auto random_row = [&](const char* name, double pmp) {
    (void)std::snprintf(line, sizeof line, "%-22s %14.4f %12s %11s %10.5f\n", name, pmp, "", "",
                        MismatchLossPct(pmp, a.sum_mpp_w));
    out += line;
  };
  const std::string mean = "Random, mean of " + std::to_string(a.random_wiring.samples);
  random_row(mean.c_str(), a.random_wiring.mean_pmp_w);
  random_row("Random, worst", a.random_wiring.worst_pmp_w);
  (void)std::snprintf(line, sizeof line, "Sum of module Vpm*Ipm: %.4f W; optimizing gains %.4f W over Estimated\n",
                      a.sum_mpp_w, a.optimized.point.pmp_w - a.estimated.point.pmp_w);
  out += line;
  const VoltageCheck& v = a.voltage_check;
  (void)std::snprintf(line, sizeof line,
                      "Voltage check (Estimated): highest string Voc %.2f V at %g °C, limit %g V: %s\n",
                      v.max_string_voc_cold_v, a.conditions.tmin_c, v.limit_v, v.ok ? "OK" : "ABOVE THE LIMIT");
  out += line;
  return out;
}

int ReportAssessment(const PlanAssessment& assessment, const std::string& output_base, std::ostream& out,
                     std::ostream& err) {
  const std::string path = AssessmentPathOf(output_base);
  if (!assessment.assessment) {
    for (const std::string& p : AssessmentProblemLines(assessment, Language::English)) {
      err << "voltrigg-cli: assessment: " << p << '\n';
    }
    err << "voltrigg-cli: no assessment written (the result file is written)\n";
    return 2;
  }
  const Assessment& a = *assessment.assessment;
  try {
    WriteFileAtomically(path, FormatAssessmentJson(a));
  } catch (const RunError& e) {
    err << "voltrigg-cli: assessment: " << e.what() << '\n';
    return 2;
  }
  out << '\n'
      << AssessmentTable(a) << '\n'
      << InverterWindowTable(a.inverter_window) << "Assessment file: " << path << '\n';
  for (int j : a.voltage_check.strings_over) {
    char text[256];
    (void)std::snprintf(text, sizeof text,
                        "voltrigg-cli: warning: string %d reaches %.2f V open-circuit at %g °C, above the %g V "
                        "system voltage limit\n",
                        j + 1, a.estimated.strings[static_cast<std::size_t>(j)].voc_cold_v, a.conditions.tmin_c,
                        a.voltage_check.limit_v);
    err << text;
  }
  // A failed check warns; a clipping input current is only a note.
  for (const WindowWarning& w : InverterWindowWarnings(a.inverter_window)) {
    err << "voltrigg-cli: " << (w.note ? "note: " : "warning: ") << w.text << '\n';
  }
  return 0;
}

}  // namespace voltrigg
