#pragma once
// The physical assessment of a planned array: the true maximum power point of
// the planned wiring and of other wirings of the same modules, the mismatch
// loss, and the cold open-circuit voltage of every string against the system
// voltage limit. It comes in two parts: what a viewer shows at once (the
// curves, the search's initial and the result's wiring, the voltage check)
// and what takes longer (the optimised wiring, random wiring).
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "assess/array_curve.h"
#include "assess/conditions.h"
#include "assess/inverter_profile.h"
#include "assess/inverter_window.h"
#include "assess/module_curve.h"

namespace voltrigg {

// Measured Voc summed over the string's modules.
double StringMeasuredVocV(const std::vector<ModuleData>& modules, const StringWiring& string);

struct StringFigures {
  StringWiring modules;   // indices into the module list, series order
  double current_a = 0;   // at the array's Vmp
  double voc_v = 0;       // sum of the measured Voc
  double voc_cold_v = 0;  // at the conditions' Tmin
};

struct ArrangementFigures {
  PowerPoint point;              // the array's maximum power point by the curves
  double mismatch_loss_pct = 0;  // against the sum of Vmp*Imp of the arrangement's modules
  std::vector<StringFigures> strings;
};

// Figures of one wiring. `modules` and `curves` are parallel (same length);
// the wiring's indices must be valid (checked: std::invalid_argument).
ArrangementFigures AssessArrangement(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& curves,
                                     const Wiring& wiring, const AssessConditions& conditions);

// The wiring the figures are of.
Wiring WiringOf(const ArrangementFigures& figures);

struct VoltageCheck {
  double max_string_voc_cold_v = 0;
  double limit_v = 0;
  bool ok = true;                 // every string's cold Voc at or below the limit
  std::vector<int> strings_over;  // 0-based string positions above the limit
};

VoltageCheck CheckStringVoltages(const ArrangementFigures& figures, const AssessConditions& conditions);

struct RandomWiringFigures {
  int samples = 0;
  double mean_pmp_w = 0;
  double worst_pmp_w = 0;
};

// `samples` random wirings of the modules of `shape` (same string lengths),
// each a seeded shuffle: the mean and the lowest array Pmp.
// `sampled`, when given, is told after each wiring how many are done.
RandomWiringFigures AssessRandomWiring(const std::vector<ModuleCurve>& curves, const Wiring& shape, int samples,
                                       std::uint64_t seed, const std::function<void(int done)>& sampled = {});

// Random wiring as both front ends assess it.
inline constexpr int kRandomWiringSamples = 100;
inline constexpr std::uint64_t kRandomWiringSeed = 1;

// Planning figures as the result file holds them (floats widened to double).
struct PlanningPoint {
  double pmax_w = 0;
  double vpm_v = 0;
  double ipm_a = 0;
};

// What a whole assessment of a planning run needs.
struct AssessmentInput {
  std::vector<ModuleData> modules;  // list order
  int series = 0;
  int parallel = 0;
  Wiring initial;         // the search's initial arrangement
  Wiring estimated;       // the final matrix of the result file
  double sum_pmax_w = 0;  // the planning run's simple sum of module Pmax
  PlanningPoint minimum;
  PlanningPoint initial_point;
  PlanningPoint estimated_point;
  AssessConditions conditions;
  InverterProfile inverter;  // the limits of the inverter window; none given: only the system voltage
  int random_samples = kRandomWiringSamples;
  std::uint64_t random_seed = kRandomWiringSeed;
};

struct ModuleProblem {
  int index = 0;  // position in the list
  double number = 0;
  std::string serial;
  FitProblem problem = FitProblem::None;
};

// "module 12 (S/N KV300-1): Voc is not above Vpm"
std::string DescribeModuleProblem(const ModuleProblem& problem);

struct Assessment {
  AssessConditions conditions;
  int series = 0;
  int parallel = 0;
  std::vector<ModuleData> modules;
  std::vector<ModuleCurve> curves;  // parallel to modules
  double sum_pmax_w = 0;
  double sum_mpp_w = 0;  // sum of the modules' Vpm*Ipm
  ArrangementFigures initial;
  ArrangementFigures estimated;
  ArrangementFigures optimized;
  RandomWiringFigures random_wiring;
  PlanningPoint minimum;
  PlanningPoint initial_point;
  PlanningPoint estimated_point;
  VoltageCheck voltage_check;                 // of the estimated arrangement
  InverterWindow inverter_window;             // of the estimated arrangement
  int random_samples = kRandomWiringSamples;  // asked for; random_wiring.samples once done
  std::uint64_t random_seed = kRandomWiringSeed;
  bool complete = false;  // the optimised wiring and random wiring are there
};

struct AssessmentOutcome {
  std::optional<Assessment> assessment;  // set when every module could be fitted
  std::vector<ModuleProblem> problems;   // else every module that could not
};

// The first part: fits every module, assesses the initial and the estimated
// wiring and checks the estimated wiring's string voltages and its inverter
// window. The assessment
// is not complete yet. Throws std::invalid_argument when a wiring's indices
// are not valid or the conditions are not (ValidateConditions).
AssessmentOutcome AssessResultWiring(const AssessmentInput& input);

enum class Completion { Done, Stopped };

// How far the second part has come: the optimiser's searches and the random
// wirings done of how many, and the share of the whole part's work done.
struct CompletionProgress {
  int searches_done = 0;
  int searches_total = 0;
  int random_done = 0;
  int random_total = 0;
  double percent = 0;  // [%] 0 to 100; 100 once the part is complete
};

// Called as the second part goes on (often, but never more than once per
// search or random wiring); it is shown, never used: no figure depends on it.
using CompletionProgressCallback = std::function<void(const CompletionProgress&)>;

// The second part: the optimised wiring, started from the better of the
// initial and the estimated wiring and never below either, and random wiring
// of the estimated one. A stop requested through `stop` ends it early and
// leaves the assessment incomplete (Stopped).
Completion CompleteAssessment(Assessment& assessment, const std::stop_token& stop = {},
                              const CompletionProgressCallback& progress = {});

// Both parts.
AssessmentOutcome AssessRun(const AssessmentInput& input);

}  // namespace voltrigg
