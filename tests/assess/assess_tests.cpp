// The physical assessment: the curve fit where the answer is known exactly,
// string and array curves, the global maximum power point with bypass diodes,
// the optimiser against the plain swap search, the JSON file and
// voltrigg-cli --assess.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stop_token>

#include "app/shared/assessment_input.h"
#include "app/shared/text_catalogue.h"
#include "assess/assessment.h"
#include "assess/assessment_json.h"
#include "assess/optimize.h"
#include "assess/wiring_match.h"
#include "input/run_error.h"
#include "input/text_utf8.h"
#include "run/batch_run.h"
#include "run/plan_assessment.h"
#include "support/assess_support.h"
#include "support/module_generator.h"
#include "support/run_support.h"

namespace voltrigg {
namespace {

using testing::AsModuleData;
using testing::Cli;
using testing::CliResult;
using testing::FitAll;
using testing::GeneratedModule;
using testing::InOrder;
using testing::ReadFile;
using testing::SeededRandom;
using testing::TempDir;
using testing::WriteFile;

double Rel(double got, double want) { return std::fabs(got - want) / std::max(std::fabs(want), 1e-300); }

// A module made from chosen curve parameters: Voc and the maximum power point
// follow from the curve exactly (the power maximum by bisection on dP/dI).
ModuleData FromCurve(const ModuleCurve& c, double number) {
  const auto v = [&](double i) { return c.a_v * std::log((c.il_a + c.i0_a - i) / c.i0_a) - i * c.rs_ohm; };
  const auto dp = [&](double i) { return v(i) + i * (-c.a_v / (c.il_a + c.i0_a - i) - c.rs_ohm); };
  double lo = 0;
  double hi = c.il_a;
  for (int k = 0; k < 200; ++k) {
    const double mid = 0.5 * (lo + hi);
    (dp(mid) > 0 ? lo : hi) = mid;
  }
  ModuleData m;
  m.number = number;
  m.serial = "K" + std::to_string(static_cast<int>(number));
  m.ipm_a = 0.5 * (lo + hi);
  m.vpm_v = v(m.ipm_a);
  m.pmax_w = m.vpm_v * m.ipm_a;
  m.voc_v = v(0);
  m.isc_a = c.il_a;
  return m;
}

// ------------------------------------------------------------------ curve fit

TEST(CurveFit, PassesThroughTheMeasuredPointsWithFlatPowerAtTheMaximum) {
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    for (const ModuleData& m : AsModuleData(testing::GenerateModules(50, seed))) {
      const CurveFit f = FitModuleCurve(m);
      ASSERT_EQ(f.problem, FitProblem::None) << "seed " << seed << " module " << m.number;
      const ModuleCurve& c = f.curve;
      EXPECT_LT(Rel(ModuleVoltageV(c, 0), m.voc_v), 1e-9);
      EXPECT_LT(Rel(ModuleVoltageV(c, m.ipm_a), m.vpm_v), 1e-9);
      // dP/dI = V + I dV/dI vanishes at the measured point.
      const double slope = -c.a_v / (c.il_a + c.i0_a - m.ipm_a) - c.rs_ohm;
      EXPECT_LT(std::fabs(m.vpm_v + m.ipm_a * slope) / m.vpm_v, 1e-9);
      EXPECT_GT(c.rs_ohm, -c.a_v / (c.il_a + c.i0_a));
      // Crystalline cells: a is roughly 25-35 mV per cell (60 or 72 cells here).
      EXPECT_GT(c.a_v / (m.voc_v / 0.62), 0.02);
      EXPECT_LT(c.a_v / (m.voc_v / 0.62), 0.05);
    }
  }
}

TEST(CurveFit, GivesBackTheParametersAGeneratedListWasMadeFrom) {
  SeededRandom random(7);
  for (int k = 0; k < 300; ++k) {
    const bool cells96 = k % 3 == 0;
    ModuleCurve c;
    c.il_a = cells96 ? 5.5 + random.Uniform() : 8.5 + 1.5 * random.Uniform();
    c.a_v = cells96 ? 2.9 + random.Uniform() : 1.6 + 0.3 * random.Uniform();
    c.i0_a = std::pow(10.0, -11 + 3 * random.Uniform());
    c.rs_ohm = -0.05 + 0.6 * random.Uniform();
    const ModuleData m = FromCurve(c, k + 1);
    const CurveFit f = FitModuleCurve(m);
    ASSERT_EQ(f.problem, FitProblem::None) << k;
    EXPECT_LT(Rel(f.curve.a_v, c.a_v), 1e-7) << k;
    EXPECT_LT(Rel(f.curve.i0_a, c.i0_a), 1e-5) << k;
    EXPECT_LT(std::fabs(f.curve.rs_ohm - c.rs_ohm), 1e-7) << k;
    EXPECT_EQ(f.curve.il_a, c.il_a);
  }
}

TEST(CurveFit, NamesWhatIsWrongWithImpossibleData) {
  const double nan = std::nan("");
  struct Case {
    double vpm, ipm, voc, isc;
    FitProblem problem;
  };
  for (const Case& c : std::vector<Case>{{30, 8, 37, 0, FitProblem::NotPositive},
                                         {30, 8, 0, 8.5, FitProblem::NotPositive},
                                         {-30, 8, 37, 8.5, FitProblem::NotPositive},
                                         {30, nan, 37, 8.5, FitProblem::NotPositive},
                                         {30, 8, 30, 8.5, FitProblem::VocNotAboveVpm},
                                         {30, 8, 29, 8.5, FitProblem::VocNotAboveVpm},
                                         {30, 8, 37, 8, FitProblem::IscNotAboveIpm},
                                         {30, 8, 40, 12, FitProblem::NoRoot},      // fill factor far too low
                                         {30, 8, 60, 8.1, FitProblem::NoRoot}}) {  // Voc above 2 Vmp
    const CurveFit f = FitModuleCurve(c.vpm, c.ipm, c.voc, c.isc);
    EXPECT_EQ(f.problem, c.problem) << c.vpm << " " << c.ipm << " " << c.voc << " " << c.isc;
    EXPECT_STRNE(FitProblemText(f.problem), "");
  }
}

TEST(CurveFit, ModuleVoltageStopsAtTheBypassDrop) {
  const ModuleCurve c = FitModuleCurve(32.4, 9.06, 39.46, 9.566).curve;
  EXPECT_EQ(ModuleVoltageV(c, c.il_a + c.i0_a), -kBypassDropV);
  EXPECT_EQ(ModuleVoltageV(c, 50), -kBypassDropV);
  // The bypass takes over a hair below IL + I0, where the curve is nearly vertical.
  const double kink = ModuleCurrentA(c, -kBypassDropV);
  EXPECT_LT(kink, c.il_a + c.i0_a);
  EXPECT_GT(kink, c.il_a - 1e-6);
  for (double i : {0.5, 5.0, 9.06, 9.5}) EXPECT_LT(Rel(ModuleCurrentA(c, ModuleVoltageV(c, i)), i), 1e-12) << i;
  // Near Isc a volt is a nanoampere: the voltage comes back to the current's resolution.
  for (double v : {0.0, 10.0, 32.4, 39.0}) EXPECT_NEAR(ModuleVoltageV(c, ModuleCurrentA(c, v)), v, 1e-5) << v;
  EXPECT_EQ(ModuleCurrentA(c, 39.46), 0);
}

// ------------------------------------------------------------- array curves

TEST(ArrayCurve, IdenticalModulesScaleExactly) {
  const ModuleData m{1, "A", 293.6, 32.41, 9.06, 39.46, 9.566};
  const std::vector<ModuleCurve> one = {FitModuleCurve(m).curve};
  const PowerPoint alone = ArrayMaximumPowerPoint(one, {{0}});
  EXPECT_LT(Rel(alone.pmp_w, m.vpm_v * m.ipm_a), 1e-9);
  EXPECT_LT(Rel(alone.vmp_v, m.vpm_v), 1e-4);  // power is flat at its top: V is known less well
  EXPECT_LT(Rel(alone.imp_a, m.ipm_a), 1e-4);
  EXPECT_NEAR(MismatchLossPct(alone.pmp_w, m.vpm_v * m.ipm_a), 0, 1e-7);

  for (int series : {1, 2, 7, 20}) {
    for (int parallel : {1, 3, 50}) {
      const std::vector<ModuleCurve> curves(static_cast<std::size_t>(series * parallel), one[0]);
      const Wiring w = InOrder(series * parallel, series);
      for (double i : {0.0, 3.0, 9.06, 9.55}) {
        EXPECT_LT(Rel(StringVoltageV(curves, w[0], i), series * ModuleVoltageV(one[0], i)), 1e-12);
      }
      EXPECT_LT(Rel(ArrayCurrentA(curves, w, series * 30.0), parallel * ModuleCurrentA(one[0], 30.0)), 1e-12);
      const PowerPoint p = ArrayMaximumPowerPoint(curves, w);
      EXPECT_LT(Rel(p.pmp_w, series * parallel * m.vpm_v * m.ipm_a), 1e-9) << series << "x" << parallel;
      EXPECT_LT(Rel(p.vmp_v, series * m.vpm_v), 1e-4);
      EXPECT_LT(Rel(p.imp_a, parallel * m.ipm_a), 1e-4);
    }
  }
}

// The array's current at `voltage_v` by a method of its own, not the solver
// under test: each string's current by bisection on the closed-form module
// voltages, between 0 and `below_a` (a current known to be higher).
double IndependentStringCurrentA(const std::vector<ModuleCurve>& curves, const StringWiring& string, double voltage_v,
                                 double below_a) {
  const auto string_v = [&](double i) {
    double v = 0;
    for (int k : string) v += ModuleVoltageV(curves[static_cast<std::size_t>(k)], i);
    return v;
  };
  if (!(voltage_v < string_v(0))) return 0;
  double lo = 0;
  double hi = below_a;
  for (int it = 0; it < 64; ++it) {
    const double mid = 0.5 * (lo + hi);
    (string_v(mid) > voltage_v ? lo : hi) = mid;
  }
  return 0.5 * (lo + hi);
}

// The array's power on a fine grid, each grid maximum refined by golden
// section, with the independent string currents: an independent look for the
// global maximum.
double BruteForceMaximum(const std::vector<ModuleCurve>& curves, const Wiring& w) {
  double top_a = 0;
  double v_high = 0;
  for (const ModuleCurve& c : curves) top_a = std::max(top_a, c.il_a + c.i0_a);
  for (const StringWiring& s : w) v_high = std::max(v_high, StringVocV(curves, s));
  const auto p = [&](double v) {
    double i = 0;
    for (const StringWiring& s : w) i += IndependentStringCurrentA(curves, s, v, top_a);
    return v * i;
  };
  constexpr int kGrid = 4001;
  std::vector<double> grid(kGrid);
  const double step = v_high / (kGrid - 1);
  for (int k = 0; k < kGrid; ++k) grid[static_cast<std::size_t>(k)] = p(step * k);
  double best = 0;
  for (std::size_t k = 1; k + 1 < grid.size(); ++k) {
    if (grid[k] < grid[k - 1] || grid[k] < grid[k + 1]) continue;
    double lo = step * static_cast<double>(k - 1);
    double hi = step * static_cast<double>(k + 1);
    for (int it = 0; it < 80; ++it) {
      const double m1 = lo + (hi - lo) * 0.381966;
      const double m2 = hi - (hi - lo) * 0.381966;
      (p(m1) < p(m2) ? lo : hi) = p(m1) < p(m2) ? m1 : m2;
    }
    best = std::max(best, p(0.5 * (lo + hi)));
  }
  return best;
}

TEST(ArrayCurve, FindsTheGlobalMaximumWhenBypassDiodesMakeSeveral) {
  // A string with weak modules (low Isc) beside healthy ones: the weak
  // modules are bypassed at high currents, and the P-V curve has two or more
  // peaks; which one is highest depends on how weak they are.
  const ModuleData healthy{1, "H", 300, 32.4, 9.06, 39.5, 9.57};
  for (double weak_factor : {0.3, 0.5, 0.7, 0.85, 0.95}) {
    for (int weak_count : {1, 3, 6}) {
      ModuleData weak = healthy;
      weak.ipm_a *= weak_factor;
      weak.isc_a *= weak_factor;
      std::vector<ModuleCurve> curves;
      for (int k = 0; k < 30; ++k) curves.push_back(FitModuleCurve(k < weak_count ? weak : healthy).curve);
      const Wiring w = InOrder(30, 10);
      const PowerPoint p = ArrayMaximumPowerPoint(curves, w);
      const double brute = BruteForceMaximum(curves, w);
      EXPECT_GE(p.pmp_w, brute * (1 - 1e-9)) << weak_factor << " " << weak_count;
      EXPECT_LE(p.pmp_w, brute * (1 + 1e-9)) << weak_factor << " " << weak_count;
      EXPECT_LT(Rel(p.pmp_w, p.vmp_v * p.imp_a), 1e-12);
    }
  }
}

TEST(ArrayCurve, GlobalMaximumOnGeneratedListsMatchesABruteForceSearch) {
  for (std::uint64_t seed = 1; seed <= 4; ++seed) {
    const std::vector<ModuleData> modules = AsModuleData(testing::GenerateModules(60, seed));
    const std::vector<ModuleCurve> curves = FitAll(modules);
    for (int series : {1, 5, 20}) {
      const Wiring w = InOrder(60, series);
      const PowerPoint p = ArrayMaximumPowerPoint(curves, w);
      const double brute = BruteForceMaximum(curves, w);
      EXPECT_GE(p.pmp_w, brute * (1 - 1e-9));
      EXPECT_LE(p.pmp_w, brute * (1 + 1e-9));
    }
    // Strings of different lengths: the short one stops delivering below the
    // array's voltage, its Voc is a kink of the curve.
    const Wiring uneven = {{0, 1, 2, 3, 4}, {5, 6, 7, 8, 9, 10}, {11, 12, 13, 14, 15, 16, 17}};
    const PowerPoint p = ArrayMaximumPowerPoint(curves, uneven);
    const double brute = BruteForceMaximum(curves, uneven);
    EXPECT_GE(p.pmp_w, brute * (1 - 1e-9));
    EXPECT_LE(p.pmp_w, brute * (1 + 1e-9));
    // A string's own curve ends at its Voc and starts at its short-circuit current.
    const std::vector<CurvePoint> c = SampleStringCurve(curves, uneven[0], 50);
    EXPECT_LT(Rel(c.back().voltage_v, StringVocV(curves, uneven[0])), 1e-12);
    EXPECT_EQ(c.back().current_a, 0);
    EXPECT_GT(c.front().current_a, std::min({modules[0].ipm_a, modules[1].ipm_a, modules[2].ipm_a}));
  }
}

TEST(ArrayCurve, EmptyArraysAndCurveSamples) {
  EXPECT_EQ(ArrayMaximumPowerPoint({}, {}).pmp_w, 0);
  EXPECT_EQ(ArrayMaximumPowerPoint({}, {{}, {}}).pmp_w, 0);
  const std::vector<ModuleCurve> curves = {FitModuleCurve(30, 8, 37, 8.5).curve,
                                           FitModuleCurve(31, 8.2, 38, 8.7).curve};
  const std::vector<CurvePoint> s = SampleArrayCurve(curves, {{0, 1}}, 1);
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].voltage_v, 0);
  EXPECT_LT(Rel(s[1].voltage_v, 75), 1e-9);
  EXPECT_EQ(s[1].current_a, 0);
  const std::vector<CurvePoint> c = SampleArrayCurve(curves, {{0}, {1}}, 100);
  for (std::size_t k = 1; k < c.size(); ++k) EXPECT_LE(c[k].current_a, c[k - 1].current_a);
  EXPECT_FALSE(WiringIndicesValid({{0, 2}}, 2));
  EXPECT_THROW(AssessArrangement({}, {}, {{0}}, {}), std::invalid_argument);
}

