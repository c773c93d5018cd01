#pragma once
// What both of voltrigg-cli's commands share: the conditions' options built
// from the option table, CLI11 speaking the run's language, and names shown
// decoded for the terminal.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/shared/assess_options.h"
#include "app/shared/commission_options.h"
#include "app/shared/option_table.h"
#include "app/shared/option_texts.h"
#include "app/shared/text_catalogue.h"

namespace CLI {
class App;
class Option;
class ParseError;
}  // namespace CLI

namespace voltrigg {

// The conditions as typed, by key, and their options (to tell a condition
// given from one left out); read after parsing.
struct ConditionTexts {
  std::map<std::string, std::string> given;
  std::map<std::string, const CLI::Option*> options;
};

// Adds an option per number of the table that a run of `use` takes
// (Assessment: the assessment's, Commissioning: the check's), with the
// table's help in `language`; each needs `needs` when it is not null. The
// help names the defaults of `defaults` (a plant's system voltage is not a
// planning run's).
void AddConditionOptions(CLI::App& app, OptionUse use, Language language, ConditionTexts& texts, CLI::Option* needs,
                         const AssessConditions& defaults = {});

// The conditions given on the command line, by key, for the shared reading
// (ReadAssessOptionTexts, ReadCommissionOptionTexts).
OptionTexts GivenConditions(const ConditionTexts& texts);

// CLI11's help and labels in `language`: call right after making the app,
// before any option is added.
void SpeakCli11(CLI::App& app, Language language);

// A command line CLI11 refused: --help and --version answered (status 0),
// anything else worded on stderr (status 64).
int AnswerParseError(CLI::App& app, const CLI::ParseError& error, Language language);

// The run's messages carry file names as their bytes; a name that is not
// UTF-8 (Shift-JIS from a Windows share) is shown decoded for the terminal.
std::string ForTerminal(std::string text, const std::vector<std::string>& names);

}  // namespace voltrigg
