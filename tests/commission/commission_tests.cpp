// The commissioning check: expected string Voc and Isc from the modules'
// curves, the verdict and its findings, the further items of the record
// (polarity, insulation, earth continuity), the measurement file and its
// blank form with the plan it belongs to, the commissioning file and
// voltrigg-cli commission.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <sstream>

#include "app/shared/measurement_texts.h"
#include "app/shared/option_table.h"
#include "app/shared/planned_array.h"
#include "assess/array_at_conditions.h"
#include "commission/commissioning.h"
#include "commission/commissioning_json.h"
#include "commission/measurement_file.h"
#include "commission/measurement_form.h"
#include "commission/plan_fingerprint.h"
#include "support/module_generator.h"
#include "support/run_support.h"

namespace voltrigg {
namespace {

using testing::GeneratedModule;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

using namespace std::string_literals;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A lot of measured modules with their curves, wired in consecutive strings.
struct Lot {
  std::vector<ModuleData> modules;
  std::vector<ModuleCurve> curves;
  Wiring wiring;
};

Lot MakeLot(int series, int parallel, std::uint64_t seed) {
  Lot lot;
  for (const GeneratedModule& g : testing::GenerateModules(series * parallel, seed)) {
    lot.modules.push_back(ModuleData{static_cast<double>(static_cast<float>(g.module_no)), g.serial_no,
                                     static_cast<float>(g.pmax_w), static_cast<float>(g.vpm_v),
                                     static_cast<float>(g.ipm_a), static_cast<float>(g.voc_v),
                                     static_cast<float>(g.isc_a)});
    const CurveFit fit = FitModuleCurve(lot.modules.back());
    EXPECT_EQ(fit.problem, FitProblem::None);
    lot.curves.push_back(fit.curve);
  }
  for (int j = 0; j < parallel; ++j) {
    lot.wiring.emplace_back();
    for (int i = 0; i < series; ++i) lot.wiring.back().push_back(j * series + i);
  }
  return lot;
}

// What a meter would show on `string` at `cell`, taken from the array
// calculation of the assessment (another route through the curves than the
// check's own), scaled by `voc_factor` and `isc_factor`.
StringMeasurement Measure(const Lot& lot, int string_no, const StringWiring& string, CellConditions cell,
                          double voc_factor = 1.0, double isc_factor = 1.0) {
  const ArrayAtConditions a = AssessArrayAt(lot.modules, lot.curves, Wiring{string}, cell, TemperatureCoefficients{});
  StringMeasurement m;
  m.string_no = string_no;
  m.voc_v = a.max_string_voc_v * voc_factor;
  m.isc_a = a.current_at_0v_a * isc_factor;
  m.irradiance_w_m2 = cell.irradiance_w_m2;
  m.module_temperature_c = cell.temperature_c;
  return m;
}

StringMeasurement Measurement(int string_no, double voc_v, double isc_a, double irradiance_w_m2 = 1000,
                              double module_temperature_c = 25) {
  StringMeasurement m;
  m.string_no = string_no;
  m.voc_v = voc_v;
  m.isc_a = isc_a;
  m.irradiance_w_m2 = irradiance_w_m2;
  m.module_temperature_c = module_temperature_c;
  return m;
}

std::vector<std::string> Keys(const StringVerdict& v) {
  std::vector<std::string> keys;
  for (const Finding& f : v.findings) keys.emplace_back(FindingKeyName(f.key));
  return keys;
}

std::vector<std::string> Keys(const StringCommissioning& s) { return Keys(s.verdict); }

// ------------------------------------------------------------ the check

TEST(Commissioning, MeasurementsMadeFromTheModelPassAtEveryCondition) {
  const Lot lot = MakeLot(10, 4, 3);
  const CellConditions conditions[] = {{1000, 25}, {800, 45}, {600, 10}, {950, 65}, {1100, -5}, {300, 35}};
  for (const CellConditions& cell : conditions) {
    std::vector<StringMeasurement> measured;
    for (int j = 0; j < 4; ++j) {
      // A meter's error of a percent either way stays within the tolerances.
      const double error = j % 2 == 0 ? 1.01 : 0.99;
      measured.push_back(Measure(lot, j + 1, lot.wiring[static_cast<std::size_t>(j)], cell, error, 2.0 - error));
    }
    const Commissioning c = CheckCommissioning(lot.modules, lot.curves, lot.wiring, measured, {});
    EXPECT_TRUE(c.ok) << cell.irradiance_w_m2 << " W/m², " << cell.temperature_c << " °C";
    EXPECT_TRUE(c.strings_failed.empty());
    for (const StringCommissioning& s : c.strings) {
      EXPECT_NEAR(std::abs(s.verdict.voc_deviation_pct), 1.0, 1e-6);
      EXPECT_NEAR(std::abs(s.verdict.isc_deviation_pct), 1.0, 1e-6);
      // Below 400 W/m² the Isc comparison is only noted as less certain.
      const std::vector<std::string> note{"low_irradiance"};
      EXPECT_EQ(Keys(s), cell.irradiance_w_m2 < 400 ? note : std::vector<std::string>{});
    }
  }
}

TEST(Commissioning, AtStandardConditionsTheExpectedVocIsTheSumOfTheMeasuredVoc) {
  const Lot lot = MakeLot(20, 3, 8);
  for (const StringWiring& s : lot.wiring) {
    const ExpectedString e = ExpectedStringAt(lot.modules, lot.curves, s, CellConditions{}, TemperatureCoefficients{});
    double sum_v = 0;
    double lowest_isc_a = 1e9;
    double highest_isc_a = 0;
    for (int k : s) {
      sum_v += lot.modules[static_cast<std::size_t>(k)].voc_v;
      lowest_isc_a = std::min(lowest_isc_a, lot.modules[static_cast<std::size_t>(k)].isc_a);
      highest_isc_a = std::max(highest_isc_a, lot.modules[static_cast<std::size_t>(k)].isc_a);
    }
    EXPECT_NEAR(e.voc_v, sum_v, 1e-11 * sum_v);
    EXPECT_NEAR(e.mean_module_voc_v * 20, sum_v, 1e-11 * sum_v);
    // At 0 V the weakest module's bypass diode lets the string carry more
    // than its own Isc, never more than the strongest one's.
    EXPECT_GE(e.isc_a, lowest_isc_a);
    EXPECT_LE(e.isc_a, highest_isc_a);
    EXPECT_TRUE(e.problem.empty());
  }
}

TEST(Commissioning, EachInjectedFaultGivesItsFinding) {
  const Lot ten = MakeLot(10, 6, 5);
  const CellConditions cell{850, 40};
  StringWiring one_missing = ten.wiring[0];
  one_missing.pop_back();
  StringWiring one_extra = ten.wiring[1];
  one_extra.push_back(ten.wiring[5][0]);
  // Half a module short: no whole number of modules explains it.
  const double half_module = 1.0 - 0.5 / 10.0;
  const std::vector<StringMeasurement> measured{
      Measure(ten, 1, one_missing, cell),
      Measure(ten, 2, one_extra, cell),
      Measure(ten, 3, ten.wiring[2], cell, -1.0, -1.0),  // reversed
      Measure(ten, 4, ten.wiring[3], cell, 1.0, 0.88),   // Isc 12 % low
      Measure(ten, 5, ten.wiring[4], cell, half_module, 1.12),
      // string 6 not measured
  };
  const Commissioning c = CheckCommissioning(ten.modules, ten.curves, ten.wiring, measured, {});
  EXPECT_FALSE(c.ok);
  EXPECT_EQ(c.strings_failed, (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(c.strings_not_measured, std::vector<int>{6});
  EXPECT_EQ(Keys(c.strings[0]), std::vector<std::string>{"modules_missing"});
  EXPECT_EQ(c.strings[0].verdict.findings[0].count, 1);
  EXPECT_EQ(Keys(c.strings[1]), std::vector<std::string>{"module_extra"});
  EXPECT_EQ(c.strings[1].verdict.findings[0].count, 1);
  EXPECT_EQ(Keys(c.strings[2]), std::vector<std::string>{"reversed"});
  EXPECT_EQ(Keys(c.strings[3]), std::vector<std::string>{"low_current"});
  EXPECT_NEAR(c.strings[3].verdict.isc_deviation_pct, -12.0, 1e-6);
  // Voc out first: the current is not blamed, though it is off too.
  EXPECT_EQ(Keys(c.strings[4]), std::vector<std::string>{"voc_low"});
  EXPECT_EQ(Keys(c.strings[5]), std::vector<std::string>{"not_measured"});
  EXPECT_FALSE(c.strings[5].measurement.has_value());
  EXPECT_TRUE(std::isnan(c.strings[5].expected.voc_v));

  const Lot twenty = MakeLot(20, 2, 6);
  StringWiring two_missing = twenty.wiring[1];
  two_missing.erase(two_missing.begin() + 3, two_missing.begin() + 5);
  const Commissioning d = CheckCommissioning(
      twenty.modules, twenty.curves, twenty.wiring,
      {Measure(twenty, 1, twenty.wiring[0], {1000, 25}, 1.0, 1.12), Measure(twenty, 2, two_missing, {1000, 25})}, {});
  EXPECT_EQ(d.strings_failed, (std::vector<int>{1, 2}));
  EXPECT_EQ(Keys(d.strings[0]), std::vector<std::string>{"high_current"});
  EXPECT_EQ(Keys(d.strings[1]), std::vector<std::string>{"modules_missing"});
  EXPECT_EQ(d.strings[1].verdict.findings[0].count, 2);
  EXPECT_NE(FindingTextJa(d.strings[1].verdict.findings[0]).find("2 枚"), std::string::npos);
}

TEST(Commissioning, TolerancesAreInclusiveAndNaNNeverPasses) {
  ExpectedString e{600.0, 9.0, 60.0, {}};
  StringMeasurement m = Measurement(1, 618.0, 9.45);  // +3 % and +5 %: at the edge
  EXPECT_TRUE(JudgeString(e, m, 10, {}, 1000).ok);
  m.voc_v = 618.1;
  EXPECT_FALSE(JudgeString(e, m, 10, {}, 1000).ok);
  m.voc_v = 600;
  for (double bad : {kNaN, std::numeric_limits<double>::infinity()}) {
    StringMeasurement n = m;
    n.isc_a = bad;
    EXPECT_FALSE(JudgeString(e, n, 10, {}, 1000).ok);
    ExpectedString unknown = e;
    unknown.voc_v = bad;
    EXPECT_FALSE(JudgeString(unknown, m, 10, {}, 1000).ok);
  }
  EXPECT_TRUE(std::isnan(DeviationPct(1.0, 0.0)));
}

TEST(Commissioning, ConditionsOutOfRangeAreRefusedNamingTheOption) {
  const struct {
    double CommissionConditions::*field;
    double value;
    const char* option;
  } cases[] = {
      {&CommissionConditions::voc_coefficient_pct_per_k, 0.3, "--voc-coefficient"},
      {&CommissionConditions::voc_coefficient_pct_per_k, kNaN, "--voc-coefficient"},
      {&CommissionConditions::isc_coefficient_pct_per_k, -0.05, "--isc-coefficient"},
      {&CommissionConditions::isc_coefficient_pct_per_k, kNaN, "--isc-coefficient"},
      {&CommissionConditions::voc_tolerance_pct, 0.0, "--voc-tolerance"},
      {&CommissionConditions::voc_tolerance_pct, std::numeric_limits<double>::infinity(), "--voc-tolerance"},
      {&CommissionConditions::isc_tolerance_pct, 25.0, "--isc-tolerance"},
      {&CommissionConditions::isc_tolerance_pct, kNaN, "--isc-tolerance"},
      {&CommissionConditions::insulation_min_mohm, 0.0, "--insulation-min"},
      {&CommissionConditions::insulation_min_mohm, 1000.5, "--insulation-min"},
      {&CommissionConditions::insulation_min_mohm, kNaN, "--insulation-min"},
  };
  for (const auto& k : cases) {
    CommissionConditions c;
    c.*(k.field) = k.value;
    const auto fault = ValidateCommissionConditions(c);
    ASSERT_TRUE(fault.has_value()) << k.option << " " << k.value;
    EXPECT_EQ("--" + std::string(KeyOf(fault->limit.condition)), k.option) << DescribeConditionFault(*fault);
    EXPECT_THROW(JudgeString(ExpectedString{600, 9, 60, {}}, Measurement(1, 600, 9), 10, c, 1000),
                 std::invalid_argument);
  }
  EXPECT_FALSE(ValidateCommissionConditions({}).has_value());
}

TEST(Commissioning, TheCheckRefusesMeasurementsItCannotUse) {
  const Lot lot = MakeLot(4, 2, 2);
  const StringMeasurement good = Measurement(1, 150, 9);
  const auto refused = [&](StringMeasurement bad) {
    EXPECT_THROW(CheckCommissioning(lot.modules, lot.curves, lot.wiring, {bad}, {}), std::invalid_argument);
  };
  for (int string_no : {0, 3, -1}) {
    StringMeasurement m = good;
    m.string_no = string_no;
    refused(m);
  }
  for (double StringMeasurement::*field :
       {&StringMeasurement::voc_v, &StringMeasurement::isc_a, &StringMeasurement::irradiance_w_m2,
        &StringMeasurement::module_temperature_c}) {
    StringMeasurement m = good;
    m.*field = kNaN;
    refused(m);
  }
  StringMeasurement dark = good;
  dark.irradiance_w_m2 = 0;
  refused(dark);
  StringMeasurement hot = good;
  hot.module_temperature_c = 101;
  refused(hot);
  EXPECT_THROW(CheckCommissioning(lot.modules, lot.curves, lot.wiring, {good, good}, {}), std::invalid_argument);
  EXPECT_THROW(CheckCommissioning(lot.modules, lot.curves, Wiring{{0, 1}, {}}, {}, {}), std::invalid_argument);
  EXPECT_THROW(CheckCommissioning(lot.modules, lot.curves, Wiring{{0, 8}}, {}, {}), std::invalid_argument);
  EXPECT_THROW(ExpectedStringAt(lot.modules, lot.curves, {0}, CellConditions{kNaN, 25}, {}), std::invalid_argument);
}

TEST(Commissioning, TheFileHoldsTheKeysOfEveryStringAndNullsForOneNotMeasured) {
  const Lot lot = MakeLot(10, 2, 4);
  StringWiring short_string = lot.wiring[0];
  short_string.pop_back();
  const Commissioning c =
      CheckCommissioning(lot.modules, lot.curves, lot.wiring, {Measure(lot, 1, short_string, {700, 30})}, {});
  const nlohmann::ordered_json j =
      nlohmann::ordered_json::parse(CommissioningJsonText(c, lot.modules, "r\x83\x65.csv", "modules.csv"));
  std::vector<std::string> keys;
  for (auto it = j.begin(); it != j.end(); ++it) keys.push_back(it.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"result_file", "modules_file", "conditions", "strings", "ok",
                                            "strings_failed", "strings_not_measured"}));
  EXPECT_EQ(j["result_file"], "rテ.csv");  // Shift-JIS bytes decoded
  EXPECT_EQ(j["conditions"]["voc_tolerance_pct"], 3.0);
  const auto& s1 = j["strings"][0];
  keys.clear();
  for (auto it = s1.begin(); it != s1.end(); ++it) keys.push_back(it.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"string", "modules", "irradiance_w_m2", "module_temperature_c",
                                            "voc_measured_v", "voc_expected_v", "voc_deviation_pct", "isc_measured_a",
                                            "isc_expected_a", "isc_deviation_pct", "ok", "findings"}));
  EXPECT_EQ(s1["modules"].size(), 10u);
  EXPECT_EQ(s1["modules"][0], lot.modules[0].number);
  EXPECT_EQ(s1["voc_measured_v"].get<double>(), c.strings[0].measurement->voc_v);  // round trip
  EXPECT_EQ(s1["findings"][0]["key"], "modules_missing");
  EXPECT_EQ(s1["findings"][0]["count"], 1);
  const auto& s2 = j["strings"][1];
  for (const char* key : {"irradiance_w_m2", "module_temperature_c", "voc_measured_v", "voc_expected_v",
                          "voc_deviation_pct", "isc_measured_a", "isc_expected_a", "isc_deviation_pct"}) {
    EXPECT_TRUE(s2[key].is_null()) << key;
  }
  EXPECT_EQ(s2["findings"][0]["key"], "not_measured");
  EXPECT_FALSE(s2["findings"][0].contains("count"));
  EXPECT_EQ(j["strings_failed"], nlohmann::json({1, 2}));
  EXPECT_EQ(j["strings_not_measured"], nlohmann::json({2}));
  EXPECT_EQ(j["ok"], false);
}