// ------------------------------------------------- loss, voltage, optimiser

TEST(Assessment, MismatchLossIsNeverNegativeAndRandomWiringIsNoBetterThanOptimized) {
  for (std::uint64_t seed = 11; seed <= 16; ++seed) {
    const std::vector<ModuleData> modules = AsModuleData(testing::GenerateModules(40, seed));
    const std::vector<ModuleCurve> curves = FitAll(modules);
    const Wiring w = InOrder(40, 8);
    const RandomWiringFigures r = AssessRandomWiring(curves, w, 30, seed);
    EXPECT_EQ(r.samples, 30);
    EXPECT_LE(r.worst_pmp_w, r.mean_pmp_w);
    double sum_mpp = 0;
    for (const ModuleData& m : modules) sum_mpp += m.vpm_v * m.ipm_a;
    EXPECT_GE(MismatchLossPct(r.worst_pmp_w, sum_mpp), 0);
    const ArrangementFigures f = AssessArrangement(modules, curves, OptimizeWiring(curves, w), {});
    EXPECT_GE(f.mismatch_loss_pct, 0);
    EXPECT_GE(f.point.pmp_w, r.mean_pmp_w);
    // Same seed, same figures.
    const RandomWiringFigures again = AssessRandomWiring(curves, w, 30, seed);
    EXPECT_EQ(again.mean_pmp_w, r.mean_pmp_w);
  }
}

