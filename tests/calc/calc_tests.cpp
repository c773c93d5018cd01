// Baseline figures, the operating-point estimate, the search, the final
// matrix and the result file, on small tables whose figures are known.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "calc/array_matrix.h"
#include "calc/array_shape.h"
#include "calc/baseline.h"
#include "calc/final_matrix.h"
#include "calc/search.h"
#include "input/run_error.h"
#include "output/result_file.h"

using namespace voltrigg;

namespace {

struct M {
  float no, vpm, ipm;
};

ModuleTable Table(const std::vector<M>& rows, float pmax = 250.0f) {
  ModuleTable t;
  int k = 1;
  for (const M& r : rows) {
    t.records[k] = ModuleRecord{r.no, pmax, r.vpm, r.ipm, 0, 0};
    t.SerialTable[k] = "SN-" + std::to_string(static_cast<int>(r.no));
    ++k;
  }
  return t;
}

std::vector<int> Numbers(const ArrayMatrix& m, int N) {
  std::vector<int> v;
  for (int k = 1; k <= N; ++k) v.push_back(static_cast<int>(m[k].moduleNo));
  return v;
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Modules 1..9 of the three-string example: (vpm, ipm).
ModuleTable NineModules() {
  return Table(
      {{1, 30, 8}, {2, 31, 8}, {3, 34, 8}, {4, 28, 9}, {5, 29, 9}, {6, 30, 9}, {7, 33, 9}, {8, 33, 9}, {9, 34, 9}});
}

}  // namespace

TEST(Baseline, WorkedExampleTakesLastOfEqualVoltagesAndRemovesIt) {
  const ModuleTable t = Table({{11, 30.0f, 8.00f},
                               {12, 29.5f, 8.10f},
                               {13, 30.4f, 8.20f},
                               {14, 29.8f, 8.25f},
                               {15, 30.1f, 8.30f},
                               {16, 29.8f, 8.40f}});
  const BaselineFigures f = ComputeBaselineFigures(t, {6, 3, 2});
  const float ipm = 8.00f + 8.10f;
  const float vpm = (29.5f + 29.8f) + 29.8f;
  EXPECT_TRUE(SameBits(f.MinimumPoint.Ipm, ipm));
  EXPECT_TRUE(SameBits(f.MinimumPoint.Vpm, vpm));
  EXPECT_TRUE(SameBits(f.MinimumPoint.Pmax, ipm * vpm));
  EXPECT_NEAR(f.MinimumPoint.Pmax, 1434.51, 0.01);
  EXPECT_EQ(f.PositionMinVpm[1], 29.5f);
  EXPECT_EQ(f.LastMinModuleNo, 14);  // 16 at position 2, then 14
  EXPECT_EQ(f.SimplePmaxSum, 1500.0f);
}

TEST(Baseline, SmallShapesAndTheCeiling) {
  // S = 1: the lowest voltage of all modules and the sum of all currents.
  BaselineFigures f = ComputeBaselineFigures(Table({{1, 31, 8}, {2, 30, 9}, {3, 32, 9.5f}}), {3, 1, 3});
  EXPECT_EQ(f.MinimumPoint.Vpm, 30.0f);
  EXPECT_EQ(f.MinimumPoint.Ipm, (8.0f + 9.0f) + 9.5f);
  // P = 1: slot 1's current and voltage, then the lowest of the rest.
  f = ComputeBaselineFigures(Table({{1, 31, 8}, {2, 30, 9}, {3, 29, 9.5f}}), {3, 3, 1});
  EXPECT_EQ(f.MinimumPoint.Ipm, 8.0f);
  EXPECT_EQ(f.MinimumPoint.Vpm, 31.0f + 29.0f + 30.0f);
  // No modules at all: every position stays at the 1000 V ceiling.
  f = ComputeBaselineFigures(ModuleTable{}, {0, 4, 0});
  EXPECT_EQ(f.MinimumPoint.Vpm, 4000.0f);
  EXPECT_EQ(f.MinimumPoint.Pmax, 0.0f);
  // Voltages above the ceiling are never taken; exactly 1000 is, from position 2 on.
  f = ComputeBaselineFigures(Table({{1, 1200, 8}, {2, 1000, 9}, {3, 1500, 9.5f}}), {3, 3, 1});
  EXPECT_EQ(f.PositionMinVpm[1], 1000.0f);
  EXPECT_EQ(f.PositionMinVpm[2], 1000.0f);
  EXPECT_EQ(f.LastMinModuleNo, 2);
  EXPECT_EQ(f.PositionMinVpm[3], 1000.0f);  // 1500 left only
}

TEST(Baseline, EveryRunStartsFromModuleNumberZero) {
  // No voltage at or below the ceiling at position 2: the removal looks for
  // the run's starting number, which must not leak from an earlier run.
  const ModuleTable t = Table({{5, 30, 8}, {7, 1500, 9}, {0, 1600, 9.5f}});
  const BaselineFigures fresh = ComputeBaselineFigures(t, {3, 3, 1});
  EXPECT_EQ(fresh.LastMinModuleNo, 0);
  EXPECT_EQ(fresh.MinimumPoint.Vpm, 30.0f + 1000.0f + 1000.0f);
}

TEST(Baseline, ModuleNumberOutOfRangeAndFloatOverflowAreErrors) {
  EXPECT_THROW(ComputeBaselineFigures(Table({{1, 30, 8}, {40000, 29, 9}}), {2, 2, 1}), RunError);
  try {
    ComputeBaselineFigures(Table({{1, 30, 8}, {2, 29, 9}}, 3e38f), {2, 2, 1});
    FAIL();
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("Simple Sum of Module Pmax"), std::string::npos) << e.what();
  }
}

