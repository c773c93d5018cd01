// Plant planning timings.
//
//   plant_bench [Google Benchmark options]
//       generated lots of 20 000 modules: reading the list, fitting the
//       curves, one evaluation of every input, the pallets fill, a whole plan.
//   plant_bench --plan LIST... --layout PLANT.json -o BASE [--sort S] [--threads N] [--read-only]
//       one whole plan as voltrigg-cli plant makes it (the three files
//       written atomically), the time of each stage on standard error; with
//       --read-only only the lists are read. For timing whole processes
//       against another command.
#include <benchmark/benchmark.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "output/result_file.h"
#include "plant/plant_plan.h"
#include "support/plant_lot.h"

namespace {

using namespace voltrigg;
using Clock = std::chrono::steady_clock;

constexpr int kLotModules = 20000;

std::string Layout(int modules, int series, int strings_per_input, int inputs) {
  std::string per_input;
  for (int i = 0; i < inputs; ++i) per_input += (i > 0 ? ", " : "") + std::to_string(strings_per_input);
  return "{\"modules_per_string\": " + std::to_string(series) + ", \"inverter_groups\": [{\"prefix\": \"INV\", " +
         "\"count\": " + std::to_string(modules / (series * strings_per_input * inputs)) +
         ", \"strings_per_input\": [" + per_input + "], \"profile\": {\"max_dc_voltage_v\": 1500, " +
         "\"mppt_min_v\": 500, \"mppt_max_v\": 1500, \"max_input_current_a\": 30, " +
         "\"max_short_circuit_current_a\": 50}}]}";
}

PlantRequest Request(int modules) {
  testing::PlantLotShape shape;
  shape.modules = modules;
  PlantRequest r;
  r.lists.push_back(PlantSource{"lot.csv", "", testing::FormatPlantCsv(testing::GeneratePlantLot(shape))});
  r.layout = PlantSource{"plant.json", "", Layout(modules, 25, 2, 12)};
  r.conditions.max_system_voltage_v = 1500;
  return r;
}

const PlantRequest& Lot() {
  static const PlantRequest request = Request(kLotModules);
  return request;
}

void BM_ReadLists(benchmark::State& state) {
  for (auto _ : state) {
    auto reading = plant::ReadPlantLists(Lot().lists, ExtrasUse::VocIsc, plant::PalletColumn::Optional);
    benchmark::DoNotOptimize(reading.lot.vmp_v.data());
  }
  state.SetItemsProcessed(state.iterations() * kLotModules);
}
BENCHMARK(BM_ReadLists)->Unit(benchmark::kMillisecond);

void BM_FitLot(benchmark::State& state) {
  const auto reading = plant::ReadPlantLists(Lot().lists, ExtrasUse::VocIsc, plant::PalletColumn::Optional);
  for (auto _ : state) {
    std::vector<std::pair<std::size_t, FitProblem>> problems;
    auto curves = plant::FitLot(reading.lot, problems);
    benchmark::DoNotOptimize(curves.curves.data());
  }
  state.SetItemsProcessed(state.iterations() * kLotModules);
}
BENCHMARK(BM_FitLot)->Unit(benchmark::kMillisecond);

void BM_EvaluateInputs(benchmark::State& state) {
  const auto reading = plant::ReadPlantLists(Lot().lists, ExtrasUse::VocIsc, plant::PalletColumn::Optional);
  std::vector<std::pair<std::size_t, FitProblem>> problems;
  const auto curves = plant::FitLot(reading.lot, problems);
  const auto layout = plant::ReadPlantLayout(Lot().layout);
  const auto structure = plant::ExpandLayout(*layout.layout);
  for (auto _ : state) {
    auto mode = plant::EvaluateSlots(plant::DeliveredSlots(static_cast<std::size_t>(structure.modules())), structure,
                                     curves, reading.lot);
    benchmark::DoNotOptimize(mode.figures.pmp_w);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(structure.inputs.size()));
}
BENCHMARK(BM_EvaluateInputs)->Unit(benchmark::kMillisecond);

void BM_PalletFill(benchmark::State& state) {
  const auto reading = plant::ReadPlantLists(Lot().lists, ExtrasUse::VocIsc, plant::PalletColumn::Required);
  std::vector<std::pair<std::size_t, FitProblem>> problems;
  const auto curves = plant::FitLot(reading.lot, problems);
  const auto layout = plant::ReadPlantLayout(Lot().layout);
  const auto structure = plant::ExpandLayout(*layout.layout);
  const auto windows = plant::WindowsOf(reading.lot, 25, static_cast<std::size_t>(structure.strings()), 2);
  for (auto _ : state) {
    auto slots = plant::PalletSlots(reading.lot, curves.traits, 25, windows, plant::PalletAnchor::ClosingFirst);
    benchmark::DoNotOptimize(slots.data());
  }
}
BENCHMARK(BM_PalletFill)->Unit(benchmark::kMillisecond);

void BM_PlanPlant(benchmark::State& state) {
  for (auto _ : state) {
    auto outcome = PlanPlant(Lot());
    benchmark::DoNotOptimize(outcome.files.plant_json.data());
  }
}
BENCHMARK(BM_PlanPlant)->Unit(benchmark::kMillisecond);

// The process's processor time so far, all threads.
double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

const char* StageName(PlantStage stage) {
  switch (stage) {
    case PlantStage::ReadingLists:
      return "read lists";
    case PlantStage::FittingCurves:
      return "fit curves";
    case PlantStage::Placing:
      return "placing";
    case PlantStage::Checks:
      return "checks";
    case PlantStage::Writing:
      break;
  }
  return "format";
}

int RunPlan(int argc, char** argv) {
  CLI::App app{"One whole plant plan, timed by stage.", "plant_bench --plan"};
  std::vector<std::string> lists;
  std::string layout;
  std::string base;
  std::string sort = "free";
  int threads = 0;
  int window = 2;
  bool read_only = false;
  bool plan = false;
  app.add_flag("--plan", plan);
  app.add_option("lists", lists)->required();
  app.add_option("--layout", layout);
  app.add_option("-o", base);
  app.add_option("--sort", sort)->check(CLI::IsMember({"delivered", "pallets", "free"}));
  app.add_option("--threads", threads);
  app.add_option("--pallet-window", window);
  app.add_flag("--read-only", read_only);
  CLI11_PARSE(app, argc, argv);

  PlantRequest request;
  for (const std::string& path : lists) request.lists.push_back(PlantSource{path, path, std::nullopt});
  request.layout = PlantSource{layout, layout, std::nullopt};
  request.sort = *PlantSortNamed(sort);
  request.pallet_window = window;
  request.threads = threads;
  request.conditions.max_system_voltage_v = 1500;
  const Clock::time_point start = Clock::now();
  if (read_only) {
    const auto reading = plant::ReadPlantLists(request.lists, ExtrasUse::VocIsc, plant::PalletColumn::Optional);
    std::fprintf(stderr, "read lists: %.3f s, %zu modules, %zu faults\n",
                 std::chrono::duration<double>(Clock::now() - start).count(), reading.lot.size(),
                 reading.faults.size());
    return reading.faults.empty() ? 0 : 2;
  }
  Clock::time_point last = start;
  double last_cpu = CpuSeconds();
  const char* current = "start";
  request.progress = [&](PlantStage stage) {
    const Clock::time_point now = Clock::now();
    const double cpu = CpuSeconds();
    std::fprintf(stderr, "%-12s %.3f s (cpu %.3f s)\n", current, std::chrono::duration<double>(now - last).count(),
                 cpu - last_cpu);
    last = now;
    last_cpu = cpu;
    current = StageName(stage);
  };
  const PlantOutcome outcome = PlanPlant(request);
  if (outcome.Refused()) {
    std::fprintf(stderr, "refused: %zu faults (first of kind %d, line %lld)\n", outcome.faults.size(),
                 static_cast<int>(outcome.faults.front().kind), static_cast<long long>(outcome.faults.front().line));
    return 2;
  }
  WriteFileAtomically(base + ".register.csv", outcome.files.register_csv);
  WriteFileAtomically(base + ".picklist.csv", outcome.files.picklist_csv);
  WriteFileAtomically(base + ".plant.json", outcome.files.plant_json);
  const Clock::time_point end = Clock::now();
  std::fprintf(stderr, "%-12s %.3f s (cpu %.3f s)\ntotal        %.3f s (cpu %.3f s)\n", current,
               std::chrono::duration<double>(end - last).count(), CpuSeconds() - last_cpu,
               std::chrono::duration<double>(end - start).count(), CpuSeconds());
  const PlantSummary& s = outcome.summary;
  std::fprintf(stderr, "modules %lld used, %lld spare; Pmp %.1f W, mismatch %.5f %% (delivered %.5f %%",
               static_cast<long long>(s.modules_used), static_cast<long long>(s.modules_spare), s.plant.pmp_w,
               s.plant.mismatch_loss_pct, s.modes[0]->mismatch_loss_pct);
  if (s.modes[1]) std::fprintf(stderr, ", pallets %.5f %%", s.modes[1]->mismatch_loss_pct);
  std::fprintf(stderr, ", free %.5f %%); inputs searched %lld\n", s.modes[2]->mismatch_loss_pct,
               static_cast<long long>(s.inputs_searched));
  return s.ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--plan") == 0) return RunPlan(argc, argv);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
