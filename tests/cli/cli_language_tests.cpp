// voltrigg-cli as a process in both languages: under LANG=C nothing it prints
// is Japanese but the system's own texts, over every path a run can take;
// under a Japanese locale its warnings, refusals and help are Japanese. And
// the mends of what it said: the count that failed, the kind of file a
// message is about, a module list in another format, the window's verdict
// with what it checked, the commissioning file of -o and its table before a
// failed write.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/shared/text_catalogue.h"
#include "support/module_generator.h"
#include "support/run_support.h"

namespace voltrigg {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;
namespace fs = std::filesystem;

struct Output {
  int status = -1;
  std::string out;
  std::string err;
};

// voltrigg-cli in `dir` with `args`, under the locale variables `locale`
// ("LANG=C", "LC_ALL=ja_JP.UTF-8", ...) and no others.
Output Cli(const TempDir& dir, const std::string& locale, const std::string& args) {
  const std::string command = "cd '" + dir.path().string() + "' && env -u LC_ALL -u LC_MESSAGES -u LANG -u LANGUAGE " +
                              locale + " " + VOLTRIGG_CLI + " " + args + " >" + (dir / "stdout") + " 2>" +
                              (dir / "stderr");
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir / "stdout"), ReadFile(dir / "stderr")};
}

// The output without the system's own texts, which are the same in every locale.
std::string WithoutSystemTexts(std::string text) {
  for (const char* own : {"計算が終了しました", "モジュール枚数があいません", "モジュール総数が1000を超えています",
                          "並列ストリング数が100を超えています", "直列モジュール数が20を超えています"}) {
    for (std::size_t at = text.find(own); at != std::string::npos; at = text.find(own)) {
      text.erase(at, std::string(own).size());
    }
  }
  return text;
}

