// voltrigg-cli: one calculation run from the command line, for scripts and
// machines without a display.
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/assess_report.h"
#include "app/cli/commission_cli.h"
#include "app/cli/plan_report.h"
#include "app/cli/plant_cli.h"
#include "identity.h"
#include "input/list_warnings.h"
#include "input/run_counts.h"
#include "input/text_utf8.h"
#include "output/interrupt_cleanup.h"
#include "run/batch_run.h"
#include "run/plan_assessment.h"

namespace {

// What the list holds that the run accepts but a planner must see; the exit
// status stays as the run says.
void WarnAboutTheList(const voltrigg::PlanResult& plan) {
  for (const std::string& line : voltrigg::ListWarningLines(
           plan.warnings, [](const std::string& bytes) { return voltrigg::TextAsUtf8(bytes); })) {
    std::cerr << "voltrigg-cli: 警告: " << line << '\n';
  }
}

// The run's messages carry file names as their bytes; a name that is not
// UTF-8 (Shift-JIS from a Windows share) is shown decoded for the terminal.
std::string ForTerminal(std::string text, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    const std::string shown = voltrigg::TextAsUtf8(name);
    if (name.empty() || shown == name) continue;
    for (std::size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + shown.size())) {
      text.replace(at, name.size(), shown);
    }
  }
  return text;
}

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
  app.footer(
      "The commissioning check of a result: voltrigg-cli commission --help\n"
      "A whole plant (strings above 20, more than 1000 modules): voltrigg-cli plant --help");
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
  if (assess.inverter_given) {
    if (const auto problem = LoadInverterOption(assess.inverter_path, assess.options)) {
      std::cerr << "voltrigg-cli: " << *problem << '\n';
      return 64;
    }
  }

  const ExtrasUse extras = !assess.enabled            ? ExtrasUse::None
                           : assess.options.isc_first ? ExtrasUse::IscVoc
                                                      : ExtrasUse::VocIsc;
  const BatchRun run = RunBatch(BatchRequest{.list_path = modules,
                                             .input_name = std::filesystem::path(modules).filename().string(),
                                             .series_text = series,
                                             .parallel_text = parallel,
                                             .output_base = output,
                                             .extras = extras});
  // Longest first: the result's name holds the base name.
  const std::vector<std::string> names = {AssessmentPathOf(output), output + ".csv", output, modules};
  if (run.outcome == RunOutcome::Completed) {
    std::cout << ForTerminal(CompletionReport(*run.plan, run.result_path), names);
    if (assess.enabled) {
      WarnAboutTheList(*run.plan);
      const PlanAssessment assessment =
          AssessPlan(*run.plan, extras, assess.options.conditions, assess.options.inverter);
      std::ostringstream out;
      std::ostringstream err;
      const int status = ReportAssessment(assessment, output, out, err);
      std::cout << ForTerminal(out.str(), names);
      std::cerr << ForTerminal(err.str(), names);
      return status;
    }
  } else {
    std::cerr << "voltrigg-cli: " << ForTerminal(run.message, names) << '\n';
    // The check's own text stays; the figures it compared follow.
    if (run.outcome == RunOutcome::CheckFailed) {
      std::cerr << "voltrigg-cli: "
                << CheckFacts(run.plan->ModuleCount, run.plan->counts.SeriesCount, run.plan->counts.ParallelCount)
                << '\n';
      // A plant's strings and module counts lie beyond the run's: where they are planned.
      if (run.plan->counts.SeriesCount > 20 || run.plan->ModuleCount > 1000) {
        std::cerr << "voltrigg-cli: " << PlantCliHintJa() << '\n';
      }
    }
  }
  if (run.outcome != RunOutcome::Failed) WarnAboutTheList(*run.plan);
  return ExitStatus(run.outcome);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef SIGXFSZ
  // Past a file size limit the write fails with EFBIG, which the writer reports
  // and cleans up after; the signal's default would kill the process mid-write.
  (void)std::signal(SIGXFSZ, SIG_IGN);
#endif
  voltrigg::RemoveTemporaryFilesOnInterrupt();
  // The run reports its own failures; anything else that escapes (memory
  // exhausted) still ends with a message and status 2 rather than an abort.
  try {
    // "commission" first: the commissioning check, with its own options.
    if (argc >= 2 && std::string_view(argv[1]) == "commission") return voltrigg::RunCommissionCli(argc - 1, argv + 1);
    if (argc >= 2 && std::string_view(argv[1]) == "plant") return voltrigg::RunPlantCli(argc - 1, argv + 1);
    return RunCli(argc, argv);
  } catch (const std::exception& e) {
    (void)std::fprintf(stderr, "voltrigg-cli: %s\n", e.what());
  } catch (...) {
    (void)std::fputs("voltrigg-cli: unexpected error\n", stderr);
  }
  return 2;
}