// ------------------------------------------------------------ the measurement file

std::vector<StringMeasurement> Read(const std::string& text, int strings = 6, MeasurementDefaults defaults = {},
                                    const std::string& plan = {}) {
  std::istringstream in(text);
  return ReadMeasurements(in, "m.csv", strings, defaults, plan);
}

// A refusal in voltrigg-cli's English, as the reader has always worded it.
std::string English(const MeasurementFileError& e) { return MeasurementErrorText(e, "m.csv", Language::English); }

TEST(MeasurementFile, ReadsColumnsInAnyOrderWithNotesAndDefaults) {
  // A byte order mark, CR LF, a Shift-JIS note, an unknown column, quotes,
  // blanks around numbers, an empty row and a row of the form not filled in.
  const std::string text =
      "\xEF\xBB\xBFmodule_temperature_c, Voc_V ,string,note,isc_a,irradiance_w_m2,meter\r\n"
      "41.5,612.3,2,\"\x94\xf5\x8d\x6c, ok\",8.1,905,A\r\n"
      ",,5,,,,\r\n"
      "\r\n"
      " 40 ,+6.05e2,1,,8.05,,B\r\n";
  const std::vector<StringMeasurement> m = Read(text, 6, {880.0, std::nullopt});
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].string_no, 2);
  EXPECT_EQ(m[0].voc_v, 612.3);
  EXPECT_EQ(m[0].isc_a, 8.1);
  EXPECT_EQ(m[0].irradiance_w_m2, 905);
  EXPECT_EQ(m[0].module_temperature_c, 41.5);
  EXPECT_EQ(m[0].note, "備考, ok");
  EXPECT_EQ(m[0].line, 2);
  EXPECT_EQ(m[1].string_no, 1);
  EXPECT_EQ(m[1].voc_v, 605);
  EXPECT_EQ(m[1].irradiance_w_m2, 880);  // from --irradiance
  EXPECT_EQ(m[1].line, 5);
  // LF alone, and the conditions only for the whole file.
  const std::vector<StringMeasurement> lf = Read("string,voc_v,isc_a\n3,600,9\n", 6, {1000.0, 25.0});
  ASSERT_EQ(lf.size(), 1u);
  EXPECT_EQ(lf[0].module_temperature_c, 25);
  // A quoted note may hold a line end; the row goes on after it.
  const std::vector<StringMeasurement> quoted =
      Read("string,note,voc_v,isc_a\n3,\"two\nlines\",600,9\n4,x,601,9\n", 6, {1000.0, 25.0});
  ASSERT_EQ(quoted.size(), 2u);
  EXPECT_EQ(quoted[0].note, "two\nlines");
  EXPECT_EQ(quoted[0].voc_v, 600);
  EXPECT_EQ(quoted[1].line, 4);
}

