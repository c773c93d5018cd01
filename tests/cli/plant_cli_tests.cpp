// voltrigg-cli plant through the process, as a planner runs it: the example
// plant, its files equal to the core's, a plan that fails a check, refusals
// and wrong usage that write nothing, and the planning run pointing to it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "plant/plant.h"
#include "support/assess_support.h"
#include "support/plant_lot.h"
#include "support/run_support.h"

namespace voltrigg {
namespace {

using testing::Cli;
using testing::CliResult;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

std::string Example(const char* name) { return std::string(VOLTRIGG_SOURCE_DIR) + "/examples/" + name; }

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

TEST(PlantCli, PlansTheExampleAndWritesTheCoresBytes) {
  TempDir dir("voltrigg-plant-cli");
  const std::string args = Example("plant-modules.csv") + " --layout " + Example("plant-layout.json") + " -o " +
                           (dir / "base") + " --sort pallets --pallet-window 3";
  const CliResult r = Cli(dir, "plant " + args);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("384 modules used, 16 spare"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("pallets (window 3)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Plant file: " + (dir / "base") + ".plant.json"), std::string::npos) << r.out;
  PlantRequest request;
  request.lists.push_back(PlantSource{Example("plant-modules.csv"), Example("plant-modules.csv"), std::nullopt});
  request.layout = PlantSource{Example("plant-layout.json"), Example("plant-layout.json"), std::nullopt};
  request.sort = PlantSort::Pallets;
  request.pallet_window = 3;
  request.conditions.max_system_voltage_v = 1500;
  const PlantOutcome core = PlanPlant(request);
  ASSERT_FALSE(core.Refused());
  EXPECT_EQ(ReadFile(dir / "base.register.csv"), core.files.register_csv);
  EXPECT_EQ(ReadFile(dir / "base.picklist.csv"), core.files.picklist_csv);
  EXPECT_EQ(ReadFile(dir / "base.plant.json"), core.files.plant_json);
}

TEST(PlantCli, APlanThatFailsACheckIsWrittenAndSaysSo) {
  TempDir dir("voltrigg-plant-cli");
  const CliResult r = Cli(dir, "plant " + Example("plant-modules.csv") + " --layout " + Example("plant-layout.json") +
                                   " -o " + (dir / "base") + " --max-system-voltage 1300");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.out.find("EXCEEDED"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("above 1300.0 V"), std::string::npos) << r.out;
  EXPECT_TRUE(Exists(dir / "base.register.csv") && Exists(dir / "base.picklist.csv") &&
              Exists(dir / "base.plant.json"));
}

TEST(PlantCli, RefusalsAndWrongUsageWriteNothing) {
  TempDir dir("voltrigg-plant-cli");
  const std::string lot = testing::FormatPlantCsv(testing::GeneratePlantLot(testing::PlantLotShape{}));
  WriteFile(dir / "lot.csv", lot);
  // Data row 2 (line 3) with an Imp that is not a number.
  std::string broken = lot;
  const std::size_t line3 = broken.find("\r\n", broken.find("\r\n") + 2) + 2;
  broken.replace(line3, broken.find("\r\n", line3) - line3, "ZX99-1,P-0001,580.8,44,abc,52.5,14");
  WriteFile(dir / "broken.csv", broken);
  WriteFile(dir / "old.register.csv", lot);  // a list that an output's name would replace
  WriteFile(dir / "plant.json", ReadFile(Example("plant-layout.json")));
  // Files of an earlier plan stay as they were.
  WriteFile(dir / "base.register.csv", "earlier");
  const auto nothing_new = [&] {
    EXPECT_EQ(ReadFile(dir / "base.register.csv"), "earlier");
    EXPECT_FALSE(Exists(dir / "base.picklist.csv"));
    EXPECT_FALSE(Exists(dir / "base.plant.json"));
  };
  const std::string out = " -o " + (dir / "base");
  struct Case {
    std::string args;
    int status;
    std::string says;
  };
  const std::vector<Case> cases = {
      {(dir / "broken.csv") + " --layout " + (dir / "plant.json") + out, 2, "line 3"},
      {(dir / "lot.csv") + " " + (dir / "lot.csv") + " --layout " + (dir / "plant.json") + out, 2, "already"},
      {(dir / "lot.csv") + " --layout " + (dir / "missing.json") + out, 2, "missing.json"},
      {(dir / "old.register.csv") + " --layout " + (dir / "plant.json") + " -o " + (dir / "old"), 2, "replace"},
      {(dir / "lot.csv") + " --layout " + (dir / "plant.json") + " -o " + (dir / "no/such/folder/base"), 2,
       "cannot write"},
      {(dir / "lot.csv") + out, 64, "--layout"},
      {(dir / "lot.csv") + " --layout " + (dir / "plant.json") + out + " --sort best", 64, "--sort"},
      {(dir / "lot.csv") + " --layout " + (dir / "plant.json") + out + " --tmin nan", 64, "--tmin"},
      {(dir / "lot.csv") + " --layout " + (dir / "plant.json") + out + " --pallet-window 0", 64, "--pallet-window"},
  };
  for (const Case& c : cases) {
    const CliResult r = Cli(dir, "plant " + c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << "\n" << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    nothing_new();
  }
  EXPECT_FALSE(Exists(dir / "no"));
  EXPECT_EQ(ReadFile(dir / "old.register.csv"), lot);
  // No temporary file left anywhere in the folder.
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

TEST(PlantCli, ThePlanningRunNamesThePlantPlanningForLongStrings) {
  TempDir dir("voltrigg-plant-cli");
  WriteFile(dir / "list.csv", testing::FormatModuleList(testing::GenerateModules(42, 3)));
  const CliResult r = Cli(dir, "-s 21 -p 2 -o " + (dir / "r") + " " + (dir / "list.csv"));
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("voltrigg-cli plant"), std::string::npos) << r.err;
  const CliResult small = Cli(dir, "-s 20 -p 3 -o " + (dir / "r") + " " + (dir / "list.csv"));
  EXPECT_EQ(small.err.find("voltrigg-cli plant"), std::string::npos) << small.err;
}

}  // namespace
}  // namespace voltrigg
