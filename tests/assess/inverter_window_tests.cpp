// The array at other irradiances and cell temperatures where the answer is
// known exactly, the inverter window's checks at their limits and on bad
// numbers, and the inverter profile reader on good and bad profiles.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "app/shared/assess_options.h"
#include "app/shared/text_catalogue.h"
#include "assess/array_at_conditions.h"
#include "assess/conditions.h"
#include "assess/curve_translation.h"
#include "assess/inverter_profile.h"
#include "assess/inverter_window.h"
#include "assess/inverter_window_json.h"
#include "assess/inverter_window_rows.h"
#include "support/assess_support.h"
#include "support/module_generator.h"
#include "support/run_support.h"

namespace voltrigg {
namespace {

using testing::Cli;
using testing::CliResult;
using testing::FitAll;
using testing::InOrder;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

double Rel(double got, double want) { return std::fabs(got - want) / std::max(std::fabs(want), 1e-300); }

std::vector<ModuleData> Generated(int count, std::uint64_t seed) {
  return testing::AsModuleData(testing::GenerateModules(count, seed));
}

const TemperatureCoefficients kCoefficients{-0.37, 0.05};

// ------------------------------------------------------ translated curves

TEST(CurveTranslation, AtStandardConditionsIsTheFittedCurveBitForBit) {
  for (std::uint64_t seed = 1; seed <= 5; ++seed) {
    const std::vector<ModuleData> modules = Generated(40, seed);
    const std::vector<ModuleCurve> fitted = FitAll(modules);
    for (const TemperatureCoefficients& c : {kCoefficients, TemperatureCoefficients{-1.0, 0.3}}) {
      const TranslatedCurves t = TranslateModuleCurves(modules, fitted, CellConditions{}, c);
      ASSERT_EQ(t.first_problem_index, -1);
      for (std::size_t k = 0; k < fitted.size(); ++k) {
        EXPECT_EQ(t.curves[k].il_a, fitted[k].il_a);
        EXPECT_EQ(t.curves[k].i0_a, fitted[k].i0_a);
        EXPECT_EQ(t.curves[k].a_v, fitted[k].a_v);
        EXPECT_EQ(t.curves[k].rs_ohm, fitted[k].rs_ohm);
      }
    }
  }
}

TEST(CurveTranslation, OpenCircuitVoltageAndShortCircuitCurrentFollowTheCoefficientsAndTheSun) {
  const std::vector<ModuleData> modules = Generated(20, 3);
  const std::vector<ModuleCurve> fitted = FitAll(modules);
  for (std::size_t k = 0; k < modules.size(); ++k) {
    const ModuleCurve stc = fitted[k];
    const double i0v_stc = ModuleCurrentA(stc, 0.0);
    EXPECT_LT(Rel(i0v_stc, modules[k].isc_a), 1e-6);  // the current at 0 V is Isc less a diode leak
    for (double t : {-60.0, -10.0, 15.0, 25.0, 70.0, 100.0}) {
      const CurveFit f = TranslateModuleCurve(stc, modules[k].voc_v, CellConditions{1000, t}, kCoefficients);
      ASSERT_EQ(f.problem, FitProblem::None) << t;
      const double want_voc = modules[k].voc_v * (1 + kCoefficients.voc_coefficient_pct_per_k / 100 * (t - 25));
      EXPECT_LT(Rel(ModuleVocV(f.curve), want_voc), 1e-12) << t;
      EXPECT_LT(Rel(ModuleVoltageV(f.curve, 0.0), want_voc), 1e-12) << t;  // the solvers' form agrees
      const double want_isc = modules[k].isc_a * (1 + kCoefficients.isc_coefficient_pct_per_k / 100 * (t - 25));
      // The diode's leak at 0 V grows with temperature: Isc_T to a few 1e-5.
      EXPECT_LT(Rel(ModuleCurrentA(f.curve, 0.0), want_isc), 5e-5) << t;
    }
    for (double g : {50.0, 200.0, 500.0, 800.0, 1200.0, 1500.0}) {
      const CurveFit f = TranslateModuleCurve(stc, modules[k].voc_v, CellConditions{g, 25}, kCoefficients);
      ASSERT_EQ(f.problem, FitProblem::None) << g;
      EXPECT_LT(Rel(ModuleCurrentA(f.curve, 0.0), i0v_stc * g / 1000), 1e-6) << g;
      // Less sun, lower open-circuit voltage, by the diode law.
      EXPECT_EQ(ModuleVocV(f.curve) < modules[k].voc_v, g < 1000) << g;
    }
  }
}

TEST(CurveTranslation, RefusesConditionsOutOfRangeAndCurvesThatNoLongerFall) {
  const ModuleCurve curve = FitModuleCurve(37.0, 8.9, 44.0, 9.4).curve;
  for (const CellConditions& bad :
       {CellConditions{kNaN, 25}, CellConditions{1000, kNaN}, CellConditions{kInf, 25}, CellConditions{1000, -kInf},
        CellConditions{0, 25}, CellConditions{-100, 25}, CellConditions{1500.5, 25}, CellConditions{1000, -60.5},
        CellConditions{1000, 100.5}}) {
    EXPECT_FALSE(CellConditionsProblem(bad).empty()) << bad.irradiance_w_m2 << " " << bad.temperature_c;
    EXPECT_THROW(TranslateModuleCurve(curve, 44.0, bad, kCoefficients), std::invalid_argument);
  }
  for (const TemperatureCoefficients& bad :
       {TemperatureCoefficients{0.3, 0.05}, TemperatureCoefficients{0, 0.05}, TemperatureCoefficients{-1.5, 0.05},
        TemperatureCoefficients{kNaN, 0.05}, TemperatureCoefficients{-0.3, -0.05}, TemperatureCoefficients{-0.3, 0.31},
        TemperatureCoefficients{-0.3, kNaN}, TemperatureCoefficients{-0.3, kInf}}) {
    EXPECT_FALSE(CoefficientsProblem(bad).empty())
        << bad.voc_coefficient_pct_per_k << " " << bad.isc_coefficient_pct_per_k;
    EXPECT_THROW(TranslateModuleCurve(curve, 44.0, CellConditions{}, bad), std::invalid_argument);
  }
  // A series resistance just inside the fit's bound at 25 °C: the smaller a of
  // a cold cell makes the curve rise somewhere, which the solvers cannot take.
  ModuleCurve steep;
  steep.il_a = 9;
  steep.a_v = 1.5;
  steep.i0_a = steep.il_a / std::expm1(38.0 / steep.a_v);
  steep.rs_ohm = -0.95 * steep.a_v / (steep.il_a + steep.i0_a);
  EXPECT_EQ(TranslateModuleCurve(steep, 38.0, CellConditions{1000, 25}, kCoefficients).problem, FitProblem::None);
  EXPECT_EQ(TranslateModuleCurve(steep, 38.0, CellConditions{1000, -40}, kCoefficients).problem,
            FitProblem::CurveNotFalling);
  EXPECT_EQ(TranslateModuleCurve(ModuleCurve{}, 38.0, CellConditions{}, kCoefficients).problem,
            FitProblem::NotPositive);
}

// ------------------------------------------------------------- the array

TEST(ArrayAtConditions, IdenticalModulesScaleAndTheMaximumMovesWithTemperature) {
  const ModuleData m{1, "A", 293.6, 32.41, 9.06, 39.46, 9.566};
  const ModuleCurve fitted = FitModuleCurve(m).curve;
  const CellConditions hot{1000, 70};
  const ArrayAtConditions one = AssessArrayAt({m}, {fitted}, {{0}}, hot, kCoefficients);
  ASSERT_TRUE(one.problem.empty());
  for (int series : {1, 10, 20}) {
    for (int parallel : {1, 7}) {
      const int n = series * parallel;
      const std::vector<ModuleData> modules(static_cast<std::size_t>(n), m);
      const std::vector<ModuleCurve> curves(static_cast<std::size_t>(n), fitted);
      const ArrayAtConditions a = AssessArrayAt(modules, curves, InOrder(n, series), hot, kCoefficients);
      EXPECT_LT(Rel(a.point.pmp_w, n * one.point.pmp_w), 1e-9) << series << "x" << parallel;
      EXPECT_LT(Rel(a.point.vmp_v, series * one.point.vmp_v), 1e-4);  // power is flat at its top
      EXPECT_LT(Rel(a.current_at_0v_a, parallel * one.current_at_0v_a), 1e-12);
      EXPECT_LT(Rel(a.max_string_voc_v, series * m.voc_v * (1 + kCoefficients.voc_coefficient_pct_per_k / 100 * 45)),
                1e-12);
    }
  }
  // Warmer cells: lower voltage, a little more current, less power.
  const ArrayAtConditions stc = AssessArrayAt({m}, {fitted}, {{0}}, CellConditions{}, kCoefficients);
  const ArrayAtConditions cool = AssessArrayAt({m}, {fitted}, {{0}}, CellConditions{1000, 15}, kCoefficients);
  EXPECT_LT(Rel(stc.point.pmp_w, m.vpm_v * m.ipm_a), 1e-9);
  EXPECT_GT(cool.point.vmp_v, stc.point.vmp_v);
  EXPECT_GT(stc.point.vmp_v, one.point.vmp_v);
  EXPECT_GT(one.current_at_0v_a, stc.current_at_0v_a);
  EXPECT_GT(stc.point.pmp_w, one.point.pmp_w);

  // The drawn curve at 25 °C is the fitted one's; hotter, it ends at a lower voltage.
  const std::vector<CurvePoint> drawn = SampleArrayCurveAt({m}, {fitted}, {{0}}, CellConditions{}, kCoefficients, 50);
  const std::vector<CurvePoint> fitted_drawn = SampleArrayCurve({fitted}, {{0}}, 50);
  ASSERT_EQ(drawn.size(), fitted_drawn.size());
  for (std::size_t k = 0; k < drawn.size(); ++k) EXPECT_EQ(drawn[k].power_w, fitted_drawn[k].power_w);
  EXPECT_LT(SampleArrayCurveAt({m}, {fitted}, {{0}}, hot, kCoefficients, 50).back().voltage_v, drawn.back().voltage_v);

  EXPECT_THROW(AssessArrayAt({m}, {fitted}, {{1}}, hot, kCoefficients), std::invalid_argument);
  EXPECT_THROW(AssessArrayAt({m, m}, {fitted}, {{0}}, hot, kCoefficients), std::invalid_argument);
  EXPECT_THROW(AssessArrayAt({m}, {fitted}, {{0}}, CellConditions{1000, kNaN}, kCoefficients), std::invalid_argument);
}

// ------------------------------------------------------- inverter window

struct Lot {
  std::vector<ModuleData> modules = Generated(60, 11);
  std::vector<ModuleCurve> curves = FitAll(modules);
  Wiring wiring = InOrder(60, 10);

