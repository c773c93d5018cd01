#pragma once
// The inverter window's table as the viewer shows and prints it and the page
// shows it: six texts per check (check, what the value is, value, limit,
// margin, verdict) from one function, and the colour of each verdict.
#include <array>
#include <string>
#include <vector>

#include "app/shared/plan_view.h"
#include "assess/inverter_window.h"
#include "assess/inverter_window_rows.h"

namespace voltrigg {

inline constexpr std::size_t kInverterWindowColumns = 6;

struct InverterWindowRowText {
  std::string check;  // the JSON key, e.g. "mppt_min"
  std::array<std::string, kInverterWindowColumns> cells;
  Verdict verdict = Verdict::NotChecked;
};

// 検査, 値の内容, 値, 限度, 余裕, 判定
const std::array<std::string, kInverterWindowColumns>& InverterWindowColumnsJa();

// The five checks' rows.
std::vector<InverterWindowRowText> InverterWindowTableJa(const InverterWindow& window);

// Green, red, amber (clipping), grey (not checked).
Rgb InverterVerdictColour(Verdict verdict);

}  // namespace voltrigg