TEST(Assessment, VoltageCheckFlipsAtTheLimit) {
  // 20 modules of 65 V: 1300 V at 25 °C, 1436.5 V at -10 °C with -0.30 %/K.
  std::vector<ModuleData> modules;
  for (int k = 0; k < 20; ++k) modules.push_back(ModuleData{k + 1.0, "", 400, 54, 7.4, 65, 7.9});
  const std::vector<ModuleCurve> curves = FitAll(modules);
  AssessConditions c;
  const ArrangementFigures f = AssessArrangement(modules, curves, InOrder(20, 20), c);
  ASSERT_EQ(f.strings.size(), 1u);
  EXPECT_NEAR(f.strings[0].voc_v, 1300, 1e-9);
  EXPECT_NEAR(f.strings[0].voc_cold_v, 1436.5, 1e-9);
  VoltageCheck v = CheckStringVoltages(f, c);
  EXPECT_FALSE(v.ok);
  EXPECT_EQ(v.strings_over, std::vector<int>{0});
  c.max_system_voltage_v = f.strings[0].voc_cold_v;
  EXPECT_TRUE(CheckStringVoltages(f, c).ok);  // at the limit is within it
  c.max_system_voltage_v = std::nextafter(f.strings[0].voc_cold_v, 0.0);
  EXPECT_FALSE(CheckStringVoltages(f, c).ok);
  // Warmer morning, smaller coefficient: the cold voltage follows the formula.
  c.tmin_c = 25;
  EXPECT_DOUBLE_EQ(ColdVocV(1300, c), 1300);
  c.tmin_c = -25;
  c.voc_coefficient_pct_per_k = -0.25;
  EXPECT_DOUBLE_EQ(ColdVocV(1000, c), 1125);
}

// Gain of a wiring over the seed, in W.
double Gain(const std::vector<ModuleCurve>& curves, const Wiring& seed, const Wiring& w) {
  return ArrayMaximumPowerPoint(curves, w).pmp_w - ArrayMaximumPowerPoint(curves, seed).pmp_w;
}

bool SameModules(Wiring a, Wiring b) {
  for (auto& s : a) std::sort(s.begin(), s.end());
  for (auto& s : b) std::sort(s.begin(), s.end());
  std::vector<int> fa, fb;
  for (auto& s : a) fa.insert(fa.end(), s.begin(), s.end());
  for (auto& s : b) fb.insert(fb.end(), s.begin(), s.end());
  std::sort(fa.begin(), fa.end());
  std::sort(fb.begin(), fb.end());
  if (fa != fb || a.size() != b.size()) return false;
  for (std::size_t j = 0; j < a.size(); ++j) {
    if (a[j].size() != b[j].size()) return false;
  }
  return true;
}

TEST(Optimizer, IsAsGoodAsThePlainSwapSearchAndNeverWorseThanItsSeed) {
  // The plain search judges every swap by a full maximum power point: slow,
  // so two lists here; bench/assess_bench --compare runs more and larger ones.
  double fast_total = 0;
  double plain_total = 0;
  for (std::uint64_t seed = 1; seed <= 2; ++seed) {
    const std::vector<ModuleData> modules = AsModuleData(testing::GenerateModules(100, seed));
    const std::vector<ModuleCurve> curves = FitAll(modules);
    // Sorted by current, as the planning run's initial arrangement is.
    std::vector<int> by_current(100);
    for (int k = 0; k < 100; ++k) by_current[k] = k;
    std::stable_sort(by_current.begin(), by_current.end(),
                     [&](int x, int y) { return modules[x].ipm_a < modules[y].ipm_a; });
    Wiring start = InOrder(100, 10);
    for (auto& s : start) {
      for (int& k : s) k = by_current[k];
    }
    const Wiring fast = OptimizeWiring(curves, start);
    const Wiring plain = OptimizeWiringBySwaps(curves, start);
    EXPECT_TRUE(SameModules(fast, start));
    EXPECT_EQ(OptimizeWiring(curves, start), fast);  // deterministic
    const double fast_gain = Gain(curves, start, fast);
    const double plain_gain = Gain(curves, start, plain);
    EXPECT_GT(fast_gain, 0);
    EXPECT_GE(fast_gain, 0.75 * plain_gain) << "seed " << seed;
    fast_total += fast_gain;
    plain_total += plain_gain;
  }
  EXPECT_GE(fast_total, plain_total * (1 - 1e-9));

  // From an unsorted wiring the gain is large, and never negative from an
  // optimum (no swap left that gains).
  const std::vector<ModuleData> modules = AsModuleData(testing::GenerateModules(60, 7));
  const std::vector<ModuleCurve> curves = FitAll(modules);
  const Wiring list_order = InOrder(60, 6);
  const Wiring once = OptimizeWiring(curves, list_order);
  EXPECT_GT(Gain(curves, list_order, once), 1.0);
  EXPECT_GE(Gain(curves, once, OptimizeWiring(curves, once)), 0);
  EXPECT_EQ(OptimizeWiring(curves, {{0, 1, 2}}), (Wiring{{0, 1, 2}}));  // one string: nothing to swap
  EXPECT_THROW(OptimizeWiring(curves, {{0, 60}}), std::invalid_argument);
}