// Every calculation entry point checks the shape it is given against the
// tables; run under the sanitizers, a refused shape must show no report.
TEST(Shape, BeyondTheTablesIsRefusedByEveryEntryPoint) {
  const ModuleTable t = NineModules();
  PassResult pass;
  pass.matrix = EmptyMatrix();
  const std::vector<std::pair<ArrayShape, std::string>> refused = {
      {{2002, 1, 2002}, "モジュール数は 0～2001 です"},  // more modules than slots
      {{21, 21, 1}, "直列モジュール数は 20 までです"},   // more positions than the baseline keeps
      {{0, 25, 0}, "直列モジュール数は 20 までです"},
      {{0, 0, 5000}, "並列ストリング数は 2001 までです"},
      {{9, 3, 1000}, "積と違います"},  // strings beyond the modules
      {{2000, 1, 3000}, "積と違います"},
      {{-6, -2, 3}, "モジュール数は 0～2001 です"},
      {{-1, -1, 1}, "モジュール数は 0～2001 です"},
  };
  const auto expect_refused = [](const std::function<void()>& call, const std::string& reason) {
    try {
      call();
      ADD_FAILURE() << "not refused: " << reason;
    } catch (const RunError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("計算できないアレイ構成です (モジュール数 ", 0), 0u) << e.what();
      EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
  };
  for (const auto& [shape, reason] : refused) {
    SCOPED_TRACE(std::to_string(shape.modules) + " " + std::to_string(shape.series) + " " +
                 std::to_string(shape.parallel));
    expect_refused([&] { ComputeBaselineFigures(t, shape); }, reason);
    expect_refused([&] { EstimateOperatingPoint(EmptyMatrix(), shape, "x"); }, reason);
    expect_refused([&] { BuildInitialArrangement(t, shape); }, reason);
    expect_refused([&] { SearchPassPlain(t, shape, AcceptTies::Yes); }, reason);
    expect_refused([&] { SearchPassFast(t, shape, AcceptTies::No); }, reason);
    expect_refused([&] { SearchPass(t, shape, AcceptTies::Yes); }, reason);
    expect_refused([&] { ComposeFinalMatrix(pass, pass, shape); }, reason);
  }

  // Tables a caller has shrunk are refused too, not read past their end.
  ModuleTable shrunk = NineModules();
  shrunk.records.resize(5);
  expect_refused([&] { SearchPass(shrunk, {9, 3, 3}, AcceptTies::Yes); }, "表の大きさが足りません: 5 項目");
  expect_refused([&] { ComputeBaselineFigures(shrunk, {9, 3, 3}); }, "表の大きさが足りません");
  expect_refused([&] { EstimateOperatingPoint(ArrayMatrix(9), {9, 3, 3}, "x"); }, "表の大きさが足りません");
  PassResult short_pass;
  short_pass.matrix = ArrayMatrix(4);
  expect_refused([&] { ComposeFinalMatrix(short_pass, pass, {9, 3, 3}); }, "表の大きさが足りません");

  // Counts below one pass when their product is the module count: every loop
  // over them is empty.
  for (const ArrayShape& shape : {ArrayShape{6, -2, -3}, ArrayShape{0, 0, 7}, ArrayShape{0, -4, 0}}) {
    const PassResult r = SearchPass(t, shape, AcceptTies::Yes);
    EXPECT_EQ(r.ImprovementCount, 0);
    EXPECT_EQ(ComputeBaselineFigures(t, shape).MinimumPoint.Ipm, 0.0f);
  }
  // The largest shapes the tables hold.
  EXPECT_NO_THROW(ComputeBaselineFigures(ModuleTable{}, {0, 20, 0}));
  EXPECT_NO_THROW(EstimateOperatingPoint(EmptyMatrix(), {2001, 1, 2001}, "x"));
}

