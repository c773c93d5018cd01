#include "plant/assignment.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <numeric>
#include <queue>
#include <tuple>

#include "plant/parallel.h"

namespace voltrigg::plant {

Slots DeliveredSlots(std::size_t slot_count) {
  Slots slots(slot_count);
  std::iota(slots.begin(), slots.end(), 0u);
  return slots;
}

std::vector<std::uint32_t> ImpOrder(const PlantLot& lot) {
  // One 64-bit key per module: a positive float's bits order as the float does.
  std::vector<std::uint64_t> keys(lot.size());
  for (std::size_t m = 0; m < lot.size(); ++m) {
    std::uint32_t bits = 0;
    const float imp = lot.imp_a[m];
    std::memcpy(&bits, &imp, sizeof bits);
    keys[m] = (static_cast<std::uint64_t>(bits) << 32) | m;
  }
  ParallelSort(keys.begin(), keys.end(), std::less<std::uint64_t>());
  std::vector<std::uint32_t> order(lot.size());
  for (std::size_t k = 0; k < keys.size(); ++k) order[k] = static_cast<std::uint32_t>(keys[k]);
  return order;
}

Slots SimpleRuleSlots(const std::vector<std::uint32_t>& imp_order, const std::vector<std::uint32_t>& used_modules,
                      const PlantLot& lot, int series) {
  std::vector<bool> in_use(lot.size(), false);
  for (std::uint32_t m : used_modules) in_use[m] = true;
  std::vector<std::uint32_t> used;
  used.reserve(used_modules.size());
  for (std::uint32_t m : imp_order) {
    if (in_use[m]) used.push_back(m);
  }
  const std::size_t s = static_cast<std::size_t>(series);
  const std::size_t strings = used.size() / s;
  for (std::size_t j = 0; j < strings; ++j) {
    std::sort(used.begin() + static_cast<std::ptrdiff_t>(j * s), used.begin() + static_cast<std::ptrdiff_t>(j * s + s));
  }
  std::vector<double> vmp_v(strings, 0.0);
  for (std::size_t j = 0; j < strings; ++j) {
    for (std::size_t p = 0; p < s; ++p) vmp_v[j] += lot.vmp_v[used[j * s + p]];
  }
  std::vector<std::uint32_t> order(strings);
  std::iota(order.begin(), order.end(), 0u);
  // Ties by the string's first module, which no other string holds.
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    return vmp_v[a] < vmp_v[b] || (vmp_v[a] == vmp_v[b] && used[a * s] < used[b * s]);
  });
  Slots slots;
  slots.reserve(used.size());
  for (std::uint32_t j : order) {
    slots.insert(slots.end(), used.begin() + static_cast<std::ptrdiff_t>(j * s),
                 used.begin() + static_cast<std::ptrdiff_t>(j * s + s));
  }
  return slots;
}

std::vector<std::uint32_t> StrongestModules(const ModuleTraits& traits, std::size_t count) {
  const std::size_t n = traits.power_w.size();
  count = std::min(count, n);
  std::vector<std::uint32_t> all(n);
  std::iota(all.begin(), all.end(), 0u);
  // The weakest n - count go: lowest power first, of equal power the later delivered.
  const std::size_t weak = n - count;
  std::vector<bool> spare(n, false);
  if (weak > 0) {
    std::nth_element(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(weak - 1), all.end(),
                     [&](std::uint32_t a, std::uint32_t b) {
                       return std::tie(traits.power_w[a], b) < std::tie(traits.power_w[b], a);
                     });
    for (std::size_t k = 0; k < weak; ++k) spare[all[k]] = true;
  }
  std::vector<std::uint32_t> strongest;
  strongest.reserve(count);
  for (std::size_t m = 0; m < n; ++m) {
    if (!spare[m]) strongest.push_back(static_cast<std::uint32_t>(m));
  }
  return strongest;
}

