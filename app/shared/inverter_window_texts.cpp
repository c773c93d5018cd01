#include "app/shared/inverter_window_texts.h"

#include <cstdio>
#include <iterator>
#include <vector>

#include "assess/inverter_window_rows.h"
#include "input/text_utf8.h"

namespace voltrigg {

namespace {

constexpr const char* kCheckNames[] = {"最大直流電圧", "MPPT 下限", "MPPT 上限", "短絡電流", "入力電流"};

// Four significant digits, as the conditions are given: "-10", "1.25".
std::string Short(double value) {
  char text[48];
  (void)std::snprintf(text, sizeof text, "%.4g", value);
  return text;
}

std::string Degrees(double c) { return Short(c) + " °C"; }

}  // namespace

std::string InverterCheckNameJa(std::size_t row) { return row < std::size(kCheckNames) ? kCheckNames[row] : ""; }

std::string InverterCheckConditionJa(std::size_t row, const AssessConditions& c) {
  switch (row) {
    case 0:
      return Degrees(c.tmin_c) + " のストリング開放電圧 (最高)";
    case 1:
      return Degrees(c.t_hot_c) + " のアレイ Vmp";
    case 2:
      return Degrees(c.t_cold_operating_c) + " のアレイ Vmp";
    case 3:
      return Short(c.isc_factor) + " × " + Degrees(c.t_hot_c) + " の 0 V 電流";
    case 4:
      return Degrees(c.t_hot_c) + " のアレイ Imp";
    default:
      return {};
  }
}

std::string InverterVerdictNameJa(Verdict v) {
  switch (v) {
    case Verdict::Ok:
      return "適合";
    case Verdict::Fails:
      return "不適合";
    case Verdict::Clips:
      return "超過 (出力制限)";
    case Verdict::NotChecked:
      break;
  }
  return "検査なし";
}

std::string InverterWindowHeadingJa(const InverterWindow& w) {
  const std::string who = w.inverter.name ? "パワコン: " + TextAsUtf8(*w.inverter.name)
                                          : std::string("パワコンのプロファイルなし (システム電圧上限のみ)");
  return "パワコン入力範囲 (結果ファイルの配線、1000 W/m²) — " + who + " — " + (w.ok ? "適合" : "不適合");
}

std::string InverterWindowVerdictLineJa(const InverterWindow& w) {
  const std::vector<WindowRow> rows = InverterWindowRows(w);
  std::string failed;
  std::string clipped;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (rows[r].verdict == Verdict::Fails) failed += (failed.empty() ? "" : "、") + InverterCheckNameJa(r);
    if (rows[r].verdict == Verdict::Clips) clipped += (clipped.empty() ? "" : "、") + InverterCheckNameJa(r);
  }
  std::string line = "パワコン入力範囲 (結果ファイルの配線): ";
  line += failed.empty() ? "適合" : "不適合 — " + failed;
  if (!clipped.empty()) line += " (入力電流の超過: 出力が制限されます)";
  if (!w.inverter.name) line += " (プロファイルなし: システム電圧上限のみ検査)";
  return line;
}

}  // namespace voltrigg
