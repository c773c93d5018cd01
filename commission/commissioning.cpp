#include "commission/commissioning.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

namespace voltrigg {

namespace {

void RequireValidMeasurement(const StringMeasurement& m, std::size_t string_count) {
  const std::string which = "the measurement of string " + std::to_string(m.string_no);
  if (m.string_no < 1 || static_cast<std::size_t>(m.string_no) > string_count) {
    throw std::invalid_argument(which + " names no string of the plan");
  }
  if (!std::isfinite(m.voc_v) || !std::isfinite(m.isc_a)) throw std::invalid_argument(which + " is not finite");
  if (!WithinLimit(m.irradiance_w_m2, kIrradianceLimit) ||
      !WithinLimit(m.module_temperature_c, kModuleTemperatureLimit)) {
    throw std::invalid_argument(which + " was made under conditions out of range");
  }
  const std::optional<double> further[] = {m.insulation_pos_mohm, m.insulation_neg_mohm, m.insulation_test_v,
                                           m.earth_continuity_ohm};
  if (std::any_of(std::begin(further), std::end(further), [](const std::optional<double>& value) {
        return value && !(std::isfinite(*value) && *value >= 0);
      })) {
    throw std::invalid_argument(which + " holds a further item that is negative or not finite");
  }
}

// The check of `wiring` with the insulation test chosen by `system_voltage_v`.
Commissioning Check(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                    const Wiring& wiring, const std::vector<StringMeasurement>& measurements,
                    const CommissionConditions& conditions, double system_voltage_v) {
  if (const auto fault = ValidateCommissionConditions(conditions)) {
    throw std::invalid_argument(DescribeConditionFault(*fault));
  }
  if (modules.size() != fitted.size()) throw std::invalid_argument("modules and curves differ in number");
  if (!WiringIndicesValid(wiring, static_cast<int>(fitted.size()))) {
    throw std::invalid_argument("the wiring names a module that is not in the list");
  }
  std::vector<const StringMeasurement*> of_string(wiring.size(), nullptr);
  for (const StringMeasurement& m : measurements) {
    RequireValidMeasurement(m, wiring.size());
    const StringMeasurement*& slot = of_string[static_cast<std::size_t>(m.string_no - 1)];
    if (slot != nullptr) throw std::invalid_argument("string " + std::to_string(m.string_no) + " measured twice");
    slot = &m;
  }
  const TemperatureCoefficients coefficients{conditions.voc_coefficient_pct_per_k,
                                             conditions.isc_coefficient_pct_per_k};
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  Commissioning out;
  out.conditions = conditions;
  out.system_voltage_v = system_voltage_v;
  out.insulation_test_required_v = InsulationTestVoltageForV(out.system_voltage_v);
  out.strings.reserve(wiring.size());
  for (std::size_t j = 0; j < wiring.size(); ++j) {
    StringCommissioning s;
    s.string_no = static_cast<int>(j) + 1;
    s.modules = wiring[j];
    if (s.modules.empty()) throw std::invalid_argument("string " + std::to_string(s.string_no) + " has no modules");
    if (const StringMeasurement* m = of_string[j]) {
      s.measurement = *m;
      s.expected = ExpectedStringAt(modules, fitted, s.modules,
                                    CellConditions{m->irradiance_w_m2, m->module_temperature_c}, coefficients);
      s.verdict =
          JudgeString(s.expected, *m, static_cast<int>(s.modules.size()), conditions, out.insulation_test_required_v);
      out.further_items_measured = out.further_items_measured || HasFurtherItems(*m);
    } else {
      s.expected.voc_v = s.expected.isc_a = s.expected.mean_module_voc_v = kNaN;
      s.verdict = NotMeasuredVerdict();
      out.strings_not_measured.push_back(s.string_no);
    }
    if (!s.verdict.ok) out.strings_failed.push_back(s.string_no);
    out.strings.push_back(std::move(s));
  }
  out.ok = !out.strings.empty() && out.strings_failed.empty();
  return out;
}

}  // namespace

Commissioning CheckCommissioning(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& fitted,
                                 const Wiring& wiring, const std::vector<StringMeasurement>& measurements,
                                 const CommissionConditions& conditions) {
  if (const auto fault = ValidateCommissionConditions(conditions)) {
    throw std::invalid_argument(DescribeConditionFault(*fault));
  }
  if (modules.size() != fitted.size()) throw std::invalid_argument("modules and curves differ in number");
  if (!WiringIndicesValid(wiring, static_cast<int>(fitted.size()))) {
    throw std::invalid_argument("the wiring names a module that is not in the list");
  }
  return Check(modules, fitted, wiring, measurements, conditions, ArraySystemVoltageV(modules, wiring));
}

Commissioning CheckCommissioningAtSystemVoltage(const std::vector<ModuleData>& modules,
                                                const std::vector<ModuleCurve>& fitted, const Wiring& wiring,
                                                const std::vector<StringMeasurement>& measurements,
                                                const CommissionConditions& conditions, double system_voltage_v) {
  return Check(modules, fitted, wiring, measurements, conditions, system_voltage_v);
}

Commissioning CheckNamedCommissioning(const NamedStringPlan& plan, const std::vector<StringMeasurement>& measurements,
                                      const CommissionConditions& conditions) {
  if (const std::optional<std::string> fault = NamedPlanFault(plan)) throw std::invalid_argument(*fault);
  Commissioning out = Check(plan.modules, plan.curves, plan.wiring, measurements, conditions, plan.system_voltage_v);
  out.string_names = plan.names;
  return out;
}

std::string StringLabel(const Commissioning& check, int string_no) {
  if (string_no >= 1 && static_cast<std::size_t>(string_no) <= check.string_names.size()) {
    return check.string_names[static_cast<std::size_t>(string_no - 1)];
  }
  return std::to_string(string_no);
}

std::vector<TestItemCoverage> TestItemCoverages(const Commissioning& check) {
  std::vector<TestItemCoverage> out;
  out.reserve(kTestItemCount);
  for (const TestItem item : kTestItems) {
    TestItemCoverage c;
    c.item = item;
    for (const StringCommissioning& s : check.strings) {
      const ItemStatus status = StatusOf(s.verdict, item);
      (ItemMade(status) ? c.strings_made : c.strings_not_made).push_back(s.string_no);
      if (status == ItemStatus::Fail) c.strings_failed.push_back(s.string_no);
    }
    out.push_back(std::move(c));
  }
  return out;
}

}  // namespace voltrigg