TEST(MeasurementFile, EachBadFileIsRefusedNamingTheLineAndField) {
  const std::string head = "string,voc_v,isc_a,irradiance_w_m2,module_temperature_c\r\n";
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {"", "m.csv: the file is empty"},
      {"string,voc_v,irradiance_w_m2,module_temperature_c\r\n", "m.csv line 1: the header has no column isc_a"},
      {"string,voc_v,isc_a,module_temperature_c\r\n",
       "line 1: the header has no column irradiance_w_m2 and --irradiance"},
      {"string,voc_v,isc_a,voc_v,irradiance_w_m2,module_temperature_c\r\n", "line 1: the column voc_v is named twice"},
      {head + "1,6l2,8,900,30\r\n", "m.csv line 2: field voc_v: \"6l2\" is not a number"},
      {head + "1,612,8,900,30\r\n2,1e999,8,900,30\r\n", "m.csv line 3: field voc_v: \"1e999\" is not a finite number"},
      {head + "1,612,nan,900,30\r\n", "line 2: field isc_a: \"nan\" is not a number"},
      {head + "1,612,inf,900,30\r\n", "line 2: field isc_a: \"inf\" is not a number"},
      {head + "7,612,8,900,30\r\n", "line 2: field string: 7 is not a string of the plan (1 to 6)"},
      {head + "1.5,612,8,900,30\r\n", "line 2: field string: 1.5 is not a string of the plan"},
      {head + ",612,8,900,30\r\n", "line 2: field string: no string number"},
      {head + "2,612,8,900,30\r\n2,611,8,900,30\r\n", "line 3: field string: string 2 is measured twice (also line 2)"},
      {head + "1,612,8,,30\r\n",
       "line 2: field irradiance_w_m2: no value (give it in the row or for the whole file with --irradiance)"},
      {head + "1,612,8,900,\r\n", "line 2: field module_temperature_c: no value"},
      {head + "1,612,8,0,30\r\n", "line 2: field irradiance_w_m2: 0 is not above 0 and at most 1500 W/m²"},
      {head + "1,612,8,900,130\r\n", "line 2: field module_temperature_c: 130 is not from -60 to 100 °C"},
      {head + "1,612,,900,30\r\n", "line 2: field isc_a: no value (voc_v is given)"},
      {head + "1,612,8,900\r\n", "line 2: 4 fields where the header has 5"},
      {head + "1,\"612,8,900,30\r\n", "line 2: a quoted field is not closed"},
      {head + "1,612,8,900,3\0"
              "0\r\n"s,
       "a NUL byte"},
  };
  for (const auto& k : cases) {
    try {
      (void)Read(k.text);
      ADD_FAILURE() << "accepted: " << k.text;
    } catch (const MeasurementFileError& e) {
      EXPECT_NE(English(e).find(k.message), std::string::npos) << English(e) << "\nexpected: " << k.message;
    }
  }
  std::string many = head;
  for (int r = 0; r <= kMaxMeasurementRows; ++r) many += "1,,,,\r\n";
  try {
    (void)Read(many);
    ADD_FAILURE() << "more than the rows allowed";
  } catch (const MeasurementFileError& e) {
    EXPECT_EQ(e.line(), kMaxMeasurementRows + 2);
    EXPECT_NE(English(e).find("more than 10000 rows"), std::string::npos) << English(e);
  }
  // A file-wide condition out of its range is the caller's to refuse first.
  EXPECT_THROW(Read(head, 6, {kNaN, std::nullopt}), std::invalid_argument);
}

