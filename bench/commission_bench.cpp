// Timings of the commissioning check on 100 strings of 20 generated modules,
// each string measured at its own irradiance and module temperature: the
// check alone, and with the measurement file read and the commissioning file
// formatted (what voltrigg-cli commission does after fitting the curves),
// for a file of Voc and Isc and for the whole record checked against its
// plan; and the plan's fingerprint of the 2000 modules.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "app/shared/measurement_texts.h"
#include "commission/commissioning.h"
#include "commission/measurement_file.h"
#include "commission/plan_fingerprint.h"
#include "support/module_generator.h"

namespace {

using namespace voltrigg;

constexpr int kSeries = 20;
constexpr int kStrings = 100;

struct Field {
  std::vector<ModuleData> modules;
  std::vector<ModuleCurve> curves;
  Wiring wiring;
  std::vector<StringMeasurement> measurements;
  std::string file;    // the measurements as a measurement file
  std::string record;  // the same with every further item and the plan
  std::string plan;    // the wiring's fingerprint
};

const Field& TheField() {
  static const Field field = [] {
    Field f;
    for (const testing::GeneratedModule& g : testing::GenerateModules(kSeries * kStrings, 7)) {
      f.modules.push_back(ModuleData{static_cast<double>(static_cast<float>(g.module_no)), g.serial_no,
                                     static_cast<float>(g.pmax_w), static_cast<float>(g.vpm_v),
                                     static_cast<float>(g.ipm_a), static_cast<float>(g.voc_v),
                                     static_cast<float>(g.isc_a)});
      f.curves.push_back(FitModuleCurve(f.modules.back()).curve);
    }
    for (int j = 0; j < kStrings; ++j) {
      f.wiring.emplace_back();
      for (int i = 0; i < kSeries; ++i) f.wiring.back().push_back(j * kSeries + i);
    }
    f.plan = PlanFingerprint(f.modules, f.wiring);
    f.file = "string,voc_v,isc_a,irradiance_w_m2,module_temperature_c\r\n";
    f.record =
        "string,voc_v,isc_a,irradiance_w_m2,module_temperature_c,polarity,insulation_pos_mohm,insulation_neg_mohm,"
        "insulation_test_v,earth_continuity_ohm,plan\r\n";
    for (int j = 0; j < kStrings; ++j) {
      // The sun and the modules change while the crew walks the rows.
      const CellConditions cell{700.0 + 3.0 * j, 30.0 + 0.2 * j};
      const ExpectedString e = ExpectedStringAt(f.modules, f.curves, f.wiring[static_cast<std::size_t>(j)], cell, {});
      StringMeasurement m;
      m.string_no = j + 1;
      m.voc_v = e.voc_v * 0.995;
      m.isc_a = e.isc_a * 1.01;
      m.irradiance_w_m2 = cell.irradiance_w_m2;
      m.module_temperature_c = cell.temperature_c;
      f.measurements.push_back(m);
      char row[160];
      (void)std::snprintf(row, sizeof row, "%d,%.2f,%.3f,%.0f,%.1f", j + 1, e.voc_v * 0.995, e.isc_a * 1.01,
                          cell.irradiance_w_m2, cell.temperature_c);
      f.file += std::string(row) + "\r\n";
      f.record += std::string(row) + ",ok,120,95.5,1000,0.15," + f.plan + "\r\n";
    }
    return f;
  }();
  return field;
}

void BM_CommissioningCheck(benchmark::State& state) {
  const Field& f = TheField();
  for (auto _ : state) {
    Commissioning c = CheckCommissioning(f.modules, f.curves, f.wiring, f.measurements, {});
    benchmark::DoNotOptimize(c);
  }
}
BENCHMARK(BM_CommissioningCheck)->Unit(benchmark::kMillisecond);

void BM_CommissioningFileToJson(benchmark::State& state) {
  const Field& f = TheField();
  for (auto _ : state) {
    std::istringstream in(f.file);
    const std::vector<StringMeasurement> m = ReadMeasurements(in, "bench", kStrings, {});
    const Commissioning c = CheckCommissioning(f.modules, f.curves, f.wiring, m, {});
    std::string json = CommissioningJsonText(c, f.modules, "r.csv", "list.csv");
    benchmark::DoNotOptimize(json);
  }
}
BENCHMARK(BM_CommissioningFileToJson)->Unit(benchmark::kMillisecond);

void BM_CommissioningRecordToJson(benchmark::State& state) {
  const Field& f = TheField();
  for (auto _ : state) {
    std::istringstream in(f.record);
    const std::vector<StringMeasurement> m = ReadMeasurements(in, "bench", kStrings, {}, f.plan);
    const Commissioning c = CheckCommissioning(f.modules, f.curves, f.wiring, m, {});
    std::string json = CommissioningJsonText(c, f.modules, "r.csv", "list.csv");
    benchmark::DoNotOptimize(json);
  }
}
BENCHMARK(BM_CommissioningRecordToJson)->Unit(benchmark::kMillisecond);

void BM_PlanFingerprint(benchmark::State& state) {
  const Field& f = TheField();
  for (auto _ : state) {
    std::string plan = PlanFingerprint(f.modules, f.wiring);
    benchmark::DoNotOptimize(plan);
  }
}
BENCHMARK(BM_PlanFingerprint)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
