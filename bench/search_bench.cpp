// Timings of one run's steps on generated module lists, for the plain and the
// fast arrangement search, and a summary table of how each grows with N.
//
//   voltrigg_bench                      all steps, all sizes, then the table
//   voltrigg_bench --benchmark_filter=fast   any Google Benchmark option works
//
// Sizes: N = 100, 250, 500, 1000 with S = 10; with S = 20 the same except 260
// in place of 250 (250 modules do not make whole strings of 20). P = N / S.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>

#include "calc/baseline.h"
#include "calc/final_matrix.h"
#include "calc/search.h"
#include "input/run_counts.h"
#include "output/result_file.h"
#include "run/calculation_run.h"
#include "support/module_generator.h"

namespace {

using namespace voltrigg;

struct Shape {
  int N, S, P;
};
ArrayShape ArrayOf(const Shape& s) { return {s.N, s.S, s.P}; }

const Shape kShapes[] = {{100, 10, 10}, {250, 10, 25}, {500, 10, 50}, {1000, 10, 100},
                         {100, 20, 5},  {260, 20, 13}, {500, 20, 25}, {1000, 20, 50}};

std::filesystem::path WorkDir() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("voltrigg-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

// One generated list per size, written to a file, loaded, and carried through
// the calculation once so that the later steps have their inputs.
struct Prepared {
  Shape shape{};
  std::string list_path;
  std::string output_base;
  ModuleTable table;
  PassResult pass1;
  PassResult pass2;
  FinalMatrixResult final;
  BaselineFigures baseline;
};

const Prepared& Prepare(const Shape& s) {
  static std::map<std::pair<int, int>, std::unique_ptr<Prepared>> cache;
  auto& slot = cache[{s.N, s.S}];
  if (!slot) {
    auto p = std::make_unique<Prepared>();
    p->shape = s;
    const std::string stem = "list-" + std::to_string(s.N) + "-" + std::to_string(s.S);
    p->list_path = (WorkDir() / (stem + ".csv")).string();
    p->output_base = (WorkDir() / (stem + "-result")).string();
    std::ofstream(p->list_path, std::ios::binary)
        << testing::FormatModuleList(testing::GenerateModules(s.N, 1000 + static_cast<std::uint64_t>(s.N)));
    if (LoadModuleList(p->list_path, p->table) != s.N) std::abort();
    p->baseline = ComputeBaselineFigures(p->table, ArrayOf(s));
    p->pass1 = SearchPass(p->table, ArrayOf(s), AcceptTies::Yes);
    p->pass2 = SearchPass(p->table, ArrayOf(s), AcceptTies::No);
    p->final = ComposeFinalMatrix(p->pass1, p->pass2, ArrayOf(s));
    slot = std::move(p);
  }
  return *slot;
}

ResultFileContent Content(const Prepared& p, const ModuleTable& table) {
  return ResultFileContent{.InputName = "list.csv",
                           .SimplePmaxSum = p.baseline.SimplePmaxSum,
                           .MinimumPoint = p.baseline.MinimumPoint,
                           .InitialPoint = p.pass2.InitialPoint,
                           .final = p.final,
                           .table = table,
                           .N = p.shape.N};
}

class QuietFrontEnd : public RunFrontEnd {
 public:
  QuietFrontEnd(int S, int P) : series_(std::to_string(S)), parallel_(std::to_string(P)) {}
  std::string SeriesText() override { return series_; }
  std::string ParallelText() override { return parallel_; }
  void Hide() override {}
  void Show() override {}
  void Message(const std::string&) override {}
  void RefreshFileList() override {}

 private:
  std::string series_, parallel_;
};

// The steps; each is registered once per shape. Names are "step/N/S".
void Load(benchmark::State& state, Shape s) {
  const Prepared& p = Prepare(s);
  ModuleTable table;
  for (auto _ : state) {
    table.Clear();
    benchmark::DoNotOptimize(LoadModuleList(p.list_path, table));
  }
}

void Baseline(benchmark::State& state, Shape s) {
  const Prepared& p = Prepare(s);
  for (auto _ : state) benchmark::DoNotOptimize(ComputeBaselineFigures(p.table, ArrayOf(s)));
}

template <bool kFast, AcceptTies kTies>
void Pass(benchmark::State& state, Shape s) {
  const Prepared& p = Prepare(s);
  std::int64_t improvements = 0;
  for (auto _ : state) {
    PassResult r = kFast ? SearchPassFast(p.table, ArrayOf(s), kTies) : SearchPassPlain(p.table, ArrayOf(s), kTies);
    improvements = r.ImprovementCount;
    benchmark::DoNotOptimize(r);
  }
  state.counters["accepted"] = static_cast<double>(improvements);
}

void ResultFile(benchmark::State& state, Shape s) {
  const Prepared& p = Prepare(s);
  const ResultFileContent content = Content(p, p.table);
  for (auto _ : state) WriteResultFile(p.output_base, content);
}

// The whole run through the run driver (load to result file, fast search).
void WholeRun(benchmark::State& state, Shape s) {
  const Prepared& p = Prepare(s);
  RunState run;
  QuietFrontEnd ui(s.S, s.P);
  for (auto _ : state) {
    run.InputPath = p.list_path;
    run.InputName = "list.csv";
    run.OutputBase = p.output_base;
    if (CalculationRun(run, ui) != RunOutcome::Completed) state.SkipWithError("run failed");
  }
}

// The same steps with the plain search, for comparison.
void WholeRunPlain(benchmark::State& state, Shape s) {
  const Prepared& p = Prepare(s);
  ModuleTable table;
  for (auto _ : state) {
    table.Clear();
    const auto N = LoadModuleList(p.list_path, table);
    if (CheckRunInputs(N, static_cast<std::int16_t>(s.S), static_cast<std::int16_t>(s.P))) {
      state.SkipWithError("check failed");
    }
    Prepared r;
    r.shape = s;
    const ArrayShape shape{N, s.S, s.P};
    r.baseline = ComputeBaselineFigures(table, shape);
    r.pass1 = SearchPassPlain(table, shape, AcceptTies::Yes);
    r.pass2 = SearchPassPlain(table, shape, AcceptTies::No);
    r.final = ComposeFinalMatrix(r.pass1, r.pass2, shape);
    WriteResultFile(p.output_base, Content(r, table));
  }
}

struct Step {
  const char* name;
  void (*fn)(benchmark::State&, Shape);
};
const Step kSteps[] = {
    {"load", Load},
    {"baseline", Baseline},
    {"plain_pass1", Pass<false, AcceptTies::Yes>},
    {"plain_pass2", Pass<false, AcceptTies::No>},
    {"fast_pass1", Pass<true, AcceptTies::Yes>},
    {"fast_pass2", Pass<true, AcceptTies::No>},
    {"result_file", ResultFile},
    {"run_fast", WholeRun},
    {"run_plain", WholeRunPlain},
};

// Keeps the console output and remembers each step's time (the median when
// repetitions are asked for) for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      if (r.run_type == Run::RT_Aggregate && !median) continue;
      const double factor = Factor(r.time_unit);
      Record(real_[r.run_name.function_name], r.GetAdjustedRealTime() * factor, median);
      Record(cpu_[r.run_name.function_name], r.GetAdjustedCPUTime() * factor, median);
    }
  }

  // Microseconds of "step/N/S" (real or CPU time), or a negative value when
  // not measured.
  double Time(const std::string& step, const Shape& s, bool cpu) const {
    const auto& times = cpu ? cpu_ : real_;
    auto it = times.find(step + "/" + std::to_string(s.N) + "/" + std::to_string(s.S));
    return it == times.end() ? -1.0 : it->second.first;
  }

 private:
  using Entry = std::pair<double, bool>;  // microseconds, is a median

  // With repetitions the median stands; without, the one run does.
  static void Record(Entry& e, double us, bool median) {
    if (median) {
      e = {us, true};
    } else if (!e.second) {
      e.first = e.first == 0 ? us : std::min(e.first, us);
    }
  }
  static double Factor(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kNanosecond:
        return 1e-3;
      case benchmark::kMicrosecond:
        return 1.0;
      case benchmark::kMillisecond:
        return 1e3;
      case benchmark::kSecond:
        return 1e6;
    }
    return 1.0;
  }
  std::map<std::string, Entry> real_, cpu_;
};