  InverterWindow Window(const InverterProfile& inverter, AssessConditions c = {}) const {
    return AssessInverterWindow(modules, curves, wiring, c, inverter);
  }
};

TEST(InverterWindow, EachCheckFlipsAtItsLimit) {
  const Lot lot;
  const InverterWindow open = lot.Window(InverterProfile{});
  // Without a profile only the system voltage limit is checked.
  EXPECT_EQ(open.max_voltage.ok, std::optional<bool>(true));
  for (const WindowCheck* c : {&open.mppt_min, &open.mppt_max, &open.short_circuit_current, &open.input_current}) {
    EXPECT_FALSE(c->limit.has_value());
    EXPECT_FALSE(c->ok.has_value());
  }
  EXPECT_TRUE(open.ok);
  EXPECT_GT(open.cold.vmp_v, open.hot.vmp_v);
  EXPECT_DOUBLE_EQ(open.short_circuit_current.value, 1.25 * open.array_current_at_0v_hot_a);
  EXPECT_EQ(open.input_current.value, open.hot.imp_a);

  const double up = kInf;
  const double down = -kInf;
  const auto at = [](double v) { return v; };
  const auto past = [](double v, double direction) { return std::nextafter(v, direction); };
  struct Case {
    const char* name;
    std::optional<double> InverterProfile::*limit;
    const WindowCheck InverterWindow::*check;
    double value;
    double failing_direction;  // which way a limit must move for the check to fail
    bool fails_the_window;
  } cases[] = {
      {"max_voltage", &InverterProfile::max_dc_voltage_v, &InverterWindow::max_voltage, open.max_voltage.value, down,
       true},
      {"mppt_min", &InverterProfile::mppt_min_v, &InverterWindow::mppt_min, open.hot.vmp_v, up, true},
      {"mppt_max", &InverterProfile::mppt_max_v, &InverterWindow::mppt_max, open.cold.vmp_v, down, true},
      {"short_circuit_current", &InverterProfile::max_short_circuit_current_a, &InverterWindow::short_circuit_current,
       open.short_circuit_current.value, down, true},
      {"input_current", &InverterProfile::max_input_current_a, &InverterWindow::input_current, open.hot.imp_a, down,
       false},
  };
  for (const Case& c : cases) {
    InverterProfile p;
    p.*c.limit = at(c.value);
    InverterWindow w = lot.Window(p);
    EXPECT_EQ((w.*c.check).ok, std::optional<bool>(true)) << c.name;
    EXPECT_EQ(WindowMargin(w.*c.check), 0) << c.name;
    EXPECT_TRUE(w.ok) << c.name;
    p.*c.limit = past(c.value, c.failing_direction);
    w = lot.Window(p);
    EXPECT_EQ((w.*c.check).ok, std::optional<bool>(false)) << c.name;
    EXPECT_LT(WindowMargin(w.*c.check), 0) << c.name;
    EXPECT_EQ(w.ok, !c.fails_the_window) << c.name;
    const std::vector<WindowWarningText> warnings = InverterWindowWarningTexts(w, {}, Language::English);
    ASSERT_EQ(warnings.size(), 1u) << c.name;
    EXPECT_NE(warnings[0].text.find(c.name), std::string::npos) << warnings[0].text;
    EXPECT_EQ(warnings[0].note, !c.fails_the_window) << c.name;
    EXPECT_EQ(InverterWindowRows(w)[&c - cases].verdict, c.fails_the_window ? Verdict::Fails : Verdict::Clips);
  }
  // The voltage limit is the lower of the system's and the inverter's.
  InverterProfile high;
  high.max_dc_voltage_v = 1500;
  EXPECT_EQ(lot.Window(high).max_voltage.limit, std::optional<double>(1000));
  AssessConditions low_system;
  low_system.max_system_voltage_v = past(open.max_voltage.value, down);
  EXPECT_EQ(lot.Window(high, low_system).max_voltage.ok, std::optional<bool>(false));
}

TEST(InverterWindow, NaNNeverPassesAndBadConditionsAreRefused) {
  for (LimitSide side : {LimitSide::AtMost, LimitSide::AtLeast}) {
    EXPECT_EQ(MakeWindowCheck(kNaN, 100.0, side).ok, std::optional<bool>(false));
    EXPECT_EQ(MakeWindowCheck(50.0, kNaN, side).ok, std::optional<bool>(false));
    EXPECT_FALSE(MakeWindowCheck(kNaN, std::nullopt, side).ok.has_value());
  }
  const Lot lot;
  // Each refusal names the option a user typed (voltrigg-cli's words).
  const auto refused = [&](void (*change)(AssessConditions&)) -> std::string {
    AssessConditions c;
    change(c);
    EXPECT_THROW(lot.Window(InverterProfile{}, c), std::invalid_argument);
    const auto fault = ValidateConditions(c);
    return fault ? ConditionFaultText(*fault, Language::English) : std::string("accepted");
  };
  const auto names = [](const std::string& text, const char* option) {
    return text.rfind(option, 0) == 0 ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << text;
  };
  EXPECT_TRUE(names(refused([](AssessConditions& c) { c.t_hot_c = kNaN; }), "--t-hot"));
  EXPECT_TRUE(names(refused([](AssessConditions& c) { c.t_hot_c = kInf; }), "--t-hot"));
  EXPECT_TRUE(names(refused([](AssessConditions& c) { c.t_hot_c = 101; }), "--t-hot"));
  EXPECT_TRUE(names(refused([](AssessConditions& c) { c.t_cold_operating_c = -61; }), "--t-cold-operating"));
  const std::string above_hot = refused([](AssessConditions& c) { c.t_cold_operating_c = 80; });
  EXPECT_TRUE(names(above_hot, "--t-cold-operating"));
  EXPECT_NE(above_hot.find("to 70 °C"), std::string::npos) << above_hot;
  EXPECT_TRUE(names(refused([](AssessConditions& c) { c.isc_coefficient_pct_per_k = -0.05; }), "--isc-coefficient"));
  EXPECT_TRUE(names(refused([](AssessConditions& c) { c.isc_coefficient_pct_per_k = kNaN; }), "--isc-coefficient"));
  EXPECT_TRUE(names(refused([](AssessConditions& c) { c.isc_coefficient_pct_per_k = 0.31; }), "--isc-coefficient"));
  EXPECT_TRUE(names(refused([](AssessConditions& c) { c.isc_factor = 0.9; }), "--isc-factor"));
  const std::string factor = refused([](AssessConditions& c) { c.isc_factor = -kInf; });
  EXPECT_TRUE(names(factor, "--isc-factor"));
  EXPECT_NE(factor.find("from 1 to 2, not -inf"), std::string::npos) << factor;  // no unit, no stray blank
  EXPECT_TRUE(names(refused([](AssessConditions& c) { c.voc_coefficient_pct_per_k = 0.3; }), "--voc-coefficient"));
  EXPECT_FALSE(ValidateConditions(AssessConditions{}));
}

TEST(InverterWindow, ACurveThatCannotBeCarriedToTheColdFailsClosed) {
  ModuleCurve steep;
  steep.il_a = 9;
  steep.a_v = 1.5;
  steep.i0_a = steep.il_a / std::expm1(38.0 / steep.a_v);
  steep.rs_ohm = -0.95 * steep.a_v / (steep.il_a + steep.i0_a);
  const ModuleData m{7, "S7", 0, 0, 0, 38.0, 9};
  AssessConditions c;
  c.t_cold_operating_c = -40;
  InverterProfile p;
  p.mppt_max_v = 1000;
  const InverterWindow w = AssessInverterWindow({m, m}, {steep, steep}, {{0, 1}}, c, p);
  EXPECT_TRUE(std::isnan(w.cold.vmp_v));
  EXPECT_EQ(w.mppt_max.ok, std::optional<bool>(false));
  EXPECT_FALSE(w.ok);
  EXPECT_EQ(w.max_voltage.ok, std::optional<bool>(true));  // the open-circuit voltage is still known
  ASSERT_EQ(w.problems.size(), 1u);
  EXPECT_NE(w.problems[0].find("module 7 (S/N S7"), std::string::npos) << w.problems[0];
  EXPECT_EQ(InverterWindowJson(w)["points"]["cold"]["vmp_v"], nullptr);
}

TEST(InverterWindow, JsonKeysAndNullsForWhatIsNotGiven) {
  const Lot lot;
  InverterProfile p;
  p.name = "Test inverter 5k";
  p.mppt_min_v = 100;
  const nlohmann::ordered_json j = InverterWindowJson(lot.Window(p));
  std::vector<std::string> keys;
  for (auto it = j.begin(); it != j.end(); ++it) keys.push_back(it.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"inverter", "temperatures", "coefficients", "isc_factor", "points",
                                            "array_current_at_0v_hot_a", "checks", "ok", "checks_made"}));
  EXPECT_EQ(j["inverter"]["name"], "Test inverter 5k");
  EXPECT_EQ(j["inverter"]["mppt_min_v"], 100);
  EXPECT_EQ(j["inverter"]["max_dc_voltage_v"], nullptr);
  EXPECT_EQ(j["checks"]["mppt_min"]["ok"], true);
  EXPECT_EQ(j["checks"]["mppt_max"]["ok"], nullptr);
  EXPECT_EQ(j["checks"]["mppt_max"]["limit_v"], nullptr);
  EXPECT_EQ(j["checks"]["max_voltage"]["limit_v"], 1000);
  EXPECT_TRUE(j["checks"]["short_circuit_current"].contains("value_a"));
  EXPECT_EQ(j["temperatures"]["t_hot_c"], 70);
  EXPECT_EQ(j["coefficients"]["isc_pct_per_k"], 0.05);
  EXPECT_EQ(j["isc_factor"], 1.25);
  EXPECT_EQ(j["ok"], true);
}

