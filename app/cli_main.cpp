// voltrigg-cli: one calculation run from the command line, for scripts and
// machines without a display.
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>

#include "app/assess_report.h"
#include "app/batch_front_end.h"
#include "identity.h"

namespace {

int RunCli(int argc, char** argv) {
  using namespace voltrigg;
  CLI::App app{"Voltrigg: plans a PV array of P parallel strings of S modules from a measured module list.",
               "voltrigg-cli"};
  std::string series;
  std::string parallel;
  std::string output;
  std::string modules;
  app.add_option("-s,--series", series, "modules in series per string (S, at most 20)")->required();
  app.add_option("-p,--parallel", parallel, "parallel strings (P, at most 100)")->required();
  app.add_option("-o,--output", output, "result file without its extension; \".csv\" is appended")->required();
  app.add_option("MODULES.csv", modules, "the module list file")->required();
  app.set_version_flag("--version", identity::kComments);
  CliAssessOptions assess;
  AddAssessOptions(app, assess);
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return 64;
  }
  // Refused before anything is read or written: a condition that makes no
  // sense would let the voltage check pass on nonsense.
  if (const auto fault = ValidateConditions(assess.options.conditions)) {
    std::cerr << "voltrigg-cli: " << DescribeConditionFault(*fault) << '\n';
    return 64;
  }

  RunState state;
  state.InputPath = modules;
  state.InputName = std::filesystem::path(modules).filename().string();
  state.OutputBase = output;
  AssessingFrontEnd front_end(series, parallel, assess);
  const RunOutcome outcome = CalculationRun(state, front_end);
  if (outcome == RunOutcome::Completed) {
    std::cout << CompletionReport(state, output + ".csv");
    if (assess.enabled) return ReportAssessment(front_end, output, std::cout, std::cerr);
  } else {
    for (const std::string& m : front_end.messages()) std::cerr << "voltrigg-cli: " << m << '\n';
  }
  return ExitStatus(outcome);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef SIGXFSZ
  // Past a file size limit the write fails with EFBIG, which the writer reports
  // and cleans up after; the signal's default would kill the process mid-write.
  (void)std::signal(SIGXFSZ, SIG_IGN);
#endif
  // The run reports its own failures; anything else that escapes (memory
  // exhausted) still ends with a message and status 2 rather than an abort.
  try {
    return RunCli(argc, argv);
  } catch (const std::exception& e) {
    (void)std::fprintf(stderr, "voltrigg-cli: %s\n", e.what());
  } catch (...) {
    (void)std::fputs("voltrigg-cli: unexpected error\n", stderr);
  }
  return 2;
}