TEST(Assessment, WholeRunFiguresAndWiringMatchedFromRows) {
  std::vector<ModuleData> modules = AsModuleData(testing::GenerateModules(24, 5));
  modules[3].number = modules[4].number;  // two modules may share a number
  AssessmentInput in;
  in.modules = modules;
  in.series = 6;
  in.parallel = 4;
  in.initial = InOrder(24, 6);
  std::vector<std::vector<WiringRow>> rows(4);
  for (int k = 0; k < 24; ++k) {
    const ModuleData& m = modules[static_cast<std::size_t>(23 - k)];
    rows[static_cast<std::size_t>(k / 6)].push_back(WiringRow{m.number, m.serial, m.vpm_v, m.ipm_a});
  }
  const std::optional<Wiring> estimated = MatchWiring(modules, rows);
  ASSERT_TRUE(estimated);
  EXPECT_EQ((*estimated)[0][0], 23);
  EXPECT_EQ((*estimated)[3][5], 0);
  in.estimated = *estimated;
  in.random_samples = 10;
  const AssessmentOutcome out = AssessRun(in);
  ASSERT_TRUE(out.assessment);
  const Assessment& a = *out.assessment;
  EXPECT_GE(a.optimized.point.pmp_w, a.initial.point.pmp_w);
  EXPECT_GE(a.optimized.point.pmp_w, a.estimated.point.pmp_w);
  EXPECT_LE(a.optimized.point.pmp_w, a.sum_mpp_w);
  EXPECT_EQ(a.estimated.strings.size(), 4u);
  double current = 0;
  for (const StringFigures& s : a.estimated.strings) current += s.current_a;
  EXPECT_LT(Rel(current, a.estimated.point.imp_a), 1e-12);

  // A row that is not in the list, or one module used twice, is no wiring.
  rows[0][0].serial = "nowhere";
  std::string problem;
  EXPECT_FALSE(MatchWiring(modules, rows, &problem));
  EXPECT_NE(problem.find("nowhere"), std::string::npos);
  rows[0][0] = rows[0][1];
  EXPECT_FALSE(MatchWiring(modules, rows));

  // Bad curve data: no assessment, every bad module named.
  in.modules[2].voc_v = in.modules[2].vpm_v;
  in.modules[7].isc_a = 0;
  const AssessmentOutcome bad = AssessRun(in);
  EXPECT_FALSE(bad.assessment);
  ASSERT_EQ(bad.problems.size(), 2u);
  EXPECT_EQ(bad.problems[0].index, 2);
  EXPECT_EQ(bad.problems[0].problem, FitProblem::VocNotAboveVpm);
  EXPECT_NE(DescribeModuleProblem(bad.problems[0]).find(in.modules[2].serial), std::string::npos);
}

// ------------------------------------------------------------------ the JSON

TEST(AssessmentJson, KeysInOrderAndNumbersThatReadBackExactly) {
  AssessmentInput in;
  in.modules = AsModuleData(testing::GenerateModules(6, 3));
  in.modules[0].serial = "\x83\x82\x83\x57\x83\x85\x81\x5B\x83\x8B";  // Shift-JIS
  in.modules[1].serial = "bad\xFF\x80";
  in.series = 3;
  in.parallel = 2;
  in.initial = InOrder(6, 3);
  in.estimated = {{5, 4, 3}, {2, 1, 0}};
  in.sum_pmax_w = 1234.5f;
  in.estimated_point = PlanningPoint{1000.25, 90.5, 11.0521};
  in.random_samples = 5;
  const Assessment a = *AssessRun(in).assessment;
  const std::string text = FormatAssessmentJson(a);
  const auto j = nlohmann::ordered_json::parse(text);
  std::vector<std::string> keys;
  for (auto it = j.begin(); it != j.end(); ++it) keys.push_back(it.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"model", "conditions", "series", "parallel", "modules", "sum_pmax_w",
                                            "sum_mpp_w", "module_curves", "arrangements", "random_wiring",
                                            "planning_figures", "voltage_check", "inverter_window"}));
  EXPECT_EQ(j["conditions"]["bypass_drop_v"], 1.5);
  EXPECT_EQ(j["modules"], 6);
  EXPECT_EQ(j["module_curves"][0]["serial"], "モジュール");
  EXPECT_EQ(j["module_curves"][1]["serial"], "bad\\xFF\\x80");
  EXPECT_EQ(j["module_curves"][2]["a_v"].get<double>(), a.curves[2].a_v);  // exact round trip
  EXPECT_EQ(j["module_curves"][2]["i0_a"].get<double>(), a.curves[2].i0_a);
  const auto& est = j["arrangements"]["estimated"];
  EXPECT_EQ(est["pmp_w"].get<double>(), a.estimated.point.pmp_w);
  EXPECT_EQ(est["strings"][0]["modules"][0], in.modules[5].number);
  std::vector<std::string> akeys;
  for (auto it = est.begin(); it != est.end(); ++it) akeys.push_back(it.key());
  EXPECT_EQ(akeys, (std::vector<std::string>{"pmp_w", "vmp_v", "imp_a", "mismatch_loss_pct", "strings"}));
  EXPECT_EQ(j["planning_figures"]["estimated"]["ipm_a"].get<double>(), 11.0521);
  EXPECT_EQ(j["voltage_check"]["ok"], true);
  EXPECT_EQ(j["random_wiring"]["samples"], 5);
  // Shortest round-trip text: a float widened to double prints as such.
  EXPECT_NE(text.find("\"sum_pmax_w\": 1234.5,"), std::string::npos);
  EXPECT_EQ(TextAsUtf8("KV300-1"), "KV300-1");
  EXPECT_EQ(TextAsUtf8("\xE3\x83\xA2"), "モ");
}

// ------------------------------------------- the assessment of a plan

