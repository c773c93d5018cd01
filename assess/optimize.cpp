// Wiring optimisers: the fast one runs use, and the plain pairwise-swap search
// it is measured against.
#include "assess/optimize.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <utility>

#include "assess/curve_engine.h"

namespace voltrigg {

namespace {

void RequireValid(const std::vector<ModuleCurve>& curves, const Wiring& wiring) {
  if (!WiringIndicesValid(wiring, static_cast<int>(curves.size()))) {
    throw std::invalid_argument("wiring names a module that is not in the list");
  }
  RequireUsableCurves(curves);
}

struct Swap {
  double gain_a = 0;  // predicted rise of the array current at the fixed voltage
  int s1 = 0;
  int p1 = 0;
  int s2 = 0;
  int p2 = 0;
};

constexpr int kKeptPerPair = 3;
// Shaken searches: about kShakeWork / modules of them, within these bounds.
constexpr std::size_t kShakeWork = 2000;
constexpr std::size_t kMinShakes = 4;
constexpr std::size_t kMaxShakes = 24;
constexpr int kMaxRounds = 500;

}  // namespace

// At the array's maximum power point every string runs at the same voltage V.
// Swapping module x of string 1 with module y of string 2 changes string 1's
// voltage at its current I1 by vy(I1) - vx(I1); the current that brings the
// string back to V follows from the string's derivatives at I1
// (to third order, because the two strings' changes nearly cancel and the net
// gain is a small difference). Likewise for string 2. Since the power is flat
// in V at its maximum, the array's power changes by about V times the sum of
// the two current changes. Each round ranks the swaps by that estimate,
// checks the best ones exactly at the fixed V (two string currents solved
// again) and applies those that gain, at most one per string; then the
// maximum power point is found again. A swap that gains at fixed V raises the
// maximum power point too, so every round improves and the search ends.
// When the best few of every pair of strings gain nothing, every swap with a
// positive estimate is checked before the search gives up.
namespace {

// The swap search from one wiring to a wiring that no single swap improves.
class SwapSearch {
 public:
  SwapSearch(const std::vector<engine::FastModule>& modules, Wiring& wiring, std::stop_token stop)
      : modules_(modules), wiring_(wiring), count_(static_cast<int>(wiring.size())), stop_(std::move(stop)) {}

  // Returns the final wiring's maximum power point (never below the start's,
  // rounding aside).
  engine::ArrayPointDetail Run() {
    strings_.clear();
    for (const StringWiring& w : wiring_) strings_.push_back(engine::PrepareString(modules_, w));
    engine::ArrayPointDetail current = engine::MaximumPowerPoint(strings_);
    at_.assign(modules_.size() * static_cast<std::size_t>(count_), Local{});
    sums_.assign(static_cast<std::size_t>(count_), Local{});
    pairs_.assign(static_cast<std::size_t>(count_) * static_cast<std::size_t>(count_), {});
    touched_.assign(static_cast<std::size_t>(count_), 0);
    for (int outer = 0; outer < kMaxRounds && !stop_.stop_requested(); ++outer) {
      voltage_v_ = current.point.vmp_v;
      if (!(voltage_v_ > 0) || count_ < 2) break;
      currents_a_ = current.string_currents_a;
      threshold_a_ = 1e-12 * current.point.imp_a;
      for (int j = 0; j < count_; ++j) Refresh(j);
      for (int s1 = 0; s1 < count_; ++s1) {
        for (int s2 = s1 + 1; s2 < count_; ++s2) RankPair(s1, s2, nullptr);
      }
      if (!ImproveAtFixedVoltage()) break;
      engine::ArrayPointDetail next = engine::MaximumPowerPoint(strings_);
      const bool gained = next.point.pmp_w > current.point.pmp_w;
      current = std::move(next);
      if (!gained) break;  // only rounding can get here
    }
    return current;
  }