PalletWindows WindowsOf(const PlantLot& lot, int series, std::size_t strings, int window) {
  PalletWindows w;
  w.lo.resize(strings);
  w.hi.resize(strings);
  const std::size_t s = static_cast<std::size_t>(series);
  const std::uint32_t extra = static_cast<std::uint32_t>(std::max(window, 1) - 1);
  for (std::size_t j = 0; j < strings; ++j) {
    std::uint32_t lo = lot.pallet[j * s];
    std::uint32_t hi = lo;
    for (std::size_t p = 1; p < s; ++p) {
      lo = std::min(lo, lot.pallet[j * s + p]);
      hi = std::max(hi, lot.pallet[j * s + p]);
    }
    w.lo[j] = lo;
    w.hi[j] = std::max(hi, lo + extra);
  }
  for (std::size_t j = strings; j-- > 1;) w.lo[j - 1] = std::min(w.lo[j - 1], w.lo[j]);
  for (std::size_t j = 1; j < strings; ++j) w.hi[j] = std::max(w.hi[j], w.hi[j - 1]);
  return w;
}

namespace {

// need(t) over the strings t, with a constant added to a range and the
// highest value of a range asked for (a segment tree with lazy additions).
class RangeMax {
 public:
  explicit RangeMax(const std::vector<std::int64_t>& values) : n_(values.size()) {
    size_ = 1;
    while (size_ < std::max<std::size_t>(n_, 1)) size_ *= 2;
    max_.assign(2 * size_, std::numeric_limits<std::int64_t>::min() / 4);
    add_.assign(2 * size_, 0);
    for (std::size_t i = 0; i < n_; ++i) max_[size_ + i] = values[i];
    for (std::size_t i = size_; i-- > 1;) max_[i] = std::max(max_[2 * i], max_[2 * i + 1]);
  }
  // Adds `delta` to positions first..last (inclusive).
  void Add(std::size_t first, std::size_t last, std::int64_t delta) {
    if (first <= last && last < n_) Add(1, 0, size_ - 1, first, last, delta);
  }
  std::int64_t Max(std::size_t first, std::size_t last) const {
    if (first > last || first >= n_) return std::numeric_limits<std::int64_t>::min() / 4;
    return Max(1, 0, size_ - 1, first, std::min(last, n_ - 1));
  }

 private:
  void Add(std::size_t node, std::size_t lo, std::size_t hi, std::size_t first, std::size_t last, std::int64_t delta) {
    if (last < lo || hi < first) return;
    if (first <= lo && hi <= last) {
      max_[node] += delta;
      add_[node] += delta;
      return;
    }
    const std::size_t mid = (lo + hi) / 2;
    Add(2 * node, lo, mid, first, last, delta);
    Add(2 * node + 1, mid + 1, hi, first, last, delta);
    max_[node] = std::max(max_[2 * node], max_[2 * node + 1]) + add_[node];
  }
  std::int64_t Max(std::size_t node, std::size_t lo, std::size_t hi, std::size_t first, std::size_t last) const {
    if (last < lo || hi < first) return std::numeric_limits<std::int64_t>::min() / 4;
    if (first <= lo && hi <= last) return max_[node];
    const std::size_t mid = (lo + hi) / 2;
    return std::max(Max(2 * node, lo, mid, first, last), Max(2 * node + 1, mid + 1, hi, first, last)) + add_[node];
  }

