// Module list reading, the sorted load, the count conversion and the checks.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "input/module_list.h"
#include "input/number_text.h"
#include "input/run_counts.h"
#include "input/run_error.h"

using namespace voltrigg;
using namespace std::string_literals;

namespace {

const char* kHeader = "No,S/N,Pmax,Vpm,Ipm,Voc,Isc\r\n";

struct Loaded {
  ModuleTable table;
  std::int16_t count = 0;
};

Loaded Load(const std::string& text) {
  Loaded l;
  std::istringstream in(text);
  l.count = LoadModuleList(in, "test.csv", l.table);
  return l;
}

std::string LoadError(const std::string& text) {
  try {
    Load(text);
  } catch (const RunError& e) {
    return e.what();
  }
  return "(no error)";
}

std::vector<int> Order(const Loaded& l) {
  std::vector<int> numbers;
  for (int k = 1; k <= l.count; ++k) numbers.push_back(static_cast<int>(l.table.records[k].moduleNo));
  return numbers;
}

std::string Row(int no, double vpm, double ipm) {
  return std::to_string(no) + ",SN" + std::to_string(no) + ",250," + std::to_string(vpm) + "," +
         std::to_string(ipm) + ",37,8.8\r\n";
}

}  // namespace

TEST(SortedLoad, WorkedExampleOrdersByCurrentThenVoltageLaterReadFirst) {
  const Loaded l = Load(std::string(kHeader) + Row(1, 30.2, 8.30) + Row(2, 30.0, 8.25) + Row(3, 30.5, 8.30) +
                        Row(4, 30.2, 8.30) + Row(5, 29.8, 8.40));
  EXPECT_EQ(l.count, 5);
  EXPECT_EQ(Order(l), (std::vector<int>{2, 4, 1, 3, 5}));
  // Serial numbers travel with their rows.
  EXPECT_EQ(l.table.SerialTable[1], "SN2");
  EXPECT_EQ(l.table.SerialTable[5], "SN5");
  EXPECT_EQ(l.table.records[6].moduleNo, 0.0f);
}

TEST(SortedLoad, IdenticalRowsStandLaterReadFirst) {
  const Loaded l = Load(std::string(kHeader) + Row(1, 30, 8) + Row(2, 30, 8) + Row(3, 30, 8) + Row(4, 29, 8));
  EXPECT_EQ(Order(l), (std::vector<int>{4, 3, 2, 1}));
}

TEST(SortedLoad, RandomListsEndSortedWithEveryRowKept) {
  unsigned seed = 12345;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (int round = 0; round < 200; ++round) {
    std::string text = kHeader;
    const int rows = 1 + static_cast<int>(next() % 40);
    for (int r = 1; r <= rows; ++r) text += Row(r, 29 + next() % 4, 8 + 0.1 * (next() % 3));
    const Loaded l = Load(text);
    ASSERT_EQ(l.count, rows);
    std::vector<int> seen(rows + 1, 0);
    for (int k = 1; k <= rows; ++k) {
      ++seen[static_cast<int>(l.table.records[k].moduleNo)];
      if (k > 1) {
        const ModuleRecord& a = l.table.records[k - 1];
        const ModuleRecord& b = l.table.records[k];
        ASSERT_TRUE(a.ipm < b.ipm || (a.ipm == b.ipm && a.vpm <= b.vpm)) << "round " << round << " slot " << k;
        if (a.ipm == b.ipm && a.vpm == b.vpm) {
          ASSERT_GT(a.moduleNo, b.moduleNo);  // later read first
        }
      }
    }
    for (int r = 1; r <= rows; ++r) ASSERT_EQ(seen[r], 1);
  }
}

TEST(SortedLoad, RowNumberedZeroIsNeverOverwritten) {
  // The zero-numbered row is pushed into the last slot by a lower current.
  const Loaded l = Load(std::string(kHeader) + Row(0, 30, 9) + Row(1, 30, 8));
  EXPECT_EQ(l.count, 2);
  EXPECT_EQ(l.table.SerialTable[1], "SN1");
  EXPECT_EQ(l.table.SerialTable[2], "SN0");
}

TEST(SortedLoad, HeaderOnlyEmptyFileAndTrailingBlankLines) {
  EXPECT_EQ(Load(kHeader).count, 0);
  EXPECT_EQ(Load("").count, -1);
  EXPECT_EQ(Load("\r\n\r\n").count, -1);
  EXPECT_EQ(Load(std::string(kHeader) + Row(1, 30, 8) + "\r\n\r\n  \r\n").count, 1);
}

TEST(SortedLoad, CapacityIs2001Rows) {
  std::string text = kHeader;
  for (int r = 1; r <= 2001; ++r) text += Row(r, 30, 8 + r * 0.001);
  const Loaded l = Load(text);
  EXPECT_EQ(l.count, 2001);
  EXPECT_EQ(l.table.records[2001].moduleNo, 2001.0f);
  text += Row(2002, 30, 9);
  EXPECT_EQ(LoadError(text),
            "モジュールリストファイルのデータ行が多すぎます (データ行 2002、読み込めるのは2001行まで): test.csv");
}