 private:
  // A module's voltage and its first three derivatives at one string's
  // current; for a string, their sums over its modules.
  struct Local {
    double v = 0;   // [V]
    double d1 = 0;  // dV/dI [ohm]
    double d2 = 0;  // d2V/dI2 [V/A^2]
    double d3 = 0;  // d3V/dI3 [V/A^3]
  };

  const Local& At(int module, int string) const {
    return at_[static_cast<std::size_t>(module) * static_cast<std::size_t>(count_) + static_cast<std::size_t>(string)];
  }

  // Column j of the table (every module at string j's current) and j's sums.
  void Refresh(int j) {
    const double i = currents_a_[static_cast<std::size_t>(j)];
    for (const StringWiring& w : wiring_) {
      for (int k : w) {
        const engine::FastModule& m = modules_[static_cast<std::size_t>(k)];
        Local l;
        l.v = engine::Voltage(m, i);
        if (i < m.bypass_a) {
          const double span = m.top_a - i;
          l.d1 = -m.a_v / span - m.rs_ohm;
          l.d2 = -m.a_v / (span * span);
          l.d3 = 2 * l.d2 / span;
        }
        at_[static_cast<std::size_t>(k) * static_cast<std::size_t>(count_) + static_cast<std::size_t>(j)] = l;
      }
    }
    Local sum;
    for (int k : wiring_[static_cast<std::size_t>(j)]) {
      const Local& l = At(k, j);
      sum.d1 += l.d1;
      sum.d2 += l.d2;
      sum.d3 += l.d3;
    }
    sums_[static_cast<std::size_t>(j)] = sum;
  }

  // Current change of a string with derivative sums `s` when `out` leaves it
  // and `in` takes its place: the root of
  // (vin - vout) + a*x + b/2*x^2 + c/6*x^3 by series reversion.
  static double Change(const Local& s, const Local& out, const Local& in) {
    const double a = s.d1 + in.d1 - out.d1;
    if (!(a < 0)) return -std::numeric_limits<double>::infinity();
    const double inv = 1.0 / a;
    const double b = s.d2 + in.d2 - out.d2;
    const double c = s.d3 + in.d3 - out.d3;
    const double t = (out.v - in.v) * inv;
    return t + t * t * inv * (-0.5 * b + (0.5 * b * b * inv - c / 6) * t);
  }

  // Keeps the best few swaps of strings s1 < s2, or with `all` every one
  // whose estimate clears the threshold.
  void RankPair(int s1, int s2, std::vector<Swap>* all) {
    std::array<Swap, kKeptPerPair> best{};
    for (Swap& b : best) b.gain_a = threshold_a_;
    const StringWiring& w1 = wiring_[static_cast<std::size_t>(s1)];
    const StringWiring& w2 = wiring_[static_cast<std::size_t>(s2)];
    // Both strings' modules at both currents, side by side.
    x_at_1_.clear();
    x_at_2_.clear();
    y_at_1_.clear();
    y_at_2_.clear();
    for (int x : w1) {
      x_at_1_.push_back(At(x, s1));
      x_at_2_.push_back(At(x, s2));
    }
    for (int y : w2) {
      y_at_1_.push_back(At(y, s1));
      y_at_2_.push_back(At(y, s2));
    }
    const Local& sum1 = sums_[static_cast<std::size_t>(s1)];
    const Local& sum2 = sums_[static_cast<std::size_t>(s2)];
    for (std::size_t p1 = 0; p1 < w1.size(); ++p1) {
      for (std::size_t p2 = 0; p2 < w2.size(); ++p2) {
        const double gain = Change(sum1, x_at_1_[p1], y_at_1_[p2]) + Change(sum2, y_at_2_[p2], x_at_2_[p1]);
        if (!(gain > best[kKeptPerPair - 1].gain_a) && (all == nullptr || !(gain > threshold_a_))) continue;
        const Swap swap{gain, s1, static_cast<int>(p1), s2, static_cast<int>(p2)};
        if (all != nullptr) {
          all->push_back(swap);
          continue;
        }
        int slot = kKeptPerPair - 1;
        while (slot > 0 && gain > best[slot - 1].gain_a) {
          best[slot] = best[slot - 1];
          --slot;
        }
        best[slot] = swap;
      }
    }
    if (all == nullptr)
      pairs_[static_cast<std::size_t>(s1) * static_cast<std::size_t>(count_) + static_cast<std::size_t>(s2)] = best;
  }

