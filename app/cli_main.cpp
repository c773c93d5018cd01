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
#include <vector>

#include "app/assess_report.h"
#include "app/batch_front_end.h"
#include "identity.h"
#include "input/list_warnings.h"
#include "input/run_counts.h"
#include "input/text_utf8.h"

namespace {

// What the list holds that the run accepts but a planner must see; the exit
// status stays as the run says.
void WarnAboutTheList(const std::string& path, const voltrigg::CliAssessOptions& assess) {
  using namespace voltrigg;
  const ExtrasUse extras = !assess.enabled            ? ExtrasUse::None
                           : assess.options.isc_first ? ExtrasUse::IscVoc
                                                      : ExtrasUse::VocIsc;
  const std::vector<ListWarning> warnings = ListWarningsOfFile(path, extras);
  constexpr std::size_t kShown = 10;
  for (std::size_t i = 0; i < warnings.size() && i < kShown; ++i) {
    std::cerr << "voltrigg-cli: 警告: "
              << ListWarningText(warnings[i], [](const std::string& bytes) { return TextAsUtf8(bytes); }) << '\n';
  }
  if (warnings.size() > kShown) std::cerr << "voltrigg-cli: 警告: ほか " << warnings.size() - kShown << " 件\n";
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

  RunState state;
  state.InputPath = modules;
  state.InputName = std::filesystem::path(modules).filename().string();
  state.OutputBase = output;
  AssessingFrontEnd front_end(series, parallel, assess);
  const RunOutcome outcome = CalculationRun(state, front_end);
  // Longest first: the result's name holds the base name.
  const std::vector<std::string> names = {output + ".assessment.json", output + ".csv", output, modules};
  if (outcome == RunOutcome::Completed) {
    std::cout << ForTerminal(CompletionReport(state, output + ".csv"), names);
    if (assess.enabled) {
      WarnAboutTheList(modules, assess);
      std::ostringstream out;
      std::ostringstream err;
      const int status = ReportAssessment(front_end, output, out, err);
      std::cout << ForTerminal(out.str(), names);
      std::cerr << ForTerminal(err.str(), names);
      return status;
    }
    // An assessment beside the new result would describe an earlier one.
    if (!RemoveStaleAssessment(output)) {
      std::cerr << ForTerminal("voltrigg-cli: warning: an assessment file of an earlier run could not be removed: " +
                                   output + ".assessment.json\n",
                               names);
    }
  } else {
    for (const std::string& m : front_end.messages()) std::cerr << "voltrigg-cli: " << ForTerminal(m, names) << '\n';
    // The check's own text stays; the figures it compared follow.
    if (outcome == RunOutcome::CheckFailed) {
      std::cerr << "voltrigg-cli: " << CheckFacts(state.ModuleCount, state.SeriesCount, state.ParallelCount) << '\n';
    }
  }
  if (outcome != RunOutcome::Failed) WarnAboutTheList(modules, assess);
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
