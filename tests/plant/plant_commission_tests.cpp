// A plant's strings commissioned: the plant file and its lists read back as
// named strings of module data, a measurement file made from each string's
// expected values passing, a string with another module in it failing by
// name, names missing, unknown or repeated refused at their line, a
// result's file and a plant's told apart, and the commissioning file the
// same whatever the order of its rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/shared/measurement_texts.h"
#include "app/shared/plant_texts.h"
#include "commission/commissioning.h"
#include "commission/expected_string.h"
#include "commission/measurement_file.h"
#include "commission/measurement_form.h"
#include "commission/plan_fingerprint.h"
#include "plant/plant.h"
#include "plant/plant_commission.h"
#include "support/plant_lot.h"

namespace voltrigg {
namespace {

using Kind = PlantFault::Kind;

const char* kLayout = R"({"name": "Test plant", "modules_per_string": 12, "inverter_groups": [
  {"prefix": "INV", "count": 2, "strings_per_input": [2, 1, 2],
   "profile": {"name": "Test 1500 V", "max_dc_voltage_v": 1500, "mppt_min_v": 300, "mppt_max_v": 1500,
               "max_input_current_a": 30, "max_short_circuit_current_a": 50}},
  {"prefix": "CEN", "count": 1, "strings_per_input": [3],
   "profile": {"name": "Test central", "max_dc_voltage_v": 1500, "mppt_min_v": 300, "mppt_max_v": 1500,
               "max_input_current_a": 60, "max_short_circuit_current_a": 80}}]})";

// A generated lot (with spares) planned on two lists, the plant file and the register.
class PlantCommission : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::PlantLotShape shape;
    shape.modules = 170;
    shape.seed = 27;
    const std::vector<testing::PlantLotModule> lot = testing::GeneratePlantLot(shape);
    const std::vector<testing::PlantLotModule> first(lot.begin(), lot.begin() + 80);
    const std::vector<testing::PlantLotModule> second(lot.begin() + 80, lot.end());
    lists_ = {PlantSource{"a.csv", "", testing::FormatPlantCsv(first)},
              PlantSource{"b.csv", "", testing::FormatPlantCsv(second)}};
    PlantRequest request;
    request.lists = lists_;
    request.layout = PlantSource{"layout.json", "", kLayout};
    request.conditions.max_system_voltage_v = 1500;
    const PlantOutcome outcome = PlanPlant(request);
    ASSERT_FALSE(outcome.Refused()) << PlantFaultText(outcome.faults.front(), Language::English);
    plant_json_ = outcome.files.plant_json;
    register_csv_ = outcome.files.register_csv;
  }

  PlantCommissionPlan Made(const std::string& plant_json) const {
    return MakePlantCommissionPlan(PlantSource{"p.plant.json", "", plant_json}, lists_, ExtrasUse::VocIsc);
  }

  NamedStringPlan Plan() const {
    PlantCommissionPlan made = Made(plant_json_);
    EXPECT_TRUE(made.faults.empty()) << PlantFaultText(made.faults.front(), Language::English);
    return made.plan ? *made.plan : NamedStringPlan{};
  }

  std::vector<PlantSource> lists_;
  std::string plant_json_;
  std::string register_csv_;
};

// A measurement file of `plan`'s strings at 800 W/m² and 40 °C with each
// string's expected values as `as_built` would give them, rows in `order`.
std::string MeasuredAs(const NamedStringPlan& as_built, const std::vector<std::size_t>& order,
                       const std::string& extra_row = {}) {
  const CommissionConditions c;
  std::string out = "string,voc_v,isc_a,irradiance_w_m2,module_temperature_c\n";
  for (const std::size_t j : order) {
    const ExpectedString e =
        ExpectedStringAt(as_built.modules, as_built.curves, as_built.wiring[j], CellConditions{800, 40}, c);
    char line[200];
    (void)std::snprintf(line, sizeof line, ",%.17g,%.17g,800,40\n", e.voc_v, e.isc_a);
    out += as_built.names[j] + line;
  }
  return out + extra_row;
}

std::vector<std::size_t> InOrder(std::size_t n) {
  std::vector<std::size_t> order(n);
  for (std::size_t j = 0; j < n; ++j) order[j] = j;
  return order;
}

Commissioning Checked(const NamedStringPlan& plan, const std::string& measured) {
  std::istringstream in(measured);
  return CheckNamedCommissioning(plan, ReadNamedMeasurements(in, "m.csv", plan.names, {}), CommissionConditions{});
}

