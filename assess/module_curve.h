#pragma once
// One measured module as a current-voltage curve: the single-diode equation
// without a shunt term, I = IL - I0 * (exp((V + I*Rs) / a) - 1), fitted so that
// it passes through the measured open-circuit point and has its power maximum
// at the measured maximum power point. Everything here is double precision.
#include <string>
#include <vector>

namespace voltrigg {

// A module whose string current exceeds what it can carry is held by its
// bypass diode at this voltage instead.
inline constexpr double kBypassDropV = 1.5;  // [V], the module's voltage is never below -kBypassDropV

// One module of the list with what the curves need. The values are the list's
// float values widened to double.
struct ModuleData {
  double number = 0;   // module number as read
  std::string serial;  // serial number, bytes as read
  double pmax_w = 0;   // measured Pmax, only summed for comparison
  double vpm_v = 0;
  double ipm_a = 0;
  double voc_v = 0;
  double isc_a = 0;
};

// The fitted curve of one module.
struct ModuleCurve {
  double il_a = 0;    // light current, = Isc
  double i0_a = 0;    // diode saturation current
  double a_v = 0;     // modified ideality factor n*Ns*kT/q
  double rs_ohm = 0;  // series resistance; may be negative (a shape parameter)
};

enum class FitProblem {
  None,
  NotPositive,      // Vpm, Ipm, Voc or Isc zero, negative or not a finite number
  VocNotAboveVpm,   // Voc <= Vpm
  IscNotAboveIpm,   // Isc <= Ipm
  NoRoot,           // no a below Voc puts the power maximum at (Vpm, Ipm)
  CurveNotFalling,  // Rs <= -a / (IL + I0): the current would not fall monotonically
  I0Underflow,      // the curve is so square that I0 = Isc / (exp(Voc/a) - 1) is below the smallest double
};

// Short English text for a problem, e.g. "Voc is not above Vpm".
const char* FitProblemText(FitProblem problem);

struct CurveFit {
  ModuleCurve curve;
  FitProblem problem = FitProblem::None;
};

// Fits a, I0 and Rs with IL = Isc: I0 = Isc / (exp(Voc/a) - 1), a the smallest
// positive root of a*ln(D/I0) + a*Imp/D - 2*Vmp (D = Isc - Imp + I0), and
// Rs = (Vmp - a*Imp/D) / Imp. `curve` is meaningful only when `problem` is None.
CurveFit FitModuleCurve(double vpm_v, double ipm_a, double voc_v, double isc_a);
inline CurveFit FitModuleCurve(const ModuleData& m) { return FitModuleCurve(m.vpm_v, m.ipm_a, m.voc_v, m.isc_a); }

// True when the curve can be evaluated: IL, I0 and a finite and positive, Rs
// finite and above -a / (IL + I0), so that the current falls with the voltage.
bool CurveUsable(const ModuleCurve& curve);

// Throws std::invalid_argument naming the first curve that is not usable.
void RequireUsableCurves(const std::vector<ModuleCurve>& curves);

// The module's voltage at a current >= 0: a*ln((IL + I0 - I)/I0) - I*Rs, but
// never below -kBypassDropV, and -kBypassDropV from IL + I0 on. V(0) = Voc.
// Throws std::invalid_argument for a curve that is not usable.
double ModuleVoltageV(const ModuleCurve& curve, double current_a);

// The module's current at a voltage (0 at or above Voc; the curve's current at
// -kBypassDropV, IL + I0, is the largest). Throws std::invalid_argument for a
// curve that is not usable.
double ModuleCurrentA(const ModuleCurve& curve, double voltage_v);

}  // namespace voltrigg
