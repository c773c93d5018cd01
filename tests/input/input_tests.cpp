// Module list reading, the sorted load, the count conversion and the checks.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/shared/text_catalogue.h"
#include "input/list_warnings.h"
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
  return std::to_string(no) + ",SN" + std::to_string(no) + ",250," + std::to_string(vpm) + "," + std::to_string(ipm) +
         ",37,8.8\r\n";
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

TEST(SortedLoad, ModuleNumberZeroIsRefusedNamingItsRow) {
  // A blank spreadsheet row reads as module 0 with zero values; 0 marks an
  // empty slot, so such a row is never taken as a module.
  EXPECT_EQ(LoadError(std::string(kHeader) + Row(1, 30, 8) + ",,,,,,\r\n" + Row(3, 30, 8)),
            "モジュールリストファイルのデータ行 2 のモジュール番号が 0 です (スプレッドシートの空の行ではありませんか。"
            "モジュール番号は 0 以外です): test.csv");
  EXPECT_NE(LoadError(std::string(kHeader) + Row(0, 30, 9) + Row(1, 30, 8)).find("データ行 1 のモジュール番号が 0"),
            std::string::npos);
  EXPECT_NE(LoadError(std::string(kHeader) + "-0,A,250,30,8,1,2\r\n").find("モジュール番号が 0"), std::string::npos);
}

TEST(SortedLoad, ATableThatIsNotEmptyIsClearedFirst) {
  // A longer list, then a shorter one into the same table: nothing of the
  // first may stay after the rows of the second.
  Loaded l = Load(std::string(kHeader) + Row(1, 30, 8) + Row(2, 31, 8.5) + Row(3, 29, 9) + Row(4, 33, 9.5));
  std::istringstream second(std::string(kHeader) + Row(7, 30, 9) + Row(8, 32, 8));
  ASSERT_EQ(LoadModuleList(second, "second.csv", l.table), 2);
  const Loaded fresh = Load(std::string(kHeader) + Row(7, 30, 9) + Row(8, 32, 8));
  for (int k = 0; k <= kModuleSlots; ++k) {
    ASSERT_EQ(l.table.records[k].moduleNo, fresh.table.records[k].moduleNo) << k;
    ASSERT_EQ(l.table.records[k].vpm, fresh.table.records[k].vpm) << k;
    ASSERT_EQ(l.table.SerialTable[k], fresh.table.SerialTable[k]) << k;
  }
  // A table whose vectors were shrunk gets its capacity back.
  ModuleTable shrunk;
  shrunk.records.resize(2);
  shrunk.SerialTable.clear();
  std::istringstream list(std::string(kHeader) + Row(1, 30, 8) + Row(2, 31, 8.5) + Row(3, 29, 9));
  ASSERT_EQ(LoadModuleList(list, "list.csv", shrunk), 3);
  EXPECT_EQ(shrunk.records.size(), static_cast<std::size_t>(kModuleSlots + 1));
  EXPECT_EQ(shrunk.SerialTable[3], "SN3");
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
  const Loaded l = Load("h1,h2,h3,h4,h5,h6,h7,9\r\n1,1001,250,30,8,37,8.8\r\n2,1002,250,31,9,37\r\n");
  ASSERT_EQ(l.count, 2);
  EXPECT_EQ(l.table.records[1].moduleNo, 9.0f);
  EXPECT_EQ(l.table.SerialTable[1], "1");
  EXPECT_EQ(l.table.records[1].ipm, 30.0f);
  EXPECT_EQ(l.table.records[2].moduleNo, 8.8f);
  EXPECT_EQ(l.table.records[2].pmax, 1002.0f);
  // A trailing comma opens one more, empty field: the next row's module
  // number. The message names the line that holds eight.
  EXPECT_EQ(LoadError(std::string(kHeader) + "1,A,250,30,8,37,8.8,\r\n"),
            "モジュールリストファイルが行の途中で終わっています (データ行 2、2列目「シリアル番号」がありません): "
            "test.csv。2 行目の項目が 8 個です (1 行は 7 項目です。項目は行ではなく数で数えるので、後の行がずれます。"
            "行末に余分なカンマはありませんか)");
}

