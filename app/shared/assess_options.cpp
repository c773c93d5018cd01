#include "app/shared/assess_options.h"

#include <string>
#include <utility>

namespace voltrigg {

std::optional<bool> ParseExtrasOrder(std::string_view text) {
  std::string compact;
  for (char c : text) {
    if (c != ' ' && c != '\t') compact += c;
  }
  if (compact == "voc,isc") return false;
  if (compact == "isc,voc") return true;
  return std::nullopt;
}

AssessOptions ExtrasOnlyOptions(const std::optional<std::string>& extras) {
  AssessOptions out;
  if (extras) {
    if (const auto isc_first = ParseExtrasOrder(*extras)) out.isc_first = *isc_first;
  }
  return out;
}

ExtrasUse ExtrasUseOf(const AssessOptions& options) {
  return options.isc_first ? ExtrasUse::IscVoc : ExtrasUse::VocIsc;
}

ExtrasUse PlanningExtras(const AssessOptions* assessment) {
  return assessment == nullptr ? ExtrasUse::None : ExtrasUseOf(*assessment);
}

std::optional<ProfileFault> LoadInverterOption(const std::string& path, AssessOptions& options) {
  ProfileFault fault;
  std::optional<InverterProfile> profile = ReadInverterProfile(path, &fault);
  if (!profile) return fault;
  options.inverter = std::move(*profile);
  return std::nullopt;
}

}  // namespace voltrigg