// ------------------------------------------------------ inverter profile

TEST(InverterProfile, ReadsEveryKeyAndLeavesMissingOrNullLimitsUnchecked) {
  ProfileFault fault;
  const auto problem = [&fault] { return ProfileFaultText(fault, Language::English); };
  auto p = ParseInverterProfile(
      R"({"name": "Made-up 10k", "max_dc_voltage_v": 1000, "mppt_min_v": 160, "mppt_max_v": 850,
          "max_input_current_a": 26.5, "max_short_circuit_current_a": 40})",
      &fault);
  ASSERT_TRUE(p) << problem();
  EXPECT_EQ(p->name, std::optional<std::string>("Made-up 10k"));
  EXPECT_EQ(p->max_dc_voltage_v, std::optional<double>(1000));
  EXPECT_EQ(p->mppt_min_v, std::optional<double>(160));
  EXPECT_EQ(p->mppt_max_v, std::optional<double>(850));
  EXPECT_EQ(p->max_input_current_a, std::optional<double>(26.5));
  EXPECT_EQ(p->max_short_circuit_current_a, std::optional<double>(40));
  p = ParseInverterProfile(R"({"mppt_min_v": 0, "mppt_max_v": null})", &fault);
  ASSERT_TRUE(p) << problem();
  EXPECT_EQ(p->mppt_min_v, std::optional<double>(0));
  EXPECT_FALSE(p->mppt_max_v || p->name || p->max_dc_voltage_v);
  // A byte-order mark is fine.
  EXPECT_TRUE(ParseInverterProfile("\xEF\xBB\xBF{\"mppt_max_v\": 800}", &fault)) << problem();
}

