#include "app/shared/option_table.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

#include "app/shared/assess_options.h"
#include "app/shared/commission_options.h"

namespace voltrigg {

namespace {

constexpr OptionEntry Number(const char* key, OptionUse use, const char* member, const char* value_name,
                             const ConditionLimit& limit, double AssessConditions::*assess,
                             double CommissionConditions::*commission, const char* help_en, const char* help_ja,
                             const char* label_en, const char* label_ja) {
  return OptionEntry{key,     OptionKind::Number, use,   member,  value_name, &limit,
                     assess,  commission,         false, help_en, help_ja,    label_en,
                     label_ja};
}

constexpr OptionEntry MeasurementDefault(const char* key, const char* member, const char* value_name,
                                         const ConditionLimit& limit, const char* help_en, const char* help_ja,
                                         const char* label_en, const char* label_ja) {
  return OptionEntry{key,
                     OptionKind::Number,
                     OptionUse::Commissioning,
                     member,
                     value_name,
                     &limit,
                     nullptr,
                     nullptr,
                     true,
                     help_en,
                     help_ja,
                     label_en,
                     label_ja};
}

constexpr std::array<OptionEntry, 14> kTable{{
    Number("tmin", OptionUse::Assessment, "tmin_c", "C", kTminLimit, &AssessConditions::tmin_c, nullptr,
           "lowest cell temperature for the cold open-circuit voltage [°C]",
           "低温時の開放電圧を求める最低セル温度 [°C]", "lowest cell temperature [°C]", "最低セル温度 [°C]"),
    Number("voc-coefficient", OptionUse::Both, "voc_coefficient_pct_per_k", "PCT", kVocCoefficientLimit,
           &AssessConditions::voc_coefficient_pct_per_k, &CommissionConditions::voc_coefficient_pct_per_k,
           "temperature coefficient of Voc [%/K]", "Voc の温度係数 [%/K]", "temperature coefficient of Voc [%/K]",
           "Voc の温度係数 [%/K]"),
    Number("max-system-voltage", OptionUse::Assessment, "max_system_voltage_v", "V", kMaxSystemVoltageLimit,
           &AssessConditions::max_system_voltage_v, nullptr,
           "system voltage limit for any string's cold open-circuit voltage [V]",
           "ストリングの低温時の開放電圧に対するシステム電圧の上限 [V]", "maximum system voltage [V]",
           "最大システム電圧 [V]"),
    Number("t-cold-operating", OptionUse::Assessment, "t_cold_operating_c", "C", kTColdOperatingLimit,
           &AssessConditions::t_cold_operating_c, nullptr,
           "cell temperature in cool full sun, for the MPPT maximum [°C]",
           "涼しい晴天時のセル温度 [°C]: MPPT 上限の検査", "cold operating temperature [°C]", "動作時の低温 [°C]"),
    Number("t-hot", OptionUse::Assessment, "t_hot_c", "C", kTHotLimit, &AssessConditions::t_hot_c, nullptr,
           "cell temperature on a hot afternoon, for the MPPT minimum and the currents [°C]",
           "暑い午後のセル温度 [°C]: MPPT 下限と電流の検査", "hot temperature [°C]", "高温 [°C]"),
    Number("isc-coefficient", OptionUse::Both, "isc_coefficient_pct_per_k", "PCT", kIscCoefficientLimit,
           &AssessConditions::isc_coefficient_pct_per_k, &CommissionConditions::isc_coefficient_pct_per_k,
           "temperature coefficient of Isc [%/K]", "Isc の温度係数 [%/K]", "temperature coefficient of Isc [%/K]",
           "Isc の温度係数 [%/K]"),
    Number("isc-factor", OptionUse::Assessment, "isc_factor", "F", kIscFactorLimit, &AssessConditions::isc_factor,
           nullptr, "safety factor on the array's short-circuit current", "アレイの短絡電流の安全係数",
           "short-circuit current safety factor", "短絡電流の安全率"),
    OptionEntry{"inverter", OptionKind::Inverter, OptionUse::Assessment, "inverter", "FILE", nullptr, nullptr, nullptr,
                false,
                "inverter profile (JSON: name, max_dc_voltage_v, mppt_min_v, mppt_max_v, max_input_current_a, "
                "max_short_circuit_current_a) to check the array's window against",
                "パワコンのプロファイル (JSON: name, max_dc_voltage_v, mppt_min_v, mppt_max_v, max_input_current_a, "
                "max_short_circuit_current_a): アレイの入力範囲の検査に使う",
                "inverter profile (JSON)", "パワコンのプロファイル (JSON)"},
    Number("voc-tolerance", OptionUse::Commissioning, "voc_tolerance_pct", "PCT", kVocToleranceLimit, nullptr,
           &CommissionConditions::voc_tolerance_pct, "commissioning: tolerance of a string's Voc [%]",
           "試運転検査: ストリングの Voc の許容範囲 [%]", "tolerance of Voc [%]", "Voc の許容範囲 [%]"),
    Number("isc-tolerance", OptionUse::Commissioning, "isc_tolerance_pct", "PCT", kIscToleranceLimit, nullptr,
           &CommissionConditions::isc_tolerance_pct, "commissioning: tolerance of a string's Isc [%]",
           "試運転検査: ストリングの Isc の許容範囲 [%]", "tolerance of Isc [%]", "Isc の許容範囲 [%]"),
    Number("insulation-min", OptionUse::Commissioning, "insulation_min_mohm", "MOHM", kInsulationMinLimit, nullptr,
           &CommissionConditions::insulation_min_mohm,
           "commissioning: the least insulation resistance of either pole to earth [MΩ]",
           "試運転検査: 各極と大地間の絶縁抵抗の下限 [MΩ]", "minimum insulation resistance [MΩ]",
           "絶縁抵抗の下限 [MΩ]"),
    MeasurementDefault("irradiance", "irradiance_w_m2", "W", kIrradianceLimit,
                       "commissioning: irradiance for rows that leave it empty [W/m²]",
                       "試運転検査: 日射強度を空けた行の日射強度 [W/m²]", "irradiance [W/m²]", "日射強度 [W/m²]"),
    MeasurementDefault("module-temperature", "module_temperature_c", "C", kModuleTemperatureLimit,
                       "commissioning: module temperature for rows that leave it empty [°C]",
                       "試運転検査: モジュール温度を空けた行のモジュール温度 [°C]", "module temperature [°C]",
                       "モジュール温度 [°C]"),
    OptionEntry{"extras", OptionKind::Extras, OptionUse::Both, "extras", "voc,isc|isc,voc", nullptr, nullptr, nullptr,
                false, "what the module list's columns 6 and 7 hold: voc,isc (the default) or isc,voc",
                "モジュールリストの 6・7 列目: voc,isc (既定) または isc,voc", "columns 6 and 7", "6・7列目"},
}};

std::string Shortest(double value) {
  char text[32];
  (void)std::snprintf(text, sizeof text, "%g", value);
  return text;
}

}  // namespace

std::span<const OptionEntry> OptionTable() { return kTable; }

const OptionEntry& OptionOf(ConditionKey condition) {
  const auto* found = std::find_if(kTable.begin(), kTable.end(), [condition](const OptionEntry& e) {
    return e.limit != nullptr && e.limit->condition == condition;
  });
  return found != kTable.end() ? *found : kTable.front();  // every condition has its row (held by the tests)
}

const OptionEntry* OptionOfKey(std::string_view key) {
  const auto* found = std::find_if(kTable.begin(), kTable.end(), [key](const OptionEntry& e) { return key == e.key; });
  return found != kTable.end() ? found : nullptr;
}

bool TakesOption(const OptionEntry& entry, OptionUse use) {
  return use == OptionUse::Both || entry.use == OptionUse::Both || entry.use == use;
}

std::string OptionName(const OptionEntry& entry) { return std::string("--") + entry.key; }

std::string OptionNameIn(const OptionEntry& entry, Language language, ConditionNaming naming) {
  if (naming == ConditionNaming::Option) return OptionName(entry);
  return language == Language::Japanese ? entry.label_ja : entry.label_en;
}

std::string DefaultText(const OptionEntry& entry, const AssessConditions& assess_defaults,
                        const CommissionConditions& commission_defaults) {
  if (entry.assess_member != nullptr) return Shortest(assess_defaults.*entry.assess_member);
  if (entry.commission_member != nullptr) return Shortest(commission_defaults.*entry.commission_member);
  if (entry.kind == OptionKind::Extras) return "voc,isc";
  return {};
}

std::string OptionHelp(const OptionEntry& entry, Language language, const AssessConditions& assess_defaults,
                       const CommissionConditions& commission_defaults) {
  const bool ja = language == Language::Japanese;
  std::string help = ja ? entry.help_ja : entry.help_en;
  if (entry.kind != OptionKind::Number) return help;
  std::string range = RangeText(*entry.limit, language);
  const std::string fallback = DefaultText(entry, assess_defaults, commission_defaults);
  if (!fallback.empty()) {
    range += ja ? "、既定 " + fallback : "; default " + fallback;
  } else {
    range += ja ? "、既定なし" : "; no default";
  }
  return help + " (" + range + ")";
}

std::optional<double> ParseOptionNumber(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  const std::string whole(text);
  char* end = nullptr;
  const double value = std::strtod(whole.c_str(), &end);
  if (end != whole.c_str() + whole.size()) return std::nullopt;
  return value;
}

std::optional<ConditionFault> SetOption(const OptionEntry& entry, std::string_view text, AssessOptions* assess,
                                        CommissionOptions* commission) {
  if (entry.kind != OptionKind::Number) return std::nullopt;
  const std::optional<double> value = ParseOptionNumber(text);
  if (!value) return ConditionFault{*entry.limit, 0.0, std::string(text)};
  if (!WithinLimit(*value, *entry.limit)) return ConditionFault{*entry.limit, *value, std::nullopt};
  if (assess != nullptr && entry.assess_member != nullptr) assess->conditions.*entry.assess_member = *value;
  if (commission != nullptr) {
    if (entry.commission_member != nullptr) commission->conditions.*entry.commission_member = *value;
    if (entry.measurement_default) {
      std::optional<double>& into = entry.limit->condition == ConditionKey::Irradiance
                                        ? commission->defaults.irradiance_w_m2
                                        : commission->defaults.module_temperature_c;
      into = *value;
    }
  }
  return std::nullopt;
}

}  // namespace voltrigg
