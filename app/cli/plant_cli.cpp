#include "app/cli/plant_cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/cli_options.h"
#include "app/shared/assess_options.h"
#include "app/shared/option_table.h"
#include "app/shared/plant_texts.h"
#include "input/text_utf8.h"
#include "output/result_file.h"
#include "output/same_file.h"
#include "plant/plant.h"

namespace voltrigg {

namespace {

constexpr int kUsage = 64;
constexpr int kBadInput = 2;

}  // namespace

int RunPlantCli(int argc, char** argv, Language language) {
  CLI::App app{PlantPhraseText(PlantPhrase::Description, language), "voltrigg-cli plant"};
  SpeakCli11(app, language);
  std::vector<std::string> lists;
  std::string layout;
  std::string base;
  std::string sort = "free";
  PlantRequest request;
  request.conditions.max_system_voltage_v = kPlantSystemVoltageV;
  app.add_option("LIST.csv", lists, PlantPhraseText(PlantPhrase::ListsHelp, language))->required();
  app.add_option("--layout", layout, PlantPhraseText(PlantPhrase::LayoutHelp, language))
      ->type_name("PLANT.json")
      ->required();
  app.add_option("-o,--output", base, PlantPhraseText(PlantPhrase::OutputHelp, language))
      ->type_name("BASE")
      ->required();
  app.add_option("--sort", sort, PlantPhraseText(PlantPhrase::SortHelp, language))
      ->check(CLI::IsMember({"delivered", "pallets", "free"}))
      ->capture_default_str();
  app.add_option("--pallet-window", request.pallet_window, PlantPhraseText(PlantPhrase::PalletWindowHelp, language))
      ->capture_default_str();
  ConditionTexts conditions;
  AddConditionOptions(app, OptionUse::Assessment, language, conditions, nullptr, request.conditions);
  const OptionEntry& extras_entry = *OptionOfKey("extras");
  std::string extras_text;
  CLI::Option* extras = app.add_option(OptionName(extras_entry), extras_text, OptionHelp(extras_entry, language))
                            ->type_name(extras_entry.value_name);
  app.add_option("--threads", request.threads, PlantPhraseText(PlantPhrase::ThreadsHelp, language))
      ->check(CLI::NonNegativeNumber);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return AnswerParseError(app, e, language);
  }
  const std::string prefix = "voltrigg-cli: plant: ";
  // The plant's own defaults stand where nothing is given.
  AssessOptions assess;
  assess.conditions = request.conditions;
  OptionTexts texts = GivenConditions(conditions);
  if (extras->count() > 0) texts.extras = extras_text;
  if (const auto fault = ReadAssessOptionTexts(texts, assess)) {
    std::cerr << prefix << OptionsFaultText(*fault, language, ConditionNaming::Option) << '\n';
    return kUsage;
  }
  request.conditions = assess.conditions;
  if (texts.extras) request.extras = ExtrasUseOf(assess);
  request.sort = *PlantSortNamed(sort);
  for (const std::string& path : lists) request.lists.push_back(PlantSource{TextAsUtf8(path), path, std::nullopt});
  request.layout = PlantSource{TextAsUtf8(layout), layout, std::nullopt};
  const std::vector<std::string> outputs = {base + ".register.csv", base + ".picklist.csv", base + ".plant.json"};
  std::vector<std::string> inputs = lists;
  inputs.push_back(layout);
  for (const std::string& out : outputs) {
    const auto replaced =
        std::find_if(inputs.begin(), inputs.end(), [&](const std::string& in) { return SameExistingFile(out, in); });
    if (replaced != inputs.end()) {
      std::cerr << prefix << PlantWouldReplaceText(TextAsUtf8(out), TextAsUtf8(*replaced), language) << '\n';
      return kBadInput;
    }
  }

  const PlantOutcome outcome = PlanPlant(request);
  std::vector<std::string> list_names(request.lists.size());
  std::transform(request.lists.begin(), request.lists.end(), list_names.begin(),
                 [](const PlantSource& s) { return s.name; });
  if (outcome.Refused()) {
    for (const PlantFault& f : outcome.faults) std::cerr << prefix << PlantFaultText(f, language) << '\n';
    if (outcome.faults.size() >= kMaxPlantFaults) {
      std::cerr << prefix << PlantFirstRefusalsText(kMaxPlantFaults, language) << '\n';
    }
    std::cerr << prefix << PlantPhraseText(PlantPhrase::NothingWritten, language) << '\n';
    return PlantRefusalExitStatus(outcome.faults.front().kind);
  }
  for (const PlantWarning& w : outcome.warnings) {
    std::cerr << prefix << PlantPhraseText(PlantPhrase::WarningPrefix, language)
              << PlantWarningText(w, list_names, language) << '\n';
  }
  // Each file whole or not at all, and the three together: each written
  // under a temporary name before the one before it takes its place.
  try {
    WriteFileAtomically(outputs[0], outcome.files.register_csv, {}, [&] {
      WriteFileAtomically(outputs[1], outcome.files.picklist_csv, {},
                          [&] { WriteFileAtomically(outputs[2], outcome.files.plant_json); });
    });
  } catch (const FileWriteError& e) {
    std::cerr << prefix << PlantCannotWriteText(TextAsUtf8(e.path()), e.reason(), language) << '\n';
    return kBadInput;
  } catch (const RunError& e) {
    std::cerr << prefix << e.what() << '\n';
    return kBadInput;
  }
  for (const std::string& line : PlantSummaryLines(outcome.summary, language)) std::cout << line << '\n';
  std::cout << PlantWrittenText(TextAsUtf8(outputs[0]), TextAsUtf8(outputs[1]), TextAsUtf8(outputs[2]), language);
  return outcome.summary.ok ? 0 : 1;
}

}  // namespace voltrigg
