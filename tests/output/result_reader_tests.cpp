// The result file read back: every file a run writes reads back and, written
// again by the writer, gives the same bytes; files that are not results are
// refused with the line that does not fit, after reading no more than a few
// lines of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "output/result_file.h"
#include "output/result_reader.h"
#include "run/calculation_run.h"
#include "support/module_generator.h"
#include "support/run_support.h"

using namespace voltrigg;
using namespace voltrigg::testing;

namespace {

// A completed run's result file for `modules` as S x P.
std::string RunResult(const std::vector<GeneratedModule>& modules, int S, int P, const std::string& list_name) {
  TempDir dir{"voltrigg-reader", true};
  WriteFile(dir / list_name, FormatModuleList(modules));
  RunState s;
  s.InputPath = dir / list_name;
  s.InputName = list_name;
  s.OutputBase = dir / "result";
  RecordingFrontEnd ui{std::to_string(S), std::to_string(P)};
  EXPECT_EQ(CalculationRun(s, ui), RunOutcome::Completed);
  return ReadFile(dir / "result.csv");
}

// What was read, handed to the writer again.
std::string FormatAgain(const ResultFileData& d) {
  static ModuleTable table;
  static FinalMatrixResult final;
  table.Clear();
  final = FinalMatrixResult{};
  final.EstimatedPoint = d.EstimatedPoint;
  final.MatrixHeadings = {"", "String", "Module No", "S/N", "Vpm [V]", "Ipm [A]"};
  for (std::size_t i = 0; i < d.rows.size(); ++i) {
    const int slot = static_cast<int>(i) + 1;
    table.SerialTable[slot] = d.rows[i].serialNo;
    final.FinalMatrix[slot] = MatrixSlot{d.rows[i].moduleNo, d.rows[i].vpm, d.rows[i].ipm, slot};
    final.StringNumbers[slot] = d.rows[i].string_no;
  }
  const ResultFileContent c{
      d.InputName, d.SimplePmaxSum, d.MinimumPoint, d.InitialPoint, final, table, static_cast<int>(d.rows.size())};
  return FormatResultFile(c);
}

ResultFileData Read(const std::string& bytes) {
  std::istringstream in(bytes);
  return ReadResultFile(in, "test.csv");
}

// The message and line of the refusal of `bytes`.
std::pair<std::string, int> Refusal(const std::string& bytes) {
  try {
    Read(bytes);
  } catch (const ResultFileError& e) {
    return {e.what(), e.line()};
  }
  ADD_FAILURE() << "read without complaint";
  return {"", -1};
}

std::string FirstLines(const std::string& bytes, int lines) {
  std::size_t at = 0;
  for (int i = 0; i < lines; ++i) at = bytes.find('\n', at) + 1;
  return bytes.substr(0, at);
}

// An endless input: `prefix`, then `pattern` over and over. Counts the bytes
// handed out, so a test sees how far the reader went.
class EndlessInput : public std::streambuf {
 public:
  EndlessInput(std::string prefix, std::string pattern) : prefix_(std::move(prefix)), pattern_(std::move(pattern)) {}
  std::size_t served() const { return served_; }

 protected:
  int_type underflow() override {
    chunk_.clear();
    if (!prefix_.empty()) {
      chunk_.swap(prefix_);
    } else {
      while (chunk_.size() < 4096) chunk_ += pattern_;
    }
    served_ += chunk_.size();
    setg(chunk_.data(), chunk_.data(), chunk_.data() + chunk_.size());
    return traits_type::to_int_type(chunk_[0]);
  }

 private:
  std::string prefix_, pattern_, chunk_;
  std::size_t served_ = 0;
};

}  // namespace

