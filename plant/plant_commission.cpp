#include "plant/plant_commission.h"

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "plant/plant_lists.h"

namespace voltrigg {

namespace {

using Json = nlohmann::json;
using Kind = PlantFault::Kind;

PlantFault FileFault(Kind kind, const std::string& file_name) {
  PlantFault f;
  f.kind = kind;
  f.file_name = file_name;
  return f;
}

// The file's text, or the fault that stands in its way.
std::optional<std::string> TextOf(const PlantSource& source, std::vector<PlantFault>& faults) {
  if (source.text) {
    if (static_cast<std::int64_t>(source.text->size()) > kMaxPlantFileBytes) {
      PlantFault f = FileFault(Kind::PlantFileTooLarge, source.name);
      f.count = static_cast<std::int64_t>(source.text->size());
      faults.push_back(std::move(f));
      return std::nullopt;
    }
    return *source.text;
  }
  std::ifstream in(source.path, std::ios::binary);
  if (!in.is_open()) {
    faults.push_back(FileFault(Kind::PlantFileUnreadable, source.name));
    return std::nullopt;
  }
  std::string text;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (static_cast<std::int64_t>(text.size()) > kMaxPlantFileBytes) {
      PlantFault f = FileFault(Kind::PlantFileTooLarge, source.name);
      f.count = static_cast<std::int64_t>(text.size());
      faults.push_back(std::move(f));
      return std::nullopt;
    }
  }
  if (in.bad()) {
    faults.push_back(FileFault(Kind::PlantFileUnreadable, source.name));
    return std::nullopt;
  }
  return text;
}

// Walks the document to the strings; the first key out of place is the fault.
class StringsReader {
 public:
  explicit StringsReader(std::string file_name) : file_name_(std::move(file_name)) {}

  std::optional<PlantFileStrings> Read(const Json& doc) {
    PlantFileStrings out;
    const Json* conditions = Member(doc, "", "conditions", Json::value_t::object, "an object");
    if (conditions == nullptr) return std::nullopt;
    const Json* voltage =
        Member(*conditions, "conditions", "max_system_voltage_v", Json::value_t::number_float, "a positive number");
    if (voltage == nullptr) return std::nullopt;
    out.system_voltage_v = voltage->get<double>();
    if (!(std::isfinite(out.system_voltage_v) && out.system_voltage_v > 0)) {
      return Malformed("conditions.max_system_voltage_v", "a positive number");
    }
    const Json* inverters = Member(doc, "", "inverters", Json::value_t::array, "a list");
    if (inverters == nullptr) return std::nullopt;
    std::unordered_map<std::string_view, std::size_t> string_of_serial;
    std::unordered_map<std::string, std::size_t> string_of_name;
    for (std::size_t i = 0; i < inverters->size(); ++i) {
      const std::string at = "inverters[" + std::to_string(i) + "]";
      const Json& inverter = (*inverters)[i];
      if (!inverter.is_object()) return Malformed(at, "an object");
      const Json* name = Member(inverter, at, "name", Json::value_t::string, "a text");
      const Json* inputs = Member(inverter, at, "inputs", Json::value_t::array, "a list");
      if (name == nullptr || inputs == nullptr) return std::nullopt;
      for (std::size_t q = 0; q < inputs->size(); ++q) {
        const std::string input_at = at + ".inputs[" + std::to_string(q) + "]";
        const Json& input = (*inputs)[q];
        if (!input.is_object()) return Malformed(input_at, "an object");
        const Json* number = Member(input, input_at, "input", Json::value_t::number_unsigned, "a whole number from 1");
        const Json* strings = Member(input, input_at, "strings", Json::value_t::array, "a list");
        if (number == nullptr || strings == nullptr) return std::nullopt;
        for (std::size_t j = 0; j < strings->size(); ++j) {
          const std::string string_at = input_at + ".strings[" + std::to_string(j) + "]";
          const Json& string = (*strings)[j];
          if (!string.is_object()) return Malformed(string_at, "an object");
          const Json* string_no =
              Member(string, string_at, "string", Json::value_t::number_unsigned, "a whole number from 1");
          const Json* serials = Member(string, string_at, "serials", Json::value_t::array, "a list of serials");
          if (string_no == nullptr || serials == nullptr) return std::nullopt;
          if (number->get<std::uint64_t>() < 1) return Malformed(input_at + ".input", "a whole number from 1");
          if (string_no->get<std::uint64_t>() < 1) return Malformed(string_at + ".string", "a whole number from 1");
          if (serials->empty()) return Malformed(string_at + ".serials", "a list of serials");
          PlantFileString s;
          s.name = name->get<std::string>() + "." + std::to_string(number->get<std::uint64_t>()) + "." +
                   std::to_string(string_no->get<std::uint64_t>());
          if (!string_of_name.emplace(s.name, out.strings.size()).second) {
            PlantFault f = FileFault(Kind::PlantFileRepeatedString, file_name_);
            f.value = s.name;
            faults_.push_back(std::move(f));
            return std::nullopt;
          }
          s.serials.reserve(serials->size());
          for (std::size_t p = 0; p < serials->size(); ++p) {
            const Json& serial = (*serials)[p];
            if (!serial.is_string() || serial.get_ref<const std::string&>().empty()) {
              return Malformed(string_at + ".serials[" + std::to_string(p) + "]", "a serial");
            }
            s.serials.push_back(serial.get<std::string>());
          }
          out.strings.push_back(std::move(s));
        }
      }
    }
    // After the strings are in place: the views stay valid.
    for (std::size_t j = 0; j < out.strings.size(); ++j) {
      for (const std::string& serial : out.strings[j].serials) {
        if (!string_of_serial.emplace(serial, j).second) {
          PlantFault f = FileFault(Kind::PlantFileRepeatedSerial, file_name_);
          f.value = serial;
          f.field = out.strings[j].name;
          faults_.push_back(std::move(f));
          return std::nullopt;
        }
      }
    }
    if (out.strings.empty()) return Malformed("inverters", "a list of inverters with strings");
    return out;
  }

