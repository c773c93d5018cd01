#include "commission/named_strings.h"

#include <unordered_set>

namespace voltrigg {

std::optional<std::string> NamedPlanFault(const NamedStringPlan& plan) {
  if (plan.names.size() != plan.wiring.size()) return "the plan's names and strings differ in number";
  if (plan.modules.size() != plan.curves.size()) return "modules and curves differ in number";
  std::unordered_set<std::string> seen;
  for (std::size_t j = 0; j < plan.names.size(); ++j) {
    if (plan.names[j].empty()) return "string " + std::to_string(j + 1) + " has no name";
    if (!seen.insert(plan.names[j]).second) return "two strings are named " + plan.names[j];
    if (plan.wiring[j].empty()) return "string " + plan.names[j] + " has no modules";
  }
  if (!WiringIndicesValid(plan.wiring, static_cast<int>(plan.modules.size()))) {
    return "the plan names a module that is not in its modules";
  }
  return std::nullopt;
}

}  // namespace voltrigg