TEST(Estimate, WorkedExampleAndItsEdges) {
  const ModuleTable t = NineModules();
  const OperatingPoint p = EstimateOperatingPoint(BuildInitialArrangement(t, {9, 3, 3}), {9, 3, 3}, "Initial");
  EXPECT_EQ(p.Ipm, 26.0f);
  EXPECT_EQ(p.Vpm, 87.0f);
  EXPECT_EQ(p.Pmax, 2262.0f);
  // One string: slot 1's current, the voltage capped at 1000.
  const ModuleTable high = Table({{1, 600, 8}, {2, 400, 9}, {3, 1, 9}});
  EXPECT_EQ(EstimateOperatingPoint(BuildInitialArrangement(high, {3, 3, 1}), {3, 3, 1}, "x").Vpm, 1000.0f);
  EXPECT_EQ(EstimateOperatingPoint(BuildInitialArrangement(high, {2, 2, 1}), {2, 2, 1}, "x").Vpm, 1000.0f);
  // S = 1: every module a string.
  const OperatingPoint single = EstimateOperatingPoint(BuildInitialArrangement(t, {9, 1, 9}), {9, 1, 9}, "x");
  EXPECT_EQ(single.Vpm, 28.0f);
  // No modules: Ipm 0, Vpm the ceiling, Pmax 0.
  const OperatingPoint none = EstimateOperatingPoint(EmptyMatrix(), {0, 5, 0}, "x");
  EXPECT_EQ(none.Vpm, 1000.0f);
  EXPECT_EQ(none.Pmax, 0.0f);
}

TEST(Search, WorkedExampleBothPasses) {
  const ModuleTable t = NineModules();
  const PassResult p1 = SearchPass(t, {9, 3, 3}, AcceptTies::Yes);
  const PassResult p2 = SearchPass(t, {9, 3, 3}, AcceptTies::No);
  EXPECT_EQ(p1.ImprovementCount, 2);
  EXPECT_EQ(Numbers(p1.matrix, 9), (std::vector<int>{1, 2, 8, 3, 4, 5, 6, 7, 9}));
  EXPECT_EQ(p2.ImprovementCount, 1);
  EXPECT_EQ(Numbers(p2.matrix, 9), (std::vector<int>{1, 2, 7, 3, 4, 5, 6, 8, 9}));
  for (const PassResult* p : {&p1, &p2}) {
    EXPECT_EQ(p->point.Pmax, 2275.0f);
    EXPECT_EQ(p->point.Vpm, 91.0f);
    EXPECT_EQ(p->point.Ipm, 25.0f);
    EXPECT_EQ(p->InitialPoint.Pmax, 2262.0f);
  }
  // The serial numbers travel with their modules.
  EXPECT_EQ(t.SerialTable[p2.matrix[3].serial], "SN-7");
  const FinalMatrixResult f = ComposeFinalMatrix(p1, p2, {9, 3, 3});
  EXPECT_EQ(Numbers(f.FinalMatrix, 9), Numbers(p2.matrix, 9));  // equal Pmax keeps pass 2
}

TEST(Search, NothingToMoveKeepsTheInitialArrangement) {
  // S = 1, P = 1, and all-equal voltages whose sums are exact.
  const ModuleTable t = Table({{1, 40, 8}, {2, 40, 8.1f}, {3, 40, 8.2f}, {4, 40, 8.3f}, {5, 40, 8.4f}, {6, 40, 8.5f}});
  for (auto [S, P] : {std::pair{1, 6}, std::pair{6, 1}, std::pair{2, 3}, std::pair{3, 2}}) {
    for (AcceptTies ties : {AcceptTies::Yes, AcceptTies::No}) {
      const PassResult r = SearchPass(t, {6, S, P}, ties);
      EXPECT_EQ(r.ImprovementCount, 0) << S << "x" << P;
      EXPECT_EQ(Numbers(r.matrix, 6), (std::vector<int>{1, 2, 3, 4, 5, 6}));
      EXPECT_TRUE(SameBits(r.point.Pmax, r.InitialPoint.Pmax));
    }
  }
}

TEST(Search, StringsAboveTheCeilingStillMoveOnTies) {
  // Every string sums above 1000 V and all currents are equal: every move
  // leaves Pmax as it was, so pass 1 takes the ties and pass 2 none.
  const ModuleTable t = Table({{1, 500, 8}, {2, 520, 8}, {3, 560, 8}, {4, 480, 8}, {5, 490, 8}, {6, 510, 8}});
  const PassResult p1 = SearchPass(t, {6, 3, 2}, AcceptTies::Yes);
  const PassResult p2 = SearchPass(t, {6, 3, 2}, AcceptTies::No);
  EXPECT_EQ(p1.point.Vpm, 1000.0f);
  EXPECT_EQ(p2.ImprovementCount, 0);
  EXPECT_GT(p1.ImprovementCount, 0);
  EXPECT_EQ(p1.point.Pmax, p2.point.Pmax);
}

