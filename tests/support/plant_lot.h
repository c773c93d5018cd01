#pragma once
// Generated plant lots for the plant tests, benchmarks and the list
// generator: modules of one power class as a flash tester reports them,
// delivered on pallets whose means drift from pallet to pallet. Header only;
// everything follows from the seed through SeededRandom, so a seed gives the
// same lot everywhere.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "support/module_generator.h"

namespace voltrigg::testing {

struct PlantLotShape {
  int modules = 700;
  int pallet_min = 31;  // modules per pallet, drawn from pallet_min..pallet_max
  int pallet_max = 37;
  double vmp_v = 44.0;  // the class's nominal values (a 580 W module)
  double imp_a = 13.2;
  double voc_per_vmp = 1.193;
  double isc_per_imp = 1.061;
  double spread = 0.006;        // relative deviation of Vmp and Imp within a pallet
  double pallet_drift = 0.004;  // relative deviation of a pallet's mean
  std::uint64_t seed = 1;
};

struct PlantLotModule {
  std::string serial;
  std::string pallet;
  double pmax_w = 0;
  double vmp_v = 0;
  double imp_a = 0;
  double voc_v = 0;
  double isc_a = 0;
};

inline double RoundTo(double value, double step) { return std::round(value / step) * step; }

// The lot in delivery order, pallet after pallet; serials "ZX58-0000001", ...,
// pallets "P-0001", .... Values rounded as a tester prints them.
inline std::vector<PlantLotModule> GeneratePlantLot(const PlantLotShape& shape) {
  SeededRandom random(shape.seed);
  std::vector<PlantLotModule> lot;
  lot.reserve(static_cast<std::size_t>(shape.modules));
  int pallet = 0;
  while (static_cast<int>(lot.size()) < shape.modules) {
    ++pallet;
    const int size = shape.pallet_min + random.Below(shape.pallet_max - shape.pallet_min + 1);
    const double vmp_mean = shape.vmp_v * (1 + shape.pallet_drift * random.Normal());
    const double imp_mean = shape.imp_a * (1 + shape.pallet_drift * random.Normal());
    char pallet_name[32];
    (void)std::snprintf(pallet_name, sizeof pallet_name, "P-%04d", pallet);
    for (int k = 0; k < size && static_cast<int>(lot.size()) < shape.modules; ++k) {
      PlantLotModule m;
      char serial[32];
      (void)std::snprintf(serial, sizeof serial, "ZX58-%07d", static_cast<int>(lot.size()) + 1);
      m.serial = serial;
      m.pallet = pallet_name;
      const double vmp = vmp_mean * (1 + shape.spread * random.Normal());
      const double imp = imp_mean * (1 + shape.spread * random.Normal());
      m.vmp_v = RoundTo(vmp, 0.01);
      m.imp_a = RoundTo(imp, 0.001);
      m.pmax_w = RoundTo(vmp * imp, 0.1);
      m.voc_v = RoundTo(vmp * (shape.voc_per_vmp + 0.002 * random.Normal()), 0.01);
      m.isc_a = RoundTo(imp * (shape.isc_per_imp + 0.002 * random.Normal()), 0.001);
      lot.push_back(m);
    }
  }
  return lot;
}

// The lot as a header-named list: serial,pallet,pmax_w,vmp_v,imp_a,voc_v,isc_a, CR LF.
inline std::string FormatPlantCsv(const std::vector<PlantLotModule>& lot) {
  std::string out = "serial,pallet,pmax_w,vmp_v,imp_a,voc_v,isc_a\r\n";
  out.reserve(out.size() + lot.size() * 64);
  char line[160];
  for (const PlantLotModule& m : lot) {
    const int n = std::snprintf(line, sizeof line, "%s,%s,%.1f,%.2f,%.3f,%.2f,%.3f\r\n", m.serial.c_str(),
                                m.pallet.c_str(), m.pmax_w, m.vmp_v, m.imp_a, m.voc_v, m.isc_a);
    out.append(line, static_cast<std::size_t>(n));
  }
  return out;
}

// The lot as a module list (seven fields: number, serial, Pmax, Vpm, Ipm, Voc, Isc).
inline std::string FormatPlantModuleList(const std::vector<PlantLotModule>& lot) {
  std::string out = "No.,S/N,Pmax,Vpm,Ipm,Voc,Isc\r\n";
  char line[160];
  int number = 0;
  for (const PlantLotModule& m : lot) {
    const int n = std::snprintf(line, sizeof line, "%d,%s,%.1f,%.2f,%.3f,%.2f,%.3f\r\n", ++number, m.serial.c_str(),
                                m.pmax_w, m.vmp_v, m.imp_a, m.voc_v, m.isc_a);
    out.append(line, static_cast<std::size_t>(n));
  }
  return out;
}

}  // namespace voltrigg::testing
