#pragma once
// The viewer's opened result: the shared model (app/shared/opened_result.h)
// with its notes worded once, as the window, the printed pages and the files
// written without a window show them.
#include <QString>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "app/shared/commission_view.h"
#include "app/shared/opened_result.h"
#include "app/shared/opened_result_texts.h"
#include "qt_text.h"

class QFont;

namespace voltrigg::viewer {

using voltrigg::AssessmentJob;
using voltrigg::AssessmentView;
using voltrigg::BackgroundResult;
using voltrigg::ColourBy;
using voltrigg::CommissionCheck;
using voltrigg::ListState;
using voltrigg::ModuleCell;
using voltrigg::PlanView;
using voltrigg::ShownWiring;
using voltrigg::StringSummary;

// The viewer's font: a Japanese one where installed.
QFont ViewerFont();

struct Document : OpenedResult {
  QString list_note;                   // one plain sentence about the list for the window and the plan
  std::vector<QString> list_problems;  // the first differences, when it does not match
  std::vector<QString> list_warnings;  // what the list holds that a planner must see
  QString assessment_note;             // why there is no assessment, or what it lacks
};

// Reads the result (throws ResultFileError) and its list, once.
Document OpenDocument(const std::string& result_path, const std::string& modules_path, const AssessOptions& options);

// The commissioning check and the form, failures in the viewer's words.
std::optional<CommissionCheck> RunCommissionCheck(const Document& doc, const std::string& path,
                                                  const CommissionOptions& options, QString* error);
QString CommissionSummary(const Commissioning& check);

// The summary's texts as the window and the printed plan show them.
QString ShapeText(const Document& doc);
QString WiringName(ShownWiring wiring);
QString VoltageVerdict(const Document& doc, const PlanView& plan, bool* bad);

}  // namespace voltrigg::viewer
