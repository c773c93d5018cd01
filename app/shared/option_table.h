#pragma once
// The one table of the conditions a user sets: the assessment's and the
// commissioning check's. voltrigg-cli (CLI11), voltrigg-view
// (QCommandLineParser) and the page's form are all built from it, so that
// each shows the same conditions with the same defaults and ranges, and a
// bad value gets the same fault everywhere, worded in that front end's terms.
// The ranges are the core's (assess/conditions.h); the defaults are those of
// the conditions' structs.
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/shared/text_catalogue.h"
#include "assess/conditions.h"
#include "commission/commission_conditions.h"

namespace voltrigg {

struct AssessOptions;
struct CommissionOptions;

enum class OptionKind {
  Number,    // a condition with its range
  Extras,    // --extras voc,isc | isc,voc: what the list's columns 6 and 7 hold
  Inverter,  // --inverter FILE: the inverter profile
};

// Which runs take an option.
enum class OptionUse { Assessment, Commissioning, Both };

struct OptionEntry {
  const char* key;  // "tmin": --tmin on the command lines, the id of the page's field
  OptionKind kind;
  OptionUse use;
  const char* member;           // the member it sets, as the page's options and the files name it: "tmin_c"
  const char* value_name;       // the value's name in the help: "C", "PCT", "V", "F", "W", "FILE", "voc,isc|isc,voc"
  const ConditionLimit* limit;  // Number: the range (and the unit); else null
  // Number: the member of the conditions it sets, one of the three (the
  // others null): the assessment's, the commissioning's, or a measurement
  // default that rows may leave empty.
  double AssessConditions::*assess_member;
  double CommissionConditions::*commission_member;
  bool measurement_default;
  const char* help_en;  // what it is, with its unit: "lowest cell temperature ... [°C]"
  const char* help_ja;
  const char* label_en;  // the page's field
  const char* label_ja;
};

// Every option, in the order the help lists them.
std::span<const OptionEntry> OptionTable();

// The entry of a condition, of a key; null for an unknown key.
const OptionEntry& OptionOf(ConditionKey condition);
const OptionEntry* OptionOfKey(std::string_view key);

// True when a run of `use` takes the option (Both takes every option).
bool TakesOption(const OptionEntry& entry, OptionUse use);

// The option as voltrigg-cli and the viewer spell it: "--tmin".
std::string OptionName(const OptionEntry& entry);

// How a front end names the option in a message (ConditionNaming): "--tmin",
// or the page's label.
std::string OptionNameIn(const OptionEntry& entry, Language language, ConditionNaming naming);

// The default as the help shows it ("-10", "-0.3"); empty for none. A
// command whose defaults differ (a plant's system voltage) gives its own.
std::string DefaultText(const OptionEntry& entry, const AssessConditions& assess_defaults = {},
                        const CommissionConditions& commission_defaults = {});

// The help line: what it is, its range and its default:
// "lowest cell temperature for the cold open-circuit voltage [°C] (from -60 to 40 °C; default -10)".
std::string OptionHelp(const OptionEntry& entry, Language language, const AssessConditions& assess_defaults = {},
                       const CommissionConditions& commission_defaults = {});

// An option's number from its text: the whole text a decimal number, blanks
// around it allowed. "nan" and "inf" read as such; the range refuses them.
std::optional<double> ParseOptionNumber(std::string_view text);

// Sets the condition of `entry` (a Number) from `text` into `assess` and
// `commission` (either may be null; the commissioning's coefficients are the
// assessment's), after checking it against its range: the fault when the
// text is no number or out of the range, worded by ConditionFaultText.
std::optional<ConditionFault> SetOption(const OptionEntry& entry, std::string_view text, AssessOptions* assess,
                                        CommissionOptions* commission);

}  // namespace voltrigg