TEST(ResultReader, RunResultsReadBackAndWriteAgainByteForByte) {
  struct Shape {
    int S, P;
    unsigned seed;
  };
  for (const Shape shape : {Shape{1, 1, 1}, Shape{3, 3, 2}, Shape{10, 6, 3}, Shape{20, 50, 4}, Shape{7, 13, 5}}) {
    std::vector<GeneratedModule> modules = GenerateModules(shape.S * shape.P, shape.seed);
    // Serial numbers that test the field syntax: commas, quotes, a line end
    // inside quotes, nothing, and Japanese in UTF-8 and in Shift-JIS.
    const std::vector<std::string> odd = {"\"A,1\"", "\"Q\"\"7\"", "\"two\r\nlines\"",
                                          "\"\"",    "パネル-1",   "\x83\x70\x83\x6c\x83\x8b-2"};
    for (std::size_t i = 0; i < odd.size() && i < modules.size(); ++i) modules[i].serial_no = odd[i];
    const std::string bytes = RunResult(modules, shape.S, shape.P, "list, \"one\".csv");
    const ResultFileData d = Read(bytes);
    EXPECT_EQ(FormatAgain(d), bytes) << shape.S << "x" << shape.P;
    EXPECT_EQ(d.InputName, "list, \"one\".csv");
    EXPECT_EQ(d.series, shape.S);
    EXPECT_EQ(d.parallel, shape.P);
    ASSERT_EQ(d.rows.size(), static_cast<std::size_t>(shape.S * shape.P));
    for (std::size_t i = 0; i < d.rows.size(); ++i) {
      EXPECT_EQ(d.rows[i].string_no, static_cast<int>(i) / shape.S + 1);
      EXPECT_EQ(d.rows[i].position, static_cast<int>(i) % shape.S + 1);
    }
    // The line end inside the quoted serial counts as a line: rows after it
    // start one line later.
    if (shape.S * shape.P > 3) {
      EXPECT_EQ(d.rows.back().line, 7 + shape.S * shape.P + 1);
    }
    // The header and a 7-line file (no modules) read back the same way.
    const std::string header = FirstLines(bytes, 7);
    const ResultFileData empty = Read(header);
    EXPECT_TRUE(empty.rows.empty());
    EXPECT_EQ(empty.series, 0);
    EXPECT_EQ(FormatAgain(empty), header);
  }
}

TEST(ResultReader, EditorsLineEndsBomAndPaddingAreAccepted) {
  const std::string bytes = RunResult(GenerateModules(6, 9), 2, 3, "m.csv");
  std::string lf = bytes;
  lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
  const ResultFileData d = Read("\xEF\xBB\xBF" + lf + "\n\n");
  EXPECT_EQ(FormatAgain(d), bytes);
  EXPECT_EQ(d.MinimumPoint.Pmax, Read(bytes).MinimumPoint.Pmax);
}

TEST(ResultReader, NotAResultNamesTheLine) {
  const std::string good = RunResult(GenerateModules(6, 11), 2, 3, "m.csv");
  struct Case {
    std::string name, bytes, words;
    int line;
  };
  const std::vector<Case> cases = {
      {"module list", FormatModuleList(GenerateModules(5, 1)), "モジュールリストではありませんか", 1},
      {"empty file", "", "ファイルが終わっています", 1},
      {"cut after line 5", FirstLines(good, 5), "6 行目", 6},
      {"cut inside line 4", good.substr(0, good.find("\"Array Vpm", good.find("Initial"))), "項目が 4 個", 4},
      {"Vpm label of line 5 as on line 4",
       [&] {
         std::string b = good;
         b.replace(b.find("Array Vpm= [V]"), 14, "Array Vpm [V]=");
         return b;
       }(),
       "\"Array Vpm= [V]\" のはずです", 5},
      {"figure not a number",
       [&] {
         std::string b = good;
         b.replace(b.find(',', b.find("Simple")) + 1, 1, "x");
         return b;
       }(),
       "数値ではありません", 2},
      {"last string short", FirstLines(good, 12),
       "途中で切れています (ストリング 3 のモジュールが 1 個で終わっています", 12},
      {"cut inside the last row", FirstLines(good, 12) + "3,5", "途中で切れています (最後の行の項目が 2 個で", 13},
      {"string skipped", FirstLines(good, 9) + "3,1,\"s\",30,8\r\n", "ストリング 1 の次がストリング 3", 10},
      {"string 0", FirstLines(good, 7) + "0,1,\"s\",30,8\r\n", "ストリング番号が 1 から 100 の整数ではありません", 8},
      {"string 2 longer", FirstLines(good, 11) + "2,9,\"s\",30,8\r\n", "ストリング 2 (10 行目から) のモジュールが 3 個",
       12},
      {"row with six fields", FirstLines(good, 8) + "1,2,\"s\",30,8,1\r\n", "項目が 6 個", 9},
      {"blank line between rows", FirstLines(good, 9) + "\r\n" + good.substr(FirstLines(good, 9).size()),
       "空の行があります", 10},
      {"unclosed quote", FirstLines(good, 9) + "1,2,\"abc", "引用符 \" が閉じられていません", 10},
      {"NUL byte", FirstLines(good, 3) + std::string("\0\0\0", 3), "NUL 文字", 4},
      {"binary", "\x89PNG\r\n\x1a\n" + std::string(100, '\xff'), "結果ファイルではありません", 1},
  };
  for (const Case& c : cases) {
    const auto [message, line] = Refusal(c.bytes);
    EXPECT_EQ(line, c.line) << c.name << ": " << message;
    EXPECT_NE(message.find(c.words), std::string::npos) << c.name << ": " << message;
    EXPECT_NE(message.find(std::to_string(c.line) + " 行目"), std::string::npos) << c.name << ": " << message;
    EXPECT_NE(message.find("test.csv"), std::string::npos) << c.name;
  }
}

