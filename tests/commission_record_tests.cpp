// The commissioning record beyond Voc and Isc (polarity, each pole's
// insulation with its test voltage, earth continuity), the plan a form
// belongs to, and the commissioning files of measurement files written
// before either.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "app/shared/measurement_texts.h"
#include "app/shared/planned_array.h"
#include "commission/commissioning.h"
#include "commission/commissioning_json.h"
#include "commission/measurement_file.h"
#include "commission/measurement_form.h"
#include "commission/plan_fingerprint.h"
#include "support/module_generator.h"
#include "support/run_support.h"

namespace voltrigg {
namespace {

using testing::ReadFile;
using testing::TempDir;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Lot {
  std::vector<ModuleData> modules;
  std::vector<ModuleCurve> curves;
  Wiring wiring;
};

// Generated modules (Voc about 49.5 V), wired in consecutive strings.
Lot MakeLot(int series, int parallel, std::uint64_t seed) {
  Lot lot;
  for (const testing::GeneratedModule& g : testing::GenerateModules(series * parallel, seed)) {
    lot.modules.push_back(
        ModuleData{static_cast<double>(g.module_no), g.serial_no, g.pmax_w, g.vpm_v, g.ipm_a, g.voc_v, g.isc_a});
    lot.curves.push_back(FitModuleCurve(lot.modules.back()).curve);
  }
  for (int j = 0; j < parallel; ++j) {
    lot.wiring.emplace_back();
    for (int i = 0; i < series; ++i) lot.wiring.back().push_back(j * series + i);
  }
  return lot;
}

// Modules of exactly 39.5 V Voc, wired as `wiring`, for the system voltage.
Lot UniformLot(const Wiring& wiring) {
  Lot lot;
  lot.wiring = wiring;
  for (const StringWiring& s : wiring) {
    for (std::size_t k = 0; k < s.size(); ++k) {
      lot.modules.push_back(ModuleData{static_cast<double>(lot.modules.size() + 1),
                                       "U" + std::to_string(lot.modules.size()), 300, 32.0, 9.3, 39.5, 9.9});
      lot.curves.push_back(FitModuleCurve(lot.modules.back()).curve);
    }
  }
  return lot;
}

// What the check expects of string `j` (0-based) at 1000 W/m² and 25 °C, as measured.
StringMeasurement Exact(const Lot& lot, int j) {
  const ExpectedString e = ExpectedStringAt(lot.modules, lot.curves, lot.wiring[static_cast<std::size_t>(j)],
                                            CellConditions{}, TemperatureCoefficients{});
  StringMeasurement m;
  m.string_no = j + 1;
  m.voc_v = e.voc_v;
  m.isc_a = e.isc_a;
  m.irradiance_w_m2 = 1000;
  m.module_temperature_c = 25;
  return m;
}

std::vector<std::string> Keys(const StringVerdict& v) {
  std::vector<std::string> keys;
  for (const Finding& f : v.findings) keys.emplace_back(FindingKeyName(f.key));
  return keys;
}

std::vector<StringMeasurement> Read(const std::string& text, const std::string& plan = {}, int strings = 4) {
  std::istringstream in(text);
  return ReadMeasurements(in, "m.csv", strings, {1000.0, 25.0}, plan);
}

std::optional<MeasurementFileError> Refusal(const std::string& text, const std::string& plan = {}) {
  try {
    (void)Read(text, plan);
  } catch (const MeasurementFileError& e) {
    return e;
  }
  return std::nullopt;
}

// The blank form with the columns named in `values` filled in on every row:
// "{stc_v}" and "{stc_a}" stand for that row's expected Voc and Isc.
std::string FillForm(const std::string& form, const std::map<std::string, std::string>& values) {
  const auto split = [](std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> out;
    std::size_t begin = 0;
    for (std::size_t end; (end = line.find(',', begin)) != std::string::npos; begin = end + 1) {
      out.push_back(line.substr(begin, end - begin));
    }
    out.push_back(line.substr(begin));
    return out;
  };
  std::istringstream lines(form);
  std::string line;
  std::getline(lines, line);
  const std::vector<std::string> header = split(line);
  std::string out = line + "\n";
  while (std::getline(lines, line)) {
    std::vector<std::string> row = split(line);
    for (const auto& [column, value] : values) {
      const std::size_t at = static_cast<std::size_t>(std::find(header.begin(), header.end(), column) - header.begin());
      const std::size_t stc_v =
          static_cast<std::size_t>(std::find(header.begin(), header.end(), "voc_stc_v") - header.begin());
      row.at(at) = value == "{stc_v}" ? row.at(stc_v) : value == "{stc_a}" ? row.at(stc_v + 1) : value;
    }
    for (std::size_t k = 0; k < row.size(); ++k) out += (k == 0 ? "" : ",") + row[k];
    out += "\n";
  }
  return out;
}

// ------------------------------------------------------------ reading the further items

TEST(MeasurementRecord, FurtherColumnsAreReadInAnyOrderAndAnEmptyFieldIsNotMeasured) {
  const std::vector<StringMeasurement> m = Read(
      "string,voc_v,isc_a,Earth_Continuity_Ohm, POLARITY ,insulation_test_v,insulation_neg_mohm,insulation_pos_mohm,"
      "plan\r\n"
      "1,600,9, 0.05 ,OK,1000,120.5,0, pabc \r\n"
      "2,601,9,,,,,,\r\n"
      "3,602,9,0,\" Reversed \",+5e2,0,2e3,\r\n"
      "4,,,,,,,,pabc\r\n");
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].earth_continuity_ohm, 0.05);
  EXPECT_EQ(m[0].polarity, Polarity::Ok);
  EXPECT_EQ(m[0].insulation_test_v, 1000);
  EXPECT_EQ(m[0].insulation_neg_mohm, 120.5);
  EXPECT_EQ(m[0].insulation_pos_mohm, 0);  // a value, though a failing one
  EXPECT_EQ(m[0].plan, "pabc");
  EXPECT_TRUE(HasFurtherItems(m[0]));
  // Empty: not measured, never a value of 0.
  EXPECT_FALSE(m[1].polarity || m[1].insulation_pos_mohm || m[1].insulation_neg_mohm || m[1].insulation_test_v ||
               m[1].earth_continuity_ohm);
  EXPECT_FALSE(HasFurtherItems(m[1]));
  EXPECT_EQ(m[2].polarity, Polarity::Reversed);
  EXPECT_EQ(m[2].insulation_test_v, 500);
  EXPECT_EQ(m[2].earth_continuity_ohm, 0);
  EXPECT_EQ(m[2].line, 4);
}