  std::vector<PlantFault> faults_;

 private:
  std::nullopt_t Malformed(const std::string& path, const std::string& what) {
    PlantFault f = FileFault(Kind::PlantFileMalformed, file_name_);
    f.field = path;
    f.detail = what;
    faults_.push_back(std::move(f));
    return std::nullopt;
  }

  // The member `key` of `object` when it has the type wanted (any number for
  // a float, an unsigned integer for a whole number); else the fault.
  const Json* Member(const Json& object, const std::string& at, const char* key, Json::value_t type, const char* what) {
    const std::string path = at.empty() ? std::string(key) : at + "." + key;
    const auto it = object.find(key);
    bool ok = it != object.end();
    if (ok) {
      switch (type) {
        case Json::value_t::number_float:
          ok = it->is_number();
          break;
        case Json::value_t::number_unsigned:
          ok = it->is_number_unsigned();
          break;
        default:
          ok = it->type() == type;
      }
    }
    if (!ok) {
      Malformed(path, what);
      return nullptr;
    }
    return &*it;
  }

  std::string file_name_;
};

}  // namespace

PlantFileReading ReadPlantFile(const PlantSource& source) {
  PlantFileReading out;
  const std::optional<std::string> text = TextOf(source, out.faults);
  if (!text) return out;
  Json doc;
  try {
    doc = Json::parse(*text);
  } catch (const Json::exception& e) {
    PlantFault f = FileFault(Kind::PlantFileNotJson, source.name);
    f.detail = e.what();
    out.faults.push_back(std::move(f));
    return out;
  }
  if (!doc.is_object()) {
    PlantFault f = FileFault(Kind::PlantFileMalformed, source.name);
    f.detail = "an object";
    out.faults.push_back(std::move(f));
    return out;
  }
  StringsReader reader(source.name);
  out.plant = reader.Read(doc);
  out.faults = std::move(reader.faults_);
  return out;
}

PlantCommissionPlan MakePlantCommissionPlan(const PlantSource& plant_file, const std::vector<PlantSource>& lists,
                                            ExtrasUse extras) {
  PlantCommissionPlan out;
  PlantFileReading reading = ReadPlantFile(plant_file);
  if (!reading.plant) {
    out.faults = std::move(reading.faults);
    return out;
  }
  if (lists.empty()) {
    out.faults.push_back(FileFault(Kind::NoLists, ""));
    return out;
  }
  plant::LotReading lot_reading = plant::ReadPlantLists(lists, extras, plant::PalletColumn::Optional);
  if (!lot_reading.faults.empty()) {
    out.faults = std::move(lot_reading.faults);
    return out;
  }
  const plant::PlantLot& lot = lot_reading.lot;
  std::unordered_map<std::string_view, std::size_t> module_of_serial;
  module_of_serial.reserve(lot.size());
  for (std::size_t k = 0; k < lot.size(); ++k) module_of_serial.emplace(lot.Serial(k), k);

  NamedStringPlan plan;
  plan.system_voltage_v = reading.plant->system_voltage_v;
  for (PlantFileString& s : reading.plant->strings) {
    StringWiring wiring;
    wiring.reserve(s.serials.size());
    for (const std::string& serial : s.serials) {
      const auto it = module_of_serial.find(serial);
      if (it == module_of_serial.end()) {
        if (out.faults.size() < kMaxPlantFaults) {
          PlantFault f = FileFault(Kind::SerialNotInLists, plant_file.name);
          f.value = serial;
          f.field = s.name;
          out.faults.push_back(std::move(f));
        }
        continue;
      }
      const std::size_t k = it->second;
      ModuleData m;
      m.number = static_cast<double>(k + 1);  // the module's place in the lists, as a list's row
      m.serial = serial;
      m.pmax_w = lot.pmax_w[k];
      m.vpm_v = lot.vmp_v[k];
      m.ipm_a = lot.imp_a[k];
      m.voc_v = lot.voc_v[k];
      m.isc_a = lot.isc_a[k];
      const CurveFit fit = FitModuleCurve(m);
      if (fit.problem != FitProblem::None && out.faults.size() < kMaxPlantFaults) {
        PlantFault f = FileFault(Kind::CurveNotFitted, lists[lot.file[k]].name);
        f.file = static_cast<int>(lot.file[k]);
        f.line = lot.line[k];
        f.value = serial;
        f.fit_problem = fit.problem;
        out.faults.push_back(std::move(f));
      }
      wiring.push_back(static_cast<int>(plan.modules.size()));
      plan.modules.push_back(std::move(m));
      plan.curves.push_back(fit.curve);
    }
    plan.names.push_back(std::move(s.name));
    plan.wiring.push_back(std::move(wiring));
  }
  if (out.faults.empty()) out.plan = std::move(plan);
  return out;
}

}  // namespace voltrigg
