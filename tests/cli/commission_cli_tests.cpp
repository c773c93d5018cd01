// voltrigg-cli commission through the process, as a user runs it: a result
// made by voltrigg-cli, the blank form, the form filled in, faults injected.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/shared/planned_array.h"
#include "commission/plan_fingerprint.h"
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
  // `record`: further columns of the record by string, "column=value" each.
  std::string Filled(const std::vector<std::pair<double, double>>& factors, int skip = 0,
                     const std::map<int, std::vector<std::string>>& record = {}) const {
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
      if (const auto it = record.find(j); it != record.end()) {
        for (const std::string& item : it->second) {
          const std::size_t eq = item.find('=');
          row[at(item.substr(0, eq).c_str())] = item.substr(eq + 1);
        }
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
  EXPECT_NE(r.out.find("Voc short by 1 module (missing"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("NOT MEASURED"), std::string::npos) << r.out;
}

TEST_F(CommissionCli, TheRecordsItemsAndTheInsulationMinimumReachTheCheckAndItsTable) {
  // String 1 with every item, 2 with a pole nearly to earth, 3 recorded
  // reversed, 4 with Voc and Isc alone.
  WriteFile(dir_ / "m.csv", Filled({}, 0,
                                   {{1,
                                     {"polarity=ok", "insulation_pos_mohm=80", "insulation_neg_mohm=75",
                                      "insulation_test_v=1000", "earth_continuity_ohm=0.08"}},
                                    {2, {"polarity=ok", "insulation_neg_mohm=0.4", "insulation_test_v=1000"}},
                                    {3, {"polarity=reversed"}}}));
  const std::string files = " " + (dir_ / "r.csv") + " " + (dir_ / "m.csv");
  CliResult r = Cli(dir_, "commission" + files);
  ASSERT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_EQ(Json()["strings_failed"], nlohmann::json({2, 3}));
  EXPECT_EQ(Json()["conditions"]["insulation_min_mohm"], 1.0);
  for (const char* word :
       {"Polarity  Ins+[MOhm]  Ins-[MOhm]     Test[V] Earth[Ohm]  Verdict", "     ok          80          75",
        "        0.4!", "reversed!", "  polarity: made on strings 1-3 (failed: 3); not made on 4\n",
        "  earth continuity: made on string 1; not made on 2-4\n"}) {
    EXPECT_NE(r.out.find(word), std::string::npos) << word << "\n" << r.out;
  }
  r = Cli(dir_, "commission" + files, "ja_JP.UTF-8");
  ASSERT_EQ(r.status, 1) << r.err;
  for (const char* word : {"極性 絶縁+[MOhm] 絶縁-[MOhm] 試験電圧[V]  接地[Ohm]  判定", "     正常          80",
                           "      逆!", "検査項目:\n", "  極性: ストリング 1-3 で実施 (不合格: 3)、4 は未実施\n"}) {
    EXPECT_NE(r.out.find(word), std::string::npos) << word << "\n" << r.out;
  }
  // A stricter minimum fails string 1's 80 and 75 MΩ; it is the file's condition.
  r = Cli(dir_, "commission --insulation-min 100" + files);
  ASSERT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(Json()["strings_failed"], nlohmann::json({1, 2, 3}));
  EXPECT_EQ(Json()["conditions"]["insulation_min_mohm"], 100.0);
  EXPECT_EQ(Json()["strings"][0]["test_items"]["insulation_pos"], "fail");
  EXPECT_NE(r.out.find("insulation at least 100 MΩ from each pole to earth"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("         80!         75!        1000       0.08  FAIL"), std::string::npos) << r.out;
  r = Cli(dir_, "commission --insulation-min 0" + files);
  EXPECT_EQ(r.status, 64);
  EXPECT_NE(r.err.find("--insulation-min"), std::string::npos) << r.err;
}

TEST_F(CommissionCli, AnotherPlansFormIsRefusedNamingItsLineAndItsOwnPlanIsNot) {
  // Another lot of the same shape, planned and its form filled in.
  TempDir other{"voltrigg-commission-other"};
  WriteFile(other / "list.csv", testing::FormatModuleList(testing::GenerateModules(40, 13)));
  ASSERT_EQ(Cli(other, "-s 10 -p 4 -o " + (other / "r") + " " + (other / "list.csv")).status, 0);
  ASSERT_EQ(Cli(other, "commission --form " + (other / "form.csv") + " " + (other / "r.csv")).status, 0);
  const std::string own = form_;
  form_ = ReadFile(other / "form.csv");
  WriteFile(dir_ / "m.csv", Filled({}));
  const std::string others = form_.substr(form_.rfind(',') + 1, kPlanFingerprintLength);
  form_ = own;
  const std::string plan = form_.substr(form_.rfind(',') + 1, kPlanFingerprintLength);
  ASSERT_NE(plan, others);

  CliResult r = Cli(dir_, "commission " + (dir_ / "r.csv") + " " + (dir_ / "m.csv"));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "voltrigg-cli: " + (dir_ / "m.csv") + " line 2: field plan: " + others +
                       " is the form of another plan (this plan is " + plan + ")\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "m.commissioning.json"));
  r = Cli(dir_, "commission " + (dir_ / "r.csv") + " " + (dir_ / "m.csv"), "ja_JP.UTF-8");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("m.csv の 2 行目、列 plan: 別の計画の測定用紙です (用紙は「" + others + "」、この計画は「" +
                       plan + "」)"),
            std::string::npos)
      << r.err;
  // Against its own plan the same file is checked.
  r = Cli(other, "commission " + (other / "r.csv") + " " + (dir_ / "m.csv"));
  EXPECT_EQ(r.status, 0) << r.err;
  // Without the plan column, as before the column was written.
  WriteFile(dir_ / "m.csv", "string,voc_v,isc_a,irradiance_w_m2,module_temperature_c\n1,400,9,1000,25\n");
  r = Cli(dir_, "commission " + (dir_ / "r.csv") + " " + (dir_ / "m.csv"));
  EXPECT_EQ(r.status, 1) << r.err;
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
