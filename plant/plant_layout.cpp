#include "plant/plant_layout.h"

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <unordered_set>

namespace voltrigg::plant {

namespace {

using Json = nlohmann::ordered_json;
using Kind = PlantFault::Kind;

PlantFault Fault(Kind kind, const std::string& file_name, std::string field, std::string detail = {}) {
  PlantFault f;
  f.kind = kind;
  f.file_name = file_name;
  f.field = std::move(field);
  f.detail = std::move(detail);
  return f;
}

// Where the parser is, for naming a repeated key: keys of objects, indices of arrays.
struct Level {
  bool array = false;
  std::string key;
  int index = -1;
  std::set<std::string> seen;
};

std::string PathOf(const std::vector<Level>& levels) {
  std::string path;
  for (std::size_t i = 0; i + 1 < levels.size(); ++i) {
    const Level& l = levels[i];
    if (l.array) {
      path += "[" + std::to_string(l.index) + "]";
    } else {
      path += (path.empty() ? "" : ".") + l.key;
    }
  }
  return path;
}

std::string Join(const std::string& path, const std::string& key) { return path.empty() ? key : path + "." + key; }

bool TextOk(const std::string& text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

class LayoutParser {
 public:
  explicit LayoutParser(std::string file_name) : file_(std::move(file_name)) {}

  std::optional<PlantLayout> Parse(const std::string& text) {
    std::vector<Level> levels;
    std::optional<PlantFault> repeated;
    const Json::parser_callback_t callback = [&](int /*depth*/, Json::parse_event_t event, Json& parsed) {
      const auto element = [&] {
        if (!levels.empty() && levels.back().array) ++levels.back().index;
      };
      switch (event) {
        case Json::parse_event_t::object_start:
          element();
          levels.push_back(Level{});
          break;
        case Json::parse_event_t::array_start:
          element();
          levels.push_back(Level{true, {}, -1, {}});
          break;
        case Json::parse_event_t::object_end:
        case Json::parse_event_t::array_end:
          if (!levels.empty()) levels.pop_back();
          break;
        case Json::parse_event_t::key:
          if (!levels.empty()) {
            Level& l = levels.back();
            l.key = parsed.get<std::string>();
            if (!l.seen.insert(l.key).second && !repeated) {
              repeated = Fault(Kind::LayoutRepeatedKey, file_, Join(PathOf(levels), l.key));
            }
          }
          break;
        case Json::parse_event_t::value:
          element();
          break;
      }
      return true;
    };
    Json doc;
    try {
      doc = Json::parse(text, callback);
    } catch (const Json::exception& e) {
      faults_.push_back(Fault(Kind::LayoutNotJson, file_, "", e.what()));
      return std::nullopt;
    }
    // The library keeps the last of two equal keys: refused rather than silently taken.
    if (repeated) {
      faults_.push_back(*repeated);
      return std::nullopt;
    }
    return Layout(doc);
  }

  std::vector<PlantFault> faults_;

 private:
  bool Object(const Json& j, const std::string& path, const std::vector<std::string>& known,
              const std::vector<std::string>& required) {
    if (!j.is_object()) return Wrong(path, "an object");
    for (auto it = j.begin(); it != j.end(); ++it) {
      bool ok = false;
      for (const std::string& k : known) ok = ok || it.key() == k;
      if (!ok) return Fail(Kind::LayoutUnknownKey, Join(path, it.key()));
    }
    for (const std::string& k : required) {
      if (!j.contains(k)) return Fail(Kind::LayoutMissingKey, Join(path, k));
    }
    return true;
  }

  bool Fail(Kind kind, const std::string& path, const std::string& detail = {}) {
    faults_.push_back(Fault(kind, file_, path, detail));
    return false;
  }
  bool Wrong(const std::string& path, const std::string& what) { return Fail(Kind::LayoutWrongType, path, what); }

  // A whole number from `low` to `high` (25 and 25.0 alike).
  std::optional<int> Whole(const Json& j, const std::string& path, int low, int high) {
    if (!j.is_number()) {
      Wrong(path, "a whole number");
      return std::nullopt;
    }
    const double v = j.get<double>();
    if (!(v == std::floor(v) && std::isfinite(v))) {
      Wrong(path, "a whole number");
      return std::nullopt;
    }
    if (!(v >= low && v <= high)) {
      PlantFault f = Fault(Kind::LayoutOutOfRange, file_, path, std::to_string(low) + " to " + std::to_string(high));
      f.value = j.dump();
      faults_.push_back(std::move(f));
      return std::nullopt;
    }
    return static_cast<int>(v);
  }

  std::optional<std::string> Text(const Json& j, const std::string& path, std::size_t max_bytes) {
    if (!j.is_string()) {
      Wrong(path, "a text");
      return std::nullopt;
    }
    std::string text = j.get<std::string>();
    if (text.empty() || text.size() > max_bytes || !TextOk(text)) {
      PlantFault f = Fault(Kind::LayoutOutOfRange, file_, path,
                           "1 to " + std::to_string(max_bytes) + " bytes without control characters");
      f.value = text;
      faults_.push_back(std::move(f));
      return std::nullopt;
    }
    return text;
  }

  std::optional<PlantLayout> Layout(const Json& doc) {
    PlantLayout layout;
    if (!Object(doc, "", {"name", "modules_per_string", "inverter_groups"}, {"modules_per_string", "inverter_groups"}))
      return std::nullopt;
    if (doc.contains("name") && !doc["name"].is_null()) {
      layout.name = Text(doc["name"], "name", kMaxPlantNameBytes);
      if (!layout.name) return std::nullopt;
    }
    const std::optional<int> series = Whole(doc["modules_per_string"], "modules_per_string", 1, kMaxModulesPerString);
    if (!series) return std::nullopt;
    layout.modules_per_string = *series;
    const Json& groups = doc["inverter_groups"];
    if (!groups.is_array() || groups.empty()) {
      Wrong("inverter_groups", "a list of one or more inverter groups");
      return std::nullopt;
    }
    std::int64_t strings = 0;
    for (std::size_t g = 0; g < groups.size(); ++g) {
      const std::string path = "inverter_groups[" + std::to_string(g) + "]";
      const Json& j = groups[g];
      if (!Object(j, path, {"prefix", "count", "strings_per_input", "profile"},
                  {"prefix", "count", "strings_per_input", "profile"}))
        return std::nullopt;
      InverterGroup group;
      const std::optional<std::string> prefix = Text(j["prefix"], path + ".prefix", kMaxPrefixBytes);
      if (!prefix) return std::nullopt;
      group.prefix = *prefix;
      const std::optional<int> count = Whole(j["count"], path + ".count", 1, kMaxInvertersPerGroup);
      if (!count) return std::nullopt;
      group.count = *count;
      const Json& inputs = j["strings_per_input"];
      const std::string inputs_path = path + ".strings_per_input";
      if (!inputs.is_array() || inputs.empty() || inputs.size() > static_cast<std::size_t>(kMaxInputsPerInverter)) {
        Wrong(inputs_path, "a list of 1 to " + std::to_string(kMaxInputsPerInverter) + " string counts");
        return std::nullopt;
      }
      std::int64_t per_inverter = 0;
      for (std::size_t i = 0; i < inputs.size(); ++i) {
        const std::optional<int> n =
            Whole(inputs[i], inputs_path + "[" + std::to_string(i) + "]", 1, kMaxStringsPerInput);
        if (!n) return std::nullopt;
        group.strings_per_input.push_back(*n);
        per_inverter += *n;
      }
      if (!j["profile"].is_object()) {
        Wrong(path + ".profile", "an inverter profile (an object)");
        return std::nullopt;
      }
      // The inverter profile's own reader, as for a single array.
      ProfileFault problem;
      const std::optional<InverterProfile> profile = ParseInverterProfile(j["profile"].dump(), &problem);
      if (!profile) {
        PlantFault f = Fault(Kind::LayoutProfile, file_, path + ".profile", {});
        f.profile = std::move(problem);
        faults_.push_back(std::move(f));
        return std::nullopt;
      }
      group.profile = *profile;
      strings += per_inverter * group.count;
      // Checked as it grows, so that no product of the limits overflows.
      if (strings * layout.modules_per_string > kMaxPlantModules) {
        PlantFault f = Fault(Kind::LayoutOutOfRange, file_, "inverter_groups",
                             "at most " + std::to_string(kMaxPlantModules) + " modules");
        f.value = std::to_string(strings * layout.modules_per_string);
        faults_.push_back(std::move(f));
        return std::nullopt;
      }
      layout.groups.push_back(std::move(group));
    }
    std::unordered_set<std::string> names;
    for (const InverterGroup& group : layout.groups) {
      for (int n = 1; n <= group.count; ++n) {
        std::string name = InverterName(group.prefix, n, group.count);
        if (!names.insert(name).second) {
          PlantFault f = Fault(Kind::LayoutRepeatedInverter, file_, "inverter_groups");
          f.value = std::move(name);
          faults_.push_back(std::move(f));
          return std::nullopt;
        }
      }
    }
    return layout;
  }

  std::string file_;
};

}  // namespace

std::string InverterName(const std::string& prefix, int number, int count) {
  const std::string digits = std::to_string(number);
  const std::size_t width = std::to_string(count).size();
  return prefix + "-" + std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits;
}

LayoutReading ReadPlantLayout(const PlantSource& source) {
  LayoutReading out;
  std::string text;
  if (source.text) {
    text = *source.text;
  } else {
    std::ifstream in(source.path, std::ios::binary);
    if (!in.is_open()) {
      out.faults.push_back(Fault(Kind::LayoutUnreadable, source.name, ""));
      return out;
    }
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
      text.append(buffer, static_cast<std::size_t>(in.gcount()));
      if (static_cast<std::int64_t>(text.size()) > kMaxLayoutBytes) break;
    }
    if (in.bad()) {
      out.faults.push_back(Fault(Kind::LayoutUnreadable, source.name, ""));
      return out;
    }
  }
  if (static_cast<std::int64_t>(text.size()) > kMaxLayoutBytes) {
    out.faults.push_back(Fault(Kind::LayoutTooLarge, source.name, ""));
    return out;
  }
  LayoutParser parser(source.name);
  out.layout = parser.Parse(text);
  out.faults = std::move(parser.faults_);
  return out;
}

PlantStructure ExpandLayout(const PlantLayout& layout) {
  PlantStructure s;
  s.series = layout.modules_per_string;
  for (std::size_t g = 0; g < layout.groups.size(); ++g) {
    const InverterGroup& group = layout.groups[g];
    for (int n = 1; n <= group.count; ++n) {
      PlantStructure::Inverter inverter;
      inverter.name = InverterName(group.prefix, n, group.count);
      inverter.group = static_cast<int>(g);
      inverter.first_input = static_cast<std::int64_t>(s.inputs.size());
      inverter.inputs = static_cast<int>(group.strings_per_input.size());
      for (std::size_t i = 0; i < group.strings_per_input.size(); ++i) {
        PlantStructure::Input input;
        input.inverter = static_cast<std::int64_t>(s.inverters.size());
        input.number = static_cast<int>(i) + 1;
        input.first_string = s.strings();
        input.strings = group.strings_per_input[i];
        s.string_input.insert(s.string_input.end(), static_cast<std::size_t>(input.strings),
                              static_cast<std::uint32_t>(s.inputs.size()));
        s.inputs.push_back(input);
      }
      s.inverters.push_back(std::move(inverter));
    }
  }
  return s;
}

}  // namespace voltrigg::plant
