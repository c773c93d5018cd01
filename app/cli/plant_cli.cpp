#include "app/cli/plant_cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/shared/assess_options.h"
#include "app/shared/plant_texts.h"
#include "input/text_utf8.h"
#include "output/result_file.h"
#include "plant/plant.h"

namespace voltrigg {

namespace {

constexpr int kUsage = 64;
constexpr int kBadInput = 2;

// True when both name one existing file (a link or another spelling
// included); a file that does not exist yet is no other file.
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, ec) && !ec;
}

bool UsageFault(PlantFault::Kind kind) {
  return kind == PlantFault::Kind::BadConditions || kind == PlantFault::Kind::BadPalletWindow ||
         kind == PlantFault::Kind::BadExtras;
}

}  // namespace

const char* PlantCliHintJa() {
  return "20 直列を超えるストリングや 1000 枚を超えるモジュールは発電所として計画できます: voltrigg-cli plant "
         "LIST.csv... --layout PLANT.json -o BASE";
}

int RunPlantCli(int argc, char** argv) {
  CLI::App app{
      "Plant planning: a whole plant's measured modules wired to inverters, MPPT inputs and strings. Writes "
      "BASE.register.csv (every module's place in installation order), BASE.picklist.csv (the same by pallet) "
      "and BASE.plant.json.",
      "voltrigg-cli plant"};
  std::vector<std::string> lists;
  std::string layout;
  std::string base;
  std::string sort = "free";
  PlantRequest request;
  request.conditions.max_system_voltage_v = 1500;  // a plant's strings
  AssessConditions& c = request.conditions;
  app.add_option("LIST.csv", lists,
                 "module lists: seven fields under a header line, or columns named serial, pmax_w, vmp_v, imp_a, "
                 "voc_v, isc_a and pallet")
      ->required();
  app.add_option("--layout", layout, "the layout: modules per string and the inverter groups (PLANT.json)")->required();
  app.add_option("-o,--output", base, "the files' name without their extensions")->required();
  app.add_option("--sort", sort, "delivered, pallets or free")
      ->check(CLI::IsMember({"delivered", "pallets", "free"}))
      ->capture_default_str();
  app.add_option("--pallet-window", request.pallet_window, "pallets open at a time (--sort pallets)")
      ->capture_default_str();
  const auto range = [](const ConditionLimit& limit) { return " (" + LimitRangeText(limit) + ")"; };
  app.add_option(kTminLimit.option, c.tmin_c,
                 "lowest cell temperature for the cold open-circuit voltage [°C]" + range(kTminLimit))
      ->capture_default_str();
  app.add_option(kVocCoefficientLimit.option, c.voc_coefficient_pct_per_k,
                 "temperature coefficient of Voc [%/K]" + range(kVocCoefficientLimit))
      ->capture_default_str();
  app.add_option(kMaxSystemVoltageLimit.option, c.max_system_voltage_v,
                 "system voltage limit for any string's cold open-circuit voltage [V]" + range(kMaxSystemVoltageLimit))
      ->capture_default_str();
  app.add_option(kTColdOperatingLimit.option, c.t_cold_operating_c,
                 "cell temperature in cool full sun, for the MPPT maximum [°C]" + range(kTColdOperatingLimit))
      ->capture_default_str();
  app.add_option(kTHotLimit.option, c.t_hot_c,
                 "cell temperature on a hot afternoon, for the MPPT minimum and the currents [°C]" + range(kTHotLimit))
      ->capture_default_str();
  app.add_option(kIscCoefficientLimit.option, c.isc_coefficient_pct_per_k,
                 "temperature coefficient of Isc [%/K]" + range(kIscCoefficientLimit))
      ->capture_default_str();
  app.add_option(kIscFactorLimit.option, c.isc_factor,
                 "safety factor on an input's short-circuit current" + range(kIscFactorLimit))
      ->capture_default_str();
  app.add_option_function<std::string>(
         "--extras",
         [&request](const std::string& order) {
           request.extras = ParseExtrasOrder(order).value_or(false) ? ExtrasUse::IscVoc : ExtrasUse::VocIsc;
         },
         "what columns 6 and 7 of a seven-field module list hold: voc,isc (the default) or isc,voc")
      ->check(
          [](const std::string& order) {
            return ParseExtrasOrder(order) ? std::string() : std::string("must be voc,isc or isc,voc");
          },
          "voc,isc|isc,voc");
  app.add_option("--threads", request.threads, "at most this many threads (0: all)")->check(CLI::NonNegativeNumber);
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kUsage;
  }
  request.sort = *PlantSortNamed(sort);
  for (const std::string& path : lists) request.lists.push_back(PlantSource{TextAsUtf8(path), path, std::nullopt});
  request.layout = PlantSource{TextAsUtf8(layout), layout, std::nullopt};
  const std::vector<std::string> outputs = {base + ".register.csv", base + ".picklist.csv", base + ".plant.json"};
  std::vector<std::string> inputs = lists;
  inputs.push_back(layout);
  for (const std::string& out : outputs) {
    const auto replaced =
        std::find_if(inputs.begin(), inputs.end(), [&](const std::string& in) { return SameFile(out, in); });
    if (replaced != inputs.end()) {
      std::cerr << "voltrigg-cli: plant: " << TextAsUtf8(out) << " would replace an input: " << TextAsUtf8(*replaced)
                << '\n';
      return kBadInput;
    }
  }

  const PlantOutcome outcome = PlanPlant(request);
  std::vector<std::string> list_names(request.lists.size());
  std::transform(request.lists.begin(), request.lists.end(), list_names.begin(),
                 [](const PlantSource& s) { return s.name; });
  if (outcome.Refused()) {
    for (const PlantFault& f : outcome.faults) {
      std::cerr << "voltrigg-cli: plant: " << PlantFaultText(f, Language::English) << '\n';
    }
    if (outcome.faults.size() >= kMaxPlantFaults) {
      std::cerr << "voltrigg-cli: plant: (the first " << kMaxPlantFaults << " refusals)\n";
    }
    std::cerr << "voltrigg-cli: plant: nothing written\n";
    return UsageFault(outcome.faults.front().kind) ? kUsage : kBadInput;
  }
  for (const PlantWarning& w : outcome.warnings) {
    std::cerr << "voltrigg-cli: plant: warning: " << PlantWarningText(w, list_names, Language::English) << '\n';
  }
  // Each file whole or not at all, and the three together: each written
  // under a temporary name before the one before it takes its place.
  try {
    WriteFileAtomically(outputs[0], outcome.files.register_csv, {}, [&] {
      WriteFileAtomically(outputs[1], outcome.files.picklist_csv, {},
                          [&] { WriteFileAtomically(outputs[2], outcome.files.plant_json); });
    });
  } catch (const FileWriteError& e) {
    std::cerr << "voltrigg-cli: plant: cannot write " << TextAsUtf8(e.path())
              << (e.reason().empty() ? std::string(" (a folder of that name)") : ": " + e.reason()) << '\n';
    return kBadInput;
  } catch (const RunError& e) {
    std::cerr << "voltrigg-cli: plant: " << e.what() << '\n';
    return kBadInput;
  }
  for (const std::string& line : PlantSummaryLines(outcome.summary, Language::English)) std::cout << line << '\n';
  std::cout << "Register: " << TextAsUtf8(outputs[0]) << "\nPick list: " << TextAsUtf8(outputs[1])
            << "\nPlant file: " << TextAsUtf8(outputs[2]) << '\n';
  return outcome.summary.ok ? 0 : 1;
}

}  // namespace voltrigg
