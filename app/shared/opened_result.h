#pragma once
// One opened result, as the viewer and the page show it and voltrigg-cli
// commission checks it: the result file read back once; its module list
// (beside the result, or named) read once, through the planning run with the
// result's S and P, which also proves whether the result is that list's run;
// list and result matched once; the physical assessment in two parts (the
// result's wiring at once, the optimiser and random wiring on any thread,
// stoppable); the plan of either wiring. Notes are kept as what happened,
// where and with which values; their wording is in opened_result_texts.h.
// Opening never changes a file.
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "app/shared/assess_options.h"
#include "app/shared/assessment_input.h"
#include "app/shared/plan_view.h"
#include "app/shared/result_list_match.h"
#include "assess/assessment.h"
#include "input/list_warnings.h"
#include "output/result_reader.h"
#include "run/plan.h"
#include "run/plan_assessment.h"

namespace voltrigg {

// The module list a result names: its file name (line 1) in the result's
// folder. Only the last part of the name counts, so a result cannot point
// elsewhere; empty when the name has no last part.
std::string ListBesideResult(const std::string& result_path, const std::string& input_name);

enum class ListState {
  NotFound,    // no list beside the result and none named
  Unreadable,  // a list file that cannot be read as a module list
  Mismatch,    // a list whose modules are not the result's
  Matches,     // every module of the result, with the same values
};

// What became of the list, for the one sentence a front end says about it.
struct ListStatus {
  enum class Kind { NotBeside, NotFound, NotAFile, Unreadable, Matches, Mismatch };
  Kind kind = Kind::NotBeside;
  std::string name;    // the list's file name (UTF-8), or the name the result gives
  int modules = 0;     // Matches: the list's modules
  std::string detail;  // Unreadable: the reader's message
};

// The physical figures of one wiring.
struct PhysicalFigures {
  double pmp_w = 0;  // the array's maximum power point by the module curves
  double vmp_v = 0;
  double imp_a = 0;
  double mismatch_loss_pct = 0;
  std::vector<StringPhysics> strings;  // string 1..P
};

// The physical assessment as the front ends show it: the core's assessment
// (the one voltrigg-cli --assess makes of the same run) and what is drawn of it.
struct AssessmentView {
  Assessment core;                // complete once the optimiser and random wiring are done
  bool same_as_cli = false;       // the planning run on the list gave this result: the JSON is the CLI's
  PhysicalFigures result_wiring;  // the wiring the result file holds
  PhysicalFigures optimized;      // the best wiring by the curves
  std::vector<WiredModule> optimized_wiring;
  int random_samples = 0;
  double random_mean_pmp_w = 0;
  double random_worst_pmp_w = 0;
  double sum_mpp_w = 0;   // Σ Vmp·Imp of the modules
  bool complete = false;  // optimised and random wiring done
};

// Why there is no assessment, or what it lacks.
struct AssessmentStatus {
  enum class Kind {
    None,
    ConditionFault,  // `fault`: a condition out of its range
    NoColumns,       // no module has Voc or Isc
    CurveProblems,   // `problems` (of `modules`): modules whose curve cannot be fitted
    NotTheListsRun,  // `replan`: the planning run on the list does not give the result; its wiring alone is assessed
    Failed,          // `detail`: what was thrown
    OutOfMemory,
    BackgroundFailed,  // the optimiser and random wiring: `detail` (empty: stopped before the end), or OutOfMemory
  };
  Kind kind = Kind::None;
  ConditionFault fault{};
  std::vector<ModuleProblem> problems;
  std::vector<ModuleData> modules;
  bool isc_first = false;
  ReplanCheck replan;
  std::string detail;
  bool out_of_memory = false;  // BackgroundFailed: for want of memory
  bool unexpected = false;
};

struct OpenedResult {
  std::string result_path;
  ResultFileData result;

  std::string list_path;    // the list looked for or named (empty: no name to look for)
  bool list_named = false;  // named by the user rather than found beside the result
  ListState list_state = ListState::NotFound;
  ListStatus list_status;
  std::vector<ListRow> list;          // the list's modules in file order
  std::vector<ModuleData> modules;    // the same with Voc and Isc as the options read them
  ResultListMatch match;              // of the result's rows in the list
  std::vector<ListWarning> warnings;  // what the list holds that a planner must see
  ExtrasUse warnings_extras = ExtrasUse::None;

  // The planning run on the list with the result's S and P, when it gives the result.
  std::shared_ptr<const PlanResult> plan;
  ReplanCheck replan;