TEST(MeasurementFile, TheBlankFormReadsBackAsNothingMeasuredAndFilledAsEveryString) {
  const std::string form =
      FormatMeasurementForm({{1, 612.345, 9.1234, "p0123"}, {2, 598.5, 9.0, "p0123"}, {3, 601, 8.9, "p0123"}});
  EXPECT_EQ(form.substr(0, form.find("\r\n")),
            "string,voc_v,isc_a,irradiance_w_m2,module_temperature_c,polarity,insulation_pos_mohm,insulation_neg_mohm,"
            "insulation_test_v,earth_continuity_ohm,note,voc_stc_v,isc_stc_a,plan");
  EXPECT_NE(form.find("\r\n1,,,,,,,,,,,612.35,9.123,p0123\r\n"), std::string::npos);
  EXPECT_TRUE(Read(form, 3).empty());
  // Filled in by the crew: each row's blanks get the string's values.
  std::string filled;
  std::istringstream lines(form);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t blanks = line.find(",,,,,,,,,,,");
    if (blanks != std::string::npos) line.replace(blanks, 11, ",600.5,8.75,910,38.5,,,,,,ok,");
    filled += line + "\n";
  }
  const std::vector<StringMeasurement> m = Read(filled, 3);
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[2].string_no, 3);
  EXPECT_EQ(m[2].voc_v, 600.5);
  EXPECT_EQ(m[2].module_temperature_c, 38.5);
}

TEST(MeasurementFile, ItsHeaderTellsAMeasurementFileFromAnyOtherFile) {
  TempDir dir{"voltrigg-header"};
  const auto names = [&](const std::string& text) {
    const std::string path = dir / "dropped.csv";
    WriteFile(path, text);
    return NamesMeasurementColumns(path);
  };
  // Read as the reader reads a header: any order, case, blanks, quotes, a byte order mark, CR LF.
  EXPECT_TRUE(names("string,voc_v,isc_a\n"));
  EXPECT_TRUE(names("\xEF\xBB\xBF\"ISC_A\", voc_v ,\"String\",note\r\n1,600,9,x\r\n"));
  EXPECT_TRUE(names("\"meter, serial\",module_temperature_c,string,voc_v,isc_a\n"));
  EXPECT_TRUE(names(FormatMeasurementForm({{1, 600, 9, {}}})));  // the blank form is one
  // One quoted field that only spells the names, a column missing, the names
  // not on the first line, a module list's row, nothing, a NUL byte.
  EXPECT_FALSE(names("\"string,voc_v,isc_a\"\n"));
  EXPECT_FALSE(names("string,voc_v,irradiance_w_m2\n"));
  EXPECT_FALSE(names("result of modules.csv\nstring,voc_v,isc_a\n"));
  EXPECT_FALSE(names("1,KV300-2401147,300.5,32.41,9.06,40.1,9.8\n"));
  EXPECT_FALSE(names(""));
  EXPECT_FALSE(names(std::string("string,voc_v,isc_a") + '\0' + "\n"));
  EXPECT_FALSE(NamesMeasurementColumns(dir / "none.csv"));
}

// ------------------------------------------------------------ the further items of the record

const std::string kRecordHead =
    "string,voc_v,isc_a,polarity,insulation_pos_mohm,insulation_neg_mohm,insulation_test_v,earth_continuity_ohm\r\n";

TEST(MeasurementRecord, FurtherColumnsAreReadInAnyOrderAndAnEmptyFieldIsNotMeasured) {
  const std::vector<StringMeasurement> m = Read(
      "string,voc_v,isc_a,Earth_Continuity_Ohm, POLARITY ,insulation_test_v,insulation_neg_mohm,"
      "insulation_pos_mohm,plan\r\n"
      "1,600,9, 0.05 ,OK,1000,120.5,0, pabc \r\n"
      "2,601,9,,,,,,\r\n"
      "3,602,9,0,\" Reversed \",+5e2,0,2e3,\r\n"
      "4,,,,,,,,pabc\r\n",
      6, {1000.0, 25.0});
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].polarity, Polarity::Ok);
  EXPECT_EQ(m[0].insulation_pos_mohm, 0);  // a value, though a failing one
  EXPECT_EQ(m[0].insulation_neg_mohm, 120.5);
  EXPECT_EQ(m[0].insulation_test_v, 1000);
  EXPECT_EQ(m[0].earth_continuity_ohm, 0.05);
  EXPECT_EQ(m[0].plan, "pabc");
  // Empty: not measured, never a value of 0.
  EXPECT_FALSE(HasFurtherItems(m[1]));
  EXPECT_EQ(m[2].polarity, Polarity::Reversed);
  EXPECT_EQ(m[2].insulation_test_v, 500);
  EXPECT_EQ(m[2].line, 4);
}

TEST(MeasurementRecord, EachBadFurtherValueIsRefusedNamingItsLineAndField) {
  const struct {
    std::string row;
    MeasurementFault fault;
    std::string field;
    std::string message;
  } cases[] = {
      {"2,600,9,,-0.1,,,", MeasurementFault::Negative, "insulation_pos_mohm", "\"-0.1\" is negative"},
      {"2,600,9,,,-1e-300,,", MeasurementFault::Negative, "insulation_neg_mohm", "\"-1e-300\" is negative"},
      {"2,600,9,,,,-500,", MeasurementFault::Negative, "insulation_test_v", "\"-500\" is negative"},
      {"2,600,9,,,,,-0.01", MeasurementFault::Negative, "earth_continuity_ohm", "\"-0.01\" is negative"},
      {"2,600,9,,,nan,,", MeasurementFault::NotANumber, "insulation_neg_mohm", "\"nan\" is not a number"},
      {"2,600,9,,,,inf,", MeasurementFault::NotANumber, "insulation_test_v", "\"inf\" is not a number"},
      {"2,600,9,,1 MΩ,,,", MeasurementFault::NotANumber, "insulation_pos_mohm", "\"1 MΩ\" is not a number"},
      {"2,600,9,,,,,1e999", MeasurementFault::NotFinite, "earth_continuity_ohm", "\"1e999\" is not a finite number"},
      {"2,600,9,正,,,,", MeasurementFault::UnknownWord, "polarity", "\"正\" is neither ok nor reversed"},
      // Without Voc and Isc a further item would be lost with its row.
      {"2,,,ok,,,,", MeasurementFault::NoValue, "voc_v", "no value (polarity is given)"},
      {"2,,,,,,500,", MeasurementFault::NoValue, "voc_v", "no value (insulation_test_v is given)"},
  };
  for (const auto& k : cases) {
    try {
      (void)Read(kRecordHead + "1,600,9,ok,50,50,1000,0.1\r\n" + k.row + "\r\n", 6, {1000.0, 25.0});
      ADD_FAILURE() << "accepted: " << k.row;
    } catch (const MeasurementFileError& e) {
      EXPECT_EQ(e.line(), 3) << k.row;
      EXPECT_EQ(e.refusal().fault, k.fault) << k.row;
      EXPECT_NE(English(e).find("m.csv line 3: field " + k.field + ": " + k.message), std::string::npos) << English(e);
      // The viewer's words name the same line and field.
      EXPECT_NE(MeasurementErrorTextJa(e, "m.csv").find("の 3 行目、列 " + k.field + ": "), std::string::npos)
          << MeasurementErrorTextJa(e, "m.csv");
    }
  }
}