TEST(PlanAssessmentInput, HoldsTheResultFilesMatrixAndTheListInFileOrder) {
  TempDir dir{"voltrigg-assess"};
  const std::vector<GeneratedModule> list = testing::GenerateModules(24, 21);
  WriteFile(dir / "list.csv", testing::FormatModuleList(list));
  const BatchRun run = RunBatch(BatchRequest{.list_path = dir / "list.csv",
                                             .input_name = "list.csv",
                                             .series_text = "6",
                                             .parallel_text = "4",
                                             .output_base = dir / "r"});
  ASSERT_EQ(run.outcome, RunOutcome::Completed) << run.message;
  const PlanResult& plan = *run.plan;
  const AssessmentInput in = AssessmentInputOfPlan(plan, ExtrasUse::VocIsc, AssessConditions{}, InverterProfile{});
  // The modules in file order, Voc and Isc from columns 6 and 7.
  ASSERT_EQ(in.modules.size(), list.size());
  for (std::size_t k = 0; k < list.size(); ++k) {
    EXPECT_EQ(in.modules[k].number, list[k].module_no);
    EXPECT_EQ(in.modules[k].serial, list[k].serial_no);
    EXPECT_EQ(in.modules[k].voc_v, static_cast<float>(list[k].voc_v));
    EXPECT_EQ(in.modules[k].isc_a, static_cast<float>(list[k].isc_a));
  }
  // The estimated wiring is the result file's matrix, row by row; the initial
  // one holds the modules sorted by current.
  ASSERT_EQ(in.estimated.size(), 4u);
  std::istringstream result(ReadFile(dir / "r.csv"));
  std::string line;
  for (int k = 0; k < 7; ++k) std::getline(result, line);
  for (const StringWiring& string : in.estimated) {
    ASSERT_EQ(string.size(), 6u);
    for (int index : string) {
      ASSERT_TRUE(std::getline(result, line));
      const ModuleData& m = in.modules[static_cast<std::size_t>(index)];
      EXPECT_NE(line.find("," + std::to_string(static_cast<int>(m.number)) + ",\"" + m.serial + "\","),
                std::string::npos)
          << line;
    }
  }
  double previous = 0;
  for (const StringWiring& string : in.initial) {
    for (int index : string) {
      EXPECT_GE(in.modules[static_cast<std::size_t>(index)].ipm_a, previous);
      previous = in.modules[static_cast<std::size_t>(index)].ipm_a;
    }
  }
  EXPECT_EQ(in.estimated_point.pmax_w, plan.final.EstimatedPoint.Pmax);
  EXPECT_EQ(in.sum_pmax_w, plan.baseline.SimplePmaxSum);
  // Both wirings use every module once.
  EXPECT_TRUE(SameModules(in.initial, in.estimated));
  // A plan whose counts failed a check holds no array to assess.
  PlanResult failed = plan;
  failed.failed = CountCheck::ModuleCount;
  EXPECT_THROW((void)AssessmentInputOfPlan(failed, ExtrasUse::VocIsc, AssessConditions{}, InverterProfile{}), RunError);
}

TEST(PlanAssessmentInput, ReadsTheTwoFurtherColumnsEitherWay) {
  TempDir dir{"voltrigg-assess"};
  WriteFile(dir / "list.csv", "No,S/N,Pmax,Vpm,Ipm,a,b\r\n7,\"A,1\",250,30,8.3,8.85,37.5\r\n");
  const PlanResult plan = Plan(PlanRequest{.list_path = dir / "list.csv", .input_name = "list.csv", .counts = {1, 1}});
  const std::vector<ModuleData> swapped = ModulesForAssessment(plan.rows, ExtrasUse::IscVoc);
  ASSERT_EQ(swapped.size(), 1u);
  EXPECT_EQ(swapped[0].serial, "A,1");
  EXPECT_EQ(swapped[0].voc_v, 37.5);
  EXPECT_EQ(swapped[0].isc_a, static_cast<float>(8.85));
  const std::vector<ModuleData> plain = ModulesForAssessment(plan.rows, ExtrasUse::VocIsc);
  EXPECT_EQ(plain[0].voc_v, static_cast<float>(8.85));
  EXPECT_THROW((void)Plan(PlanRequest{.list_path = dir / "missing.csv", .input_name = "missing.csv", .counts = {1, 1}}),
               RunError);
}

// ------------------------------------------------------------ voltrigg-cli

std::string ListFile(const std::vector<GeneratedModule>& modules) { return testing::FormatModuleList(modules); }

TEST(CliAssess, WritesTheAssessmentBesideAnUnchangedResultFile) {
  TempDir dir{"voltrigg-assess"};
  WriteFile(dir / "list.csv", ListFile(testing::GenerateModules(40, 9)));
  const CliResult plain = Cli(dir, "-s 10 -p 4 -o " + (dir / "plain") + " " + (dir / "list.csv"));
  ASSERT_EQ(plain.status, 0) << plain.err;
  const CliResult r = Cli(dir, "-s 10 -p 4 -o " + (dir / "r") + " --assess " + (dir / "list.csv"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir / "r.csv"), ReadFile(dir / "plain.csv"));
  EXPECT_FALSE(std::filesystem::exists(dir / "plain.assessment.json"));
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.find("計算が終了しました"), 0u);
  for (const char* row : {"Initial ", "Estimated ", "Optimized ", "Random, mean of 100", "Random, worst",
                          "Voltage check (Estimated)", ": OK"}) {
    EXPECT_NE(r.out.find(row), std::string::npos) << row;
  }
  const auto j = nlohmann::json::parse(ReadFile(dir / "r.assessment.json"));
  EXPECT_EQ(j["modules"], 40);
  EXPECT_EQ(j["module_curves"].size(), 40u);
  EXPECT_EQ(j["arrangements"]["estimated"]["strings"].size(), 4u);
  // Module curves in list order: the list's first row first.
  const std::vector<GeneratedModule> list = testing::GenerateModules(40, 9);
  EXPECT_EQ(j["module_curves"][0]["no"], list[0].module_no);
  EXPECT_EQ(j["module_curves"][39]["serial"], list[39].serial_no);
  const double planned = j["planning_figures"]["estimated"]["pmax_w"];
  EXPECT_GT(j["arrangements"]["estimated"]["pmp_w"].get<double>(), planned);
}

TEST(CliAssess, ColdStringsAboveTheLimitWarnButComplete) {
  TempDir dir{"voltrigg-assess"};
  WriteFile(dir / "list.csv", ListFile(testing::GenerateModules(40, 9)));
  const CliResult r = Cli(dir, "-s 20 -p 2 -o " + (dir / "r") +
                                   " --assess --tmin -25 --voc-coefficient -0.35 "
                                   "--max-system-voltage 600 " +
                                   (dir / "list.csv"));
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("warning: string 1 reaches"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("warning: string 2 reaches"), std::string::npos);
  EXPECT_NE(r.out.find("ABOVE THE LIMIT"), std::string::npos);
  const auto j = nlohmann::json::parse(ReadFile(dir / "r.assessment.json"));
  EXPECT_EQ(j["voltage_check"]["ok"], false);
  EXPECT_EQ(j["voltage_check"]["limit_v"], 600);
  EXPECT_EQ(j["conditions"]["tmin_c"], -25);
  EXPECT_EQ(j["conditions"]["voc_coefficient_pct_per_k"], -0.35);
}

