#pragma once
// The inverter window in the viewer, by the same core code as voltrigg-cli
// --assess: the table of the five checks with the verdict per check (red where
// one fails), the chart of the array's P-V curves at the cold operating
// temperature, 25 °C and the hot one with the MPPT window shaded and the
// voltage limit marked, and the same table painted on the plan's first page.
#include <QFont>
#include <QString>
#include <vector>

#include "app/shared/opened_result.h"
#include "assess/inverter_window.h"

class QChart;
class QPainter;
class QTableWidget;

namespace voltrigg::viewer {

using voltrigg::TemperatureCurve;

// Six columns: check, what the value is, value, limit, margin, verdict.
void FillInverterWindowTable(QTableWidget* table, const InverterWindow& window);

// `curves` as WindowCurvesOf gives them.
QChart* InverterWindowChart(const InverterWindow& window, const std::vector<TemperatureCurve>& curves);

// Paints the heading and the table from `top` across `width` (device pixels,
// `dpi` dots per inch) and returns the height used.
double PaintInverterWindow(QPainter& painter, double top, double width, double dpi, const QFont& font,
                           const InverterWindow& window);

}  // namespace voltrigg::viewer
