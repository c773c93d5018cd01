#include "assess/assessment.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "assess/curve_engine.h"
#include "assess/optimize.h"
#include "input/text_utf8.h"

namespace voltrigg {

double StringMeasuredVocV(const std::vector<ModuleData>& modules, const StringWiring& string) {
  double sum = 0;
  for (int index : string) {
    if (index >= 0 && static_cast<std::size_t>(index) < modules.size())
      sum += modules[static_cast<std::size_t>(index)].voc_v;
  }
  return sum;
}

namespace {

void RequireValid(const Wiring& wiring, const std::vector<ModuleCurve>& curves) {
  if (!WiringIndicesValid(wiring, static_cast<int>(curves.size()))) {
    throw std::invalid_argument("wiring names a module that is not in the list");
  }
  RequireUsableCurves(curves);
}

double SumMppW(const std::vector<ModuleData>& modules, const Wiring& wiring) {
  double sum = 0;
  for (const StringWiring& s : wiring) {
    for (int index : s) {
      const ModuleData& m = modules[static_cast<std::size_t>(index)];
      sum += m.vpm_v * m.ipm_a;
    }
  }
  return sum;
}

}  // namespace

ArrangementFigures AssessArrangement(const std::vector<ModuleData>& modules, const std::vector<ModuleCurve>& curves,
                                     const Wiring& wiring, const AssessConditions& conditions) {
  if (modules.size() != curves.size()) throw std::invalid_argument("modules and curves differ in number");
  RequireValid(wiring, curves);
  const engine::ArrayPointDetail mpp = engine::MaximumPowerPoint(engine::PrepareArray(curves, wiring));
  ArrangementFigures f;
  f.point = mpp.point;
  f.mismatch_loss_pct = MismatchLossPct(mpp.point.pmp_w, SumMppW(modules, wiring));
  f.strings.reserve(wiring.size());
  for (std::size_t j = 0; j < wiring.size(); ++j) {
    StringFigures s;
    s.modules = wiring[j];
    s.current_a = mpp.string_currents_a[j];
    s.voc_v = StringMeasuredVocV(modules, wiring[j]);
    s.voc_cold_v = ColdVocV(s.voc_v, conditions);
    f.strings.push_back(std::move(s));
  }
  return f;
}

VoltageCheck CheckStringVoltages(const ArrangementFigures& figures, const AssessConditions& conditions) {
  VoltageCheck check;
  check.limit_v = conditions.max_system_voltage_v;
  for (std::size_t j = 0; j < figures.strings.size(); ++j) {
    const double v = figures.strings[j].voc_cold_v;
    // A NaN voltage stays the maximum (and fails the check below).
    if (!std::isnan(check.max_string_voc_cold_v) && !(v <= check.max_string_voc_cold_v))
      check.max_string_voc_cold_v = v;
    if (!AtOrBelowLimit(v, check.limit_v)) {
      check.ok = false;
      check.strings_over.push_back(static_cast<int>(j));
    }
  }
  return check;
}

RandomWiringFigures AssessRandomWiring(const std::vector<ModuleCurve>& curves, const Wiring& shape, int samples,
                                       std::uint64_t seed, const std::function<void(int done)>& sampled) {
  RequireValid(shape, curves);
  RandomWiringFigures out;
  if (samples <= 0) return out;
  std::vector<engine::FastModule> modules;
  modules.reserve(curves.size());
  for (const ModuleCurve& c : curves) modules.push_back(engine::Prepare(c));
  std::vector<int> all;
  for (const StringWiring& s : shape) all.insert(all.end(), s.begin(), s.end());
  // SplitMix64: the same seed gives the same wirings on every platform.
  std::uint64_t state = seed;
  const auto next = [&state]() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  };
  double sum = 0;
  out.worst_pmp_w = 0;
  std::vector<engine::FastString> strings(shape.size());
  for (int k = 0; k < samples; ++k) {
    for (std::size_t i = all.size(); i > 1; --i) std::swap(all[i - 1], all[next() % i]);
    std::size_t at = 0;
    for (std::size_t j = 0; j < shape.size(); ++j) {
      const StringWiring w(all.begin() + static_cast<std::ptrdiff_t>(at),
                           all.begin() + static_cast<std::ptrdiff_t>(at + shape[j].size()));
      at += shape[j].size();
      strings[j] = engine::PrepareString(modules, w);
    }
    const double p = engine::MaximumPowerPoint(strings).point.pmp_w;
    sum += p;
    if (k == 0 || p < out.worst_pmp_w) out.worst_pmp_w = p;
    if (sampled) sampled(k + 1);
  }
  out.samples = samples;
  out.mean_pmp_w = sum / samples;
  return out;
}