MeasurementFileError RefusalOf(const std::vector<std::string>& names, const std::string& text) {
  std::istringstream in(text);
  try {
    if (names.empty()) {
      (void)ReadMeasurements(in, "m.csv", 6, {});
    } else {
      (void)ReadNamedMeasurements(in, "m.csv", names, {});
    }
  } catch (const MeasurementFileError& e) {
    return e;
  }
  ADD_FAILURE() << "not refused: " << text;
  return MeasurementFileError({}, 0, "");
}

TEST_F(PlantCommission, ThePlantFileAndItsListsGiveTheRegistersStringsWithTheirModules) {
  const NamedStringPlan plan = Plan();
  // 2 inverters of 5 strings and a central one of 3, 12 modules each.
  ASSERT_EQ(plan.names.size(), 13u);
  EXPECT_EQ(plan.names.front(), "INV-1.1.1");
  EXPECT_EQ(plan.names[2], "INV-1.2.1");
  EXPECT_EQ(plan.names.back(), "CEN-1.1.3");
  EXPECT_EQ(plan.system_voltage_v, 1500);
  // Each module where the register puts it, with its list's values.
  std::istringstream rows(register_csv_);
  std::string row;
  std::getline(rows, row);
  std::size_t placed = 0;
  while (std::getline(rows, row)) {
    std::vector<std::string> f;
    std::istringstream fields(row.substr(0, row.find('\r')));
    for (std::string field; std::getline(fields, field, ',');) f.push_back(field);
    if (f.size() < 3 || f[2] == "spare") continue;
    const std::string name = f[2] + "." + f[3] + "." + f[4];
    const auto j = static_cast<std::size_t>(std::find(plan.names.begin(), plan.names.end(), name) - plan.names.begin());
    ASSERT_LT(j, plan.names.size()) << name;
    const int k = plan.wiring[j][static_cast<std::size_t>(std::stoi(f[5]) - 1)];
    EXPECT_EQ(plan.modules[static_cast<std::size_t>(k)].serial, f[0]);
    ++placed;
  }
  EXPECT_EQ(placed, plan.modules.size());
  EXPECT_EQ(placed, 13u * 12u);
  // The form's fingerprint is that of the plant's serials in string order.
  std::vector<std::vector<std::string>> serials;
  for (const StringWiring& s : plan.wiring) {
    serials.emplace_back();
    for (int k : s) serials.back().push_back(plan.modules[static_cast<std::size_t>(k)].serial);
  }
  const std::vector<FormRow> form = FormRowsOfNamedPlan(plan, CommissionConditions{});
  ASSERT_EQ(form.size(), 13u);
  EXPECT_EQ(form[4].plan, PlanFingerprintOfSerials(serials));
  const std::string text = FormatMeasurementForm(form, plan.names);
  EXPECT_NE(text.find("\r\nINV-1.3.1,,,"), std::string::npos) << text;
  // Read back, the blank form measures nothing; filled, it is of this plan.
  std::istringstream blank(text);
  EXPECT_TRUE(ReadNamedMeasurements(blank, "form.csv", plan.names, {}, form[0].plan).empty());
}

TEST_F(PlantCommission, EachStringMeasuredAsExpectedPassesAndOneWithAnotherModuleFailsByName) {
  const NamedStringPlan plan = Plan();
  const Commissioning passed = Checked(plan, MeasuredAs(plan, InOrder(plan.names.size())));
  EXPECT_TRUE(passed.ok);
  EXPECT_TRUE(passed.strings_failed.empty());
  // A plant's system voltage calls for the highest insulation test, whatever its strings' Voc.
  EXPECT_EQ(passed.system_voltage_v, 1500);
  EXPECT_EQ(passed.insulation_test_required_v, InsulationTestVoltageForV(1500));

  // String INV-2.3.2 built with another product's module in place of its
  // fifth: half the voltage. (One module of the lot's own class in another
  // string's place stays within the tolerances: the check finds what it can.)
  NamedStringPlan as_built = plan;
  const std::size_t j = 9;
  ASSERT_EQ(plan.names[j], "INV-2.3.2");
  ModuleData odd = plan.modules[static_cast<std::size_t>(plan.wiring[j][4])];
  odd.serial = "ODD-1";
  odd.vpm_v *= 0.5;
  odd.voc_v *= 0.5;
  as_built.modules.push_back(odd);
  as_built.curves.push_back(FitModuleCurve(odd).curve);
  as_built.wiring[j][4] = static_cast<int>(as_built.modules.size()) - 1;
  const Commissioning failed = Checked(plan, MeasuredAs(as_built, InOrder(plan.names.size())));
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.strings_failed, std::vector<int>{10});
  EXPECT_EQ(StringLabel(failed, 10), "INV-2.3.2");
  const nlohmann::json json =
      nlohmann::json::parse(PlantCommissioningJsonText(failed, plan.modules, "p.plant.json", {"a.csv", "b.csv"}));
  EXPECT_EQ(json["strings_failed"], nlohmann::json::array({"INV-2.3.2"}));
  EXPECT_EQ(json["strings"][9]["string"], "INV-2.3.2");
  EXPECT_EQ(json["strings"][9]["findings"][0]["key"], "voc_low");
  EXPECT_EQ(json["strings"][9]["modules"][4], plan.modules[static_cast<std::size_t>(plan.wiring[j][4])].serial);
  EXPECT_EQ(json["modules_files"], nlohmann::json::array({"a.csv", "b.csv"}));
  const std::string table = CommissioningTableText(failed, "p.plant.json", "a.csv, b.csv", Language::English);
  EXPECT_NE(table.find("Strings failed: INV-2.3.2\n"), std::string::npos) << table;
  EXPECT_NE(table.find("\nINV-2.3.2      12"), std::string::npos) << table;
}

