// The bad-input catalogue: every way a run can be handed something it cannot
// use, grouped by where it comes from, with the exact message the user sees
// and the proof that nothing was written or changed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

#include "input/field_reader.h"
#include "input/module_list.h"
#include "input/run_error.h"
#include "output/result_file.h"
#include "run/calculation_run.h"
#include "support/run_support.h"

using namespace voltrigg;
using namespace voltrigg::testing;
namespace fs = std::filesystem;

namespace {

// Every file below `dir` with its bytes (folders as a mark), to prove a
// failed run neither wrote nor changed anything.
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::string name = fs::relative(e.path(), dir).string();
    files[name] = e.is_regular_file() ? ReadFile(e.path().string()) : std::string("<folder>");
  }
  return files;
}

const std::string kHeader = "No,S/N,Pmax,Vpm,Ipm,Voc,Isc\r\n";

std::string Row(int no, double vpm, double ipm) {
  std::ostringstream r;
  r << no << ",SN-" << no << "," << vpm * ipm << "," << vpm << "," << ipm << ",37.5,8.8\r\n";
  return r.str();
}

// Four good modules for S = 2, P = 2.
std::string GoodList() {
  return kHeader + Row(1, 30.2, 8.30) + Row(2, 30.0, 8.25) + Row(3, 30.5, 8.31) + Row(4, 29.9, 8.4);
}

// A folder holding the module list and an older result file that a failed
// run must leave as it was.
struct Scene {
  TempDir dir{"voltrigg-catalogue"};
  RunState state;
  RecordingFrontEnd ui{"2", "2"};

  explicit Scene(const std::string& list_bytes = GoodList()) {
    WriteFile(dir / "list.csv", list_bytes);
    WriteFile(dir / "result.csv", "older result\r\n");
    state.InputPath = dir / "list.csv";
    state.InputName = "list.csv";
    state.OutputBase = dir / "result";
  }

  // Runs once and checks what every failed run promises: one message, the
  // window back if it was hidden, the paths kept, no file written or changed.
  void ExpectFailure(const std::string& message, bool hidden = true, RunOutcome outcome = RunOutcome::Failed) {
    const auto before = Snapshot(dir.path());
    const std::string input = state.InputPath;
    const std::string output = state.OutputBase;
    ui.events.clear();
    EXPECT_EQ(CalculationRun(state, ui), outcome);
    const std::vector<std::string> expected = hidden ? std::vector<std::string>{"hide", "message:" + message, "show"}
                                                     : std::vector<std::string>{"message:" + message};
    EXPECT_EQ(ui.events, expected);
    EXPECT_EQ(Snapshot(dir.path()), before);
    EXPECT_EQ(state.InputPath, input);
    EXPECT_EQ(state.OutputBase, output);
    EXPECT_EQ(state.modules.records[1].moduleNo, 0.0f);
    EXPECT_TRUE(state.modules.SerialTable[1].empty());
  }
};

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// voltrigg-cli in Japanese, the window's language, so that its messages are the window's.
CliResult Cli(const std::string& args) {
  TempDir io{"voltrigg-catalogue"};
  const std::string command =
      "env LC_ALL=ja_JP.UTF-8 " + std::string(VOLTRIGG_CLI) + " " + args + " >" + (io / "out") + " 2>" + (io / "err");
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(io / "out"), ReadFile(io / "err")};
}

// The same bad input through voltrigg-cli: status 2, the message on stderr,
// nothing on stdout, nothing written. A failed check (status 1) is followed by
// what it compared: the counts, or the count that failed.
void ExpectCliFailure(const Scene& s, const std::string& series, const std::string& parallel,
                      const std::string& message, int status = 2) {
  const auto before = Snapshot(s.dir.path());
  const CliResult r =
      Cli("-s '" + series + "' -p '" + parallel + "' -o '" + s.state.OutputBase + "' '" + s.state.InputPath + "'");
  EXPECT_EQ(r.status, status);
  if (status == 1 && (message.find("1未満") != std::string::npos)) {
    const bool parallel_failed = message.starts_with("並列");
    EXPECT_EQ(r.err, "voltrigg-cli: " + message +
                         "\nvoltrigg-cli: " + (parallel_failed ? "並列 " + parallel : "直列 " + series) + " < 1\n");
  } else if (status == 1) {
    EXPECT_EQ(r.err.rfind("voltrigg-cli: " + message + "\nvoltrigg-cli: モジュール", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("並列 " + parallel + " × 直列 " + series + " = "), std::string::npos) << r.err;
  } else {
    EXPECT_EQ(r.err, "voltrigg-cli: " + message + "\n");
  }
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Snapshot(s.dir.path()), before);
}

}  // namespace

