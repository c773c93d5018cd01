// The fast arrangement search against the plain one: on many generated module
// tables, every shape they fit and both passes, the two must agree on every bit
// of the result, and must raise a float error in exactly the same cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "calc/search.h"
#include "input/run_error.h"
#include "support/module_generator.h"

using namespace voltrigg;
using voltrigg::testing::SeededRandom;
using voltrigg::testing::VpmIpm;

namespace {

struct Outcome {
  std::optional<PassResult> result;
  std::string error;  // the RunError text when the pass failed
};

template <class Search>
Outcome RunPass(Search search, const ModuleTable& table, const ArrayShape& shape, AcceptTies ties) {
  Outcome o;
  try {
    o.result = search(table, shape, ties);
  } catch (const RunError& e) {
    o.error = e.what();
  }
  return o;
}

std::uint32_t Bits(float f) { return std::bit_cast<std::uint32_t>(f); }

// Empty when the two agree; otherwise the first difference.
std::string FirstDifference(const Outcome& plain, const Outcome& fast) {
  if (plain.result.has_value() != fast.result.has_value() || plain.error != fast.error) {
    return "plain " + (plain.result ? std::string("returned") : "threw: " + plain.error) + ", fast " +
           (fast.result ? std::string("returned") : "threw: " + fast.error);
  }
  if (!plain.result) return {};
  const PassResult& a = *plain.result;
  const PassResult& b = *fast.result;
  if (a.matrix.size() != b.matrix.size()) return "matrix sizes differ";
  for (std::size_t k = 0; k < a.matrix.size(); ++k) {
    const MatrixSlot& x = a.matrix[k];
    const MatrixSlot& y = b.matrix[k];
    if (Bits(x.moduleNo) != Bits(y.moduleNo) || Bits(x.vpm) != Bits(y.vpm) || Bits(x.ipm) != Bits(y.ipm) ||
        x.serial != y.serial) {
      return "slot " + std::to_string(k) + " differs";
    }
  }
  const auto same = [](const OperatingPoint& p, const OperatingPoint& q) {
    return Bits(p.Pmax) == Bits(q.Pmax) && Bits(p.Vpm) == Bits(q.Vpm) && Bits(p.Ipm) == Bits(q.Ipm);
  };
  if (!same(a.point, b.point)) return "pass point differs";
  if (!same(a.InitialPoint, b.InitialPoint)) return "initial point differs";
  if (a.ImprovementCount != b.ImprovementCount) {
    return "ImprovementCount " + std::to_string(a.ImprovementCount) + " vs " + std::to_string(b.ImprovementCount);
  }
  return {};
}

// What the cases reached, so that a generator that stops producing the
// interesting situations shows up as a failure rather than as a silent pass.
struct Coverage {
  int cases = 0;
  int improved = 0;        // a pass accepted at least one move
  int search_errors = 0;   // both failed inside the search
  int initial_errors = 0;  // both failed on the initial estimate
};

void ExpectSame(const ModuleTable& table, int N, int S, int P, const std::string& label, Coverage& coverage) {
  ++coverage.cases;
  for (const AcceptTies ties : {AcceptTies::Yes, AcceptTies::No}) {
    const Outcome plain = RunPass(SearchPassPlain, table, {N, S, P}, ties);
    const Outcome fast = RunPass(SearchPassFast, table, {N, S, P}, ties);
    const std::string difference = FirstDifference(plain, fast);
    ASSERT_TRUE(difference.empty()) << label << " N=" << N << " S=" << S << " P=" << P
                                    << (ties == AcceptTies::Yes ? " pass 1: " : " pass 2: ") << difference;
    if (plain.result && plain.result->ImprovementCount != 0) ++coverage.improved;
    if (!plain.error.empty()) {
      ++(plain.error.find("Initial") != std::string::npos ? coverage.initial_errors : coverage.search_errors);
    }
  }
}

// Every (S, P) with S * P = N, S <= 20, P <= 100.
std::vector<std::pair<int, int>> Shapes(int N) {
  std::vector<std::pair<int, int>> shapes;
  for (int S = 1; S <= 20 && S <= N; ++S) {
    if (N % S == 0 && N / S <= 100) shapes.emplace_back(S, N / S);
  }
  return shapes;
}

float Pick(SeededRandom& r, const std::vector<float>& values) {
  return values[static_cast<std::size_t>(r.Below(static_cast<int>(values.size())))];
}

float Between(SeededRandom& r, double low, double high) { return static_cast<float>(low + (high - low) * r.Uniform()); }

// Sorted by current, then voltage, as a loaded table is.
void SortAsLoaded(std::vector<VpmIpm>& v) {
  std::stable_sort(v.begin(), v.end(), [](const VpmIpm& a, const VpmIpm& b) {
    return a.ipm_a < b.ipm_a || (a.ipm_a == b.ipm_a && a.vpm_v < b.vpm_v);
  });
}

enum class Kind {
  Realistic,       // generated flash-test list, loaded and sorted by the reader
  FewValues,       // voltages and currents from a handful of values: ties everywhere
  EqualVoltages,   // one voltage for all (or all but one) modules
  HighVoltages,    // strings far above the 1000 V ceiling
  ZerosAndSigns,   // negative values, zeros and negative zeros
  BelowZeroVolts,  // negative and zero voltages with ordinary currents
  LargeFinite,     // too large for the shortcuts of ordinary lists, still in range
  Giants,          // values near the float maximum: overflow in some sums only
  HugeCurrents,    // current sums that can leave the float range
  GiantRuns,       // runs of giants: in range in place, out of range once shifted
  CoarseCurrents,  // currents so large that their sums round away small differences
  Count
};

const char* KindName(Kind k) {
  static const char* names[] = {"realistic",     "few values",       "equal voltages", "high voltages",
                                "zeros/signs",   "below zero volts", "large finite",   "giants",
                                "huge currents", "giant runs",       "coarse currents"};
  return names[static_cast<int>(k)];
}

std::vector<VpmIpm> Values(Kind kind, int N, SeededRandom& r) {
  std::vector<VpmIpm> v(static_cast<std::size_t>(N));
  switch (kind) {
    case Kind::FewValues:
      for (VpmIpm& m : v) m = {Pick(r, {30.0f, 30.5f, 31.0f, 32.0f, 34.0f}), Pick(r, {8.0f, 8.5f, 9.0f})};
      break;
    case Kind::EqualVoltages: {
      for (VpmIpm& m : v) m = {40.0f, Pick(r, {8.0f, 9.0f, 9.25f})};
      if (N > 0 && r.Below(2) == 0) v[static_cast<std::size_t>(r.Below(N))].vpm_v = Pick(r, {39.0f, 41.5f, 0.1f});
      break;
    }
    case Kind::HighVoltages:
      for (VpmIpm& m : v) m = {Between(r, 45.0, 130.0), Between(r, 8.0, 9.5)};
      break;
    case Kind::ZerosAndSigns:
      for (VpmIpm& m : v) {
        m = {Pick(r, {-12.5f, -0.0f, 0.0f, 0.25f, 31.0f, 33.5f, 40.0f}), Pick(r, {-2.0f, -0.0f, 0.0f, 8.0f, 9.5f})};
      }
      break;
    case Kind::BelowZeroVolts:
      switch (r.Below(3)) {
        case 0:
          for (VpmIpm& m : v) m = {Pick(r, {-12.5f, -3.0f, -0.0f, 0.0f, 2.0f, 31.0f, 33.5f}), Between(r, 8.0, 9.5)};
          break;
        case 1:
          // Mostly negative: a lower current then raises the (negative) Pmax.
          for (VpmIpm& m : v) m = {Between(r, -40.0, 5.0), Between(r, 0.5, 10.0)};
          break;
        default:
          // Small whole numbers: negative string voltages, zero currents, ties.
          for (VpmIpm& m : v) m = {static_cast<float>(r.Below(10) - 5), static_cast<float>(r.Below(4))};
          break;
      }
      break;
    case Kind::LargeFinite:
      for (VpmIpm& m : v) m = {Between(r, -4e35, 6e35), Between(r, -1.0, 12.0)};
      break;
    case Kind::Giants:
      // Ordinary modules with a few pairs of opposite giants: a string that
      // holds both stays in range, a move that separates them may not.
      for (VpmIpm& m : v) m = {Between(r, 28.0, 36.0), Between(r, 8.0, 9.5)};
      for (int pairs = r.Below(3) + 1; pairs > 0 && N >= 2; --pairs) {
        const int k = r.Below(N - 1);
        const float g = Between(r, 1.0e38, 3.4e38);
        v[static_cast<std::size_t>(k)].vpm_v = g;
        v[static_cast<std::size_t>(k + 1)].vpm_v = r.Below(4) == 0 ? g : -g;
      }
      break;
    case Kind::HugeCurrents:
      for (VpmIpm& m : v) m = {Between(r, 28.0, 36.0), Between(r, 1.0e37, 1.2e38)};
      if (N >= 1) v[0].ipm_a = -v[0].ipm_a;
      break;
    case Kind::GiantRuns: {
      // Runs -g, g, g, g, -g, -g with 3g beyond the float range and 2g within
      // it: every running sum inside a run stays in range, but a string that
      // starts inside a run and receives the module before it reaches 3g.
      // The string that gives that module up sums to about -g, so with
      // currents this small the Pmax stays finite and only the check of every
      // string sum reveals the overflow. Kept in this order (sorting would
      // scatter the runs).
      for (VpmIpm& m : v) m = {Between(r, 28.0, 36.0), Between(r, 0.001, 0.015)};
      const float run[] = {-1, 1, 1, 1, -1, -1};
      for (int runs = r.Below(2) + 1; runs > 0 && N >= 6; --runs) {
        const int k = r.Below(N - 5);
        const float g = Between(r, 1.2e38, 1.6e38);
        for (int i = 0; i < 6; ++i) v[static_cast<std::size_t>(k + i)].vpm_v = run[i] * g;
      }
      return v;
    }
    case Kind::CoarseCurrents:
      // Around 2^20 A the float spacing is 1/8 A and sums of them round to
      // whole amperes and more, while the currents differ by fractions: the
      // array Ipm of many candidates rounds to that of the current arrangement,
      // or just past it, so exact ties and near ties of Pmax are common.
      for (VpmIpm& m : v) {
        m = {Pick(r, {30.0f, 31.0f, 32.5f, 34.0f}), 1048576.0f + Pick(r, {0.0f, 0.125f, 0.25f, 0.5f, 0.875f, 1.5f})};
      }
      break;
    default:
      break;
  }
  if (r.Below(2) == 0) SortAsLoaded(v);
  return v;
}

void RunKind(Kind kind, int N, std::uint64_t seed, Coverage& coverage) {
  SeededRandom r(seed);
  ModuleTable table;
  int loaded = N;
  if (kind == Kind::Realistic) {
    loaded = voltrigg::testing::LoadGenerated(voltrigg::testing::GenerateModules(N, seed), table);
  } else {
    voltrigg::testing::FillTable(Values(kind, N, r), table);
  }
  ASSERT_EQ(loaded, N);
  for (const auto& [S, P] : Shapes(N)) {
    ExpectSame(table, N, S, P, std::string(KindName(kind)) + " seed " + std::to_string(seed), coverage);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

}  // namespace

TEST(SearchDiff, SmallTablesEveryShapeAndKind) {
  Coverage coverage;
  std::uint64_t seed = 1;
  // Sizes with many shapes weigh more; every size up to 48 is visited.
  for (int round = 0; round < 4; ++round) {
    for (int N = 1; N <= 48; ++N) {
      for (int k = 0; k < static_cast<int>(Kind::Count); ++k) {
        RunKind(static_cast<Kind>(k), N, seed++, coverage);
        if (HasFatalFailure()) return;
      }
    }
  }
  for (const int N : {12, 24, 30, 36, 40, 48, 60}) {
    for (int repeat = 0; repeat < 12; ++repeat) {
      for (int k = 0; k < static_cast<int>(Kind::Count); ++k) {
        RunKind(static_cast<Kind>(k), N, seed++, coverage);
        if (HasFatalFailure()) return;
      }
    }
  }
  RecordProperty("cases", coverage.cases);
  std::printf("%d cases: %d passes improved, %d failed in the search, %d on the initial estimate\n", coverage.cases,
              coverage.improved, coverage.search_errors, coverage.initial_errors);
  EXPECT_GE(coverage.cases, 10000);
  EXPECT_GE(coverage.improved, 3000);
  EXPECT_GE(coverage.search_errors, 100);
  EXPECT_GE(coverage.initial_errors, 20);
}

TEST(SearchDiff, CountsOutsideTheUsualShape) {
  Coverage coverage;
  ModuleTable table;
  SeededRandom r(7);
  voltrigg::testing::FillTable(Values(Kind::FewValues, 6, r), table);
  ExpectSame(table, 0, 5, 0, "no modules", coverage);
  ExpectSame(table, 0, 0, 7, "S = 0", coverage);
  ExpectSame(table, 6, -2, -3, "negative counts", coverage);
}

TEST(SearchDiff, ThousandModules) {
  Coverage coverage;
  for (const auto& [S, P, seed] : {std::tuple{20, 50, 101}, std::tuple{10, 100, 202}}) {
    ModuleTable table;
    ASSERT_EQ(voltrigg::testing::LoadGenerated(voltrigg::testing::GenerateModules(1000, seed), table), 1000);
    ExpectSame(table, 1000, S, P, "realistic seed " + std::to_string(seed), coverage);
  }
  // Ties everywhere at full size.
  SeededRandom r(303);
  ModuleTable table;
  voltrigg::testing::FillTable(Values(Kind::FewValues, 1000, r), table);
  ExpectSame(table, 1000, 20, 50, "few values", coverage);
  EXPECT_GE(coverage.improved, 4);
}
