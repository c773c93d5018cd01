#pragma once
// Working form of the curves for the array calculations (not part of the
// public interface): every module with its logarithm of I0 and the current at
// which its bypass diode takes over precomputed, every string with its
// open-circuit voltage and its modules' bypass currents in ascending order.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "assess/array_curve.h"

namespace voltrigg::engine {

struct FastModule {
  double a_v = 0;
  double top_a = 0;  // IL + I0, where the diode current would have to vanish
  double rs_ohm = 0;
  double log_i0 = 0;
  double bypass_a = 0;  // current from which the module sits at -kBypassDropV
};

FastModule Prepare(const ModuleCurve& curve);

// The module's voltage at a current >= 0, the bypass drop from bypass_a on.
inline double Voltage(const FastModule& m, double current_a) {
  if (!(current_a < m.bypass_a)) return -kBypassDropV;
  const double v = m.a_v * (std::log(m.top_a - current_a) - m.log_i0) - current_a * m.rs_ohm;
  return v > -kBypassDropV ? v : -kBypassDropV;
}

// dV/dI of the smooth part (the module not bypassed).
inline double Slope(const FastModule& m, double current_a) { return -m.a_v / (m.top_a - current_a) - m.rs_ohm; }

// The current where a string of `modules` meets a voltage: the root of `g`
// (the string's voltage less the one it is to meet, falling in the current)
// on [lo, hi] with g(lo) > 0 > g(hi), starting from `x`. Newton in
// w = ln(pole - I), the pole being the nearest IL + I0 above x of a module
// still on its curve: near a pole the voltage is nearly linear in w, where
// Newton in I would crawl towards it. Halving where a step leaves the bracket.
template <class G>
double StringRoot(const std::vector<FastModule>& modules, const G& g, double lo, double hi, double x) {
  constexpr double kResolution = std::numeric_limits<double>::epsilon();
  for (int iteration = 0; iteration < 200; ++iteration) {
    const double gx = g(x);
    if (gx == 0) return x;
    if (gx > 0) {
      lo = x;
    } else {
      hi = x;
    }
    double slope = 0;
    double pole = std::numeric_limits<double>::infinity();
    for (const FastModule& m : modules) {
      if (x < m.bypass_a) {
        slope += Slope(m, x);
        pole = std::min(pole, m.top_a);
      }
    }
    double next = std::numeric_limits<double>::quiet_NaN();
    if (slope < 0) {
      const double d = pole - x;
      next = pole - d * std::exp(gx / (slope * d));
      // A step below the resolution of x: x is the root as far as doubles go
      // (on a nearly vertical part of the curve g need not come closer to 0).
      if (std::fabs(next - x) <= 2 * kResolution * x) return x;
    }
    if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
    if (hi - lo <= 2 * kResolution * hi) return next;
    x = next;
  }
  return x;
}

struct FastString {
  std::vector<FastModule> modules;
  std::vector<double> bypass_sorted_a;  // the modules' bypass currents, ascending
  double voc_v = 0;
  double top_a = 0;  // largest bypass current: every module bypassed from here on
};

FastString PrepareString(const std::vector<FastModule>& modules, const StringWiring& string);
std::vector<FastString> PrepareArray(const std::vector<ModuleCurve>& curves, const Wiring& wiring);

double StringVoltage(const FastString& s, double current_a);

// dV/dI of the string at `current_a`, counting the modules whose bypass
// current lies above it (`at_kink_counts`: also those exactly at it).
double StringSlope(const FastString& s, double current_a, bool at_kink_counts);

// The string's current at `voltage_v`: 0 at or above its Voc. `guess` < 0
// means none.
double StringCurrent(const FastString& s, double voltage_v, double guess_a);

struct ArrayPointDetail {
  PowerPoint point;
  std::vector<double> string_currents_a;  // at point.vmp_v
};

ArrayPointDetail MaximumPowerPoint(const std::vector<FastString>& strings);

}  // namespace voltrigg::engine
