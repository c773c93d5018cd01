#include "app/shared/option_texts.h"

#include "app/shared/commission_session.h"

namespace voltrigg {

namespace {

// The conditions of a run of `use` given in `texts`, in the table's order.
std::optional<ConditionFault> SetConditions(const OptionTexts& texts, OptionUse use, AssessOptions* assess,
                                            CommissionOptions* commission) {
  for (const OptionEntry& entry : OptionTable()) {
    if (entry.kind != OptionKind::Number || !TakesOption(entry, use)) continue;
    const auto given = texts.conditions.find(std::string_view(entry.key));
    if (given == texts.conditions.end()) continue;
    if (auto fault = SetOption(entry, given->second, assess, commission)) return fault;
  }
  return std::nullopt;
}

std::optional<OptionsFault> ConditionFaultOf(std::optional<ConditionFault> fault) {
  if (!fault) return std::nullopt;
  OptionsFault out;
  out.kind = OptionsFault::Kind::Condition;
  out.condition = std::move(*fault);
  return out;
}

// The extras into `isc_first` when given.
std::optional<OptionsFault> ReadExtras(const OptionTexts& texts, bool& isc_first) {
  if (!texts.extras) return std::nullopt;
  const std::optional<bool> order = ParseExtrasOrder(*texts.extras);
  if (!order) {
    OptionsFault out;
    out.kind = OptionsFault::Kind::Extras;
    out.extras = *texts.extras;
    return out;
  }
  isc_first = *order;
  return std::nullopt;
}

}  // namespace

std::optional<OptionsFault> ReadAssessOptionTexts(const OptionTexts& texts, AssessOptions& options) {
  // Refused before anything is read or written: a condition that makes no
  // sense would let the voltage check pass on nonsense.
  if (auto fault = ConditionFaultOf(SetConditions(texts, OptionUse::Assessment, &options, nullptr))) return fault;
  if (auto fault = ConditionFaultOf(ValidateConditions(options.conditions))) return fault;
  if (auto fault = ReadExtras(texts, options.isc_first)) return fault;
  if (texts.inverter_path) {
    if (auto profile = LoadInverterOption(*texts.inverter_path, options)) {
      OptionsFault out;
      out.kind = OptionsFault::Kind::Profile;
      out.profile = std::move(*profile);
      return out;
    }
  }
  return std::nullopt;
}

std::optional<OptionsFault> ReadCommissionOptionTexts(const OptionTexts& texts, CommissionOptions& options,
                                                      bool* isc_first) {
  // A check against nonsense must never pass.
  if (auto fault = ConditionFaultOf(SetConditions(texts, OptionUse::Commissioning, nullptr, &options))) return fault;
  if (auto fault = ConditionFaultOf(ValidateCommissionOptions(options))) return fault;
  bool order = isc_first != nullptr && *isc_first;
  if (auto fault = ReadExtras(texts, order)) return fault;
  if (isc_first != nullptr) *isc_first = order;
  return std::nullopt;
}

std::string OptionsFaultText(const OptionsFault& fault, Language language, ConditionNaming naming) {
  switch (fault.kind) {
    case OptionsFault::Kind::Condition:
      return ConditionFaultText(fault.condition, language, naming);
    case OptionsFault::Kind::Extras:
      return ExtrasFaultText(fault.extras, language, naming);
    case OptionsFault::Kind::Profile:
      break;
  }
  return ProfileFaultText(fault.profile, language);
}

std::optional<std::string> FormFieldText(const OptionEntry& entry, std::string_view typed) {
  std::string text = NormalisedNumberText(typed);
  if (text.empty() && entry.measurement_default) return std::nullopt;  // no value for every row
  return text;
}

std::vector<const OptionEntry*> AssessFormOptions() {
  std::vector<const OptionEntry*> out;
  for (const OptionEntry& entry : OptionTable()) {
    if (TakesOption(entry, OptionUse::Assessment) && entry.kind != OptionKind::Inverter) out.push_back(&entry);
  }
  return out;
}

std::vector<const OptionEntry*> CommissionFormOptions() {
  std::vector<const OptionEntry*> out;
  for (const OptionEntry& entry : OptionTable()) {
    if (entry.kind == OptionKind::Number && entry.use == OptionUse::Commissioning) out.push_back(&entry);
  }
  return out;
}

}  // namespace voltrigg