TEST(FinalMatrix, ChoiceAndStringNumbers) {
  PassResult a;
  PassResult b;
  a.matrix = b.matrix = EmptyMatrix();
  for (int k = 1; k <= 6; ++k) {
    a.matrix[k].moduleNo = static_cast<float>(k);
    b.matrix[k].moduleNo = static_cast<float>(7 - k);
  }
  a.point = b.point = OperatingPoint{2000.0f, 100.0f, 20.0f};
  b.point.Vpm = 99.0f;
  EXPECT_EQ(ComposeFinalMatrix(a, b, {6, 2, 3}).EstimatedPoint.Vpm, 99.0f);
  a.point.Pmax = std::nextafter(2000.0f, 3000.0f);
  const FinalMatrixResult f = ComposeFinalMatrix(a, b, {6, 2, 3});
  EXPECT_EQ(f.FinalMatrix[1].moduleNo, 1.0f);
  EXPECT_EQ(f.EstimatedPoint.Vpm, 100.0f);
  EXPECT_EQ(std::vector<std::int16_t>(f.StringNumbers.begin() + 1, f.StringNumbers.begin() + 8),
            (std::vector<std::int16_t>{1, 1, 2, 2, 3, 3, 0}));
  EXPECT_EQ(f.MatrixHeadings[3], "S/N");
}

TEST(ResultFile, SmallRunByteForByte) {
  ModuleTable t = NineModules();
  t.SerialTable[8] = "Q\"8\", B";
  const PassResult p1 = SearchPass(t, {9, 3, 3}, AcceptTies::Yes);
  const PassResult p2 = SearchPass(t, {9, 3, 3}, AcceptTies::No);
  const FinalMatrixResult f = ComposeFinalMatrix(p1, p2, {9, 3, 3});
  const BaselineFigures b = ComputeBaselineFigures(t, {9, 3, 3});
  const ResultFileContent c{"list.csv", b.SimplePmaxSum, b.MinimumPoint, p2.InitialPoint, f, t, 9};
  EXPECT_EQ(FormatResultFile(c),
            "\"Input Filename=\",\"list.csv\"\r\n"
            "\"Simple Sum of Module Pmax [W]=\",2250\r\n"
            "\"Minimum\",\"Array Pmax [W]=\",2088,\"Array Vpm [V]=\",87,\"Array Ipm [A]=\",24\r\n"
            "\"Initial\",\"Array Pmax [W]=\",2262,\"Array Vpm [V]=\",87,\"Array Ipm [A]=\",26\r\n"
            "\"Estimated\",\"Array Pmax [W]=\",2275,\"Array Vpm= [V]\",91,\"Array Ipm [A]=\",25\r\n"
            "\"Obtained Array Matrix as as follows:\"\r\n"
            "\"String\",\"Module No\",\"S/N\",\"Vpm [V]\",\"Ipm [A]\"\r\n"
            "1,1,\"SN-1\",30,8\r\n"
            "1,2,\"SN-2\",31,8\r\n"
            "1,7,\"SN-7\",33,9\r\n"
            "2,3,\"SN-3\",34,8\r\n"
            "2,4,\"SN-4\",28,9\r\n"
            "2,5,\"SN-5\",29,9\r\n"
            "3,6,\"SN-6\",30,9\r\n"
            "3,8,\"Q\"\"8\"\", B\",33,9\r\n"
            "3,9,\"SN-9\",34,9\r\n");
}

TEST(ResultFile, FloatsReadBackExactly) {
  for (float v : {0.1f, 1434.51f, 8.3f, 1e-7f, 3.4e38f, -0.0f, 123456789.0f, 1.17549435e-38f}) {
    const std::string text = FormatFloat(v);
    EXPECT_EQ(text.find(','), std::string::npos);
    EXPECT_TRUE(SameBits(std::strtof(text.c_str(), nullptr), v)) << text;
  }
  EXPECT_EQ(FormatFloat(8.3f), "8.3");
  EXPECT_EQ(FormatFloat(0.5f), "0.5");
}

TEST(ResultFile, RowsOrSerialSlotsBeyondTheTablesAreRefused) {
  const ModuleTable t = NineModules();
  FinalMatrixResult f;
  ResultFileContent c{"list.csv", 0, {}, {}, f, t, kModuleSlots + 1};
  EXPECT_THROW(FormatResultFile(c), RunError);
  c.N = 3;
  f.FinalMatrix[2].serial = kModuleSlots + 1;
  EXPECT_THROW(FormatResultFile(c), RunError);
  f.FinalMatrix[2].serial = -1;
  EXPECT_THROW(FormatResultFile(c), RunError);
  f.FinalMatrix[2].serial = 2;
  EXPECT_NE(FormatResultFile(c).find("0,0,\"SN-2\",0,0\r\n"), std::string::npos);
}