// ---------------------------------------------------------------- count texts

TEST(CatalogueCounts, TextsThatAreNoCountStopBeforeTheWindowHides) {
  struct Case {
    std::string series, parallel, message;
  };
  const std::vector<Case> cases = {
      {"", "2", "直列モジュール数を入力してください"},
      {"   \t ", "2", "直列モジュール数を入力してください"},
      {"2", "", "並列ストリング数を入力してください"},
      {"abc", "2", "直列モジュール数が数値ではありません: \"abc\""},
      {"2", "two", "並列ストリング数が数値ではありません: \"two\""},
      {"1 2", "2", "直列モジュール数が数値ではありません: \"1 2\""},
      {"0x10", "2", "直列モジュール数が数値ではありません: \"0x10\""},
      {"nan", "2", "直列モジュール数が数値ではありません: \"nan\""},
      {"inf", "2", "直列モジュール数が数値ではありません: \"inf\""},
      // Full-width digits are not read as digits: the box asks for half-width ones.
      {"２", "2", "直列モジュール数は半角数字で入力してください: \"２\""},
      {"2", "１０", "並列ストリング数は半角数字で入力してください: \"１０\""},
      {"32768", "2", "直列モジュール数が -32768～32767 の範囲外です: \"32768\""},
      {"-32769", "2", "直列モジュール数が -32768～32767 の範囲外です: \"-32769\""},
      {"2", "1e9", "並列ストリング数が -32768～32767 の範囲外です: \"1e9\""},
      {"32767.5", "2", "直列モジュール数が -32768～32767 の範囲外です: \"32767.5\""},
      {std::string(60, '9'), "2", "直列モジュール数が -32768～32767 の範囲外です: \"" + std::string(40, '9') + "...\""},
      // A long text is cut in the message, never inside a character.
      {"１２３４５６７８９０１２３４", "2",
       "直列モジュール数は半角数字で入力してください: \"１２３４５６７８９０１２３...\""},
      // Both wrong: the series box is converted first, so it is the one named.
      {"x", "y", "直列モジュール数が数値ではありません: \"x\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.series + " / " + c.parallel);
    Scene s;
    s.ui.series = c.series;
    s.ui.parallel = c.parallel;
    s.ExpectFailure(c.message, /*hidden=*/false);
  }
  Scene s;
  ExpectCliFailure(s, "32768", "2", "直列モジュール数が -32768～32767 の範囲外です: \"32768\"");
  ExpectCliFailure(s, "", "2", "直列モジュール数を入力してください");
}

TEST(CatalogueCounts, ProductBeyondSixteenBitsStopsBeforeAnyCheck) {
  Scene s;
  s.ui.series = "200";
  s.ui.parallel = "200";
  s.ExpectFailure("並列ストリング数と直列モジュール数の積 (200 × 200) が -32768～32767 の範囲外です");
  s.ui.series = "-200";
  s.ExpectFailure("並列ストリング数と直列モジュール数の積 (200 × -200) が -32768～32767 の範囲外です");
  ExpectCliFailure(s, "200", "200", "並列ストリング数と直列モジュール数の積 (200 × 200) が -32768～32767 の範囲外です");
}

TEST(CatalogueCounts, CountsBelowOneAreRefusedAfterTheOtherChecks) {
  // -2 x -2 matches the four modules, yet makes no array: nothing is written.
  Scene s;
  s.ui.series = "-2";
  s.ui.parallel = "-2";
  s.ExpectFailure("並列ストリング数が1未満です", true, RunOutcome::CheckFailed);
  ExpectCliFailure(s, "-2", "-2", "並列ストリング数が1未満です", 1);

  // A header alone with P = 0 matches as well.
  Scene empty(kHeader);
  empty.ui.series = "0";
  empty.ui.parallel = "3";
  empty.ExpectFailure("直列モジュール数が1未満です", true, RunOutcome::CheckFailed);
  ExpectCliFailure(empty, "4", "0", "並列ストリング数が1未満です", 1);
}

// ---------------------------------------------------------- module list file

TEST(CatalogueModuleList, FilesThatCannotBeOpenedOrRead) {
  Scene s;
  s.state.InputPath = "";
  s.ExpectFailure("使用するCSVファイルを指定してください");

  s.state.InputPath = s.dir / "missing.csv";
  s.ExpectFailure("モジュールリストファイルを開けません: " + s.state.InputPath);
  ExpectCliFailure(s, "2", "2", "モジュールリストファイルを開けません: " + s.state.InputPath);

  s.state.InputPath = s.dir / "list.csv/inner.csv";  // through a file, not a folder
  s.ExpectFailure("モジュールリストファイルを開けません: " + s.state.InputPath);

  fs::create_directory(s.dir / "folder.csv");
  s.state.InputPath = s.dir / "folder.csv";
  s.ExpectFailure("モジュールリストファイルではなくフォルダが指定されています: " + s.state.InputPath);
  ExpectCliFailure(s, "2", "2", "モジュールリストファイルではなくフォルダが指定されています: " + s.state.InputPath);

  // A file that opens but whose reading fails (the kernel refuses to read
  // address 0 of the process's own memory, for root too).
  s.state.InputPath = "/proc/self/mem";
  s.ExpectFailure("モジュールリストファイルを読み込めません: /proc/self/mem");
}

TEST(CatalogueModuleList, FileWithoutReadPermission) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads files whatever their permissions";
  Scene s;
  fs::permissions(s.state.InputPath, fs::perms::none);
  s.ExpectFailure("モジュールリストファイルを開けません: " + s.state.InputPath);
}