class CliLanguage : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "list.csv", testing::FormatModuleList(testing::GenerateModules(60, 5)));
    std::string twice = testing::FormatModuleList(testing::GenerateModules(60, 5));
    twice += twice.substr(twice.find('\n') + 1, twice.find('\n', twice.find('\n') + 1) - twice.find('\n'));
    WriteFile(dir_ / "twice.csv", twice);
    WriteFile(dir_ / "nocurve.csv", "No,S/N,Pmax,Vpm,Ipm,Voc,Isc\r\n1,A,250,30,8,0,0\r\n2,B,250,30,8,0,0\r\n");
    WriteFile(dir_ / "text.csv", "No,S/N,Pmax,Vpm,Ipm,Voc,Isc\r\n1,A,250,thirty,8,1,2\r\n");
    WriteFile(dir_ / "short.csv", "No,S/N,Pmax,Vpm,Ipm,Voc,Isc\r\n1,A,250");
    WriteFile(dir_ / "semicolons.csv", "No;S/N;Pmax;Vpm;Ipm;Voc;Isc\r\n1;A;250;30;8;37;9\r\n");
    WriteFile(dir_ / "list.json", R"({"modules": [{"no": 1, "serial": "A"}]})");
    WriteFile(dir_ / "list.xml", "<?xml version=\"1.0\"?>\n<modules><module no=\"1\"/></modules>\n");
    WriteFile(dir_ / "list.xlsx", std::string("PK\x03\x04\x14\x00\x06\x00", 8) + std::string(64, '\0'));
    WriteFile(dir_ / "small.json",
              R"({"name": "small", "max_dc_voltage_v": 600, "mppt_min_v": 280, "mppt_max_v": 480,
                  "max_input_current_a": 30, "max_short_circuit_current_a": 40})");
    WriteFile(dir_ / "empty.json", "{}");
    WriteFile(dir_ / "named.json", R"({"name": "only a name"})");
    WriteFile(dir_ / "broken.json", R"({"mppt_min_v": })");
    fs::create_directories(dir_ / "folder");
    // A plan and its filled form for the commissioning check.
    const Output plan = Cli(dir_, "LANG=C", "-s 10 -p 6 -o r --assess list.csv");
    ASSERT_EQ(plan.status, 0) << plan.err;
    const Output form = Cli(dir_, "LANG=C", "commission --form form.csv r.csv");
    ASSERT_EQ(form.status, 0) << form.err;
    // The form's voc_stc_v and isc_stc_a copied into voc_v and isc_a: every string passes.
    std::string filled = "string,voc_v,isc_a,irradiance_w_m2,module_temperature_c\n";
    std::istringstream form_lines(ReadFile(dir_ / "form.csv"));
    const auto fields = [](std::string line) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::vector<std::string> out;
      std::istringstream in(line);
      for (std::string f; std::getline(in, f, ',');) out.push_back(f);
      if (!line.empty() && line.back() == ',') out.emplace_back();
      return out;
    };
    std::string line;
    std::getline(form_lines, line);
    const std::vector<std::string> header = fields(line);
    const auto column = [&](const char* name) {
      return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    };
    for (int j = 1; std::getline(form_lines, line); ++j) {
      const std::vector<std::string> row = fields(line);
      filled +=
          std::to_string(j) + "," + row.at(column("voc_stc_v")) + "," + row.at(column("isc_stc_a")) + ",1000,25\n";
    }
    WriteFile(dir_ / "m.csv", filled);
    // The same with further items of the record (a pole nearly to earth), and as the form of another plan.
    std::string record;
    std::string other;
    std::istringstream filled_lines(filled);
    for (int j = 0; std::getline(filled_lines, line); ++j) {
      record += line + (j == 0 ? ",polarity,insulation_neg_mohm\n" : j == 1 ? ",ok,0.4\n" : ",,\n");
      other += line + (j == 0 ? ",plan\n" : ",p0123456789abcdef\n");
    }
    WriteFile(dir_ / "record-m.csv", record);
    WriteFile(dir_ / "other-m.csv", other);
    WriteFile(dir_ / "bad-m.csv", "string,voc_v,isc_a,irradiance_w_m2,module_temperature_c\n1,abc,9,1000,25\n");
  }

  // Every path of a run: counts, lists, checks, warnings, assessment,
  // inverter window, refused options, usage, help, commissioning.
  std::vector<std::string> EveryPath() const {
    return {
        "-s 10 -p 6 -o ok --assess list.csv",
        "-s 10 -p 6 -o small --assess --inverter small.json --tmin -20 list.csv",
        "-s 10 -p 6 -o twice --assess twice.csv",
        "-s 1 -p 2 -o nocurve --assess nocurve.csv",
        "-s x -p 6 -o f list.csv",
        "-s '' -p 6 -o f list.csv",
        "-s '１０' -p 6 -o f list.csv",
        "-s 10 -p 40000 -o f list.csv",
        "-s 200 -p 200 -o f list.csv",
        "-s 10 -p 5 -o f list.csv",
        "-s 30 -p 2 -o f list.csv",
        "-s 1 -p 60 -o f list.csv",
        "-s -6 -p -10 -o f list.csv",
        "-s 10 -p 6 -o f none.csv",
        "-s 10 -p 6 -o f folder",
        "-s 1 -p 1 -o f text.csv",
        "-s 1 -p 1 -o f short.csv",
        "-s 1 -p 1 -o f semicolons.csv",
        "-s 1 -p 1 -o f list.json",
        "-s 1 -p 1 -o f list.xml",
        "-s 1 -p 1 -o f list.xlsx",
        "-s 10 -p 6 -o no/such/r list.csv",
        "-s 10 -p 6 -o list list.csv",
        "-s 10 -p 6 -o f --assess --tmin 99 list.csv",
        "-s 10 -p 6 -o f --assess --tmin cold list.csv",
        "-s 10 -p 6 -o f --assess --t-hot 10 list.csv",
        "-s 10 -p 6 -o f --assess --extras voc list.csv",
        "-s 10 -p 6 -o f --assess --inverter empty.json list.csv",
        "-s 10 -p 6 -o f --assess --inverter broken.json list.csv",
        "-s 10 -p 6 -o f --assess --inverter none.json list.csv",
        "-s 10 -p 6 list.csv",
        "-s 10 -p 6 -o f --bogus list.csv",
        "-s 10 -p 6 -o f --tmin 5 list.csv",
        "--help",
        "commission --help",
        "commission --form form2.csv r.csv",
        "commission r.csv m.csv",
        "commission r.csv record-m.csv",
        "commission r.csv other-m.csv",
        "commission -o no/such/base r.csv m.csv",
        "commission r.csv bad-m.csv",
        "commission --modules none.csv r.csv m.csv",
        "commission --voc-tolerance 0 r.csv m.csv",
        "commission --extras voc r.csv m.csv",
        "commission --form no/such/form.csv r.csv",
        "commission --form r.csv r.csv",
        "commission r.csv",
        "commission",
    };
  }

  TempDir dir_{"voltrigg-language"};
};

TEST_F(CliLanguage, UnderTheCLocaleNothingIsJapaneseButTheSystemsOwnTexts) {
  for (const std::string& args : EveryPath()) {
    for (const char* locale : {"LANG=C", "LANG=C.UTF-8 LC_MESSAGES=en_US.UTF-8", "LC_ALL=C LANG=ja_JP.UTF-8", ""}) {
      const Output r = Cli(dir_, locale, args);
      EXPECT_FALSE(HoldsJapanese(WithoutSystemTexts(r.out))) << locale << " " << args << ":\n" << r.out;
      // The full-width digits typed are the user's own.
      EXPECT_FALSE(HoldsJapanese(WithoutSystemTexts(r.err)) && args.find("１０") == std::string::npos)
          << locale << " " << args << ":\n"
          << r.err;
      EXPECT_FALSE(r.out.empty() && r.err.empty()) << args;
    }
  }
}