TEST(FieldSyntax, FieldsAreCountedNotLines) {
  // An eight-field header shifts every row by one field.
  const Loaded l = Load("h1,h2,h3,h4,h5,h6,h7,0\r\n1,1001,250,30,8,37,8.8\r\n2,1002,250,31,9,37\r\n");
  ASSERT_EQ(l.count, 2);
  EXPECT_EQ(l.table.records[1].moduleNo, 0.0f);
  EXPECT_EQ(l.table.SerialTable[1], "1");
  EXPECT_EQ(l.table.records[1].ipm, 30.0f);
  EXPECT_EQ(l.table.records[2].moduleNo, 8.8f);
  EXPECT_EQ(l.table.records[2].pmax, 1002.0f);
  // A trailing comma opens one more, empty field: the next row's module number.
  EXPECT_EQ(LoadError(std::string(kHeader) + "1,A,250,30,8,37,8.8,\r\n"),
            "モジュールリストファイルが行の途中で終わっています (データ行 2、2列目「シリアル番号」がありません): test.csv");
}

TEST(FieldSyntax, QuotesCommasSignsExponentsAndEmptyFields) {
  const Loaded l = Load(std::string(kHeader) + "  \"7\",\"A,\"\"B\"\" 1\",+2.5e2,3.0E1,,-1,\r\n");
  ASSERT_EQ(l.count, 1);
  const ModuleRecord& r = l.table.records[1];
  EXPECT_EQ(r.moduleNo, 7.0f);
  EXPECT_EQ(l.table.SerialTable[1], "A,\"B\" 1");
  EXPECT_EQ(r.pmax, 250.0f);
  EXPECT_EQ(r.vpm, 30.0f);
  EXPECT_EQ(r.ipm, 0.0f);
  EXPECT_EQ(r.extra1, -1.0f);
  EXPECT_EQ(r.extra2, 0.0f);
}

TEST(FieldSyntax, BytesPassThroughUnchangedAndLineEndsVary) {
  // UTF-8 with a byte order mark, then a Shift-JIS serial and bare LF line ends.
  const std::string sjis = "\x83\x82\x83\x57\x83\x85\x81\x5B\x83\x8B";
  const Loaded l = Load("\xEF\xBB\xBFNo,S/N,Pmax,Vpm,Ipm,a,b\n1,\"" + sjis + "\",250,30,8,1,2\n2,モジュール2,250,30,9,1,2");
  ASSERT_EQ(l.count, 2);
  EXPECT_EQ(l.table.SerialTable[1], sjis);
  EXPECT_EQ(l.table.SerialTable[2], "モジュール2");
}

TEST(FieldSyntax, NumbersAreCorrectlyRoundedFloats) {
  float v = 0;
  ASSERT_TRUE(ParseNumberField("8.30", v));
  EXPECT_EQ(v, 8.30f);
  ASSERT_TRUE(ParseNumberField("1e-50", v));
  EXPECT_EQ(v, 0.0f);
  for (const char* bad : {"inf", "nan", "-inf", "1e39", "30V", "0x10", "1,5", ".", "e5", "1e", "--1"}) {
    EXPECT_FALSE(ParseNumberField(bad, v)) << bad;
  }
}

TEST(LoadErrors, MessagesNameRowColumnAndFile) {
  EXPECT_EQ(LoadError(std::string(kHeader) + "1,A,250,30,8"),
            "モジュールリストファイルが行の途中で終わっています (データ行 1、6列目「7列中6列目の値」がありません): "
            "test.csv");
  EXPECT_EQ(LoadError("No,S/N"), "モジュールリストファイルが行の途中で終わっています (見出し行、3列目「Pmax」がありません): test.csv");
  EXPECT_EQ(LoadError(std::string(kHeader) + Row(1, 30, 8) + "2,B,250,abc,8,1,2\r\n"),
            "モジュールリストファイルのデータ行 2、4列目「Vpm」が数値ではありません: \"abc\" (test.csv)");
  EXPECT_EQ(LoadError(std::string(kHeader) + "1,\"A,250,30,8,1,2\r\n"),
            "モジュールリストファイルのデータ行 1、2列目「シリアル番号」で引用符 \" が閉じられていません: test.csv");
  EXPECT_EQ(LoadError(std::string(kHeader) + "1,\"A\"x,250,30,8,1,2\r\n"),
            "モジュールリストファイルのデータ行 1、2列目「シリアル番号」で閉じ引用符の後に余分な文字があります: test.csv");
  EXPECT_EQ(LoadError(std::string(kHeader) + "1,A" + std::string(70000, 'x') + ",250,30,8,1,2\r\n"),
            "モジュールリストファイルのデータ行 1、2列目「シリアル番号」が長すぎます (64 KiB を超えています): test.csv");
  EXPECT_EQ(LoadError(std::string(kHeader) + "1,A\0,250,30,8,1,2\r\n"s),
            "モジュールリストファイルにNUL文字があります (テキストファイルではありません): test.csv");
}