// A profile without a limit would check nothing while the verdict reads as if
// the inverter had been looked at.
TEST(InverterProfile, AProfileWithoutAnyLimitIsRefusedSayingSo) {
  for (const char* text :
       {"{}", R"({"name": "Made-up 5k"})", R"({"name": "x", "mppt_min_v": null})", "\xEF\xBB\xBF { }"}) {
    ProfileFault fault;
    EXPECT_FALSE(ParseInverterProfile(text, &fault)) << text;
    EXPECT_EQ(fault.what, ProfileFaultKind::NoLimit) << text;
    EXPECT_NE(ProfileFaultText(fault, Language::English).find("no limit"), std::string::npos);
    EXPECT_NE(ProfileFaultText(fault, Language::Japanese).find("限度が 1 つもありません"), std::string::npos);
  }
  // One limit is enough, the MPPT minimum at 0 included.
  ProfileFault fault;
  EXPECT_TRUE(ParseInverterProfile(R"({"mppt_min_v": 0})", &fault));
  TempDir dir{"voltrigg-inverter-empty"};
  WriteFile(dir / "empty.json", "{}");
  AssessOptions options;
  const auto refused = LoadInverterOption(dir / "empty.json", options);
  ASSERT_TRUE(refused);
  EXPECT_EQ(ProfileFaultText(*refused, Language::English).rfind("inverter profile " + (dir / "empty.json"), 0), 0u);
}

