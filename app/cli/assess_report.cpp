#include "app/cli/assess_report.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "app/shared/curve_problems.h"
#include "assess/assessment_json.h"
#include "output/result_file.h"
#include "run/batch_run.h"

namespace voltrigg {

void AddAssessOptions(CLI::App& app, CliAssessOptions& o, Language language) {
  o.assess = app.add_flag("--assess", o.enabled, CliText(CliPhrase::AssessHelp, language));
  AddConditionOptions(app, OptionUse::Assessment, language, o.conditions, o.assess);
  const OptionEntry& inverter = *OptionOfKey("inverter");
  o.inverter = app.add_option(OptionName(inverter), o.inverter_path, OptionHelp(inverter, language))
                   ->type_name(inverter.value_name)
                   ->needs(o.assess);
  const OptionEntry& extras = *OptionOfKey("extras");
  o.extras = app.add_option(OptionName(extras), o.extras_text, OptionHelp(extras, language))
                 ->type_name(extras.value_name)
                 ->needs(o.assess);
}

std::optional<std::string> ReadAssessOptions(CliAssessOptions& o, Language language) {
  // Refused before anything is read or written.
  OptionTexts texts = GivenConditions(o.conditions);
  if (o.extras->count() > 0) texts.extras = o.extras_text;
  if (o.inverter->count() > 0) texts.inverter_path = o.inverter_path;
  if (const auto fault = ReadAssessOptionTexts(texts, o.options)) {
    return OptionsFaultText(*fault, language, ConditionNaming::Option);
  }
  return std::nullopt;
}

int ReportAssessment(const PlanAssessment& assessment, const std::string& output_base, Language language,
                     std::ostream& out, std::ostream& err) {
  const std::string path = AssessmentPathOf(output_base);
  const std::string prefix = "voltrigg-cli: ";
  if (!assessment.assessment) {
    for (const std::string& p : AssessmentProblemLines(assessment, language)) {
      err << prefix << CliText(CliPhrase::AssessmentPrefix, language) << p << '\n';
    }
    err << prefix << CliText(CliPhrase::NoAssessmentWritten, language) << '\n';
    return 2;
  }
  const Assessment& a = *assessment.assessment;
  try {
    WriteFileAtomically(path, FormatAssessmentJson(a));
  } catch (const FileWriteError& e) {
    err << prefix << CliText(CliPhrase::AssessmentPrefix, language)
        << FileWriteText(e, WrittenFile::Assessment, language) << '\n';
    return 2;
  }
  out << '\n'
      << AssessmentTableText(a, language) << '\n'
      << InverterWindowTableText(a.inverter_window, language) << CliText(CliPhrase::AssessmentFile, language) << path
      << '\n';
  for (int j : a.voltage_check.strings_over) {
    err << prefix << CliText(CliPhrase::WarningPrefix, language)
        << StringOverLimitText(j + 1, a.estimated.strings[static_cast<std::size_t>(j)].voc_cold_v, a.conditions.tmin_c,
                               a.voltage_check.limit_v, language)
        << '\n';
  }
  // A failed check warns; a clipping input current is only a note.
  for (const WindowWarningText& w : InverterWindowWarningTexts(a.inverter_window, a.modules, language)) {
    err << prefix << CliText(w.note ? CliPhrase::NotePrefix : CliPhrase::WarningPrefix, language) << w.text << '\n';
  }
  return 0;
}

}  // namespace voltrigg