TEST(CatalogueModuleList, EmptyAndHeaderOnlyListsFailTheCountCheck) {
  // An empty file reads as -1 modules, a header alone as 0: neither is 2 x 2.
  for (const std::string& bytes : {std::string(), kHeader, std::string("\r\n\r\n   \r\n")}) {
    Scene s(bytes);
    s.ExpectFailure("モジュール枚数があいません", true, RunOutcome::CheckFailed);
    ExpectCliFailure(s, "2", "2", "モジュール枚数があいません", 1);
  }
}

TEST(CatalogueModuleList, MalformedRowsNameTheRowAndColumn) {
  struct Case {
    std::string bytes, message;   // message without the trailing path
    std::string after_path = {};  // the line that does not hold seven fields, when one does not
  };
  const std::string two_rows = kHeader + Row(1, 30.2, 8.3) + Row(2, 30.1, 8.2);
  const std::vector<Case> cases = {
      {kHeader + "1,A,250,30",
       "モジュールリストファイルが行の途中で終わっています (データ行 1、5列目「Ipm」がありません): "},
      {"No,S/N,Pmax", "モジュールリストファイルが行の途中で終わっています (見出し行、4列目「Vpm」がありません): "},
      {two_rows + "3,A,250,30,8.3,1",
       "モジュールリストファイルが行の途中で終わっています (データ行 3、7列目「7列中7列目の値」がありません): "},
      {kHeader + "1,A,250,thirty,8.3,1,2\r\n",
       "モジュールリストファイルのデータ行 1、4列目「Vpm」が数値ではありません: \"thirty\" ("},
      {kHeader + "1,A,250,30,あいうえおかきくけこさしすせ,1,2\r\n",
       "モジュールリストファイルのデータ行 1、5列目「Ipm」が数値ではありません: \"あいうえおかきくけこさしす...\" ("},
      {two_rows + "x3,A,250,30,8.3,1,2\r\n",
       "モジュールリストファイルのデータ行 3、1列目「モジュール番号」が数値ではありません: \"x3\" ("},
      // One field too many in a row shifts the rest: fields are counted, not lines.
      {kHeader + "1,A,250,30,8.3,1,2\r\n2,B,250,30,8,3,1,2\r\n",
       "モジュールリストファイルが行の途中で終わっています (データ行 3、2列目「シリアル番号」がありません): ",
       "。3 行目の項目が 8 個です (1 行は 7 "
       "項目です。項目は行ではなく数で数えるので、後の行がずれます。行末に余分なカンマはありませんか)"},
      // A blank spreadsheet row is module 0, which marks an empty slot.
      {kHeader + "1,A,250,\"30\",8.3,1,2\r\n,,,,,,\r\n1,A,2 50,30,8.3,1,2\r\n",
       "モジュールリストファイルのデータ行 2 のモジュール番号が 0 です (スプレッドシートの空の行ではありませんか。"
       "モジュール番号は 0 以外です): "},
      {kHeader + "1,A,250,\"30\",8.3,1,2\r\n1,A,2 50,30,8.3,1,2\r\n",
       "モジュールリストファイルのデータ行 2、3列目「Pmax」が数値ではありません: \"2 50\" ("},
      {kHeader + "1,A,250,30,8.3,1,2\r\n2,\"B,1,1,1,1,1\r\n",
       "モジュールリストファイルのデータ行 2、2列目「シリアル番号」で引用符 \" が閉じられていません: "},
      {kHeader + "1,\"A\"x,250,30,8.3,1,2\r\n",
       "モジュールリストファイルのデータ行 1、2列目「シリアル番号」で閉じ引用符の後に余分な文字があります: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    Scene s(c.bytes);
    const bool parenthesised = c.message.back() == '(';
    s.ExpectFailure(c.message + s.state.InputPath + (parenthesised ? ")" : "") + c.after_path);
  }
}

TEST(CatalogueModuleList, NonFiniteAndOutOfRangeNumberTexts) {
  for (const char* text : {"nan", "NaN", "-nan", "inf", "-inf", "Infinity", "1e39", "-3.5e38", "1e99999", "0x1p3",
                           "1,5", "8.3.1", "1e", "--1", "."}) {
    SCOPED_TRACE(text);
    // The text stands in the Ipm column; "1,5" splits into 1 and 5, shifting the row.
    const bool splits = std::string(text) == "1,5";
    Scene s(kHeader + "1,A,250,30," + text + ",1,2\r\n");
    const std::string shown = splits ? "2" : text;
    const std::string column = splits ? "データ行 2、1列目「モジュール番号」" : "データ行 1、5列目「Ipm」";
    if (splits) {
      s.ExpectFailure(
          "モジュールリストファイルが行の途中で終わっています (データ行 2、2列目「シリアル番号」がありません): " +
          s.state.InputPath +
          "。2 行目の項目が 8 個です (1 行は 7 "
          "項目です。項目は行ではなく数で数えるので、後の行がずれます。行末に余分なカンマはありませんか)");
    } else {
      s.ExpectFailure("モジュールリストファイルの" + column + "が数値ではありません: \"" + shown + "\" (" +
                      s.state.InputPath + ")");
    }
  }
  // Too small for a float is not an error: it reads as (nearly) zero.
  ModuleTable t;
  std::istringstream tiny(kHeader + "1,A,1e-60,30,8.3,1,2\r\n");
  EXPECT_EQ(LoadModuleList(tiny, "tiny", t), 1);
  EXPECT_EQ(t.records[1].pmax, 0.0f);
}

TEST(CatalogueModuleList, TooManyRows) {
  std::string bytes = kHeader;
  for (int i = 1; i <= 2002; ++i) bytes += Row(i, 30, 8);
  Scene s(bytes);
  s.ExpectFailure("モジュールリストファイルのデータ行が多すぎます (データ行 2002、読み込めるのは2001行まで): " +
                  s.state.InputPath);
  ExpectCliFailure(
      s, "2", "2",
      "モジュールリストファイルのデータ行が多すぎます (データ行 2002、読み込めるのは2001行まで): " + s.state.InputPath);
}

TEST(CatalogueModuleList, NulBytesAndFilesThatAreNotText) {
  const std::string nul(1, '\0');
  const std::vector<std::string> files = {
      kHeader + "1,A" + nul + "B,250,30,8.3,1,2\r\n",              // inside a field
      nul + kHeader,                                               // at the very start
      kHeader + Row(1, 30, 8) + nul + nul + "\x01\x02",            // after a complete row
      kHeader + Row(1, 30, 8) + "\r\n" + nul,                      // after the last line end
      std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20),  // an image
      std::string("N\0o\0,\0S\0/\0N\0", 12),                       // UTF-16 text
      std::string("\x1f\x8b\x08\0\0\0\0\0\0\x03", 10),             // gzip
  };
  for (const std::string& bytes : files) {
    Scene s(bytes);
    s.ExpectFailure("モジュールリストファイルにNUL文字があります (テキストファイルではありません): " +
                    s.state.InputPath);
  }
  Scene s(files[2]);
  ExpectCliFailure(
      s, "1", "1",
      "モジュールリストファイルにNUL文字があります (テキストファイルではありません): " + s.state.InputPath);

  // Binary bytes without NUL and without separators: one endless first field.
  std::mt19937 rng(11);
  std::string noise;
  while (noise.size() < 70000) {
    const char c = static_cast<char>(rng() % 256);
    if (c != '\0' && c != ',' && c != '\r' && c != '\n' && c != '"' && c != ' ' && c != '\t') noise += c;
  }
  Scene n(noise);
  n.ExpectFailure("モジュールリストファイルの見出し行、1列目「モジュール番号」が長すぎます (64 KiB を超えています): " +
                  n.state.InputPath);
}

