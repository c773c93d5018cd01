#include "app/shared/opened_result.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <iterator>
#include <new>
#include <utility>

#include "assess/array_at_conditions.h"
#include "input/run_error.h"
#include "input/text_utf8.h"
#include "run/plan_assessment.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace voltrigg {

namespace {

std::string FileName(const std::string& path) { return TextAsUtf8(std::filesystem::path(path).filename().string()); }

// Voc and Isc are looked at when the list has them, since the assessment uses them.
ExtrasUse WarningsExtras(const std::vector<ListRow>& rows, bool isc_first) {
  const bool extras = std::any_of(rows.begin(), rows.end(),
                                  [](const ListRow& r) { return r.record.extra1 != 0 || r.record.extra2 != 0; });
  return !extras ? ExtrasUse::None : isc_first ? ExtrasUse::IscVoc : ExtrasUse::VocIsc;
}

// Reads the list once: through the planning run with the result's S and P
// when the result has an array, else by the list reader alone. A list the
// run cannot plan (a float error, say) is read again by the reader, so that
// it is still matched.
void ReadList(OpenedResult& o) {
  if (!ResultHasPlannableShape(o.result)) {
    auto table = std::make_unique<ModuleTable>();
    (void)LoadModuleList(o.list_path, *table, &o.list);
    o.replan = {ReplanCheck::Kind::NoArray, {}, 0};
    return;
  }
  const RunCounts counts{.SeriesCount = static_cast<std::int16_t>(o.result.series),
                         .ParallelCount = static_cast<std::int16_t>(o.result.parallel)};
  try {
    auto plan = std::make_shared<PlanResult>(
        Plan(PlanRequest{.list_path = o.list_path, .input_name = o.result.InputName, .counts = counts}));
    o.list = plan->rows;
    o.replan = CompareReplan(*plan, o.result);
    if (o.replan.Same()) o.plan = std::move(plan);
  } catch (const RunError& e) {
    const std::string why = e.what();
    o.list.clear();
    auto table = std::make_unique<ModuleTable>();
    (void)LoadModuleList(o.list_path, *table, &o.list);  // throws when the list cannot be read at all
    o.replan = {ReplanCheck::Kind::CannotPlan, why, 0};
  }
}

// Everything that follows from the list's rows: the modules, the warnings, the match.
void TakeList(OpenedResult& o) {
  o.modules = ModulesForAssessment(o.list, ExtrasUseOf(o.options));
  o.warnings_extras = WarningsExtras(o.list, o.options.isc_first);
  o.warnings = ListWarnings(o.list, o.warnings_extras);
  o.match = MatchResultToList(o.result.rows, o.list);
  o.list_state = o.match.Matches() ? ListState::Matches : ListState::Mismatch;
  o.list_status.kind = o.match.Matches() ? ListStatus::Kind::Matches : ListStatus::Kind::Mismatch;
  o.list_status.modules = static_cast<int>(o.list.size());
}

PhysicalFigures Figures(const ArrangementFigures& f) {
  PhysicalFigures out;
  out.pmp_w = f.point.pmp_w;
  out.vmp_v = f.point.vmp_v;
  out.imp_a = f.point.imp_a;
  out.mismatch_loss_pct = f.mismatch_loss_pct;
  out.strings.reserve(f.strings.size());
  for (const StringFigures& s : f.strings) out.strings.push_back({s.current_a, s.voc_v, s.voc_cold_v});
  return out;
}

// The input when the planning run on the list does not give the result: the
// result's own wiring and figures, the optimiser started from that wiring.
AssessmentInput InputFromResult(const OpenedResult& o) {
  AssessmentInput in;
  const ResultFileData& r = o.result;
  in.series = r.series;
  in.parallel = r.parallel;
  in.conditions = o.options.conditions;
  in.sum_pmax_w = r.SimplePmaxSum;
  const auto point = [](const OperatingPoint& p) { return PlanningPoint{p.Pmax, p.Vpm, p.Ipm}; };
  in.minimum = point(r.MinimumPoint);
  in.initial_point = point(r.InitialPoint);
  in.estimated_point = point(r.EstimatedPoint);
  in.estimated = WiringOfMatch(o.match, r.rows);
  in.estimated.resize(static_cast<std::size_t>(r.parallel));
  in.initial = in.estimated;
  in.modules = o.modules;
  return in;
}

void SetNote(OpenedResult& o, AssessmentStatus::Kind kind) {
  o.assessment_status = AssessmentStatus{};
  o.assessment_status.kind = kind;
  o.assessment_status.isc_first = o.options.isc_first;
}

}  // namespace

