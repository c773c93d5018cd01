#pragma once
// The texts of the summary, the same in the window and on the printed plan:
// the figures table, the array's shape, and the voltage verdict.
#include <QString>
#include <vector>

#include "document.h"
#include "plan_view.h"

namespace voltrigg::viewer {

enum class ShownWiring { Result, Optimized };

struct FigureRow {
  QString group;  // 計画 (the planning figures) or 物理 (by the module curves)
  QString name;
  QString power_w, voltage_v, current_a, loss_pct;  // empty where the row has none
};

// The planning figures from the result file, then, with an assessment, the
// physical ones of the result's wiring, the optimised wiring and random wiring.
std::vector<FigureRow> FigureRows(const Document& doc);

QString ShapeText(const Document& doc);
QString WiringName(ShownWiring wiring);

// One sentence on the strings' cold open-circuit voltage against the limit;
// `bad` is set when a string is above it.
QString VoltageVerdict(const Document& doc, const PlanView& plan, bool* bad);

// The plan of `wiring` (the result's when there is no optimised one).
PlanView MakePlan(const Document& doc, ShownWiring wiring, ColourBy colour_by);

}  // namespace voltrigg::viewer
