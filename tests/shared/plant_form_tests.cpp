// The page's plant form (app/shared/plant_form.h) against voltrigg-cli plant
// on the same files: the same bytes and summary, the same refusals and exit
// statuses; and the serial search over the register, spares and serials
// that the register has to quote included.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/shared/plant_form.h"
#include "support/assess_support.h"
#include "support/plant_lot.h"
#include "support/run_support.h"

namespace voltrigg {
namespace {

using testing::CliResult;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// voltrigg-cli started in `dir`, so that it names the files as the page names them.
CliResult CliIn(const TempDir& dir, const std::string& args) {
  const std::string command =
      "cd " + dir.path().string() + " && env LC_ALL=C " + std::string(VOLTRIGG_CLI) + " " + args + " >stdout 2>stderr";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir / "stdout"), ReadFile(dir / "stderr")};
}

std::string Example(const char* name) { return ReadFile(std::string(VOLTRIGG_SOURCE_DIR) + "/examples/" + name); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    const std::size_t end = text.find('\n', begin);
    lines.push_back(text.substr(begin, end - begin));
    if (end == std::string::npos) break;
    begin = end + 1;
  }
  return lines;
}

PlantForm ExampleForm() {
  PlantForm form;
  form.lists.push_back(PlantFormFile{"plant-modules.csv", Example("plant-modules.csv")});
  form.layout = PlantFormFile{"plant-layout.json", Example("plant-layout.json")};
  form.language = Language::English;
  return form;
}

TEST(PlantForm, PlansAsVoltriggCliPlantInEveryMode) {
  TempDir dir("voltrigg-plant-form");
  const PlantForm base = ExampleForm();
  WriteFile(dir / "plant-modules.csv", base.lists[0].bytes);
  WriteFile(dir / "plant-layout.json", base.layout.bytes);
  for (const char* sort : {"delivered", "pallets", "free"}) {
    PlantForm form = base;
    form.sort = sort;
    form.pallet_window = "3";
    form.conditions = {{"tmin_c", "-15"}, {"max_system_voltage_v", "1450"}};
    const PlantFormRun run = PlanPlantForm(form);
    const CliResult cli = CliIn(dir, std::string("plant plant-modules.csv --layout plant-layout.json -o out --sort ") +
                                         sort + " --pallet-window 3 --tmin -15 --max-system-voltage 1450");
    ASSERT_EQ(run.exit_status, cli.status) << sort << cli.err;
    ASSERT_TRUE(run.refusals.empty());
    EXPECT_EQ(run.files.register_csv, ReadFile(dir / "out.register.csv")) << sort;
    EXPECT_EQ(run.files.picklist_csv, ReadFile(dir / "out.picklist.csv")) << sort;
    EXPECT_EQ(run.files.plant_json, ReadFile(dir / "out.plant.json")) << sort;
    // The summary as printed, before the lines naming the written files.
    const std::vector<std::string> printed = Lines(cli.out);
    ASSERT_GE(printed.size(), run.summary.size());
    EXPECT_EQ(std::vector<std::string>(printed.begin(), printed.begin() + run.summary.size()), run.summary);
    EXPECT_EQ(printed.size(), run.summary.size() + 3) << cli.out;
  }
}

TEST(PlantForm, RefusesWhatVoltriggCliRefusesWithTheSameStatus) {
  TempDir dir("voltrigg-plant-form");
  const PlantForm base = ExampleForm();
  WriteFile(dir / "plant-modules.csv", base.lists[0].bytes);
  WriteFile(dir / "plant-layout.json", base.layout.bytes);
  // A condition out of its range: 64, named by the field's label on the page.
  PlantForm form = base;
  form.conditions = {{"tmin_c", "-90"}};
  PlantFormRun run = PlanPlantForm(form);
  EXPECT_EQ(run.exit_status, 64);
  ASSERT_EQ(run.refusals.size(), 1u);
  EXPECT_EQ(run.exit_status, CliIn(dir, "plant plant-modules.csv --layout plant-layout.json -o out --tmin -90").status);
  EXPECT_TRUE(run.files.register_csv.empty());
  // A pallet window that is no whole number, or out of range: 64, by its label.
  for (const char* window : {"2.5", "x", "", "0", "1001"}) {
    form = base;
    form.pallet_window = window;
    run = PlanPlantForm(form);
    EXPECT_EQ(run.exit_status, 64) << window;
    ASSERT_FALSE(run.refusals.empty()) << window;
    EXPECT_NE(run.refusals.front().find("pallet window"), std::string::npos) << run.refusals.front();
  }
  // The sorted modes without a pallet column, and a repeated serial across two
  // lists: 2, the core's words, nothing written, as voltrigg-cli.
  form = base;
  form.sort = "pallets";
  form.lists[0].name = "no-pallet.csv";
  form.lists[0].bytes = "serial,pmax_w,vmp_v,imp_a,voc_v,isc_a\nA-1,578.2,43.8,13.2,52.4,14.0\n";
  run = PlanPlantForm(form);
  EXPECT_EQ(run.exit_status, 2);
  WriteFile(dir / "no-pallet.csv", form.lists[0].bytes);
  const CliResult cli = CliIn(dir, "plant no-pallet.csv --layout plant-layout.json -o out --sort pallets");
  EXPECT_EQ(cli.status, 2);
  std::string cli_lines;
  for (const std::string& line : run.refusals) cli_lines += "voltrigg-cli: plant: " + line + "\n";
  EXPECT_EQ(cli.err, cli_lines);
  form = base;
  form.lists.push_back(PlantFormFile{"again.csv", base.lists[0].bytes});
  run = PlanPlantForm(form);
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_NE(run.refusals.front().find("again.csv"), std::string::npos) << run.refusals.front();
  EXPECT_NE(run.refusals.front().find("plant-modules.csv"), std::string::npos) << run.refusals.front();
}