std::string ListBesideResult(const std::string& result_path, const std::string& input_name) {
  // Names written on Windows carry "\" between folders.
  const std::size_t cut = input_name.find_last_of("/\\");
  const std::string name = cut == std::string::npos ? input_name : input_name.substr(cut + 1);
  if (name.empty() || name == "." || name == "..") return {};
  const std::filesystem::path folder = std::filesystem::path(result_path).parent_path();
  return (folder / name).string();
}

std::vector<WiredModule> OpenedResult::ResultWiring() const {
  std::vector<WiredModule> out(result.rows.size());
  std::transform(result.rows.begin(), result.rows.end(), out.begin(), [](const ResultRow& r) {
    return WiredModule{r.string_no, r.position, r.moduleNo, r.serialNo, r.vpm, r.ipm};
  });
  return out;
}

OpenedResult OpenResult(const std::string& result_path, const std::string& modules_path, const AssessOptions& options) {
  ClearUpperVectorState();
  OpenedResult o;
  o.result_path = result_path;
  o.options = options;
  o.result = ReadResultFile(result_path);
  o.list_named = !modules_path.empty();
  o.list_path = o.list_named ? modules_path : ListBesideResult(result_path, o.result.InputName);
  o.list_status.name = o.list_path.empty() ? TextAsUtf8(o.result.InputName) : FileName(o.list_path);

  std::error_code ec;
  if (o.list_path.empty() || !std::filesystem::exists(o.list_path, ec)) {
    o.list_state = ListState::NotFound;
    o.list_status.kind = o.list_named ? ListStatus::Kind::NotFound : ListStatus::Kind::NotBeside;
    return o;
  }
  if (!std::filesystem::is_regular_file(o.list_path, ec)) {
    o.list_state = ListState::Unreadable;
    o.list_status.kind = ListStatus::Kind::NotAFile;
    return o;
  }
  try {
    ReadList(o);
  } catch (const RunError& e) {
    o.list_state = ListState::Unreadable;
    o.list_status.kind = ListStatus::Kind::Unreadable;
    o.list_status.detail = e.what();
    o.list.clear();
    o.plan.reset();
    return o;
  }
  TakeList(o);
  return o;
}

OpenedResult OpenResultOfRun(const std::string& result_path, const std::string& list_path,
                             std::shared_ptr<const PlanResult> plan, const AssessOptions& options) {
  ClearUpperVectorState();
  OpenedResult o;
  o.result_path = result_path;
  o.options = options;
  o.result = ReadResultFile(result_path);
  o.list_named = true;
  o.list_path = list_path;
  o.list_status.name = FileName(list_path);
  if (plan == nullptr) {
    o.list_state = ListState::NotFound;
    o.list_status.kind = ListStatus::Kind::NotFound;
    return o;
  }
  o.list = plan->rows;
  o.replan = CompareReplan(*plan, o.result);
  if (o.replan.Same()) o.plan = std::move(plan);
  TakeList(o);
  return o;
}

std::optional<AssessmentJob> StartAssessment(OpenedResult& o) {
  ClearUpperVectorState();
  o.assessment.reset();
  SetNote(o, AssessmentStatus::Kind::None);
  if (o.list_state != ListState::Matches || o.result.rows.empty()) return std::nullopt;
  if (const auto fault = ValidateConditions(o.options.conditions)) {
    SetNote(o, AssessmentStatus::Kind::ConditionFault);
    o.assessment_status.fault = *fault;
    return std::nullopt;
  }
  // Without Voc and Isc in the list every fit fails; said as what the list needs.
  const bool any_extras =
      std::any_of(o.modules.begin(), o.modules.end(), [](const ModuleData& m) { return m.voc_v != 0 || m.isc_a != 0; });
  try {
    // The search's initial arrangement is not in the result file: the planning
    // run on the list gives it, and proves that the result is that run's, so
    // that the assessment is the one voltrigg-cli makes.
    AssessmentInput input = o.plan != nullptr ? AssessmentInputOfPlan(*o.plan, ExtrasUseOf(o.options),
                                                                      o.options.conditions, o.options.inverter)
                                              : InputFromResult(o);
    input.inverter = o.options.inverter;
    AssessmentOutcome outcome = AssessResultWiring(input);
    if (!outcome.assessment) {
      SetNote(o, any_extras ? AssessmentStatus::Kind::CurveProblems : AssessmentStatus::Kind::NoColumns);
      o.assessment_status.problems = std::move(outcome.problems);
      o.assessment_status.modules = std::move(input.modules);
      return std::nullopt;
    }
    AssessmentView view;
    view.core = std::move(*outcome.assessment);
    view.same_as_cli = o.plan != nullptr;
    view.sum_mpp_w = view.core.sum_mpp_w;
    view.result_wiring = Figures(view.core.estimated);
    if (!view.same_as_cli) {
      SetNote(o, AssessmentStatus::Kind::NotTheListsRun);
      o.assessment_status.replan = o.replan;
    }
    AssessmentJob job{view.core, std::make_shared<const std::vector<ListRow>>(o.list)};
    o.assessment = std::move(view);
    return job;
  } catch (const RunError& e) {
    SetNote(o, AssessmentStatus::Kind::Failed);
    o.assessment_status.detail = e.what();
  } catch (const std::bad_alloc&) {
    SetNote(o, AssessmentStatus::Kind::OutOfMemory);
  } catch (const std::exception& e) {
    SetNote(o, AssessmentStatus::Kind::Failed);
    o.assessment_status.detail = e.what();
    o.assessment_status.unexpected = true;
  }
  o.assessment.reset();
  return std::nullopt;
}

