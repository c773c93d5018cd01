#pragma once
// The commissioning check as the viewer shows and prints it: the result's
// own wiring and module list (found as voltrigg-cli commission finds it)
// against a measurement file, one row of texts per string with its verdict.
#include <QColor>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "app/shared/commission_options.h"
#include "app/shared/planned_array.h"
#include "commission/commissioning.h"
#include "document.h"
#include "plan_view.h"

class QTableWidget;

namespace voltrigg::viewer {

struct CommissionCheck {
  std::string measurement_path;  // as given (bytes)
  std::string list_path;         // the module list the expected values came from
  CommissionOptions options;
  Commissioning check;
};

// The result's array with its module list and curves, as voltrigg-cli
// commission loads it; nothing (with `error` set, in Japanese) when the list
// does not match the result or a module has no curve.
std::optional<PlannedArray> LoadCommissionPlan(const Document& doc, QString* error);

// Runs the check of `doc`'s result wiring against the measurement file at
// `path`. Nothing (with `error` set, in Japanese, naming the file, the line
// and the field) when the list does not match the result, a module has no
// curve, or the file is refused.
std::optional<CommissionCheck> RunCommissionCheck(const Document& doc, const std::string& path,
                                                  const CommissionOptions& options, QString* error);

enum class VerdictKind { Pass, PassWithNote, Fail, NotMeasured };

VerdictKind KindOf(const StringCommissioning& s);
QString VerdictText(VerdictKind kind);   // 合格, 合格 (注記), 不合格, 未測定
QColor VerdictColour(VerdictKind kind);  // green, amber, red
QColor VerdictBackground(VerdictKind kind);

// The columns of the table and of the printed report.
enum CommissionColumn {
  kColString,
  kColModules,
  kColIrradiance,
  kColTemperature,
  kColVocExpected,
  kColVocMeasured,
  kColVocDeviation,
  kColIscExpected,
  kColIscMeasured,
  kColIscDeviation,
  kColVerdict,
  kColFindings,
  kCommissionColumns
};
QString CommissionColumnName(int column);

struct CommissionRow {
  int string_no = 0;
  QString cells[kCommissionColumns];
  VerdictKind kind = VerdictKind::Fail;
  QString note;  // the measurement file's note for the string
};

std::vector<CommissionRow> CommissionRows(const Commissioning& check);

// One sentence: every string passes, or which fail and which are not measured.
QString CommissionSummary(const Commissioning& check);
// The tolerances and coefficients of the check.
QString CommissionConditionsText(const CommissionConditions& c);

void FillCommissionTable(QTableWidget* table, const Commissioning& check);

// Marks the strings of the result's wiring that failed or were not measured,
// for the picture's red outline.
void MarkFailedStrings(PlanView& plan, const Commissioning& check);

}  // namespace voltrigg::viewer
