#include "plant/input_mpp.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "assess/curve_engine.h"

namespace voltrigg::plant {

namespace {

constexpr double kEps = std::numeric_limits<double>::epsilon();
// Bounds are made this much larger than computed, for the rounding of the
// sums they come from.
constexpr double kBoundMargin = 1e-11;

// A string's voltage on its modules' smooth parts, the two derivatives in I,
// and the lowest module voltage (a module at or below -kBypassDropV is held
// by its bypass diode, off the smooth part).
struct Smooth {
  double v = 0;
  double d1 = 0;  // dV/dI
  double d2 = 0;  // d2V/dI2
  double lowest_module_v = std::numeric_limits<double>::infinity();
};

inline double SmoothVoltage(const DiodeModule& m, double current_a) {
  return m.a_v * (std::log(m.top_a - current_a) - m.log_i0) - current_a * m.rs_ohm;
}

}  // namespace

bool PrepareDiodeModule(const ModuleCurve& curve, double imp_hint_a, DiodeModule& m, OwnMaximum* own) {
  if (!CurveUsable(curve)) return false;
  m.a_v = curve.a_v;
  m.top_a = curve.il_a + curve.i0_a;
  m.rs_ohm = curve.rs_ohm;
  m.log_i0 = std::log(curve.i0_a);
  m.voc_v = SmoothVoltage(m, 0.0);
  // From the hint (the fit puts the module's own maximum at the measured Imp
  // exactly; at another temperature the hint is near it) Newton steps on
  // P' = V + I*V' to the maximum, kept inside the curve.
  double i = imp_hint_a > 0 && imp_hint_a < m.top_a ? imp_hint_a : 0.92 * m.top_a;
  double gap = 0;
  double v = 0;
  double slope = 0;  // dP/dI
  for (int step = 0;; ++step) {
    gap = m.top_a - i;
    v = m.a_v * (std::log(gap) - m.log_i0) - i * m.rs_ohm;
    const double d1 = -m.a_v / gap - m.rs_ohm;
    const double curvature = -(2 * d1 + i * (-m.a_v / (gap * gap)));  // -d2P/dI2, above 0
    slope = v + i * d1;
    if (step == 0 && own != nullptr) *own = OwnMaximum{i, i * v, curvature};
    const double next = i + slope / curvature;
    if (step == 8 || !(std::fabs(next - i) > 1e-7 * i) || !(next > 0 && next < m.top_a)) break;
    i = next;
  }
  m.imp_a = i;
  // The power I*V(I) is concave on the smooth part (V' < 0 and V'' < 0 for a
  // usable curve) and negative where the bypass diode holds the module, so
  // the tangent at any point of the smooth part bounds it everywhere: its
  // higher end over [0, top] lies above every point of the curve. At the
  // maximum the tangent is flat and the bound tight.
  const double tangent_top = i * v + std::max(-slope * i, slope * gap);
  m.bound_w = std::isfinite(tangent_top) ? std::max(tangent_top, 0.0) * (1 + kBoundMargin) : m.top_a * m.voc_v;
  return true;
}

namespace {

struct StringState {
  int first = 0;  // index of its first module in the input
  int size = 0;
  double voc_v = 0;
  double bound_w = 0;                                      // the sum of its modules' bounds
  double top_a = std::numeric_limits<double>::infinity();  // its lowest IL + I0: the smooth parts end there
  double current_a = 0;
  Smooth at;  // the string at current_a
};

Smooth StringSmooth(const DiodeModule* m, int size, double current_a) {
  Smooth s;
  for (int k = 0; k < size; ++k) {
    const double gap = m[k].top_a - current_a;
    const double inv = 1.0 / gap;
    const double v = m[k].a_v * (std::log(gap) - m[k].log_i0) - current_a * m[k].rs_ohm;
    s.v += v;
    s.lowest_module_v = std::min(s.lowest_module_v, v);
    s.d1 += -m[k].a_v * inv - m[k].rs_ohm;
    s.d2 += -m[k].a_v * inv * inv;
  }
  return s;
}

InputPoint BySearch(const InputModules& input) {
  Wiring wiring;
  int next = 0;
  for (int size : input.string_sizes) {
    StringWiring& s = wiring.emplace_back();
    for (int k = 0; k < size; ++k) s.push_back(next++);
  }
  InputPoint out;
  out.point = ArrayMaximumPowerPoint(input.curves, wiring);
  out.searched = true;
  return out;
}

// Newton on P' = V + I*V' for one string, the current kept in (0, top)
// where P' falls from Voc to minus infinity.
bool SolveOne(const DiodeModule* m, StringState& s) {
  double lo = 0;
  double hi = s.top_a;
  double i = s.current_a;
  for (int step = 0; step < 100; ++step) {
    const Smooth at = StringSmooth(m, s.size, i);
    const double f = at.v + i * at.d1;
    if (f > 0) {
      lo = i;
    } else {
      hi = i;
    }
    const double slope = 2 * at.d1 + i * at.d2;
    double next = slope < 0 ? i - f / slope : std::numeric_limits<double>::quiet_NaN();
    bool done = std::fabs(next - i) <= 4 * kEps * i;
    if (!done && !(next > lo && next < hi)) next = 0.5 * (lo + hi);
    done = done || hi - lo <= 4 * kEps * hi;
    i = done ? std::clamp(next, lo, hi) : next;
    if (done) {
      s.current_a = i;
      s.at = StringSmooth(m, s.size, i);
      return i > 0 && i < s.top_a;
    }
  }
  return false;
}

// Newton on the strings' currents and the common voltage together:
//   V_j(I_j) = V for every string, and dP/dV = sum I_j + V * sum 1/V_j' = 0,
// each current kept in (0, top) and the voltage below the lowest Voc.
bool SolveParallel(const DiodeModule* modules, std::vector<StringState>& strings, double v_hi, double& voltage_v) {
  double v = 0;
  for (StringState& s : strings) {
    s.at = StringSmooth(modules + s.first, s.size, s.current_a);
    v += s.at.v;
  }
  v /= static_cast<double>(strings.size());
  for (int step = 0; step < 60; ++step) {
    double f = 0;
    double g = 0;
    double lhs = 0;
    double rhs = 0;
    for (const StringState& s : strings) {
      const double inv = 1.0 / s.at.d1;
      const double h = 1.0 - v * s.at.d2 * inv * inv;
      const double r = s.at.v - v;
      f += s.current_a + v * inv;
      g += inv;
      lhs += h * inv;
      rhs += h * r * inv;
    }
    const double dv = (-f + rhs) / (lhs + g);
    if (!std::isfinite(dv)) return false;
    // Damped where a full step would leave the smooth parts.
    double t = 1;
    for (int halving = 0;; ++halving) {
      if (halving == 60) return false;
      bool inside = v + t * dv < v_hi;
      for (const StringState& s : strings) {
        const double next = s.current_a + (t * dv - (s.at.v - v)) / s.at.d1;
        inside = inside && next > 0 && next < s.top_a;
      }
      if (inside) break;
      t *= 0.5;
    }
    bool small = std::fabs(t * dv) <= 8 * kEps * std::fabs(v);
    for (StringState& s : strings) {
      const double di = (t * dv - (s.at.v - v)) / s.at.d1;
      small = small && std::fabs(di) <= 8 * kEps * s.current_a;
      s.current_a += di;
      s.at = StringSmooth(modules + s.first, s.size, s.current_a);
    }
    v += t * dv;
    if (small && t == 1) {
      voltage_v = v;
      return true;
    }
  }
  return false;
}

}  // namespace

InputPoint InputMaximumPowerPoint(const InputModules& input) {
  if (input.curves.size() != input.diodes.size()) throw std::invalid_argument("curves and modules differ in number");
  std::size_t total = 0;
  for (int size : input.string_sizes) {
    if (size < 0) throw std::invalid_argument("a string of the input has a negative size");
    total += static_cast<std::size_t>(size);
  }
  if (total != input.diodes.size()) throw std::invalid_argument("the strings do not hold the input's modules");
  RequireUsableCurves(input.curves);

  std::vector<StringState> strings;
  strings.reserve(input.string_sizes.size());
  int first = 0;
  for (int size : input.string_sizes) {
    // A string without modules carries no current at any voltage.
    if (size > 0) {
      StringState s;
      s.first = first;
      s.size = size;
      strings.push_back(s);
    }
    first += size;
  }
  if (strings.empty()) return {};
  const DiodeModule* modules = input.diodes.data();

  // The smooth parts of the curves give a power that is concave in the
  // voltage wherever every module of every string is on its smooth part
  // (V' < 0, V'' < 0: each string's current is concave in the voltage) and
  // every string carries current. A stationary point found there is the top
  // of that stretch. Elsewhere a module is bypassed (its power then at most
  // 0: the input gives at most the others' bounds) or a string is open (the
  // others' bounds): when the top is at least both, it is the global one.
  double total_bound_w = 0;
  double lowest_bound_w = std::numeric_limits<double>::infinity();
  double v_hi = std::numeric_limits<double>::infinity();
  double lowest_voc_bound_w = 0;  // the bounds of the string that opens first
  for (StringState& s : strings) {
    const DiodeModule* m = modules + s.first;
    double imp_sum = 0;
    for (int k = 0; k < s.size; ++k) {
      s.voc_v += m[k].voc_v;
      s.bound_w += m[k].bound_w;
      s.top_a = std::min(s.top_a, m[k].top_a);
      lowest_bound_w = std::min(lowest_bound_w, m[k].bound_w);
      imp_sum += m[k].imp_a;
    }
    total_bound_w += s.bound_w;
    if (s.voc_v < v_hi) {
      v_hi = s.voc_v;
      lowest_voc_bound_w = s.bound_w;
    }
    s.current_a = std::min(imp_sum / s.size, 0.999 * s.top_a);
  }
  if (!(v_hi > 0)) return BySearch(input);

  double voltage_v = 0;
  double current_a = 0;
  if (strings.size() == 1) {
    if (!SolveOne(modules + strings[0].first, strings[0])) return BySearch(input);
    voltage_v = strings[0].at.v;
    current_a = strings[0].current_a;
  } else {
    if (!SolveParallel(modules, strings, v_hi, voltage_v)) return BySearch(input);
    for (const StringState& s : strings) current_a += s.current_a;
  }
  for (const StringState& s : strings) {
    if (!(s.current_a > 0 && s.at.lowest_module_v > -kBypassDropV)) return BySearch(input);
  }
  const double power_w = voltage_v * current_a;
  const double bypassed_w = total_bound_w - lowest_bound_w;
  const double open_w = strings.size() == 1 ? 0.0 : total_bound_w - lowest_voc_bound_w;
  if (!(std::isfinite(power_w) && power_w > 0 && power_w >= bypassed_w && power_w >= open_w)) {
    return BySearch(input);
  }
  InputPoint out;
  out.point = PowerPoint{power_w, voltage_v, current_a};
  return out;
}

namespace {

struct Candidate {
  double top_a = 0;
  int index = 0;
};

// The string's current at 0 V with the engine's module model (bypass
// currents as engine::Prepare finds them). Near 0 V nearly every module of a
// string is held by its bypass diode: the root lies between two neighbouring
// bypass currents, found from the highest down, then Newton in
// w = ln(pole - I) as the engine solves it. A module's bypass current lies
// below its IL + I0, so at any current at or above that the module sits at
// -kBypassDropV whatever its bypass current: only the modules of the highest
// IL + I0 are prepared, as far down as the search goes.
class ZeroVoltString {
 public:
  ZeroVoltString(const ModuleCurve* curves, const DiodeModule* diodes, int size, std::vector<Candidate>& work)
      : curves_(curves), diodes_(diodes), work_(work) {
    work_.clear();
    for (int k = 0; k < size; ++k) work_.push_back(Candidate{curves[k].il_a + curves[k].i0_a, k});
    std::sort(work_.begin(), work_.end(), [](const Candidate& a, const Candidate& b) {
      return a.top_a > b.top_a || (a.top_a == b.top_a && a.index < b.index);
    });
    prepared_.clear();
  }