TEST_F(CliLanguage, UnderAJapaneseLocaleWarningsRefusalsAndHelpAreJapanese) {
  for (const std::string& args : EveryPath()) {
    const Output en = Cli(dir_, "LANG=C", args);
    for (const char* locale : {"LANG=ja_JP.UTF-8", "LC_ALL=ja_JP.UTF-8 LANG=C", "LC_MESSAGES=ja LANG=C"}) {
      const Output ja = Cli(dir_, locale, args);
      // The same run in another language: the same exit status.
      EXPECT_EQ(ja.status, en.status) << locale << " " << args;
      if (!ja.err.empty()) {
        // Every line speaks Japanese; the module list check of the
        // commissioning is still worded by its shared loader (English).
        const bool loader = args.find("--modules none.csv") != std::string::npos;
        std::size_t start = 0;
        for (std::size_t end = ja.err.find('\n'); end != std::string::npos; end = ja.err.find('\n', start)) {
          const std::string line = ja.err.substr(start, end - start);
          EXPECT_TRUE(HoldsJapanese(line) || loader) << locale << " " << args << ": " << line;
          start = end + 1;
        }
      }
    }
  }
  const Output help = Cli(dir_, "LANG=ja_JP.UTF-8", "--help");
  EXPECT_NE(help.out.find("使い方: voltrigg-cli [オプション] MODULES.csv"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("--tmin C 前提: --assess"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("低温時の開放電圧を求める最低セル温度 [°C] (-60 から 40 °C、既定 -10)"), std::string::npos);
  const Output usage = Cli(dir_, "LANG=ja_JP.UTF-8", "-s 10 -p 6 list.csv");
  EXPECT_EQ(usage.status, 64);
  EXPECT_EQ(usage.err.rfind("voltrigg-cli: --output を指定してください\n", 0), 0u) << usage.err;
}

TEST_F(CliLanguage, TheCountThatFailedIsNamedAfterASeriesOrParallelRefusal) {
  Output r = Cli(dir_, "LANG=ja_JP.UTF-8", "-s 30 -p 2 -o f list.csv");
  EXPECT_EQ(r.status, 1);
  // Strings above 20 modules: the third line says where such an array is planned.
  EXPECT_EQ(r.err,
            "voltrigg-cli: 直列モジュール数が20を超えています\nvoltrigg-cli: 直列 30 > 20\nvoltrigg-cli: 20 "
            "直列を超えるストリングや 1000 枚を超えるモジュールは発電所として計画できます: voltrigg-cli plant "
            "LIST.csv... --layout PLANT.json -o BASE\n");
  r = Cli(dir_, "LANG=C", "-s 30 -p 2 -o f list.csv");
  EXPECT_EQ(r.err,
            "voltrigg-cli: 直列モジュール数が20を超えています\nvoltrigg-cli: series 30 > 20\nvoltrigg-cli: strings "
            "above 20 modules and more than 1000 modules are planned as a plant: voltrigg-cli plant LIST.csv... "
            "--layout PLANT.json -o BASE\n");
  r = Cli(dir_, "LANG=C", "-s -6 -p -10 -o f list.csv");
  EXPECT_EQ(r.err, "voltrigg-cli: the parallel count is below 1\nvoltrigg-cli: parallel -10 < 1\n");
  // A mismatch keeps the product.
  r = Cli(dir_, "LANG=ja_JP.UTF-8", "-s 10 -p 5 -o f list.csv");
  EXPECT_EQ(r.err, "voltrigg-cli: モジュール枚数があいません\nvoltrigg-cli: モジュール 60 枚、並列 5 × 直列 10 = 50\n");
}

TEST_F(CliLanguage, AListInAnotherFormatIsNamedAsSuch) {
  const struct {
    const char* file;
    const char* english;
    const char* japanese;
  } cases[] = {
      {"list.json", "a JSON file, not a module list", "JSON ファイルです"},
      {"list.xml", "an XML file, not a module list", "XML ファイルです"},
      {"list.xlsx", "a spreadsheet workbook (xlsx, xls, ods), not a module list", "スプレッドシートのブック"},
  };
  for (const auto& c : cases) {
    Output r = Cli(dir_, "LANG=C", std::string("-s 1 -p 1 -o f ") + c.file);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.english), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.file), std::string::npos) << r.err;
    r = Cli(dir_, "LANG=ja_JP.UTF-8", std::string("-s 1 -p 1 -o f ") + c.file);
    EXPECT_NE(r.err.find(c.japanese), std::string::npos) << r.err;
  }
  // A list whose header merely opens with a bracket stays a list.
  WriteFile(dir_ / "bracket.csv", "[No],S/N,Pmax,Vpm,Ipm,Voc,Isc\r\n1,A,250,thirty,8,1,2\r\n");
  const Output r = Cli(dir_, "LANG=C", "-s 1 -p 1 -o f bracket.csv");
  EXPECT_NE(r.err.find("is not a number: \"thirty\""), std::string::npos) << r.err;
}