BackgroundResult RunBackgroundPart(AssessmentJob job, const std::stop_token& stop,
                                   const CompletionProgressCallback& progress) {
  ClearUpperVectorState();
  BackgroundResult out;
  try {
    out.core = std::move(job.core);
    if (CompleteAssessment(out.core, stop, progress) == Completion::Stopped) {
      out.stopped = true;
      return out;
    }
    out.optimized = Figures(out.core.optimized);
    for (std::size_t j = 0; j < out.core.optimized.strings.size(); ++j) {
      const StringWiring& string = out.core.optimized.strings[j].modules;
      for (std::size_t k = 0; k < string.size(); ++k) {
        const ListRow& l = job.list->at(static_cast<std::size_t>(string[k]));
        out.optimized_wiring.push_back({static_cast<int>(j) + 1, static_cast<int>(k) + 1, l.record.moduleNo, l.serial,
                                        l.record.vpm, l.record.ipm});
      }
    }
  } catch (const std::bad_alloc&) {
    out.out_of_memory = true;
  } catch (const std::exception& e) {
    out.error = e.what();
  }
  return out;
}

void ApplyBackgroundPart(OpenedResult& o, BackgroundResult result) {
  if (!o.assessment || result.stopped) return;
  if (result.out_of_memory || !result.error.empty() || !result.core.complete) {
    SetNote(o, AssessmentStatus::Kind::BackgroundFailed);
    o.assessment_status.out_of_memory = result.out_of_memory;
    o.assessment_status.detail = result.error;
    return;
  }
  AssessmentView& a = *o.assessment;
  a.core = std::move(result.core);
  a.optimized = std::move(result.optimized);
  a.optimized_wiring = std::move(result.optimized_wiring);
  a.random_samples = a.core.random_wiring.samples;
  a.random_mean_pmp_w = a.core.random_wiring.mean_pmp_w;
  a.random_worst_pmp_w = a.core.random_wiring.worst_pmp_w;
  a.complete = true;
}

void RunAssessment(OpenedResult& o, const FirstPartCallback& first_part, const CompletionProgressCallback& progress) {
  std::optional<AssessmentJob> job = StartAssessment(o);
  if (!job) return;
  if (first_part) first_part(o.assessment->core);
  ApplyBackgroundPart(o, RunBackgroundPart(std::move(*job), {}, progress));
}

PlanAssessment PlanAssessmentOf(const AssessmentStatus& s) {
  PlanAssessment out;
  using Kind = AssessmentStatus::Kind;
  switch (s.kind) {
    case Kind::NoColumns:
    case Kind::CurveProblems:
      out.failure = PlanAssessment::Failure::ModulesWithoutCurve;
      out.problems = s.problems;
      out.modules = s.modules;
      break;
    case Kind::OutOfMemory:
      out.failure = PlanAssessment::Failure::OutOfMemory;
      break;
    case Kind::BackgroundFailed:
      out.failure = s.out_of_memory ? PlanAssessment::Failure::OutOfMemory : PlanAssessment::Failure::Unexpected;
      out.detail = s.detail;
      break;
    case Kind::Failed:
    case Kind::ConditionFault:
    case Kind::NotTheListsRun:
    case Kind::None:
      out.failure = s.unexpected ? PlanAssessment::Failure::Unexpected : PlanAssessment::Failure::Error;
      out.detail = s.detail;
      break;
  }
  return out;
}

