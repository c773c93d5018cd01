// Whole runs through the driver with a recording front end, and voltrigg-cli
// as a separate process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "run/calculation_run.h"
#include "support/module_generator.h"
#include "support/run_support.h"

using namespace voltrigg;
using namespace voltrigg::testing;
namespace fs = std::filesystem;

namespace {

std::string ModuleList(int count, unsigned seed) { return FormatModuleList(GenerateModules(count, seed)); }

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

const std::vector<std::string> kCompleted = {"hide", "message:計算が終了しました", "refresh", "show"};

bool TablesEmpty(const RunState& s) {
  for (int k = 0; k <= kModuleSlots; ++k) {
    if (s.modules.records[k].moduleNo != 0 || s.modules.records[k].vpm != 0 || !s.modules.SerialTable[k].empty())
      return false;
    for (const ArrayMatrix* m : {&s.pass1.matrix, &s.pass2.matrix, &s.final.FinalMatrix}) {
      if ((*m)[k].moduleNo != 0 || (*m)[k].serial != 0) return false;
    }
    if (s.final.StringNumbers[k] != 0) return false;
  }
  return true;
}

}  // namespace

TEST(Run, CompletedRunSequenceAndEndState) {
  TempDir dir{"voltrigg-run"};
  WriteFile(dir / "list.csv", ModuleList(9, 1));
  RunState s;
  s.InputPath = dir / "list.csv";
  s.InputName = "list.csv";
  s.OutputBase = dir / "result";
  RecordingFrontEnd ui{"3", "3"};
  EXPECT_EQ(CalculationRun(s, ui), RunOutcome::Completed);
  EXPECT_EQ(ui.events, kCompleted);
  EXPECT_TRUE(s.InputPath.empty());
  EXPECT_TRUE(s.OutputBase.empty());
  EXPECT_EQ(s.InputName, "list.csv");
  EXPECT_TRUE(TablesEmpty(s));
  EXPECT_EQ(s.ModuleCount, 9);
  EXPECT_GT(s.final.EstimatedPoint.Pmax, 0.0f);  // figures stay
  const std::string bytes = ReadFile(dir / "result.csv");
  EXPECT_EQ(Lines(bytes), 7 + 9);
  EXPECT_EQ(bytes.rfind("\"Input Filename=\",\"list.csv\"\r\n", 0), 0u);

  // Run again without picking the files anew: both paths are empty.
  ui.events.clear();
  EXPECT_EQ(CalculationRun(s, ui), RunOutcome::Failed);
  EXPECT_EQ(ui.events, (std::vector<std::string>{"hide", "message:使用するCSVファイルを指定してください", "show"}));
}

TEST(Run, FailedCheckAndBadInputKeepPathsAndWriteNothing) {
  TempDir dir{"voltrigg-run"};
  WriteFile(dir / "list.csv", ModuleList(9, 2));
  RunState s;
  s.InputPath = dir / "list.csv";
  s.OutputBase = dir / "result";
  RecordingFrontEnd ui{"3", "3"};
  ui.parallel = "4";
  EXPECT_EQ(CalculationRun(s, ui), RunOutcome::CheckFailed);
  EXPECT_EQ(ui.events, (std::vector<std::string>{"hide", "message:モジュール枚数があいません", "show"}));
  EXPECT_EQ(s.InputPath, dir / "list.csv");
  EXPECT_EQ(s.OutputBase, dir / "result");
  EXPECT_TRUE(TablesEmpty(s));
  EXPECT_FALSE(fs::exists(dir / "result.csv"));

  // A count that is not a number: the window was never hidden.
  ui.events.clear();
  ui.series = "abc";
  EXPECT_EQ(CalculationRun(s, ui), RunOutcome::Failed);
  EXPECT_EQ(ui.events, (std::vector<std::string>{"message:直列モジュール数が数値ではありません: \"abc\""}));

  // A module list that ends inside a row.
  ui.events.clear();
  ui.series = "3";
  ui.parallel = "3";
  WriteFile(dir / "list.csv", "No,S/N,Pmax,Vpm,Ipm,Voc,Isc\r\n1,A,250,30");
  EXPECT_EQ(CalculationRun(s, ui), RunOutcome::Failed);
  ASSERT_EQ(ui.events.size(), 3u);
  EXPECT_EQ(ui.events[0], "hide");
  EXPECT_EQ(ui.events[1].rfind("message:モジュールリストファイルが行の途中で終わっています", 0), 0u) << ui.events[1];
  EXPECT_EQ(ui.events[2], "show");
  EXPECT_TRUE(TablesEmpty(s));
  EXPECT_FALSE(fs::exists(dir / "result.csv"));
  EXPECT_EQ(s.InputPath, dir / "list.csv");
}

