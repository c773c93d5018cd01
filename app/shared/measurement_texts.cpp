#include "app/shared/measurement_texts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "app/shared/option_table.h"
#include "commission/commissioning_json.h"

namespace voltrigg {

namespace {

std::string N(int n) { return std::to_string(n); }

bool Ja(Language language) { return language == Language::Japanese; }

// The fewest digits that read back as `value`, as a crew writes it: 0.4,
// 80, 1000, 0.000025; in exponent form only far from the meters' range.
std::string Shortest(double value) {
  char text[64];
  if (!std::isfinite(value)) {
    (void)std::snprintf(text, sizeof text, "%g", value);
    return text;
  }
  int digits = 1;
  for (; digits < 17; ++digits) {
    (void)std::snprintf(text, sizeof text, "%.*e", digits - 1, value);
    if (std::strtod(text, nullptr) == value) break;
  }
  (void)std::snprintf(text, sizeof text, "%.*e", digits - 1, value);
  const int exponent = std::atoi(std::strchr(text, 'e') + 1);
  if (exponent >= -6 && exponent < 16) {
    (void)std::snprintf(text, sizeof text, "%.*f", std::max(0, digits - 1 - exponent), value);
  }
  return text;
}

// The option that gives a condition for the whole file, or the page's label for it.
std::string ConditionName(const MeasurementRefusal& r, Language language, ConditionNaming naming) {
  const std::string name = OptionNameIn(OptionOf(r.limit.condition), language, naming);
  return Ja(language) && naming == ConditionNaming::Label ? "「" + name + "」" : name;
}

std::string WhatJa(const MeasurementRefusal& r, ConditionNaming naming) {
  const std::string quoted = "「" + r.value + "」";
  switch (r.fault) {
    case MeasurementFault::CannotOpen:
      return "ファイルを開けません";
    case MeasurementFault::UnclosedQuote:
      return "引用符 (\") で始まるフィールドが閉じていません";
    case MeasurementFault::TextAfterQuote:
      return "閉じた引用符の後に文字があります";
    case MeasurementFault::FieldTooLong:
      return "64 KiB を超えるフィールドがあります";
    case MeasurementFault::NulByte:
      return "NUL バイトがあります (テキストファイルではありません)";
    case MeasurementFault::ReadFailed:
      return "ファイルを読めません";
    case MeasurementFault::EndsInsideRow:
      return "行の途中でファイルが終わっています";
    case MeasurementFault::TooManyFields:
      return "フィールドが " + N(r.count) + " 個を超えています";
    case MeasurementFault::Empty:
      return "ファイルが空です (見出し行 string,voc_v,isc_a,irradiance_w_m2,module_temperature_c が必要です)";
    case MeasurementFault::ColumnTwice:
      return "列 " + r.field + " が見出しに 2 回あります";
    case MeasurementFault::NoColumn:
      return "見出しに列 " + r.field + " がありません";
    case MeasurementFault::NoConditionColumn:
      return "見出しに列 " + r.field + " がなく、" + ConditionName(r, Language::Japanese, naming) +
             " も指定されていません";
    case MeasurementFault::TooManyRows:
      return "行が " + N(r.count) + " を超えています";
    case MeasurementFault::FieldCount:
      return "フィールドが " + N(r.count) + " 個あります (見出しは " + N(r.other) + " 個)";
    case MeasurementFault::NotANumber:
      return quoted + "は数値ではありません";
    case MeasurementFault::NotFinite:
      return quoted + "は有限の数値ではありません";
    case MeasurementFault::NotInPlan:
      return quoted + "はこの計画のストリングではありません (1 から " + N(r.count) + ")";
    case MeasurementFault::NoStringNumber:
      return "ストリング番号がありません";
    case MeasurementFault::NoValue:
      return "値がありません (" + r.value + " は記入されています)";
    case MeasurementFault::MeasuredTwice:
      return "ストリング " + (r.value.empty() ? N(r.count) : r.value) + " が 2 回測定されています (" + N(r.other) +
             " 行目にも)";
    case MeasurementFault::NotANamedString:
      return quoted + "はこのプラントのストリングではありません (" + N(r.count) +
             " ストリング、名前は パワコン.入力.ストリング)";
    case MeasurementFault::NoStringName:
      return "ストリング名がありません";
    case MeasurementFault::NumberForNamedString:
      return quoted +
             "は結果ファイルのストリング番号です。プラントのストリングは名前 (パワコン.入力.ストリング、"
             "例 INV-03.7.2) で記入します (結果ファイルの測定ファイルではありませんか)";
    case MeasurementFault::NameForNumberedString:
      return quoted + "はプラントのストリング名です。この結果のストリングは番号 1 から " + N(r.count) +
             " で記入します (プラントの測定ファイルではありませんか)";
    case MeasurementFault::NoCondition:
      return "値がありません (行に記入するか、ファイル全体に " + ConditionName(r, Language::Japanese, naming) +
             " で指定してください)";
    case MeasurementFault::Negative:
      return quoted + "は負の値です";
    case MeasurementFault::UnknownWord:
      return quoted + "は ok でも reversed でもありません";
    case MeasurementFault::OtherPlan:
      return "別の計画の測定用紙です (用紙は" + quoted + "、この計画は「" + r.expected + "」)";
    case MeasurementFault::ConditionOutOfRange:
      return r.value +
             (r.from_option ? " (" + ConditionName(r, Language::Japanese, naming) + " の値)" : std::string()) +
             " は範囲外です (" + RangeText(r.limit, Language::Japanese) + ")";
  }
  return "使えません";
}

// The reader's own English, as voltrigg-cli has always printed it.
std::string WhatEn(const MeasurementRefusal& r, ConditionNaming naming) {
  const std::string field = "field " + r.field + ": ";
  const std::string quoted = "\"" + r.value + "\"";
  switch (r.fault) {
    case MeasurementFault::CannotOpen:
      return "cannot open the measurement file";
    case MeasurementFault::UnclosedQuote:
      return "a quoted field is not closed";
    case MeasurementFault::TextAfterQuote:
      return "text follows a closing quote";
    case MeasurementFault::FieldTooLong:
      return "a field is longer than 64 KiB";
    case MeasurementFault::NulByte:
      return "a NUL byte (not a text file)";
    case MeasurementFault::ReadFailed:
      return "the file cannot be read";
    case MeasurementFault::EndsInsideRow:
      return "the file ends inside a row";
    case MeasurementFault::TooManyFields:
      return "more than " + N(r.count) + " fields";
    case MeasurementFault::Empty:
      return "the file is empty (a header line is needed: string,voc_v,isc_a,irradiance_w_m2,module_temperature_c)";
    case MeasurementFault::ColumnTwice:
      return "the column " + r.field + " is named twice";
    case MeasurementFault::NoColumn:
      return "the header has no column " + r.field;
    case MeasurementFault::NoConditionColumn:
      return "the header has no column " + r.field + " and " + ConditionName(r, Language::English, naming) +
             " is not given";
    case MeasurementFault::TooManyRows:
      return "more than " + N(r.count) + " rows";
    case MeasurementFault::FieldCount:
      return N(r.count) + " fields where the header has " + N(r.other);
    case MeasurementFault::NotANumber:
      return field + quoted + " is not a number";
    case MeasurementFault::NotFinite:
      return field + quoted + " is not a finite number";
    case MeasurementFault::NotInPlan:
      return field + r.value + " is not a string of the plan (1 to " + N(r.count) + ")";
    case MeasurementFault::NoStringNumber:
      return field + "no string number";
    case MeasurementFault::NoValue:
      return field + "no value (" + r.value + " is given)";
    case MeasurementFault::MeasuredTwice:
      return field + "string " + (r.value.empty() ? N(r.count) : r.value) + " is measured twice (also line " +
             N(r.other) + ")";
    case MeasurementFault::NotANamedString:
      return field + quoted + " is not a string of the plant (" + N(r.count) + " strings, named INVERTER.INPUT.STRING)";
    case MeasurementFault::NoStringName:
      return field + "no string name";
    case MeasurementFault::NumberForNamedString:
      return field + quoted +
             " is a result's string number; a plant's strings are named INVERTER.INPUT.STRING, e.g. INV-03.7.2 "
             "(is this a result's measurement file?)";
    case MeasurementFault::NameForNumberedString:
      return field + quoted + " names a plant's string; this result's strings are numbered 1 to " + N(r.count) +
             " (is this a plant's measurement file?)";
    case MeasurementFault::NoCondition:
      return field + "no value (give it in the row or for the whole file with " +
             ConditionName(r, Language::English, naming) + ")";
    case MeasurementFault::Negative:
      return field + quoted + " is negative";
    case MeasurementFault::UnknownWord:
      return field + quoted + " is neither ok nor reversed";
    case MeasurementFault::OtherPlan:
      return field + r.value + " is the form of another plan (this plan is " + r.expected + ")";
    case MeasurementFault::ConditionOutOfRange:
      return field + r.value +
             (r.from_option ? " (from " + ConditionName(r, Language::English, naming) + ")" : std::string()) +
             " is not " + RangeText(r.limit, Language::English);
  }
  return field + "cannot be used";
}

std::string RefusalJa(const MeasurementRefusal& r, int line, const std::string& where) {
  return MeasurementRefusalText(r, line, where, Language::Japanese);
}

std::string RefusalEn(const MeasurementRefusal& r, int line, const std::string& where) {
  return MeasurementRefusalText(r, line, where, Language::English);
}

}  // namespace

std::string MeasurementRefusalText(const MeasurementRefusal& r, int line, const std::string& file_name,
                                   Language language, ConditionNaming naming) {
  if (Ja(language)) {
    std::string where = "測定ファイル " + file_name;
    if (line > 0) where += " の " + N(line) + " 行目";
    if (!r.field.empty() && r.fault != MeasurementFault::ColumnTwice && r.fault != MeasurementFault::NoColumn &&
        r.fault != MeasurementFault::NoConditionColumn) {
      where += "、列 " + r.field;
    }
    return where + ": " + WhatJa(r, naming);
  }
  if (r.fault == MeasurementFault::CannotOpen) return WhatEn(r, naming) + " " + file_name;
  return file_name + (line > 0 ? " line " + N(line) : std::string()) + ": " + WhatEn(r, naming);
}

std::string MeasurementErrorText(const MeasurementFileError& error, const std::string& file_name, Language language,
                                 ConditionNaming naming) {
  return MeasurementRefusalText(error.refusal(), error.line(), file_name, language, naming);
}

std::string MeasurementErrorText(const MeasurementFileError& error, const std::string& file_name, Language language) {
  return MeasurementErrorText(error, file_name, language, ConditionNaming::Option);
}

std::string MeasurementErrorTextJa(const MeasurementFileError& error, const std::string& file_name) {
  return MeasurementErrorText(error, file_name, Language::Japanese);
}

void SpeakMeasurementRefusalsIn(Language language) {
  SetMeasurementRefusalWording(Ja(language) ? &RefusalJa : &RefusalEn);
}

std::string FindingTextJa(const Finding& f) {
  const std::string count = std::to_string(f.count);
  switch (f.key) {
    case FindingKey::Reversed:
      return "極性が逆です (測定 Voc が負)";
    case FindingKey::ModulesMissing:
      return "Voc がモジュール " + count + " 枚分不足 (モジュールの欠落、短絡、バイパスダイオードの導通)";
    case FindingKey::ModuleExtra:
      return "Voc がモジュール " + count + " 枚分過剰 (計画より多いモジュール)";
    case FindingKey::VocLow:
      return "Voc が許容範囲より低い (モジュールの枚数では説明できません)";
    case FindingKey::VocHigh:
      return "Voc が許容範囲より高い (モジュールの枚数では説明できません)";
    case FindingKey::LowCurrent:
      return "Isc が低い (影、汚れ、損傷したモジュール、日射計の誤り)";
    case FindingKey::HighCurrent:
      return "Isc が高い (日射計の誤り、ほかのストリングとの接続)";
    case FindingKey::LowIrradiance:
      return "日射強度が 400 W/m² 未満 (Isc の比較は不確か)";
    case FindingKey::NotMeasured:
      return "測定されていません";
    case FindingKey::PolarityReversed:
      return "極性が逆です (極性検査の記録)";
    case FindingKey::InsulationPositiveLow:
      return "正極と大地間の絶縁抵抗が下限未満";
    case FindingKey::InsulationNegativeLow:
      return "負極と大地間の絶縁抵抗が下限未満";
    case FindingKey::InsulationTestVoltageLow:
      return "絶縁抵抗の試験電圧がシステム電圧に必要な値未満";
  }
  return {};
}

std::string FindingText(const Finding& f, Language language) {
  if (Ja(language)) return FindingTextJa(f);
  const std::string modules = std::to_string(f.count) + (f.count == 1 ? " module" : " modules");
  switch (f.key) {
    case FindingKey::Reversed:
      return "reversed polarity (measured Voc below 0)";
    case FindingKey::ModulesMissing:
      return "Voc short by " + modules + " (missing, short-circuited, or a bypass diode conducting)";
    case FindingKey::ModuleExtra:
      return "Voc above by " + modules + " (more modules than planned)";
    case FindingKey::VocLow:
      return "Voc below its tolerance (by no whole number of modules)";
    case FindingKey::VocHigh:
      return "Voc above its tolerance (by no whole number of modules)";
    case FindingKey::LowCurrent:
      return "Isc low (shading, soiling, a damaged module, a wrong irradiance reading)";
    case FindingKey::HighCurrent:
      return "Isc high (a wrong irradiance reading, a connection to another string)";
    case FindingKey::LowIrradiance:
      return "irradiance below 400 W/m² (the Isc comparison is less certain)";
    case FindingKey::NotMeasured:
      return "not measured";
    case FindingKey::PolarityReversed:
      return "reversed polarity (the polarity test's record)";
    case FindingKey::InsulationPositiveLow:
      return "insulation of the positive pole to earth below the minimum";
    case FindingKey::InsulationNegativeLow:
      return "insulation of the negative pole to earth below the minimum";
    case FindingKey::InsulationTestVoltageLow:
      return "insulation test voltage below what the system voltage calls for";
  }
  return FindingKeyName(f.key);
}

std::string CommissioningJsonText(const Commissioning& check, const std::vector<ModuleData>& modules,
                                  const std::string& result_file, const std::string& modules_file) {
  return FormatCommissioningJson(check, modules, result_file, modules_file, &FindingTextJa);
}

std::string PlantCommissioningJsonText(const Commissioning& check, const std::vector<ModuleData>& modules,
                                       const std::string& plant_file, const std::vector<std::string>& modules_files) {
  return FormatNamedCommissioningJson(check, modules, plant_file, modules_files, &FindingTextJa);
}

std::string TestItemText(TestItem item, Language language) {
  const bool ja = Ja(language);
  switch (item) {
    case TestItem::Voc:
      return ja ? "開放電圧 Voc" : "open-circuit voltage Voc";
    case TestItem::Isc:
      return ja ? "短絡電流 Isc" : "short-circuit current Isc";
    case TestItem::Polarity:
      return ja ? "極性" : "polarity";
    case TestItem::InsulationPositive:
      return ja ? "絶縁抵抗 (正極と大地間)" : "insulation of the positive pole to earth";
    case TestItem::InsulationNegative:
      return ja ? "絶縁抵抗 (負極と大地間)" : "insulation of the negative pole to earth";
    case TestItem::InsulationTestVoltage:
      return ja ? "絶縁抵抗の試験電圧" : "insulation test voltage";
    case TestItem::EarthContinuity:
      return ja ? "接地の導通" : "earth continuity";
  }
  return TestItemName(item);
}

std::string ItemStatusText(ItemStatus status, Language language) {
  const bool ja = Ja(language);
  switch (status) {
    case ItemStatus::NotMeasured:
      return ja ? "未測定" : "not measured";
    case ItemStatus::Pass:
      return ja ? "合格" : "pass";
    case ItemStatus::Fail:
      return ja ? "不合格" : "fail";
    case ItemStatus::Measured:
      return ja ? "測定済み" : "measured";
  }
  return ItemStatusName(status);
}

std::string TestItemValueText(const StringMeasurement& m, TestItem item, Language language) {
  const auto number = [](const std::optional<double>& value) { return value ? Shortest(*value) : std::string(); };
  switch (item) {
    case TestItem::Voc:
      return Shortest(m.voc_v);
    case TestItem::Isc:
      return Shortest(m.isc_a);
    case TestItem::Polarity:
      if (!m.polarity) return {};
      if (Ja(language)) return *m.polarity == Polarity::Ok ? "正常" : "逆";
      return PolarityName(*m.polarity);
    case TestItem::InsulationPositive:
      return number(m.insulation_pos_mohm);
    case TestItem::InsulationNegative:
      return number(m.insulation_neg_mohm);
    case TestItem::InsulationTestVoltage:
      return number(m.insulation_test_v);
    case TestItem::EarthContinuity:
      return number(m.earth_continuity_ohm);
  }
  return {};
}

std::string StringNumbersText(const std::vector<int>& numbers) {
  std::string out;
  for (std::size_t k = 0; k < numbers.size();) {
    std::size_t end = k + 1;  // one past the run that starts at k
    while (end < numbers.size() && numbers[end] == numbers[end - 1] + 1) ++end;
    out += (out.empty() ? "" : ", ") + std::to_string(numbers[k]);
    // Two in a row read better as a list than as a range.
    if (end - k > 2) {
      out += "-" + std::to_string(numbers[end - 1]);
    } else if (end - k == 2) {
      out += ", " + std::to_string(numbers[k + 1]);
    }
    k = end;
  }
  return out;
}

std::string StringNamesText(const std::vector<int>& numbers, const std::vector<std::string>& names) {
  if (names.empty()) return StringNumbersText(numbers);
  const auto name = [&names](int n) {
    return n >= 1 && static_cast<std::size_t>(n) <= names.size() ? names[static_cast<std::size_t>(n - 1)]
                                                                 : std::to_string(n);
  };
  std::string out;
  for (std::size_t k = 0; k < numbers.size();) {
    std::size_t end = k + 1;  // one past the run that starts at k
    while (end < numbers.size() && numbers[end] == numbers[end - 1] + 1) ++end;
    out += (out.empty() ? "" : ", ") + name(numbers[k]);
    if (end - k > 2) {
      out += "…" + name(numbers[end - 1]);
    } else if (end - k == 2) {
      out += ", " + name(numbers[k + 1]);
    }
    k = end;
  }
  return out;
}

std::string TestItemCoverageText(const TestItemCoverage& k, Language language, const std::vector<std::string>& names) {
  const std::string name = TestItemText(k.item, language);
  const auto strings = [&names](const std::vector<int>& numbers) { return StringNamesText(numbers, names); };
  const std::string failed = strings(k.strings_failed);
  if (Ja(language)) {
    if (k.strings_made.empty()) return name + ": 未実施";
    const std::string failed_ja = failed.empty() ? std::string() : " (不合格: " + failed + ")";
    if (k.strings_not_made.empty()) return name + ": 全ストリングで実施" + failed_ja;
    return name + ": ストリング " + strings(k.strings_made) + " で実施" + failed_ja + "、" +
           strings(k.strings_not_made) + " は未実施";
  }
  if (k.strings_made.empty()) return name + ": not made";
  const std::string failed_en = failed.empty() ? std::string() : " (failed: " + failed + ")";
  if (k.strings_not_made.empty()) return name + ": made on every string" + failed_en;
  return name + ": made on " + (k.strings_made.size() == 1 ? "string " : "strings ") + strings(k.strings_made) +
         failed_en + "; not made on " + strings(k.strings_not_made);
}

std::string TestItemCoverageText(const TestItemCoverage& k, Language language) {
  return TestItemCoverageText(k, language, {});
}

std::vector<std::string> TestItemCoverageLines(const Commissioning& check, Language language) {
  const std::vector<TestItemCoverage> coverages = TestItemCoverages(check);
  std::vector<std::string> lines(coverages.size());
  std::transform(coverages.begin(), coverages.end(), lines.begin(),
                 [&](const TestItemCoverage& k) { return TestItemCoverageText(k, language, check.string_names); });
  return lines;
}

std::string InsulationLimitsText(double insulation_min_mohm, double system_voltage_v, double insulation_test_required_v,
                                 Language language) {
  const std::string minimum = Shortest(insulation_min_mohm);
  const std::string test = Shortest(insulation_test_required_v);
  const bool known = std::isfinite(system_voltage_v);
  char system[48];
  (void)std::snprintf(system, sizeof system, "%.1f", system_voltage_v);
  if (Ja(language)) {
    return "絶縁抵抗は各極と大地間で " + minimum + " MΩ 以上、試験電圧は " + test + " V 以上 (" +
           (known ? std::string("システム電圧 ") + system + " V"
                  : std::string("システム電圧が不明のため最も高い電圧")) +
           ")";
  }
  return "insulation at least " + minimum + " MΩ from each pole to earth, tested at " + test + " V or more (" +
         (known ? std::string("system voltage ") + system + " V"
                : std::string("system voltage not known: the highest")) +
         ")";
}

std::string InsulationLimitsText(const Commissioning& c, Language language) {
  return InsulationLimitsText(c.conditions.insulation_min_mohm, c.system_voltage_v, c.insulation_test_required_v,
                              language);
}

namespace {

std::string Fixed(double value, int digits) {
  if (!std::isfinite(value)) return "-";
  // No "-0.00" for a deviation that rounds to nothing.
  if (std::fabs(value) < 0.5 * std::pow(10.0, -digits)) value = 0;
  char text[48];
  (void)std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

// The further items of the record, in the table's order after the Isc deviation.
constexpr TestItem kFurtherItems[] = {TestItem::Polarity, TestItem::InsulationPositive, TestItem::InsulationNegative,
                                      TestItem::InsulationTestVoltage, TestItem::EarthContinuity};
constexpr std::size_t kFurtherWidths[] = {9, 11, 11, 11, 10};  // "reversed!" the widest polarity

// A further item's cell: its value, "!" after one that fails, "-" where not measured.
std::string FurtherCell(const StringCommissioning& s, TestItem item, Language language) {
  const ItemStatus status = StatusOf(s.verdict, item);
  if (!s.measurement || !ItemMade(status)) return "-";
  const std::string value = TestItemValueText(*s.measurement, item, language);
  return (value.empty() ? "-" : value) + (status == ItemStatus::Fail ? "!" : "");
}

}  // namespace

std::string CommissioningTableText(const Commissioning& c, const std::string& result_name, const std::string& list_name,
                                   Language language) {
  const bool ja = language == Language::Japanese;
  std::string out;
  // Room for the files' names however long: a plant has several lists.
  std::vector<char> line(1024 + result_name.size() + list_name.size());
  if (ja) {
    (void)std::snprintf(line.data(), line.size(),
                        "%s の試運転検査 (モジュールリスト %s): Voc は %g %% 以内、Isc は %g %% 以内; "
                        "β %g %%/K、α %g %%/K\n",
                        result_name.c_str(), list_name.c_str(), c.conditions.voc_tolerance_pct,
                        c.conditions.isc_tolerance_pct, c.conditions.voc_coefficient_pct_per_k,
                        c.conditions.isc_coefficient_pct_per_k);
  } else {
    (void)std::snprintf(line.data(), line.size(),
                        "Commissioning check of %s (module list%s %s): Voc within %g %%, Isc within %g %%; "
                        "beta %g %%/K, alpha %g %%/K\n",
                        result_name.c_str(), c.string_names.empty() ? "" : "s", list_name.c_str(),
                        c.conditions.voc_tolerance_pct, c.conditions.isc_tolerance_pct,
                        c.conditions.voc_coefficient_pct_per_k, c.conditions.isc_coefficient_pct_per_k);
  }
  out += line.data();
  // The further items' columns only when a measurement holds one: a check
  // of Voc and Isc alone prints the table it always has.
  const bool further = c.further_items_measured;
  if (further) {
    out += (ja ? "その他の検査項目: " : "Further items: ") + InsulationLimitsText(c, language) +
           (ja ? "; ! は不合格の値\n" : "; ! marks a value that fails\n");
  }
  // A plant's string names are wider than a result's numbers.
  std::size_t string_width = 6;
  for (const std::string& name : c.string_names) string_width = std::max(string_width, TerminalColumns(name));
  const auto row =
      [&](const std::string& string_no, const std::string& modules, const std::string& g, const std::string& t,
          const std::string& voc_expected, const std::string& voc_measured, const std::string& voc_deviation,
          const std::string& isc_expected, const std::string& isc_measured, const std::string& isc_deviation,
          const std::vector<std::string>& further_cells, const std::string& verdict, const std::string& findings) {
        const auto right = [](const std::string& text, std::size_t width) {
          return PadToColumns(text, width, Align::Right);
        };
        out += right(string_no, string_width) + " " + right(modules, 7) + " " + right(g, 8) + " " + right(t, 6) + " " +
               right(voc_expected, 11) + " " + right(voc_measured, 11) + " " + right(voc_deviation, 8) + " " +
               right(isc_expected, 10) + " " + right(isc_measured, 11) + " " + right(isc_deviation, 8);
        for (std::size_t k = 0; k < further_cells.size(); ++k) out += " " + right(further_cells[k], kFurtherWidths[k]);
        out += "  ";
        // The findings after the fixed columns, whole however long they are.
        out += findings.empty() ? verdict : PadToColumns(verdict, 12, Align::Left) + " " + findings;
        out += '\n';
      };
  std::vector<std::string> further_heads;
  if (further) {
    further_heads = ja ? std::vector<std::string>{"極性", "絶縁+[MOhm]", "絶縁-[MOhm]", "試験電圧[V]", "接地[Ohm]"}
                       : std::vector<std::string>{"Polarity", "Ins+[MOhm]", "Ins-[MOhm]", "Test[V]", "Earth[Ohm]"};
  }
  if (ja) {
    row("番号", "枚数", "G[W/m2]", "T[C]", "Voc期待[V]", "Voc測定[V]", "偏差[%]", "Isc期待[A]", "Isc測定[A]", "偏差[%]",
        further_heads, "判定", "所見");
  } else {
    row("String", "Modules", "G[W/m2]", "T[C]", "Voc exp[V]", "Voc meas[V]", "Dev[%]", "Isc exp[A]", "Isc meas[A]",
        "Dev[%]", further_heads, "Verdict", "Findings");
  }
  for (const StringCommissioning& s : c.strings) {
    const StringMeasurement* m = s.measurement ? &*s.measurement : nullptr;
    const auto measured = [m](double StringMeasurement::*field, int digits) {
      return m != nullptr ? Fixed(m->*field, digits) : std::string("-");
    };
    std::string findings;
    for (const Finding& f : s.verdict.findings) findings += (findings.empty() ? "" : "; ") + FindingText(f, language);
    const std::string verdict = s.verdict.ok   ? (ja ? "合格" : "OK")
                                : m == nullptr ? (ja ? "未測定" : "NOT MEASURED")
                                               : (ja ? "不合格" : "FAIL");
    std::vector<std::string> further_cells(further ? std::size(kFurtherItems) : 0);
    std::transform(std::begin(kFurtherItems),
                   std::begin(kFurtherItems) + static_cast<std::ptrdiff_t>(further_cells.size()), further_cells.begin(),
                   [&](TestItem item) { return FurtherCell(s, item, language); });
    row(StringLabel(c, s.string_no), std::to_string(s.modules.size()), measured(&StringMeasurement::irradiance_w_m2, 0),
        measured(&StringMeasurement::module_temperature_c, 1), Fixed(s.expected.voc_v, 2),
        measured(&StringMeasurement::voc_v, 2), Fixed(s.verdict.voc_deviation_pct, 2), Fixed(s.expected.isc_a, 3),
        measured(&StringMeasurement::isc_a, 3), Fixed(s.verdict.isc_deviation_pct, 2), further_cells, verdict,
        findings);
  }
  const auto list = [&c](const std::vector<int>& numbers) {
    std::string text;
    for (int n : numbers) text += (text.empty() ? "" : ", ") + StringLabel(c, n);
    return text;
  };
  if (c.ok) {
    out += ja ? "すべてのストリングが合格です (" + std::to_string(c.strings.size()) + ")。\n"
              : "Every string passes (" + std::to_string(c.strings.size()) + ").\n";
  } else {
    out += (ja ? "不合格のストリング: " : "Strings failed: ") + list(c.strings_failed);
    if (!c.strings_not_measured.empty()) {
      out += (ja ? " (未測定: " : " (not measured: ") + list(c.strings_not_measured) + ")";
    }
    out += "\n";
  }
  if (further) {
    out += ja ? "検査項目:\n" : "Test items:\n";
    for (const std::string& item_line : TestItemCoverageLines(c, language)) out += "  " + item_line + "\n";
  }
  return out;
}

std::string FormWrittenText(std::size_t strings, const std::string& path, Language language) {
  if (language == Language::Japanese) return "測定用紙 (" + std::to_string(strings) + " ストリング): " + path;
  return "Measurement form (" + std::to_string(strings) + " strings): " + path;
}

std::string WouldReplaceText(WouldReplace what, const std::string& path, Language language) {
  const bool ja = language == Language::Japanese;
  if (what == WouldReplace::FormOverInput) {
    return ja ? "測定用紙が結果ファイルかそのモジュールリストを置き換えてしまいます: " + path
              : "the form would replace the result file or its module list: " + path;
  }
  return ja ? "試運転検査ファイルが結果ファイル、そのモジュールリストか測定ファイルを置き換えてしまいます: " + path
            : "the commissioning file would replace the result, its list or the measurements: " + path;
}

std::string NoExpectedValuesText(int string_no, const std::string& problem, Language language) {
  return NoExpectedValuesText(std::to_string(string_no), problem, language);
}

std::string NoExpectedValuesText(const std::string& string_label, const std::string& problem, Language language) {
  if (language == Language::Japanese) return "ストリング " + string_label + ": 期待値を求められません: " + problem;
  return "string " + string_label + ": no expected values: " + problem;
}

}  // namespace voltrigg