TEST(MeasurementRecord, EachBadFurtherValueIsRefusedNamingItsLineAndField) {
  const std::string head =
      "string,voc_v,isc_a,polarity,insulation_pos_mohm,insulation_neg_mohm,insulation_test_v,earth_continuity_ohm\r\n"
      "1,600,9,ok,50,50,1000,0.1\r\n";
  const struct {
    std::string row;
    MeasurementFault fault;
    std::string field;
    std::string message;
  } cases[] = {
      {"2,600,9,,-0.1,,,", MeasurementFault::Negative, "insulation_pos_mohm",
       "field insulation_pos_mohm: \"-0.1\" is negative"},
      {"2,600,9,,,-1e-300,,", MeasurementFault::Negative, "insulation_neg_mohm", "is negative"},
      {"2,600,9,,,,-500,", MeasurementFault::Negative, "insulation_test_v", "\"-500\" is negative"},
      {"2,600,9,,,,,-0.01", MeasurementFault::Negative, "earth_continuity_ohm", "is negative"},
      {"2,600,9,,,nan,,", MeasurementFault::NotANumber, "insulation_neg_mohm", "\"nan\" is not a number"},
      {"2,600,9,,,,inf,", MeasurementFault::NotANumber, "insulation_test_v", "\"inf\" is not a number"},
      {"2,600,9,,1 MΩ,,,", MeasurementFault::NotANumber, "insulation_pos_mohm", "\"1 MΩ\" is not a number"},
      {"2,600,9,,,,,1e999", MeasurementFault::NotFinite, "earth_continuity_ohm", "is not a finite number"},
      {"2,600,9,rev,,,,", MeasurementFault::UnknownWord, "polarity",
       "field polarity: \"rev\" is neither ok nor reversed"},
      {"2,600,9,正,,,,", MeasurementFault::UnknownWord, "polarity", "\"正\" is neither"},
      // Without Voc and Isc a further item would be lost with its row.
      {"2,,,ok,,,,", MeasurementFault::NoValue, "voc_v", "field voc_v: no value (polarity is given)"},
      {"2,,,,,,500,", MeasurementFault::NoValue, "voc_v", "field voc_v: no value (insulation_test_v is given)"},
  };
  for (const auto& k : cases) {
    const std::optional<MeasurementFileError> e = Refusal(head + k.row + "\r\n");
    ASSERT_TRUE(e.has_value()) << "accepted: " << k.row;
    EXPECT_EQ(e->line(), 3) << k.row;
    EXPECT_EQ(e->refusal().fault, k.fault) << k.row;
    EXPECT_EQ(e->refusal().field, k.field) << k.row;
    EXPECT_NE(std::string(e->what()).find("m.csv line 3: " + k.message.substr(0, k.message.find(':') + 1)),
              std::string::npos)
        << e->what();
    EXPECT_NE(std::string(e->what()).find(k.message), std::string::npos) << e->what();
    // The viewer's words name the same line and field.
    EXPECT_NE(MeasurementErrorTextJa(*e, "m.csv").find("の 3 行目、列 " + k.field), std::string::npos)
        << MeasurementErrorTextJa(*e, "m.csv");
  }
}