TEST(InverterProfile, ABadProfileIsRefusedNamingTheKey) {
  const struct {
    const char* text;
    const char* named;
  } bad[] = {
      {R"({"max_dc_voltage_v": -600})", "\"max_dc_voltage_v\""},
      {R"({"max_dc_voltage_v": 0})", "\"max_dc_voltage_v\""},
      {R"({"mppt_min_v": -1})", "\"mppt_min_v\""},
      {R"({"mppt_max_v": "800"})", "\"mppt_max_v\""},
      {R"({"max_input_current_a": true})", "\"max_input_current_a\""},
      {R"({"max_short_circuit_current_a": 1e999})", "near key \"max_short_circuit_current_a\""},
      {R"({"max_short_circuit_current_a": [40]})", "\"max_short_circuit_current_a\""},
      {R"({"name": 5})", "\"name\""},
      {"{\"name\": \"a\\u0007b\"}", "\"name\""},
      {R"({"max_dc_voltage": 1000})", "unknown key \"max_dc_voltage\""},
      {R"({"mppt_min_v": 200, "mppt_min_v": 100})", "\"mppt_min_v\" appears more than once"},
      {R"({"mppt_min_v": 500, "mppt_max_v": 500})", "\"mppt_min_v\" must be below \"mppt_max_v\""},
      {R"({"mppt_max_v": 900, "max_dc_voltage_v": 800})", "\"mppt_max_v\""},
      {R"([{"mppt_min_v": 100}])", "one JSON object"},
      {R"({"mppt_min_v": 100,})", "not valid JSON"},
      {"", "not valid JSON"},
  };
  for (const auto& b : bad) {
    ProfileFault fault;
    EXPECT_FALSE(ParseInverterProfile(b.text, &fault)) << b.text;
    const std::string problem = ProfileFaultText(fault, Language::English);
    EXPECT_NE(problem.find(b.named), std::string::npos) << b.text << " -> " << problem;
  }
  TempDir dir{"voltrigg-inverter"};
  ProfileFault fault;
  const auto problem = [&fault] { return ProfileFaultText(fault, Language::English); };
  EXPECT_FALSE(ReadInverterProfile(dir / "missing.json", &fault));
  EXPECT_NE(problem().find("missing.json"), std::string::npos) << problem();
  EXPECT_FALSE(ReadInverterProfile(dir.path().string(), &fault));  // a folder
  WriteFile(dir / "big.json", "{\"name\": \"" + std::string(70000, 'x') + "\"}");
  EXPECT_FALSE(ReadInverterProfile(dir / "big.json", &fault));
  EXPECT_NE(problem().find("64 KiB"), std::string::npos) << problem();
  WriteFile(dir / "bad.json", R"({"mppt_min_v": -5})");
  EXPECT_FALSE(ReadInverterProfile(dir / "bad.json", &fault));
  EXPECT_NE(problem().find("bad.json: key \"mppt_min_v\""), std::string::npos) << problem();
}

