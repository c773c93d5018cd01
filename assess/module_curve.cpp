#include "assess/module_curve.h"

#include <boost/math/tools/toms748_solve.hpp>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace voltrigg {

const char* FitProblemText(FitProblem problem) {
  switch (problem) {
    case FitProblem::None:
      return "fits";
    case FitProblem::NotPositive:
      return "Vpm, Ipm, Voc and Isc must all be positive numbers";
    case FitProblem::VocNotAboveVpm:
      return "Voc is not above Vpm";
    case FitProblem::IscNotAboveIpm:
      return "Isc is not above Ipm";
    case FitProblem::NoRoot:
      return "no diode curve puts the power maximum at (Vpm, Ipm) below Voc";
    case FitProblem::CurveNotFalling:
      return "the fitted curve would not fall monotonically (series resistance too negative)";
    case FitProblem::I0Underflow:
      return "the curve through the points is so square that its diode saturation current is below the smallest "
             "double (Isc very close to Ipm)";
  }
  return "unknown problem";
}

namespace {

// The fit condition as a function of a, with I0 = Isc / (exp(Voc/a) - 1):
//   a*ln(D/I0) + a*Imp/D - 2*Vmp,  D = Isc - Imp + I0.
// ln(D/I0) is formed as ln D - ln Isc + ln(expm1(Voc/a)), which stays finite
// where exp(Voc/a) alone would overflow.
struct FitCondition {
  double vmp_v, imp_a, voc_v, isc_a, log_isc;  // log_isc: ln of Isc in amperes

  double I0(double a) const { return isc_a / std::expm1(voc_v / a); }

  double operator()(double a) const {
    const double x = voc_v / a;
    const double e = std::exp(-x);
    const double log_expm1 = x + std::log1p(-e);    // ln(exp(x) - 1)
    const double i0 = isc_a * e / -std::expm1(-x);  // = isc_a / expm1(x), without overflow
    const double d = isc_a - imp_a + i0;
    return a * (std::log(d) - log_isc + log_expm1) + a * imp_a / d - 2.0 * vmp_v;
  }
};

}  // namespace

CurveFit FitModuleCurve(double vpm_v, double ipm_a, double voc_v, double isc_a) {
  CurveFit fit;
  const auto positive = [](double v) { return std::isfinite(v) && v > 0; };
  if (!positive(vpm_v) || !positive(ipm_a) || !positive(voc_v) || !positive(isc_a)) {
    fit.problem = FitProblem::NotPositive;
    return fit;
  }
  if (voc_v <= vpm_v) {
    fit.problem = FitProblem::VocNotAboveVpm;
    return fit;
  }
  if (isc_a <= ipm_a) {
    fit.problem = FitProblem::IscNotAboveIpm;
    return fit;
  }
  const FitCondition f{vpm_v, ipm_a, voc_v, isc_a, std::log(isc_a)};

  // Below a_floor the condition is negative whenever I0 <= Imp: there
  //   a*ln(D/I0) <= Voc (D <= Isc) and a*Imp/D <= a*Imp/(Isc - Imp),
  // so f(a) <= Voc - 2*Vmp + a*Imp/(Isc - Imp) < 0. The scan must start where
  // the function is negative and climb in small geometric steps to the first
  // sign change: from a_floor, or from a small fraction of Voc when the
  // function is negative there already (a_floor lies below it only for very
  // square curves, Isc close to Ipm).
  double a_lo = voc_v * 1e-3;
  if (2.0 * vpm_v > voc_v) {
    const double a_floor = (2.0 * vpm_v - voc_v) * (isc_a - ipm_a) / ipm_a;
    const bool proven = a_floor > 0 && a_floor < voc_v && f.I0(a_floor) <= ipm_a;
    if (proven && (a_floor > a_lo || !(f(a_lo) < 0))) a_lo = a_floor;
  }
  double f_lo = f(a_lo);
  double a_hi = 0;
  double f_hi = 0;
  bool bracketed = f_lo == 0;
  if (bracketed) a_hi = a_lo;
  // Coarse steps first; if they find nothing below Voc, fine steps make sure
  // that no narrow excursion above zero was stepped over.
  for (const double step : {1.15, 1.01}) {
    if (bracketed) break;
    double a = a_lo;
    double fa = f_lo;
    while (a < voc_v) {
      const double next = std::fmin(a * step, voc_v);
      const double f_next = f(next);
      if (f_next == 0 || (f_next > 0) != (fa > 0)) {
        a_lo = a;
        f_lo = fa;
        a_hi = next;
        f_hi = f_next;
        bracketed = true;
        break;
      }
      a = next;
      fa = f_next;
    }
  }
  if (!bracketed) {
    fit.problem = FitProblem::NoRoot;
    return fit;
  }
  double a = a_hi;
  if (f_hi != 0 && a_lo != a_hi) {
    std::uintmax_t iterations = 100;
    const auto range = boost::math::tools::toms748_solve(f, a_lo, a_hi, f_lo, f_hi,
                                                         boost::math::tools::eps_tolerance<double>(), iterations);
    // The bracket is as narrow as doubles allow; take the end nearer zero.
    a = std::fabs(f(range.first)) <= std::fabs(f(range.second)) ? range.first : range.second;
  }
  if (!(a > 0 && a < voc_v)) {
    fit.problem = FitProblem::NoRoot;
    return fit;
  }
  const double i0 = f.I0(a);
  if (i0 == 0) {
    fit.problem = FitProblem::I0Underflow;
    return fit;
  }
  const double d = isc_a - ipm_a + i0;
  const double rs = (vpm_v - a * ipm_a / d) / ipm_a;
  if (!(i0 > 0) || !std::isfinite(rs) || !(rs > -a / (isc_a + i0))) {
    fit.problem = FitProblem::CurveNotFalling;
    return fit;
  }
  fit.curve = ModuleCurve{isc_a, i0, a, rs};
  return fit;
}

bool CurveUsable(const ModuleCurve& c) {
  const auto positive = [](double v) { return std::isfinite(v) && v > 0; };
  return positive(c.il_a) && positive(c.i0_a) && positive(c.a_v) && std::isfinite(c.rs_ohm) &&
         c.rs_ohm > -c.a_v / (c.il_a + c.i0_a);
}

void RequireUsableCurves(const std::vector<ModuleCurve>& curves) {
  for (std::size_t k = 0; k < curves.size(); ++k) {
    if (!CurveUsable(curves[k])) {
      throw std::invalid_argument("module curve " + std::to_string(k + 1) +
                                  " is not usable (not finite, not positive, or not falling)");
    }
  }
}

double ModuleVoltageV(const ModuleCurve& c, double current_a) {
  if (!CurveUsable(c)) throw std::invalid_argument("the module curve is not usable");
  const double top = c.il_a + c.i0_a;
  if (!(current_a < top)) return -kBypassDropV;
  const double v = c.a_v * std::log((top - current_a) / c.i0_a) - current_a * c.rs_ohm;
  return v > -kBypassDropV ? v : -kBypassDropV;
}

}  // namespace voltrigg