// ------------------------------------------------------------ the verdicts

TEST(MeasurementRecord, EachItemIsJudgedAtItsLimitInclusivelyAndFailsOnNaN) {
  const ExpectedString e{600.0, 9.0, 60.0, {}};
  StringMeasurement base;
  base.string_no = 1;
  base.voc_v = 600;
  base.isc_a = 9;
  base.irradiance_w_m2 = 1000;
  base.module_temperature_c = 25;
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
      {&StringMeasurement::insulation_pos_mohm, TestItem::InsulationPositive, "insulation_pos_low", 40.0, strict},
      {&StringMeasurement::insulation_test_v,
       TestItem::InsulationTestVoltage,
       "insulation_test_voltage_low",
       500.0,
       {}},
  };
  for (const auto& k : items) {
    const auto judged = [&](double value) {
      StringMeasurement m = base;
      m.*k.field = value;
      return JudgeString(e, m, 10, k.conditions, 500.0);
    };
    const StringVerdict at = judged(k.limit);
    EXPECT_TRUE(at.ok) << k.low;
    EXPECT_EQ(StatusOf(at, k.item), ItemStatus::Pass) << k.low;
    EXPECT_TRUE(at.findings.empty()) << k.low;
    for (double bad : {std::nextafter(k.limit, 0.0), 0.0, kNaN}) {
      const StringVerdict below = judged(bad);
      // Voc and Isc pass; the measured item alone fails the string.
      EXPECT_FALSE(below.ok) << k.low << " " << bad;
      EXPECT_EQ(StatusOf(below, TestItem::Voc), ItemStatus::Pass);
      EXPECT_EQ(StatusOf(below, k.item), ItemStatus::Fail) << k.low << " " << bad;
      EXPECT_EQ(Keys(below), std::vector<std::string>{k.low}) << bad;
    }
    EXPECT_EQ(StatusOf(judged(kInf), k.item), ItemStatus::Pass) << k.low;
  }
  // Earth continuity has no limit the plan could know: measured, no verdict.
  for (double ohm : {0.0, 0.2, 25.0}) {
    StringMeasurement m = base;
    m.earth_continuity_ohm = ohm;
    const StringVerdict v = JudgeString(e, m, 10, {}, 1000.0);
    EXPECT_TRUE(v.ok);
    EXPECT_EQ(StatusOf(v, TestItem::EarthContinuity), ItemStatus::Measured);
  }
  StringMeasurement broken = base;
  broken.earth_continuity_ohm = kNaN;
  EXPECT_FALSE(JudgeString(e, broken, 10, {}, 1000.0).ok);
  // Nothing further measured: Voc and Isc decide as they always have, and
  // every further item says so rather than passing.
  const StringVerdict plain = JudgeString(e, base, 10, {}, 1000.0);
  EXPECT_TRUE(plain.ok);
  for (TestItem item : {TestItem::Polarity, TestItem::InsulationPositive, TestItem::InsulationNegative,
                        TestItem::InsulationTestVoltage, TestItem::EarthContinuity}) {
    EXPECT_EQ(StatusOf(plain, item), ItemStatus::NotMeasured) << TestItemName(item);
  }
  // A required test voltage that is not known passes no test voltage.
  StringMeasurement tested = base;
  tested.insulation_test_v = 1000;
  EXPECT_EQ(StatusOf(JudgeString(e, tested, 10, {}, kNaN), TestItem::InsulationTestVoltage), ItemStatus::Fail);
}