TEST(LoadErrors, LinesWithAFieldTooManyOrTooFewAreNamed) {
  // A trailing comma on every line, header included: the shift shows as a
  // serial number where Pmax belongs; the first line with eight is named.
  std::string text = "No,S/N,Pmax,Vpm,Ipm,Voc,Isc,\r\n";
  for (int k = 0; k < 3; ++k) text += std::to_string(k + 1) + ",FT-000" + std::to_string(k) + ",250,30,8,37,8.8,\r\n";
  std::string e = LoadError(text);
  EXPECT_EQ(
      e.rfind("モジュールリストファイルのデータ行 1、3列目「Pmax」が数値ではありません: \"FT-0000\" (test.csv)。", 0),
      0u)
      << e;
  EXPECT_NE(e.find("1 行目の項目が 8 個です"), std::string::npos) << e;
  // A field too few on line 3 shifts line 4 into row 2.
  e = LoadError(std::string(kHeader) + Row(1, 30, 8) + "2,B,250,30,8,37\r\n" + Row(3, 30, 8));
  EXPECT_NE(e.find("3 行目の項目が 6 個です (1 行は 7 項目です。"), std::string::npos) << e;
  EXPECT_EQ(e.find("余分なカンマ"), std::string::npos) << e;
  // Lines of seven give the message alone.
  EXPECT_EQ(LoadError(std::string(kHeader) + "1,A,250,x,8,1,2\r\n"),
            "モジュールリストファイルのデータ行 1、4列目「Vpm」が数値ではありません: \"x\" (test.csv)");
}