TEST(CatalogueModuleList, ValuesThatOverflowAFloatSumOrTheModuleNumber) {
  const std::string float_error = "計算中に浮動小数点エラーが発生しました (";
  const std::string float_tail = ": オーバーフローまたは無効な演算)。モジュールリストの値を確認してください";
  // Two Pmax values of 3e38 overflow the simple sum.
  Scene pmax(kHeader + "1,A,3e38,30,8.3,1,2\r\n2,B,3e38,30.1,8.3,1,2\r\n");
  pmax.ui.series = "2";
  pmax.ui.parallel = "1";
  pmax.ExpectFailure(float_error + "Simple Sum of Module Pmax" + float_tail);
  ExpectCliFailure(pmax, "2", "1", float_error + "Simple Sum of Module Pmax" + float_tail);

  // Voltages of 3e38 pass the "Minimum" figures (their minima start at the
  // 1000 V ceiling) and overflow the string voltage of the initial arrangement.
  Scene vpm(kHeader + "1,A,250,3e38,8.3,1,2\r\n2,B,250,3e38,8.4,1,2\r\n");
  vpm.ui.series = "2";
  vpm.ui.parallel = "1";
  vpm.ExpectFailure(float_error + "Initial Array" + float_tail);

  // Currents of 3e38 in parallel overflow the array current.
  Scene ipm(kHeader + "1,A,250,30,3e38,1,2\r\n2,B,250,30,3.1e38,1,2\r\n");
  ipm.ui.series = "1";
  ipm.ui.parallel = "2";
  ipm.ExpectFailure(float_error + "Minimum Array" + float_tail);

  // The module number the baseline step keeps must fit in 16 bits.
  Scene number(kHeader + "1,A,250,30,8.3,1,2\r\n40000,B,250,29,8.4,1,2\r\n");
  number.ui.series = "2";
  number.ui.parallel = "1";
  number.ExpectFailure("モジュール番号 40000 が -32768～32767 の範囲外です");
}