TEST(Run, EveryRunStartsFromEmptyTables) {
  TempDir dir{"voltrigg-run"};
  WriteFile(dir / "big.csv", ModuleList(12, 3));
  WriteFile(dir / "small.csv", ModuleList(4, 4));
  RecordingFrontEnd ui{"3", "3"};
  ui.series = "2";
  ui.parallel = "2";

  RunState fresh;
  fresh.InputPath = dir / "small.csv";
  fresh.OutputBase = dir / "fresh";
  ASSERT_EQ(CalculationRun(fresh, ui), RunOutcome::Completed);

  RunState reused;
  reused.InputPath = dir / "big.csv";
  reused.OutputBase = dir / "first";
  ui.series = "4";
  ui.parallel = "3";
  ASSERT_EQ(CalculationRun(reused, ui), RunOutcome::Completed);
  reused.InputPath = dir / "small.csv";
  reused.OutputBase = dir / "second";
  ui.series = "2";
  ui.parallel = "2";
  ASSERT_EQ(CalculationRun(reused, ui), RunOutcome::Completed);
  EXPECT_EQ(ReadFile(dir / "second.csv"), ReadFile(dir / "fresh.csv"));
}

TEST(Run, OutputNameMustNotBeEmptyAndAFailedRunKeepsTheOldFile) {
  TempDir dir{"voltrigg-run"};
  WriteFile(dir / "list.csv", ModuleList(9, 5));
  WriteFile(dir / "result.csv", "old bytes");
  for (const std::string& base : {std::string(), dir / ""}) {
    RunState s;
    s.InputPath = dir / "list.csv";
    s.OutputBase = base;
    RecordingFrontEnd ui{"3", "3"};
    EXPECT_EQ(CalculationRun(s, ui), RunOutcome::Failed);
    EXPECT_EQ(ui.events[1], "message:出力データファイル名を入力してください");
  }
  EXPECT_FALSE(fs::exists(dir / ".csv"));
  EXPECT_FALSE(fs::exists(".csv"));

  RunState s;
  s.InputPath = dir / "list.csv";
  s.OutputBase = dir / "missing-folder/result";
  RecordingFrontEnd ui{"3", "3"};
  EXPECT_EQ(CalculationRun(s, ui), RunOutcome::Failed);
  EXPECT_EQ(ui.events[1].rfind("message:結果ファイルを作成できません: ", 0), 0u) << ui.events[1];

  // An existing result file is replaced without a question; nothing else is left.
  s.OutputBase = dir / "result";
  ASSERT_EQ(CalculationRun(s, ui), RunOutcome::Completed);
  EXPECT_EQ(Lines(ReadFile(dir / "result.csv")), 16);
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir.path())) files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 2);
}

