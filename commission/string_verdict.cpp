#include "commission/string_verdict.h"

#include <cmath>
#include <stdexcept>

namespace voltrigg {

const char* FindingKeyName(FindingKey key) {
  switch (key) {
    case FindingKey::Reversed:
      return "reversed";
    case FindingKey::ModulesMissing:
      return "modules_missing";
    case FindingKey::ModuleExtra:
      return "module_extra";
    case FindingKey::VocLow:
      return "voc_low";
    case FindingKey::VocHigh:
      return "voc_high";
    case FindingKey::LowCurrent:
      return "low_current";
    case FindingKey::HighCurrent:
      return "high_current";
    case FindingKey::LowIrradiance:
      return "low_irradiance";
    case FindingKey::NotMeasured:
      return "not_measured";
    case FindingKey::PolarityReversed:
      return "polarity_reversed";
    case FindingKey::InsulationPositiveLow:
      return "insulation_pos_low";
    case FindingKey::InsulationNegativeLow:
      return "insulation_neg_low";
    case FindingKey::InsulationTestVoltageLow:
      return "insulation_test_voltage_low";
  }
  return "";
}

bool IsNote(FindingKey key) { return key == FindingKey::LowIrradiance; }

bool HasFurtherItems(const StringMeasurement& m) {
  return m.polarity || m.insulation_pos_mohm || m.insulation_neg_mohm || m.insulation_test_v || m.earth_continuity_ohm;
}

double DeviationPct(double measured, double expected) {
  if (!(std::isfinite(expected) && expected > 0)) return std::nan("");
  return 100.0 * (measured - expected) / expected;
}

namespace {

bool Within(double deviation_pct, double tolerance_pct) {
  return deviation_pct >= -tolerance_pct && deviation_pct <= tolerance_pct;  // NaN fails both
}

// The whole number of modules, from 1 to `most`, by which `measured` differs
// from `expected` (`sign` -1 for fewer, +1 for more) such that it lies within
// the tolerance of the string with that many modules fewer or more; 0 for none.
int WholeModules(double measured_v, const ExpectedString& e, int sign, int most, double tolerance_pct) {
  const double modules = sign * (measured_v - e.voc_v) / e.mean_module_voc_v;
  if (!(modules >= 0.5 && modules < most + 0.5)) return 0;
  const int k = static_cast<int>(std::lround(modules));
  const double other_v = e.voc_v + sign * k * e.mean_module_voc_v;
  return Within(DeviationPct(measured_v, other_v), tolerance_pct) ? k : 0;
}

}  // namespace

StringVerdict JudgeString(const ExpectedString& e, const StringMeasurement& m, int module_count,
                          const CommissionConditions& conditions, double insulation_test_required_v) {
  if (const auto fault = ValidateCommissionConditions(conditions)) {
    throw std::invalid_argument(DescribeConditionFault(*fault));
  }
  if (module_count < 1) throw std::invalid_argument("a string without modules");
  StringVerdict v;
  v.voc_deviation_pct = DeviationPct(m.voc_v, e.voc_v);
  v.isc_deviation_pct = DeviationPct(m.isc_a, e.isc_a);
  const bool voc_ok = Within(v.voc_deviation_pct, conditions.voc_tolerance_pct);
  const bool isc_ok = Within(v.isc_deviation_pct, conditions.isc_tolerance_pct);
  const bool reversed = m.voc_v < 0;
  if (reversed) {
    v.findings.push_back({FindingKey::Reversed, 0});
  } else if (!voc_ok && std::isfinite(v.voc_deviation_pct)) {
    // A string cannot lose all its modules and still show a voltage; a
    // surplus is bounded by the same count.
    const bool low = v.voc_deviation_pct < 0;
    const int k = WholeModules(m.voc_v, e, low ? -1 : 1, module_count - (low ? 1 : 0), conditions.voc_tolerance_pct);
    if (k > 0) {
      v.findings.push_back({low ? FindingKey::ModulesMissing : FindingKey::ModuleExtra, k});
    } else {
      v.findings.push_back({low ? FindingKey::VocLow : FindingKey::VocHigh, 0});
    }
  } else if (voc_ok && !isc_ok && std::isfinite(v.isc_deviation_pct)) {
    v.findings.push_back({v.isc_deviation_pct < 0 ? FindingKey::LowCurrent : FindingKey::HighCurrent, 0});
  }
  const auto set = [&v](TestItem item, bool pass) {
    v.items[static_cast<std::size_t>(item)] = pass ? ItemStatus::Pass : ItemStatus::Fail;
  };
  // A reversed string has failed its Voc, whatever the deviation says.
  set(TestItem::Voc, !reversed && voc_ok);
  set(TestItem::Isc, isc_ok);
  bool further_ok = true;
  if (m.polarity) {
    // The crew's "ok" passes only when the meter agrees: a negative (or
    // unknown) Voc is a reversed string, found above.
    const bool recorded_ok = *m.polarity == Polarity::Ok;
    const bool pass = recorded_ok && m.voc_v >= 0;
    set(TestItem::Polarity, pass);
    further_ok = further_ok && pass;
    if (!recorded_ok && !reversed) v.findings.push_back({FindingKey::PolarityReversed, 0});
  }
  const auto judge = [&](const std::optional<double>& value, double limit, TestItem item, FindingKey low) {
    if (!value) return;
    const bool pass = *value >= limit;  // NaN fails
    set(item, pass);
    further_ok = further_ok && pass;
    if (!pass) v.findings.push_back({low, 0});
  };
  judge(m.insulation_pos_mohm, conditions.insulation_min_mohm, TestItem::InsulationPositive,
        FindingKey::InsulationPositiveLow);
  judge(m.insulation_neg_mohm, conditions.insulation_min_mohm, TestItem::InsulationNegative,
        FindingKey::InsulationNegativeLow);
  judge(m.insulation_test_v, insulation_test_required_v, TestItem::InsulationTestVoltage,
        FindingKey::InsulationTestVoltageLow);
  if (m.earth_continuity_ohm) {
    // No limit to judge by: the resistance that is acceptable depends on the
    // conductor's length and cross-section, which the plan does not know.
    const bool usable = std::isfinite(*m.earth_continuity_ohm) && *m.earth_continuity_ohm >= 0;
    v.items[static_cast<std::size_t>(TestItem::EarthContinuity)] = usable ? ItemStatus::Measured : ItemStatus::Fail;
    further_ok = further_ok && usable;
  }
  if (!(m.irradiance_w_m2 >= kLowIrradianceW_m2)) v.findings.push_back({FindingKey::LowIrradiance, 0});
  v.ok = !reversed && voc_ok && isc_ok && further_ok;
  return v;
}

StringVerdict NotMeasuredVerdict() {
  StringVerdict v;
  v.voc_deviation_pct = v.isc_deviation_pct = std::nan("");
  v.findings.push_back({FindingKey::NotMeasured, 0});
  return v;
}

}  // namespace voltrigg
