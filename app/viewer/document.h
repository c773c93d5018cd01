#pragma once
// One opened result: the file read back, the module list found beside it (or
// named by the user) and checked against the result's matrix. Reading never
// changes a file.
#include <QPointF>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/shared/assess_options.h"
#include "app/shared/planned_array.h"
#include "assess/assessment.h"
#include "input/module_list.h"
#include "inverter_window_view.h"
#include "output/result_reader.h"
#include "plan_view.h"

namespace voltrigg::viewer {

enum class ListState {
  NotFound,    // no list beside the result and none named
  Unreadable,  // a list file that cannot be read as a module list
  Mismatch,    // a list whose modules are not the result's
  Matches,     // every module of the result, with the same values
};

// The physical figures of one wiring.
struct PhysicalFigures {
  double pmp_w = 0;  // the array's maximum power point by the module curves
  double vmp_v = 0;
  double imp_a = 0;
  double mismatch_loss_pct = 0;
  std::vector<StringPhysics> strings;  // string 1..P
  std::vector<QPointF> iv_curve;       // (voltage [V], current [A]) of the array
};

// The physical assessment as the viewer shows it: the core's assessment (the
// one voltrigg-cli --assess makes of the same run) and what is drawn of it.
struct AssessmentView {
  voltrigg::Assessment core;      // complete once the optimiser and random wiring are done
  bool same_as_cli = false;       // the planning run on the list gave this result: the JSON is the CLI's
  PhysicalFigures result_wiring;  // the wiring the result file holds
  PhysicalFigures optimized;      // the best wiring by the curves
  std::vector<WiredModule> optimized_wiring;
  int random_samples = 0;
  double random_mean_pmp_w = 0;
  double random_worst_pmp_w = 0;
  double sum_mpp_w = 0;                         // Σ Vmp·Imp of the modules
  bool complete = false;                        // optimised and random wiring done
  std::vector<TemperatureCurve> window_curves;  // the result's wiring at the inverter window's temperatures
};

struct Document {
  std::string result_path;
  ResultFileData result;

  std::string list_path;    // the list looked for or named (empty: no name to look for)
  bool list_named = false;  // named by the user rather than found beside the result
  ListState list_state = ListState::NotFound;
  QString list_note;                   // one plain sentence about the list for the window and the plan
  std::vector<QString> list_problems;  // the first differences, when it does not match
  std::vector<ListRow> list;        // the list's modules in file order
  int list_count = 0;
  std::vector<int> list_slot;          // per result row: index into `list` of that module
  std::vector<QString> list_warnings;  // what the list holds that a planner must see (duplicates, typos)

  AssessOptions options;
  std::optional<AssessmentView> assessment;  // with a matching list whose modules have curves
  QString assessment_note;                   // why there is none, when there is a list, or what it lacks

  // The result's wiring as the viewer draws it.
  std::vector<WiredModule> ResultWiring() const;
};

// The module list a result names, where voltrigg-cli commission looks for it too.
using voltrigg::ListBesideResult;

// Reads the result (throws ResultFileError), then the list: `modules_path`
// when given, else the one beside the result. A missing, unreadable or
// different list is told in list_state and list_note, never thrown.
Document OpenDocument(const std::string& result_path, const std::string& modules_path, const AssessOptions& options);

// Checks the list against the result: the same number of modules, and for
// every row a module of that number with the same serial number, Vpm and Ipm.
// Fills list_slot and list_state; returns the differences (at most `limit`).
std::vector<QString> MatchList(Document& doc, std::size_t limit = 5);

}  // namespace voltrigg::viewer
