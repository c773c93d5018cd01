// voltrigg-cli: one calculation run from the command line, for scripts and
// machines without a display. It speaks its locale's language (Japanese or
// English) throughout one run; the system's own texts are the same in both.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/assess_report.h"
#include "app/cli/cli_options.h"
#include "app/cli/commission_cli.h"
#include "app/cli/plan_report.h"
#include "app/cli/plant_cli.h"
#include "app/shared/text_catalogue.h"
#include "identity.h"
#include "input/list_warnings.h"
#include "input/text_utf8.h"
#include "output/interrupt_cleanup.h"
#include "run/batch_run.h"
#include "run/plan_assessment.h"

namespace {

// What the list holds that the run accepts but a planner must see; the exit
// status stays as the run says.
void WarnAboutTheList(const voltrigg::PlanResult& plan, voltrigg::Language language) {
  using namespace voltrigg;
  for (const std::string& line : ListWarningLines(
           plan.warnings, [](const std::string& bytes) { return TextAsUtf8(bytes); }, language)) {
    std::cerr << "voltrigg-cli: " << CliText(CliPhrase::WarningPrefix, language) << line << '\n';
  }
}

int RunCli(int argc, char** argv, voltrigg::Language language) {
  using namespace voltrigg;
  CLI::App app{CliText(CliPhrase::ProgramDescription, language), "voltrigg-cli"};
  SpeakCli11(app, language);
  std::string series;
  std::string parallel;
  std::string output;
  std::string modules;
  app.add_option("-s,--series", series, CliText(CliPhrase::SeriesHelp, language))->required();
  app.add_option("-p,--parallel", parallel, CliText(CliPhrase::ParallelHelp, language))->required();
  app.add_option("-o,--output", output, CliText(CliPhrase::OutputHelp, language))->required();
  app.add_option("MODULES.csv", modules, CliText(CliPhrase::ModulesHelp, language))->required();
  app.set_version_flag("--version", identity::kComments, CliText(CliPhrase::VersionFlagHelp, language));
  app.footer(CliText(CliPhrase::CommissionFooter, language) + "\n" + CliText(CliPhrase::PlantFooter, language));
  CliAssessOptions assess;
  AddAssessOptions(app, assess, language);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return AnswerParseError(app, e, language);
  }
  const bool assessing = assess.assess->count() > 0;
  if (auto refusal = ReadAssessOptions(assess, language)) {
    std::cerr << "voltrigg-cli: " << ForTerminal(*refusal, {assess.inverter_path}) << '\n';
    return 64;
  }

  const ExtrasUse extras = PlanningExtras(assessing ? &assess.options : nullptr);
  const BatchRun run = RunBatch(BatchRequest{.list_path = modules,
                                             .input_name = std::filesystem::path(modules).filename().string(),
                                             .series_text = series,
                                             .parallel_text = parallel,
                                             .output_base = output,
                                             .extras = extras});
  // Longest first: the result's name holds the base name.
  const std::vector<std::string> names = {AssessmentPathOf(output), output + ".csv", output, modules};
  if (run.outcome == RunOutcome::Completed) {
    std::cout << ForTerminal(CompletionReport(*run.plan, run.result_path, language), names);
    if (assessing) {
      WarnAboutTheList(*run.plan, language);
      const PlanAssessment assessment =
          AssessPlan(*run.plan, extras, assess.options.conditions, assess.options.inverter);
      std::ostringstream out;
      std::ostringstream err;
      const int status = ReportAssessment(assessment, output, language, out, err);
      std::cout << ForTerminal(out.str(), names);
      std::cerr << ForTerminal(err.str(), names);
      return status;
    }
  } else if (run.outcome == RunOutcome::CheckFailed) {
    // The check's own text stays; what it compared follows.
    const PlanResult& plan = *run.plan;
    std::cerr << "voltrigg-cli: " << CountCheckText(*plan.failed, language) << '\n'
              << "voltrigg-cli: "
              << CheckFactsText(plan.ModuleCount, plan.counts.SeriesCount, plan.counts.ParallelCount, language) << '\n';
    // A plant's strings and module counts lie beyond the run's: where they are planned.
    if (BeyondAPlanningRun(plan)) {
      std::cerr << "voltrigg-cli: " << CliText(CliPhrase::PlantHint, language) << '\n';
    }
  } else {
    const std::string message = run.fault ? FaultText(*run.fault, language) : run.message;
    std::cerr << "voltrigg-cli: " << ForTerminal(message, names) << '\n';
  }
  if (run.outcome != RunOutcome::Failed) WarnAboutTheList(*run.plan, language);
  return ExitStatus(run.outcome);
}

}  // namespace

int main(int argc, char** argv) {
  voltrigg::PrepareSignalsForWriting();
  // One language for the whole run, the locale's.
  const voltrigg::Language language = voltrigg::LanguageOfEnvironment();
  voltrigg::SpeakFaultsIn(language);
  // The run reports its own failures; anything else that escapes (memory
  // exhausted) still ends with a message and status 2 rather than an abort.
  try {
    // "commission" first: the commissioning check, with its own options.
    if (argc >= 2 && std::string_view(argv[1]) == "commission") {
      return voltrigg::RunCommissionCli(argc - 1, argv + 1, language);
    }
    if (argc >= 2 && std::string_view(argv[1]) == "plant") return voltrigg::RunPlantCli(argc - 1, argv + 1, language);
    return RunCli(argc, argv, language);
  } catch (const std::exception& e) {
    (void)std::fprintf(stderr, "voltrigg-cli: %s\n", e.what());
  } catch (...) {
    (void)std::fprintf(stderr, "voltrigg-cli: %s\n",
                       voltrigg::CliText(voltrigg::CliPhrase::UnexpectedError, language).c_str());
  }
  return 2;
}