TEST(MeasurementRecord, ThePolarityRecordAgreesWithTheSignOfVoc) {
  const ExpectedString e{600.0, 9.0, 60.0, {}};
  const struct {
    std::optional<Polarity> recorded;
    double voc_v;
    ItemStatus status;
    std::vector<std::string> findings;
  } cases[] = {
      {Polarity::Ok, 600, ItemStatus::Pass, {}},
      {Polarity::Reversed, 600, ItemStatus::Fail, {"polarity_reversed"}},
      // Both say reversed: one finding.
      {Polarity::Reversed, -600, ItemStatus::Fail, {"reversed"}},
      // The meter says reversed though the record says ok: never a pass.
      {Polarity::Ok, -600, ItemStatus::Fail, {"reversed"}},
      {std::nullopt, -600, ItemStatus::NotMeasured, {"reversed"}},
      {Polarity::Ok, kNaN, ItemStatus::Fail, {}},
  };
  for (const auto& k : cases) {
    StringMeasurement m;
    m.string_no = 1;
    m.voc_v = k.voc_v;
    m.isc_a = 9;
    m.irradiance_w_m2 = 1000;
    m.module_temperature_c = 25;
    m.polarity = k.recorded;
    const StringVerdict v = JudgeString(e, m, 10, {}, 1000.0);
    EXPECT_EQ(v.ok, k.status == ItemStatus::Pass) << k.voc_v;
    EXPECT_EQ(StatusOf(v, TestItem::Polarity), k.status) << k.voc_v;
    EXPECT_EQ(Keys(v), k.findings) << k.voc_v;
  }
}

TEST(MeasurementRecord, TheTestVoltageIsTheOneTheArraysHighestStringCallsFor) {
  const struct {
    double system_v;
    double test_v;
  } tiers[] = {{50, 250},    {119.99, 250}, {120, 500},   {500, 500}, {500.01, 1000},
               {1500, 1000}, {kNaN, 1000},  {kInf, 1000}, {0, 1000},  {-10, 1000}};
  for (const auto& t : tiers) EXPECT_EQ(InsulationTestVoltageForV(t.system_v), t.test_v) << t.system_v;

  // 2 modules of 39.5 V: 98.75 V; 3: 148.1 V; 11: 543.1 V.
  EXPECT_DOUBLE_EQ(ArraySystemVoltageV(UniformLot({{0, 1}}).modules, {{0, 1}}), 98.75);
  const Lot mixed = UniformLot({{0, 1, 2}, {3, 4}});
  EXPECT_DOUBLE_EQ(ArraySystemVoltageV(mixed.modules, mixed.wiring), 1.25 * 3 * 39.5);
  // The short string is tested with the array: 250 V does not do for it.
  std::vector<StringMeasurement> measured{Exact(mixed, 0), Exact(mixed, 1)};
  measured[0].insulation_test_v = 500;
  measured[1].insulation_test_v = 250;
  const Commissioning c = CheckCommissioning(mixed.modules, mixed.curves, mixed.wiring, measured, {});
  EXPECT_EQ(c.insulation_test_required_v, 500);
  EXPECT_EQ(c.strings_failed, std::vector<int>{2});
  EXPECT_EQ(Keys(c.strings[1].verdict), std::vector<std::string>{"insulation_test_voltage_low"});

  const Lot high = UniformLot({{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}});
  EXPECT_EQ(CheckCommissioning(high.modules, high.curves, high.wiring, {}, {}).insulation_test_required_v, 1000);
  // A module without its flashed Voc leaves the system voltage unknown: the highest test.
  Lot unknown = UniformLot({{0, 1}});
  unknown.modules[1].voc_v = 0;
  EXPECT_TRUE(std::isnan(ArraySystemVoltageV(unknown.modules, unknown.wiring)));
  EXPECT_TRUE(std::isnan(ArraySystemVoltageV(unknown.modules, {})));
  EXPECT_THROW(ArraySystemVoltageV(unknown.modules, {{0, 2}}), std::invalid_argument);
}