  double Solve() {
    if (work_.empty()) return 0;
    // Its open-circuit voltage: a module's voltage at 0 A is its smooth
    // value, or the bypass drop where that is lower, whatever its bypass current.
    double voc_v = 0;
    for (const Candidate& c : work_) voc_v += std::max(diodes_[c.index].voc_v, -kBypassDropV);
    if (!(0 < voc_v)) return 0;
    // Down the bypass currents, highest first, to the first with a voltage above 0.
    double lo = 0;
    double hi = std::numeric_limits<double>::infinity();
    for (;;) {
      const double next = NextBelow(hi);
      if (next < 0) break;
      if (hi == std::numeric_limits<double>::infinity()) {
        hi = next;  // the highest bypass current: every module bypassed from here on
        continue;
      }
      const double v = Voltage(next);
      if (v == 0) return next;
      if (v > 0) {
        lo = next;
        break;
      }
      hi = next;
    }
    if (hi == std::numeric_limits<double>::infinity()) return 0;
    PrepareAbove(lo);
    return engine::StringRoot(
        prepared_, [this](double current_a) { return Voltage(current_a); }, lo, hi, 0.5 * (lo + hi));
  }

 private:
  // The highest bypass current below `hi` of all the string's modules, -1 for none.
  double NextBelow(double hi) {
    for (;;) {
      double next = -1;
      for (const engine::FastModule& m : prepared_) {
        if (m.bypass_a < hi && m.bypass_a > next) next = m.bypass_a;
      }
      if (next < 0) {
        if (prepared_.size() == work_.size()) return -1;
        prepared_.push_back(engine::Prepare(curves_[work_[prepared_.size()].index]));
        continue;
      }
      // A module not prepared yet has its bypass current below its top.
      const std::size_t before = prepared_.size();
      PrepareAbove(next);
      if (prepared_.size() == before) return next;
    }
  }
  // Prepares every module whose top lies above `current_a`.
  void PrepareAbove(double current_a) {
    while (prepared_.size() < work_.size() && work_[prepared_.size()].top_a > current_a) {
      prepared_.push_back(engine::Prepare(curves_[work_[prepared_.size()].index]));
    }
  }
  // The string's voltage at `current_a`, which lies at or above the top of
  // every module not prepared.
  double Voltage(double current_a) const {
    double v = 0;
    for (const engine::FastModule& m : prepared_) v += engine::Voltage(m, current_a);
    return v - kBypassDropV * static_cast<double>(work_.size() - prepared_.size());
  }

  const ModuleCurve* curves_;
  const DiodeModule* diodes_;
  std::vector<Candidate>& work_;
  std::vector<engine::FastModule> prepared_;
};

}  // namespace

double InputCurrentAtZeroVoltsA(const InputModules& input) {
  RequireUsableCurves(input.curves);
  if (input.curves.size() != input.diodes.size()) throw std::invalid_argument("curves and modules differ in number");
  std::vector<Candidate> scratch;
  double total = 0;
  std::size_t first = 0;
  for (int size : input.string_sizes) {
    if (size < 0 || first + static_cast<std::size_t>(size) > input.curves.size()) {
      throw std::invalid_argument("the strings do not hold the input's modules");
    }
    total += ZeroVoltString(input.curves.data() + first, input.diodes.data() + first, size, scratch).Solve();
    first += static_cast<std::size_t>(size);
  }
  return total;
}

}  // namespace voltrigg::plant
