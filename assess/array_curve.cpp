#include "assess/array_curve.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <queue>
#include <stdexcept>

#include "assess/curve_engine.h"

namespace voltrigg {

namespace engine {

namespace {

constexpr double kEps = std::numeric_limits<double>::epsilon();

// Root of a falling function g on [lo, hi] with g(lo) > 0 > g(hi): Newton
// steps where they stay inside the bracket, halving where they do not.
template <class F, class D>
double FallingRoot(const F& g, const D& slope, double lo, double hi, double x) {
  if (!(x > lo && x < hi)) x = 0.5 * (lo + hi);
  for (int iteration = 0; iteration < 200; ++iteration) {
    const double gx = g(x);
    if (gx == 0) return x;
    if (gx > 0) {
      lo = x;
    } else {
      hi = x;
    }
    const double s = slope(x);
    double next = s < 0 ? x - gx / s : std::numeric_limits<double>::quiet_NaN();
    if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
    if (std::fabs(next - x) <= 2 * kEps * std::fabs(next) || hi - lo <= 2 * kEps * std::fabs(hi)) return next;
    x = next;
  }
  return x;
}

}  // namespace

FastModule Prepare(const ModuleCurve& c) {
  FastModule m;
  m.a_v = c.a_v;
  m.top_a = c.il_a + c.i0_a;
  m.rs_ohm = c.rs_ohm;
  m.log_i0 = std::log(c.i0_a);
  // Where the smooth curve reaches -kBypassDropV; it falls strictly on [0, top).
  const auto g = [&](double i) { return m.a_v * (std::log(m.top_a - i) - m.log_i0) - i * m.rs_ohm + kBypassDropV; };
  const auto slope = [&](double i) { return Slope(m, i); };
  // K = top - I0 * exp((K*Rs - drop)/a) is a fixed point whose map shrinks
  // distances by (top - K) * |Rs| / a, tiny for real modules: a few steps
  // give K to full precision. Otherwise, or if it does not settle, the
  // bracketed solve.
  if (!(g(0) > 0)) {
    m.bypass_a = 0;
    return m;
  }
  double k = m.top_a;
  bool settled = false;
  for (int step = 0; step < 6 && !settled; ++step) {
    const double next = m.top_a - std::exp(m.log_i0 + (k * m.rs_ohm - kBypassDropV) / m.a_v);
    settled = std::fabs(next - k) <= 4 * kEps * m.top_a;
    k = next;
  }
  const bool contracting = (m.top_a - k) * std::fabs(m.rs_ohm) < 0.25 * m.a_v;
  m.bypass_a = settled && contracting && k > 0 && k < m.top_a ? k : FallingRoot(g, slope, 0.0, m.top_a, k);
  return m;
}

FastString PrepareString(const std::vector<FastModule>& modules, const StringWiring& string) {
  FastString s;
  s.modules.reserve(string.size());
  for (int index : string) s.modules.push_back(modules[static_cast<std::size_t>(index)]);
  for (const FastModule& m : s.modules) {
    s.bypass_sorted_a.push_back(m.bypass_a);
    s.top_a = std::max(s.top_a, m.bypass_a);
  }
  std::sort(s.bypass_sorted_a.begin(), s.bypass_sorted_a.end());
  s.voc_v = StringVoltage(s, 0.0);
  return s;
}

std::vector<FastString> PrepareArray(const std::vector<ModuleCurve>& curves, const Wiring& wiring) {
  std::vector<FastModule> modules;
  modules.reserve(curves.size());
  for (const ModuleCurve& c : curves) modules.push_back(Prepare(c));
  std::vector<FastString> strings;
  strings.reserve(wiring.size());
  for (const StringWiring& w : wiring) strings.push_back(PrepareString(modules, w));
  return strings;
}

double StringVoltage(const FastString& s, double current_a) {
  double v = 0;
  for (const FastModule& m : s.modules) v += Voltage(m, current_a);
  return v;
}

double StringSlope(const FastString& s, double current_a, bool at_kink_counts) {
  double slope = 0;
  for (const FastModule& m : s.modules) {
    if (current_a < m.bypass_a || (at_kink_counts && current_a == m.bypass_a)) slope += Slope(m, current_a);
  }
  return slope;
}

double StringCurrent(const FastString& s, double voltage_v, double guess_a) {
  if (s.modules.empty() || !(voltage_v < s.voc_v)) return 0;
  // Bracket: the string's voltage falls from Voc at 0 A to -drop * S at top_a.
  double lo = 0;
  double hi = s.top_a;
  const double x = guess_a > lo && guess_a < hi ? guess_a : 0.95 * s.bypass_sorted_a.front();
  return StringRoot(
      s.modules, [&](double current_a) { return StringVoltage(s, current_a) - voltage_v; }, lo, hi, x);
}

namespace {

struct Sample {
  double voltage_v = 0;
  double current_a = 0;
  double power_w = 0;
  std::vector<double> currents;  // per string
};

struct Interval {
  int left = 0;
  int right = 0;
  double bound_w = 0;           // no power inside exceeds this
  double split_v = 0;           // where to look next
  int forced_string = -1;       // the split is a bypass or open-circuit kink of this string...
  double forced_current_a = 0;  // ...whose current there is known exactly
  bool operator<(const Interval& o) const { return bound_w < o.bound_w; }
};

class PowerSearch {
 public:
  explicit PowerSearch(const std::vector<FastString>& strings) : strings_(strings) {
    for (const FastString& s : strings_) v_high_ = std::max(v_high_, s.voc_v);
  }