TEST(InverterProfile, TheExampleProfilesRead) {
  for (const char* name : {"inverter_string_10k.json", "inverter_string_20k.json", "inverter_central_100k.json"}) {
    ProfileFault fault;
    const auto p = ReadInverterProfile(std::string(VOLTRIGG_SOURCE_DIR) + "/examples/" + name, &fault);
    ASSERT_TRUE(p) << ProfileFaultText(fault, Language::English);
    EXPECT_TRUE(p->name && p->max_dc_voltage_v && p->mppt_min_v && p->mppt_max_v && p->max_input_current_a &&
                p->max_short_circuit_current_a)
        << name;
  }
}

// ------------------------------------------------------------ voltrigg-cli

std::string Example(const std::string& name) { return std::string(VOLTRIGG_SOURCE_DIR) + "/examples/" + name; }

TEST(CliInverterWindow, TableJsonAndWarningsBesideAnUnchangedResultAndAssessment) {
  TempDir dir{"voltrigg-window"};
  const std::string list = " " + Example("modules.csv");
  const CliResult plain = Cli(dir, "-s 10 -p 6 -o " + (dir / "plain") + list);
  ASSERT_EQ(plain.status, 0) << plain.err;
  const CliResult assessed = Cli(dir, "-s 10 -p 6 -o " + (dir / "a") + " --assess" + list);
  ASSERT_EQ(assessed.status, 0) << assessed.err;

  // Too small an inverter: the hot MPP voltage and the short-circuit current
  // fail, the input current clips.
  const CliResult r =
      Cli(dir, "-s 10 -p 6 -o " + (dir / "r") + " --assess --inverter " + Example("inverter_string_10k.json") + list);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir / "r.csv"), ReadFile(dir / "plain.csv"));
  for (const char* text : {"warning: inverter window: mppt_min fails: the array Vmp at 70 °C", "below the limit 280 V",
                           "warning: inverter window: short_circuit_current fails", "above the limit 40 A",
                           "input_current", "the inverter clips"}) {
    EXPECT_NE(r.err.find(text), std::string::npos) << text << "\n" << r.err;
  }
  EXPECT_EQ(r.err.find("max_voltage"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("mppt_max"), std::string::npos) << r.err;
  for (const char* text :
       {"Inverter window", "Example 10 kW string inverter", "mppt_min", "FAILS", "clips", "Inverter window: FAILS"}) {
    EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
  }
  auto with = nlohmann::json::parse(ReadFile(dir / "r.assessment.json"));
  const auto& w = with["inverter_window"];
  EXPECT_EQ(w["inverter"]["name"], "Example 10 kW string inverter (made-up limits)");
  EXPECT_EQ(w["checks"]["mppt_min"]["ok"], false);
  EXPECT_EQ(w["checks"]["mppt_min"]["limit_v"], 280);
  EXPECT_EQ(w["checks"]["mppt_max"]["ok"], true);
  EXPECT_EQ(w["checks"]["max_voltage"]["ok"], true);
  EXPECT_EQ(w["checks"]["max_voltage"]["limit_v"], 600);
  EXPECT_EQ(w["checks"]["short_circuit_current"]["ok"], false);
  EXPECT_EQ(w["checks"]["input_current"]["ok"], false);
  EXPECT_EQ(w["ok"], false);
  EXPECT_LT(w["points"]["hot"]["vmp_v"].get<double>(), w["points"]["cold"]["vmp_v"].get<double>());
  EXPECT_DOUBLE_EQ(w["checks"]["short_circuit_current"]["value_a"].get<double>(),
                   1.25 * w["array_current_at_0v_hot_a"].get<double>());
  // Every earlier key keeps its value; the window is only added.
  auto without = nlohmann::json::parse(ReadFile(dir / "a.assessment.json"));
  with.erase("inverter_window");
  without.erase("inverter_window");
  EXPECT_EQ(with, without);

  // A large enough inverter: no warning, the window is OK.
  const CliResult fits = Cli(dir, "-s 10 -p 6 -o " + (dir / "f") + " --assess --inverter " +
                                      Example("inverter_string_20k.json") + " --t-hot 75 --isc-factor 1.25" + list);
  ASSERT_EQ(fits.status, 0) << fits.err;
  EXPECT_EQ(fits.err, "");
  EXPECT_NE(fits.out.find("Inverter window: OK"), std::string::npos) << fits.out;
  const auto f = nlohmann::json::parse(ReadFile(dir / "f.assessment.json"))["inverter_window"];
  EXPECT_EQ(f["ok"], true);
  EXPECT_EQ(f["temperatures"]["t_hot_c"], 75);
}

