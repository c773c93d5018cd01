#include "assess/wiring_match.h"

#include <cstdio>
#include <map>

namespace voltrigg {

std::optional<Wiring> MatchWiring(const std::vector<ModuleData>& modules,
                                  const std::vector<std::vector<WiringRow>>& rows, std::string* problem) {
  std::multimap<double, int> by_number;
  for (std::size_t k = 0; k < modules.size(); ++k) by_number.emplace(modules[k].number, static_cast<int>(k));
  std::vector<char> used(modules.size(), 0);
  Wiring wiring;
  wiring.reserve(rows.size());
  for (std::size_t j = 0; j < rows.size(); ++j) {
    StringWiring string;
    string.reserve(rows[j].size());
    for (const WiringRow& row : rows[j]) {
      int found = -1;
      const auto [first, last] = by_number.equal_range(row.number);
      for (int pass = 0; pass < 2 && found < 0; ++pass) {
        for (auto it = first; it != last; ++it) {
          const ModuleData& m = modules[static_cast<std::size_t>(it->second)];
          if (used[static_cast<std::size_t>(it->second)] || m.serial != row.serial) continue;
          if (pass == 0 && (m.vpm_v != row.vpm_v || m.ipm_a != row.ipm_a)) continue;
          found = it->second;
          break;
        }
      }
      if (found < 0) {
        if (problem != nullptr) {
          char number[32];
          (void)std::snprintf(number, sizeof number, "%.9g", row.number);
          *problem = "string " + std::to_string(j + 1) + ": module " + number + " (S/N " + row.serial +
                     ") is not in the module list, or appears more often than there";
        }
        return std::nullopt;
      }
      used[static_cast<std::size_t>(found)] = 1;
      string.push_back(found);
    }
    wiring.push_back(std::move(string));
  }
  return wiring;
}

}  // namespace voltrigg
