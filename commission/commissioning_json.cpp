#include "commission/commissioning_json.h"

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>

#include "assess/json_text.h"
#include "input/text_utf8.h"

namespace voltrigg {

namespace {

using Json = nlohmann::ordered_json;

// A further item's value, null when not measured.
Json Optional(const std::optional<double>& value) { return value ? Json(*value) : Json(); }

Json StringJson(const StringCommissioning& s, const Commissioning& c, const std::vector<ModuleData>& modules,
                bool further_items, const FindingWording& finding_text) {
  const bool named = !c.string_names.empty();
  // A result's modules by their numbers in the list, a plant's by their serials.
  Json numbers = Json::array();
  std::transform(s.modules.begin(), s.modules.end(), std::back_inserter(numbers), [&](int index) {
    const ModuleData& module = modules[static_cast<std::size_t>(index)];
    return named ? Json(TextAsUtf8(module.serial)) : Json(module.number);
  });
  Json findings = Json::array();
  for (const Finding& f : s.verdict.findings) {
    Json finding{{"key", FindingKeyName(f.key)}};
    if (f.key == FindingKey::ModulesMissing || f.key == FindingKey::ModuleExtra) finding["count"] = f.count;
    finding["text"] = finding_text ? finding_text(f) : std::string();
    findings.push_back(std::move(finding));
  }
  const StringMeasurement* m = s.measurement ? &*s.measurement : nullptr;
  const auto measured = [m](double StringMeasurement::*field) { return m != nullptr ? Json(m->*field) : Json(); };
  // Non-finite figures print as null.
  Json out{{"string", named ? Json(StringLabel(c, s.string_no)) : Json(s.string_no)},
           {"modules", numbers},
           {"irradiance_w_m2", measured(&StringMeasurement::irradiance_w_m2)},
           {"module_temperature_c", measured(&StringMeasurement::module_temperature_c)},
           {"voc_measured_v", measured(&StringMeasurement::voc_v)},
           {"voc_expected_v", s.expected.voc_v},
           {"voc_deviation_pct", s.verdict.voc_deviation_pct},
           {"isc_measured_a", measured(&StringMeasurement::isc_a)},
           {"isc_expected_a", s.expected.isc_a},
           {"isc_deviation_pct", s.verdict.isc_deviation_pct}};
  if (further_items) {
    out["polarity"] = m != nullptr && m->polarity ? Json(PolarityName(*m->polarity)) : Json();
    out["insulation_pos_mohm"] = m != nullptr ? Optional(m->insulation_pos_mohm) : Json();
    out["insulation_neg_mohm"] = m != nullptr ? Optional(m->insulation_neg_mohm) : Json();
    out["insulation_test_v"] = m != nullptr ? Optional(m->insulation_test_v) : Json();
    out["earth_continuity_ohm"] = m != nullptr ? Optional(m->earth_continuity_ohm) : Json();
    Json items = Json::object();
    for (const TestItem item : kTestItems) items[TestItemName(item)] = ItemStatusName(StatusOf(s.verdict, item));
    out["test_items"] = std::move(items);
  }
  out["ok"] = s.verdict.ok;
  out["findings"] = std::move(findings);
  return out;
}

// Strings by their numbers, or by their names in a plan of named strings.
Json Strings(const Commissioning& c, const std::vector<int>& numbers) {
  if (c.string_names.empty()) return Json(numbers);
  Json names = Json::array();
  std::transform(numbers.begin(), numbers.end(), std::back_inserter(names),
                 [&c](int n) { return Json(StringLabel(c, n)); });
  return names;
}

// The document after its files' keys.
void AppendCheck(Json& doc, const Commissioning& c, const std::vector<ModuleData>& modules,
                 const FindingWording& finding_text) {
  Json strings = Json::array();
  // A check of Voc and Isc alone keeps the file it has always had; the
  // further items' keys come with the first value of one.
  const bool further = c.further_items_measured;
  std::transform(c.strings.begin(), c.strings.end(), std::back_inserter(strings),
                 [&](const StringCommissioning& s) { return StringJson(s, c, modules, further, finding_text); });
  Json conditions{{"voc_coefficient_pct_per_k", c.conditions.voc_coefficient_pct_per_k},
                  {"isc_coefficient_pct_per_k", c.conditions.isc_coefficient_pct_per_k},
                  {"voc_tolerance_pct", c.conditions.voc_tolerance_pct},
                  {"isc_tolerance_pct", c.conditions.isc_tolerance_pct}};
  if (further) conditions["insulation_min_mohm"] = c.conditions.insulation_min_mohm;
  doc["conditions"] = std::move(conditions);
  doc["strings"] = std::move(strings);
  doc["ok"] = c.ok;
  doc["strings_failed"] = Strings(c, c.strings_failed);
  doc["strings_not_measured"] = Strings(c, c.strings_not_measured);
  if (further) {
    doc["system_voltage_v"] = c.system_voltage_v;
    doc["insulation_test_required_v"] = c.insulation_test_required_v;
    Json items = Json::object();
    for (const TestItemCoverage& k : TestItemCoverages(c)) {
      items[TestItemName(k.item)] = Json{{"strings_made", Strings(c, k.strings_made)},
                                         {"strings_failed", Strings(c, k.strings_failed)},
                                         {"strings_not_made", Strings(c, k.strings_not_made)}};
    }
    doc["test_items"] = std::move(items);
  }
}

}  // namespace

std::string FormatCommissioningJson(const Commissioning& c, const std::vector<ModuleData>& modules,
                                    const std::string& result_file, const std::string& modules_file,
                                    const FindingWording& finding_text) {
  Json doc{{"result_file", TextAsUtf8(result_file)}, {"modules_file", TextAsUtf8(modules_file)}};
  AppendCheck(doc, c, modules, finding_text);
  return FormatJsonText(doc);
}

std::string FormatNamedCommissioningJson(const Commissioning& c, const std::vector<ModuleData>& modules,
                                         const std::string& plant_file, const std::vector<std::string>& modules_files,
                                         const FindingWording& finding_text) {
  Json files = Json::array();
  std::transform(modules_files.begin(), modules_files.end(), std::back_inserter(files),
                 [](const std::string& file) { return Json(TextAsUtf8(file)); });
  Json doc{{"plant_file", TextAsUtf8(plant_file)}, {"modules_files", std::move(files)}};
  AppendCheck(doc, c, modules, finding_text);
  return FormatJsonText(doc);
}

}  // namespace voltrigg