  // Rounds at the fixed voltage voltage_v_: the ranked swaps are checked exactly and
  // the gaining ones applied, at most one per string; only pairs with a
  // changed string are ranked again. When the best few gain nothing, every
  // swap with a positive estimate is checked. True when anything was applied.
  bool ImproveAtFixedVoltage() {
    bool any = false;
    bool exhaustive = false;
    std::vector<Swap> ranked;
    for (int round = 0; round < kMaxRounds; ++round) {
      ranked.clear();
      if (exhaustive) {
        for (int s1 = 0; s1 < count_; ++s1) {
          for (int s2 = s1 + 1; s2 < count_; ++s2) RankPair(s1, s2, &ranked);
        }
      } else {
        for (int s1 = 0; s1 < count_; ++s1) {
          for (int s2 = s1 + 1; s2 < count_; ++s2) {
            for (const Swap& b : pairs_[static_cast<std::size_t>(s1) * static_cast<std::size_t>(count_) +
                                        static_cast<std::size_t>(s2)]) {
              if (b.gain_a > threshold_a_) ranked.push_back(b);
            }
          }
        }
      }
      std::stable_sort(ranked.begin(), ranked.end(), [](const Swap& a, const Swap& b) { return a.gain_a > b.gain_a; });
      std::fill(touched_.begin(), touched_.end(), 0);
      int applied = 0;
      for (const Swap& s : ranked) {
        if (touched_[static_cast<std::size_t>(s.s1)] || touched_[static_cast<std::size_t>(s.s2)]) continue;
        StringWiring& w1 = wiring_[static_cast<std::size_t>(s.s1)];
        StringWiring& w2 = wiring_[static_cast<std::size_t>(s.s2)];
        std::swap(w1[static_cast<std::size_t>(s.p1)], w2[static_cast<std::size_t>(s.p2)]);
        engine::FastString n1 = engine::PrepareString(modules_, w1);
        engine::FastString n2 = engine::PrepareString(modules_, w2);
        const double old1 = currents_a_[static_cast<std::size_t>(s.s1)];
        const double old2 = currents_a_[static_cast<std::size_t>(s.s2)];
        const double i1 = engine::StringCurrent(n1, voltage_v_, old1);
        const double i2 = engine::StringCurrent(n2, voltage_v_, old2);
        // Demand a gain clear of rounding, so that no swap goes back and forth.
        if ((i1 + i2) - (old1 + old2) > threshold_a_) {
          strings_[static_cast<std::size_t>(s.s1)] = std::move(n1);
          strings_[static_cast<std::size_t>(s.s2)] = std::move(n2);
          currents_a_[static_cast<std::size_t>(s.s1)] = i1;
          currents_a_[static_cast<std::size_t>(s.s2)] = i2;
          touched_[static_cast<std::size_t>(s.s1)] = touched_[static_cast<std::size_t>(s.s2)] = 1;
          ++applied;
        } else {
          std::swap(w1[static_cast<std::size_t>(s.p1)], w2[static_cast<std::size_t>(s.p2)]);
        }
      }
      if (applied == 0) {
        if (exhaustive) break;
        exhaustive = true;
        continue;
      }
      any = true;
      exhaustive = false;
      for (int j = 0; j < count_; ++j) {
        if (touched_[static_cast<std::size_t>(j)]) Refresh(j);
      }
      for (int s1 = 0; s1 < count_; ++s1) {
        for (int s2 = s1 + 1; s2 < count_; ++s2) {
          if (touched_[static_cast<std::size_t>(s1)] || touched_[static_cast<std::size_t>(s2)])
            RankPair(s1, s2, nullptr);
        }
      }
    }
    return any;
  }

