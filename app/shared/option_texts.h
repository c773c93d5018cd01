#pragma once
// The options of a run as a front end has them, texts as typed (a command
// line's arguments, a page's fields), read into the options in one order:
// the conditions in the option table's order, the conditions as a whole,
// then the extras, then the inverter profile. The first that cannot be used
// is the fault; each front end words it in its own terms.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/shared/assess_options.h"
#include "app/shared/commission_options.h"
#include "app/shared/option_table.h"

namespace voltrigg {

struct OptionTexts {
  std::map<std::string, std::string, std::less<>>
      conditions;                            // by the table's key ("tmin"); one not given keeps its value
  std::optional<std::string> extras;         // "voc,isc" | "isc,voc"; none: the order already set
  std::optional<std::string> inverter_path;  // the profile's file; none: no profile
};

// Why the options cannot be used: the first fault in the reading order.
struct OptionsFault {
  enum class Kind { Condition, Extras, Profile };
  Kind kind = Kind::Condition;
  ConditionFault condition{};  // Condition
  std::string extras;          // Extras: the text given
  ProfileFault profile{};      // Profile
};

// The assessment's options: its conditions, the extras and the profile read
// into `options`, whose values stand where nothing is given (a plant's
// system voltage is not a planning run's).
std::optional<OptionsFault> ReadAssessOptionTexts(const OptionTexts& texts, AssessOptions& options);

// The commissioning check's options: its conditions, then the extras into
// `isc_first` (may be null when none are taken). A profile is not read.
std::optional<OptionsFault> ReadCommissionOptionTexts(const OptionTexts& texts, CommissionOptions& options,
                                                      bool* isc_first);

// The fault in `language`, each option named as `naming` says.
std::string OptionsFaultText(const OptionsFault& fault, Language language, ConditionNaming naming);

// A field of a form as the option reads it: a typed number normalised as the
// measurement reader reads one; nothing for an empty field of a value that
// rows may give themselves (a default for every row).
std::optional<std::string> FormFieldText(const OptionEntry& entry, std::string_view typed);

// The rows of the page's form: the assessment's conditions and the extras
// (the profile is a file of its own), and the commissioning check's own
// conditions (the coefficients are the assessment's fields).
std::vector<const OptionEntry*> AssessFormOptions();
std::vector<const OptionEntry*> CommissionFormOptions();

}  // namespace voltrigg