  ArrayPointDetail Run() {
    ArrayPointDetail out;
    out.string_currents_a.assign(strings_.size(), 0.0);
    if (!(v_high_ > 0)) return out;
    // A coarse first look; the search below refines where the power may be higher.
    // A first look where the maximum usually lies, from the open circuit
    // downwards so that each solve starts from its neighbour's current; the
    // search below refines wherever the power may be higher.
    constexpr double kFirst[] = {1.0, 0.9, 0.8, 0.7, 0.5};
    Evaluate(0.0, -1, -1, 0);
    int previous = -1;
    for (double fraction : kFirst) previous = Evaluate(v_high_ * fraction, previous, -1, 0);
    // Samples 0 (at 0 V), 1 (at v_high_), ...: pairs neighbouring in voltage.
    queue_.push(Analyse(0, static_cast<int>(samples_.size()) - 1));
    for (int k = static_cast<int>(samples_.size()) - 1; k > 1; --k) queue_.push(Analyse(k, k - 1));
    constexpr double kRelative = 1e-10;
    constexpr int kMaxSamples = 4000;
    while (!queue_.empty() && static_cast<int>(samples_.size()) < kMaxSamples) {
      const Interval top = queue_.top();
      if (top.bound_w <= best_w() * (1 + kRelative)) break;
      queue_.pop();
      // Warm start from the nearer end.
      const bool left_nearer = top.split_v - samples_[static_cast<std::size_t>(top.left)].voltage_v <
                               samples_[static_cast<std::size_t>(top.right)].voltage_v - top.split_v;
      const int mid =
          Evaluate(top.split_v, left_nearer ? top.left : top.right, top.forced_string, top.forced_current_a);
      queue_.push(Analyse(top.left, mid));
      queue_.push(Analyse(mid, top.right));
    }
    const Sample& b = samples_[static_cast<std::size_t>(best_)];
    out.point = PowerPoint{b.power_w, b.voltage_v, b.current_a};
    out.string_currents_a = b.currents;
    return out;
  }

 private:
  double best_w() const { return samples_[static_cast<std::size_t>(best_)].power_w; }

  int Evaluate(double v, int near, int forced_string, double forced_current) {
    Sample s;
    s.voltage_v = v;
    s.currents.resize(strings_.size());
    for (std::size_t j = 0; j < strings_.size(); ++j) {
      double i = 0;
      if (static_cast<int>(j) == forced_string) {
        i = forced_current;
      } else if (v == 0) {
        // The power is 0 here whatever the current; the bounds need only an
        // upper limit, which spares a slow solve deep among the bypass steps.
        i = strings_[j].top_a;
      } else {
        const double guess = near >= 0 ? samples_[static_cast<std::size_t>(near)].currents[j] : -1.0;
        i = StringCurrent(strings_[j], v, guess > 0 ? guess : -1.0);
      }
      s.currents[j] = i;
      s.current_a += i;
    }
    s.power_w = v * s.current_a;
    samples_.push_back(std::move(s));
    const int index = static_cast<int>(samples_.size()) - 1;
    if (best_ < 0 || samples_.back().power_w > best_w()) best_ = index;
    return index;
  }