TEST(CliAssess, BadCurveDataKeepsTheResultFileAndRemovesAnOldAssessment) {
  TempDir dir{"voltrigg-assess"};
  std::vector<GeneratedModule> list = testing::GenerateModules(8, 4);
  WriteFile(dir / "list.csv", ListFile(list));
  ASSERT_EQ(Cli(dir, "-s 4 -p 2 -o " + (dir / "r") + " --assess " + (dir / "list.csv")).status, 0);
  ASSERT_TRUE(std::filesystem::exists(dir / "r.assessment.json"));

  list[5].voc_v = list[5].vpm_v;  // Voc not above Vpm
  WriteFile(dir / "list.csv", ListFile(list));
  CliResult r = Cli(dir, "-s 4 -p 2 -o " + (dir / "r") + " --assess " + (dir / "list.csv"));
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(std::filesystem::exists(dir / "r.csv"));
  EXPECT_FALSE(std::filesystem::exists(dir / "r.assessment.json"));
  EXPECT_NE(r.err.find("module " + std::to_string(list[5].module_no) + " (S/N " + list[5].serial_no), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("Voc is not above Vpm"), std::string::npos);
  EXPECT_NE(r.out.find("計算が終了しました"), std::string::npos);

  // Columns 6 and 7 empty: the message says what the assessment needs there.
  std::string text = "No,S/N,Pmax,Vpm,Ipm,,\r\n";
  for (int k = 1; k <= 4; ++k) text += std::to_string(k) + ",S" + std::to_string(k) + ",250,30,8.3,,\r\n";
  WriteFile(dir / "empty.csv", text);
  r = Cli(dir, "-s 2 -p 2 -o " + (dir / "e") + " --assess " + (dir / "empty.csv"));
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(std::filesystem::exists(dir / "e.csv"));
  EXPECT_NE(r.err.find("module 1 (S/N S1, row 1 of the list): Voc is missing or zero"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Voc [V] in column 6 and Isc [A] in column 7"), std::string::npos);
  EXPECT_NE(r.err.find("--extras isc,voc"), std::string::npos);

  // The two columns the other way round work with --extras isc,voc.
  for (GeneratedModule& m : list) std::swap(m.voc_v, m.isc_a);
  list[5].isc_a = list[5].vpm_v * 1.2;
  WriteFile(dir / "swapped.csv", ListFile(list));
  EXPECT_EQ(Cli(dir, "-s 4 -p 2 -o " + (dir / "s") + " --assess " + (dir / "swapped.csv")).status, 2);
  EXPECT_EQ(Cli(dir, "-s 4 -p 2 -o " + (dir / "s") + " --assess --extras isc,voc " + (dir / "swapped.csv")).status, 0);
}

TEST(CliAssess, ARunWithoutAssessRemovesTheAssessmentOfAnEarlierRun) {
  TempDir dir{"voltrigg-assess"};
  WriteFile(dir / "list.csv", ListFile(testing::GenerateModules(100, 5)));
  ASSERT_EQ(Cli(dir, "-s 10 -p 10 -o " + (dir / "stale") + " --assess " + (dir / "list.csv")).status, 0);
  ASSERT_TRUE(std::filesystem::exists(dir / "stale.assessment.json"));
  // A failed run leaves both files as they belong together.
  EXPECT_EQ(Cli(dir, "-s 10 -p 9 -o " + (dir / "stale") + " " + (dir / "list.csv")).status, 1);
  EXPECT_TRUE(std::filesystem::exists(dir / "stale.assessment.json"));
  const CliResult r = Cli(dir, "-s 20 -p 5 -o " + (dir / "stale") + " " + (dir / "list.csv"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(std::filesystem::exists(dir / "stale.csv"));
  EXPECT_FALSE(std::filesystem::exists(dir / "stale.assessment.json"));
}

TEST(CliAssess, MissingVocAndIscNameTenModulesThenACountAndHintOnce) {
  TempDir dir{"voltrigg-assess"};
  std::string text = "No,S/N,Pmax,Vpm,Ipm,,\r\n";
  for (int k = 1; k <= 100; ++k) text += std::to_string(k) + ",S" + std::to_string(k) + ",250,30,8.3,,\r\n";
  WriteFile(dir / "bare.csv", text);
  const CliResult r = Cli(dir, "-s 10 -p 10 -o " + (dir / "b") + " --assess " + (dir / "bare.csv"));
  EXPECT_EQ(r.status, 2);
  EXPECT_LE(std::count(r.err.begin(), r.err.end(), '\n'), 13) << r.err;
  EXPECT_NE(r.err.find("module 10 (S/N S10, row 10 of the list)"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("module 11 (S/N S11"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("and 90 more modules"), std::string::npos) << r.err;
  const std::string hint = "Voc [V] in column 6 and Isc [A] in column 7";
  EXPECT_NE(r.err.find(hint), std::string::npos);
  EXPECT_EQ(r.err.find(hint), r.err.rfind(hint));
}

TEST(CliAssess, AnAssessmentFileThatCannotBeWrittenFailsButKeepsTheResult) {
  TempDir dir{"voltrigg-assess"};
  WriteFile(dir / "list.csv", ListFile(testing::GenerateModules(8, 4)));
  std::filesystem::create_directories(dir / "r.assessment.json/keep");
  const CliResult r = Cli(dir, "-s 4 -p 2 -o " + (dir / "r") + " --assess " + (dir / "list.csv"));
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(std::filesystem::exists(dir / "r.csv"));
  EXPECT_NE(r.err.find("r.assessment.json"), std::string::npos) << r.err;
  EXPECT_TRUE(std::filesystem::is_directory(dir / "r.assessment.json/keep"));  // a folder is never removed
  EXPECT_EQ(r.out.find("Assessment file:"), std::string::npos);
}

TEST(CliAssess, AssessmentOptionsNeedAssess) {
  TempDir dir{"voltrigg-assess"};
  WriteFile(dir / "list.csv", ListFile(testing::GenerateModules(4, 4)));
  EXPECT_EQ(Cli(dir, "-s 2 -p 2 -o " + (dir / "r") + " --tmin -20 " + (dir / "list.csv")).status, 64);
  EXPECT_EQ(Cli(dir, "-s 2 -p 2 -o " + (dir / "r") + " --assess --extras voc " + (dir / "list.csv")).status, 64);
  EXPECT_EQ(Cli(dir, "-s 2 -p 2 -o " + (dir / "r") + " --assess --max-system-voltage 0 " + (dir / "list.csv")).status,
            64);
  EXPECT_FALSE(std::filesystem::exists(dir / "r.csv"));
}

// ------------------------------------------------ conditions that fail closed

namespace {

AssessConditions Conditions(double tmin_c, double voc_coefficient_pct_per_k, double max_system_voltage_v) {
  AssessConditions c;
  c.tmin_c = tmin_c;
  c.voc_coefficient_pct_per_k = voc_coefficient_pct_per_k;
  c.max_system_voltage_v = max_system_voltage_v;
  return c;
}

}  // namespace

TEST(Conditions, TheDefaultsAndTheEdgesPassNonsenseIsRefusedNamingTheOption) {
  EXPECT_FALSE(ValidateConditions(AssessConditions{}));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double tmin_c, coefficient, limit_v;
    const char* refused;  // the option named, nullptr when allowed
  };
  const Case cases[] = {
      {-60, -1, 3000, nullptr},
      {40, -0.05, 1e-9, nullptr},
      {nan, -0.3, 1000, "--tmin"},
      {inf, -0.3, 1000, "--tmin"},
      {-inf, -0.3, 1000, "--tmin"},
      {-60.001, -0.3, 1000, "--tmin"},
      {40.001, -0.3, 1000, "--tmin"},
      {-10, 0.3, 1000, "--voc-coefficient"},     // the sign typed wrong
      {-10, -0.003, 1000, "--voc-coefficient"},  // a fraction instead of %/K
      {-10, -1.001, 1000, "--voc-coefficient"},
      {-10, nan, 1000, "--voc-coefficient"},
      {-10, -0.3, 0, "--max-system-voltage"},
      {-10, -0.3, -600, "--max-system-voltage"},
      {-10, -0.3, 3000.5, "--max-system-voltage"},
      {-10, -0.3, nan, "--max-system-voltage"},
      {-10, -0.3, inf, "--max-system-voltage"},
  };
  for (const Case& c : cases) {
    const auto fault = ValidateConditions(Conditions(c.tmin_c, c.coefficient, c.limit_v));
    if (c.refused == nullptr) {
      EXPECT_FALSE(fault) << c.tmin_c << " " << c.coefficient << " " << c.limit_v;
      continue;
    }
    ASSERT_TRUE(fault) << c.refused;
    EXPECT_EQ("--" + std::string(KeyOf(fault->limit.condition)), c.refused);
    // voltrigg-cli's words name the option and the range.
    const std::string text = ConditionFaultText(*fault, Language::English);
    EXPECT_EQ(text.rfind(c.refused, 0), 0u) << text;
    EXPECT_NE(text.find(LimitRangeText(fault->limit)), std::string::npos) << text;
  }
  EXPECT_EQ(LimitRangeText(kMaxSystemVoltageLimit), "above 0 and at most 3000 V");
  EXPECT_EQ(LimitRangeText(kTminLimit), "from -60 to 40 °C");
}

// Every string whose cold voltage is not at or below the limit must make the
// check fail, whatever the options; options that make no sense are refused.
TEST(Conditions, NoAssessmentSaysOkForAStringAboveTheLimitOverTheOptionSpace) {
  const std::vector<ModuleData> modules = AsModuleData(testing::GenerateModules(40, 3));
  const std::vector<ModuleCurve> curves = FitAll(modules);
  const Wiring w = InOrder(40, 20);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<double> temperatures = {nan, -inf, -1e9, -100, -60, -25, -10, 0, 25, 40, 41, 100, inf};
  const std::vector<double> coefficients = {nan, -inf, -5, -1, -0.45, -0.3, -0.05, -0.003, 0, 0.3, 5, inf};
  const std::vector<double> limits = {nan, -inf, -1, 0, 1e-300, 600, 750, 760, 800, 1000, 1500, 3000, 3001, inf};
  int refused = 0;
  int assessed = 0;
  int over = 0;
  for (double t : temperatures) {
    for (double b : coefficients) {
      for (double limit : limits) {
        const AssessConditions c = Conditions(t, b, limit);
        if (ValidateConditions(c)) {
          ++refused;
          continue;
        }
        ++assessed;
        const VoltageCheck check = CheckStringVoltages(AssessArrangement(modules, curves, w, c), c);
        bool all_within = true;
        for (const StringFigures& s : AssessArrangement(modules, curves, w, c).strings) {
          all_within = all_within && s.voc_cold_v <= limit;
        }
        over += all_within ? 0 : 1;
        EXPECT_EQ(check.ok, all_within) << t << " " << b << " " << limit;
        EXPECT_EQ(check.strings_over.empty(), all_within);
      }
    }
  }
  EXPECT_GT(assessed, 50);
  EXPECT_GT(over, 10);
  EXPECT_GT(refused, 1000);
  // Called directly with nonsense, the check itself still fails closed.
  AssessConditions bad;
  ArrangementFigures f = AssessArrangement(modules, curves, w, bad);
  bad.max_system_voltage_v = nan;
  EXPECT_FALSE(CheckStringVoltages(f, bad).ok);
  f.strings[1].voc_cold_v = nan;
  const VoltageCheck with_nan = CheckStringVoltages(f, AssessConditions{});
  EXPECT_FALSE(with_nan.ok);
  EXPECT_TRUE(std::isnan(with_nan.max_string_voc_cold_v));
  // The whole assessment refuses conditions that make no sense.
  AssessmentInput in;
  in.modules = modules;
  in.series = 20;
  in.parallel = 2;
  in.initial = w;
  in.estimated = w;
  in.conditions.tmin_c = nan;
  EXPECT_THROW(AssessResultWiring(in), std::invalid_argument);
}

// ---------------------------------------------------- curve fit at the edges

TEST(CurveFit, VocOrIscJustAboveVpmOrIpmGivesACurveOrANamedProblem) {
  const std::vector<ModuleData> lot = AsModuleData(testing::GenerateModules(20, 8));
  // How far above Vpm (Ipm) Voc (Isc) lies: -1 keeps the measured value,
  // 0 is the next double up.
  const double above[] = {-1, 0, 1e-12, 1e-6, 1e-3, 0.02};
  int fitted = 0;
  int named = 0;
  for (const ModuleData& base : lot) {
    for (double voc_above : above) {
      for (double isc_above : above) {
        ModuleData m = base;
        if (voc_above >= 0) m.voc_v = voc_above == 0 ? std::nextafter(m.vpm_v, 1e9) : m.vpm_v * (1 + voc_above);
        if (isc_above >= 0) m.isc_a = isc_above == 0 ? std::nextafter(m.ipm_a, 1e9) : m.ipm_a * (1 + isc_above);
        const CurveFit f = FitModuleCurve(m);
        if (f.problem != FitProblem::None) {
          ++named;
          EXPECT_NE(std::string(FitProblemText(f.problem)), "fits");
          continue;
        }
        ++fitted;
        ASSERT_TRUE(CurveUsable(f.curve)) << m.voc_v << " " << m.isc_a;
        EXPECT_LT(Rel(ModuleVoltageV(f.curve, 0), m.voc_v), 1e-6) << voc_above << " " << isc_above;
        EXPECT_LT(Rel(ModuleVoltageV(f.curve, m.ipm_a), m.vpm_v), 1e-6) << voc_above << " " << isc_above;
        EXPECT_TRUE(std::isfinite(ArrayMaximumPowerPoint({f.curve}, {{0}}).pmp_w));
      }
    }
  }
  EXPECT_GE(fitted, 20);
  EXPECT_GT(named, 100);
}

TEST(CurveFit, ACurveTooSquareForDoublesIsNamedAsSuch) {
  // Isc only 10 mA above Ipm: the root lies where I0 underflows to zero.
  const CurveFit f = FitModuleCurve(32.4, 9.06, 39.46, 9.07);
  EXPECT_EQ(f.problem, FitProblem::I0Underflow);
  EXPECT_NE(std::string(FitProblemText(f.problem)).find("saturation current"), std::string::npos);
}

TEST(CurveFunctions, RefuseCurvesThatAreNotFiniteOrNotPositive) {
  const ModuleCurve good = FitModuleCurve(30, 8.3, 37, 8.8).curve;
  ASSERT_TRUE(CurveUsable(good));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<ModuleCurve> bad_ones(6, good);
  bad_ones[0].i0_a = 0;
  bad_ones[1].a_v = -1;
  bad_ones[2].il_a = nan;
  bad_ones[3].rs_ohm = std::numeric_limits<double>::infinity();
  bad_ones[4].rs_ohm = -10;  // the current would rise with the voltage
  bad_ones[5].i0_a = nan;
  for (const ModuleCurve& bad : bad_ones) {
    EXPECT_FALSE(CurveUsable(bad));
    EXPECT_THROW(ModuleVoltageV(bad, 1), std::invalid_argument);
    EXPECT_THROW(ModuleCurrentA(bad, 1), std::invalid_argument);
    const std::vector<ModuleCurve> curves = {good, bad, good, good};
    EXPECT_THROW(ArrayMaximumPowerPoint(curves, {{0, 1}, {2, 3}}), std::invalid_argument);
    EXPECT_THROW(StringVocV(curves, {1}), std::invalid_argument);
    EXPECT_THROW(OptimizeWiring(curves, {{0, 1}, {2, 3}}), std::invalid_argument);
    EXPECT_THROW(AssessRandomWiring(curves, {{0, 1}, {2, 3}}, 3, 1), std::invalid_argument);
  }
}

TEST(ArrayCurve, TheMaximumPowerPointIsOnTheCurveByAnIndependentSolver) {
  const ModuleData healthy{1, "H", 300, 32.4, 9.06, 39.5, 9.57};
  ModuleData weak = healthy;
  weak.ipm_a *= 0.6;
  weak.isc_a *= 0.6;
  std::vector<ModuleCurve> curves;
  for (int k = 0; k < 30; ++k) curves.push_back(FitModuleCurve(k % 7 == 0 ? weak : healthy).curve);
  for (const Wiring& w : {InOrder(30, 10), InOrder(30, 15), Wiring{{0, 1, 2, 3}, {4, 5, 6, 7, 8, 9, 10}}}) {
    const PowerPoint p = ArrayMaximumPowerPoint(curves, w);
    double i = 0;
    for (const StringWiring& s : w) i += IndependentStringCurrentA(curves, s, p.vmp_v, 20);
    EXPECT_LT(Rel(p.vmp_v * i, p.pmp_w), 1e-9);
    EXPECT_LT(Rel(i, p.imp_a), 1e-9);
  }
}

// ------------------------------------------------------- the two parts

AssessmentInput GeneratedInput(int count, int series, std::uint64_t seed) {
  AssessmentInput in;
  in.modules = AsModuleData(testing::GenerateModules(count, seed));
  in.series = series;
  in.parallel = count / series;
  in.initial = InOrder(count, series);
  // Another wiring of the same modules: reversed.
  Wiring reversed = in.initial;
  for (StringWiring& s : reversed) {
    for (int& k : s) k = count - 1 - k;
  }
  in.estimated = reversed;
  return in;
}

TEST(AssessmentParts, TheTwoPartsAreTheWholeRunAndAStopLeavesItIncomplete) {
  const AssessmentInput in = GeneratedInput(60, 10, 12);
  const AssessmentOutcome whole = AssessRun(in);
  ASSERT_TRUE(whole.assessment);
  EXPECT_TRUE(whole.assessment->complete);

  AssessmentOutcome first = AssessResultWiring(in);
  ASSERT_TRUE(first.assessment);
  EXPECT_FALSE(first.assessment->complete);
  EXPECT_EQ(first.assessment->voltage_check.ok, whole.assessment->voltage_check.ok);
  Assessment completed = *first.assessment;
  EXPECT_EQ(CompleteAssessment(completed), Completion::Done);
  EXPECT_EQ(FormatAssessmentJson(completed), FormatAssessmentJson(*whole.assessment));

  std::stop_source stop;
  stop.request_stop();
  Assessment stopped = *first.assessment;
  EXPECT_EQ(CompleteAssessment(stopped, stop.get_token()), Completion::Stopped);
  EXPECT_FALSE(stopped.complete);
  // A stopped optimiser still returns a wiring of the same modules, never below its seed.
  const Wiring seed = InOrder(60, 10);
  const Wiring early = OptimizeWiring(first.assessment->curves, seed, stop.get_token());
  EXPECT_TRUE(SameModules(early, seed));
  EXPECT_GE(ArrayMaximumPowerPoint(first.assessment->curves, early).pmp_w,
            ArrayMaximumPowerPoint(first.assessment->curves, seed).pmp_w);
}

TEST(AssessmentParts, ProgressIsToldInOrderToItsEndAndChangesNoFigure) {
  // Small and larger arrays: one search only, the shaken searches, a string of one module.
  for (const auto& [count, series] : {std::pair{60, 10}, std::pair{300, 15}, std::pair{4, 4}, std::pair{12, 1}}) {
    const AssessmentInput in = GeneratedInput(count, series, 40 + static_cast<std::uint64_t>(count));
    AssessmentOutcome first = AssessResultWiring(in);
    ASSERT_TRUE(first.assessment);
    Assessment plain = *first.assessment;
    Assessment told = *first.assessment;
    ASSERT_EQ(CompleteAssessment(plain), Completion::Done);
    std::vector<CompletionProgress> steps;
    ASSERT_EQ(CompleteAssessment(told, {}, [&](const CompletionProgress& p) { steps.push_back(p); }), Completion::Done);
    EXPECT_EQ(FormatAssessmentJson(told), FormatAssessmentJson(plain)) << count;

    ASSERT_FALSE(steps.empty());
    const CompletionProgress& last = steps.back();
    EXPECT_EQ(last.percent, 100.0) << count;
    EXPECT_EQ(last.searches_done, last.searches_total);
    EXPECT_GE(last.searches_total, 1);
    EXPECT_EQ(last.random_done, kRandomWiringSamples);
    EXPECT_EQ(last.random_total, kRandomWiringSamples);
    EXPECT_EQ(static_cast<int>(steps.size()), last.searches_total + last.random_total) << "one step each";
    for (std::size_t k = 1; k < steps.size(); ++k) {
      EXPECT_GT(steps[k].percent, steps[k - 1].percent) << count << " step " << k;
      EXPECT_GE(steps[k].searches_done, steps[k - 1].searches_done);
      EXPECT_GE(steps[k].random_done, steps[k - 1].random_done);
      EXPECT_LE(steps[k].percent, 100.0);
    }
  }
  // The optimiser alone, told or not, ends in the same wiring.
  const AssessmentInput in = GeneratedInput(200, 20, 5);
  const std::vector<ModuleCurve> curves = FitAll(in.modules);
  int calls = 0;
  EXPECT_EQ(OptimizeWiring(curves, in.initial, {},
                           [&](int done, int total) {
                             ++calls;
                             EXPECT_EQ(done, calls);
                             EXPECT_GE(total, done);
                           }),
            OptimizeWiring(curves, in.initial));
  EXPECT_GT(calls, 1);
}

// ------------------------------------------------------------ voltrigg-cli

TEST(CliAssess, ConditionsThatMakeNoSenseExit64AndWriteNothing) {
  TempDir dir{"voltrigg-assess"};
  WriteFile(dir / "list.csv", ListFile(testing::GenerateModules(60, 9)));
  WriteFile(dir / "r.csv", "keep");
  for (const std::string option :
       {"--tmin nan", "--tmin inf", "--tmin -61", "--voc-coefficient 0.3", "--voc-coefficient -0.003",
        "--voc-coefficient nan", "--max-system-voltage 0", "--max-system-voltage nan", "--max-system-voltage 1e9"}) {
    const CliResult r = Cli(dir, "-s 20 -p 3 -o " + (dir / "r") + " --assess " + option + " " + (dir / "list.csv"));
    EXPECT_EQ(r.status, 64) << option;
    EXPECT_NE(r.err.find(option.substr(0, option.find(' ')) + " must be a number "), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(dir / "r.csv"), "keep") << option;
    EXPECT_FALSE(std::filesystem::exists(dir / "r.assessment.json")) << option;
  }
  // The same run at a sensible temperature warns about all three strings.
  const CliResult ok =
      Cli(dir, "-s 20 -p 3 -o " + (dir / "r") + " --assess --max-system-voltage 600 --tmin -10 " + (dir / "list.csv"));
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_NE(ok.out.find("ABOVE THE LIMIT"), std::string::npos);
  EXPECT_EQ(nlohmann::json::parse(ReadFile(dir / "r.assessment.json"))["voltage_check"]["ok"], false);
}

}  // namespace
}  // namespace voltrigg