  std::size_t n_;
  std::size_t size_ = 1;
  std::vector<std::int64_t> max_;
  std::vector<std::int64_t> add_;
};

constexpr std::uint32_t kNever = std::numeric_limits<std::uint32_t>::max();

// A module waiting for the pool (earliest closing first, then by current),
// and one in the pool (by current): keys held by value for the comparisons.
struct Waiting {
  double current_a = 0;
  std::uint32_t last = 0;
  std::uint32_t module = 0;
  bool operator>(const Waiting& o) const {
    return std::tie(last, current_a, module) > std::tie(o.last, o.current_a, o.module);
  }
};
struct Pooled {
  double current_a = 0;
  std::uint32_t module = 0;
  bool operator<(const Pooled& o) const { return std::tie(current_a, module) < std::tie(o.current_a, o.module); }
};

// The strings a module may go to: from `first` (its pallet's window opens)
// to `last` (it closes); both follow the pallet's rank.
struct Reach {
  std::uint32_t first = kNever;
  std::uint32_t last = 0;
};

// The greedy fill of the pallets mode. Whether the strings still to come can
// be filled is Hall's condition over runs of strings [t1, t2]: the modules
// that may go to some string of the run are at least S per string. With both
// ends of the windows rising, it reduces (see Need) to: for every t >= s, the
// string being filled takes at least need(t) modules whose window closes by t.
class PalletFill {
 public:
  PalletFill(const PlantLot& lot, const ModuleTraits& traits, int series, const PalletWindows& windows,
             PalletAnchor anchor)
      : traits_(traits), series_(static_cast<std::size_t>(series)), strings_(windows.lo.size()), anchor_(anchor) {
    // Per pallet: the first string whose window reaches up to its rank, the
    // last whose window starts at or below it (both ends rise string by string).
    std::vector<Reach> by_rank(lot.pallet_names.size());
    std::size_t first = 0;
    std::size_t last = 0;  // one past the last string with lo <= rank
    for (std::size_t rank = 0; rank < by_rank.size(); ++rank) {
      while (first < strings_ && windows.hi[first] < rank) ++first;
      while (last < strings_ && windows.lo[last] <= rank) ++last;
      if (first < last) by_rank[rank] = Reach{static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last - 1)};
    }
    reach_.resize(lot.size());
    for (std::size_t m = 0; m < lot.size(); ++m) reach_[m] = by_rank[lot.pallet[m]];
    // A module left as a spare is replaced by one of about the lot's mean power.
    double sum = 0;
    for (double p : traits.power_w) sum += p;
    mean_power_w_ = lot.size() > 0 ? sum / static_cast<double>(lot.size()) : 0.0;
  }

