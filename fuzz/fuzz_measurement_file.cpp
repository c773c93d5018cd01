// Fuzz target: the commissioning measurement file and the check of what it
// holds.
//
// Input: the file's text. A file that is read holds only what the check
// accepts (strings of the plan, each once, finite values, conditions in
// range, further items finite and not negative, rows of the plan checked
// against), and the check of it on a small planned array gives a verdict for
// every string: a failure for every string not measured, never a pass on a
// value that is not a number nor with a measured item failed. A file that is
// refused says why, in both languages, at the line it names.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "app/shared/measurement_texts.h"
#include "commission/commissioning.h"
#include "commission/measurement_file.h"
#include "commission/plan_fingerprint.h"
#include "fuzz/fuzz_support.h"
#include "input/text_utf8.h"

using voltrigg::fuzz::Require;

namespace {

using namespace voltrigg;

constexpr int kStrings = 3;

// Three strings of two modules with realistic curves.
struct Plan {
  std::vector<ModuleData> modules;
  std::vector<ModuleCurve> curves;
  Wiring wiring{{0, 1}, {2, 3}, {4, 5}};
};

const Plan& ThePlan() {
  static const Plan plan = [] {
    Plan p;
    for (int k = 0; k < 6; ++k) {
      p.modules.push_back(
          ModuleData{static_cast<double>(k + 1), "S" + std::to_string(k), 300, 32.0 + 0.1 * k, 9.3, 39.5, 9.9});
      p.curves.push_back(FitModuleCurve(p.modules.back()).curve);
    }
    return p;
  }();
  return plan;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // The first byte decides whether the whole file has its conditions.
  MeasurementDefaults defaults;
  if (size > 0 && (data[0] & 1) != 0) defaults.irradiance_w_m2 = 800;
  if (size > 0 && (data[0] & 2) != 0) defaults.module_temperature_c = 40;
  // And whether its rows are checked against the plan's fingerprint.
  const Plan& p = ThePlan();
  static const std::string fingerprint = PlanFingerprint(p.modules, p.wiring);
  const bool plan_checked = size > 0 && (data[0] & 0x10) != 0;
  std::istringstream in(text);
  std::vector<StringMeasurement> measured;
  try {
    measured = ReadMeasurements(in, "fuzz", kStrings, defaults, plan_checked ? fingerprint : std::string());
  } catch (const MeasurementFileError& e) {
    Require(e.line() >= 0);
    Require(e.where() == "fuzz");
    // Both languages of the catalogue name the line the reader refused.
    const std::string en = MeasurementErrorText(e, "fuzz", Language::English);
    const std::string ja = MeasurementErrorTextJa(e, "fuzz");
    // English throughout, but for the file's own bytes that a refusal quotes
    // (a field in Shift-JIS shows as kana).
    Require(en.size() > std::string("fuzz: ").size() && (!HoldsJapanese(en) || HoldsJapanese(TextAsUtf8(text))));
    Require(e.line() == 0 || en.find("fuzz line " + std::to_string(e.line()) + ": ") == 0);
    Require(e.line() == 0 || ja.find("の " + std::to_string(e.line()) + " 行目") != std::string::npos);
    return 0;
  }
  std::set<int> seen;
  for (const StringMeasurement& m : measured) {
    Require(m.string_no >= 1 && m.string_no <= kStrings && seen.insert(m.string_no).second);
    Require(std::isfinite(m.voc_v) && std::isfinite(m.isc_a));
    Require(WithinLimit(m.irradiance_w_m2, kIrradianceLimit));
    Require(WithinLimit(m.module_temperature_c, kModuleTemperatureLimit));
    for (const std::optional<double>& v :
         {m.insulation_pos_mohm, m.insulation_neg_mohm, m.insulation_test_v, m.earth_continuity_ohm}) {
      Require(!v || (std::isfinite(*v) && *v >= 0));
    }
    if (plan_checked) Require(m.plan.empty() || SamePlan(m.plan, fingerprint));
  }
  const Commissioning c = CheckCommissioning(p.modules, p.curves, p.wiring, measured, {});
  Require(c.strings.size() == static_cast<std::size_t>(kStrings));
  Require(c.strings_not_measured.size() + measured.size() == static_cast<std::size_t>(kStrings));
  for (const StringCommissioning& s : c.strings) {
    if (!s.measurement) Require(!s.verdict.ok);
    if (s.verdict.ok) {
      Require(std::isfinite(s.verdict.voc_deviation_pct) && std::isfinite(s.verdict.isc_deviation_pct));
      Require(s.measurement->voc_v >= 0);
    }
    for (const Finding& f : s.verdict.findings) {
      if (f.key == FindingKey::ModulesMissing) Require(f.count >= 1 && f.count < 2);
      if (f.key == FindingKey::ModuleExtra) Require(f.count >= 1 && f.count <= 2);
    }
    // A measured item that fails fails the string; one not measured is never a pass.
    for (const TestItem item : kTestItems) {
      const ItemStatus status = StatusOf(s.verdict, item);
      if (status == ItemStatus::Fail) Require(!s.verdict.ok);
      if (!s.measurement) Require(status == ItemStatus::NotMeasured);
    }
    if (s.measurement && s.measurement->polarity == Polarity::Reversed) Require(!s.verdict.ok);
    if (StatusOf(s.verdict, TestItem::InsulationPositive) == ItemStatus::Pass) {
      Require(*s.measurement->insulation_pos_mohm >= c.conditions.insulation_min_mohm);
    }
  }
  Require(c.ok == c.strings_failed.empty());
  for (const TestItemCoverage& k : TestItemCoverages(c)) {
    Require(k.strings_made.size() + k.strings_not_made.size() == static_cast<std::size_t>(kStrings));
  }
  // The further keys come with a further value, and only then.
  const std::string json = CommissioningJsonText(c, p.modules, "r.csv", "list.csv");
  const bool further = std::any_of(measured.begin(), measured.end(), HasFurtherItems);
  Require(c.further_items_measured == further);
  Require((json.find("\"test_items\"") != std::string::npos) == further);
  return 0;
}