TEST_F(PlantCommission, TheCommissioningFileIsTheSameWhateverTheOrderOfRows) {
  const NamedStringPlan plan = Plan();
  std::vector<std::size_t> order = InOrder(plan.names.size());
  order.erase(order.begin() + 3);  // one not measured
  const std::string in_order =
      PlantCommissioningJsonText(Checked(plan, MeasuredAs(plan, order)), plan.modules, "p.plant.json", {"a.csv"});
  std::reverse(order.begin(), order.end());
  std::rotate(order.begin(), order.begin() + 5, order.end());
  const Commissioning shuffled = Checked(plan, MeasuredAs(plan, order));
  EXPECT_EQ(PlantCommissioningJsonText(shuffled, plan.modules, "p.plant.json", {"a.csv"}), in_order);
  EXPECT_EQ(shuffled.strings_not_measured, std::vector<int>{4});
  EXPECT_NE(in_order.find("\"strings_not_measured\": [\n    \"INV-1.3.1\"\n  ]"), std::string::npos) << in_order;
}

TEST_F(PlantCommission, NamesMissingUnknownOrRepeatedAndTheOtherKindOfFileAreRefusedAtTheirLine) {
  const NamedStringPlan plan = Plan();
  const std::string head = "string,voc_v,isc_a,irradiance_w_m2,module_temperature_c\n";
  const std::string good = "INV-1.1.1,300,14,1000,25\n";
  const struct {
    std::string text;
    MeasurementFault fault;
    int line;
    const char* shown;  // in the English refusal
  } cases[] = {
      {head + good + ",300,14,1000,25\n", MeasurementFault::NoStringName, 3,
       "m.csv line 3: field string: no string name"},
      {head + good + "INV-3.1.1,300,14,1000,25\n", MeasurementFault::NotANamedString, 3,
       "\"INV-3.1.1\" is not a string of the plant (13 strings"},
      {head + good + "inv-1.1.2,,,,\n", MeasurementFault::NotANamedString, 3, "\"inv-1.1.2\""},
      {head + good + " INV-1.1.1 ,301,14,1000,25\n", MeasurementFault::MeasuredTwice, 3,
       "string INV-1.1.1 is measured twice (also line 2)"},
      {head + "1,300,14,1000,25\n", MeasurementFault::NumberForNamedString, 2, "\"1\" is a result's string number"},
  };
  for (const auto& c : cases) {
    const MeasurementFileError e = RefusalOf(plan.names, c.text);
    EXPECT_EQ(e.refusal().fault, c.fault) << c.text;
    EXPECT_EQ(e.line(), c.line) << c.text;
    EXPECT_NE(MeasurementErrorText(e, "m.csv", Language::English).find(c.shown), std::string::npos)
        << MeasurementErrorText(e, "m.csv", Language::English);
    EXPECT_NE(MeasurementErrorText(e, "m.csv", Language::Japanese).find(std::to_string(c.line) + " 行目"),
              std::string::npos);
  }
  // A plant's measurements with a result: named where a number belongs.
  const MeasurementFileError e = RefusalOf({}, head + "2,300,14,1000,25\nINV-1.1.1,300,14,1000,25\n");
  EXPECT_EQ(e.refusal().fault, MeasurementFault::NameForNumberedString);
  EXPECT_EQ(e.line(), 3);
  EXPECT_EQ(MeasurementErrorText(e, "m.csv", Language::English),
            "m.csv line 3: field string: \"INV-1.1.1\" names a plant's string; this result's strings are numbered 1 "
            "to 6 (is this a plant's measurement file?)");
  // Texts that are no plant's names stay what they were: not a number.
  for (const char* text : {"abc", "1.2.3", "INV.1", "A.1.x"}) {
    EXPECT_EQ(RefusalOf({}, head + text + ",300,14,1000,25\n").refusal().fault, MeasurementFault::NotANumber) << text;
  }
}