TEST(PlantForm, TheSearchFindsEveryModuleWhereTheRegisterPutsIt) {
  // Serials a register must quote (a comma, a quote, blanks at the ends), spares among them.
  std::vector<testing::PlantLotModule> lot = testing::GeneratePlantLot(testing::PlantLotShape{.modules = 60});
  lot[0].serial = "A,1";
  lot[1].serial = "say \"\"hi\"\"";  // the list's quoting: say "hi"
  lot[2].serial = " lead";
  PlantForm form;
  std::string csv = testing::FormatPlantCsv(lot);
  // Quote the three odd serials as a list writes them.
  for (const char* odd : {"A,1", "say \"\"hi\"\"", " lead"}) {
    const std::size_t at = csv.find(std::string("\n") + odd + ",");
    ASSERT_NE(at, std::string::npos) << odd;
    csv.replace(at + 1, std::string(odd).size(), "\"" + std::string(odd) + "\"");
  }
  form.lists.push_back(PlantFormFile{"lot.csv", csv});
  form.layout = PlantFormFile{
      "plant.json",
      R"({"modules_per_string": 5, "inverter_groups": [{"prefix": "INV", "count": 4, "strings_per_input": [1, 2],)"
      R"( "profile": {"max_dc_voltage_v": 1500}}]})"};
  form.sort = "delivered";
  form.language = Language::English;
  const PlantFormRun run = PlanPlantForm(form);
  ASSERT_TRUE(run.refusals.empty()) << run.refusals.front();
  const PlantRegisterIndex index(run.files.register_csv);
  ASSERT_EQ(index.size(), 60u);
  // Delivered: the first modules fill INV-1's input 1, string 1 in order.
  const PlantRegisterRow* first = index.Find("A,1");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(PlantPlaceText(*first, Language::English),
            "A,1: inverter INV-1, input 1, string 1, position 1 (pallet P-0001)");
  const PlantRegisterRow* quoted = index.Find("say \"hi\"");
  ASSERT_NE(quoted, nullptr);
  EXPECT_EQ(quoted->position, "2");
  // Blanks typed around a serial are no part of it; the serial's own leading blank is.
  EXPECT_EQ(index.Find("  lead "), nullptr);
  EXPECT_EQ(index.Find(lot[3].serial + "  ")->position, "4");
  // 2 inverters of 3 strings of 5 take 30 modules: the last 30 are spares.
  form.layout.bytes =
      R"({"modules_per_string": 5, "inverter_groups": [{"prefix": "INV", "count": 2, "strings_per_input": [1, 2],)"
      R"( "profile": {"max_dc_voltage_v": 1500}}]})";
  const PlantFormRun spares = PlanPlantForm(form);
  ASSERT_TRUE(spares.refusals.empty());
  const PlantRegisterIndex spare_index(spares.files.register_csv);
  const PlantRegisterRow* last = spare_index.Find(lot.back().serial);
  ASSERT_NE(last, nullptr);
  EXPECT_TRUE(last->Spare());
  EXPECT_EQ(last->inverter, "spare");
  EXPECT_EQ(PlantPlaceText(*last, Language::Japanese), lot.back().serial + ": 予備 (パレット P-0002)");
  EXPECT_EQ(spare_index.Find("ZX58-9999999"), nullptr);
}

TEST(PlantForm, ADroppedFileIsALayoutOnlyWhenItIsAJsonObject) {
  EXPECT_EQ(RoleOfPlantFile("\xEF\xBB\xBF  \r\n{\"modules_per_string\": 1}"), PlantFileRole::Layout);
  EXPECT_EQ(RoleOfPlantFile("serial,pmax_w\n{odd,1\n"), PlantFileRole::List);
  EXPECT_EQ(RoleOfPlantFile(""), PlantFileRole::List);
}

}  // namespace
}  // namespace voltrigg
