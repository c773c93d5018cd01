#pragma once
// The opened result in the viewer's Japanese words: the sentence about the
// module list, the differences between list and result, the list's
// warnings, why there is no assessment, the figures table, the shape and the
// voltage verdict. Numbers are written as the viewer writes them.
#include <cstddef>
#include <string>
#include <vector>

#include "app/shared/opened_result.h"

namespace voltrigg {

// `value` with `decimals` places, an exact half rounded away from zero, and
// no sign on a zero that is not below zero ("0.00", "-0.01").
std::string FixedText(double value, int decimals);

// "モジュールリスト list.csv (60 モジュール) は結果ファイルと一致しています", ...
std::string ListStatusTextJa(const ListStatus& status);

// The differences, at most `limit` of them, then how many more; the count
// first when it differs.
std::vector<std::string> ListDifferenceTextsJa(const ResultListMatch& match, const std::vector<ListRow>& list,
                                               std::size_t limit = 5);

// "警告: ..." per warning: the first ten, then how many more.
std::vector<std::string> ListWarningTextsJa(const std::vector<ListWarning>& warnings);

// Empty for AssessmentStatus::Kind::None.
std::string AssessmentStatusTextJa(const AssessmentStatus& note);

struct FigureRow {
  std::string group;  // 計画 (the planning figures) or 物理 (by the module curves)
  std::string name;
  std::string power_w, voltage_v, current_a, loss_pct;  // empty where the row has none
};

// The planning figures from the result file, then, with an assessment, the
// physical ones of the result's wiring, the optimised wiring and random wiring.
std::vector<FigureRow> FigureRowsJa(const OpenedResult& opened);

// "10 直列 × 6 並列 = 60 モジュール"
std::string ShapeTextJa(const ResultFileData& result);
// "結果ファイルの配線", "最適化した配線"
std::string WiringNameJa(ShownWiring wiring);

// One sentence on the strings' cold open-circuit voltage against the limit;
// `bad` is set when a string is above it.
std::string VoltageVerdictJa(const OpenedResult& opened, const PlanView& plan, bool* bad);

}  // namespace voltrigg
