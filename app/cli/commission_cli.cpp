#include "app/cli/commission_cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/shared/assess_options.h"
#include "app/shared/commission_options.h"
#include "app/shared/planned_array.h"
#include "commission/commissioning.h"
#include "commission/commissioning_json.h"
#include "commission/measurement_file.h"
#include "commission/measurement_form.h"
#include "input/run_error.h"
#include "input/text_utf8.h"
#include "output/result_file.h"

namespace voltrigg {

namespace {

constexpr int kUsage = 64;
constexpr int kBadInput = 2;

// True when both name one existing file (a link or another spelling
// included); a file that does not exist yet is no other file.
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, ec) && !ec;
}

std::string JsonPathOf(const std::string& measured_path) {
  return std::filesystem::path(measured_path).replace_extension(".commissioning.json").string();
}

std::string Fixed(double value, int digits) {
  if (!std::isfinite(value)) return "-";
  // No "-0.00" for a deviation that rounds to nothing.
  if (std::fabs(value) < 0.5 * std::pow(10.0, -digits)) value = 0;
  char text[48];
  (void)std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

std::string Table(const Commissioning& c, const PlannedArray& plan, const std::string& result_path) {
  std::string out;
  char line[512];
  (void)std::snprintf(line, sizeof line,
                      "Commissioning check of %s (module list %s): Voc within %g %%, Isc within %g %%; "
                      "beta %g %%/K, alpha %g %%/K\n",
                      TextAsUtf8(result_path).c_str(), TextAsUtf8(plan.list_path).c_str(),
                      c.conditions.voc_tolerance_pct, c.conditions.isc_tolerance_pct,
                      c.conditions.voc_coefficient_pct_per_k, c.conditions.isc_coefficient_pct_per_k);
  out += line;
  (void)std::snprintf(line, sizeof line, "%6s %7s %8s %6s %11s %11s %8s %10s %11s %8s  %-12s %s\n", "String", "Modules",
                      "G[W/m2]", "T[C]", "Voc exp[V]", "Voc meas[V]", "Dev[%]", "Isc exp[A]", "Isc meas[A]", "Dev[%]",
                      "Verdict", "Findings");
  out += line;
  for (const StringCommissioning& s : c.strings) {
    const StringMeasurement* m = s.measurement ? &*s.measurement : nullptr;
    const auto measured = [m](double StringMeasurement::*field, int digits) {
      return m != nullptr ? Fixed(m->*field, digits) : std::string("-");
    };
    std::string findings;
    for (const Finding& f : s.verdict.findings) findings += (findings.empty() ? "" : "; ") + FindingTextJa(f);
    const char* verdict = s.verdict.ok ? "OK" : (m == nullptr ? "NOT MEASURED" : "FAIL");
    (void)std::snprintf(line, sizeof line, "%6d %7zu %8s %6s %11s %11s %8s %10s %11s %8s  %s", s.string_no,
                        s.modules.size(), measured(&StringMeasurement::irradiance_w_m2, 0).c_str(),
                        measured(&StringMeasurement::module_temperature_c, 1).c_str(),
                        Fixed(s.expected.voc_v, 2).c_str(), measured(&StringMeasurement::voc_v, 2).c_str(),
                        Fixed(s.verdict.voc_deviation_pct, 2).c_str(), Fixed(s.expected.isc_a, 3).c_str(),
                        measured(&StringMeasurement::isc_a, 3).c_str(), Fixed(s.verdict.isc_deviation_pct, 2).c_str(),
                        verdict);
    out += line;
    // The findings after the fixed columns, whole however long they are.
    if (!findings.empty()) out += std::string(12 - std::min<std::size_t>(12, std::strlen(verdict)) + 1, ' ') + findings;
    out += '\n';
  }
  const auto list = [](const std::vector<int>& numbers) {
    std::string text;
    for (int n : numbers) text += (text.empty() ? "" : ", ") + std::to_string(n);
    return text;
  };
  if (c.ok) {
    out += "Every string passes (" + std::to_string(c.strings.size()) + ").\n";
  } else {
    out += "Strings failed: " + list(c.strings_failed);
    if (!c.strings_not_measured.empty()) out += " (not measured: " + list(c.strings_not_measured) + ")";
    out += "\n";
  }
  return out;
}

int WriteForm(const PlannedArray& plan, const std::string& form_path, const TemperatureCoefficients& coefficients,
              const std::string& result_path) {
  if (SameFile(form_path, result_path) || SameFile(form_path, plan.list_path)) {
    std::cerr << "voltrigg-cli: the form would replace the result file or its module list: " << form_path << '\n';
    return kBadInput;
  }
  const std::vector<FormRow> rows = FormRowsAtStc(plan.modules, plan.curves, plan.wiring, coefficients);
  WriteFileAtomically(form_path, FormatMeasurementForm(rows));
  std::cout << "Measurement form (" << rows.size() << " strings): " << form_path << '\n';
  return 0;
}

}  // namespace