namespace {

// Yields `total` bytes of 'x' without holding them: a file of any size.
class EndlessLine : public std::streambuf {
 public:
  explicit EndlessLine(std::uint64_t total) : left_(total), chunk_(64 * 1024, 'x') {}
  std::uint64_t served() const { return served_; }

 protected:
  int_type underflow() override {
    if (left_ == 0) return traits_type::eof();
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left_, chunk_.size()));
    left_ -= n;
    served_ += n;
    setg(chunk_.data(), chunk_.data(), chunk_.data() + n);
    return traits_type::to_int_type(chunk_[0]);
  }

 private:
  std::uint64_t left_;
  std::uint64_t served_ = 0;
  std::string chunk_;
};

// Serves `text`, then fails as a disk read error would.
class FailingAfter : public std::streambuf {
 public:
  explicit FailingAfter(std::string text) : text_(std::move(text)) {}

 protected:
  int_type underflow() override {
    if (!given_) {
      given_ = true;
      setg(text_.data(), text_.data(), text_.data() + text_.size());
      return traits_type::to_int_type(text_[0]);
    }
    throw std::ios_base::failure("read error");
  }

 private:
  std::string text_;
  bool given_ = false;
};

}  // namespace

TEST(CatalogueModuleList, GigabyteLineWithoutCommaStopsAtTheFieldLimit) {
  constexpr std::uint64_t kGigabyte = 1ull << 30;
  EndlessLine source(kGigabyte);
  std::istream in(&source);
  ModuleTable t;
  const auto start = std::chrono::steady_clock::now();
  try {
    LoadModuleList(in, "huge.csv", t);
    FAIL() << "a 1 GB field was accepted";
  } catch (const RunError& e) {
    EXPECT_STREQ(
        e.what(),
        "モジュールリストファイルの見出し行、1列目「モジュール番号」が長すぎます (64 KiB を超えています): huge.csv");
  }
  EXPECT_LE(source.served(), 4u * FieldReader::kMaxFieldBytes);  // read no further than the limit needs
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  // The same through a run, from a pipe that would deliver 1 GB: the writer
  // learns the reader is gone long before.
  Scene s;
  const std::string pipe = s.dir / "pipe.csv";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  s.state.InputPath = pipe;
  ::signal(SIGPIPE, SIG_IGN);
  std::atomic<std::uint64_t> written{0};
  std::thread writer([&] {
    std::FILE* f = std::fopen(pipe.c_str(), "wb");
    if (f == nullptr) return;
    const std::string chunk(64 * 1024, 'x');
    while (written < kGigabyte && std::fwrite(chunk.data(), 1, chunk.size(), f) == chunk.size())
      written += chunk.size();
    std::fclose(f);
  });
  s.ExpectFailure("モジュールリストファイルの見出し行、1列目「モジュール番号」が長すぎます (64 KiB を超えています): " +
                  pipe);
  // Should the run never have opened the pipe, open it here so the writer ends.
  const int unblock = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  if (unblock >= 0) ::close(unblock);
  writer.join();
  EXPECT_LT(written.load(), 64u << 20);
}