TEST(LoadErrors, OtherSeparatorsAndAResultFileAreNamed) {
  EXPECT_EQ(LoadError("No;S/N;Pmax;Vpm;Ipm;Voc;Isc\r\n1;A;250;30;8;37;8.8\r\n"),
            "モジュールリストファイルの区切りが「セミコロン」です (カンマ区切りで保存してください): test.csv");
  EXPECT_EQ(LoadError("No\tS/N\tPmax\tVpm\tIpm\tVoc\tIsc\r\n1\tA\t250\t30\t8\t37\t8.8\r\n"),
            "モジュールリストファイルの区切りが「タブ」です (カンマ区切りで保存してください): test.csv");
  // Headers are free text: a semicolon or two in a title is fine.
  EXPECT_EQ(Load("No;id,S/N,Pmax,Vpm,Ipm,Voc,Isc\r\n" + Row(1, 30, 8)).count, 1);
  // A semicolon-separated row under a comma header is hinted at in its field.
  EXPECT_NE(LoadError(std::string(kHeader) + "1;A;250;30;8;37;8.8\r\n").find("区切りが「セミコロン」ではありませんか"),
            std::string::npos);
  EXPECT_EQ(LoadError("\"Input Filename=\",\"list.csv\"\r\n\"Simple Sum of Module Pmax [W]=\",500\r\n"),
            "モジュールリストファイルではなく結果ファイルです (1 行目が \"Input Filename=\"): test.csv");
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
  const Loaded l =
      Load("\xEF\xBB\xBFNo,S/N,Pmax,Vpm,Ipm,a,b\n1,\"" + sjis + "\",250,30,8,1,2\n2,モジュール2,250,30,9,1,2");
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
  EXPECT_EQ(LoadError("No,S/N"),
            "モジュールリストファイルが行の途中で終わっています (見出し行、3列目「Pmax」がありません): test.csv");
  EXPECT_EQ(LoadError(std::string(kHeader) + Row(1, 30, 8) + "2,B,250,abc,8,1,2\r\n"),
            "モジュールリストファイルのデータ行 2、4列目「Vpm」が数値ではありません: \"abc\" (test.csv)");
  EXPECT_EQ(LoadError(std::string(kHeader) + "1,\"A,250,30,8,1,2\r\n"),
            "モジュールリストファイルのデータ行 1、2列目「シリアル番号」で引用符 \" が閉じられていません: test.csv");
  EXPECT_EQ(
      LoadError(std::string(kHeader) + "1,\"A\"x,250,30,8,1,2\r\n"),
      "モジュールリストファイルのデータ行 1、2列目「シリアル番号」で閉じ引用符の後に余分な文字があります: test.csv");
  EXPECT_EQ(
      LoadError(std::string(kHeader) + "1,A" + std::string(70000, 'x') + ",250,30,8,1,2\r\n"),
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
  EXPECT_EQ(CheckRunInputs(1200, 20, 60), CountCheck::ModulesOver1000);
  EXPECT_EQ(CheckRunInputs(210, 21, 10), CountCheck::SeriesOver20);
  EXPECT_EQ(CheckRunInputs(500, 10, 101), CountCheck::ModuleCount);
  EXPECT_EQ(CheckRunInputs(1010, 10, 101), CountCheck::ModulesOver1000);
  EXPECT_EQ(CheckRunInputs(100, 1, 100), std::nullopt);
  EXPECT_EQ(CheckRunInputs(1010 / 10 * 1, 1, 101), CountCheck::ParallelOver100);
  EXPECT_EQ(CheckRunInputs(-1, 5, 0), CountCheck::ModuleCount);  // empty file
  EXPECT_THROW(CheckRunInputs(0, 200, 200), RunError);
}

TEST(RunChecks, FactsNameTheCountsTheChecksCompared) {
  EXPECT_EQ(CheckFacts(100, 10, 9), "モジュール 100 枚、並列 9 × 直列 10 = 90");
  EXPECT_EQ(CheckFacts(-1, 5, 2), "モジュールリストファイルが空、並列 2 × 直列 5 = 10");
}

TEST(RunChecks, CountsBelowOneFailAfterTheOtherFour) {
  // Two negative counts match the list's size, a zero count an empty list.
  EXPECT_EQ(CheckRunInputs(60, -10, -6), CountCheck::ParallelBelow1);
  EXPECT_EQ(CheckRunInputs(0, 5, 0), CountCheck::ParallelBelow1);  // header only
  EXPECT_EQ(CheckRunInputs(0, 0, 5), CountCheck::SeriesBelow1);
  EXPECT_EQ(CheckRunInputs(0, -200, 0), CountCheck::ParallelBelow1);
  EXPECT_EQ(CheckRunInputs(20, -1, -20), CountCheck::ParallelBelow1);
  // The four come first: a mismatch, and the upper limits.
  EXPECT_EQ(CheckRunInputs(61, -10, -6), CountCheck::ModuleCount);
  EXPECT_EQ(CheckRunInputs(2100, -21, -100), CountCheck::ModulesOver1000);
  EXPECT_EQ(CheckRunInputs(210, -1, -210), CountCheck::ParallelBelow1);
  EXPECT_EQ(CheckRunInputs(1, 1, 1), std::nullopt);
}

namespace {

std::vector<ListRow> Rows(const std::string& text) {
  std::istringstream in(text);
  ModuleTable table;
  std::vector<ListRow> rows;
  LoadModuleList(in, "test.csv", table, &rows);
  return rows;
}

std::vector<std::string> WarningTexts(const std::string& text, ExtrasUse extras = ExtrasUse::None) {
  std::vector<std::string> out;
  for (const ListWarning& w : ListWarnings(Rows(text), extras)) out.push_back(ListWarningText(w, {}));
  return out;
}

}  // namespace

TEST(ListWarnings, RowsAreInFileOrderAndAnOrdinaryLotHasNone) {
  const std::vector<ListRow> rows = Rows(std::string(kHeader) + Row(3, 30, 9) + Row(1, 31, 8));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].record.moduleNo, 3.0f);
  EXPECT_EQ(rows[1].serial, "SN1");
  std::string text = kHeader;
  for (int r = 1; r <= 50; ++r) text += Row(r, 30 + 0.02 * r, 8 + 0.01 * r);
  EXPECT_TRUE(WarningTexts(text, ExtrasUse::VocIsc).empty());
}

