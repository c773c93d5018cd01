// voltrigg-cli commission through the process, as a user runs it: a result
// made by voltrigg-cli, the blank form, the form filled in, faults injected.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/shared/planned_array.h"
#include "support/assess_support.h"
#include "support/module_generator.h"
#include "support/run_support.h"

namespace voltrigg {
namespace {

using testing::Cli;
using testing::CliResult;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// A result of 10 x 4 with its list beside it, and the blank form.
class CommissionCli : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "list.csv", testing::FormatModuleList(testing::GenerateModules(40, 12)));
    ASSERT_EQ(Cli(dir_, "-s 10 -p 4 -o " + (dir_ / "r") + " " + (dir_ / "list.csv")).status, 0);
    const CliResult form = Cli(dir_, "commission --form " + (dir_ / "form.csv") + " " + (dir_ / "r.csv"));
    ASSERT_EQ(form.status, 0) << form.err;
    form_ = ReadFile(dir_ / "form.csv");
  }

  // The form filled in at 1000 W/m² and 25 °C with its own expected values,
  // each string's Voc and Isc scaled by the factors given for it; the other
  // columns as the form has them.
  std::string Filled(const std::vector<std::pair<double, double>>& factors, int skip = 0) const {
    const auto fields = [](std::string line) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::vector<std::string> out;
      std::istringstream in(line);
      for (std::string f; std::getline(in, f, ',');) out.push_back(f);
      if (!line.empty() && line.back() == ',') out.emplace_back();
      return out;
    };
    std::istringstream lines(form_);
    std::string line;
    std::getline(lines, line);
    const std::vector<std::string> header = fields(line);
    const auto at = [&](const char* name) {
      return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    };
    std::string out = line + "\n";
    for (int j = 1; std::getline(lines, line); ++j) {
      std::vector<std::string> row = fields(line);
      if (j != skip) {
        const auto [fv, fi] = j <= static_cast<int>(factors.size()) ? factors[static_cast<std::size_t>(j - 1)]
                                                                    : std::pair<double, double>{1.0, 1.0};
        row[at("voc_v")] = std::to_string(std::stod(row[at("voc_stc_v")]) * fv);
        row[at("isc_a")] = std::to_string(std::stod(row[at("isc_stc_a")]) * fi);
        row[at("irradiance_w_m2")] = "1000";
        row[at("module_temperature_c")] = "25";
      }
      for (std::size_t k = 0; k < row.size(); ++k) out += (k == 0 ? "" : ",") + row[k];
      out += "\n";
    }
    return out;
  }

  nlohmann::json Json() const { return nlohmann::json::parse(ReadFile(dir_ / "m.commissioning.json")); }

  TempDir dir_{"voltrigg-commission"};
  std::string form_;
};