std::string DescribeModuleProblem(const ModuleProblem& p) {
  char number[32];
  (void)std::snprintf(number, sizeof number, "%.9g", p.number);
  return std::string("module ") + number + " (S/N " + TextAsUtf8(p.serial) + ", row " + std::to_string(p.index + 1) +
         " of the list): " + FitProblemText(p.problem);
}

AssessmentOutcome AssessResultWiring(const AssessmentInput& in) {
  if (const auto fault = ValidateConditions(in.conditions)) {
    throw std::invalid_argument(DescribeConditionFault(*fault));
  }
  AssessmentOutcome outcome;
  std::vector<ModuleCurve> curves;
  curves.reserve(in.modules.size());
  for (std::size_t k = 0; k < in.modules.size(); ++k) {
    const CurveFit fit = FitModuleCurve(in.modules[k]);
    if (fit.problem != FitProblem::None) {
      outcome.problems.push_back(
          ModuleProblem{static_cast<int>(k), in.modules[k].number, in.modules[k].serial, fit.problem});
    }
    curves.push_back(fit.curve);
  }
  if (!outcome.problems.empty()) return outcome;
  RequireValid(in.initial, curves);
  RequireValid(in.estimated, curves);

  Assessment a;
  a.conditions = in.conditions;
  a.series = in.series;
  a.parallel = in.parallel;
  a.modules = in.modules;
  a.curves = std::move(curves);
  a.sum_pmax_w = in.sum_pmax_w;
  for (const ModuleData& m : in.modules) a.sum_mpp_w += m.vpm_v * m.ipm_a;
  a.minimum = in.minimum;
  a.initial_point = in.initial_point;
  a.estimated_point = in.estimated_point;
  a.initial = AssessArrangement(in.modules, a.curves, in.initial, in.conditions);
  a.estimated = AssessArrangement(in.modules, a.curves, in.estimated, in.conditions);
  a.voltage_check = CheckStringVoltages(a.estimated, in.conditions);
  a.inverter_window = AssessInverterWindow(in.modules, a.curves, in.estimated, in.conditions, in.inverter);
  a.random_samples = in.random_samples;
  a.random_seed = in.random_seed;
  outcome.assessment = std::move(a);
  return outcome;
}

Wiring WiringOf(const ArrangementFigures& f) {
  Wiring wiring(f.strings.size());
  std::transform(f.strings.begin(), f.strings.end(), wiring.begin(), [](const StringFigures& s) { return s.modules; });
  return wiring;
}

namespace {

// The optimiser's share of the second part's time at a few hundred to a
// thousand modules (the rest is random wiring), for the progress shown.
constexpr double kSearchShare = 0.7;

}  // namespace

Completion CompleteAssessment(Assessment& a, const std::stop_token& stop, const CompletionProgressCallback& progress) {
  a.complete = false;
  const Wiring initial = WiringOf(a.initial);
  const Wiring estimated = WiringOf(a.estimated);
  CompletionProgress done;
  done.random_total = std::max(a.random_samples, 0);
  const auto tell = [&]() {
    if (!progress) return;
    const double searches = done.searches_total > 0 ? double(done.searches_done) / done.searches_total : 0.0;
    const double random = done.random_total > 0 ? double(done.random_done) / done.random_total : 1.0;
    const bool all = done.searches_done == done.searches_total && done.random_done == done.random_total;
    done.percent = all ? 100.0 : 100.0 * (kSearchShare * searches + (1.0 - kSearchShare) * random);
    progress(done);
  };
  // Seeded from the better of the two, so it is never below either.
  const bool initial_better = a.initial.point.pmp_w > a.estimated.point.pmp_w;
  const Wiring best =
      OptimizeWiring(a.curves, initial_better ? initial : estimated, stop, [&](int searched, int total) {
        done.searches_done = searched;
        done.searches_total = total;
        tell();
      });
  if (stop.stop_requested()) return Completion::Stopped;
  a.optimized = AssessArrangement(a.modules, a.curves, best, a.conditions);
  if (a.optimized.point.pmp_w < std::max(a.initial.point.pmp_w, a.estimated.point.pmp_w)) {
    a.optimized = initial_better ? a.initial : a.estimated;
  }
  a.random_wiring = AssessRandomWiring(a.curves, estimated, a.random_samples, a.random_seed, [&](int sampled) {
    done.random_done = sampled;
    tell();
  });
  if (stop.stop_requested()) return Completion::Stopped;
  a.complete = true;
  return Completion::Done;
}

AssessmentOutcome AssessRun(const AssessmentInput& input) {
  AssessmentOutcome outcome = AssessResultWiring(input);
  if (outcome.assessment) (void)CompleteAssessment(*outcome.assessment);
  return outcome;
}

}  // namespace voltrigg
