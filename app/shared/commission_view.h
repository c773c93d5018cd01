#pragma once
// The commissioning check of an opened result as the viewer shows and prints
// it: the result's own wiring and module list against a measurement file, one
// row of texts per string with its verdict and colours, the summary and the
// blank form's rows; refusals kept as what stands in the way.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/shared/commission_options.h"
#include "app/shared/opened_result.h"
#include "app/shared/plan_view.h"
#include "commission/commissioning.h"
#include "commission/measurement_form.h"

namespace voltrigg {

struct CommissionCheck {
  std::string measurement_path;  // as given (bytes)
  std::string list_path;         // the module list the expected values came from
  CommissionOptions options;
  Commissioning check;
};

// Why the check or the form cannot be made, in the viewer's Japanese: the
// options, the list, the curves, or the measurement file (naming the file,
// the line and the field).
struct CommissionFailure {
  std::string text;
};

// The check of `opened`'s result wiring against the measurement file at
// `path`; a file whose plan column names another plan (PlanFingerprint of
// the result's wiring) is refused at its first such row.
std::optional<CommissionCheck> RunCommissionCheck(const OpenedResult& opened, const std::string& path,
                                                  const CommissionOptions& options, CommissionFailure* failure);

struct MeasurementForm {
  std::vector<FormRow> rows;         // expected Voc and Isc at 1000 W/m² and 25 °C, per string
  std::vector<std::size_t> modules;  // modules per string
  std::string plan;                  // the plan's fingerprint (PlanFingerprint), on every row of the file
  // The further items' limits the crew tests against (ArraySystemVoltageV,
  // InsulationTestVoltageForV).
  double insulation_min_mohm = 0;
  double system_voltage_v = 0;  // NaN when not known
  double insulation_test_required_v = 0;
};

// The form's limits of the further items, as the report says them.
std::string FormLimitsTextJa(const MeasurementForm& form);

// The blank form of `opened`'s result wiring.
std::optional<MeasurementForm> MakeMeasurementForm(const OpenedResult& opened, const CommissionOptions& options,
                                                   CommissionFailure* failure);

enum class VerdictKind { Pass, PassWithNote, Fail, NotMeasured };

VerdictKind KindOf(const StringCommissioning& s);
std::string VerdictTextJa(VerdictKind kind);  // 合格, 合格 (注記), 不合格, 未測定
Rgb VerdictColour(VerdictKind kind);          // green, amber, red
Rgb VerdictBackground(VerdictKind kind);

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
std::string CommissionColumnNameJa(int column);

// A test item of one string: its value as measured ("—" where not) and its status.
struct ItemCell {
  std::string text;
  ItemStatus status = ItemStatus::NotMeasured;
};

struct CommissionRow {
  int string_no = 0;
  std::array<std::string, kCommissionColumns> cells;
  VerdictKind kind = VerdictKind::Fail;
  std::string note;                            // the measurement file's note for the string
  std::array<ItemCell, kTestItemCount> items;  // by TestItem: Voc and Isc as measured, then the further items
};

// The further items of the record, in the order their columns follow the
// Isc deviation on screen and on paper.
inline constexpr std::array<TestItem, 5> kFurtherItems{TestItem::Polarity, TestItem::InsulationPositive,
                                                       TestItem::InsulationNegative, TestItem::InsulationTestVoltage,
                                                       TestItem::EarthContinuity};

// True when the check's columns include the further items: a measurement
// holds one (a check of Voc and Isc alone shows what it always has).
bool ShowsFurtherItems(const Commissioning& check);

// A further item's column heading: "極性", "絶縁抵抗 + [MΩ]", ...
std::string TestItemColumnNameJa(TestItem item);
// An item's colours: green for a pass, red for a fail, grey for not measured,
// plain for a value without a verdict.
Rgb ItemStatusColour(ItemStatus status);
Rgb ItemStatusBackground(ItemStatus status);

// One row of texts per string, the same on screen and on paper.
std::vector<CommissionRow> CommissionRows(const Commissioning& check);
// The row of one string.
CommissionRow CommissionRowOf(const StringCommissioning& string);

// The findings cell with the file's note: "...  メモ: soiled".
std::string FindingsWithNote(const CommissionRow& row);

// One sentence: every string passes, or which fail and which are not measured.
std::string CommissionSummaryJa(const Commissioning& check);
// The tolerances and coefficients of the check.
std::string CommissionConditionsTextJa(const CommissionConditions& c);
// The further items' limits: the insulation minimum and the test voltage.
std::string InsulationLimitsTextJa(const Commissioning& check);
// Which strings made each test item and which did not, a line per item.
std::vector<std::string> TestItemLinesJa(const Commissioning& check);

// Marks the strings of the result's wiring that failed or were not measured,
// for the picture's red outline.
void MarkFailedStrings(PlanView& plan, const Commissioning& check);

}  // namespace voltrigg