TEST_F(CliLanguage, TheWindowsVerdictNamesWhatItCheckedAndTheFileCountsTheChecks) {
  Output r = Cli(dir_, "LANG=C", "-s 10 -p 6 -o none --assess list.csv");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Inverter window: OK — max_voltage OK; mppt_min, mppt_max, short_circuit_current, input_current "
                       "not checked: no inverter profile\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(nlohmann::json::parse(ReadFile(dir_ / "none.assessment.json"))["inverter_window"]["checks_made"], 1);
  r = Cli(dir_, "LANG=C", "-s 10 -p 6 -o small --assess --inverter small.json list.csv");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(nlohmann::json::parse(ReadFile(dir_ / "small.assessment.json"))["inverter_window"]["checks_made"], 5);
  // A profile that gives no limit is refused, saying so; nothing is written.
  for (const char* profile : {"empty.json", "named.json"}) {
    r = Cli(dir_, "LANG=C", std::string("-s 10 -p 6 -o refused --assess --inverter ") + profile + " list.csv");
    EXPECT_EQ(r.status, 64);
    EXPECT_NE(r.err.find("the profile gives no limit"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "refused.csv"));
  }
}

TEST_F(CliLanguage, MessagesNameTheKindOfFileTheyAreAbout) {
  // An assessment file that cannot be written: the result is, the assessment is named.
  fs::create_directories(dir_ / "a.assessment.json");
  Output r = Cli(dir_, "LANG=C", "-s 10 -p 6 -o a --assess list.csv");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(fs::exists(dir_ / "a.csv"));
  EXPECT_NE(r.err.find("assessment: a folder has the name of the assessment file: a.assessment.json"),
            std::string::npos)
      << r.err;
  r = Cli(dir_, "LANG=ja_JP.UTF-8", "-s 10 -p 6 -o a --assess list.csv");
  EXPECT_NE(r.err.find("物理評価ファイルと同じ名前のフォルダがあります"), std::string::npos) << r.err;
  // The form.
  r = Cli(dir_, "LANG=C", "commission --form no/such/form.csv r.csv");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("cannot create the measurement form no/such/form.csv"), std::string::npos) << r.err;
  // The commissioning file: the table is still printed, then status 2.
  fs::create_directories(dir_ / "m.commissioning.json");
  r = Cli(dir_, "LANG=C", "commission r.csv m.csv");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("Every string passes (6)."), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Commissioning file:"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "voltrigg-cli: a folder has the name of the commissioning file: m.commissioning.json\n");
  r = Cli(dir_, "LANG=ja_JP.UTF-8", "commission r.csv m.csv");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("すべてのストリングが合格です (6)。"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "voltrigg-cli: 試運転検査ファイルと同じ名前のフォルダがあります: m.commissioning.json\n");
}

TEST_F(CliLanguage, CommissionWritesTheFileOutputNamesAndShowsAUsageLineWithoutCounts) {
  fs::create_directories(dir_ / "out");
  Output r = Cli(dir_, "LANG=C", "commission -o out/check r.csv m.csv");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir_ / "out/check.commissioning.json"));
  EXPECT_FALSE(fs::exists(dir_ / "m.commissioning.json"));
  EXPECT_NE(r.out.find("Commissioning file: out/check.commissioning.json\n"), std::string::npos) << r.out;
  const nlohmann::json j = nlohmann::json::parse(ReadFile(dir_ / "out/check.commissioning.json"));
  EXPECT_EQ(j["ok"], true);
  // -o belongs to the check: not with --form, and not empty.
  EXPECT_EQ(Cli(dir_, "LANG=C", "commission -o x --form f.csv r.csv").status, 64);
  EXPECT_EQ(Cli(dir_, "LANG=C", "commission -o '' r.csv m.csv").status, 64);
  r = Cli(dir_, "LANG=C", "commission --help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Usage: voltrigg-cli commission [OPTIONS] RESULT.csv [MEASURED.csv]\n"), std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("(1x)"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace voltrigg