TEST(Run, TheResultNeverReplacesTheModuleList) {
  // An output name equal to the list's name, under any spelling that reaches
  // the same file, is refused before anything is written.
  TempDir dir{"voltrigg-run"};
  const std::string list = ModuleList(9, 8);
  WriteFile(dir / "mods.csv", list);
  fs::create_directory(dir / "sub");
  fs::create_directory_symlink(dir.path(), dir / "link");
  fs::create_hard_link(dir / "mods.csv", dir / "hard.csv");
  const std::string mods = dir / "mods";
  const std::vector<std::pair<std::string, std::string>> same = {
      {dir / "mods.csv", mods},
      {dir / "mods.csv", (dir.path() / "." / "mods").string()},
      {dir / "mods.csv", dir / "sub/../mods"},
      {dir / "mods.csv", dir / "link/mods"},
      {dir / "link/mods.csv", mods},
      {dir / "mods.csv", dir / "hard"},
  };
  for (const auto& [input, output] : same) {
    SCOPED_TRACE(input + " -> " + output);
    RunState s;
    s.InputPath = input;
    s.InputName = "mods.csv";
    s.OutputBase = output;
    RecordingFrontEnd ui{"3", "3"};
    EXPECT_EQ(CalculationRun(s, ui), RunOutcome::Failed);
    EXPECT_EQ(ui.events, (std::vector<std::string>{"hide",
                                                   "message:結果ファイルがモジュールリストファイルと同じファイルです。"
                                                   "別の出力データファイル名を入力してください: " +
                                                       output + ".csv",
                                                   "show"}));
    EXPECT_EQ(s.InputPath, input);
    EXPECT_EQ(s.OutputBase, output);
    EXPECT_TRUE(TablesEmpty(s));
    EXPECT_EQ(ReadFile(dir / "mods.csv"), list);
    EXPECT_EQ(fs::hard_link_count(dir / "mods.csv"), 2u);
  }
  // Another name in the same folder is written as usual.
  RunState s;
  s.InputPath = dir / "link/mods.csv";
  s.OutputBase = dir / "mods.csv";
  RecordingFrontEnd ui{"3", "3"};
  EXPECT_EQ(CalculationRun(s, ui), RunOutcome::Completed);
  EXPECT_EQ(ReadFile(dir / "mods.csv"), list);
  EXPECT_EQ(Lines(ReadFile(dir / "mods.csv.csv")), 16);
}

namespace {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// voltrigg-cli with `args`, in Japanese (the window's words); `shell` wraps
// the command line (for a limit or a working folder), with {} standing for it.
CliResult Cli(const TempDir& dir, const std::string& args, const std::string& shell = "{}") {
  std::string command = shell;
  command.replace(command.find("{}"), 2, "env LC_ALL=ja_JP.UTF-8 " + std::string(VOLTRIGG_CLI) + " " + args);
  command += " >" + (dir / "stdout") + " 2>" + (dir / "stderr");
  const int raw = std::system(command.c_str());
  CliResult r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = ReadFile(dir / "stdout");
  r.err = ReadFile(dir / "stderr");
  return r;
}

}  // namespace

