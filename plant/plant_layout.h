#pragma once
// The plant's layout (PLANT.json): how many modules a string holds and the
// groups of inverters, each with its inputs and the inverter profile their
// checks use.
//   {"name": "...", "modules_per_string": 25,
//    "inverter_groups": [{"prefix": "INV", "count": 20,
//                         "strings_per_input": [2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2],
//                         "profile": {inverter profile keys, assess/inverter_profile.h}}]}
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "assess/inverter_profile.h"
#include "plant/plant.h"

namespace voltrigg::plant {

struct InverterGroup {
  std::string prefix;
  int count = 0;
  std::vector<int> strings_per_input;
  InverterProfile profile;
};

struct PlantLayout {
  std::optional<std::string> name;
  int modules_per_string = 0;
  std::vector<InverterGroup> groups;
};

// The layout read from `source`, or the faults naming the key at fault:
// text that is not one JSON object, a key twice or unknown, a key missing, a
// value of the wrong type or out of range, a profile ParseInverterProfile
// refuses, two inverters of the same name, more modules than a plan can have.
struct LayoutReading {
  std::optional<PlantLayout> layout;
  std::vector<PlantFault> faults;
};
LayoutReading ReadPlantLayout(const PlantSource& source);

// "INV-07": the prefix, a hyphen and the inverter's number (from 1), zero-padded
// to the width of the group's count.
std::string InverterName(const std::string& prefix, int number, int count);

// The layout in installation order: inverters group after group, each with
// its inputs 1..k, each input with its strings.
struct PlantStructure {
  struct Inverter {
    std::string name;
    int group = 0;
    std::int64_t first_input = 0;
    int inputs = 0;
  };
  struct Input {
    std::int64_t inverter = 0;
    int number = 0;  // from 1 within its inverter
    std::int64_t first_string = 0;
    int strings = 0;
  };
  int series = 0;  // modules per string
  std::vector<Inverter> inverters;
  std::vector<Input> inputs;
  std::vector<std::uint32_t> string_input;  // each string's input
  std::int64_t strings() const { return static_cast<std::int64_t>(string_input.size()); }
  std::int64_t modules() const { return strings() * series; }
};
PlantStructure ExpandLayout(const PlantLayout& layout);

}  // namespace voltrigg::plant
