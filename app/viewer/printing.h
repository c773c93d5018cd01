#pragma once
// What the window prints and exports, each through its dialog: the wiring
// plan (printer or PDF), the assessment file, the commissioning report and
// the blank measurement form. Each returns the line for the status bar, empty
// when the user cancelled; a failure is shown in a message box.
#include <QString>

#include "commission_report.h"
#include "document.h"

class QWidget;

namespace voltrigg::viewer {

QString PrintPlanDialog(QWidget* parent, const Document& doc, const PlanView& plan, ShownWiring wiring);
QString ExportPlanDialog(QWidget* parent, const Document& doc, const PlanView& plan, ShownWiring wiring);
QString SaveJsonDialog(QWidget* parent, const Document& doc);
QString PrintReportDialog(QWidget* parent, const Document& doc, const CommissionCheck& check);
QString ExportReportDialog(QWidget* parent, const Document& doc, const CommissionCheck& check);
QString PrintFormDialog(QWidget* parent, const Document& doc, const CommissionOptions& options);
QString ExportFormDialog(QWidget* parent, const Document& doc, const CommissionOptions& options);

// A warning in a box, as plain text.
void Warn(QWidget* parent, const QString& text);

}  // namespace voltrigg::viewer