TEST(MeasurementRecord, EachItemPassesAtItsLimitAndFailsBelowOrOnNaNFailingTheString) {
  const ExpectedString e{600.0, 9.0, 60.0, {}};
  CommissionConditions strict;
  strict.insulation_min_mohm = 40;
  const struct {
    std::optional<double> StringMeasurement::*field;
    TestItem item;
    const char* low;
    double limit;
    CommissionConditions conditions;
  } items[] = {
      {&StringMeasurement::insulation_pos_mohm, TestItem::InsulationPositive, "insulation_pos_low", 1.0, {}},
      {&StringMeasurement::insulation_neg_mohm, TestItem::InsulationNegative, "insulation_neg_low", 1.0, {}},
      {&StringMeasurement::insulation_neg_mohm, TestItem::InsulationNegative, "insulation_neg_low", 40.0, strict},
      {&StringMeasurement::insulation_test_v, TestItem::InsulationTestVoltage, "insulation_test_voltage_low", 500, {}},
  };
  for (const auto& k : items) {
    for (double value : {k.limit, std::nextafter(k.limit, 0.0), 0.0, kNaN}) {
      StringMeasurement m = Measurement(1, 600, 9);
      m.*k.field = value;
      const StringVerdict v = JudgeString(e, m, 10, k.conditions, 500.0);
      const bool pass = value == k.limit;
      // Voc and Isc pass: the item alone decides.
      EXPECT_EQ(v.ok, pass) << k.low << " " << value;
      EXPECT_EQ(StatusOf(v, k.item), pass ? ItemStatus::Pass : ItemStatus::Fail) << k.low << " " << value;
      EXPECT_EQ(Keys(v), pass ? std::vector<std::string>{} : std::vector<std::string>{k.low}) << value;
    }
  }
  // Earth continuity has no limit the plan could know: measured, no verdict.
  StringMeasurement earthed = Measurement(1, 600, 9);
  earthed.earth_continuity_ohm = 25.0;
  EXPECT_TRUE(JudgeString(e, earthed, 10, {}, 1000.0).ok);
  EXPECT_EQ(StatusOf(JudgeString(e, earthed, 10, {}, 1000.0), TestItem::EarthContinuity), ItemStatus::Measured);
  earthed.earth_continuity_ohm = kNaN;
  EXPECT_FALSE(JudgeString(e, earthed, 10, {}, 1000.0).ok);
  // Nothing further measured: Voc and Isc decide as ever, no further item passes.
  const StringVerdict plain = JudgeString(e, Measurement(1, 600, 9), 10, {}, 1000.0);
  EXPECT_TRUE(plain.ok);
  for (TestItem item : kTestItems) {
    const bool judged = item == TestItem::Voc || item == TestItem::Isc;
    EXPECT_EQ(StatusOf(plain, item), judged ? ItemStatus::Pass : ItemStatus::NotMeasured) << TestItemName(item);
  }
}

TEST(MeasurementRecord, ThePolarityRecordAgreesWithTheSignOfVoc) {
  const struct {
    std::optional<Polarity> recorded;
    double voc_v;
    ItemStatus status;
    std::vector<std::string> findings;
  } cases[] = {
      {Polarity::Ok, 600, ItemStatus::Pass, {}},
      {Polarity::Reversed, 600, ItemStatus::Fail, {"polarity_reversed"}},
      {Polarity::Reversed, -600, ItemStatus::Fail, {"reversed"}},  // both say so: one finding
      {Polarity::Ok, -600, ItemStatus::Fail, {"reversed"}},        // the meter contradicts the record
      {std::nullopt, -600, ItemStatus::NotMeasured, {"reversed"}},
      {Polarity::Ok, kNaN, ItemStatus::Fail, {}},
  };
  for (const auto& k : cases) {
    StringMeasurement m = Measurement(1, k.voc_v, 9);
    m.polarity = k.recorded;
    const StringVerdict v = JudgeString(ExpectedString{600.0, 9.0, 60.0, {}}, m, 10, {}, 1000.0);
    EXPECT_EQ(v.ok, k.status == ItemStatus::Pass) << k.voc_v;
    EXPECT_EQ(StatusOf(v, TestItem::Polarity), k.status) << k.voc_v;
    EXPECT_EQ(Keys(v), k.findings) << k.voc_v;
  }
}

// Modules of 39.5 V Voc, wired as given.
Lot UniformLot(const Wiring& wiring) {
  Lot lot;
  lot.wiring = wiring;
  for (const StringWiring& s : wiring) {
    for (std::size_t k = 0; k < s.size(); ++k) {
      const std::size_t n = lot.modules.size();
      lot.modules.push_back(ModuleData{n + 1.0, "U" + std::to_string(n), 300, 32.0, 9.3, 39.5, 9.9});
      lot.curves.push_back(FitModuleCurve(lot.modules.back()).curve);
    }
  }
  return lot;
}

TEST(MeasurementRecord, TheTestVoltageIsTheOneTheArraysHighestStringCallsFor) {
  const std::pair<double, double> tiers[] = {{50, 250},    {119.99, 250}, {120, 500},   {500, 500}, {500.01, 1000},
                                             {1500, 1000}, {kNaN, 1000},  {kInf, 1000}, {0, 1000}};
  for (const auto& [system_v, test_v] : tiers) EXPECT_EQ(InsulationTestVoltageForV(system_v), test_v) << system_v;

  // 3 modules: 1.25 x 118.5 V = 148 V, a 500 V test; the string of 2 (99 V)
  // is tested with its array, so 250 V does not do for it.
  const Lot mixed = UniformLot({{0, 1, 2}, {3, 4}});
  std::vector<StringMeasurement> m{Measure(mixed, 1, mixed.wiring[0], {1000, 25}),
                                   Measure(mixed, 2, mixed.wiring[1], {1000, 25})};
  m[0].insulation_test_v = 500;
  m[1].insulation_test_v = 250;
  const Commissioning c = CheckCommissioning(mixed.modules, mixed.curves, mixed.wiring, m, {});
  EXPECT_DOUBLE_EQ(c.system_voltage_v, 1.25 * 3 * 39.5);
  EXPECT_EQ(c.insulation_test_required_v, 500);
  EXPECT_EQ(c.strings_failed, std::vector<int>{2});
  EXPECT_EQ(Keys(c.strings[1]), std::vector<std::string>{"insulation_test_voltage_low"});
  // A module without its Voc leaves the system voltage unknown: the highest test.
  Lot unknown = UniformLot({{0, 1}});
  unknown.modules[1].voc_v = 0;
  EXPECT_TRUE(std::isnan(ArraySystemVoltageV(unknown.modules, unknown.wiring)));
  EXPECT_THROW(ArraySystemVoltageV(unknown.modules, {{0, 2}}), std::invalid_argument);
}

std::vector<std::string> KeysOf(const nlohmann::ordered_json& object) {
  std::vector<std::string> keys;
  for (auto it = object.begin(); it != object.end(); ++it) keys.push_back(it.key());
  return keys;
}

