// Timings of the physical assessment: the curve fit, the array's maximum
// power point, the wiring optimiser, the inverter window and a whole
// assessment, on generated module lists.
//
//   assess_bench                 Google Benchmark timings
//   assess_bench --compare [K]   the optimiser against the plain pairwise-swap
//                                search on K generated lists per size (default
//                                5) and one 1000-module list; prints the gains
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "assess/assessment.h"
#include "assess/inverter_window.h"
#include "assess/optimize.h"
#include "support/module_generator.h"

namespace {

using namespace voltrigg;

std::vector<ModuleData> Modules(int count, std::uint64_t seed) {
  std::vector<ModuleData> out;
  for (const testing::GeneratedModule& g : testing::GenerateModules(count, seed)) {
    out.push_back(ModuleData{static_cast<double>(static_cast<float>(g.module_no)), g.serial_no,
                             static_cast<float>(g.pmax_w), static_cast<float>(g.vpm_v), static_cast<float>(g.ipm_a),
                             static_cast<float>(g.voc_v), static_cast<float>(g.isc_a)});
  }
  return out;
}

std::vector<ModuleCurve> Curves(const std::vector<ModuleData>& modules) {
  std::vector<ModuleCurve> curves;
  for (const ModuleData& m : modules) curves.push_back(FitModuleCurve(m).curve);
  return curves;
}

// The planning run's initial arrangement: modules sorted by Ipm then Vpm,
// strings of `series` consecutive ones.
Wiring SortedWiring(const std::vector<ModuleData>& modules, int series) {
  std::vector<int> order(modules.size());
  for (std::size_t k = 0; k < order.size(); ++k) order[k] = static_cast<int>(k);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const ModuleData& x = modules[static_cast<std::size_t>(a)];
    const ModuleData& y = modules[static_cast<std::size_t>(b)];
    return x.ipm_a != y.ipm_a ? x.ipm_a < y.ipm_a : x.vpm_v < y.vpm_v;
  });
  Wiring w;
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (k % static_cast<std::size_t>(series) == 0) w.emplace_back();
    w.back().push_back(order[k]);
  }
  return w;
}

