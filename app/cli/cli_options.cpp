#include "app/cli/cli_options.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "input/text_utf8.h"

namespace voltrigg {

void AddConditionOptions(CLI::App& app, OptionUse use, Language language, ConditionTexts& texts, CLI::Option* needs,
                         const AssessConditions& defaults) {
  for (const OptionEntry& entry : OptionTable()) {
    if (entry.kind != OptionKind::Number || !TakesOption(entry, use)) continue;
    CLI::Option* option =
        app.add_option(OptionName(entry), texts.given[entry.key], OptionHelp(entry, language, defaults))
            ->type_name(entry.value_name);
    if (needs != nullptr) option->needs(needs);
    texts.options[entry.key] = option;
  }
}

OptionTexts GivenConditions(const ConditionTexts& texts) {
  OptionTexts out;
  for (const auto& [key, option] : texts.options) {
    if (option->count() > 0) out.conditions[key] = texts.given.at(key);
  }
  return out;
}

void SpeakCli11(CLI::App& app, Language language) {
  for (const auto& [key, label] : CliHelpLabels(language)) app.get_formatter()->label(key, label);
  app.option_defaults()->group(CliOptionsGroup(language));
  app.set_help_flag("-h,--help", CliText(CliPhrase::HelpFlagHelp, language));
}

namespace {

// The kind of a refusal by its exit code (its name may be the app's).
std::string KindOf(const CLI::ParseError& error) {
  switch (static_cast<CLI::ExitCodes>(error.get_exit_code())) {
    case CLI::ExitCodes::RequiredError:
      return "RequiredError";
    case CLI::ExitCodes::RequiresError:
      return "RequiresError";
    case CLI::ExitCodes::ExcludesError:
      return "ExcludesError";
    case CLI::ExitCodes::ExtrasError:
      return "ExtrasError";
    case CLI::ExitCodes::ArgumentMismatch:
      return "ArgumentMismatch";
    default:
      break;
  }
  return error.get_name();
}

}  // namespace

int AnswerParseError(CLI::App& app, const CLI::ParseError& error, Language language) {
  if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(error);
  std::cerr << "voltrigg-cli: " << CliUsageText(error.what(), KindOf(error), language) << '\n'
            << (language == Language::Japanese ? "使い方は --help で表示されます。"
                                               : "Run with --help for more information.")
            << '\n';
  return 64;
}

std::string ForTerminal(std::string text, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    const std::string shown = TextAsUtf8(name);
    if (name.empty() || shown == name) continue;
    for (std::size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + shown.size())) {
      text.replace(at, name.size(), shown);
    }
  }
  return text;
}

}  // namespace voltrigg
