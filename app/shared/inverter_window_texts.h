#pragma once
// The inverter window in Japanese, as the viewer and the page show it: the
// names of the five checks, what each value is, the verdicts, the heading
// and the one-line verdict. voltrigg-cli prints the core's English.
#include <cstddef>
#include <string>

#include "assess/conditions.h"
#include "assess/inverter_window.h"
#include "assess/inverter_window_rows.h"

namespace voltrigg {

// "最大直流電圧", "MPPT 下限", ... for the rows of InverterWindowRows; empty past the fifth.
std::string InverterCheckNameJa(std::size_t row);
// "70 °C のアレイ Vmp", ...: what the row's value is, at the conditions checked.
std::string InverterCheckConditionJa(std::size_t row, const AssessConditions& conditions);
// "適合", "不適合", "超過 (出力制限)", "検査なし".
std::string InverterVerdictNameJa(Verdict verdict);
// Above the table: the inverter's name (or that there is no profile) and the window's verdict.
std::string InverterWindowHeadingJa(const InverterWindow& window);
// For a summary: "パワコン入力範囲 (結果ファイルの配線): 不適合 — MPPT 下限、短絡電流".
std::string InverterWindowVerdictLineJa(const InverterWindow& window);

}  // namespace voltrigg
