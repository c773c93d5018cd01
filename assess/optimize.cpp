// Wiring optimisers: the fast one runs use, and the plain pairwise-swap search
// it is measured against.
#include <algorithm>
#include <array>
#include <stdexcept>

#include "assess/assessment.h"
#include "assess/curve_engine.h"

namespace voltrigg {

namespace {

void RequireValid(const std::vector<ModuleCurve>& curves, const Wiring& wiring) {
  if (!WiringIndicesValid(wiring, static_cast<int>(curves.size()))) {
    throw std::invalid_argument("wiring names a module that is not in the list");
  }
}

struct Swap {
  double gain_a = 0;  // predicted rise of the array current at the fixed voltage
  int s1 = 0;
  int p1 = 0;
  int s2 = 0;
  int p2 = 0;
};

constexpr int kKeptPerPair = 3;
constexpr int kMaxRounds = 500;

}  // namespace

// At the array's maximum power point every string runs at the same voltage V.
// Swapping module x of string 1 with module y of string 2 changes string 1's
// voltage at its current by vy(I1) - vx(I1), which moves its current by about
// that change over the string's slope; likewise for string 2. Since the power
// is flat in V at its maximum, the array's power changes by about V times the
// sum of the two current changes. Each round ranks every swap by that
// estimate, checks the best ones exactly at the fixed V (two string currents
// solved again) and applies those that gain, at most one per string; then the
// maximum power point is found again. A swap that gains at fixed V raises the
// maximum power point too, so every round improves and the search ends.
Wiring OptimizeWiring(const std::vector<ModuleCurve>& curves, const Wiring& seed) {
  RequireValid(curves, seed);
  std::vector<engine::FastModule> modules;
  modules.reserve(curves.size());
  for (const ModuleCurve& c : curves) modules.push_back(engine::Prepare(c));

  Wiring wiring = seed;
  const int string_count = static_cast<int>(wiring.size());
  std::vector<engine::FastString> strings;
  strings.reserve(wiring.size());
  for (const StringWiring& w : wiring) strings.push_back(engine::PrepareString(modules, w));
  engine::ArrayPointDetail current = engine::MaximumPowerPoint(strings);

  std::vector<double> slope(wiring.size());
  std::vector<double> at;  // at[k * string_count + j]: module k's voltage at string j's current
  std::vector<std::array<Swap, kKeptPerPair>> kept;
  std::vector<Swap> ranked;
  std::vector<char> touched(wiring.size());
  bool exhaustive = false;

  for (int round = 0; round < kMaxRounds; ++round) {
    const double v = current.point.vmp_v;
    if (!(v > 0) || string_count < 2) break;
    const std::vector<double>& amps = current.string_currents_a;
    for (int j = 0; j < string_count; ++j) slope[j] = engine::StringSlope(strings[j], amps[j], false);
    at.assign(curves.size() * static_cast<std::size_t>(string_count), 0.0);
    for (const StringWiring& w : wiring) {
      for (int k : w) {
        for (int j = 0; j < string_count; ++j) {
          at[static_cast<std::size_t>(k) * string_count + j] = engine::Voltage(modules[k], amps[j]);
        }
      }
    }
    // The best few swaps of every pair of strings; every promising one when
    // the best few gained nothing in the last round.
    ranked.clear();
    for (int s1 = 0; s1 < string_count; ++s1) {
      if (!(slope[s1] < 0)) continue;
      for (int s2 = s1 + 1; s2 < string_count; ++s2) {
        if (!(slope[s2] < 0)) continue;
        std::array<Swap, kKeptPerPair> best{};
        const double inv1 = -1.0 / slope[s1];
        const double inv2 = -1.0 / slope[s2];
        const StringWiring& w1 = wiring[s1];
        const StringWiring& w2 = wiring[s2];
        for (int p1 = 0; p1 < static_cast<int>(w1.size()); ++p1) {
          const std::size_t x = static_cast<std::size_t>(w1[p1]) * string_count;
          for (int p2 = 0; p2 < static_cast<int>(w2.size()); ++p2) {
            const std::size_t y = static_cast<std::size_t>(w2[p2]) * string_count;
            const double gain = (at[y + s1] - at[x + s1]) * inv1 + (at[x + s2] - at[y + s2]) * inv2;
            if (exhaustive) {
              if (gain > 0) ranked.push_back(Swap{gain, s1, p1, s2, p2});
              continue;
            }
            if (gain > best[kKeptPerPair - 1].gain_a) {
              int slot = kKeptPerPair - 1;
              while (slot > 0 && gain > best[slot - 1].gain_a) {
                best[slot] = best[slot - 1];
                --slot;
              }
              best[slot] = Swap{gain, s1, p1, s2, p2};
            }
          }
        }
        for (const Swap& s : best) {
          if (s.gain_a > 0) ranked.push_back(s);
        }
      }
    }
    if (ranked.empty()) {
      if (exhaustive) break;
      exhaustive = true;
      continue;
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const Swap& a, const Swap& b) { return a.gain_a > b.gain_a; });

    const double total = current.point.imp_a;
    std::fill(touched.begin(), touched.end(), 0);
    std::vector<double> new_amps = amps;
    int applied = 0;
    for (const Swap& s : ranked) {
      if (touched[s.s1] || touched[s.s2]) continue;
      StringWiring& w1 = wiring[s.s1];
      StringWiring& w2 = wiring[s.s2];
      std::swap(w1[s.p1], w2[s.p2]);
      engine::FastString n1 = engine::PrepareString(modules, w1);
      engine::FastString n2 = engine::PrepareString(modules, w2);
      const double i1 = engine::StringCurrent(n1, v, amps[s.s1]);
      const double i2 = engine::StringCurrent(n2, v, amps[s.s2]);
      // Demand a gain clear of rounding, so that no swap goes back and forth.
      if ((i1 + i2) - (amps[s.s1] + amps[s.s2]) > 1e-12 * total) {
        strings[s.s1] = std::move(n1);
        strings[s.s2] = std::move(n2);
        new_amps[s.s1] = i1;
        new_amps[s.s2] = i2;
        touched[s.s1] = touched[s.s2] = 1;
        ++applied;
      } else {
        std::swap(w1[s.p1], w2[s.p2]);
      }
    }
    if (applied == 0) {
      if (exhaustive) break;
      exhaustive = true;
      continue;
    }
    exhaustive = false;
    engine::ArrayPointDetail next = engine::MaximumPowerPoint(strings);
    if (!(next.point.pmp_w > current.point.pmp_w)) break;  // cannot happen but for rounding; keep what gained
    current = std::move(next);
  }
  // Rounding aside each round gains; make sure the result never falls below the seed.
  const engine::ArrayPointDetail start = engine::MaximumPowerPoint(engine::PrepareArray(curves, seed));
  if (current.point.pmp_w < start.point.pmp_w) return seed;
  return wiring;
}