void BM_FitModules(benchmark::State& state) {
  const std::vector<ModuleData> modules = Modules(static_cast<int>(state.range(0)), 1);
  for (auto _ : state) {
    for (const ModuleData& m : modules) benchmark::DoNotOptimize(FitModuleCurve(m));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FitModules)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_MaximumPowerPoint(benchmark::State& state) {
  const int series = static_cast<int>(state.range(0));
  const int parallel = static_cast<int>(state.range(1));
  const std::vector<ModuleData> modules = Modules(series * parallel, 2);
  const std::vector<ModuleCurve> curves = Curves(modules);
  const Wiring w = SortedWiring(modules, series);
  for (auto _ : state) benchmark::DoNotOptimize(ArrayMaximumPowerPoint(curves, w));
}
BENCHMARK(BM_MaximumPowerPoint)
    ->Args({10, 10})
    ->Args({20, 5})
    ->Args({20, 50})
    ->Args({10, 100})
    ->Unit(benchmark::kMicrosecond);

void BM_OptimizeWiring(benchmark::State& state) {
  const int series = static_cast<int>(state.range(0));
  const int parallel = static_cast<int>(state.range(1));
  const std::vector<ModuleData> modules = Modules(series * parallel, 3);
  const std::vector<ModuleCurve> curves = Curves(modules);
  const Wiring w = SortedWiring(modules, series);
  for (auto _ : state) benchmark::DoNotOptimize(OptimizeWiring(curves, w));
}
BENCHMARK(BM_OptimizeWiring)->Args({10, 10})->Args({10, 20})->Args({20, 50})->Unit(benchmark::kMillisecond);

void BM_AssessRun(benchmark::State& state) {
  const int series = static_cast<int>(state.range(0));
  const int parallel = static_cast<int>(state.range(1));
  AssessmentInput in;
  in.modules = Modules(series * parallel, 4);
  in.series = series;
  in.parallel = parallel;
  in.initial = SortedWiring(in.modules, series);
  in.estimated = in.initial;
  for (auto _ : state) benchmark::DoNotOptimize(AssessRun(in));
}
BENCHMARK(BM_AssessRun)->Args({20, 50})->Unit(benchmark::kMillisecond);

// The whole inverter window: the curves carried to three temperatures, the
// array's MPP at two of them and its current at 0 V on the hot one.
void BM_InverterWindow(benchmark::State& state) {
  const int series = static_cast<int>(state.range(0));
  const int parallel = static_cast<int>(state.range(1));
  const std::vector<ModuleData> modules = Modules(series * parallel, 5);
  const std::vector<ModuleCurve> curves = Curves(modules);
  const Wiring w = SortedWiring(modules, series);
  InverterProfile inverter;
  inverter.max_dc_voltage_v = 1000;
  inverter.mppt_min_v = 450;
  inverter.mppt_max_v = 850;
  inverter.max_input_current_a = 500;
  inverter.max_short_circuit_current_a = 600;
  for (auto _ : state) benchmark::DoNotOptimize(AssessInverterWindow(modules, curves, w, AssessConditions{}, inverter));
}
BENCHMARK(BM_InverterWindow)->Args({10, 10})->Args({20, 50})->Args({10, 100})->Unit(benchmark::kMillisecond);

void BM_PlainSwapSearch(benchmark::State& state) {
  const std::vector<ModuleData> modules = Modules(100, 3);
  const std::vector<ModuleCurve> curves = Curves(modules);
  const Wiring w = SortedWiring(modules, 10);
  for (auto _ : state) benchmark::DoNotOptimize(OptimizeWiringBySwaps(curves, w));
}
BENCHMARK(BM_PlainSwapSearch)->Iterations(1)->Unit(benchmark::kMillisecond);

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// One line per list: the seed's Pmp and what each optimiser gains over it.
struct Compared {
  double fast_gain = 0;
  double plain_gain = 0;
};

Compared CompareOne(int series, int parallel, std::uint64_t seed, bool plain) {
  const std::vector<ModuleData> modules = Modules(series * parallel, seed);
  const std::vector<ModuleCurve> curves = Curves(modules);
  const Wiring start = SortedWiring(modules, series);
  const double p0 = ArrayMaximumPowerPoint(curves, start).pmp_w;
  auto t = std::chrono::steady_clock::now();
  const double pf = ArrayMaximumPowerPoint(curves, OptimizeWiring(curves, start)).pmp_w;
  const double tf = Seconds(t);
  Compared c{pf - p0, 0};
  double tp = 0;
  if (plain) {
    t = std::chrono::steady_clock::now();
    c.plain_gain = ArrayMaximumPowerPoint(curves, OptimizeWiringBySwaps(curves, start)).pmp_w - p0;
    tp = Seconds(t);
  }
  std::printf("%3dx%-3d seed %-3llu  sorted Pmp %12.4f W  optimiser +%9.4f W (%8.3f s)", series, parallel,
              static_cast<unsigned long long>(seed), p0, c.fast_gain, tf);
  if (plain)
    std::printf("  plain swaps +%9.4f W (%8.2f s)  ratio %.3f", c.plain_gain, tp,
                c.plain_gain > 0 ? c.fast_gain / c.plain_gain : 1.0);
  std::printf("\n");
  std::fflush(stdout);
  return c;
}

int Compare(int lists) {
  for (const auto& [series, parallel] : {std::pair{10, 10}, std::pair{10, 20}, std::pair{20, 10}}) {
    double fast = 0;
    double plain = 0;
    double worst = 1e300;
    for (int k = 1; k <= lists; ++k) {
      const Compared c = CompareOne(series, parallel, static_cast<std::uint64_t>(k), true);
      fast += c.fast_gain;
      plain += c.plain_gain;
      if (c.plain_gain > 0) worst = std::min(worst, c.fast_gain / c.plain_gain);
    }
    std::printf("%dx%d: mean gain optimiser %.4f W, plain %.4f W; lowest ratio %.3f\n\n", series, parallel,
                fast / lists, plain / lists, worst);
  }
  // The plain search needs hours at 1000 modules; the optimiser alone.
  CompareOne(20, 50, 1, false);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--compare") == 0) return Compare(argc >= 3 ? std::atoi(argv[2]) : 5);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