  // dI/dV of string j just right of sample `at` (towards lower currents) or
  // just left of it (towards higher currents).
  double CurrentSlope(std::size_t j, const Sample& at, bool rightwards, double other_v) const {
    const FastString& s = strings_[j];
    const double i = at.currents[j];
    if (rightwards) {
      if (i == 0) return 0;
      const double dv = StringSlope(s, i, true);
      return dv < 0 ? 1.0 / dv : 0.0;
    }
    if (i == 0 && other_v >= s.voc_v) return 0;
    const double dv = StringSlope(s, i, false);
    return dv < 0 ? 1.0 / dv : 0.0;
  }

  Interval Analyse(int left, int right) const {
    const Sample& l = samples_[static_cast<std::size_t>(left)];
    const Sample& r = samples_[static_cast<std::size_t>(right)];
    Interval iv;
    iv.left = left;
    iv.right = right;
    const double width = r.voltage_v - l.voltage_v;
    const double known = std::max(l.power_w, r.power_w);
    // Current falls with voltage, so no point inside beats V_right * I_left.
    const double monotone = r.voltage_v * l.current_a;
    if (!(width > 1e-13 * v_high_)) {
      iv.bound_w = known;
      return iv;
    }
    // A kink inside: a string reaching its open-circuit voltage, or a module's
    // bypass diode starting to conduct. Between kinks the power is concave.
    int kink_string = -1;
    double kink_v = 0;
    double kink_i = 0;
    for (std::size_t j = 0; j < strings_.size() && kink_string < 0; ++j) {
      const FastString& s = strings_[j];
      if (l.voltage_v < s.voc_v && s.voc_v < r.voltage_v) {
        kink_string = static_cast<int>(j);
        kink_v = s.voc_v;
        kink_i = 0;
        break;
      }
      const double il = l.currents[j];
      const double ir = r.currents[j];
      if (!(il > ir)) continue;
      const auto it = std::upper_bound(s.bypass_sorted_a.begin(), s.bypass_sorted_a.end(), ir);
      if (it != s.bypass_sorted_a.end() && *it < il) {
        kink_string = static_cast<int>(j);
        kink_i = *it;
        kink_v = StringVoltage(s, kink_i);
      }
    }
    if (kink_string >= 0) {
      iv.bound_w = monotone;
      if (width > v_high_ / 32 || !(kink_v > l.voltage_v && kink_v < r.voltage_v)) {
        iv.split_v = 0.5 * (l.voltage_v + r.voltage_v);
      } else {
        iv.split_v = kink_v;
        iv.forced_string = kink_string;
        iv.forced_current_a = kink_i;
      }
      return iv;
    }
    double dl = l.current_a;
    double dr = r.current_a;
    for (std::size_t j = 0; j < strings_.size(); ++j) {
      dl += l.voltage_v * CurrentSlope(j, l, true, r.voltage_v);
      dr += r.voltage_v * CurrentSlope(j, r, false, l.voltage_v);
    }
    if (dl <= 0 || dr >= 0) {  // concave and monotone here: the larger end is the top
      iv.bound_w = known;
      return iv;
    }
    // Concave: the two end tangents bound the curve; they meet above its top.
    double x = (r.power_w - l.power_w + dl * l.voltage_v - dr * r.voltage_v) / (dl - dr);
    x = std::clamp(x, l.voltage_v + 1e-3 * width, r.voltage_v - 1e-3 * width);
    iv.bound_w = std::max(known, std::min(monotone, l.power_w + dl * (x - l.voltage_v)));
    iv.split_v = x;
    return iv;
  }