  Slots Run() {
    if (strings_ == 0) return {};
    const std::size_t s = series_;
    const std::size_t t_count = strings_;
    // A(t): modules whose window opens by string t; D(t): closes by t.
    std::vector<std::int64_t> opens(t_count, 0);
    std::vector<std::int64_t> closes(t_count, 0);
    for (const Reach& r : reach_) {
      if (r.first == kNever) continue;
      ++opens[r.first];
      ++closes[r.last];
    }
    // The modules by the string their window opens at (a counting sort).
    std::vector<std::size_t> released_at(t_count + 1, 0);
    for (std::size_t t = 0; t < t_count; ++t) released_at[t + 1] = released_at[t] + static_cast<std::size_t>(opens[t]);
    std::vector<std::uint32_t> released(released_at.back());
    {
      std::vector<std::size_t> next(released_at.begin(), released_at.end() - 1);
      for (std::size_t m = 0; m < reach_.size(); ++m) {
        if (reach_[m].first != kNever) released[next[reach_[m].first]++] = static_cast<std::uint32_t>(m);
      }
    }
    // Hall: for s+1 <= t1 <= t2, RA(t2) - t2*S >= RD(t1-1) - (t1-1)*S over the
    // modules still free. Taking S modules that opened by s lowers every RA
    // alike; so string s must take, for each t, at least
    //   need(t) = D(t) - t*S - min_{t2 > t} (A(t2) - t2*S) + S + (used modules closing after t)
    // modules closing by t (modules left behind once closed change both sides alike).
    std::vector<std::int64_t> suffix_min(t_count + 1, std::numeric_limits<std::int64_t>::max() / 4);
    {
      std::int64_t a = 0;
      std::vector<std::int64_t> a_at(t_count);
      for (std::size_t t = 0; t < t_count; ++t) a_at[t] = a += opens[t];
      for (std::size_t t = t_count; t-- > 0;) {
        suffix_min[t] = std::min(suffix_min[t + 1], a_at[t] - static_cast<std::int64_t>(t * s));
      }
    }
    std::vector<std::int64_t> need(t_count > 0 ? t_count - 1 : 0);
    {
      std::int64_t d = 0;
      for (std::size_t t = 0; t + 1 < t_count; ++t) {
        d += closes[t];
        need[t] = d - static_cast<std::int64_t>(t * s) - suffix_min[t + 1] + static_cast<std::int64_t>(s);
      }
    }
    RangeMax needs(need);

    // Waiting modules, earliest closing first; the open pool holds the first
    // of them, sorted by current.
    std::priority_queue<Waiting, std::vector<Waiting>, std::greater<Waiting>> waiting;
    const std::size_t pool_size = 4 * s + 32;
    std::vector<Pooled> pool;
    Slots slots;
    slots.reserve(t_count * s);
    std::vector<std::uint32_t> chosen;
    std::vector<char> taken(reach_.size(), 0);
    for (std::size_t t = 0; t < t_count; ++t) {
      // Closed windows: what is left there stays a spare.
      pool.erase(std::remove_if(pool.begin(), pool.end(), [&](const Pooled& p) { return reach_[p.module].last < t; }),
                 pool.end());
      // The newcomers sorted and merged into the pool at once; straight in
      // when nothing waits and all of them fit, as the queue would give them.
      const std::size_t kept = pool.size();
      if (waiting.empty() && kept + (released_at[t + 1] - released_at[t]) <= pool_size) {
        for (std::size_t k = released_at[t]; k < released_at[t + 1]; ++k) {
          pool.push_back(Pooled{traits_.current_a[released[k]], released[k]});
        }
      } else {
        for (std::size_t k = released_at[t]; k < released_at[t + 1]; ++k) {
          const std::uint32_t m = released[k];
          waiting.push(Waiting{traits_.current_a[m], reach_[m].last, m});
        }
        while (pool.size() < pool_size && !waiting.empty()) {
          const Waiting w = waiting.top();
          waiting.pop();
          if (w.last >= t) pool.push_back(Pooled{w.current_a, w.module});
        }
      }
      std::sort(pool.begin() + static_cast<std::ptrdiff_t>(kept), pool.end());
      std::inplace_merge(pool.begin(), pool.begin() + static_cast<std::ptrdiff_t>(kept), pool.end());
      if (pool.size() < s) return {};
      if (!Choose(t, pool, needs, chosen)) return {};
      std::vector<std::uint32_t> in_string = chosen;
      std::sort(in_string.begin(), in_string.end());
      slots.insert(slots.end(), in_string.begin(), in_string.end());
      // Taken: need(t') for t' from here to before its close counts it as used after t'.
      // (The string's modules close at few distinct strings: counted per string.)
      std::vector<std::pair<std::uint32_t, std::int64_t>>& closes_at = asks_;
      closes_at.clear();
      for (std::uint32_t m : chosen) {
        const std::uint32_t last = reach_[m].last;
        const auto at =
            std::find_if(closes_at.begin(), closes_at.end(), [&](const auto& c) { return c.first == last; });
        if (at == closes_at.end()) {
          closes_at.emplace_back(last, 1);
        } else {
          ++at->second;
        }
      }
      for (const auto& [last, count] : closes_at) {
        if (last > t) needs.Add(t, last - 1, count);
      }
      for (std::uint32_t m : chosen) taken[m] = 1;
      pool.erase(std::remove_if(pool.begin(), pool.end(), [&](const Pooled& p) { return taken[p.module] != 0; }),
                 pool.end());
    }
    return slots;
  }

