#include "app/cli/commission_cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/cli_options.h"
#include "app/shared/assess_options.h"
#include "app/shared/commission_options.h"
#include "app/shared/measurement_texts.h"
#include "app/shared/planned_array.h"
#include "app/shared/plant_texts.h"
#include "commission/commissioning.h"
#include "commission/measurement_file.h"
#include "commission/measurement_form.h"
#include "commission/plan_fingerprint.h"
#include "input/run_error.h"
#include "input/text_utf8.h"
#include "output/result_file.h"
#include "output/same_file.h"
#include "plant/plant_commission.h"

namespace voltrigg {

namespace {

constexpr int kUsage = 64;
constexpr int kBadInput = 2;

// BASE.commissioning.json: beside the measurement file and named after it,
// or as -o BASE says.
std::string JsonPathOf(const std::string& measured_path, const std::string& output_base) {
  if (!output_base.empty()) return output_base + ".commissioning.json";
  return std::filesystem::path(measured_path).replace_extension(".commissioning.json").string();
}

// A plant file rather than a result: JSON, its first character after any
// byte-order mark and blanks an opening brace. A result's first line is a
// file name, which no planning run gives that way.
bool LooksLikePlantFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string head(64, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  if (head.starts_with("\xEF\xBB\xBF")) head.erase(0, 3);
  const std::size_t first = head.find_first_not_of(" \t\r\n");
  return first != std::string::npos && head[first] == '{';
}

struct Printer {
  Language language;
  std::vector<std::string> names;  // file names to show decoded
  void Error(const std::string& text) const { std::cerr << "voltrigg-cli: " << ForTerminal(text, names) << '\n'; }
};

int WriteForm(const PlannedArray& plan, const std::string& form_path, const TemperatureCoefficients& coefficients,
              const std::string& result_path, const Printer& print) {
  if (SameExistingFile(form_path, result_path) || SameExistingFile(form_path, plan.list_path)) {
    print.Error(WouldReplaceText(WouldReplace::FormOverInput, form_path, print.language));
    return kBadInput;
  }
  const std::vector<FormRow> rows = FormRowsAtStc(plan.modules, plan.curves, plan.wiring, coefficients);
  try {
    WriteFileAtomically(form_path, FormatMeasurementForm(rows));
  } catch (const FileWriteError& e) {
    print.Error(FileWriteText(e, WrittenFile::Form, print.language));
    return kBadInput;
  }
  std::cout << ForTerminal(FormWrittenText(rows.size(), form_path, print.language), print.names) << '\n';
  return 0;
}

// The plant's strings from the plant file and its lists, or the refusals
// printed (nothing else is read or written then).
std::optional<NamedStringPlan> LoadPlantStrings(const std::string& plant_path, const std::vector<std::string>& lists,
                                                bool isc_first, const Printer& print) {
  std::vector<PlantSource> sources(lists.size());
  std::transform(lists.begin(), lists.end(), sources.begin(), [](const std::string& path) {
    return PlantSource{TextAsUtf8(path), path, std::nullopt};
  });
  PlantCommissionPlan made = MakePlantCommissionPlan(PlantSource{TextAsUtf8(plant_path), plant_path, std::nullopt},
                                                     sources, isc_first ? ExtrasUse::IscVoc : ExtrasUse::VocIsc);
  for (const PlantFault& f : made.faults) print.Error(PlantFaultText(f, print.language));
  if (made.faults.size() >= kMaxPlantFaults) print.Error(PlantFirstRefusalsText(kMaxPlantFaults, print.language));
  return std::move(made.plan);
}

std::string Joined(const std::vector<std::string>& paths) {
  std::string out;
  for (const std::string& path : paths) out += (out.empty() ? "" : ", ") + TextAsUtf8(path);
  return out;
}

// voltrigg-cli commission of a plant's strings: the blank form, or the check
// of a measurement file, as of a result's.
int RunPlantCommission(const std::string& plant_path, const std::vector<std::string>& lists,
                       const std::string& measured_path, const std::string& form_path, const std::string& json_path,
                       const CommissionOptions& options, bool isc_first, const Printer& print) {
  std::vector<std::string> inputs = lists;
  inputs.push_back(plant_path);
  const auto replaces_input = [&inputs](const std::string& out) {
    return std::any_of(inputs.begin(), inputs.end(),
                       [&out](const std::string& in) { return SameExistingFile(out, in); });
  };
  if (!form_path.empty() && replaces_input(form_path)) {
    print.Error(WouldReplaceText(WouldReplace::FormOverInput, form_path, print.language));
    return kBadInput;
  }
  const std::optional<NamedStringPlan> plan = LoadPlantStrings(plant_path, lists, isc_first, print);
  if (!plan) return kBadInput;
  const CommissionConditions& c = options.conditions;
  if (!form_path.empty()) {
    const std::vector<FormRow> rows = FormRowsOfNamedPlan(*plan, c);
    try {
      WriteFileAtomically(form_path, FormatMeasurementForm(rows, plan->names));
    } catch (const FileWriteError& e) {
      print.Error(FileWriteText(e, WrittenFile::Form, print.language));
      return kBadInput;
    }
    std::cout << ForTerminal(FormWrittenText(rows.size(), form_path, print.language), print.names) << '\n';
    return 0;
  }
  try {
    // A form of another plan (its plan column) is refused at its first row.
    const std::vector<StringMeasurement> measurements = ReadNamedMeasurementFile(
        measured_path, plan->names, options.defaults, PlanFingerprint(plan->modules, plan->wiring));
    if (replaces_input(json_path) || SameExistingFile(json_path, measured_path)) {
      print.Error(WouldReplaceText(WouldReplace::CommissioningOverInput, json_path, print.language));
      return kBadInput;
    }
    const Commissioning check = CheckNamedCommissioning(*plan, measurements, c);
    std::optional<std::string> not_written;
    try {
      WriteFileAtomically(json_path, PlantCommissioningJsonText(check, plan->modules, plant_path, lists));
    } catch (const FileWriteError& e) {
      not_written = FileWriteText(e, WrittenFile::Commissioning, print.language);
    }
    std::cout << CommissioningTableText(check, TextAsUtf8(plant_path), Joined(lists), print.language);
    if (!not_written) {
      std::cout << ForTerminal(CliText(CliPhrase::CommissioningFile, print.language) + json_path, print.names) << '\n';
    }
    for (const StringCommissioning& s : check.strings) {
      if (!s.expected.problem.empty()) {
        print.Error(NoExpectedValuesText(StringLabel(check, s.string_no), s.expected.problem, print.language));
      }
    }
    if (not_written) {
      print.Error(*not_written);
      return kBadInput;
    }
    return check.ok ? 0 : 1;
  } catch (const MeasurementFileError& e) {
    print.Error(MeasurementErrorText(e, TextAsUtf8(measured_path), print.language));
  }
  return kBadInput;
}

}  // namespace

int RunCommissionCli(int argc, char** argv, Language language) {
  SpeakMeasurementRefusalsIn(language);
  CLI::App app{CliText(CliPhrase::CommissionDescription, language), "voltrigg-cli commission"};
  SpeakCli11(app, language);
  std::string result_path;
  std::string measured_path;
  std::string modules_path;
  std::string form_path;
  std::string output_base;
  std::string extras_text;
  ConditionTexts conditions;
  app.add_option("RESULT.csv", result_path, CliText(CliPhrase::CommissionResultHelp, language))->required();
  CLI::Option* measured =
      app.add_option("MEASURED.csv", measured_path, CliText(CliPhrase::CommissionMeasuredHelp, language));
  app.add_option("--modules", modules_path, CliText(CliPhrase::CommissionModulesHelp, language));
  std::vector<std::string> lists;
  CLI::Option* list_option =
      app.add_option("--list", lists, CliText(CliPhrase::CommissionListHelp, language))->type_name("LIST.csv");
  // Each --list takes one file: MEASURED.csv after it stays the measurement file.
  list_option->allow_extra_args(false);
  CLI::Option* form = app.add_option("--form", form_path, CliText(CliPhrase::CommissionFormHelp, language));
  CLI::Option* output =
      app.add_option("-o,--output", output_base, CliText(CliPhrase::CommissionOutputHelp, language))->type_name("BASE");
  AddConditionOptions(app, OptionUse::Commissioning, language, conditions, nullptr);
  const OptionEntry& extras_entry = *OptionOfKey("extras");
  CLI::Option* extras = app.add_option(OptionName(extras_entry), extras_text, OptionHelp(extras_entry, language))
                            ->type_name(extras_entry.value_name);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return AnswerParseError(app, e, language);
  }
  const bool writing_form = form->count() > 0;
  // --form FORM.csv RESULT.csv, or RESULT.csv MEASURED.csv [-o BASE].
  const bool usage_ok = writing_form ? !form_path.empty() && measured->count() == 0 && output->count() == 0
                                     : measured->count() > 0 && (output->count() == 0 || !output_base.empty());
  if (!usage_ok) {
    std::cerr << "voltrigg-cli: " << CliText(CliPhrase::CommissionUsage, language) << '\n';
    return kUsage;
  }
  // Refused before anything is read: a check against nonsense must never pass.
  CommissionOptions options;
  OptionTexts texts = GivenConditions(conditions);
  if (extras->count() > 0) texts.extras = extras_text;
  bool isc_first = false;
  if (const auto fault = ReadCommissionOptionTexts(texts, options, &isc_first)) {
    std::cerr << "voltrigg-cli: " << OptionsFaultText(*fault, language, ConditionNaming::Option) << '\n';
    return kUsage;
  }
  const CommissionConditions& c = options.conditions;
  const std::string json_path = writing_form ? std::string() : JsonPathOf(measured_path, output_base);
  Printer print{language, {json_path, form_path, result_path, measured_path, modules_path, output_base}};
  // A plant's strings: the plant file with the lists it was planned from.
  if (list_option->count() > 0 || LooksLikePlantFile(result_path)) {
    if (list_option->count() == 0 || !modules_path.empty()) {
      std::cerr << "voltrigg-cli: " << CliText(CliPhrase::CommissionPlantUsage, language) << '\n';
      return kUsage;
    }
    print.names.insert(print.names.end(), lists.begin(), lists.end());
    return RunPlantCommission(result_path, lists, measured_path, form_path, json_path, options, isc_first, print);
  }
  try {
    const PlannedArray plan = LoadPlannedArray(result_path, modules_path, isc_first);
    if (writing_form) return WriteForm(plan, form_path, c, result_path, print);

    // A form of another plan (its plan column) is refused at its first row.
    const std::vector<StringMeasurement> measurements =
        ReadMeasurementFile(measured_path, static_cast<int>(plan.wiring.size()), options.defaults,
                            PlanFingerprint(plan.modules, plan.wiring));
    if (SameExistingFile(json_path, result_path) || SameExistingFile(json_path, plan.list_path) ||
        SameExistingFile(json_path, measured_path)) {
      print.Error(WouldReplaceText(WouldReplace::CommissioningOverInput, json_path, language));
      return kBadInput;
    }
    const Commissioning check = CheckCommissioning(plan.modules, plan.curves, plan.wiring, measurements, c);
    // The table is the check's answer; a file that cannot be written does
    // not take it away, it only changes the exit status.
    std::optional<std::string> not_written;
    try {
      WriteFileAtomically(json_path, CommissioningJsonText(check, plan.modules, result_path, plan.list_path));
    } catch (const FileWriteError& e) {
      not_written = FileWriteText(e, WrittenFile::Commissioning, language);
    }
    std::cout << CommissioningTableText(check, TextAsUtf8(result_path), TextAsUtf8(plan.list_path), language);
    if (!not_written) {
      std::cout << ForTerminal(CliText(CliPhrase::CommissioningFile, language) + json_path, print.names) << '\n';
    }
    for (const StringCommissioning& s : check.strings) {
      if (!s.expected.problem.empty()) {
        std::cerr << "voltrigg-cli: " << NoExpectedValuesText(s.string_no, s.expected.problem, language) << '\n';
      }
    }
    if (not_written) {
      print.Error(*not_written);
      return kBadInput;
    }
    return check.ok ? 0 : 1;
  } catch (const MeasurementFileError& e) {
    print.Error(MeasurementErrorText(e, TextAsUtf8(measured_path), language));
  } catch (const FileWriteError& e) {
    print.Error(FileWriteText(e, WrittenFile::Form, language));
  } catch (const RunError& e) {
    print.Error(FaultText(e.fault(), language));
  }
  return kBadInput;
}

}  // namespace voltrigg
