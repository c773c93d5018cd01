#include "assess/assessment.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>

#include "assess/curve_engine.h"

namespace voltrigg {

double ColdVocV(double voc_sum_v, const AssessConditions& c) {
  return voc_sum_v * (1.0 + c.voc_coefficient_pct_per_k / 100.0 * (c.tmin_c - 25.0));
}

double StringMeasuredVocV(const std::vector<ModuleData>& modules, const StringWiring& string) {
  double sum = 0;
  for (int index : string) {
    if (index >= 0 && static_cast<std::size_t>(index) < modules.size())
      sum += modules[static_cast<std::size_t>(index)].voc_v;
  }
  return sum;
}

namespace {

void RequireValid(const Wiring& wiring, std::size_t module_count) {
  if (!WiringIndicesValid(wiring, static_cast<int>(module_count))) {
    throw std::invalid_argument("wiring names a module that is not in the list");
  }
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
  RequireValid(wiring, curves.size());
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
    check.max_string_voc_cold_v = std::max(check.max_string_voc_cold_v, v);
    if (v > check.limit_v) {
      check.ok = false;
      check.strings_over.push_back(static_cast<int>(j));
    }
  }
  return check;
}

RandomWiringFigures AssessRandomWiring(const std::vector<ModuleCurve>& curves, const Wiring& shape, int samples,
                                       std::uint64_t seed) {
  RequireValid(shape, curves.size());
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
  }
  out.samples = samples;
  out.mean_pmp_w = sum / samples;
  return out;
}

std::optional<Wiring> MatchWiring(const std::vector<ModuleData>& modules,
                                  const std::vector<std::vector<WiringRow>>& rows, std::string* problem) {
  std::multimap<double, int> by_number;
  for (std::size_t k = 0; k < modules.size(); ++k) by_number.emplace(modules[k].number, static_cast<int>(k));
  std::vector<char> used(modules.size(), 0);
  Wiring wiring;
  wiring.reserve(rows.size());
  for (std::size_t j = 0; j < rows.size(); ++j) {
    StringWiring string;
    string.reserve(rows[j].size());
    for (const WiringRow& row : rows[j]) {
      int found = -1;
      const auto [first, last] = by_number.equal_range(row.number);
      for (int pass = 0; pass < 2 && found < 0; ++pass) {
        for (auto it = first; it != last; ++it) {
          const ModuleData& m = modules[static_cast<std::size_t>(it->second)];
          if (used[static_cast<std::size_t>(it->second)] || m.serial != row.serial) continue;
          if (pass == 0 && (m.vpm_v != row.vpm_v || m.ipm_a != row.ipm_a)) continue;
          found = it->second;
          break;
        }
      }
      if (found < 0) {
        if (problem != nullptr) {
          char number[32];
          (void)std::snprintf(number, sizeof number, "%.9g", row.number);
          *problem = "string " + std::to_string(j + 1) + ": module " + number + " (S/N " + row.serial +
                     ") is not in the module list, or appears more often than there";
        }
        return std::nullopt;
      }
      used[static_cast<std::size_t>(found)] = 1;
      string.push_back(found);
    }
    wiring.push_back(std::move(string));
  }
  return wiring;
}

std::string DescribeModuleProblem(const ModuleProblem& p) {
  char number[32];
  (void)std::snprintf(number, sizeof number, "%.9g", p.number);
  return std::string("module ") + number + " (S/N " + SerialAsUtf8(p.serial) + ", row " + std::to_string(p.index + 1) +
         " of the list): " + FitProblemText(p.problem);
}

AssessmentOutcome AssessRun(const AssessmentInput& in) {
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
  RequireValid(in.initial, curves.size());
  RequireValid(in.estimated, curves.size());

  Assessment a;
  a.conditions = in.conditions;
  a.series = in.series;
  a.parallel = in.parallel;
  a.modules = in.modules;
  a.curves = curves;
  a.sum_pmax_w = in.sum_pmax_w;
  for (const ModuleData& m : in.modules) a.sum_mpp_w += m.vpm_v * m.ipm_a;
  a.minimum = in.minimum;
  a.initial_point = in.initial_point;
  a.estimated_point = in.estimated_point;
  a.initial = AssessArrangement(in.modules, curves, in.initial, in.conditions);
  a.estimated = AssessArrangement(in.modules, curves, in.estimated, in.conditions);
  // Seeded from the better of the two, so it is never below either.
  const bool initial_better = a.initial.point.pmp_w > a.estimated.point.pmp_w;
  const Wiring& seed = initial_better ? in.initial : in.estimated;
  a.optimized = AssessArrangement(in.modules, curves, OptimizeWiring(curves, seed), in.conditions);
  if (a.optimized.point.pmp_w < std::max(a.initial.point.pmp_w, a.estimated.point.pmp_w)) {
    a.optimized = initial_better ? a.initial : a.estimated;
  }
  a.random_wiring = AssessRandomWiring(curves, in.estimated, in.random_samples, in.random_seed);
  a.voltage_check = CheckStringVoltages(a.estimated, in.conditions);
  outcome.assessment = std::move(a);
  return outcome;
}

}  // namespace voltrigg
