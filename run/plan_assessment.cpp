#include "run/plan_assessment.h"

#include <exception>
#include <new>
#include <string>
#include <utility>

#include "assess/wiring_match.h"
#include "input/run_error.h"

namespace voltrigg {

std::vector<ModuleData> ModulesForAssessment(const std::vector<ListRow>& rows, ExtrasUse extras) {
  const bool isc_first = extras == ExtrasUse::IscVoc;
  std::vector<ModuleData> modules;
  modules.reserve(rows.size());
  for (const ListRow& row : rows) {
    const ModuleRecord& r = row.record;
    ModuleData m;
    m.number = r.moduleNo;
    m.serial = row.serial;
    m.pmax_w = r.pmax;
    m.vpm_v = r.vpm;
    m.ipm_a = r.ipm;
    m.voc_v = isc_first ? r.extra2 : r.extra1;
    m.isc_a = isc_first ? r.extra1 : r.extra2;
    modules.push_back(std::move(m));
  }
  return modules;
}

AssessmentInput AssessmentInputOfPlan(const PlanResult& plan, ExtrasUse extras, const AssessConditions& conditions,
                                      const InverterProfile& inverter) {
  AssessmentInput in;
  const int n = plan.ModuleCount;
  const int series = plan.counts.SeriesCount;
  const int parallel = plan.counts.ParallelCount;
  if (!plan.Planned() || n < 0 || series <= 0 || parallel < 0 || n != series * parallel || n > kModuleSlots) {
    throw RunError("the run's counts do not describe an array to assess");
  }
  in.series = series;
  in.parallel = parallel;
  in.conditions = conditions;
  in.inverter = inverter;
  in.sum_pmax_w = plan.baseline.SimplePmaxSum;
  const auto point = [](const OperatingPoint& p) { return PlanningPoint{p.Pmax, p.Vpm, p.Ipm}; };
  in.minimum = point(plan.baseline.MinimumPoint);
  in.initial_point = point(plan.InitialPoint);
  in.estimated_point = point(plan.final.EstimatedPoint);

  // Both arrangements as rows of the module table, string by string.
  std::vector<std::vector<WiringRow>> initial(static_cast<std::size_t>(parallel));
  std::vector<std::vector<WiringRow>> estimated(static_cast<std::size_t>(parallel));
  const std::vector<std::string>& serials = plan.modules.SerialTable;
  const auto serial_of = [&](std::int32_t slot) -> const std::string& {
    static const std::string kNone;
    return slot > 0 && slot <= kModuleSlots ? serials[static_cast<std::size_t>(slot)] : kNone;
  };
  for (int j = 0; j < parallel; ++j) {
    for (int i = 1; i <= series; ++i) {
      const std::size_t slot =
          static_cast<std::size_t>(i) + static_cast<std::size_t>(series) * static_cast<std::size_t>(j);
      const ModuleRecord& r = plan.modules.records[slot];
      initial[j].push_back(WiringRow{r.moduleNo, serials[slot], r.vpm, r.ipm});
      const MatrixSlot& m = plan.final.FinalMatrix[slot];
      estimated[j].push_back(WiringRow{m.moduleNo, serial_of(m.serial), m.vpm, m.ipm});
    }
  }
  std::vector<ModuleData> modules = ModulesForAssessment(plan.rows, extras);
  std::string problem;
  auto wiring = MatchWiring(modules, initial, &problem);
  if (!wiring) throw RunError("the plan holds a module that is not among its list's rows: " + problem);
  in.initial = std::move(*wiring);
  wiring = MatchWiring(modules, estimated, &problem);
  if (!wiring) throw RunError("the plan holds a module that is not among its list's rows: " + problem);
  in.estimated = std::move(*wiring);
  in.modules = std::move(modules);
  return in;
}

PlanAssessment AssessPlan(const PlanResult& plan, ExtrasUse extras, const AssessConditions& conditions,
                          const InverterProfile& inverter, const FirstPartCallback& first_part,
                          const CompletionProgressCallback& progress) {
  PlanAssessment out;
  try {
    AssessmentInput input = AssessmentInputOfPlan(plan, extras, conditions, inverter);
    AssessmentOutcome outcome = AssessResultWiring(input);
    if (!outcome.assessment) {
      out.failure = PlanAssessment::Failure::ModulesWithoutCurve;
      out.problems = std::move(outcome.problems);
      out.modules = std::move(input.modules);
      return out;
    }
    if (first_part) first_part(*outcome.assessment);
    (void)CompleteAssessment(*outcome.assessment, {}, progress);
    out.assessment = std::move(outcome.assessment);
  } catch (const RunError& e) {
    out.failure = PlanAssessment::Failure::Error;
    out.detail = e.what();
  } catch (const std::bad_alloc&) {
    out.failure = PlanAssessment::Failure::OutOfMemory;
  } catch (const std::exception& e) {
    out.failure = PlanAssessment::Failure::Unexpected;
    out.detail = e.what();
  }
  return out;
}

}  // namespace voltrigg