TEST(CliInverterWindow, RefusedConditionsAndBadProfilesWriteNothing) {
  TempDir dir{"voltrigg-window"};
  const std::string list = " " + Example("modules.csv");
  WriteFile(dir / "negative.json", R"({"name": "x", "max_short_circuit_current_a": -40})");
  WriteFile(dir / "typo.json", R"({"mppt_minimum_v": 200})");
  const struct {
    std::string args;
    const char* named;
  } refused[] = {
      {"--assess --t-hot nan", "--t-hot"},
      {"--assess --t-hot 120", "--t-hot"},
      {"--assess --t-cold-operating -70", "--t-cold-operating"},
      {"--assess --t-cold-operating 80", "--t-cold-operating"},  // above the hot one
      {"--assess --isc-coefficient -0.05", "--isc-coefficient"},
      {"--assess --isc-coefficient inf", "--isc-coefficient"},
      {"--assess --isc-factor 0.8", "--isc-factor"},
      {"--assess --voc-coefficient 0.3", "--voc-coefficient"},
      {"--assess --inverter " + (dir / "negative.json"), "\"max_short_circuit_current_a\""},
      {"--assess --inverter " + (dir / "typo.json"), "unknown key \"mppt_minimum_v\""},
      {"--assess --inverter " + (dir / "missing.json"), "missing.json"},
      {"--inverter " + Example("inverter_string_20k.json"), "--assess"},
      {"--assess --inverter ''", "cannot open the inverter profile"},
      {"--t-hot 60", "--assess"},
  };
  for (const auto& r : refused) {
    const CliResult c = Cli(dir, "-s 10 -p 6 -o " + (dir / "r") + " " + r.args + list);
    EXPECT_EQ(c.status, 64) << r.args;
    EXPECT_NE(c.err.find(r.named), std::string::npos) << r.args << "\n" << c.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "r.csv")) << r.args;
    EXPECT_FALSE(std::filesystem::exists(dir / "r.assessment.json")) << r.args;
  }
}

}  // namespace
}  // namespace voltrigg