TEST(MeasurementRecord, TheInsulationMinimumIsACheckedCondition) {
  for (double bad : {0.0, -1.0, 1000.5, kNaN, kInf}) {
    CommissionConditions c;
    c.insulation_min_mohm = bad;
    const auto fault = ValidateCommissionConditions(c);
    ASSERT_TRUE(fault.has_value()) << bad;
    EXPECT_EQ(DescribeConditionFault(*fault).rfind("--insulation-min must be a number above 0 and at most 1000 MΩ", 0),
              0u)
        << DescribeConditionFault(*fault);
  }
  for (double good : {0.001, 1.0, 1000.0}) {
    CommissionConditions c;
    c.insulation_min_mohm = good;
    EXPECT_FALSE(ValidateCommissionConditions(c).has_value()) << good;
  }
  EXPECT_EQ(CommissionConditions{}.insulation_min_mohm, 1.0);
}

TEST(MeasurementRecord, AMeasuredFailingItemFailsTheStringAndTheReportSaysWhatWasMade) {
  const Lot lot = MakeLot(10, 4, 21);
  std::vector<StringMeasurement> m{Exact(lot, 0), Exact(lot, 1), Exact(lot, 2)};
  m[0].polarity = Polarity::Ok;
  m[0].insulation_pos_mohm = 80;
  m[0].insulation_neg_mohm = 75;
  m[0].insulation_test_v = 1000;
  m[0].earth_continuity_ohm = 0.08;
  m[1].polarity = Polarity::Ok;
  m[1].insulation_pos_mohm = 60;
  m[1].insulation_neg_mohm = 0.4;  // a pole nearly to earth
  // string 3: Voc and Isc alone; string 4 not measured
  const Commissioning c = CheckCommissioning(lot.modules, lot.curves, lot.wiring, m, {});
  EXPECT_FALSE(c.ok);
  EXPECT_TRUE(c.further_items_measured);
  EXPECT_EQ(c.strings_failed, (std::vector<int>{2, 4}));
  EXPECT_EQ(Keys(c.strings[1].verdict), std::vector<std::string>{"insulation_neg_low"});
  EXPECT_TRUE(c.strings[2].verdict.ok);

  std::map<TestItem, TestItemCoverage> by_item;
  for (const TestItemCoverage& k : TestItemCoverages(c)) by_item[k.item] = k;
  ASSERT_EQ(by_item.size(), kTestItemCount);
  EXPECT_EQ(by_item[TestItem::Voc].strings_made, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(by_item[TestItem::Voc].strings_not_made, std::vector<int>{4});
  EXPECT_EQ(by_item[TestItem::Polarity].strings_made, (std::vector<int>{1, 2}));
  EXPECT_EQ(by_item[TestItem::Polarity].strings_not_made, (std::vector<int>{3, 4}));
  EXPECT_EQ(by_item[TestItem::InsulationNegative].strings_failed, std::vector<int>{2});
  EXPECT_EQ(by_item[TestItem::InsulationTestVoltage].strings_made, std::vector<int>{1});
  EXPECT_EQ(by_item[TestItem::EarthContinuity].strings_made, std::vector<int>{1});
  EXPECT_TRUE(by_item[TestItem::EarthContinuity].strings_failed.empty());

  // Values the reader never gives are the check's to refuse.
  for (double bad : {-1.0, kNaN, kInf}) {
    std::vector<StringMeasurement> wrong{m[0]};
    wrong[0].insulation_neg_mohm = bad;
    EXPECT_THROW(CheckCommissioning(lot.modules, lot.curves, lot.wiring, wrong, {}), std::invalid_argument) << bad;
    wrong[0].insulation_neg_mohm = 1;
    wrong[0].earth_continuity_ohm = bad;
    EXPECT_THROW(CheckCommissioning(lot.modules, lot.curves, lot.wiring, wrong, {}), std::invalid_argument) << bad;
  }
}

// ------------------------------------------------------------ the commissioning file

std::vector<std::string> KeysOf(const nlohmann::ordered_json& object) {
  std::vector<std::string> keys;
  for (auto it = object.begin(); it != object.end(); ++it) keys.push_back(it.key());
  return keys;
}

TEST(MeasurementRecord, TheFileHoldsTheFurtherKeysFromTheFirstFurtherValueOn) {
  const Lot lot = MakeLot(10, 3, 22);
  std::vector<StringMeasurement> m{Exact(lot, 0), Exact(lot, 1)};
  CommissionConditions conditions;
  conditions.insulation_min_mohm = 2;
  // Voc and Isc alone: the keys the file has always had, whatever the conditions.
  const auto old = nlohmann::ordered_json::parse(FormatCommissioningJson(
      CheckCommissioning(lot.modules, lot.curves, lot.wiring, m, conditions), lot.modules, "r.csv", "list.csv"));
  EXPECT_EQ(KeysOf(old), (std::vector<std::string>{"result_file", "modules_file", "conditions", "strings", "ok",
                                                   "strings_failed", "strings_not_measured"}));
  EXPECT_EQ(KeysOf(old["conditions"]).size(), 4u);
  EXPECT_EQ(KeysOf(old["strings"][0]).size(), 12u);

  m[1].polarity = Polarity::Reversed;
  m[1].insulation_pos_mohm = 1.5;
  const Commissioning c = CheckCommissioning(lot.modules, lot.curves, lot.wiring, m, conditions);
  const auto j = nlohmann::ordered_json::parse(FormatCommissioningJson(c, lot.modules, "r.csv", "list.csv"));
  EXPECT_EQ(KeysOf(j), (std::vector<std::string>{"result_file", "modules_file", "conditions", "strings", "ok",
                                                 "strings_failed", "strings_not_measured", "system_voltage_v",
                                                 "insulation_test_required_v", "test_items"}));
  EXPECT_EQ(j["conditions"]["insulation_min_mohm"], 2.0);
  EXPECT_EQ(j["system_voltage_v"].get<double>(), c.system_voltage_v);
  EXPECT_EQ(j["insulation_test_required_v"], 1000.0);
  const auto& s2 = j["strings"][1];
  EXPECT_EQ(KeysOf(s2),
            (std::vector<std::string>{"string", "modules", "irradiance_w_m2", "module_temperature_c", "voc_measured_v",
                                      "voc_expected_v", "voc_deviation_pct", "isc_measured_a", "isc_expected_a",
                                      "isc_deviation_pct", "polarity", "insulation_pos_mohm", "insulation_neg_mohm",
                                      "insulation_test_v", "earth_continuity_ohm", "test_items", "ok", "findings"}));
  EXPECT_EQ(s2["polarity"], "reversed");
  EXPECT_EQ(s2["insulation_pos_mohm"], 1.5);
  EXPECT_TRUE(s2["insulation_neg_mohm"].is_null());
  EXPECT_EQ(s2["test_items"]["polarity"], "fail");
  EXPECT_EQ(s2["test_items"]["insulation_pos"], "fail");
  EXPECT_EQ(s2["test_items"]["insulation_neg"], "not_measured");
  EXPECT_EQ(s2["test_items"]["voc"], "pass");
  EXPECT_EQ(s2["findings"][0]["key"], "polarity_reversed");
  EXPECT_EQ(s2["findings"][1]["key"], "insulation_pos_low");
  // Every string has the keys, null where it has no value; one not measured at all too.
  EXPECT_TRUE(j["strings"][0]["polarity"].is_null());
  EXPECT_EQ(j["strings"][0]["test_items"]["earth_continuity"], "not_measured");
  EXPECT_EQ(j["strings"][2]["test_items"]["voc"], "not_measured");
  EXPECT_EQ(j["test_items"]["polarity"]["strings_made"], nlohmann::json({2}));
  EXPECT_EQ(j["test_items"]["polarity"]["strings_not_made"], nlohmann::json({1, 3}));
  EXPECT_EQ(j["test_items"]["insulation_pos"]["strings_failed"], nlohmann::json({2}));
}

// Measurement files written before the further items and the plan, with the
// commissioning files voltrigg-cli commission wrote for them then
// (tests/data/commissioning; defaults.csv was checked with --irradiance 350
// --module-temperature 12 --voc-tolerance 5 --isc-tolerance 8
// --voc-coefficient -0.35 --isc-coefficient 0.04, the others without options).
struct EarlierFile {
  const char* name;
  MeasurementDefaults defaults;
  CommissionConditions conditions;
  const char* options;
};

const EarlierFile kEarlierFiles[] = {
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

std::string DataDir() { return std::string(VOLTRIGG_SOURCE_DIR) + "/tests/data/commissioning"; }

TEST(MeasurementRecord, EarlierMeasurementFilesGiveTheSameCommissioningFileByteForByte) {
  const PlannedArray plan = LoadPlannedArray(DataDir() + "/r.csv", "", false);
  const std::string fingerprint = PlanFingerprint(plan.modules, plan.wiring);
  for (const EarlierFile& f : kEarlierFiles) {
    const std::string expected = ReadFile(DataDir() + "/" + f.name + ".commissioning.json");
    ASSERT_FALSE(expected.empty()) << f.name;
    // Read as the file it is, with and without the plan to check it against.
    for (const std::string& plan_checked : {std::string(), fingerprint}) {
      const std::vector<StringMeasurement> m = ReadMeasurementFile(
          DataDir() + "/" + f.name + ".csv", static_cast<int>(plan.wiring.size()), f.defaults, plan_checked);
      const Commissioning c = CheckCommissioning(plan.modules, plan.curves, plan.wiring, m, f.conditions);
      EXPECT_FALSE(c.further_items_measured);
      EXPECT_EQ(FormatCommissioningJson(c, plan.modules, "r.csv", "list.csv"), expected) << f.name;
    }
  }
  // And as a user has it from voltrigg-cli commission.
  TempDir dir{"voltrigg-earlier"};
  for (const auto& entry : std::filesystem::directory_iterator(DataDir())) {
    std::filesystem::copy_file(entry.path(), dir.path() / entry.path().filename());
  }
  for (const EarlierFile& f : kEarlierFiles) {
    const std::string json = dir / (std::string(f.name) + ".commissioning.json");
    std::filesystem::remove(json);
    const std::string command = "cd '" + dir.path().string() + "' && " + VOLTRIGG_CLI + " commission " + f.options +
                                "r.csv " + f.name + ".csv >/dev/null 2>&1";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw)) << f.name;
    EXPECT_EQ(ReadFile(json), ReadFile(DataDir() + "/" + f.name + ".commissioning.json")) << f.name;
  }
}