  AssessOptions options;
  std::optional<AssessmentView> assessment;  // with a matching list whose modules have curves
  AssessmentStatus assessment_status;        // why there is none, or what it lacks

  // The result's wiring as it is drawn.
  std::vector<WiredModule> ResultWiring() const;
};

// Reads the result (throws ResultFileError), then the list: `modules_path`
// when given, else the one beside the result. A missing, unreadable or
// different list is told in list_state and list_status, never thrown.
OpenedResult OpenResult(const std::string& result_path, const std::string& modules_path, const AssessOptions& options);

// The same for a result just written by `plan`, a run of the list at
// `list_path`: nothing is read again but the result file.
OpenedResult OpenResultOfRun(const std::string& result_path, const std::string& list_path,
                             std::shared_ptr<const PlanResult> plan, const AssessOptions& options);

// What the optimiser and random wiring need, copied, so that they can run on
// another thread while the rest is shown.
struct AssessmentJob {
  Assessment core;  // the first part done
  std::shared_ptr<const std::vector<ListRow>> list;
};

struct BackgroundResult {
  Assessment core;  // complete unless stopped or failed
  PhysicalFigures optimized;
  std::vector<WiredModule> optimized_wiring;
  bool stopped = false;        // superseded
  bool out_of_memory = false;  // failed for want of memory
  std::string error;           // what went wrong, when the part failed otherwise
};

// Fills `opened.assessment` with the first part when the list matches the
// result, the conditions are valid and every module's curve can be fitted;
// else leaves it empty with the note saying why. Returns what the second
// part still needs.
std::optional<AssessmentJob> StartAssessment(OpenedResult& opened);

// The optimiser and random wiring; any thread; never throws. A stop
// requested through `stop` ends it between two optimiser rounds.
BackgroundResult RunBackgroundPart(AssessmentJob job, const std::stop_token& stop = {},
                                   const CompletionProgressCallback& progress = {});

// Takes the second part's figures into `opened`, or its failure into the note.
void ApplyBackgroundPart(OpenedResult& opened, BackgroundResult result);

// Both parts at once, for what is written without a window; `first_part` is
// told the first part's figures before the optimiser runs, `progress` how
// far the second part has come.
void RunAssessment(OpenedResult& opened, const FirstPartCallback& first_part = {},
                   const CompletionProgressCallback& progress = {});

// Why an opened run has no assessment, as a planned run's failure, so that
// AssessmentProblemLines words it as voltrigg-cli --assess does.
PlanAssessment PlanAssessmentOf(const AssessmentStatus& status);

// The plan of `wiring` (the result's while there is no optimised one); with
// the optimised wiring at hand both share one colour scale.
PlanView MakePlan(const OpenedResult& opened, ShownWiring wiring, ColourBy colour_by);

// The array's I-V curve of `wiring`, `points` samples (for a chart).
std::vector<CurvePoint> ArrayCurveOf(const AssessmentView& assessment, ShownWiring wiring, int points);

struct TemperatureCurve {
  double temperature_c = 25;
  std::vector<CurvePoint> points;  // empty when the curves cannot be carried there
};

// The result's wiring's curves at the cold operating temperature, 25 °C and
// the hot one (1000 W/m²), `points` samples each, for the inverter window's chart.
std::vector<TemperatureCurve> WindowCurvesOf(const AssessmentView& assessment, int points);
// The same of the core's assessment, from its first part on.
std::vector<TemperatureCurve> WindowCurvesOf(const Assessment& assessment, int points);

// The modules of the result's wiring with their curves, for the
// commissioning check: the very modules the result was planned from.
struct CommissionArray {
  std::vector<ModuleData> modules;  // the list's modules in file order
  std::vector<ModuleCurve> curves;  // parallel to modules
  Wiring wiring;                    // wiring[j]: string j + 1 of the result, series order
};

// Why there is no CommissionArray.
struct CommissionRefusal {
  enum class Kind { NoArray, ListNotMatching, CurveProblems };
  Kind kind = Kind::NoArray;
  std::vector<ModuleProblem> problems;  // CurveProblems, of `opened.modules`
};

// The array for the commissioning check: the curves the assessment fitted,
// or fitted now when it has none.
std::optional<CommissionArray> CommissionArrayOf(const OpenedResult& opened, CommissionRefusal* refusal);

// The upper halves of the vector registers cleared: some libraries (a
// graphical toolkit's start among them) leave them in use, and every later
// scalar floating-point instruction then runs many times slower on x86.
void ClearUpperVectorState();

}  // namespace voltrigg
