#pragma once
// A plant's strings as the commissioning check takes them: the plant file
// (BASE.plant.json) read back for its strings and their serials in series
// order, each string named INVERTER.INPUT.STRING as the register names it,
// and each serial's data found in the lists the plant was planned from (read
// by the plant's list reader). The check itself is commission/'s.
#include <optional>
#include <string>
#include <vector>

#include "commission/named_strings.h"
#include "plant/plant.h"

namespace voltrigg {

// A plant's strings in the plant file's order: inverter by inverter, input by
// input, string by string.
struct PlantFileString {
  std::string name;                  // INVERTER.INPUT.STRING, e.g. "INV-03.7.2"
  std::vector<std::string> serials;  // series order (UTF-8)
};

struct PlantFileStrings {
  double system_voltage_v = 0;  // [V] conditions.max_system_voltage_v: the plant's system voltage
  std::vector<PlantFileString> strings;
};

struct PlantFileReading {
  std::optional<PlantFileStrings> plant;
  std::vector<PlantFault> faults;  // not empty: refused (PlantFile* kinds)
};

// The strings of the plant file `source` (a file, or its text). Refused: a
// file that cannot be read, is larger than kMaxPlantFileBytes or is no JSON;
// a missing key or one of the wrong type or range on the way to the strings
// (conditions.max_system_voltage_v a positive number; inverters, each with a
// name, inputs, each with its number and strings, each with its number and
// serials, none empty); two strings of one name; a serial in two places.
PlantFileReading ReadPlantFile(const PlantSource& source);

struct PlantCommissionPlan {
  std::optional<NamedStringPlan> plan;  // the plant's strings with their modules' data and curves
  std::vector<PlantFault> faults;       // not empty: refused; at most kMaxPlantFaults
};

// The plant file's strings with their modules from `lists` (files in the
// order given, read as voltrigg-cli plant reads them; `extras` says what
// columns 6 and 7 of a seven-field list hold), each module's curve fitted as
// the result's check fits it. Refused: what ReadPlantFile and the list reader
// refuse, a serial of the plant file that no list holds (naming the serial
// and its string), a module whose curve cannot be fitted. The lists may hold
// more modules than the plant (its spares).
PlantCommissionPlan MakePlantCommissionPlan(const PlantSource& plant_file, const std::vector<PlantSource>& lists,
                                            ExtrasUse extras);

}  // namespace voltrigg