 private:
  // The quadratic model's loss of a string: with weights c and currents I,
  // the string runs at sum(c*I)/sum(c) and loses half the weighted spread.
  struct Sums {
    double c = 0;
    double ci = 0;
    double cii = 0;
    void Add(const ModuleTraits& traits, std::uint32_t m) {
      const double w = traits.curvature_w_per_a2[m];
      const double i = traits.current_a[m];
      c += w;
      ci += w * i;
      cii += w * i * i;
    }
    double Loss() const { return c > 0 ? 0.5 * (cii - ci * ci / c) : 0.0; }
  };

  // The S modules of string t. The pool's modules whose window closes now
  // are taken, except the weakest of them (below the lot's mean power) as
  // far as the strings to come allow, and those beyond S; the rest of the
  // string is the run of the other modules, by current, that loses least
  // with them and still meets every later need, else the ones closing first.
  bool Choose(std::size_t t, const std::vector<Pooled>& pool, const RangeMax& needs,
              std::vector<std::uint32_t>& chosen) {
    const std::size_t s = series_;
    // The pool's few distinct deadlines, in order.
    std::vector<std::uint32_t>& deadlines = deadlines_;
    deadlines.clear();
    for (const Pooled& p : pool) {
      const std::uint32_t d = reach_[p.module].last;
      const auto at = std::lower_bound(deadlines.begin(), deadlines.end(), d);
      if (at == deadlines.end() || *at != d) deadlines.insert(at, d);
    }
    // Each deadline d_j asks for at least `ask` modules closing by it.
    std::vector<std::pair<std::uint32_t, std::int64_t>>& asks = asks_;
    asks.clear();
    std::int64_t ask_now = 0;
    for (std::size_t j = 0; j < deadlines.size(); ++j) {
      const std::size_t from = deadlines[j];
      if (from + 1 >= strings_) continue;
      const std::size_t to = j + 1 < deadlines.size() ? deadlines[j + 1] - 1 : strings_ - 2;
      const std::int64_t ask = needs.Max(from, to);
      if (ask <= 0) continue;
      if (from == t) {
        ask_now = ask;
      } else {
        asks.emplace_back(deadlines[j], ask);
      }
    }
    std::vector<std::uint32_t>& closing = closing_;
    std::vector<std::uint32_t>& others = others_;  // by current, as the pool
    closing.clear();
    others.clear();
    for (const Pooled& p : pool) (reach_[p.module].last == t ? closing : others).push_back(p.module);
    const std::int64_t may_leave = static_cast<std::int64_t>(closing.size()) - ask_now;
    if (may_leave < 0) return false;
    std::sort(closing.begin(), closing.end(), [&](std::uint32_t a, std::uint32_t b) {
      return std::tie(traits_.power_w[a], a) < std::tie(traits_.power_w[b], b);
    });
    // At most so many that the string can still be filled from the pool.
    const std::int64_t spare_room = static_cast<std::int64_t>(pool.size() - s);
    std::size_t left = closing.size() > s ? closing.size() - s : 0;
    if (static_cast<std::int64_t>(left) > may_leave) return false;
    while (static_cast<std::int64_t>(left) < std::min(may_leave, spare_room) &&
           traits_.power_w[closing[left]] < mean_power_w_) {
      ++left;
    }
    chosen.assign(closing.begin() + static_cast<std::ptrdiff_t>(left), closing.end());
    const std::size_t rest = s - chosen.size();
    if (rest == 0) return true;
    if (others.size() < rest) return false;
    Sums taken;
    for (std::uint32_t m : chosen) taken.Add(traits_, m);
    // Prefix sums over the others: the model's sums and, per ask, how many close by it.
    const std::size_t n = others.size();
    std::vector<Sums>& prefix = prefix_;
    prefix.assign(n + 1, Sums{});
    // by_ask[j * (n + 1) + k]: of the first k others, how many close by ask j's deadline.
    std::vector<std::int64_t>& by_ask = by_ask_;
    by_ask.assign(asks.size() * (n + 1), 0);
    for (std::size_t k = 0; k < n; ++k) {
      prefix[k + 1] = prefix[k];
      prefix[k + 1].Add(traits_, others[k]);
      for (std::size_t j = 0; j < asks.size(); ++j) {
        by_ask[j * (n + 1) + k + 1] = by_ask[j * (n + 1) + k] + (reach_[others[k]].last <= asks[j].first ? 1 : 0);
      }
    }
    const std::int64_t fixed = static_cast<std::int64_t>(chosen.size());
    std::size_t best = n;
    double best_loss = std::numeric_limits<double>::infinity();
    // With an anchor, only the runs that hold it: the module closing first,
    // of those the one whose current lies farthest from the pool's middle,
    // so that no module is left to close among strangers.
    std::size_t anchor = n;
    if (anchor_ == PalletAnchor::ClosingFirst && n > 0) {
      const double middle = traits_.current_a[others[n / 2]];
      const auto off = [&](std::uint32_t m) { return std::fabs(traits_.current_a[m] - middle); };
      anchor = 0;
      for (std::size_t k = 1; k < n; ++k) {
        const std::uint32_t a = others[anchor];
        const std::uint32_t b = others[k];
        if (reach_[b].last < reach_[a].last || (reach_[b].last == reach_[a].last && off(b) > off(a))) anchor = k;
      }
    }
    for (std::size_t i = 0; i + rest <= n; ++i) {
      if (anchor < n && !(i <= anchor && anchor < i + rest)) continue;
      bool meets = true;
      for (std::size_t j = 0; j < asks.size() && meets; ++j) {
        meets = fixed + by_ask[j * (n + 1) + i + rest] - by_ask[j * (n + 1) + i] >= asks[j].second;
      }
      if (!meets) continue;
      Sums all = taken;
      all.c += prefix[i + rest].c - prefix[i].c;
      all.ci += prefix[i + rest].ci - prefix[i].ci;
      all.cii += prefix[i + rest].cii - prefix[i].cii;
      const double loss = all.Loss();
      if (loss < best_loss) {
        best_loss = loss;
        best = i;
      }
    }
    if (best < n) {
      chosen.insert(chosen.end(), others.begin() + static_cast<std::ptrdiff_t>(best),
                    others.begin() + static_cast<std::ptrdiff_t>(best + rest));
      return true;
    }
    // No run meets the needs: the modules closing first meet all of them if anything does.
    std::sort(others.begin(), others.end(), [&](std::uint32_t a, std::uint32_t b) {
      return std::tie(reach_[a].last, traits_.current_a[a], a) < std::tie(reach_[b].last, traits_.current_a[b], b);
    });
    chosen.insert(chosen.end(), others.begin(), others.begin() + static_cast<std::ptrdiff_t>(rest));
    for (const auto& [deadline, ask] : asks) {
      std::int64_t count = 0;
      for (std::uint32_t m : chosen) count += reach_[m].last <= deadline ? 1 : 0;
      if (count < ask) return false;
    }
    return true;
  }

  const ModuleTraits& traits_;
  std::size_t series_;
  std::size_t strings_;
  PalletAnchor anchor_;
  std::vector<Reach> reach_;
  double mean_power_w_ = 0;
  // Choose's work space, kept from string to string.
  std::vector<std::uint32_t> deadlines_;
  std::vector<std::pair<std::uint32_t, std::int64_t>> asks_;
  std::vector<std::uint32_t> closing_;
  std::vector<std::uint32_t> others_;
  std::vector<Sums> prefix_;
  std::vector<std::int64_t> by_ask_;
};

}  // namespace

Slots PalletSlots(const PlantLot& lot, const ModuleTraits& traits, int series, const PalletWindows& windows,
                  PalletAnchor anchor) {
  return PalletFill(lot, traits, series, windows, anchor).Run();
}

}  // namespace voltrigg::plant