TEST_F(CommissionCli, TheFilledFormPassesAndEachFaultFails) {
  EXPECT_EQ(std::count(form_.begin(), form_.end(), '\n'), 5);
  WriteFile(dir_ / "m.csv", Filled({}));
  CliResult r = Cli(dir_, "commission " + (dir_ / "r.csv") + " " + (dir_ / "m.csv"));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Every string passes (4)"), std::string::npos) << r.out;
  EXPECT_EQ(Json()["ok"], true);
  EXPECT_EQ(Json()["modules_file"], dir_ / "list.csv");

  // One module of ten short on string 2, Isc 12 % low on 3, string 4 not measured.
  WriteFile(dir_ / "m.csv", Filled({{1, 1}, {0.9, 1}, {1, 0.88}}, 4));
  r = Cli(dir_, "commission " + (dir_ / "r.csv") + " " + (dir_ / "m.csv"));
  ASSERT_EQ(r.status, 1) << r.out << r.err;
  const nlohmann::json j = Json();
  EXPECT_EQ(j["strings_failed"], nlohmann::json({2, 3, 4}));
  EXPECT_EQ(j["strings_not_measured"], nlohmann::json({4}));
  EXPECT_EQ(j["strings"][1]["findings"][0]["key"], "modules_missing");
  EXPECT_EQ(j["strings"][1]["findings"][0]["count"], 1);
  EXPECT_EQ(j["strings"][2]["findings"][0]["key"], "low_current");
  EXPECT_TRUE(j["strings"][3]["voc_measured_v"].is_null());
  EXPECT_NE(r.out.find("モジュール 1 枚分不足"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("NOT MEASURED"), std::string::npos) << r.out;
}

TEST(ListBesideResult, OnlyTheLastPartOfTheNameCounts) {
  EXPECT_EQ(ListBesideResult("/data/r.csv", "C:\\lists\\mods.csv"), "/data/mods.csv");
  EXPECT_EQ(ListBesideResult("/data/r.csv", "../../etc/passwd"), "/data/passwd");
  EXPECT_EQ(ListBesideResult("/data/r.csv", ".."), "");
}

TEST_F(CommissionCli, TheListIsFoundBesideTheResultOrNamed) {
  WriteFile(dir_ / "m.csv", Filled({}));
  std::filesystem::rename(dir_ / "list.csv", dir_ / "moved.csv");
  CliResult r = Cli(dir_, "commission " + (dir_ / "r.csv") + " " + (dir_ / "m.csv"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("is not beside the result file (name it with --modules)"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "m.commissioning.json"));
  r = Cli(dir_, "commission --modules " + (dir_ / "moved.csv") + " " + (dir_ / "r.csv") + " " + (dir_ / "m.csv"));
  EXPECT_EQ(r.status, 0) << r.err;
  // Another lot is not the result's list.
  WriteFile(dir_ / "other.csv", testing::FormatModuleList(testing::GenerateModules(40, 13)));
  r = Cli(dir_, "commission --modules " + (dir_ / "other.csv") + " " + (dir_ / "r.csv") + " " + (dir_ / "m.csv"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("is not the result's"), std::string::npos) << r.err;
}

TEST_F(CommissionCli, BadInputWritesNothingAndWrongUsageIs64) {
  const std::string files = " " + (dir_ / "r.csv") + " " + (dir_ / "m.csv");
  WriteFile(dir_ / "m.csv", "string,voc_v,isc_a,irradiance_w_m2,module_temperature_c\n1,600,x,900,30\n");
  CliResult r = Cli(dir_, "commission" + files);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("m.csv line 2: field isc_a: \"x\" is not a number"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "m.commissioning.json"));

  WriteFile(dir_ / "m.csv", Filled({}));
  const struct {
    std::string args;
    std::string message;
  } usage[] = {
      {"--voc-tolerance 0" + files, "--voc-tolerance must be a number above 0 and at most 10 %"},
      {"--isc-tolerance nan" + files, "--isc-tolerance"},
      {"--voc-coefficient 0.3" + files, "--voc-coefficient"},
      {"--irradiance 2000" + files, "--irradiance must be a number above 0 and at most 1500 W/m²"},
      {"--module-temperature inf" + files, "--module-temperature"},
      {"--extras voc" + files, "--extras"},
      {" " + (dir_ / "r.csv"), "RESULT.csv MEASURED.csv"},
      {"--form " + (dir_ / "f.csv") + files, "--form FORM.csv RESULT.csv"},
      {"--bogus" + files, "bogus"},
  };
  for (const auto& u : usage) {
    r = Cli(dir_, "commission " + u.args);
    EXPECT_EQ(r.status, 64) << u.args;
    EXPECT_NE(r.err.find(u.message), std::string::npos) << u.args << ": " << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "m.commissioning.json"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "f.csv"));
  // The form is never written over the result or its list.
  const std::string result = ReadFile(dir_ / "r.csv");
  r = Cli(dir_, "commission --form " + (dir_ / "r.csv") + " " + (dir_ / "r.csv"));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(ReadFile(dir_ / "r.csv"), result);
  // The planning invocation is untouched by the new command.
  EXPECT_EQ(Cli(dir_, "-s 10 -p 4 -o " + (dir_ / "again") + " " + (dir_ / "list.csv")).status, 0);
  EXPECT_EQ(ReadFile(dir_ / "again.csv").substr(ReadFile(dir_ / "again.csv").find('\n')),
            result.substr(result.find('\n')));
}

}  // namespace
}  // namespace voltrigg
