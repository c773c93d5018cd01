// The catalogue's words for the core's faults, the count checks, the files
// written and the module list's warnings.
#include "app/shared/text_catalogue.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string_view>

#include "input/number_text.h"

namespace voltrigg {

namespace {

std::string N(std::int64_t n) { return std::to_string(n); }

bool Ja(Language language) { return language == Language::Japanese; }

// --- The module list --------------------------------------------------------

constexpr const char* kColumnNamesJa[7] = {"モジュール番号", "シリアル番号",  "Pmax", "Vpm", "Ipm",
                                           "7列中6列目の値", "7列中7列目の値"};
constexpr const char* kColumnNamesEn[7] = {"module number", "serial number", "Pmax",        "Vpm",
                                           "Ipm",           "value 6 of 7",  "value 7 of 7"};

std::string RowName(int row, Language language) {
  if (Ja(language)) return row == 0 ? std::string("見出し行") : "データ行 " + N(row);
  return row == 0 ? std::string("the header line") : "data row " + N(row);
}

std::string Where(const RunFault& f, Language language) {
  const int column = std::clamp(f.column, 0, 6);
  if (Ja(language)) {
    return RowName(f.row, language) + "、" + N(column + 1) + "列目「" + kColumnNamesJa[column] + "」";
  }
  return RowName(f.row, language) + ", column " + N(column + 1) + " (" + kColumnNamesEn[column] + ")";
}

// The first line without seven fields shifts every row after it.
std::string OddLine(const RunFault& f, Language language) {
  if (f.odd_line == 0) return {};
  if (Ja(language)) {
    return "。" + N(f.odd_line) + " 行目の項目が " + N(f.odd_fields) +
           " 個です (1 行は 7 項目です。項目は行ではなく数で数えるので、後の行がずれます" +
           (f.odd_fields > 7 ? std::string("。行末に余分なカンマはありませんか") : std::string()) + ")";
  }
  return ". Line " + N(f.odd_line) + " holds " + N(f.odd_fields) +
         " fields (a row holds 7; fields are counted, not lines, so every row after it is shifted" +
         (f.odd_fields > 7 ? std::string("; is there a comma too many at the end of the line?") : std::string()) + ")";
}

std::string ListFaultJa(const RunFault& f) {
  const std::string& file = f.file;
  switch (f.what) {
    case RunFaultKind::ListNotGiven:
      return "使用するCSVファイルを指定してください";
    case RunFaultKind::ListIsFolder:
      return "モジュールリストファイルではなくフォルダが指定されています: " + file;
    case RunFaultKind::ListCannotOpen:
      return "モジュールリストファイルを開けません: " + file;
    case RunFaultKind::ListReadFailed:
      return "モジュールリストファイルを読み込めません: " + file;
    case RunFaultKind::ListFieldNotANumber: {
      std::string hint;
      if (f.separator == ';') hint = " (区切りが「セミコロン」ではありませんか)";
      if (f.separator == '\t') hint = " (区切りが「タブ」ではありませんか)";
      return "モジュールリストファイルの" + Where(f, Language::Japanese) + "が数値ではありません: \"" + f.value + "\"" +
             hint + " (" + file + ")" + OddLine(f, Language::Japanese);
    }
    case RunFaultKind::ListEndsInsideRow:
      return "モジュールリストファイルが行の途中で終わっています (" + Where(f, Language::Japanese) +
             "がありません): " + file + OddLine(f, Language::Japanese);
    case RunFaultKind::ListUnclosedQuote:
      return "モジュールリストファイルの" + Where(f, Language::Japanese) + "で引用符 \" が閉じられていません: " + file;
    case RunFaultKind::ListTextAfterQuote:
      return "モジュールリストファイルの" + Where(f, Language::Japanese) +
             "で閉じ引用符の後に余分な文字があります: " + file;
    case RunFaultKind::ListFieldTooLong:
      return "モジュールリストファイルの" + Where(f, Language::Japanese) +
             "が長すぎます (64 KiB を超えています): " + file;
    case RunFaultKind::ListNulByte:
      return "モジュールリストファイルにNUL文字があります (テキストファイルではありません): " + file;
    case RunFaultKind::ListIsResultFile:
      return "モジュールリストファイルではなく結果ファイルです (1 行目が \"Input Filename=\"): " + file;
    case RunFaultKind::ListSeparatedBySemicolons:
      return "モジュールリストファイルの区切りが「セミコロン」です (カンマ区切りで保存してください): " + file;
    case RunFaultKind::ListSeparatedByTabs:
      return "モジュールリストファイルの区切りが「タブ」です (カンマ区切りで保存してください): " + file;
    case RunFaultKind::ListModuleNumberZero:
      return "モジュールリストファイルの" + RowName(f.row, Language::Japanese) +
             " のモジュール番号が 0 です (スプレッドシートの空の行ではありませんか。モジュール番号は 0 以外です): " +
             file + OddLine(f, Language::Japanese);
    case RunFaultKind::ListTooManyRows:
      return "モジュールリストファイルのデータ行が多すぎます (" + RowName(f.row, Language::Japanese) +
             "、読み込めるのは" + N(f.numbers[0]) + "行まで): " + file;
    case RunFaultKind::ListIsJson:
      return "モジュールリストファイルではなく JSON ファイルです (モジュールリストはカンマ区切りのテキストです): " +
             file;
    case RunFaultKind::ListIsXml:
      return "モジュールリストファイルではなく XML ファイルです (モジュールリストはカンマ区切りのテキストです): " +
             file;
    case RunFaultKind::ListIsWorkbook:
      return "モジュールリストファイルではなくスプレッドシートのブック (xlsx、xls、ods) です (CSV "
             "形式で保存してください): " +
             file;
    default:
      break;
  }
  return {};
}

std::string ListFaultEn(const RunFault& f) {
  const std::string& file = f.file;
  switch (f.what) {
    case RunFaultKind::ListNotGiven:
      return "no module list is given";
    case RunFaultKind::ListIsFolder:
      return "a folder, not a module list, is given: " + file;
    case RunFaultKind::ListCannotOpen:
      return "cannot open the module list " + file;
    case RunFaultKind::ListReadFailed:
      return "cannot read the module list " + file;
    case RunFaultKind::ListFieldNotANumber: {
      std::string hint;
      if (f.separator == ';') hint = " (is the list separated by semicolons?)";
      if (f.separator == '\t') hint = " (is the list separated by tabs?)";
      return "the module list's " + Where(f, Language::English) + " is not a number: \"" + f.value + "\"" + hint +
             " (" + file + ")" + OddLine(f, Language::English);
    }
    case RunFaultKind::ListEndsInsideRow:
      return "the module list ends inside a row (" + Where(f, Language::English) + " is missing): " + file +
             OddLine(f, Language::English);
    case RunFaultKind::ListUnclosedQuote:
      return "the module list's " + Where(f, Language::English) + " opens a quote \" that is not closed: " + file;
    case RunFaultKind::ListTextAfterQuote:
      return "the module list's " + Where(f, Language::English) + " has text after its closing quote: " + file;
    case RunFaultKind::ListFieldTooLong:
      return "the module list's " + Where(f, Language::English) + " is too long (above 64 KiB): " + file;
    case RunFaultKind::ListNulByte:
      return "the module list holds a NUL byte (it is not a text file): " + file;
    case RunFaultKind::ListIsResultFile:
      return "a result file, not a module list, is given (line 1 is \"Input Filename=\"): " + file;
    case RunFaultKind::ListSeparatedBySemicolons:
      return "the module list is separated by semicolons (save it separated by commas): " + file;
    case RunFaultKind::ListSeparatedByTabs:
      return "the module list is separated by tabs (save it separated by commas): " + file;
    case RunFaultKind::ListModuleNumberZero:
      return "the module list's " + RowName(f.row, Language::English) +
             " has module number 0 (an empty spreadsheet row? module numbers are not 0): " + file +
             OddLine(f, Language::English);
    case RunFaultKind::ListTooManyRows:
      return "the module list has too many data rows (" + RowName(f.row, Language::English) + "; at most " +
             N(f.numbers[0]) + " are read): " + file;
    case RunFaultKind::ListIsJson:
      return "a JSON file, not a module list, is given (a module list is comma-separated text): " + file;
    case RunFaultKind::ListIsXml:
      return "an XML file, not a module list, is given (a module list is comma-separated text): " + file;
    case RunFaultKind::ListIsWorkbook:
      return "a spreadsheet workbook (xlsx, xls, ods), not a module list, is given (save it as CSV): " + file;
    default:
      break;
  }
  return {};
}

// --- The counts -------------------------------------------------------------

std::string BoxName(CountBox box, Language language) {
  if (Ja(language)) return box == CountBox::Series ? "直列モジュール数" : "並列ストリング数";
  return box == CountBox::Series ? "the series count" : "the parallel count";
}

std::string CountFault(const RunFault& f, Language language) {
  const std::string name = BoxName(f.box, language);
  const std::string quoted = "\"" + f.value + "\"";
  const bool ja = Ja(language);
  switch (f.what) {
    case RunFaultKind::CountEmpty:
      return ja ? name + "を入力してください" : name + " is empty";
    case RunFaultKind::CountFullWidthDigits:
      return ja ? name + "は半角数字で入力してください: " + quoted
                : name + " must be written in half-width digits: " + quoted;
    case RunFaultKind::CountNotANumber:
      return ja ? name + "が数値ではありません: " + quoted : name + " is not a number: " + quoted;
    case RunFaultKind::CountOutOfRange:
      return ja ? name + "が -32768～32767 の範囲外です: " + quoted : name + " is outside -32768 to 32767: " + quoted;
    case RunFaultKind::CountProductOutOfRange:
      return ja ? "並列ストリング数と直列モジュール数の積 (" + N(f.numbers[0]) + " × " + N(f.numbers[1]) +
                      ") が -32768～32767 の範囲外です"
                : "the product of the parallel and series counts (" + N(f.numbers[0]) + " × " + N(f.numbers[1]) +
                      ") is outside -32768 to 32767";
    case RunFaultKind::CountCheckFailed:
      return CountCheckText(static_cast<CountCheck>(f.numbers[0]), language);
    default:
      break;
  }
  return {};
}

// --- The calculation ----------------------------------------------------------

std::string CalcFault(const RunFault& f, Language language) {
  const bool ja = Ja(language);
  const std::string limit = N(f.numbers[3]);
  std::string reason;
  switch (f.what) {
    case RunFaultKind::ShapeNotProduct:
      reason = ja ? "モジュール数が直列モジュール数と並列ストリング数の積と違います"
                  : "the modules are not the series count times the parallel count";
      break;
    case RunFaultKind::ShapeModules:
      reason = ja ? "モジュール数は 0～" + limit + " です" : "the modules are 0 to " + limit;
      break;
    case RunFaultKind::ShapeSeries:
      reason = ja ? "直列モジュール数は " + limit + " までです" : "at most " + limit + " in series";
      break;
    case RunFaultKind::ShapeParallel:
      reason = ja ? "並列ストリング数は " + limit + " までです" : "at most " + limit + " in parallel";
      break;
    case RunFaultKind::ShapeTableSlots:
      reason = ja ? "表の大きさが足りません: " + limit + " 項目" : "the tables hold only " + limit + " entries";
      break;
    case RunFaultKind::ModuleNumberOutOfRange:
      return ja ? "モジュール番号 " + f.value + " が -32768～32767 の範囲外です"
                : "module number " + f.value + " is outside -32768 to 32767";
    case RunFaultKind::FloatError:
      return ja ? "計算中に浮動小数点エラーが発生しました (" + f.value +
                      ": オーバーフローまたは無効な演算)。モジュールリストの値を確認してください"
                : "a floating-point error in the calculation (" + f.value +
                      ": overflow or invalid operation); check the values of the module list";
    default:
      return {};
  }
  if (ja) {
    return "計算できないアレイ構成です (モジュール数 " + N(f.numbers[0]) + "、直列モジュール数 " + N(f.numbers[1]) +
           "、並列ストリング数 " + N(f.numbers[2]) + ": " + reason + ")";
  }
  return "the array cannot be calculated (" + N(f.numbers[0]) + " modules, " + N(f.numbers[1]) + " in series, " +
         N(f.numbers[2]) + " in parallel: " + reason + ")";
}

// --- The result file read back ------------------------------------------------

const char* PointName(int line) {
  switch (line) {
    case 3:
      return "Minimum";
    case 4:
      return "Initial";
    default:
      return "Estimated";
  }
}

const char* VpmLabel(int line) { return line == 5 ? "Array Vpm= [V]" : "Array Vpm [V]="; }

// The writer's line `n` (1..7) as a form: its labels and where numbers go.
std::string LineForm(int n, Language language) {
  const std::string number = Ja(language) ? "数値" : "a number";
  switch (n) {
    case 1:
      return std::string("\"Input Filename=\",") + (Ja(language) ? "入力ファイル名" : "the list's name");
    case 2:
      return "\"Simple Sum of Module Pmax [W]=\"," + number;
    case 3:
    case 4:
    case 5:
      return std::string("\"") + PointName(n) + "\",\"Array Pmax [W]=\"," + number + ",\"" + VpmLabel(n) + "\"," +
             number + ",\"Array Ipm [A]=\"," + number;
    case 6:
      return "\"Obtained Array Matrix as as follows:\"";
    default:
      return "\"String\",\"Module No\",\"S/N\",\"Vpm [V]\",\"Ipm [A]\"";
  }
}

// The label the writer puts in field `i` of its line `n`.
std::string LineLabel(int n, int i) {
  static constexpr const char* kHeadings[] = {"String", "Module No", "S/N", "Vpm [V]", "Ipm [A]"};
  switch (n) {
    case 1:
      return "Input Filename=";
    case 2:
      return "Simple Sum of Module Pmax [W]=";
    case 3:
    case 4:
    case 5:
      if (i == 0) return PointName(n);
      if (i == 1) return "Array Pmax [W]=";
      if (i == 3) return VpmLabel(n);
      return "Array Ipm [A]=";
    case 6:
      return "Obtained Array Matrix as as follows:";
    default:
      return kHeadings[std::clamp(i, 0, 4)];
  }
}

// What the number in field `i` of line `n` (0: a module row) is.
std::string NumberName(int n, int i, Language language) {
  const bool ja = Ja(language);
  if (n == 2) return ja ? "Pmax の合計" : "the sum of Pmax";
  if (n >= 3 && n <= 5) {
    const char* figure = i == 2 ? "Pmax" : i == 4 ? "Vpm" : "Ipm";
    return ja ? std::string(PointName(n)) + " の " + figure : std::string(PointName(n)) + " " + figure;
  }
  if (i == 1) return ja ? "モジュール番号" : "module number";
  return i == 3 ? "Vpm" : "Ipm";
}

std::string ResultLineWhat(const RunFault& f, Language language) {
  const bool ja = Ja(language);
  const auto n = [&](int k) { return N(f.numbers[k]); };
  const int line_of = static_cast<int>(f.numbers[0]);
  switch (f.what) {
    case RunFaultKind::ResultTooManyFields:
      return ja ? "項目が多すぎます (結果ファイルの行は多くて 7 項目です)"
                : "too many fields (a line of a result file holds at most 7)";
    case RunFaultKind::ResultNulByte:
      return ja ? "NUL 文字があります (テキストファイルではありません)" : "a NUL byte (it is not a text file)";
    case RunFaultKind::ResultFieldTooLong:
      return ja ? "項目が長すぎます (64 KiB を超えています)" : "a field is too long (above 64 KiB)";
    case RunFaultKind::ResultUnclosedQuote:
      return ja ? "引用符 \" が閉じられていません" : "a quote \" is not closed";
    case RunFaultKind::ResultTextAfterQuote:
      return ja ? "閉じ引用符の後に余分な文字があります" : "text after a closing quote";
    case RunFaultKind::ResultEndsEarly:
      return ja ? "ファイルが終わっています (結果ファイルは 7 行以上あります; " + n(0) + " 行目 " +
                      LineForm(line_of, language) + " がありません)"
                : "the file ends (a result file has at least 7 lines; line " + n(0) + ", " +
                      LineForm(line_of, language) + ", is missing)";
    case RunFaultKind::ResultFieldCount: {
      const int expected_line = static_cast<int>(f.numbers[1]);
      std::string hint;
      if (expected_line == 1) {
        if (ja) {
          hint = f.numbers[0] == 7 ? "; 結果ファイルではありません。モジュールリストではありませんか"
                                   : "; 結果ファイルではありません";
        } else {
          hint = f.numbers[0] == 7 ? "; not a result file: is it a module list?" : "; not a result file";
        }
      }
      return ja ? "項目が " + n(0) + " 個あります (結果ファイルのこの行は " + LineForm(expected_line, language) +
                      " の " + n(2) + " 項目です" + hint + ")"
                : n(0) + " fields (this line of a result file is " + LineForm(expected_line, language) + ", " + n(2) +
                      " fields" + hint + ")";
    }
    case RunFaultKind::ResultWrongLabel: {
      const std::string label = LineLabel(line_of, f.column);
      std::string hint;
      if (label == "Input Filename=") hint = ja ? "; 結果ファイルではありません" : "; not a result file";
      return ja ? N(f.column + 1) + " 項目目が \"" + f.value + "\" です (\"" + label + "\" のはずです" + hint + ")"
                : "field " + N(f.column + 1) + " is \"" + f.value + "\" (it should be \"" + label + "\"" + hint + ")";
    }
    case RunFaultKind::ResultNotANumber:
      return ja ? N(f.column + 1) + " 項目目 (" + NumberName(line_of, f.column, language) +
                      ") が数値ではありません: \"" + f.value + "\""
                : "field " + N(f.column + 1) + " (" + NumberName(line_of, f.column, language) +
                      ") is not a number: \"" + f.value + "\"";
    case RunFaultKind::ResultBadStringNumber:
      return ja ? "ストリング番号が 1 から " + n(0) + " の整数ではありません: \"" + f.value + "\""
                : "the string number is no whole number from 1 to " + n(0) + ": \"" + f.value + "\"";
    case RunFaultKind::ResultTooManyBlankLines:
      return ja ? "空の行が多すぎます" : "too many empty lines";
    case RunFaultKind::ResultBlankLine:
      return ja ? "空の行があります (モジュールの行の間に空行は入りません)"
                : "an empty line (no empty line comes between the module rows)";
    case RunFaultKind::ResultCutOffRow:
      return ja ? "結果ファイルが途中で切れています (最後の行の項目が " + n(0) +
                      " 個で終わっています。モジュールの行は 5 項目です)"
                : "the result file is cut off (its last line ends after " + n(0) + " fields; a module row has 5)";
    case RunFaultKind::ResultRowFieldCount:
      return ja ? "項目が " + n(0) +
                      " 個あります (モジュールの行はストリング番号,モジュール番号,シリアル番号,Vpm,Ipm の 5 項目です)"
                : n(0) + " fields (a module row has 5: string, module number, serial number, Vpm, Ipm)";
    case RunFaultKind::ResultTooManyModules:
      return ja ? "モジュールの行が多すぎます (結果ファイルのモジュールは多くて " + n(0) + " 個です)"
                : "too many module rows (a result file holds at most " + n(0) + " modules)";
    case RunFaultKind::ResultFirstStringNotOne:
      return ja ? "最初のモジュールのストリング番号が 1 ではありません" : "the first module's string number is not 1";
    case RunFaultKind::ResultStringTooLong:
      return ja ? "ストリング " + n(0) + " のモジュールが " + n(1) + " 個を超えています"
                : "string " + n(0) + " has more than " + n(1) + " modules";
    case RunFaultKind::ResultStringOrder:
      return ja ? "ストリング " + n(0) + " の次がストリング " + n(1) + " です (ストリング番号は 1 から順に並びます)"
                : "string " + n(1) + " follows string " + n(0) + " (the strings are numbered from 1 in order)";
    case RunFaultKind::ResultCutOffString:
      return ja ? "結果ファイルが途中で切れています (ストリング " + n(0) + " のモジュールが " + n(1) +
                      " 個で終わっています。ストリング 1 は " + n(2) + " 個です)"
                : "the result file is cut off (string " + n(0) + " ends after " + n(1) + " modules; string 1 has " +
                      n(2) + ")";
    case RunFaultKind::ResultStringLength:
      return ja ? "ストリング " + n(0) + " (" + n(1) + " 行目から) のモジュールが " + n(2) +
                      " 個です (ストリング 1 は " + n(3) + " 個; どのストリングも同じ数です)"
                : "string " + n(0) + " (from line " + n(1) + ") has " + n(2) + " modules (string 1 has " + n(3) +
                      "; every string has as many)";
    default:
      break;
  }
  return {};
}

std::string ResultReaderFault(const RunFault& f, Language language) {
  const bool ja = Ja(language);
  switch (f.what) {
    case RunFaultKind::ResultMissing:
      return ja ? "結果ファイルがありません: " + f.file : "no result file " + f.file;
    case RunFaultKind::ResultIsFolder:
      return ja ? "結果ファイルではなくフォルダです: " + f.file : "a folder, not a result file: " + f.file;
    case RunFaultKind::ResultNotRegular:
      return ja ? "結果ファイルが通常のファイルではありません: " + f.file
                : "the result file is no plain file: " + f.file;
    case RunFaultKind::ResultCannotOpen: {
      const std::string reason = f.value.empty() ? std::string() : " (" + f.value + ")";
      return ja ? "結果ファイルを開けません: " + f.file + reason : "cannot open the result file " + f.file + reason;
    }
    case RunFaultKind::ResultReadFailed:
      return ja ? "結果ファイルを読み込めません: " + f.file : "cannot read the result file " + f.file;
    default:
      break;
  }
  const std::string what = ResultLineWhat(f, language);
  if (what.empty()) return {};
  return ja ? "結果ファイルの " + N(f.line) + " 行目: " + what + " (" + f.file + ")"
            : "line " + N(f.line) + " of the result file: " + what + " (" + f.file + ")";
}

// --- Files written ------------------------------------------------------------

const char* FileNameOf(WrittenFile file, Language language) {
  const bool ja = Ja(language);
  switch (file) {
    case WrittenFile::Result:
      return ja ? "結果ファイル" : "result file";
    case WrittenFile::Assessment:
      return ja ? "物理評価ファイル" : "assessment file";
    case WrittenFile::Form:
      return ja ? "測定用紙" : "measurement form";
    case WrittenFile::Commissioning:
      return ja ? "試運転検査ファイル" : "commissioning file";
  }
  return "";
}

std::string WriteFault(RunFaultKind what, const std::string& path, const std::string& reason, WrittenFile file,
                       Language language) {
  const std::string name = FileNameOf(file, language);
  const bool ja = Ja(language);
  const std::string because = !reason.empty() ? reason : ja ? "書き込みに失敗しました" : "the write failed";
  switch (what) {
    case RunFaultKind::FileCannotCreate:
      return ja ? name + "を作成できません: " + path + " (" + because + ")"
                : "cannot create the " + name + " " + path + " (" + because + ")";
    case RunFaultKind::FileFolderOfThatName:
      return ja ? name + "と同じ名前のフォルダがあります: " + path
                : "a folder has the name of the " + name + ": " + path;
    default:
      break;
  }
  return ja ? name + "を書き込めません: " + path + " (" + because + ")"
            : "cannot write the " + name + " " + path + " (" + because + ")";
}

std::string OutputFault(const RunFault& f, Language language) {
  const bool ja = Ja(language);
  switch (f.what) {
    case RunFaultKind::ResultRowsBeyondTable:
      return ja ? "結果ファイルの行数が表の大きさを超えています: " + N(f.numbers[0])
                : "the result file's rows exceed the tables: " + N(f.numbers[0]);
    case RunFaultKind::ResultSerialBeyondTable:
      return ja ? "結果ファイルのシリアル番号の参照が表の外を指しています: " + N(f.numbers[0])
                : "a serial number of the result file points outside the tables: " + N(f.numbers[0]);
    case RunFaultKind::OutputNameEmpty:
      return ja ? "出力データファイル名を入力してください" : "no name is given for the result file";
    case RunFaultKind::FileCannotCreate:
    case RunFaultKind::FileFolderOfThatName:
    case RunFaultKind::FileCannotWrite:
      return WriteFault(f.what, f.file, f.value, WrittenFile::Result, language);
    case RunFaultKind::ResultIsTheList:
      return ja ? "結果ファイルがモジュールリストファイルと同じファイルです。別の出力データファイル名を入力してください"
                  ": " +
                      f.file
                : "the result file would replace the module list itself; give another output name: " + f.file;
    case RunFaultKind::AssessmentNotRemoved:
      return ja ? "前回の物理評価ファイルを削除できないため、結果ファイルを置き換えません: " + f.file
                : "an assessment file of an earlier run could not be removed, so the result file is not replaced: " +
                      f.file;
    default:
      break;
  }
  return {};
}

std::string JapaneseFault(const RunFault& fault) { return FaultText(fault, Language::Japanese); }
std::string EnglishFault(const RunFault& fault) { return FaultText(fault, Language::English); }

bool NamesJapanese(const char* name) {
  if (name == nullptr || name[0] != 'j' || name[1] != 'a') return false;
  const char after = name[2];
  return after == '\0' || after == '_' || after == '.' || after == '@';
}

// --- The module list's warnings -------------------------------------------------

std::string RowsText(const ListWarning& w, std::size_t rows_named, Language language) {
  const bool ja = Ja(language);
  std::string out = ja ? "データ行 " : (w.rows.size() == 1 ? "data row " : "data rows ");
  const std::size_t named = std::min(rows_named, w.rows.size());
  for (std::size_t i = 0; i < named; ++i) {
    if (i > 0) out += ", ";
    out += std::to_string(w.rows[i]);
    if (i < w.row_values.size()) out += " (" + FormatFloat(w.row_values[i]) + " " + w.unit + ")";
  }
  if (named < w.rows.size()) {
    out += ja ? "、ほか " + std::to_string(w.rows.size() - named) + " 行"
              : " and " + std::to_string(w.rows.size() - named) + " more";
  }
  return out;
}

}  // namespace

Language LanguageOfLocale(const char* lc_all, const char* lc_messages, const char* lang) {
  // The first one set decides, as gettext reads them.
  const char* const names[] = {lc_all, lc_messages, lang};
  const auto* set = std::find_if(std::begin(names), std::end(names),
                                 [](const char* name) { return name != nullptr && name[0] != '\0'; });
  return set != std::end(names) && NamesJapanese(*set) ? Language::Japanese : Language::English;
}

Language LanguageOfEnvironment() {
  return LanguageOfLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

void SpeakFaultsIn(Language language) { SetRunFaultWording(Ja(language) ? &JapaneseFault : &EnglishFault); }

bool HoldsJapanese(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    // Three-byte UTF-8 from U+3000 (CJK symbols, kana, kanji) and the full-width forms U+FF00..U+FFEF.
    if (c >= 0xE3 && c <= 0xE9) return true;
    if (c == 0xEF && i + 1 < text.size()) {
      const auto d = static_cast<unsigned char>(text[i + 1]);
      if (d >= 0xBC && d <= 0xBF) return true;
    }
    i += c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
  }
  return false;
}

std::size_t TerminalColumns(const std::string& text) {
  std::size_t columns = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t bytes = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    columns += HoldsJapanese(text.substr(i, bytes)) ? 2 : 1;
    i += bytes;
  }
  return columns;
}