TEST(CatalogueModuleList, ReadFailureAfterCompleteRowsIsNotTheEndOfTheFile) {
  for (const std::string& text : {kHeader + Row(1, 30, 8), kHeader + Row(1, 30, 8) + "2,B,250"}) {
    FailingAfter source(text);
    std::istream in(&source);
    ModuleTable t;
    try {
      LoadModuleList(in, "disk.csv", t);
      ADD_FAILURE() << "a failed read was taken for the end of the file";
    } catch (const RunError& e) {
      EXPECT_STREQ(e.what(), "モジュールリストファイルを読み込めません: disk.csv");
    }
  }
}

// ---------------------------------------------------------------- result file

TEST(CatalogueResultFile, FolderMissingUnwritableOrNoName) {
  Scene s;
  s.state.OutputBase = "";
  s.ExpectFailure("出力データファイル名を入力してください");
  s.state.OutputBase = s.dir / "";
  s.ExpectFailure("出力データファイル名を入力してください");

  s.state.OutputBase = s.dir / "no-such-folder/result";
  s.ExpectFailure("結果ファイルを作成できません: " + s.state.OutputBase + ".csv (No such file or directory)");
  ExpectCliFailure(s, "2", "2",
                   "結果ファイルを作成できません: " + s.state.OutputBase + ".csv (No such file or directory)");

  // A folder nobody can write into, root included: one reached through a file.
  s.state.OutputBase = s.dir / "list.csv/result";
  s.ExpectFailure("結果ファイルを作成できません: " + s.state.OutputBase + ".csv (Not a directory)");

  fs::create_directory(s.dir / "taken.csv");
  s.state.OutputBase = s.dir / "taken";
  s.ExpectFailure("結果ファイルと同じ名前のフォルダがあります: " + s.state.OutputBase + ".csv");
}

