#include "app/shared/assess_options.h"

#include <cstdlib>
#include <string>

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

std::optional<double> ParseOptionNumber(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  const std::string whole(text);
  char* end = nullptr;
  const double value = std::strtod(whole.c_str(), &end);
  if (end != whole.c_str() + whole.size()) return std::nullopt;
  return value;
}

std::optional<std::string> LoadInverterOption(const std::string& path, AssessOptions& options) {
  std::string problem;
  std::optional<InverterProfile> profile = ReadInverterProfile(path, &problem);
  if (!profile) return problem;
  options.inverter = std::move(*profile);
  return std::nullopt;
}

}  // namespace voltrigg
