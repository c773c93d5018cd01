#include "output/same_file.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace voltrigg {

bool SameExistingFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code ec;
  if (!std::filesystem::exists(a, ec) || !std::filesystem::exists(b, ec)) return false;
  const bool same = std::filesystem::equivalent(a, b, ec);
  return same && !ec;
}

bool IsOneOfTheFiles(const std::string& target, const std::vector<std::string>& inputs) {
  return std::any_of(inputs.begin(), inputs.end(),
                     [&target](const std::string& input) { return SameExistingFile(target, input); });
}

}  // namespace voltrigg