TEST(MeasurementRecord, AFailedItemFailsItsStringAndTheFileSaysWhichItemsWereMade) {
  const Lot lot = MakeLot(10, 4, 21);
  std::vector<StringMeasurement> m;
  for (int j = 0; j < 3; ++j) m.push_back(Measure(lot, j + 1, lot.wiring[static_cast<std::size_t>(j)], {1000, 25}));
  m[0].polarity = Polarity::Ok;
  m[0].insulation_pos_mohm = 80;
  m[0].insulation_neg_mohm = 75;
  m[0].insulation_test_v = 1000;
  m[0].earth_continuity_ohm = 0.08;
  m[1].polarity = Polarity::Ok;
  m[1].insulation_neg_mohm = 0.4;  // a pole nearly to earth
  // string 3: Voc and Isc alone; string 4 not measured
  const Commissioning c = CheckCommissioning(lot.modules, lot.curves, lot.wiring, m, {});
  EXPECT_EQ(c.strings_failed, (std::vector<int>{2, 4}));
  EXPECT_TRUE(c.strings[2].verdict.ok);
  std::map<TestItem, TestItemCoverage> by_item;
  for (const TestItemCoverage& k : TestItemCoverages(c)) by_item[k.item] = k;
  ASSERT_EQ(by_item.size(), kTestItemCount);
  EXPECT_EQ(by_item[TestItem::Voc].strings_made, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(by_item[TestItem::Polarity].strings_not_made, (std::vector<int>{3, 4}));
  EXPECT_EQ(by_item[TestItem::InsulationPositive].strings_made, std::vector<int>{1});
  EXPECT_EQ(by_item[TestItem::InsulationNegative].strings_failed, std::vector<int>{2});

  const auto j = nlohmann::ordered_json::parse(CommissioningJsonText(c, lot.modules, "r.csv", "list.csv"));
  EXPECT_EQ(KeysOf(j), (std::vector<std::string>{"result_file", "modules_file", "conditions", "strings", "ok",
                                                 "strings_failed", "strings_not_measured", "system_voltage_v",
                                                 "insulation_test_required_v", "test_items"}));
  EXPECT_EQ(j["conditions"]["insulation_min_mohm"], 1.0);
  EXPECT_EQ(j["insulation_test_required_v"], 1000.0);
  EXPECT_EQ(KeysOf(j["strings"][1]),
            (std::vector<std::string>{"string", "modules", "irradiance_w_m2", "module_temperature_c", "voc_measured_v",
                                      "voc_expected_v", "voc_deviation_pct", "isc_measured_a", "isc_expected_a",
                                      "isc_deviation_pct", "polarity", "insulation_pos_mohm", "insulation_neg_mohm",
                                      "insulation_test_v", "earth_continuity_ohm", "test_items", "ok", "findings"}));
  EXPECT_EQ(j["strings"][1]["polarity"], "ok");
  EXPECT_TRUE(j["strings"][1]["insulation_pos_mohm"].is_null());
  EXPECT_EQ(j["strings"][1]["test_items"]["insulation_neg"], "fail");
  EXPECT_EQ(j["strings"][1]["test_items"]["insulation_pos"], "not_measured");
  EXPECT_EQ(j["strings"][0]["test_items"]["earth_continuity"], "measured");
  EXPECT_EQ(j["strings"][1]["findings"][0]["key"], "insulation_neg_low");
  EXPECT_EQ(j["strings"][3]["test_items"]["voc"], "not_measured");
  EXPECT_EQ(j["test_items"]["polarity"]["strings_made"], nlohmann::json({1, 2}));
  EXPECT_EQ(j["test_items"]["insulation_neg"]["strings_failed"], nlohmann::json({2}));

  // Values the reader never gives are the check's to refuse.
  for (double bad : {-1.0, kNaN}) {
    std::vector<StringMeasurement> wrong{m[0]};
    wrong[0].earth_continuity_ohm = bad;
    EXPECT_THROW(CheckCommissioning(lot.modules, lot.curves, lot.wiring, wrong, {}), std::invalid_argument);
  }
}

// Measurement files written before the further items and the plan, and the
// commissioning files voltrigg-cli commission wrote for them then
// (tests/data/commissioning).
TEST(MeasurementRecord, EarlierMeasurementFilesGiveTheSameCommissioningFileByteForByte) {
  const struct {
    const char* name;
    MeasurementDefaults defaults;
    CommissionConditions conditions;
    const char* options;
  } files[] = {
      {"pass", {}, {}, ""},
      {"faults", {}, {}, ""},
      {"extremes", {}, {}, ""},
      {"blank", {}, {}, ""},
      {"defaults",
       {350.0, 12.0},
       {-0.35, 0.04, 5.0, 8.0, 1.0},
       "--irradiance 350 --module-temperature 12 --voc-tolerance 5 --isc-tolerance 8 --voc-coefficient -0.35 "
       "--isc-coefficient 0.04 "},
  };
  const std::string data = std::string(VOLTRIGG_SOURCE_DIR) + "/tests/data/commissioning/";
  const PlannedArray plan = LoadPlannedArray(data + "r.csv", "", false);
  TempDir dir{"voltrigg-earlier"};
  for (const auto& entry : std::filesystem::directory_iterator(data)) {
    if (entry.path().extension() == ".csv")
      std::filesystem::copy_file(entry.path(), dir.path() / entry.path().filename());
  }
  for (const auto& f : files) {
    const std::string expected = ReadFile(data + f.name + ".commissioning.json");
    ASSERT_FALSE(expected.empty()) << f.name;
    // Read with and without the plan to check against.
    for (const std::string& checked : {std::string(), PlanFingerprint(plan.modules, plan.wiring)}) {
      const std::vector<StringMeasurement> m =
          ReadMeasurementFile(data + f.name + ".csv", static_cast<int>(plan.wiring.size()), f.defaults, checked);
      const Commissioning c = CheckCommissioning(plan.modules, plan.curves, plan.wiring, m, f.conditions);
      EXPECT_EQ(CommissioningJsonText(c, plan.modules, "r.csv", "list.csv"), expected) << f.name;
    }
    // And as voltrigg-cli commission writes it, with the table it printed
    // then in each language.
    for (const std::string language : {"", "-ja"}) {
      const std::string command =
          "cd '" + dir.path().string() + "' && env -u LANGUAGE LC_ALL=" + (language.empty() ? "C" : "ja_JP.UTF-8") +
          " " + VOLTRIGG_CLI + " commission " + f.options + "r.csv " + f.name + ".csv >table.txt 2>/dev/null";
      EXPECT_NE(std::system(command.c_str()), -1);
      EXPECT_EQ(ReadFile(dir / (std::string(f.name) + ".commissioning.json")), expected) << f.name;
      EXPECT_EQ(ReadFile(dir / "table.txt"), ReadFile(data + f.name + ".table" + language + ".txt"))
          << f.name << language;
    }
  }
}

// ------------------------------------------------------------ the catalogue's words

TEST(MeasurementTexts, EveryRefusalIsWordedInBothLanguagesNamingTheFileAndLine) {
  std::set<std::string> english;
  std::set<std::string> japanese;
  for (int k = 0; k <= static_cast<int>(MeasurementFault::OtherPlan); ++k) {
    MeasurementRefusal r;
    r.fault = static_cast<MeasurementFault>(k);
    r.field = "irradiance_w_m2";
    r.value = "x";
    r.count = 6;
    r.other = 2;
    r.limit = kIrradianceLimit;
    r.expected = "p0123456789abcdef";
    const std::string en = MeasurementRefusalText(r, 3, "m.csv", Language::English);
    const std::string ja = MeasurementRefusalText(r, 3, "m.csv", Language::Japanese);
    EXPECT_FALSE(HoldsJapanese(en)) << en;
    EXPECT_TRUE(HoldsJapanese(ja)) << ja;
    EXPECT_NE(ja.find("測定ファイル m.csv の 3 行目"), std::string::npos) << ja;
    if (r.fault == MeasurementFault::CannotOpen) {
      EXPECT_EQ(en, "cannot open the measurement file m.csv");
    } else {
      EXPECT_EQ(en.rfind("m.csv line 3: ", 0), 0u) << en;
    }
    english.insert(en);
    japanese.insert(ja);
  }
  // No two faults read alike.
  EXPECT_EQ(english.size(), static_cast<std::size_t>(MeasurementFault::OtherPlan) + 1);
  EXPECT_EQ(japanese.size(), english.size());

  // A condition the whole file could give is named as each front end names it.
  MeasurementRefusal none;
  none.fault = MeasurementFault::NoCondition;
  none.field = kIrradianceColumn;
  none.limit = kIrradianceLimit;
  const std::string option = MeasurementRefusalText(none, 2, "m.csv", Language::Japanese);
  const std::string label = MeasurementRefusalText(none, 2, "m.csv", Language::Japanese, ConditionNaming::Label);
  EXPECT_NE(option.find("--irradiance"), std::string::npos) << option;
  EXPECT_EQ(label.find("--irradiance"), std::string::npos) << label;
  EXPECT_NE(label.find(std::string("「") + OptionOf(ConditionKey::Irradiance).label_ja + "」"), std::string::npos)
      << label;
}

TEST(MeasurementTexts, WhatSpeaksTheProgramsLanguageAndPlainlyWithoutOne) {
  const std::string bad = "string,voc_v,isc_a,irradiance_w_m2,module_temperature_c\n1,abc,9,1000,25\n";
  const auto refused = [&bad]() -> std::optional<MeasurementFileError> {
    try {
      (void)Read(bad);
    } catch (const MeasurementFileError& e) {
      return e;
    }
    return std::nullopt;
  };
  SpeakMeasurementRefusalsIn(Language::English);
  std::optional<MeasurementFileError> e = refused();
  ASSERT_TRUE(e.has_value());
  EXPECT_STREQ(e->what(), "m.csv line 2: field voc_v: \"abc\" is not a number");
  EXPECT_EQ(e->where(), "m.csv");
  SpeakMeasurementRefusalsIn(Language::Japanese);
  e = refused();
  EXPECT_EQ(e->what(), MeasurementErrorTextJa(*e, "m.csv"));
  // Without a catalogue the core still says where, for a developer, in no language of its own.
  SetMeasurementRefusalWording(nullptr);
  e = refused();
  EXPECT_FALSE(HoldsJapanese(e->what())) << e->what();
  EXPECT_NE(std::string(e->what()).find("m.csv line 2 field voc_v: abc"), std::string::npos) << e->what();
  SpeakMeasurementRefusalsIn(Language::Japanese);
}

TEST(MeasurementTexts, TheTestItemsSayWhichStringsMadeThemAndWhichDidNot) {
  EXPECT_EQ(StringNumbersText({1, 2, 3, 5, 7, 8, 10, 11, 12, 13}), "1-3, 5, 7, 8, 10-13");
  EXPECT_EQ(StringNumbersText({}), "");
  TestItemCoverage every{TestItem::InsulationNegative, {1, 2, 3}, {2}, {}};
  TestItemCoverage some{TestItem::Polarity, {4}, {}, {1, 2, 3}};
  TestItemCoverage none{TestItem::EarthContinuity, {}, {}, {1, 2, 3, 4}};
  EXPECT_EQ(TestItemCoverageText(every, Language::English),
            "insulation of the negative pole to earth: made on every string (failed: 2)");
  EXPECT_EQ(TestItemCoverageText(some, Language::English), "polarity: made on string 4; not made on 1-3");
  EXPECT_EQ(TestItemCoverageText(none, Language::English), "earth continuity: not made");
  EXPECT_EQ(TestItemCoverageText(every, Language::Japanese), "絶縁抵抗 (負極と大地間): 全ストリングで実施 (不合格: 2)");
  EXPECT_EQ(TestItemCoverageText(some, Language::Japanese), "極性: ストリング 4 で実施、1-3 は未実施");
  EXPECT_EQ(TestItemCoverageText(none, Language::Japanese), "接地の導通: 未実施");
}

// A check of four strings: 1 with every item of the record, 2 with a pole
// nearly to earth and too low a test voltage, 3 with Voc and Isc alone, 4
// not measured.
Commissioning RecordCheck(const Lot& lot) {
  std::vector<StringMeasurement> m;
  for (int j = 0; j < 3; ++j) m.push_back(Measure(lot, j + 1, lot.wiring[static_cast<std::size_t>(j)], {1000, 25}));
  m[0].polarity = Polarity::Ok;
  m[0].insulation_pos_mohm = 80;
  m[0].insulation_neg_mohm = 75.5;
  m[0].insulation_test_v = 1000;
  m[0].earth_continuity_ohm = 0.08;
  m[1].polarity = Polarity::Reversed;
  m[1].insulation_neg_mohm = 0.4;
  m[1].insulation_test_v = 250;
  return CheckCommissioning(lot.modules, lot.curves, lot.wiring, m, {});
}

TEST(CommissioningTable, TheFurtherItemsShowInTheirColumnsInBothLanguages) {
  const Lot lot = MakeLot(10, 4, 21);
  const Commissioning c = RecordCheck(lot);
  const auto lines_of = [](const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  };
  const struct {
    Language language;
    std::vector<std::string> heads;
    std::string row1;
    std::string row2;
    std::vector<std::string> verdicts;  // the heading's, then each row's
    std::vector<std::string> words;
  } cases[] = {
      {Language::English,
       {"Polarity", "Ins+[MOhm]", "Ins-[MOhm]", "Test[V]", "Earth[Ohm]"},
       "       ok          80        75.5        1000       0.08  OK",
       " reversed!           -        0.4!        250!          -  FAIL",
       {"Verdict", "OK", "FAIL", "OK", "NOT MEASURED"},
       {"Further items: insulation at least 1 MΩ from each pole to earth, tested at 1000 V or more (system voltage ",
        "Test items:\n  open-circuit voltage Voc: made on strings 1-3; not made on 4\n",
        "  polarity: made on strings 1, 2 (failed: 2); not made on 3, 4\n",
        "  insulation test voltage: made on strings 1, 2 (failed: 2); not made on 3, 4\n",
        "  earth continuity: made on string 1; not made on 2-4\n",
        "reversed polarity (the polarity test's record); insulation of the negative pole to earth below the minimum; "
        "insulation test voltage below what the system voltage calls for"}},
      {Language::Japanese,
       {"極性", "絶縁+[MOhm]", "絶縁-[MOhm]", "試験電圧[V]", "接地[Ohm]"},
       "     正常          80        75.5        1000       0.08  合格",
       "      逆!           -        0.4!        250!          -  不合格",
       {"判定", "合格", "不合格", "合格", "未測定"},
       {"その他の検査項目: 絶縁抵抗は各極と大地間で 1 MΩ 以上、試験電圧は 1000 V 以上 (システム電圧 ",
        "検査項目:\n  開放電圧 Voc: ストリング 1-3 で実施、4 は未実施\n",
        "  極性: ストリング 1, 2 で実施 (不合格: 2)、3, 4 は未実施\n",
        "  接地の導通: ストリング 1 で実施、2-4 は未実施\n",
        "極性が逆です (極性検査の記録); 負極と大地間の絶縁抵抗が下限未満; "
        "絶縁抵抗の試験電圧がシステム電圧に必要な値未満"}},
  };
  for (const auto& k : cases) {
    const std::string table = CommissioningTableText(c, "r.csv", "list.csv", k.language);
    const std::vector<std::string> lines = lines_of(table);
    ASSERT_GE(lines.size(), 8u) << table;
    const std::string& head = lines[2];
    std::size_t at = 0;
    for (const std::string& name : k.heads) {
      at = head.find(name, at);
      EXPECT_NE(at, std::string::npos) << name << "\n" << head;
    }
    // Each row's verdict starts at the heading's column, Japanese names two columns each.
    const std::size_t verdict_column = TerminalColumns(head.substr(0, head.find("  " + k.verdicts[0]) + 2));
    for (std::size_t r = 0; r < 4; ++r) {
      const std::string& row = lines[r + 3];
      const std::size_t verdict = row.find("  " + k.verdicts[r + 1]);
      ASSERT_NE(verdict, std::string::npos) << row;
      EXPECT_EQ(TerminalColumns(row.substr(0, verdict + 2)), verdict_column) << row;
    }
    EXPECT_NE(lines[3].find(k.row1), std::string::npos) << lines[3];
    EXPECT_NE(lines[4].find(k.row2), std::string::npos) << lines[4];
    // Voc and Isc alone, and not measured: no further value.
    EXPECT_NE(lines[5].find("         -           -           -           -          -  "), std::string::npos)
        << lines[5];
    for (const std::string& word : k.words) EXPECT_NE(table.find(word), std::string::npos) << word << "\n" << table;
    EXPECT_EQ(HoldsJapanese(table), k.language == Language::Japanese);
  }
}

// ------------------------------------------------------------ the plan a form belongs to

TEST(PlanFingerprint, IsAFixedTextOfTheSerialsInStringOrder) {
  // FNV-1a as documented, worked out apart from this code.
  EXPECT_EQ(PlanFingerprintOfSerials({{"KV300-1", "KV300-2"}, {"KV300-3"}}), "p176bf05b7ec3c844");
  EXPECT_EQ(PlanFingerprintOfSerials({{"A"}}), "p928d1d64f9b9e8cc");

  const Lot lot = MakeLot(10, 4, 31);
  const std::string plan = PlanFingerprint(lot.modules, lot.wiring);
  EXPECT_EQ(PlanFingerprint(MakeLot(10, 4, 31).modules, lot.wiring), plan);  // nothing changed
  std::vector<std::vector<std::string>> serials;
  for (const StringWiring& s : lot.wiring) {
    serials.emplace_back();
    for (int k : s) serials.back().push_back(lot.modules[static_cast<std::size_t>(k)].serial);
  }
  EXPECT_EQ(PlanFingerprintOfSerials(serials), plan);
  // Two modules swap strings; two strings swap places; a module moves to the next string.
  Wiring swapped = lot.wiring;
  std::swap(swapped[1][4], swapped[2][7]);
  Wiring strings_swapped = lot.wiring;
  std::swap(strings_swapped[0], strings_swapped[3]);
  Wiring moved = lot.wiring;
  moved[1].insert(moved[1].begin(), moved[0].back());
  moved[0].pop_back();
  for (const Wiring& other : {swapped, strings_swapped, moved}) EXPECT_NE(PlanFingerprint(lot.modules, other), plan);
  // Serials that would run together without their lengths stay apart.
  EXPECT_NE(PlanFingerprintOfSerials({{"AB", "C"}}), PlanFingerprintOfSerials({{"A", "BC"}}));
  EXPECT_NE(PlanFingerprintOfSerials({{"A"}, {"B"}}), PlanFingerprintOfSerials({{"A", "B"}}));
  EXPECT_TRUE(SamePlan(" P176BF05B7EC3C844\t", "p176bf05b7ec3c844"));
  EXPECT_FALSE(SamePlan("p176bf05b7ec3c84", "p176bf05b7ec3c844"));
}

TEST(PlanFingerprint, TheFormRoundTripsWithItsPlanAndAnotherPlansFormIsRefusedAtItsLine) {
  const Lot lot = MakeLot(10, 4, 41);
  const Lot other = MakeLot(10, 4, 42);  // another lot of the same shape
  const std::string plan = PlanFingerprint(lot.modules, lot.wiring);
  const std::string other_plan = PlanFingerprint(other.modules, other.wiring);
  const std::vector<FormRow> rows = FormRowsAtStc(lot.modules, lot.curves, lot.wiring, {});
  const std::string form = FormatMeasurementForm(rows);
  EXPECT_EQ(std::count(form.begin(), form.end(), '\n'), 5);
  EXPECT_NE(form.find("\r\n4,,,,,,,,,,,"), std::string::npos) << form;
  for (const FormRow& r : rows) EXPECT_EQ(r.plan, plan);
  std::size_t rows_of_plan = 0;
  for (std::size_t at = 0; (at = form.find("," + plan + "\r\n", at)) != std::string::npos; ++at) ++rows_of_plan;
  EXPECT_EQ(rows_of_plan, 4u);
  EXPECT_TRUE(Read(form, 4, {}, plan).empty());

  // Filled in with every column of the record, Voc and Isc as expected.
  std::string filled;
  std::istringstream lines(form);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t blanks = line.find(",,,,,,,,,,,");
    if (blanks != std::string::npos) {
      const FormRow& r = rows.at(std::stoul(line.substr(0, blanks)) - 1);
      char values[160];
      (void)std::snprintf(values, sizeof values, ",%.2f,%.3f,1000,25,ok,55,1,1000,0.3,,", r.voc_stc_v, r.isc_stc_a);
      line.replace(blanks, 11, values);
    }
    filled += line + "\n";
  }
  const std::vector<StringMeasurement> m = Read(filled, 4, {}, plan);
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[3].plan, plan);
  EXPECT_EQ(m[3].earth_continuity_ohm, 0.3);
  const Commissioning c = CheckCommissioning(lot.modules, lot.curves, lot.wiring, m, {});
  EXPECT_TRUE(c.ok);
  for (const TestItemCoverage& k : TestItemCoverages(c)) EXPECT_TRUE(k.strings_not_made.empty());

  // Checked against the other lot's plan, blank or filled: refused at its first row.
  for (const std::string& text : {form, filled}) {
    try {
      (void)Read(text, 4, {}, other_plan);
      ADD_FAILURE() << "another plan's form accepted";
    } catch (const MeasurementFileError& e) {
      EXPECT_EQ(e.line(), 2);
      EXPECT_EQ(e.refusal().fault, MeasurementFault::OtherPlan);
      EXPECT_EQ(e.refusal().expected, other_plan);
      EXPECT_NE(English(e).find("m.csv line 2: field plan: " + plan + " is the form of another plan"),
                std::string::npos)
          << English(e);
      EXPECT_NE(MeasurementErrorTextJa(e, "m.csv").find("の 2 行目、列 plan: 別の計画の測定用紙です"),
                std::string::npos);
    }
  }
  // Rows whose plan field is empty pass; the first that names another plan is refused.
  std::string partly;
  std::istringstream filled_lines(filled);
  int row = 0;
  for (std::string line; std::getline(filled_lines, line); ++row) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (row != 3 && line.ends_with("," + plan)) line.erase(line.size() - plan.size());  // line 4 keeps it
    partly += line + "\n";
  }
  EXPECT_EQ(Read(partly, 4, {}, plan).size(), 4u);
  try {
    (void)Read(partly, 4, {}, other_plan);
    ADD_FAILURE() << "another plan's row accepted";
  } catch (const MeasurementFileError& e) {
    EXPECT_EQ(e.line(), 4);
  }
  // Unchecked the column is carried; without it a file reads as it always has.
  EXPECT_EQ(Read(filled, 4).at(0).plan, plan);
  EXPECT_EQ(Read("string,voc_v,isc_a\n1,600,9\n", 4, {1000.0, 25.0}, other_plan).size(), 1u);
}

}  // namespace
}  // namespace voltrigg
