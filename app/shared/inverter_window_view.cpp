#include "app/shared/inverter_window_view.h"

#include "app/shared/inverter_window_texts.h"

namespace voltrigg {

const std::array<std::string, kInverterWindowColumns>& InverterWindowColumnsJa() {
  static const std::array<std::string, kInverterWindowColumns> kColumns = {"検査", "値の内容", "値",
                                                                           "限度", "余裕",     "判定"};
  return kColumns;
}

std::vector<InverterWindowRowText> InverterWindowTableJa(const InverterWindow& window) {
  const std::vector<WindowRow> rows = InverterWindowRows(window);
  std::vector<InverterWindowRowText> out;
  out.reserve(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const WindowRow& row = rows[r];
    out.push_back({row.check,
                   {InverterCheckNameJa(r), InverterCheckConditionJa(r, window.conditions), row.value, row.limit,
                    row.margin, InverterVerdictNameJa(row.verdict)},
                   row.verdict});
  }
  return out;
}

Rgb InverterVerdictColour(Verdict verdict) {
  switch (verdict) {
    case Verdict::Ok:
      return {0, 110, 40};
    case Verdict::Fails:
      return {200, 0, 0};
    case Verdict::Clips:
      return {170, 100, 0};
    case Verdict::NotChecked:
      break;
  }
  return {110, 110, 110};
}

}  // namespace voltrigg