Wiring OptimizeWiringBySwaps(const std::vector<ModuleCurve>& curves, const Wiring& seed) {
  RequireValid(curves, seed);
  std::vector<engine::FastModule> modules;
  modules.reserve(curves.size());
  for (const ModuleCurve& c : curves) modules.push_back(engine::Prepare(c));
  Wiring wiring = seed;
  std::vector<engine::FastString> strings;
  for (const StringWiring& w : wiring) strings.push_back(engine::PrepareString(modules, w));
  double best = engine::MaximumPowerPoint(strings).point.pmp_w;
  bool improved = true;
  while (improved) {
    improved = false;
    for (std::size_t s1 = 0; s1 < wiring.size(); ++s1) {
      for (std::size_t s2 = s1 + 1; s2 < wiring.size(); ++s2) {
        for (std::size_t p1 = 0; p1 < wiring[s1].size(); ++p1) {
          for (std::size_t p2 = 0; p2 < wiring[s2].size(); ++p2) {
            std::swap(wiring[s1][p1], wiring[s2][p2]);
            const engine::FastString old1 = strings[s1];
            const engine::FastString old2 = strings[s2];
            strings[s1] = engine::PrepareString(modules, wiring[s1]);
            strings[s2] = engine::PrepareString(modules, wiring[s2]);
            const double p = engine::MaximumPowerPoint(strings).point.pmp_w;
            if (p > best * (1 + 1e-12)) {
              best = p;
              improved = true;
            } else {
              std::swap(wiring[s1][p1], wiring[s2][p2]);
              strings[s1] = old1;
              strings[s2] = old2;
            }
          }
        }
      }
    }
  }
  return wiring;
}

}  // namespace voltrigg
