#include "commission/commissioning_json.h"

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>

#include "assess/json_text.h"
#include "input/text_utf8.h"

namespace voltrigg {

namespace {

using Json = nlohmann::ordered_json;

Json StringJson(const StringCommissioning& s, const std::vector<ModuleData>& modules) {
  std::vector<double> numbers(s.modules.size());
  std::transform(s.modules.begin(), s.modules.end(), numbers.begin(),
                 [&](int index) { return modules[static_cast<std::size_t>(index)].number; });
  Json findings = Json::array();
  for (const Finding& f : s.verdict.findings) {
    Json finding{{"key", FindingKeyName(f.key)}};
    if (f.key == FindingKey::ModulesMissing || f.key == FindingKey::ModuleExtra) finding["count"] = f.count;
    finding["text"] = FindingTextJa(f);
    findings.push_back(std::move(finding));
  }
  const StringMeasurement* m = s.measurement ? &*s.measurement : nullptr;
  const auto measured = [m](double StringMeasurement::*field) { return m != nullptr ? Json(m->*field) : Json(); };
  // Non-finite figures print as null.
  return Json{{"string", s.string_no},
              {"modules", numbers},
              {"irradiance_w_m2", measured(&StringMeasurement::irradiance_w_m2)},
              {"module_temperature_c", measured(&StringMeasurement::module_temperature_c)},
              {"voc_measured_v", measured(&StringMeasurement::voc_v)},
              {"voc_expected_v", s.expected.voc_v},
              {"voc_deviation_pct", s.verdict.voc_deviation_pct},
              {"isc_measured_a", measured(&StringMeasurement::isc_a)},
              {"isc_expected_a", s.expected.isc_a},
              {"isc_deviation_pct", s.verdict.isc_deviation_pct},
              {"ok", s.verdict.ok},
              {"findings", findings}};
}

}  // namespace

std::string FormatCommissioningJson(const Commissioning& c, const std::vector<ModuleData>& modules,
                                    const std::string& result_file, const std::string& modules_file) {
  Json strings = Json::array();
  std::transform(c.strings.begin(), c.strings.end(), std::back_inserter(strings),
                 [&](const StringCommissioning& s) { return StringJson(s, modules); });
  const Json doc{{"result_file", TextAsUtf8(result_file)},
                 {"modules_file", TextAsUtf8(modules_file)},
                 {"conditions", Json{{"voc_coefficient_pct_per_k", c.conditions.voc_coefficient_pct_per_k},
                                     {"isc_coefficient_pct_per_k", c.conditions.isc_coefficient_pct_per_k},
                                     {"voc_tolerance_pct", c.conditions.voc_tolerance_pct},
                                     {"isc_tolerance_pct", c.conditions.isc_tolerance_pct}}},
                 {"strings", strings},
                 {"ok", c.ok},
                 {"strings_failed", c.strings_failed},
                 {"strings_not_measured", c.strings_not_measured}};
  return FormatJsonText(doc);
}

}  // namespace voltrigg
