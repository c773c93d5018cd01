#include "app/shared/measurement_texts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/shared/option_table.h"

namespace voltrigg {

namespace {

std::string N(int n) { return std::to_string(n); }

std::string What(const MeasurementRefusal& r) {
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
      return "見出しに列 " + r.field + " がなく、" + r.value + " も指定されていません";
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
      return "ストリング " + N(r.count) + " が 2 回測定されています (" + N(r.other) + " 行目にも)";
    case MeasurementFault::NoCondition:
      return "値がありません (行に記入するか、ファイル全体に " + r.value + " で指定してください)";
    case MeasurementFault::Negative:
      return quoted + "は負の値です";
    case MeasurementFault::UnknownWord:
      return quoted + "は ok でも reversed でもありません";
    case MeasurementFault::OtherPlan:
      return "別の計画の測定用紙です (用紙は" + quoted + "、この計画は「" + r.expected + "」)";
    case MeasurementFault::ConditionOutOfRange: {
      const ConditionLimit& l = r.limit;
      char range[96];
      if (l.low_excluded) {
        (void)std::snprintf(range, sizeof range, "%g より大きく %g %s 以下", l.low, l.high, l.unit);
      } else {
        (void)std::snprintf(range, sizeof range, "%g から %g %s", l.low, l.high, l.unit);
      }
      return r.value + (r.from_option ? " (" + OptionName(OptionOf(l.condition)) + " の値)" : std::string()) +
             " は範囲外です (" + range + ")";
    }
  }
  return "使えません";
}

}  // namespace

std::string MeasurementErrorTextJa(const MeasurementFileError& error, const std::string& file_name) {
  const MeasurementRefusal& r = error.refusal();
  std::string where = "測定ファイル " + file_name;
  if (error.line() > 0) where += " の " + N(error.line()) + " 行目";
  if (!r.field.empty() && r.fault != MeasurementFault::ColumnTwice && r.fault != MeasurementFault::NoColumn &&
      r.fault != MeasurementFault::NoConditionColumn) {
    where += "、列 " + r.field;
  }
  return where + ": " + What(r);
}

std::string MeasurementErrorText(const MeasurementFileError& error, const std::string& file_name, Language language) {
  return language == Language::Japanese ? MeasurementErrorTextJa(error, file_name) : std::string(error.what());
}

std::string FindingText(const Finding& f, Language language) {
  if (language == Language::Japanese) return FindingTextJa(f);
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
    default:
      break;
  }
  return FindingKeyName(f.key);
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

}  // namespace

std::string CommissioningTableText(const Commissioning& c, const std::string& result_name, const std::string& list_name,
                                   Language language) {
  const bool ja = language == Language::Japanese;
  std::string out;
  char line[1024];
  if (ja) {
    (void)std::snprintf(line, sizeof line,
                        "%s の試運転検査 (モジュールリスト %s): Voc は %g %% 以内、Isc は %g %% 以内; "
                        "β %g %%/K、α %g %%/K\n",
                        result_name.c_str(), list_name.c_str(), c.conditions.voc_tolerance_pct,
                        c.conditions.isc_tolerance_pct, c.conditions.voc_coefficient_pct_per_k,
                        c.conditions.isc_coefficient_pct_per_k);
  } else {
    (void)std::snprintf(line, sizeof line,
                        "Commissioning check of %s (module list %s): Voc within %g %%, Isc within %g %%; "
                        "beta %g %%/K, alpha %g %%/K\n",
                        result_name.c_str(), list_name.c_str(), c.conditions.voc_tolerance_pct,
                        c.conditions.isc_tolerance_pct, c.conditions.voc_coefficient_pct_per_k,
                        c.conditions.isc_coefficient_pct_per_k);
  }
  out += line;
  const auto row = [&](const std::string& string_no, const std::string& modules, const std::string& g,
                       const std::string& t, const std::string& voc_expected, const std::string& voc_measured,
                       const std::string& voc_deviation, const std::string& isc_expected,
                       const std::string& isc_measured, const std::string& isc_deviation, const std::string& verdict,
                       const std::string& findings) {
    const auto right = [](const std::string& text, std::size_t width) {
      return PadToColumns(text, width, Align::Right);
    };
    out += right(string_no, 6) + " " + right(modules, 7) + " " + right(g, 8) + " " + right(t, 6) + " " +
           right(voc_expected, 11) + " " + right(voc_measured, 11) + " " + right(voc_deviation, 8) + " " +
           right(isc_expected, 10) + " " + right(isc_measured, 11) + " " + right(isc_deviation, 8) + "  ";
    // The findings after the fixed columns, whole however long they are.
    out += findings.empty() ? verdict : PadToColumns(verdict, 12, Align::Left) + " " + findings;
    out += '\n';
  };
  if (ja) {
    row("番号", "枚数", "G[W/m2]", "T[C]", "Voc期待[V]", "Voc測定[V]", "偏差[%]", "Isc期待[A]", "Isc測定[A]", "偏差[%]",
        "判定", "所見");
  } else {
    row("String", "Modules", "G[W/m2]", "T[C]", "Voc exp[V]", "Voc meas[V]", "Dev[%]", "Isc exp[A]", "Isc meas[A]",
        "Dev[%]", "Verdict", "Findings");
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
    row(std::to_string(s.string_no), std::to_string(s.modules.size()), measured(&StringMeasurement::irradiance_w_m2, 0),
        measured(&StringMeasurement::module_temperature_c, 1), Fixed(s.expected.voc_v, 2),
        measured(&StringMeasurement::voc_v, 2), Fixed(s.verdict.voc_deviation_pct, 2), Fixed(s.expected.isc_a, 3),
        measured(&StringMeasurement::isc_a, 3), Fixed(s.verdict.isc_deviation_pct, 2), verdict, findings);
  }
  const auto list = [](const std::vector<int>& numbers) {
    std::string text;
    for (int n : numbers) text += (text.empty() ? "" : ", ") + std::to_string(n);
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
  if (language == Language::Japanese) {
    return "ストリング " + std::to_string(string_no) + ": 期待値を求められません: " + problem;
  }
  return "string " + std::to_string(string_no) + ": no expected values: " + problem;
}

}  // namespace voltrigg