TEST(Cli, ExitStatusesAndMessages) {
  TempDir dir{"voltrigg-run"};
  WriteFile(dir / "list.csv", ModuleList(9, 6));
  const std::string out = " -o " + (dir / "result") + " ";
  const std::string list = dir / "list.csv";

  CliResult r = Cli(dir, "-s 3 -p 3" + out + list);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("計算が終了しました"), std::string::npos);
  EXPECT_NE(r.out.find(dir / "result.csv"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir / "result.csv"));
  fs::remove(dir / "result.csv");

  r = Cli(dir, "--series 3 --parallel 4" + out + list);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "voltrigg-cli: モジュール枚数があいません\nvoltrigg-cli: モジュール 9 枚、並列 4 × 直列 3 = 12\n");

  struct Bad {
    std::string args;
    std::string message_start;
  };
  WriteFile(dir / "short.csv", "No,S/N,Pmax,Vpm,Ipm,Voc,Isc\r\n1,A,250");
  WriteFile(dir / "text.csv", "No,S/N,Pmax,Vpm,Ipm,Voc,Isc\r\n1,A,250,thirty,8,1,2\r\n");
  const std::vector<Bad> bad = {
      {"-s x -p 3" + out + list, "直列モジュール数が数値ではありません"},
      {"-s 3 -p 40000" + out + list, "並列ストリング数が -32768～32767 の範囲外です"},
      {"-s 200 -p 200" + out + list,
       "並列ストリング数と直列モジュール数の積 (200 × 200) が -32768～32767 の範囲外です"},
      {"-s 3 -p 3" + out + (dir / "none.csv"), "モジュールリストファイルを開けません"},
      {"-s 3 -p 3" + out + dir.path().string(), "モジュールリストファイルではなくフォルダが指定されています"},
      {"-s 3 -p 3" + out + (dir / "short.csv"), "モジュールリストファイルが行の途中で終わっています"},
      {"-s 1 -p 1" + out + (dir / "text.csv"),
       "モジュールリストファイルのデータ行 1、4列目「Vpm」が数値ではありません"},
      {"-s 3 -p 3 -o " + (dir / "no/such/dir") + " " + list, "結果ファイルを作成できません"},
  };
  for (const Bad& b : bad) {
    r = Cli(dir, b.args);
    EXPECT_EQ(r.status, 2) << b.args;
    EXPECT_EQ(r.err.rfind("voltrigg-cli: " + b.message_start, 0), 0u) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_FALSE(fs::exists(dir / "result.csv")) << b.args;
  }

  EXPECT_EQ(Cli(dir, "-s 3" + out + list).status, 64);
  EXPECT_EQ(Cli(dir, "-s 3 -p 3 --bogus" + out + list).status, 64);
  r = Cli(dir, "--version");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Voltrigg ver.1.0.3\n");
  EXPECT_EQ(Cli(dir, "--help").status, 0);
}