std::string Cell(double us) {
  char text[32];
  if (us < 0) return "-";
  if (us >= 10000)
    std::snprintf(text, sizeof text, "%.1f ms", us / 1000);
  else if (us >= 1000)
    std::snprintf(text, sizeof text, "%.2f ms", us / 1000);
  else
    std::snprintf(text, sizeof text, "%.1f us", us);
  return text;
}

void PrintSummary(const SummaryReporter& rep, bool cpu) {
  const auto time = [&](const char* step, const Shape& s) { return rep.Time(step, s, cpu); };
  std::printf("\nSummary (%s time per call; both passes = pass 1 + pass 2)\n", cpu ? "CPU" : "real");
  std::printf("%5s %3s %4s | %10s %10s | %11s %11s %11s | %11s %11s %11s | %8s | %10s | %10s %10s\n", "N", "S", "P",
              "load", "baseline", "plain p1", "plain p2", "plain both", "fast p1", "fast p2", "fast both", "ratio",
              "result", "run fast", "run plain");
  for (const Shape& s : kShapes) {
    const double pp1 = time("plain_pass1", s), pp2 = time("plain_pass2", s);
    const double fp1 = time("fast_pass1", s), fp2 = time("fast_pass2", s);
    const double plain = (pp1 < 0 || pp2 < 0) ? -1 : pp1 + pp2;
    const double fast = (fp1 < 0 || fp2 < 0) ? -1 : fp1 + fp2;
    char ratio[16] = "-";
    if (plain > 0 && fast > 0) std::snprintf(ratio, sizeof ratio, "%.0fx", plain / fast);
    std::printf("%5d %3d %4d | %10s %10s | %11s %11s %11s | %11s %11s %11s | %8s | %10s | %10s %10s\n", s.N, s.S, s.P,
                Cell(time("load", s)).c_str(), Cell(time("baseline", s)).c_str(), Cell(pp1).c_str(), Cell(pp2).c_str(),
                Cell(plain).c_str(), Cell(fp1).c_str(), Cell(fp2).c_str(), Cell(fast).c_str(), ratio,
                Cell(time("result_file", s)).c_str(), Cell(time("run_fast", s)).c_str(),
                Cell(time("run_plain", s)).c_str());
  }
  // Growth from the smallest to the largest list, per shape.
  std::printf("\nGrowth N=100 -> N=1000 (time ratio; N grows 10x)\n");
  for (const int S : {10, 20}) {
    const Shape small{100, S, 100 / S};
    const Shape large{1000, S, 1000 / S};
    std::printf("  S=%d:", S);
    for (const char* step :
         {"load", "baseline", "plain_pass1", "plain_pass2", "fast_pass1", "fast_pass2", "result_file", "run_fast"}) {
      const double a = time(step, small), b = time(step, large);
      if (a > 0 && b > 0) std::printf("  %s %.0fx", step, b / a);
    }
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (const Step& step : kSteps) {
    for (const Shape& s : kShapes) {
      const std::string name = std::string(step.name) + "/" + std::to_string(s.N) + "/" + std::to_string(s.S);
      benchmark::RegisterBenchmark(name.c_str(), step.fn, s)->Unit(benchmark::kMicrosecond);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  PrintSummary(reporter, false);
  PrintSummary(reporter, true);
  std::error_code ignored;
  std::filesystem::remove_all(WorkDir(), ignored);
  return 0;
}
