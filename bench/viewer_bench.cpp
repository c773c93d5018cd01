// voltrigg-view's waits: opening a result with its module list (read the
// files, check the list, build the views, draw the window and the whole array
// picture), the opened result alone (the shared model, without the toolkit),
// and writing the printed plan as a PDF, for N = 100 to 1000.
//
//   viewer_bench [--benchmark_filter=...]    runs on Qt's offscreen platform
//
// OpenAndDraw is what the user waits for: the result, the list, the curves
// and the result's wiring assessed, the window and the picture drawn. The
// optimiser and random wiring follow on another thread (OpenAssessFully).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStandardPaths>
#include <filesystem>
#include <map>
#include <string>

#include "app/shared/opened_result.h"
#include "array_picture.h"
#include "assess_view.h"
#include "document.h"
#include "run/calculation_run.h"
#include "support/module_generator.h"
#include "support/run_support.h"
#include "viewer_window.h"
#include "wiring_plan.h"

namespace {

using namespace voltrigg;
using namespace voltrigg::viewer;

std::filesystem::path WorkDir() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("voltrigg-viewer-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

// A completed run's result of N generated modules as S = 20 (S = 10 below 200).
std::string ResultFile(int n) {
  static std::map<int, std::string> made;
  if (auto it = made.find(n); it != made.end()) return it->second;
  const int series = n >= 200 ? 20 : 10;
  const std::string base = (WorkDir() / ("n" + std::to_string(n))).string();
  const std::string list = base + "-list.csv";
  testing::WriteFile(list, testing::FormatModuleList(testing::GenerateModules(n, 1000 + n)));
  RunState s;
  s.InputPath = list;
  s.InputName = std::filesystem::path(list).filename().string();
  s.OutputBase = base;
  testing::RecordingFrontEnd ui{std::to_string(series), std::to_string(n / series)};
  if (CalculationRun(s, ui) != RunOutcome::Completed) std::abort();
  return made[n] = base + ".csv";
}

void OpenAndDraw(benchmark::State& state) {
  const QString path = QString::fromStdString(ResultFile(static_cast<int>(state.range(0))));
  ViewerWindow window(AssessOptions{});
  window.resize(1280, 860);
  QImage screen(1280, 860, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    if (window.Load(path)) state.SkipWithError("result not read");
    // The window as it shows, and the whole array picture (most of it scrolled away).
    window.render(&screen);
    QImage picture(window.array_page()->picture()->sizeHint(), QImage::Format_ARGB32_Premultiplied);
    window.array_page()->picture()->render(&picture);
    benchmark::DoNotOptimize(picture.bits());
    // The optimised and random wiring go on on another thread; not part of
    // the wait, but not left to compete with the next opening either.
    state.PauseTiming();
    window.FinishAssessment();
    state.ResumeTiming();
  }
  state.counters["modules"] = static_cast<double>(state.range(0));
}
BENCHMARK(OpenAndDraw)->Arg(100)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same until the optimised and random wiring are shown too.
void OpenAssessFully(benchmark::State& state) {
  const QString path = QString::fromStdString(ResultFile(static_cast<int>(state.range(0))));
  ViewerWindow window(AssessOptions{});
  window.resize(1280, 860);
  QImage screen(1280, 860, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    if (window.Load(path)) state.SkipWithError("result not read");
    window.FinishAssessment();
    window.render(&screen);
  }
}
BENCHMARK(OpenAssessFully)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The shared model as voltrigg-view --json uses it: the result and the list
// read once, the planning run made again, both parts of the assessment.
void OpenAndAssessModel(benchmark::State& state) {
  const std::string path = ResultFile(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    OpenedResult opened = OpenResult(path, "", AssessOptions{});
    RunAssessment(opened);
    if (!(opened.assessment && opened.assessment->complete)) state.SkipWithError("not assessed");
    benchmark::DoNotOptimize(opened.assessment->core.random_wiring.mean_pmp_w);
  }
}
BENCHMARK(OpenAndAssessModel)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The plan of 1000 modules as the picture and the page draw it.
void MakePlanView(benchmark::State& state) {
  OpenedResult opened = OpenResult(ResultFile(static_cast<int>(state.range(0))), "", AssessOptions{});
  RunAssessment(opened);
  for (auto _ : state) benchmark::DoNotOptimize(MakePlan(opened, ShownWiring::Optimized, ColourBy::Ipm).cells.data());
}
BENCHMARK(MakePlanView)->Arg(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The printed plan with the list, as voltrigg-view --pdf writes it: the
// assessment complete, the plan, the PDF.
void WritePlanPdf(benchmark::State& state) {
  const std::string path = ResultFile(static_cast<int>(state.range(0)));
  const std::string pdf = (WorkDir() / "plan.pdf").string();
  for (auto _ : state) {
    Document doc = OpenDocument(path, "", AssessOptions{});
    RunAssessment(doc);
    const PlanView plan = MakePlan(doc, viewer::ShownWiring::Result, ColourBy::Ipm);
    QString error;
    if (!ExportPlanPdf(doc, plan, viewer::ShownWiring::Result, QString::fromStdString(pdf), ViewerFont(), &error)) {
      state.SkipWithError("PDF not written");
    }
  }
  state.counters["pdf_bytes"] = static_cast<double>(std::filesystem::file_size(pdf));
}
BENCHMARK(WritePlanPdf)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setFont(ViewerFont());
  QStandardPaths::setTestModeEnabled(true);  // recent files not in the user's settings
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(WorkDir(), ec);
  return 0;
}
