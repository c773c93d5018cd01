#pragma once
// The printed wiring plan: page 1 the summary (figures, voltage verdict, the
// inverter window, the array picture), then the wiring table in string order with a tick box per
// module; a string's heading stays with its rows; every page carries the
// result file's name and its page number. For a printer or a PDF file.
#include <QFont>
#include <QString>
#include <optional>
#include <vector>

#include "document.h"
#include "page_painter.h"

class QPagedPaintDevice;

namespace voltrigg::viewer {

struct PlanPrint {
  QString result_name;  // on every page
  QString list_note;
  std::vector<QString> list_problems;
  QString shape;
  QString wiring_name;
  std::vector<FigureRow> figures;  // UTF-8
  QString verdict;
  bool verdict_bad = false;
  const PlanView* plan = nullptr;
  double tmin_c = -10;
  std::optional<InverterWindow> inverter_window;  // of the result's wiring, with an assessment
};

PlanPrint MakePlanPrint(const Document& doc, const PlanView& plan, ShownWiring wiring);

// Paints the plan on `device` (its page size and margins as set). Returns the
// number of pages, 0 when painting could not start.
int PaintWiringPlan(QPagedPaintDevice& device, const PlanPrint& plan, const QFont& font);

// The plan's header for `doc` and `wiring` under `title`: what every
// printed page set of a result starts with.
PlanHeader DocumentPlanHeader(const Document& doc, ShownWiring wiring, const QString& title);

// The header of the plan's first page under `title` (the commissioning
// report carries the same).
PlanHeader PlanHeaderOf(const PlanPrint& plan, const QString& title);

// Writes the plan as a PDF of A4 pages to `path`, whole or not at all (a
// temporary file renamed over it). False with `error` set on failure.
bool WriteWiringPlanPdf(const QString& path, const PlanPrint& plan, const QFont& font, QString* error);

// The plan of `plan` (the wiring `wiring` of `doc`) as a PDF at `path`; refuses
// to write over the result file or the module list it was made from.
bool ExportPlanPdf(const Document& doc, const PlanView& plan, ShownWiring wiring, const QString& path,
                   const QFont& font, QString* error);

}  // namespace voltrigg::viewer
