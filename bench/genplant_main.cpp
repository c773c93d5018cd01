// voltrigg-genplant: writes a generated plant lot (modules of one power class
// on pallets whose means drift) to standard output, or a layout that uses it.
//   voltrigg-genplant --count 1000000 --seed 1 > lot.csv
//   voltrigg-genplant --count 1000000 --layout > plant.json
#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>

#include "support/plant_lot.h"

int main(int argc, char** argv) {
  CLI::App app{"Writes a generated plant lot, or a layout for it, to standard output.", "voltrigg-genplant"};
  voltrigg::testing::PlantLotShape shape;
  std::string format = "csv";
  bool layout = false;
  int series = 25;
  int strings_per_input = 2;
  int inputs = 12;
  app.add_option("-n,--count", shape.modules, "number of modules")->check(CLI::Range(1, 2000000));
  app.add_option("--seed", shape.seed, "seed; the same seed gives the same lot");
  app.add_option("--format", format, "csv (named columns, with pallets) or list (seven fields)")
      ->check(CLI::IsMember({"csv", "list"}));
  app.add_option("--spread", shape.spread, "relative deviation of Vmp and Imp within a pallet");
  app.add_option("--drift", shape.pallet_drift, "relative deviation of a pallet's mean");
  app.add_flag("--layout", layout, "write a layout using as many whole inverters as the lot fills");
  app.add_option("--series", series, "layout: modules per string")->check(CLI::Range(1, 60));
  app.add_option("--strings-per-input", strings_per_input, "layout: strings per input")->check(CLI::Range(1, 100));
  app.add_option("--inputs", inputs, "layout: inputs per inverter")->check(CLI::Range(1, 100));
  CLI11_PARSE(app, argc, argv);

  std::string text;
  if (layout) {
    const int per_inverter = series * strings_per_input * inputs;
    const int count = shape.modules / per_inverter;
    if (count < 1) {
      std::fprintf(stderr, "voltrigg-genplant: %d modules do not fill one inverter of %d\n", shape.modules,
                   per_inverter);
      return 1;
    }
    std::string per_input;
    for (int i = 0; i < inputs; ++i) per_input += (i > 0 ? ", " : "") + std::to_string(strings_per_input);
    text = "{\"name\": \"Generated plant\", \"modules_per_string\": " + std::to_string(series) +
           ", \"inverter_groups\": [{\"prefix\": \"INV\", \"count\": " + std::to_string(count) +
           ", \"strings_per_input\": [" + per_input +
           "], \"profile\": {\"name\": \"Generated 1500 V string inverter\", \"max_dc_voltage_v\": 1500, "
           "\"mppt_min_v\": 500, \"mppt_max_v\": 1500, \"max_input_current_a\": 30, "
           "\"max_short_circuit_current_a\": 50}}]}\n";
  } else {
    const auto lot = voltrigg::testing::GeneratePlantLot(shape);
    text = format == "csv" ? voltrigg::testing::FormatPlantCsv(lot) : voltrigg::testing::FormatPlantModuleList(lot);
  }
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
    std::perror("voltrigg-genplant");
    return 1;
  }
  return 0;
}