std::string PadToColumns(const std::string& text, std::size_t width, Align align) {
  const std::size_t columns = TerminalColumns(text);
  if (columns >= width) return text;
  const std::string fill(width - columns, ' ');
  return align == Align::Left ? text + fill : fill + text;
}

std::string FaultText(const RunFault& f, Language language) {
  switch (f.what) {
    case RunFaultKind::Worded:
      return f.value;
    case RunFaultKind::OutOfMemory:
      return Ja(language) ? "メモリが不足しています" : "not enough memory";
    case RunFaultKind::Unexpected:
      return Ja(language) ? "予期しないエラーが発生しました: " + f.value : "unexpected error: " + f.value;
    case RunFaultKind::PlanWithoutArray:
      return Ja(language) ? "計画のモジュール数、直列数、並列数が評価できるアレイになっていません"
                          : "the run's counts do not describe an array to assess";
    case RunFaultKind::PlanModuleNotInList:
      return Ja(language) ? "計画にリストの行にないモジュールがあります: " + f.value
                          : "the plan holds a module that is not among its list's rows: " + f.value;
    default:
      break;
  }
  for (const auto& words : {CountFault, CalcFault, OutputFault, ResultReaderFault}) {
    std::string text = words(f, language);
    if (!text.empty()) return text;
  }
  return Ja(language) ? ListFaultJa(f) : ListFaultEn(f);
}