  const std::vector<FastString>& strings_;
  double v_high_ = 0;
  std::vector<Sample> samples_;
  int best_ = -1;
  std::priority_queue<Interval> queue_;
};

}  // namespace

ArrayPointDetail MaximumPowerPoint(const std::vector<FastString>& strings) { return PowerSearch(strings).Run(); }

}  // namespace engine

bool WiringIndicesValid(const Wiring& wiring, int module_count) {
  for (const StringWiring& s : wiring) {
    for (int index : s) {
      if (index < 0 || index >= module_count) return false;
    }
  }
  return true;
}

namespace {

engine::FastString OneString(const std::vector<ModuleCurve>& curves, const StringWiring& string) {
  std::vector<engine::FastModule> modules;
  modules.reserve(string.size());
  for (int index : string) {
    if (index < 0 || static_cast<std::size_t>(index) >= curves.size()) continue;  // never read past the list
    const ModuleCurve& c = curves[static_cast<std::size_t>(index)];
    if (!CurveUsable(c)) throw std::invalid_argument("a module curve of the string is not usable");
    modules.push_back(engine::Prepare(c));
  }
  StringWiring positions(modules.size());
  for (std::size_t k = 0; k < positions.size(); ++k) positions[k] = static_cast<int>(k);
  return engine::PrepareString(modules, positions);
}

std::vector<engine::FastString> CheckedArray(const std::vector<ModuleCurve>& curves, const Wiring& wiring) {
  std::vector<engine::FastString> strings;
  strings.reserve(wiring.size());
  for (const StringWiring& w : wiring) strings.push_back(OneString(curves, w));
  return strings;
}

std::vector<CurvePoint> Sample(const std::vector<engine::FastString>& strings, int count) {
  double v_high = 0;
  for (const engine::FastString& s : strings) v_high = std::max(v_high, s.voc_v);
  count = std::max(count, 2);
  std::vector<CurvePoint> points;
  points.reserve(static_cast<std::size_t>(count));
  std::vector<double> guesses(strings.size(), -1.0);
  for (int k = 0; k < count; ++k) {
    CurvePoint p;
    p.voltage_v = v_high * k / (count - 1);
    for (std::size_t j = 0; j < strings.size(); ++j) {
      const double i = engine::StringCurrent(strings[j], p.voltage_v, guesses[j]);
      guesses[j] = i > 0 ? i : -1.0;
      p.current_a += i;
    }
    p.power_w = p.voltage_v * p.current_a;
    points.push_back(p);
  }
  return points;
}

}  // namespace

double ModuleCurrentA(const ModuleCurve& curve, double voltage_v) {
  const engine::FastString s = OneString({curve}, {0});
  if (voltage_v <= -kBypassDropV) return s.top_a;
  return engine::StringCurrent(s, voltage_v, -1.0);
}

double StringVoltageV(const std::vector<ModuleCurve>& curves, const StringWiring& string, double current_a) {
  return engine::StringVoltage(OneString(curves, string), current_a);
}

double StringVocV(const std::vector<ModuleCurve>& curves, const StringWiring& string) {
  return OneString(curves, string).voc_v;
}

double StringCurrentA(const std::vector<ModuleCurve>& curves, const StringWiring& string, double voltage_v) {
  return engine::StringCurrent(OneString(curves, string), voltage_v, -1.0);
}

double ArrayCurrentA(const std::vector<ModuleCurve>& curves, const Wiring& wiring, double voltage_v) {
  double total = 0;
  for (const engine::FastString& s : CheckedArray(curves, wiring)) total += engine::StringCurrent(s, voltage_v, -1.0);
  return total;
}

PowerPoint ArrayMaximumPowerPoint(const std::vector<ModuleCurve>& curves, const Wiring& wiring) {
  return engine::MaximumPowerPoint(CheckedArray(curves, wiring)).point;
}

std::vector<CurvePoint> SampleArrayCurve(const std::vector<ModuleCurve>& curves, const Wiring& wiring, int count) {
  return Sample(CheckedArray(curves, wiring), count);
}

std::vector<CurvePoint> SampleStringCurve(const std::vector<ModuleCurve>& curves, const StringWiring& string,
                                          int count) {
  return Sample({OneString(curves, string)}, count);
}

double MismatchLossPct(double array_pmp_w, double sum_mpp_w) {
  if (!(sum_mpp_w > 0)) return 0;
  return 100.0 * (1.0 - array_pmp_w / sum_mpp_w);
}

}  // namespace voltrigg