TEST(LoadErrors, PathsThatCannotBeRead) {
  ModuleTable t;
  try {
    LoadModuleList(std::string(), t);
    FAIL();
  } catch (const RunError& e) {
    EXPECT_STREQ(e.what(), "使用するCSVファイルを指定してください");
  }
  EXPECT_THROW(LoadModuleList(std::string("/nonexistent/modules.csv"), t), RunError);
  EXPECT_THROW(LoadModuleList(std::string("/tmp"), t), RunError);
}

TEST(CountConversion, RoundsHalfToEvenWithinSixteenBits) {
  EXPECT_EQ(ConvertCount("12.5", CountBox::Series), 12);
  EXPECT_EQ(ConvertCount("13.5", CountBox::Series), 14);
  EXPECT_EQ(ConvertCount(" 7 ", CountBox::Series), 7);
  EXPECT_EQ(ConvertCount("\t+20\t", CountBox::Series), 20);
  EXPECT_EQ(ConvertCount("-0.5", CountBox::Series), 0);
  EXPECT_EQ(ConvertCount("1e2", CountBox::Parallel), 100);
  EXPECT_EQ(ConvertCount("-32768", CountBox::Parallel), -32768);
  EXPECT_EQ(ConvertCount("32767.4", CountBox::Parallel), 32767);
  EXPECT_EQ(ConvertCount("1e-400", CountBox::Parallel), 0);
}

TEST(CountConversion, BadTextsNameTheirBox) {
  auto error = [](const char* text, CountBox box) -> std::string {
    try {
      ConvertCount(text, box);
    } catch (const RunError& e) {
      return e.what();
    }
    return "(no error)";
  };
  EXPECT_EQ(error("", CountBox::Series), "直列モジュール数を入力してください");
  EXPECT_EQ(error("   ", CountBox::Parallel), "並列ストリング数を入力してください");
  EXPECT_EQ(error("abc", CountBox::Series), "直列モジュール数が数値ではありません: \"abc\"");
  EXPECT_EQ(error("１０", CountBox::Series), "直列モジュール数は半角数字で入力してください: \"１０\"");
  EXPECT_EQ(error("32767.5", CountBox::Parallel), "並列ストリング数が -32768～32767 の範囲外です: \"32767.5\"");
  EXPECT_EQ(error("-32769", CountBox::Series), "直列モジュール数が -32768～32767 の範囲外です: \"-32769\"");
  EXPECT_EQ(error("1e400", CountBox::Series), "直列モジュール数が -32768～32767 の範囲外です: \"1e400\"");
  // The series box is read first, so its error wins.
  try {
    ReadRunCounts("x", "y");
    FAIL();
  } catch (const RunError& e) {
    EXPECT_STREQ(e.what(), "直列モジュール数が数値ではありません: \"x\"");
  }
}

TEST(RunChecks, FirstFailingCheckIsTheOnlyMessage) {
  EXPECT_EQ(CheckRunInputs(1000, 20, 50), std::nullopt);
  EXPECT_EQ(CheckRunInputs(1200, 20, 60), "モジュール総数が1000を超えています");
  EXPECT_EQ(CheckRunInputs(210, 21, 10), "直列モジュール数が20を超えています");
  EXPECT_EQ(CheckRunInputs(500, 10, 101), "モジュール枚数があいません");
  EXPECT_EQ(CheckRunInputs(1010, 10, 101), "モジュール総数が1000を超えています");
  EXPECT_EQ(CheckRunInputs(100, 1, 100), std::nullopt);
  EXPECT_EQ(CheckRunInputs(1010 / 10 * 1, 1, 101), "並列ストリング数が100を超えています");
  EXPECT_EQ(CheckRunInputs(-1, 5, 0), "モジュール枚数があいません");  // empty file
  EXPECT_THROW(CheckRunInputs(0, 200, 200), RunError);
}

TEST(RunChecks, CountsBelowOneFailAfterTheOtherFour) {
  // Two negative counts match the list's size, a zero count an empty list.
  EXPECT_EQ(CheckRunInputs(60, -10, -6), "並列ストリング数が1未満です");
  EXPECT_EQ(CheckRunInputs(0, 5, 0), "並列ストリング数が1未満です");  // header only
  EXPECT_EQ(CheckRunInputs(0, 0, 5), "直列モジュール数が1未満です");
  EXPECT_EQ(CheckRunInputs(0, -200, 0), "並列ストリング数が1未満です");
  EXPECT_EQ(CheckRunInputs(20, -1, -20), "並列ストリング数が1未満です");
  // The four come first: a mismatch, and the upper limits.
  EXPECT_EQ(CheckRunInputs(61, -10, -6), "モジュール枚数があいません");
  EXPECT_EQ(CheckRunInputs(2100, -21, -100), "モジュール総数が1000を超えています");
  EXPECT_EQ(CheckRunInputs(210, -1, -210), "並列ストリング数が1未満です");
  EXPECT_EQ(CheckRunInputs(1, 1, 1), std::nullopt);
}
