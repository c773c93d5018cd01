#pragma once
// The physical assessment of a planned array: the true maximum power point of
// the planned wiring and of other wirings of the same modules, the mismatch
// loss, the cold open-circuit voltage of every string against the system
// voltage limit, and the wiring that maximises the array's power by the curves.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "assess/array_curve.h"
#include "assess/module_curve.h"

namespace voltrigg {

struct AssessConditions {
  double tmin_c = -10.0;                     // [°C] lowest cell temperature expected on site
  double voc_coefficient_pct_per_k = -0.30;  // [%/K] temperature coefficient of Voc
  double max_system_voltage_v = 1000.0;      // [V] limit for any string's cold Voc
};

// A string's open-circuit voltage at `tmin_c`: sum of Voc * (1 + beta/100 * (Tmin - 25 °C)).
double ColdVocV(double voc_sum_v, const AssessConditions& conditions);

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

struct VoltageCheck {
  double max_string_voc_cold_v = 0;
  double limit_v = 0;
  bool ok = true;                 // every string's cold Voc at or below the limit
  std::vector<int> strings_over;  // 0-based string positions above the limit
};

VoltageCheck CheckStringVoltages(const ArrangementFigures& figures, const AssessConditions& conditions);

// The wiring of the same modules (the same string lengths) that maximises the
// array's maximum power point by the curves, starting from `seed`. Moves are
// swaps of two modules between strings; the result is a wiring no single
// swap improves. Deterministic; the result's Pmp is never below the seed's.
// Throws std::invalid_argument when the seed names a module not in `curves`.
Wiring OptimizeWiring(const std::vector<ModuleCurve>& curves, const Wiring& seed);

// The plain reference optimiser: every swap of two modules between strings in
// turn, each judged by a full maximum power point and kept when it gains,
// sweep after sweep until none gains. Slow (for tests and benchmarks).
Wiring OptimizeWiringBySwaps(const std::vector<ModuleCurve>& curves, const Wiring& seed);

struct RandomWiringFigures {
  int samples = 0;
  double mean_pmp_w = 0;
  double worst_pmp_w = 0;
};

// `samples` random wirings of the modules of `shape` (same string lengths),
// each a seeded shuffle: the mean and the lowest array Pmp.
RandomWiringFigures AssessRandomWiring(const std::vector<ModuleCurve>& curves, const Wiring& shape, int samples,
                                       std::uint64_t seed);

// One row of an arrangement as a result file shows it, to be found in the
// module list: the first unused module with the same number, serial number,
// Vpm and Ipm, else the first unused one with the same number and serial.
struct WiringRow {
  double number = 0;
  std::string serial;
  double vpm_v = 0;
  double ipm_a = 0;
};

// The wiring of `rows` (strings of rows) in `modules`, or nothing with
// `problem` naming the first row that has no module of its own.
std::optional<Wiring> MatchWiring(const std::vector<ModuleData>& modules,
                                  const std::vector<std::vector<WiringRow>>& rows, std::string* problem = nullptr);

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
  int random_samples = 100;
  std::uint64_t random_seed = 1;
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
  VoltageCheck voltage_check;  // of the estimated arrangement
};

struct AssessmentOutcome {
  std::optional<Assessment> assessment;  // set when every module could be fitted
  std::vector<ModuleProblem> problems;   // else every module that could not
};

// Fits every module, assesses the initial, estimated and optimised wirings
// and random wiring, and checks the estimated wiring's string voltages.
// Throws std::invalid_argument when a wiring's indices are not valid.
AssessmentOutcome AssessRun(const AssessmentInput& input);

// The assessment as JSON text (UTF-8, shortest round-trip numbers, ends with a
// line end). Serial numbers that are not UTF-8 are decoded as Shift-JIS.
std::string FormatAssessmentJson(const Assessment& assessment);

// A serial number as UTF-8: as it is when valid UTF-8, else decoded as
// Shift-JIS (CP932); bytes that fit neither are written as "\xNN".
std::string SerialAsUtf8(const std::string& bytes);

}  // namespace voltrigg
