#include "app/shared/commission_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "app/shared/curve_problems.h"
#include "app/shared/measurement_texts.h"
#include "app/shared/opened_result_texts.h"
#include "commission/plan_fingerprint.h"
#include "input/text_utf8.h"

namespace voltrigg {

namespace {

std::string Figure(double value, int decimals) {
  if (!std::isfinite(value)) return "—";
  // No "-0.00" for a deviation that rounds to nothing.
  if (std::fabs(value) < 0.5 * std::pow(10.0, -decimals)) value = 0;
  return FixedText(value, decimals);
}

std::string Deviation(double pct) {
  if (!std::isfinite(pct)) return "—";
  const std::string text = Figure(pct, 2);
  return text.starts_with('-') || text == "0.00" ? text : "+" + text;
}

std::string NameOf(const std::string& path) { return TextAsUtf8(std::filesystem::path(path).filename().string()); }

// Blanks off both ends, as the viewer shows a note: ASCII ones, the
// no-break space and the ideographic space of Japanese text.
std::string Trimmed(std::string text) {
  const auto blank_at_end = [&text]() -> std::size_t {
    if (text.empty()) return 0;
    if (std::string(" \t\r\n\v\f").find(text.back()) != std::string::npos) return 1;
    if (text.ends_with("\xC2\xA0")) return 2;
    return text.ends_with("\xE3\x80\x80") ? 3 : 0;
  };
  const auto blank_at_start = [&text]() -> std::size_t {
    if (text.empty()) return 0;
    if (std::string(" \t\r\n\v\f").find(text.front()) != std::string::npos) return 1;
    if (text.starts_with("\xC2\xA0")) return 2;
    return text.starts_with("\xE3\x80\x80") ? 3 : 0;
  };
  for (std::size_t n = blank_at_end(); n > 0; n = blank_at_end()) text.resize(text.size() - n);
  for (std::size_t n = blank_at_start(); n > 0; n = blank_at_start()) text.erase(0, n);
  return text;
}

std::string G(double value) {
  char text[32];
  (void)std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::string Join(const std::vector<std::string>& parts, const std::string& separator) {
  std::string out;
  for (std::size_t k = 0; k < parts.size(); ++k) out += (k > 0 ? separator : "") + parts[k];
  return out;
}

std::optional<CommissionArray> ArrayOrFailure(const OpenedResult& o, CommissionFailure* failure) {
  CommissionRefusal refusal;
  std::optional<CommissionArray> array = CommissionArrayOf(o, &refusal);
  if (array || failure == nullptr) return array;
  if (refusal.kind == CommissionRefusal::Kind::CurveProblems) {
    // The assessment has said it already, when it could.
    std::string why = AssessmentStatusTextJa(o.assessment_status);
    if (why.empty()) {
      AssessmentStatus note;
      note.kind = AssessmentStatus::Kind::CurveProblems;
      note.problems = refusal.problems;
      note.modules = o.modules;
      note.isc_first = o.options.isc_first;
      why = AssessmentStatusTextJa(note);
    }
    failure->text = "試運転検査の期待値を計算できません: " + why;
  } else {
    failure->text = "試運転検査には、結果ファイルと一致し Voc と Isc を持つモジュールリストが必要です。" +
                    ListStatusTextJa(o.list_status);
  }
  return std::nullopt;
}

}  // namespace

std::optional<CommissionCheck> RunCommissionCheck(const OpenedResult& o, const std::string& path,
                                                  const CommissionOptions& options, CommissionFailure* failure) {
  const auto fail = [failure](std::string text) {
    if (failure != nullptr) failure->text = std::move(text);
    return std::nullopt;
  };
  if (const auto fault = ValidateCommissionOptions(options))
    return fail(ConditionFaultText(*fault, Language::Japanese));
  std::optional<CommissionArray> array = ArrayOrFailure(o, failure);
  if (!array) return std::nullopt;
  CommissionCheck out;
  out.measurement_path = path;
  out.list_path = o.list_path;
  out.options = options;
  try {
    const std::vector<StringMeasurement> measurements = ReadMeasurementFile(
        path, static_cast<int>(array->wiring.size()), options.defaults, PlanFingerprint(array->modules, array->wiring));
    out.check = CheckCommissioning(array->modules, array->curves, array->wiring, measurements, options.conditions);
  } catch (const MeasurementFileError& e) {
    return fail(MeasurementErrorTextJa(e, NameOf(path)));
  } catch (const std::invalid_argument& e) {
    return fail(std::string("試運転検査ができません: ") + e.what());
  }
  return out;
}

std::optional<MeasurementForm> MakeMeasurementForm(const OpenedResult& o, const CommissionOptions& options,
                                                   CommissionFailure* failure) {
  std::optional<CommissionArray> array = ArrayOrFailure(o, failure);
  if (!array) return std::nullopt;
  MeasurementForm out;
  const TemperatureCoefficients coefficients{options.conditions.voc_coefficient_pct_per_k,
                                             options.conditions.isc_coefficient_pct_per_k};
  out.rows = FormRowsAtStc(array->modules, array->curves, array->wiring, coefficients);
  for (const StringWiring& s : array->wiring) out.modules.push_back(s.size());
  out.plan = PlanFingerprint(array->modules, array->wiring);
  out.insulation_min_mohm = options.conditions.insulation_min_mohm;
  out.system_voltage_v = ArraySystemVoltageV(array->modules, array->wiring);
  out.insulation_test_required_v = InsulationTestVoltageForV(out.system_voltage_v);
  return out;
}

std::string FormLimitsTextJa(const MeasurementForm& form) {
  return InsulationLimitsText(form.insulation_min_mohm, form.system_voltage_v, form.insulation_test_required_v,
                              Language::Japanese);
}

VerdictKind KindOf(const StringCommissioning& s) {
  if (!s.measurement) return VerdictKind::NotMeasured;
  if (!s.verdict.ok) return VerdictKind::Fail;
  const bool note =
      std::any_of(s.verdict.findings.begin(), s.verdict.findings.end(), [](const Finding& f) { return IsNote(f.key); });
  return note ? VerdictKind::PassWithNote : VerdictKind::Pass;
}

std::string VerdictTextJa(VerdictKind kind) {
  switch (kind) {
    case VerdictKind::Pass:
      return "合格";
    case VerdictKind::PassWithNote:
      return "合格 (注記)";
    case VerdictKind::Fail:
      return "不合格";
    case VerdictKind::NotMeasured:
      break;
  }
  return "未測定";
}

Rgb VerdictColour(VerdictKind kind) {
  switch (kind) {
    case VerdictKind::Pass:
      return {0, 110, 40};
    case VerdictKind::PassWithNote:
      return {170, 100, 0};
    case VerdictKind::Fail:
    case VerdictKind::NotMeasured:
      break;
  }
  return {200, 0, 0};
}

Rgb VerdictBackground(VerdictKind kind) {
  switch (kind) {
    case VerdictKind::Pass:
      return {220, 242, 225};
    case VerdictKind::PassWithNote:
      return {255, 236, 200};
    case VerdictKind::Fail:
    case VerdictKind::NotMeasured:
      break;
  }
  return {255, 220, 220};
}

std::string CommissionColumnNameJa(int column) {
  static const char* const kNames[kCommissionColumns] = {
      "ストリング",   "モジュール数",   "日射強度 [W/m²]", "モジュール温度 [°C]", "Voc 期待値 [V]", "Voc 測定値 [V]",
      "Voc 偏差 [%]", "Isc 期待値 [A]", "Isc 測定値 [A]",  "Isc 偏差 [%]",        "判定",           "所見"};
  return column >= 0 && column < kCommissionColumns ? kNames[column] : std::string();
}

CommissionRow CommissionRowOf(const StringCommissioning& s) {
  CommissionRow r;
  r.string_no = s.string_no;
  r.kind = KindOf(s);
  const StringMeasurement* m = s.measurement ? &*s.measurement : nullptr;
  const auto measured = [m](double StringMeasurement::*field, int decimals) {
    return m != nullptr ? Figure(m->*field, decimals) : std::string("—");
  };
  r.cells[kColString] = std::to_string(s.string_no);
  r.cells[kColModules] = std::to_string(s.modules.size());
  r.cells[kColIrradiance] = measured(&StringMeasurement::irradiance_w_m2, 0);
  r.cells[kColTemperature] = measured(&StringMeasurement::module_temperature_c, 1);
  r.cells[kColVocExpected] = Figure(s.expected.voc_v, 2);
  r.cells[kColVocMeasured] = measured(&StringMeasurement::voc_v, 2);
  r.cells[kColVocDeviation] = m != nullptr ? Deviation(s.verdict.voc_deviation_pct) : "—";
  r.cells[kColIscExpected] = Figure(s.expected.isc_a, 3);
  r.cells[kColIscMeasured] = measured(&StringMeasurement::isc_a, 3);
  r.cells[kColIscDeviation] = m != nullptr ? Deviation(s.verdict.isc_deviation_pct) : "—";
  r.cells[kColVerdict] = VerdictTextJa(r.kind);
  std::vector<std::string> findings(s.verdict.findings.size());
  std::transform(s.verdict.findings.begin(), s.verdict.findings.end(), findings.begin(), FindingTextJa);
  if (!s.expected.problem.empty()) findings.push_back("期待値を計算できません: " + s.expected.problem);
  r.cells[kColFindings] = Join(findings, "、");
  if (m != nullptr) r.note = Trimmed(m->note);
  r.items[static_cast<std::size_t>(TestItem::Voc)].text = r.cells[kColVocMeasured];
  r.items[static_cast<std::size_t>(TestItem::Isc)].text = r.cells[kColIscMeasured];
  for (const TestItem item : kFurtherItems) {
    const std::string value = m != nullptr ? TestItemValueText(*m, item, Language::Japanese) : std::string();
    r.items[static_cast<std::size_t>(item)].text = value.empty() ? "—" : value;
  }
  for (const TestItem item : kTestItems) r.items[static_cast<std::size_t>(item)].status = StatusOf(s.verdict, item);
  return r;
}

std::vector<CommissionRow> CommissionRows(const Commissioning& check) {
  std::vector<CommissionRow> rows(check.strings.size());
  std::transform(check.strings.begin(), check.strings.end(), rows.begin(), CommissionRowOf);
  return rows;
}

std::string FindingsWithNote(const CommissionRow& row) {
  std::string text = row.cells[kColFindings];
  if (!row.note.empty()) text += (text.empty() ? "" : "  ") + std::string("メモ: ") + row.note;
  return text;
}

std::string CommissionSummaryJa(const Commissioning& check) {
  const auto list = [](const std::vector<int>& numbers) {
    std::vector<std::string> out(numbers.size());
    std::transform(numbers.begin(), numbers.end(), out.begin(), [](int n) { return std::to_string(n); });
    return Join(out, ", ");
  };
  if (check.ok) return "全 " + std::to_string(check.strings.size()) + " ストリング合格";
  std::string text = "不合格: ストリング " + list(check.strings_failed);
  if (!check.strings_not_measured.empty()) text += " (未測定: " + list(check.strings_not_measured) + ")";
  return text + "  (" + std::to_string(check.strings.size()) + " ストリング中 " +
         std::to_string(check.strings_failed.size()) + ")";
}

std::string CommissionConditionsTextJa(const CommissionConditions& c) {
  return "許容範囲: Voc ±" + G(c.voc_tolerance_pct) + " %、Isc ±" + G(c.isc_tolerance_pct) + " %    温度係数: Voc " +
         G(c.voc_coefficient_pct_per_k) + " %/K、Isc " + G(c.isc_coefficient_pct_per_k) + " %/K";
}

std::string InsulationLimitsTextJa(const Commissioning& check) {
  return InsulationLimitsText(check, Language::Japanese);
}

std::vector<std::string> TestItemLinesJa(const Commissioning& check) {
  return TestItemCoverageLines(check, Language::Japanese);
}

bool ShowsFurtherItems(const Commissioning& check) { return check.further_items_measured; }

std::string TestItemColumnNameJa(TestItem item) {
  switch (item) {
    case TestItem::Voc:
      return "Voc 測定値 [V]";
    case TestItem::Isc:
      return "Isc 測定値 [A]";
    case TestItem::Polarity:
      return "極性";
    case TestItem::InsulationPositive:
      return "絶縁抵抗 + [MΩ]";
    case TestItem::InsulationNegative:
      return "絶縁抵抗 − [MΩ]";
    case TestItem::InsulationTestVoltage:
      return "試験電圧 [V]";
    case TestItem::EarthContinuity:
      return "接地導通 [Ω]";
  }
  return {};
}

Rgb ItemStatusColour(ItemStatus status) {
  switch (status) {
    case ItemStatus::Pass:
      return VerdictColour(VerdictKind::Pass);
    case ItemStatus::Fail:
      return VerdictColour(VerdictKind::Fail);
    case ItemStatus::NotMeasured:
      return {120, 120, 120};
    case ItemStatus::Measured:
      break;
  }
  return {0, 0, 0};
}

Rgb ItemStatusBackground(ItemStatus status) {
  switch (status) {
    case ItemStatus::Pass:
      return VerdictBackground(VerdictKind::Pass);
    case ItemStatus::Fail:
      return VerdictBackground(VerdictKind::Fail);
    case ItemStatus::NotMeasured:
      return {238, 238, 238};
    case ItemStatus::Measured:
      break;
  }
  return {255, 255, 255};
}

void MarkFailedStrings(PlanView& plan, const Commissioning& check) {
  for (StringSummary& s : plan.strings) {
    s.commissioning_failed =
        std::find(check.strings_failed.begin(), check.strings_failed.end(), s.string_no) != check.strings_failed.end();
  }
}

}  // namespace voltrigg