TEST(Cli, BlankRowsAreRefusedAndDoubtfulValuesWarnedAbout) {
  TempDir dir{"voltrigg-run"};
  const std::string list = ModuleList(9, 6);
  // A blank spreadsheet row: refused, nothing written.
  WriteFile(dir / "blank.csv", list + ",,,,,,\r\n");
  CliResult r = Cli(dir, "-s 5 -p 2 -o " + (dir / "r") + " " + (dir / "blank.csv"));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("voltrigg-cli: モジュールリストファイルのデータ行 10 のモジュール番号が 0 です", 0), 0u)
      << r.err;
  EXPECT_FALSE(fs::exists(dir / "r.csv"));

  // A repeated number and a Vpm typed without its point complete with
  // warnings naming their rows; the exit status stays 0.
  const std::size_t row1 = list.find('\n') + 1;
  const std::string first_number = list.substr(row1, list.find(',', row1) - row1);
  std::string doubtful = list;
  const std::size_t row3 = doubtful.find('\n', doubtful.find('\n', row1) + 1) + 1;
  doubtful.replace(row3, doubtful.find(',', row3) - row3, first_number);  // data row 3 numbered as data row 1
  doubtful += "10,X-10,250,3050,8.5,37,8.8\r\n";                          // data row 10
  WriteFile(dir / "doubtful.csv", doubtful);
  r = Cli(dir, "-s 5 -p 2 -o " + (dir / "r") + " " + (dir / "doubtful.csv"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("voltrigg-cli: 警告: モジュール番号 " + first_number + " が 2 回あります: データ行 1, 3\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("voltrigg-cli: 警告: Vpm がロットの中央値"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("データ行 10 (3050 V)"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::exists(dir / "r.csv"));
  // A list without such values completes without a word on stderr.
  WriteFile(dir / "plain.csv", ModuleList(10, 6));
  r = Cli(dir, "-s 5 -p 2 -o " + (dir / "r") + " " + (dir / "plain.csv"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
}

TEST(Cli, ShiftJisNamesArePrintedDecoded) {
  TempDir dir{"voltrigg-run"};
  const std::string list_name = "\x83\x82\x83\x57\x83\x85\x81\x5B\x83\x8B.csv";  // モジュール.csv
  const std::string result_base = dir / "\x8C\x8B\x89\xCA";                      // 結果
  WriteFile(dir / list_name, ModuleList(9, 4));
  CliResult r = Cli(dir, "-s 3 -p 3 -o '" + result_base + "' '" + (dir / list_name) + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(result_base + ".csv"));
  EXPECT_NE(r.out.find("結果ファイル: " + (dir / "結果.csv")), std::string::npos) << r.out;
  r = Cli(dir, "-s 3 -p 3 -o '" + result_base + "' '" + (dir / ("no" + list_name)) + "'");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(dir / "noモジュール.csv"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find(list_name), std::string::npos);
}

TEST(Cli, ModuleListKeptWhateverTheOutputIsCalled) {
  TempDir dir{"voltrigg-run"};
  TempDir io{"voltrigg-run"};
  const std::string list = ModuleList(9, 9);
  WriteFile(dir / "mods.csv", list);
  for (const std::string& output : {std::string("mods"), std::string("./mods"), dir / "mods"}) {
    const CliResult r = Cli(io, "-s 3 -p 3 -o " + output + " mods.csv", "cd " + dir.path().string() + " && {}");
    EXPECT_EQ(r.status, 2) << output;
    EXPECT_EQ(r.err.rfind("voltrigg-cli: 結果ファイルがモジュールリストファイルと同じファイルです", 0), 0u) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(ReadFile(dir / "mods.csv"), list);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  }
}

TEST(Cli, FileSizeLimitFailsTheWriteAndKeepsTheOldResult) {
  // Under a 1 KiB limit the list is read but its result cannot be written: the
  // run ends with the write's message rather than a signal, and leaves nothing.
  TempDir dir{"voltrigg-run"};
  TempDir io{"voltrigg-run"};
  WriteFile(dir / "list.csv", ModuleList(100, 10));
  WriteFile(dir / "result.csv", "older result\r\n");
  const CliResult r =
      Cli(io, "-s 10 -p 10 -o " + (dir / "result") + " " + (dir / "list.csv"), "bash -c 'ulimit -f 1 && exec {}'");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("voltrigg-cli: 結果ファイルを書き込めません: " + (dir / "result.csv"), 0), 0u) << r.err;
  EXPECT_TRUE(r.out.empty());
  EXPECT_EQ(ReadFile(dir / "result.csv"), "older result\r\n");
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.path())) names.insert(entry.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"list.csv", "result.csv"}));
}

TEST(Cli, ThousandModulesInBothShapes) {
  TempDir dir{"voltrigg-run"};
  WriteFile(dir / "list.csv", ModuleList(1000, 7));
  for (const auto& [S, P] : {std::pair{20, 50}, std::pair{10, 100}}) {
    const std::string base = dir / ("result" + std::to_string(S));
    const CliResult r =
        Cli(dir, "-s " + std::to_string(S) + " -p " + std::to_string(P) + " -o " + base + " " + (dir / "list.csv"));
    ASSERT_EQ(r.status, 0) << r.err;
    std::ifstream in(base + ".csv", std::ios::binary);
    std::string line;
    std::set<std::string> modules;
    int row = 0;
    while (std::getline(in, line)) {
      ASSERT_FALSE(line.empty());
      ASSERT_EQ(line.back(), '\r');
      if (++row <= 7) continue;
      const int string_no = std::stoi(line);
      ASSERT_EQ(string_no, (row - 8) / S + 1);
      modules.insert(line.substr(line.find(',') + 1, line.find(',', line.find(',') + 1) - line.find(',') - 1));
    }
    EXPECT_EQ(row, 1007);
    EXPECT_EQ(modules.size(), 1000u);
  }
}