std::string CountCheckText(CountCheck check, Language language) {
  if (const std::optional<std::string> own = SystemCheckMessage(check)) return *own;
  if (check == CountCheck::ParallelBelow1) {
    return Ja(language) ? "並列ストリング数が1未満です" : "the parallel count is below 1";
  }
  return Ja(language) ? "直列モジュール数が1未満です" : "the series count is below 1";
}

std::string CheckFactsText(std::int16_t module_count, std::int16_t series_count, std::int16_t parallel_count,
                           Language language) {
  const bool ja = Ja(language);
  const std::string s = std::to_string(series_count);
  const std::string p = std::to_string(parallel_count);
  std::optional<CountCheck> failed;
  try {
    failed = CheckRunInputs(module_count, series_count, parallel_count);
  } catch (const RunError&) {
    failed.reset();  // a product outside 16 bits is no check that failed
  }
  // After a series or parallel refusal, the count that failed; the product
  // would read as agreement.
  if (failed == CountCheck::SeriesOver20) return ja ? "直列 " + s + " > 20" : "series " + s + " > 20";
  if (failed == CountCheck::ParallelOver100) return ja ? "並列 " + p + " > 100" : "parallel " + p + " > 100";
  if (failed == CountCheck::SeriesBelow1) return ja ? "直列 " + s + " < 1" : "series " + s + " < 1";
  if (failed == CountCheck::ParallelBelow1) return ja ? "並列 " + p + " < 1" : "parallel " + p + " < 1";
  const int product = static_cast<int>(parallel_count) * static_cast<int>(series_count);
  // An empty file loads as -1 modules.
  std::string modules;
  if (ja) {
    modules = module_count < 0 ? std::string("モジュールリストファイルが空") : "モジュール " + N(module_count) + " 枚";
    return modules + "、並列 " + p + " × 直列 " + s + " = " + N(product);
  }
  modules = module_count < 0 ? std::string("the module list is empty") : N(module_count) + " modules";
  return modules + ", parallel " + p + " × series " + s + " = " + N(product);
}