PlanView MakePlan(const OpenedResult& o, ShownWiring wiring, ColourBy colour_by) {
  const ResultFileData& r = o.result;
  const double limit_v = o.options.conditions.max_system_voltage_v;
  static const std::vector<StringPhysics> kNone;
  PlanView result = BuildPlanView(o.ResultWiring(), r.series, r.parallel, colour_by,
                                  o.assessment ? o.assessment->result_wiring.strings : kNone, limit_v);
  if (!(o.assessment && o.assessment->complete)) return result;
  PlanView optimized = BuildPlanView(o.assessment->optimized_wiring, r.series, r.parallel, colour_by,
                                     o.assessment->optimized.strings, limit_v);
  // One colour scale for both wirings, so that switching compares like with like.
  const double range_pct = std::max(result.colour_range_pct, optimized.colour_range_pct);
  SetColourRange(result, range_pct);
  SetColourRange(optimized, range_pct);
  return wiring == ShownWiring::Optimized ? optimized : result;
}

std::vector<CurvePoint> ArrayCurveOf(const AssessmentView& a, ShownWiring wiring, int points) {
  ClearUpperVectorState();
  const ArrangementFigures& f = wiring == ShownWiring::Optimized && a.complete ? a.core.optimized : a.core.estimated;
  return SampleArrayCurve(a.core.curves, WiringOf(f), points);
}

std::vector<TemperatureCurve> WindowCurvesOf(const Assessment& a, int points) {
  ClearUpperVectorState();
  const AssessConditions& c = a.conditions;
  const TemperatureCoefficients coefficients{c.voc_coefficient_pct_per_k, c.isc_coefficient_pct_per_k};
  const double temperatures_c[] = {c.t_cold_operating_c, kStcTemperatureC, c.t_hot_c};
  const Wiring wiring = WiringOf(a.estimated);
  std::vector<TemperatureCurve> out(std::size(temperatures_c));
  std::transform(std::begin(temperatures_c), std::end(temperatures_c), out.begin(), [&](double t) {
    return TemperatureCurve{t, SampleArrayCurveAt(a.modules, a.curves, wiring, CellConditions{kStcIrradianceW_m2, t},
                                                  coefficients, points)};
  });
  return out;
}

std::vector<TemperatureCurve> WindowCurvesOf(const AssessmentView& a, int points) {
  return WindowCurvesOf(a.core, points);
}

std::optional<CommissionArray> CommissionArrayOf(const OpenedResult& o, CommissionRefusal* refusal) {
  const auto refuse = [refusal](CommissionRefusal::Kind kind, std::vector<ModuleProblem> problems = {}) {
    if (refusal != nullptr) *refusal = CommissionRefusal{kind, std::move(problems)};
    return std::nullopt;
  };
  if (o.result.rows.empty()) return refuse(CommissionRefusal::Kind::NoArray);
  if (o.list_state != ListState::Matches) return refuse(CommissionRefusal::Kind::ListNotMatching);
  CommissionArray out;
  out.modules = o.modules;
  out.wiring = WiringOfMatch(o.match, o.result.rows);
  if (o.assessment) {
    out.curves = o.assessment->core.curves;
    return out;
  }
  if (o.assessment_status.kind == AssessmentStatus::Kind::CurveProblems ||
      o.assessment_status.kind == AssessmentStatus::Kind::NoColumns) {
    return refuse(CommissionRefusal::Kind::CurveProblems, o.assessment_status.problems);
  }
  ClearUpperVectorState();
  std::vector<ModuleProblem> problems;
  out.curves.reserve(out.modules.size());
  for (std::size_t k = 0; k < out.modules.size(); ++k) {
    const CurveFit fit = FitModuleCurve(out.modules[k]);
    if (fit.problem != FitProblem::None) {
      problems.push_back(ModuleProblem{static_cast<int>(k), out.modules[k].number, out.modules[k].serial, fit.problem});
    }
    out.curves.push_back(fit.curve);
  }
  if (!problems.empty()) return refuse(CommissionRefusal::Kind::CurveProblems, std::move(problems));
  return out;
}

#if defined(__x86_64__) || defined(__i386__)
namespace {
__attribute__((target("avx"))) void ZeroUpper() { _mm256_zeroupper(); }
}  // namespace

void ClearUpperVectorState() {
  static const bool avx = __builtin_cpu_supports("avx") != 0;
  if (avx) ZeroUpper();
}
#else
void ClearUpperVectorState() {}
#endif

}  // namespace voltrigg
