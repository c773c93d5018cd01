#pragma once
// The inverter window in the viewer, by the same core code as voltrigg-cli
// --assess: the table of the five checks with the verdict per check (red where
// one fails), the chart of the array's P-V curves at the cold operating
// temperature, 25 °C and the hot one with the MPPT window shaded and the
// voltage limit marked, and the same table painted on the plan's first page.
#include <QFont>
#include <QString>
#include <vector>

#include "assess/array_curve.h"
#include "assess/inverter_window.h"
#include "assess/inverter_window_rows.h"

class QChart;
class QPainter;
class QTableWidget;

namespace voltrigg::viewer {

struct TemperatureCurve {
  double temperature_c = 25;
  std::vector<CurvePoint> points;  // empty when the curves cannot be carried there
};

// The array's curves at the cold operating temperature, 25 °C and the hot
// one (1000 W/m²), `points` points each. Throws std::invalid_argument as
// SampleArrayCurveAt does.
std::vector<TemperatureCurve> WindowCurves(const std::vector<ModuleData>& modules,
                                           const std::vector<ModuleCurve>& curves, const Wiring& wiring,
                                           const AssessConditions& conditions, int points);

// "MPPT 下限", "70 °C のアレイ Vmp", "不適合", ...
QString CheckName(std::size_t row);
QString CheckCondition(std::size_t row, const AssessConditions& conditions);
QString VerdictName(Verdict verdict);
// One line above the table: the inverter's name (or that there is no
// profile) and the window's verdict.
QString InverterWindowHeading(const InverterWindow& window);

// One line for the summary: "パワコン入力範囲 (結果ファイルの配線): 不適合 — MPPT 下限、短絡電流".
QString WindowVerdictLine(const InverterWindow& window);

// Six columns: check, what the value is, value, limit, margin, verdict.
void FillInverterWindowTable(QTableWidget* table, const InverterWindow& window);

// `curves` as WindowCurves gives them.
QChart* InverterWindowChart(const InverterWindow& window, const std::vector<TemperatureCurve>& curves);

// Paints the heading and the table from `top` across `width` (device pixels,
// `dpi` dots per inch) and returns the height used.
double PaintInverterWindow(QPainter& painter, double top, double width, double dpi, const QFont& font,
                           const InverterWindow& window);

}  // namespace voltrigg::viewer