// ------------------------------------------------------------ the plan

TEST(PlanFingerprint, IsAFixedTextOfTheSerialsInStringOrder) {
  // FNV-1a as documented, worked out apart from this code.
  EXPECT_EQ(PlanFingerprintOfSerials({{"KV300-1", "KV300-2"}, {"KV300-3"}}), "p176bf05b7ec3c844");
  EXPECT_EQ(PlanFingerprintOfSerials({{"A"}}), "p928d1d64f9b9e8cc");
  EXPECT_EQ(PlanFingerprintOfSerials({}), "pcbf29ce484222325");

  const Lot lot = MakeLot(10, 4, 31);
  const std::string plan = PlanFingerprint(lot.modules, lot.wiring);
  ASSERT_EQ(plan.size(), kPlanFingerprintLength);
  EXPECT_EQ(plan.find_first_not_of("0123456789abcdef", 1), std::string::npos) << plan;
  std::vector<std::vector<std::string>> serials;
  for (const StringWiring& s : lot.wiring) {
    serials.emplace_back();
    for (int k : s) serials.back().push_back(lot.modules[static_cast<std::size_t>(k)].serial);
  }
  EXPECT_EQ(PlanFingerprintOfSerials(serials), plan);
  // Nothing changed: the same; only the serials and their places count.
  Lot again = MakeLot(10, 4, 31);
  for (ModuleData& m : again.modules) m.pmax_w += 1;
  EXPECT_EQ(PlanFingerprint(again.modules, again.wiring), plan);

  // Two modules swap strings, two strings swap places, two modules swap
  // places in their string, one module moves to the next string.
  Wiring swapped = lot.wiring;
  std::swap(swapped[1][4], swapped[2][7]);
  EXPECT_NE(PlanFingerprint(lot.modules, swapped), plan);
  Wiring strings_swapped = lot.wiring;
  std::swap(strings_swapped[0], strings_swapped[3]);
  EXPECT_NE(PlanFingerprint(lot.modules, strings_swapped), plan);
  Wiring reordered = lot.wiring;
  std::swap(reordered[2][0], reordered[2][9]);
  EXPECT_NE(PlanFingerprint(lot.modules, reordered), plan);
  Wiring moved = lot.wiring;
  moved[1].insert(moved[1].begin(), moved[0].back());
  moved[0].pop_back();
  EXPECT_NE(PlanFingerprint(lot.modules, moved), plan);
  // Serials that would run together without their lengths stay apart.
  EXPECT_NE(PlanFingerprintOfSerials({{"AB", "C"}}), PlanFingerprintOfSerials({{"A", "BC"}}));
  EXPECT_NE(PlanFingerprintOfSerials({{"A"}, {"B"}}), PlanFingerprintOfSerials({{"A", "B"}}));
  EXPECT_NE(PlanFingerprintOfSerials({{"A"}, {}}), PlanFingerprintOfSerials({{"A"}}));

  EXPECT_THROW(PlanFingerprint(lot.modules, {{0, 40}}), std::invalid_argument);
  EXPECT_TRUE(SamePlan(" P176BF05B7EC3C844\t", "p176bf05b7ec3c844"));
  EXPECT_FALSE(SamePlan("p176bf05b7ec3c84", "p176bf05b7ec3c844"));
  EXPECT_FALSE(SamePlan("", "p176bf05b7ec3c844"));
}