std::string CheckFacts(std::int16_t module_count, std::int16_t series_count, std::int16_t parallel_count) {
  return CheckFactsText(module_count, series_count, parallel_count, Language::Japanese);
}

std::string FileWriteText(const FileWriteError& error, WrittenFile file, Language language) {
  return WriteFault(error.fault().what, error.path(), error.reason(), file, language);
}

std::string ListWarningText(const ListWarning& w, const SerialShown& shown_serial, Language language,
                            std::size_t rows_named) {
  const bool ja = Ja(language);
  const std::string count = std::to_string(w.rows.size());
  const std::string rows = RowsText(w, rows_named, language);
  switch (w.kind) {
    case ListWarning::Kind::DuplicateNumber:
      return ja ? "モジュール番号 " + w.value + " が " + count + " 回あります: " + rows
                : "module number " + w.value + " appears " + count + " times: " + rows;
    case ListWarning::Kind::DuplicateSerial: {
      const std::string serial = shown_serial ? shown_serial(w.value) : w.value;
      return ja ? "シリアル番号 \"" + serial + "\" が " + count + " 回あります: " + rows
                : "serial number \"" + serial + "\" appears " + count + " times: " + rows;
    }
    case ListWarning::Kind::NotPositive:
      return ja ? w.name + " が 0 以下です: " + rows : w.name + " at or below 0: " + rows;
    case ListWarning::Kind::FarFromMedian:
      break;
  }
  char median[32];
  (void)std::snprintf(median, sizeof median, "%.6g", w.median);
  const std::string share = std::to_string(static_cast<int>(std::lround(kFarFromMedianShare * 100)));
  return ja ? w.name + " がロットの中央値 " + median + " " + w.unit + " から " + share +
                  " % を超えて離れています: " + rows
            : w.name + " more than " + share + " % from the lot's median of " + median + " " + w.unit + ": " + rows;
}

std::vector<std::string> ListWarningLines(const std::vector<ListWarning>& warnings, const SerialShown& shown_serial,
                                          Language language, std::size_t shown) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < warnings.size() && i < shown; ++i) {
    lines.push_back(ListWarningText(warnings[i], shown_serial, language));
  }
  if (warnings.size() > shown) {
    const std::string more = std::to_string(warnings.size() - shown);
    lines.push_back(Ja(language) ? "ほか " + more + " 件" : "and " + more + " more warnings");
  }
  return lines;
}

std::string ListWarningText(const ListWarning& warning, const SerialShown& shown_serial, std::size_t rows_named) {
  return ListWarningText(warning, shown_serial, Language::Japanese, rows_named);
}

std::vector<std::string> ListWarningLines(const std::vector<ListWarning>& warnings, const SerialShown& shown_serial,
                                          std::size_t shown) {
  return ListWarningLines(warnings, shown_serial, Language::Japanese, shown);
}

}  // namespace voltrigg
