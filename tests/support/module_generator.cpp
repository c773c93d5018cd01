#include "support/module_generator.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace voltrigg::testing {

std::uint64_t SeededRandom::Next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

double SeededRandom::Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

int SeededRandom::Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }

double SeededRandom::Normal() {
  // Twelve uniforms: plain arithmetic only, so no libm difference can change a list.
  double sum = 0;
  for (int i = 0; i < 12; ++i) sum += Uniform();
  return sum - 6.0;
}

ModuleType DrawModuleType(SeededRandom& random) {
  ModuleType type;
  type.nominal_pmax_w = 250.0 + 5.0 * random.Below(41);  // 250..450 W in 5 W steps
  // 60-cell modules up to about 330 W, 72-cell above; some overlap in between.
  const bool has_72_cells = type.nominal_pmax_w > 330.0 || (type.nominal_pmax_w > 290.0 && random.Below(2) == 0);
  const double volts_per_cell = 0.505 + 0.06 * random.Uniform();  // V per cell at maximum power
  type.nominal_vpm_v = volts_per_cell * (has_72_cells ? 72 : 60);
  type.nominal_ipm_a = type.nominal_pmax_w / type.nominal_vpm_v;
  type.spread = 0.02 + 0.01 * random.Uniform();
  return type;
}

namespace {
double RoundTo(double value, double step) { return std::round(value / step) * step; }
}  // namespace

std::vector<GeneratedModule> GenerateModules(int count, std::uint64_t seed) {
  SeededRandom random(seed);
  const ModuleType type = DrawModuleType(random);
  // The spread is the width that holds nearly all values of a batch: +-3
  // standard deviations.
  const double sigma = type.spread / 6.0;
  const int first_serial = 2400000 + random.Below(90000);
  std::vector<GeneratedModule> modules;
  modules.reserve(count > 0 ? count : 0);
  int serial = first_serial;
  for (int i = 1; i <= count; ++i) {
    GeneratedModule m;
    m.module_no = i;
    serial += 1 + random.Below(12);  // the line sorts out some modules between tests
    char text[32];
    std::snprintf(text, sizeof text, "VT%03d-%07d", static_cast<int>(type.nominal_pmax_w), serial);
    m.serial_no = text;
    const double drawn_vpm_v = type.nominal_vpm_v * (1.0 + sigma * random.Normal());
    const double drawn_ipm_a = type.nominal_ipm_a * (1.0 + sigma * random.Normal());
    m.vpm_v = RoundTo(drawn_vpm_v, 0.01);
    m.ipm_a = RoundTo(drawn_ipm_a, 0.001);
    m.pmax_w = RoundTo(m.vpm_v * m.ipm_a, 0.1);
    m.voc_v = RoundTo(m.vpm_v * (1.215 + 0.01 * random.Uniform()), 0.01);
    m.isc_a = RoundTo(m.ipm_a * (1.055 + 0.01 * random.Uniform()), 0.001);
    modules.push_back(std::move(m));
  }
  random.Shuffle(modules);
  return modules;
}

std::string FormatModuleList(const std::vector<GeneratedModule>& modules) {
  std::string out = "No,S/N,Pmax [W],Vpm [V],Ipm [A],Voc [V],Isc [A]\r\n";
  char line[160];
  for (const GeneratedModule& m : modules) {
    std::snprintf(line, sizeof line, "%d,%s,%.1f,%.2f,%.3f,%.2f,%.3f\r\n", m.module_no, m.serial_no.c_str(), m.pmax_w,
                  m.vpm_v, m.ipm_a, m.voc_v, m.isc_a);
    out += line;
  }
  return out;
}

int LoadGenerated(const std::vector<GeneratedModule>& modules, ModuleTable& table) {
  std::istringstream in(FormatModuleList(modules));
  return LoadModuleList(in, "generated list", table);
}

void FillTable(const std::vector<VpmIpm>& values, ModuleTable& table) {
  table.Clear();
  for (std::size_t i = 0; i < values.size(); ++i) {
    ModuleRecord& r = table.records[i + 1];
    r.moduleNo = static_cast<float>(i + 1);
    r.vpm = values[i].vpm_v;
    r.ipm = values[i].ipm_a;
    r.pmax = values[i].vpm_v * values[i].ipm_a;
    table.SerialTable[i + 1] = "M" + std::to_string(i + 1);
  }
}

}  // namespace voltrigg::testing
