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

struct LimitKey {
  const char* key;
  std::optional<double> InverterProfile::*member;
  bool zero_allowed;
};

constexpr std::array<LimitKey, 5> kLimits{{
    {kProfileLimitKeys[0], &InverterProfile::max_dc_voltage_v, false},
    {kProfileLimitKeys[1], &InverterProfile::mppt_min_v, true},
    {kProfileLimitKeys[2], &InverterProfile::mppt_max_v, false},
    {kProfileLimitKeys[3], &InverterProfile::max_input_current_a, false},
    {kProfileLimitKeys[4], &InverterProfile::max_short_circuit_current_a, false},
}};

std::optional<InverterProfile> Fail(ProfileFault* fault, ProfileFaultKind what, std::string key = {},
                                    std::string detail = {}) {
  if (fault != nullptr) {
    *fault = ProfileFault{};
    fault->what = what;
    fault->key = std::move(key);
    fault->detail = std::move(detail);
  }
  return std::nullopt;
}

}  // namespace

std::optional<InverterProfile> ParseInverterProfile(const std::string& text, ProfileFault* fault) {
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
    return Fail(fault, ProfileFaultKind::NotJson, last_key, e.what());
  }
  if (!duplicate.empty()) return Fail(fault, ProfileFaultKind::KeyTwice, duplicate);
  if (!doc.is_object()) return Fail(fault, ProfileFaultKind::NotAnObject);

  InverterProfile profile;
  for (auto it = doc.begin(); it != doc.end(); ++it) {
    const std::string& key = it.key();
    const Json& value = it.value();
    if (key == "name") {
      if (value.is_null()) continue;
      if (!value.is_string()) return Fail(fault, ProfileFaultKind::NameNotText, key);
      const std::string name = value.get<std::string>();
      if (name.size() > kMaxProfileNameBytes) return Fail(fault, ProfileFaultKind::NameTooLong, key);
      for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) return Fail(fault, ProfileFaultKind::NameControlCharacter, key);
      }
      profile.name = name;
      continue;
    }
    const LimitKey* limit = nullptr;
    for (const LimitKey& k : kLimits) {
      if (key == k.key) limit = &k;
    }
    if (limit == nullptr) return Fail(fault, ProfileFaultKind::UnknownKey, key);
    if (value.is_null()) continue;
    if (!value.is_number()) return Fail(fault, ProfileFaultKind::NotANumber, key);
    const double number = value.get<double>();
    // Written so that NaN and infinity fail.
    const bool in_range = limit->zero_allowed ? number >= 0 : number > 0;
    if (!(in_range && std::isfinite(number))) {
      return Fail(fault, limit->zero_allowed ? ProfileFaultKind::Negative : ProfileFaultKind::NotAboveZero, key);
    }
    profile.*(limit->member) = number;
  }
  if (profile.mppt_min_v && profile.mppt_max_v && !(*profile.mppt_min_v < *profile.mppt_max_v)) {
    return Fail(fault, ProfileFaultKind::MinNotBelowMax, "mppt_min_v");
  }
  if (profile.mppt_max_v && profile.max_dc_voltage_v && !(*profile.mppt_max_v <= *profile.max_dc_voltage_v)) {
    return Fail(fault, ProfileFaultKind::MaxAboveDcVoltage, "mppt_max_v");
  }
  // A profile without a limit would check nothing, yet a window "checked"
  // against it reads as if the inverter had been looked at.
  bool any_limit = false;
  for (const LimitKey& k : kLimits) any_limit = any_limit || (profile.*(k.member)).has_value();
  if (!any_limit) return Fail(fault, ProfileFaultKind::NoLimit);
  return profile;
}

std::optional<InverterProfile> ReadInverterProfile(const std::string& path, ProfileFault* fault) {
  const auto fail = [&](ProfileFaultKind what) {
    (void)Fail(fault, what);
    if (fault != nullptr) fault->file = path;
    return std::nullopt;
  };
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return fail(ProfileFaultKind::CannotOpen);
  std::string text;
  char buffer[4096];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxProfileBytes) return fail(ProfileFaultKind::TooLarge);
  }
  if (in.bad()) return fail(ProfileFaultKind::CannotRead);
  std::optional<InverterProfile> profile = ParseInverterProfile(text, fault);
  if (!profile && fault != nullptr) fault->file = path;
  return profile;
}

}  // namespace voltrigg
