#pragma once
// The printed commissioning report and the blank measurement form, A4, for a
// printer or a PDF: the plan's header, a table whose heading is repeated on
// every page, and the page numbers. The report has a second table of the
// further items when a string has one, says which test items each string
// made and which it did not, and ends with the findings and the lines the
// tester fills in by hand (date, tester, instruments and their calibration,
// signature). The form names its plan on every page.
#include <QFont>
#include <QPageLayout>
#include <QString>
#include <optional>
#include <vector>

#include "commission/measurement_form.h"
#include "document.h"
#include "wiring_plan.h"

class QPagedPaintDevice;

namespace voltrigg::viewer {

struct CommissionReport {
  PlanHeader header;
  QString measurement_name;
  QString conditions;  // tolerances and coefficients; the further items' limits when one was measured
  QString summary;
  bool ok = false;
  std::vector<CommissionRow> rows;
  bool further = false;  // a table of the further items per string (ShowsFurtherItems)
  // Which strings made each test item and which did not, a line per item:
  // red where one failed, grey where no string made it.
  std::vector<std::pair<QString, QColor>> test_items;
};

CommissionReport MakeCommissionReport(const Document& doc, const CommissionCheck& check);

// Paints on `device` as set up; returns the number of pages, 0 when painting
// could not start.
int PaintCommissionReport(QPagedPaintDevice& device, const CommissionReport& report, const QFont& font);

// The report as a PDF at `path`, whole or not at all, never over the result,
// its list or the measurement file.
bool ExportCommissionReportPdf(const Document& doc, const CommissionCheck& check, const QString& path,
                               const QFont& font, QString* error);

struct MeasurementFormPrint {
  PlanHeader header;
  MeasurementForm form;  // expected Voc and Isc at 1000 W/m² and 25 °C and modules, per string
};

// The form of `doc`'s result wiring; nothing (with `error` set) without a
// list whose modules have curves.
std::optional<MeasurementFormPrint> MakeMeasurementForm(const Document& doc, const CommissionOptions& options,
                                                        QString* error);

// The form's columns need a landscape page: the further items of the record
// beside Voc and Isc, with room to write.
inline constexpr QPageLayout::Orientation kMeasurementFormOrientation = QPageLayout::Landscape;

int PaintMeasurementForm(QPagedPaintDevice& device, const MeasurementFormPrint& form, const QFont& font);

bool ExportMeasurementFormPdf(const Document& doc, const MeasurementFormPrint& form, const QString& path,
                              const QFont& font, QString* error);

}  // namespace voltrigg::viewer