int RunCommissionCli(int argc, char** argv) {
  CLI::App app{
      "Commissioning check: every string's measured open-circuit voltage and short-circuit current against "
      "what its own modules should give at the irradiance and module temperature of the test.",
      "voltrigg-cli commission"};
  std::vector<std::string> files;
  std::string modules_path;
  std::string form_path;
  bool isc_first = false;
  CommissionOptions options;
  CommissionConditions& c = options.conditions;
  app.add_option("RESULT.csv MEASURED.csv", files,
                 "the result file and the measurement file (with --form: the result file alone)")
      ->required()
      ->expected(1, 2);
  app.add_option("--modules", modules_path, "the module list, when it is not beside the result file");
  app.add_option("--form", form_path, "write the blank measurement form for the result's strings to this file");
  const auto range = [](const ConditionLimit& limit) { return " (" + LimitRangeText(limit) + ")"; };
  app.add_option(kVocCoefficientLimit.option, c.voc_coefficient_pct_per_k,
                 "temperature coefficient of Voc [%/K]" + range(kVocCoefficientLimit))
      ->capture_default_str();
  app.add_option(kIscCoefficientLimit.option, c.isc_coefficient_pct_per_k,
                 "temperature coefficient of Isc [%/K]" + range(kIscCoefficientLimit))
      ->capture_default_str();
  app.add_option(kVocToleranceLimit.option, c.voc_tolerance_pct,
                 "tolerance of a string's Voc [%]" + range(kVocToleranceLimit))
      ->capture_default_str();
  app.add_option(kIscToleranceLimit.option, c.isc_tolerance_pct,
                 "tolerance of a string's Isc [%]" + range(kIscToleranceLimit))
      ->capture_default_str();
  app.add_option(kIrradianceLimit.option, options.defaults.irradiance_w_m2,
                 "irradiance for rows that leave it empty [W/m²]" + range(kIrradianceLimit));
  app.add_option(kModuleTemperatureLimit.option, options.defaults.module_temperature_c,
                 "module temperature for rows that leave it empty [°C]" + range(kModuleTemperatureLimit));
  app.add_option_function<std::string>(
         "--extras", [&isc_first](const std::string& order) { isc_first = ParseExtrasOrder(order).value_or(false); },
         "what the module list's columns 6 and 7 hold: voc,isc (the default) or isc,voc")
      ->check(
          [](const std::string& order) {
            return ParseExtrasOrder(order) ? std::string() : std::string("must be voc,isc or isc,voc");
          },
          "voc,isc|isc,voc");
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kUsage;
  }
  const bool form = !form_path.empty();
  if (files.size() != (form ? 1u : 2u)) {
    std::cerr << "voltrigg-cli: commission takes RESULT.csv MEASURED.csv, or --form FORM.csv RESULT.csv\n";
    return kUsage;
  }
  // Refused before anything is read: a check against nonsense must never pass.
  if (const std::optional<ConditionFault> fault = ValidateCommissionOptions(options)) {
    std::cerr << "voltrigg-cli: " << DescribeConditionFault(*fault) << '\n';
    return kUsage;
  }
  const std::string& result_path = files[0];
  const TemperatureCoefficients coefficients{c.voc_coefficient_pct_per_k, c.isc_coefficient_pct_per_k};
  try {
    const PlannedArray plan = LoadPlannedArray(result_path, modules_path, isc_first);
    if (form) return WriteForm(plan, form_path, coefficients, result_path);

    const std::string& measured_path = files[1];
    const std::vector<StringMeasurement> measurements =
        ReadMeasurementFile(measured_path, static_cast<int>(plan.wiring.size()), options.defaults);
    const std::string json_path = JsonPathOf(measured_path);
    if (SameFile(json_path, result_path) || SameFile(json_path, plan.list_path) || SameFile(json_path, measured_path)) {
      std::cerr << "voltrigg-cli: the commissioning file would replace the result, its list or the measurements: "
                << json_path << '\n';
      return kBadInput;
    }
    const Commissioning check = CheckCommissioning(plan.modules, plan.curves, plan.wiring, measurements, c);
    WriteFileAtomically(json_path, FormatCommissioningJson(check, plan.modules, result_path, plan.list_path));
    std::cout << Table(check, plan, result_path) << "Commissioning file: " << json_path << '\n';
    for (const StringCommissioning& s : check.strings) {
      if (!s.expected.problem.empty()) {
        std::cerr << "voltrigg-cli: string " << s.string_no << ": no expected values: " << s.expected.problem << '\n';
      }
    }
    return check.ok ? 0 : 1;
  } catch (const MeasurementFileError& e) {
    std::cerr << "voltrigg-cli: " << e.what() << '\n';
  } catch (const RunError& e) {
    std::cerr << "voltrigg-cli: " << e.what() << '\n';
  }
  return kBadInput;
}

}  // namespace voltrigg