TEST(ListWarnings, DuplicatesValuesAtOrBelowZeroAndTyposNameEveryRow) {
  std::string text = kHeader;
  for (int r = 1; r <= 8; ++r) text += Row(r, 30, 8);
  text += "4,SN9,250,30,8,37,8.8\r\n";      // row 9: number of row 4
  text += "10,SN2,250,30,8,37,8.8\r\n";     // row 10: serial of row 2
  text += "11,SN11,-250,30,8,37,8.8\r\n";   // row 11: negative Pmax
  text += "12,SN12,250,5490,8,37,8.8\r\n";  // row 12: Vpm typed without its point
  text += "13,SN13,250,30,0,37,8.8\r\n";    // row 13: Ipm 0
  EXPECT_EQ(WarningTexts(text), (std::vector<std::string>{
                                    "モジュール番号 4 が 2 回あります: データ行 4, 9",
                                    "シリアル番号 \"SN2\" が 2 回あります: データ行 2, 10",
                                    "Pmax が 0 以下です: データ行 11 (-250 W)",
                                    "Vpm がロットの中央値 30 V から 20 % を超えて離れています: データ行 12 (5490 V)",
                                    "Ipm が 0 以下です: データ行 13 (0 A)",
                                }));
}

TEST(ListWarnings, TenRowsNamedThenACountAndExtrasOnlyWhereUsed) {
  std::string text = kHeader;
  for (int r = 1; r <= 30; ++r) text += Row(r, 30, 8);
  for (int r = 31; r <= 43; ++r) text += std::to_string(r) + ",SN,250,30,8,3.7,8.8\r\n";  // Voc a tenth
  std::vector<std::string> w = WarningTexts(text);
  ASSERT_EQ(w.size(), 1u);  // the repeated serial "SN"; Voc is not used
  EXPECT_EQ(w[0], "シリアル番号 \"SN\" が 13 回あります: データ行 31, 32, 33, 34, 35, 36, 37, 38, 39, 40、ほか 3 行");
  w = WarningTexts(text, ExtrasUse::VocIsc);
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[1].rfind("Voc がロットの中央値 37 V から 20 % を超えて離れています: データ行 31 (3.7 V), 32 (3.7 V)", 0),
            0u)
      << w[1];
  // Columns the other way round: column 7 is Voc, column 6 Isc.
  w = WarningTexts(text, ExtrasUse::IscVoc);
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[1].rfind("Isc がロットの中央値 37 A", 0), 0u) << w[1];
  // Serial numbers are shown through the caller's decoding; empty ones never repeat.
  const std::vector<ListWarning> raw =
      ListWarnings(Rows(std::string(kHeader) + "1,,250,30,8,1,2\r\n2,,250,30,8,1,2\r\n"
                                               "3,\x83\x82,250,30,8,1,2\r\n4,\x83\x82,250,30,8,1,2\r\n"),
                   ExtrasUse::None);
  ASSERT_EQ(raw.size(), 1u);
  EXPECT_EQ(ListWarningText(raw[0], [](const std::string&) { return std::string("モ"); }),
            "シリアル番号 \"モ\" が 2 回あります: データ行 3, 4");
  // Ten warnings named, then a count of the rest.
  std::vector<ListWarning> many(13, raw[0]);
  const std::vector<std::string> lines = ListWarningLines(many, {});
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[10], "ほか 3 件");
  EXPECT_EQ(ListWarningLines(std::vector<ListWarning>(10, raw[0]), {}).size(), 10u);
}