TEST(CatalogueResultFile, ReadOnlyFolder) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  Scene s;
  fs::create_directory(s.dir / "locked");
  fs::permissions(s.dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  s.state.OutputBase = s.dir / "locked/result";
  s.ExpectFailure("結果ファイルを作成できません: " + s.state.OutputBase + ".csv (Permission denied)");
}

TEST(CatalogueResultFile, WriteFailingPartWayKeepsTheOldFileAndLeavesNoTemporary) {
  TempDir dir{"voltrigg-catalogue"};
  const std::string target = dir / "result.csv";
  WriteFile(target, "older result\r\n");
  const std::string bytes(20000, 'r');
  for (std::size_t fail_at : {std::size_t{0}, std::size_t{4096}, std::size_t{16384}}) {
    SCOPED_TRACE(fail_at);
    std::vector<std::size_t> calls;
    try {
      WriteFileAtomically(target, bytes, [&](std::size_t written) {
        calls.push_back(written);
        return written >= fail_at;
      });
      FAIL() << "the injected failure was not reported";
    } catch (const RunError& e) {
      EXPECT_STREQ(e.what(), ("結果ファイルを書き込めません: " + target + " (書き込みに失敗しました)").c_str());
    }
    EXPECT_EQ(calls.back(), fail_at);  // it failed where it was told to, part way
    EXPECT_EQ(Snapshot(dir.path()), (std::map<std::string, std::string>{{"result.csv", "older result\r\n"}}));
  }
  // Without a failure the same call replaces the file whole.
  WriteFileAtomically(target, bytes);
  EXPECT_EQ(Snapshot(dir.path()), (std::map<std::string, std::string>{{"result.csv", bytes}}));
}

namespace {
// Open file descriptors of this process.
int OpenDescriptors() {
  int count = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++count;
  return count;
}
}  // namespace

TEST(CatalogueResultFile, ThrowingWriteHookClosesAndRemovesTheTemporary) {
  TempDir dir{"voltrigg-catalogue"};
  const std::string target = dir / "result.csv";
  WriteFile(target, "older result\r\n");
  const int descriptors = OpenDescriptors();
  for (std::size_t throw_at : {std::size_t{0}, std::size_t{8192}}) {
    SCOPED_TRACE(throw_at);
    EXPECT_THROW(WriteFileAtomically(target, std::string(20000, 'r'),
                                     [&](std::size_t written) {
                                       if (written >= throw_at) throw std::runtime_error("injected");
                                       return false;
                                     }),
                 std::runtime_error);
    EXPECT_EQ(Snapshot(dir.path()), (std::map<std::string, std::string>{{"result.csv", "older result\r\n"}}));
    EXPECT_EQ(OpenDescriptors(), descriptors);
  }
}

TEST(CatalogueResultFile, AnyNameTheFileSystemTakesWorks) {
  // Up to 255 bytes with ".csv" (NAME_MAX of the usual file systems), in
  // ASCII and in three-byte UTF-8 characters; the temporary file beside the
  // result has a short name of its own, so no length in between fails.
  std::vector<std::string> names;
  for (std::size_t length : {1u, 100u, 237u, 238u, 244u, 250u, 251u}) names.push_back(std::string(length, 'r'));
  std::string japanese;
  while (japanese.size() + 3 <= 251) japanese += "結";
  names.push_back(japanese);
  for (const std::string& name : names) {
    SCOPED_TRACE(name.size());
    Scene s;
    fs::remove(s.dir / "result.csv");
    s.state.OutputBase = s.dir / name;
    ASSERT_EQ(CalculationRun(s.state, s.ui), RunOutcome::Completed) << s.ui.events[1];
    const auto files = Snapshot(s.dir.path());
    EXPECT_EQ(files.size(), 2u);  // the list and the result, no temporary file
    ASSERT_EQ(files.count(name + ".csv"), 1u);
    EXPECT_EQ(files.at(name + ".csv").rfind("\"Input Filename=\",\"list.csv\"\r\n", 0), 0u);
  }

  // One byte more than the file system takes: refused, nothing left behind.
  Scene s;
  s.state.OutputBase = s.dir / std::string(252, 'r');
  s.ExpectFailure("結果ファイルを書き込めません: " + s.state.OutputBase + ".csv (File name too long)");
}