TEST(ResultReader, EndlessInputsStopEarly) {
  const std::string good = RunResult(GenerateModules(4, 5), 2, 2, "m.csv");
  const std::string header = FirstLines(good, 7);
  struct Case {
    std::string name, prefix, pattern, words;
  };
  const std::vector<Case> cases = {
      {"one endless line", "", "x", "項目が長すぎます"},
      {"endless quoted text", "\"", "y", "項目が長すぎます"},
      {"endless fields", "", "1,", "項目が多すぎます"},
      {"endless rows", header, "1,1,\"s\",30,8\r\n", "ストリング 1 のモジュールが 20 個を超えています"},
      {"endless strings", header, "", "モジュールの行が多すぎます"},
      {"endless blank lines", good, "\r\n", "空の行が多すぎます"},
      {"endless NUL bytes", "", std::string(1, '\0'), "NUL 文字"},
  };
  for (const Case& c : cases) {
    std::string pattern = c.pattern;
    if (c.name == "endless strings") {
      for (int j = 1; j <= 100; ++j) {
        for (int k = 1; k <= 20; ++k) pattern += std::to_string(j) + "," + std::to_string(k) + ",\"s\",30,8\r\n";
      }
    }
    EndlessInput source(c.prefix, pattern);
    std::istream in(&source);
    try {
      ReadResultFile(in, "endless");
      ADD_FAILURE() << c.name << ": read without complaint";
    } catch (const ResultFileError& e) {
      EXPECT_NE(std::string(e.what()).find(c.words), std::string::npos) << c.name << ": " << e.what();
    }
    EXPECT_LT(source.served(), std::size_t{1} << 20) << c.name;
  }
}

TEST(ResultReader, FilesThatCannotBeReadAndAGigabyteFile) {
  TempDir dir{"voltrigg-reader"};
  auto message = [](const std::string& path) {
    try {
      ReadResultFile(path);
    } catch (const ResultFileError& e) {
      EXPECT_EQ(e.line(), 0);
      return std::string(e.what());
    }
    return std::string("read without complaint");
  };
  EXPECT_NE(message(dir / "missing.csv").find("結果ファイルがありません"), std::string::npos);
  EXPECT_NE(message(dir.path().string()).find("フォルダです"), std::string::npos);
  EXPECT_NE(message("/dev/zero").find("通常のファイルではありません"), std::string::npos);

  // A sparse file of 1 GiB of zero bytes: refused at its first byte.
  const std::string big = dir / "big.csv";
  WriteFile(big, "");
  std::filesystem::resize_file(big, std::uintmax_t{1} << 30);
  try {
    ReadResultFile(big);
    ADD_FAILURE() << "read without complaint";
  } catch (const ResultFileError& e) {
    EXPECT_EQ(e.line(), 1);
    EXPECT_NE(std::string(e.what()).find("NUL 文字"), std::string::npos) << e.what();
  }
  EXPECT_EQ(std::filesystem::file_size(big), std::uintmax_t{1} << 30);
}
