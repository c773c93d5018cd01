#include "assess/inverter_profile.h"

#include <array>
#include <cmath>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace voltrigg {

namespace {

using Json = nlohmann::json;

constexpr std::size_t kMaxProfileBytes = std::size_t{64} * 1024;
constexpr std::size_t kMaxNameBytes = 200;

struct LimitKey {
  const char* key;
  std::optional<double> InverterProfile::*member;
  bool zero_allowed;
};

constexpr std::array<LimitKey, 5> kLimits{{
    {"max_dc_voltage_v", &InverterProfile::max_dc_voltage_v, false},
    {"mppt_min_v", &InverterProfile::mppt_min_v, true},
    {"mppt_max_v", &InverterProfile::mppt_max_v, false},
    {"max_input_current_a", &InverterProfile::max_input_current_a, false},
    {"max_short_circuit_current_a", &InverterProfile::max_short_circuit_current_a, false},
}};

std::optional<InverterProfile> Fail(std::string* problem, std::string text) {
  if (problem != nullptr) *problem = std::move(text);
  return std::nullopt;
}

std::string KnownKeys() {
  std::string out = "\"name\"";
  for (const LimitKey& k : kLimits) out += std::string(", \"") + k.key + "\"";
  return out;
}

}  // namespace

std::optional<InverterProfile> ParseInverterProfile(const std::string& text, std::string* problem) {
  // The library keeps the last of two equal keys; a profile that says a limit
  // twice is refused instead of silently taking one of them.
  std::string duplicate;
  std::string last_key;  // for a parse error's message
  std::vector<std::set<std::string>> seen;
  const Json::parser_callback_t callback = [&](int /*depth*/, Json::parse_event_t event, Json& parsed) {
    if (event == Json::parse_event_t::object_start) {
      seen.emplace_back();
    } else if (event == Json::parse_event_t::object_end) {
      if (!seen.empty()) seen.pop_back();
    } else if (event == Json::parse_event_t::key && !seen.empty()) {
      const std::string key = parsed.get<std::string>();
      last_key = key;
      if (!seen.back().insert(key).second && duplicate.empty()) duplicate = key;
    }
    return true;
  };
  Json doc;
  try {
    doc = Json::parse(text, callback);
  } catch (const Json::exception& e) {
    const std::string near = last_key.empty() ? std::string() : " near key \"" + last_key + "\"";
    return Fail(problem, "not valid JSON" + near + ": " + e.what());
  }
  if (!duplicate.empty()) return Fail(problem, "key \"" + duplicate + "\" appears more than once");
  if (!doc.is_object()) return Fail(problem, "the profile must be one JSON object");

  InverterProfile profile;
  for (auto it = doc.begin(); it != doc.end(); ++it) {
    const std::string& key = it.key();
    const Json& value = it.value();
    if (key == "name") {
      if (value.is_null()) continue;
      if (!value.is_string()) return Fail(problem, "key \"name\" must be a text");
      const std::string name = value.get<std::string>();
      if (name.size() > kMaxNameBytes) return Fail(problem, "key \"name\" is longer than 200 bytes");
      for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) return Fail(problem, "key \"name\" holds a control character");
      }
      profile.name = name;
      continue;
    }
    const LimitKey* limit = nullptr;
    for (const LimitKey& k : kLimits) {
      if (key == k.key) limit = &k;
    }
    if (limit == nullptr) return Fail(problem, "unknown key \"" + key + "\" (known keys: " + KnownKeys() + ")");
    if (value.is_null()) continue;
    if (!value.is_number()) return Fail(problem, "key \"" + key + "\" must be a number");
    const double number = value.get<double>();
    // Written so that NaN and infinity fail.
    const bool in_range = limit->zero_allowed ? number >= 0 : number > 0;
    if (!(in_range && std::isfinite(number))) {
      return Fail(problem,
                  "key \"" + key + "\" must be a finite number " + (limit->zero_allowed ? "of 0 or more" : "above 0"));
    }
    profile.*(limit->member) = number;
  }
  if (profile.mppt_min_v && profile.mppt_max_v && !(*profile.mppt_min_v < *profile.mppt_max_v)) {
    return Fail(problem, "key \"mppt_min_v\" must be below \"mppt_max_v\"");
  }
  if (profile.mppt_max_v && profile.max_dc_voltage_v && !(*profile.mppt_max_v <= *profile.max_dc_voltage_v)) {
    return Fail(problem, "key \"mppt_max_v\" must not be above \"max_dc_voltage_v\"");
  }
  return profile;
}

std::optional<InverterProfile> ReadInverterProfile(const std::string& path, std::string* problem) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return Fail(problem, "cannot open the inverter profile " + path);
  std::string text;
  char buffer[4096];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxProfileBytes) return Fail(problem, "the inverter profile " + path + " is larger than 64 KiB");
  }
  if (in.bad()) return Fail(problem, "cannot read the inverter profile " + path);
  std::string why;
  std::optional<InverterProfile> profile = ParseInverterProfile(text, &why);
  if (!profile) return Fail(problem, "inverter profile " + path + ": " + why);
  return profile;
}

}  // namespace voltrigg
