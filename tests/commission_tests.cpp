// The commissioning check: expected string Voc and Isc from the modules'
// curves, the verdict and its findings, the measurement file and its blank
// form, the commissioning file and voltrigg-cli commission.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "assess/array_at_conditions.h"
#include "commission/commissioning.h"
#include "commission/commissioning_json.h"
#include "commission/measurement_file.h"
#include "commission/measurement_form.h"
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

std::vector<std::string> Keys(const StringCommissioning& s) {
  std::vector<std::string> keys;
  for (const Finding& f : s.verdict.findings) keys.emplace_back(FindingKeyName(f.key));
  return keys;
}

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
  StringMeasurement m{1, 618.0, 9.45, 1000, 25, {}, 0};  // +3 % and +5 %: at the edge
  EXPECT_TRUE(JudgeString(e, m, 10, {}).ok);
  m.voc_v = 618.1;
  EXPECT_FALSE(JudgeString(e, m, 10, {}).ok);
  m.voc_v = 600;
  for (double bad : {kNaN, std::numeric_limits<double>::infinity()}) {
    StringMeasurement n = m;
    n.isc_a = bad;
    EXPECT_FALSE(JudgeString(e, n, 10, {}).ok);
    ExpectedString unknown = e;
    unknown.voc_v = bad;
    EXPECT_FALSE(JudgeString(unknown, m, 10, {}).ok);
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
  };
  for (const auto& k : cases) {
    CommissionConditions c;
    c.*(k.field) = k.value;
    const auto fault = ValidateCommissionConditions(c);
    ASSERT_TRUE(fault.has_value()) << k.option << " " << k.value;
    EXPECT_EQ("--" + std::string(KeyOf(fault->limit.condition)), k.option) << DescribeConditionFault(*fault);
    EXPECT_THROW(JudgeString(ExpectedString{600, 9, 60, {}}, StringMeasurement{1, 600, 9, 1000, 25, {}, 0}, 10, c),
                 std::invalid_argument);
  }
  EXPECT_FALSE(ValidateCommissionConditions({}).has_value());
}

TEST(Commissioning, TheCheckRefusesMeasurementsItCannotUse) {
  const Lot lot = MakeLot(4, 2, 2);
  const StringMeasurement good{1, 150, 9, 1000, 25, {}, 0};
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
      nlohmann::ordered_json::parse(FormatCommissioningJson(c, lot.modules, "r\x83\x65.csv", "modules.csv"));
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

std::vector<StringMeasurement> Read(const std::string& text, int strings = 6, MeasurementDefaults defaults = {}) {
  std::istringstream in(text);
  return ReadMeasurements(in, "m.csv", strings, defaults);
}

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
      EXPECT_NE(std::string(e.what()).find(k.message), std::string::npos) << e.what() << "\nexpected: " << k.message;
    }
  }
  std::string many = head;
  for (int r = 0; r <= kMaxMeasurementRows; ++r) many += "1,,,,\r\n";
  try {
    (void)Read(many);
    ADD_FAILURE() << "more than the rows allowed";
  } catch (const MeasurementFileError& e) {
    EXPECT_EQ(e.line(), kMaxMeasurementRows + 2);
    EXPECT_NE(std::string(e.what()).find("more than 10000 rows"), std::string::npos) << e.what();
  }
  // A file-wide condition out of its range is the caller's to refuse first.
  EXPECT_THROW(Read(head, 6, {kNaN, std::nullopt}), std::invalid_argument);
}

TEST(MeasurementFile, TheBlankFormReadsBackAsNothingMeasuredAndFilledAsEveryString) {
  const std::string form = FormatMeasurementForm({{1, 612.345, 9.1234}, {2, 598.5, 9.0}, {3, 601, 8.9}});
  EXPECT_EQ(form.substr(0, form.find("\r\n")),
            "string,voc_v,isc_a,irradiance_w_m2,module_temperature_c,note,voc_stc_v,isc_stc_a");
  EXPECT_NE(form.find("\r\n1,,,,,,612.35,9.123\r\n"), std::string::npos);
  EXPECT_TRUE(Read(form, 3).empty());
  // Filled in by the crew: each row's blanks get the string's values.
  std::string filled;
  std::istringstream lines(form);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t blanks = line.find(",,,,,,");
    if (blanks != std::string::npos) line.replace(blanks, 6, ",600.5,8.75,910,38.5,ok,");
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
  EXPECT_TRUE(names(FormatMeasurementForm({{1, 600, 9}})));  // the blank form is one
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

}  // namespace
}  // namespace voltrigg