  const std::vector<engine::FastModule>& modules_;
  Wiring& wiring_;
  const int count_;
  std::stop_token stop_;
  std::vector<engine::FastString> strings_;
  double voltage_v_ = 0;                               // the fixed voltage of the current round
  double threshold_a_ = 0;                             // smallest current gain that counts
  std::vector<double> currents_a_;                     // per string, at voltage_v_
  std::vector<Local> at_;                              // at_[k * count_ + j]
  std::vector<Local> sums_;                            // per string
  std::vector<std::array<Swap, kKeptPerPair>> pairs_;  // [s1 * count_ + s2], s1 < s2
  std::vector<char> touched_;
  std::vector<Local> x_at_1_, x_at_2_, y_at_1_, y_at_2_;  // RankPair's gathered columns
};

engine::ArrayPointDetail LocalSearch(const std::vector<engine::FastModule>& modules, Wiring& wiring,
                                     const std::stop_token& stop) {
  return SwapSearch(modules, wiring, stop).Run();
}

}  // namespace

// The swap search alone ends in the nearest wiring that no swap improves. To
// look further, the best wiring so far is shaken by a few seeded random swaps
// and searched again, a fixed number of times (fewer for large arrays, where
// each search costs more); a shaken search that ends higher is kept.
Wiring OptimizeWiring(const std::vector<ModuleCurve>& curves, const Wiring& seed, const std::stop_token& stop,
                      const SearchProgress& progress) {
  RequireValid(curves, seed);
  std::vector<engine::FastModule> modules;
  modules.reserve(curves.size());
  for (const ModuleCurve& c : curves) modules.push_back(engine::Prepare(c));
  const double start_w = engine::MaximumPowerPoint(engine::PrepareArray(curves, seed)).point.pmp_w;

  std::size_t count = 0;
  for (const StringWiring& s : seed) count += s.size();
  const bool shaken = seed.size() >= 2 && count >= 4;
  const int shakes = shaken ? static_cast<int>(std::clamp<std::size_t>(kShakeWork / count, kMinShakes, kMaxShakes)) : 0;
  const auto searched = [&](int done) {
    if (progress) progress(done, 1 + shakes);
  };

  Wiring best = seed;
  double best_w = LocalSearch(modules, best, stop).point.pmp_w;
  searched(1);
  if (shaken) {
    const int swaps_per_shake = static_cast<int>(std::clamp<std::size_t>(count / 25, 2, 12));
    std::uint64_t state = 0x5EEDF00DULL;
    const auto next = [&state](std::uint64_t n) {
      std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
      return (z ^ (z >> 31)) % n;
    };
    for (int shake = 0; shake < shakes && !stop.stop_requested(); ++shake) {
      Wiring trial = best;
      for (int k = 0; k < swaps_per_shake; ++k) {
        const std::size_t s1 = next(trial.size());
        std::size_t s2 = next(trial.size() - 1);
        if (s2 >= s1) ++s2;
        if (trial[s1].empty() || trial[s2].empty()) continue;
        // Drawn one after the other: the order in which a call's arguments are
        // evaluated is left open (GCC went right to left, clang left to right).
        const std::size_t p2 = next(trial[s2].size());
        const std::size_t p1 = next(trial[s1].size());
        std::swap(trial[s1][p1], trial[s2][p2]);
      }
      const double w = LocalSearch(modules, trial, stop).point.pmp_w;
      if (w > best_w) {
        best_w = w;
        best = std::move(trial);
      }
      searched(shake + 2);
    }
  }
  // Rounding aside the search only gains; make sure the result never falls below the seed.
  if (best_w < start_w) return seed;
  return best;
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