TEST(PlanFingerprint, TheFormRoundTripsWithItsPlanAndAnotherPlansFormIsRefused) {
  const Lot lot = MakeLot(10, 4, 41);
  const Lot other = MakeLot(10, 4, 42);  // another lot of the same shape
  const std::string plan = PlanFingerprint(lot.modules, lot.wiring);
  const std::string other_plan = PlanFingerprint(other.modules, other.wiring);
  ASSERT_NE(plan, other_plan);
  const std::vector<FormRow> rows = FormRowsAtStc(lot.modules, lot.curves, lot.wiring, {});
  const std::string form = FormatMeasurementForm(rows);
  for (const FormRow& r : rows) {
    EXPECT_EQ(r.plan, plan);
    EXPECT_NE(form.find("\r\n" + std::to_string(r.string_no) + ",,,,,,,,,,,"), std::string::npos);
  }
  EXPECT_EQ(std::count(form.begin(), form.end(), '\n'), 5);
  EXPECT_TRUE(Read(form, plan).empty());

  // Filled in with every column of the record.
  const std::string filled = FillForm(form, {{"voc_v", "{stc_v}"},
                                             {"isc_a", "{stc_a}"},
                                             {"polarity", "ok"},
                                             {"insulation_pos_mohm", "55"},
                                             {"insulation_neg_mohm", "1"},
                                             {"insulation_test_v", "1000"},
                                             {"earth_continuity_ohm", "0.3"}});
  const std::vector<StringMeasurement> m = Read(filled, plan);
  ASSERT_EQ(m.size(), 4u);
  for (const StringMeasurement& s : m) {
    EXPECT_EQ(s.plan, plan);
    EXPECT_EQ(s.insulation_neg_mohm, 1.0);
    EXPECT_EQ(s.earth_continuity_ohm, 0.3);
  }
  const Commissioning c = CheckCommissioning(lot.modules, lot.curves, lot.wiring, m, {});
  EXPECT_TRUE(c.ok);
  for (const TestItemCoverage& k : TestItemCoverages(c)) EXPECT_TRUE(k.strings_not_made.empty());

  // The same form checked against the other lot's plan: refused at its first row.
  for (const std::string& text : {form, filled}) {
    const std::optional<MeasurementFileError> e = Refusal(text, other_plan);
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->line(), 2);
    EXPECT_EQ(e->refusal().fault, MeasurementFault::OtherPlan);
    EXPECT_EQ(e->refusal().field, "plan");
    EXPECT_EQ(e->refusal().value, plan);
    EXPECT_EQ(e->refusal().expected, other_plan);
    EXPECT_NE(std::string(e->what()).find("m.csv line 2: field plan: " + plan + " is the form of another plan"),
              std::string::npos)
        << e->what();
    EXPECT_NE(MeasurementErrorTextJa(*e, "m.csv").find("の 2 行目、列 plan: 別の計画の測定用紙です"), std::string::npos)
        << MeasurementErrorTextJa(*e, "m.csv");
  }
  // Rows whose plan field was emptied pass; the first that names another plan is refused.
  std::string partly = FillForm(filled, {{"plan", ""}});
  const std::size_t third = partly.find("\n3,");
  partly.insert(partly.find('\n', third + 1), plan);
  EXPECT_EQ(Read(partly, plan).size(), 4u);
  const std::optional<MeasurementFileError> e = Refusal(partly, other_plan);
  ASSERT_TRUE(e.has_value());
  EXPECT_EQ(e->line(), 4);
  EXPECT_EQ(Read(FillForm(filled, {{"plan", ""}}), other_plan).size(), 4u);
  // Unchecked, the column is only carried; without it a file reads as it always has.
  EXPECT_EQ(Read(filled).at(0).plan, plan);
  EXPECT_EQ(Read("string,voc_v,isc_a\n1,600,9\n", other_plan).size(), 1u);
}

}  // namespace
}  // namespace voltrigg
