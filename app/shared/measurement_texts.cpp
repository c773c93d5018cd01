#include "app/shared/measurement_texts.h"

#include <cstdio>
#include <string>

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
      return r.value + (r.from_option ? " (" + std::string(l.option) + " の値)" : std::string()) + " は範囲外です (" +
             range + ")";
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

}  // namespace voltrigg