TEST_F(PlantCommission, APlantFileThatIsNotTheListsOrNotAPlantFileIsRefusedNamingWhat) {
  // A serial no list holds: named with its string.
  const std::size_t at = plant_json_.find("\"ZX58-");
  ASSERT_NE(at, std::string::npos);
  std::string missing = plant_json_;
  const std::string serial = missing.substr(at + 1, 12);
  missing.replace(at + 1, 12, "NOT-IN-LIST1");
  PlantCommissionPlan made = Made(missing);
  ASSERT_EQ(made.faults.size(), 1u);
  EXPECT_FALSE(made.plan);
  EXPECT_EQ(made.faults[0].kind, Kind::SerialNotInLists);
  EXPECT_EQ(PlantFaultText(made.faults[0], Language::English),
            "plant file p.plant.json, string INV-1.1.1: serial \"NOT-IN-LIST1\" is in none of the lists");
  // The same serial in two strings.
  const std::size_t next = plant_json_.find("\"ZX58-", plant_json_.find("\"string\": 2"));
  std::string twice = plant_json_;
  twice.replace(next + 1, 12, serial);
  made = Made(twice);
  ASSERT_EQ(made.faults.size(), 1u);
  EXPECT_EQ(made.faults[0].kind, Kind::PlantFileRepeatedSerial);
  EXPECT_EQ(made.faults[0].value, serial);
  // Keys out of place, and no JSON at all.
  std::string no_voltage = plant_json_;
  no_voltage.replace(no_voltage.find("max_system_voltage_v"), 20, "max_system_voltage_x");
  made = Made(no_voltage);
  ASSERT_EQ(made.faults.size(), 1u);
  EXPECT_EQ(made.faults[0].kind, Kind::PlantFileMalformed);
  EXPECT_EQ(made.faults[0].field, "conditions.max_system_voltage_v");
  std::string no_serials = plant_json_;
  no_serials.replace(no_serials.find("\"serials\""), 9, "\"serialz\"");
  made = Made(no_serials);
  ASSERT_EQ(made.faults.size(), 1u);
  EXPECT_EQ(made.faults[0].field, "inverters[0].inputs[0].strings[0].serials");
  EXPECT_EQ(Made("serial,voc_v\n").faults.at(0).kind, Kind::PlantFileNotJson);
  // A list the plant was not planned from: every serial it lacks, at most kMaxPlantFaults.
  const PlantCommissionPlan wrong_lists =
      MakePlantCommissionPlan(PlantSource{"p.plant.json", "", plant_json_}, {lists_[1]}, ExtrasUse::VocIsc);
  EXPECT_FALSE(wrong_lists.plan);
  ASSERT_FALSE(wrong_lists.faults.empty());
  EXPECT_LE(wrong_lists.faults.size(), kMaxPlantFaults);
  EXPECT_EQ(wrong_lists.faults[0].kind, Kind::SerialNotInLists);
}

TEST(NamedStringPlan, APlanOfTheWrongShapeIsRefusedBeforeAnythingIsChecked) {
  NamedStringPlan plan;
  plan.modules.resize(2);
  plan.curves.resize(2);
  plan.wiring = {{0}, {1}};
  plan.names = {"A.1.1", "A.1.1"};
  plan.system_voltage_v = 1500;
  EXPECT_THROW((void)CheckNamedCommissioning(plan, {}, CommissionConditions{}), std::invalid_argument);
  plan.names = {"A.1.1"};
  EXPECT_THROW((void)CheckNamedCommissioning(plan, {}, CommissionConditions{}), std::invalid_argument);
  plan.names = {"A.1.1", "A.1.2"};
  plan.wiring = {{0}, {2}};
  EXPECT_THROW((void)FormRowsOfNamedPlan(plan, CommissionConditions{}), std::invalid_argument);
  std::istringstream in("string,voc_v,isc_a\n");
  EXPECT_THROW((void)ReadNamedMeasurements(in, "m.csv", {"A", ""}, {}), std::invalid_argument);
}

}  // namespace
}  // namespace voltrigg
