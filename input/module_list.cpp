#include "input/module_list.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "input/field_reader.h"
#include "input/number_text.h"
#include "input/run_error.h"

namespace voltrigg {

void ModuleTable::Clear() {
  // assign, not fill: a table whose vectors a caller resized gets its full
  // capacity back.
  records.assign(kModuleSlots + 1, ModuleRecord{});
  SerialTable.assign(kModuleSlots + 1, std::string());
}

namespace {

constexpr const char* kColumnNames[7] = {"モジュール番号", "シリアル番号",  "Pmax", "Vpm", "Ipm",
                                         "7列中6列目の値", "7列中7列目の値"};

std::string RowName(int row) { return row == 0 ? std::string("見出し行") : "データ行 " + std::to_string(row); }

std::string Where(int row, int column) {
  return RowName(row) + "、" + std::to_string(column + 1) + "列目「" + kColumnNames[column] + "」";
}

class RowReader {
 public:
  RowReader(std::istream& in, const std::string& where) : reader_(in), where_(where) {}

  bool AtEnd() { return reader_.AtEnd(); }

  std::string Text(int row, int column) { return Read(row, column).text; }

  float Number(int row, int column) {
    const FieldReader::Field f = Read(row, column);
    float value = 0;
    if (!ParseNumberField(f.text, value)) {
      std::string hint;
      if (f.text.find(';') != std::string::npos) hint = " (区切りが「セミコロン」ではありませんか)";
      if (f.text.find('\t') != std::string::npos) hint = " (区切りが「タブ」ではありませんか)";
      Fail("モジュールリストファイルの" + Where(row, column) + "が数値ではありません: \"" + Shown(f.text) + "\"" +
           hint + " (" + where_ + ")");
    }
    return value;
  }

  // A message of the load, with the first line that does not hold seven
  // fields when there is one: it shifts every row after it.
  [[noreturn]] void Fail(const std::string& message) const {
    int line = odd_line_;
    int fields = odd_fields_;
    if (line == 0 && fields_ > 7) {
      line = line_;
      fields = fields_;
    }
    if (line == 0) throw RunError(message);
    throw RunError(message + "。" + std::to_string(line) + " 行目の項目が " + std::to_string(fields) +
                   " 個です (1 行は 7 項目です。項目は行ではなく数で数えるので、後の行がずれます" +
                   (fields > 7 ? std::string("。行末に余分なカンマはありませんか") : std::string()) + ")");
  }

  FieldReader::Field Read(int row, int column) {
    auto f = reader_.Next();
    if (f) {
      Count(*f);
      return *f;
    }
    const std::string at = Where(row, column);
    switch (reader_.LastProblem()) {
      case FieldReader::Problem::EndOfInput:
        Fail("モジュールリストファイルが行の途中で終わっています (" + at + "がありません): " + where_);
      case FieldReader::Problem::UnclosedQuote:
        throw RunError("モジュールリストファイルの" + at + "で引用符 \" が閉じられていません: " + where_);
      case FieldReader::Problem::TextAfterQuote:
        throw RunError("モジュールリストファイルの" + at + "で閉じ引用符の後に余分な文字があります: " + where_);
      case FieldReader::Problem::TooLong:
        throw RunError("モジュールリストファイルの" + at + "が長すぎます (64 KiB を超えています): " + where_);
      case FieldReader::Problem::NulByte:
        throw RunError("モジュールリストファイルにNUL文字があります (テキストファイルではありません): " + where_);
      case FieldReader::Problem::ReadFailed:
      case FieldReader::Problem::None:
        break;
    }
    throw RunError("モジュールリストファイルを読み込めません: " + where_);
  }

 private:
  // Cut after about 40 bytes, not inside a UTF-8 character (other encodings
  // pass as they are).
  static std::string Shown(const std::string& text) {
    if (text.size() <= 40) return text;
    std::size_t cut = 40;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut) + "...";
  }

  // Fields per line: the first line with other than seven is kept.
  void Count(const FieldReader::Field& f) {
    if (f.line != line_) {
      if (line_ != 0 && fields_ != 7 && odd_line_ == 0) {
        odd_line_ = line_;
        odd_fields_ = fields_;
      }
      line_ = f.line;
      fields_ = 0;
    }
    ++fields_;
  }

  FieldReader reader_;
  const std::string& where_;
  int line_ = 0;    // the line of the last field
  int fields_ = 0;  // fields started on it so far
  int odd_line_ = 0;
  int odd_fields_ = 0;
};

// The header's wording is free, but a result file or a list separated by
// something else than commas would be read as nonsense rows.
void ReadHeader(RowReader& in, const std::string& where) {
  const FieldReader::Field first = in.Read(0, 0);
  if (first.text == "Input Filename=") {
    throw RunError("モジュールリストファイルではなく結果ファイルです (1 行目が \"Input Filename=\"): " + where);
  }
  // A whole line read as one field: four separators are no header's wording.
  const auto separators = [&](char c) { return std::count(first.text.begin(), first.text.end(), c); };
  if (!first.quoted && separators(';') >= 4) {
    throw RunError("モジュールリストファイルの区切りが「セミコロン」です (カンマ区切りで保存してください): " + where);
  }
  if (!first.quoted && separators('\t') >= 4) {
    throw RunError("モジュールリストファイルの区切りが「タブ」です (カンマ区切りで保存してください): " + where);
  }
  for (int c = 1; c < 7; ++c) in.Text(0, c);
}

struct Row {
  ModuleRecord record;
  std::string serial;
};

Row ReadRow(RowReader& in, int n) {
  Row r;
  r.record.moduleNo = in.Number(n, 0);
  r.serial = in.Text(n, 1);
  r.record.pmax = in.Number(n, 2);
  r.record.vpm = in.Number(n, 3);
  r.record.ipm = in.Number(n, 4);
  r.record.extra1 = in.Number(n, 5);
  r.record.extra2 = in.Number(n, 6);
  return r;
}

void Put(ModuleTable& t, int slot, Row& row) {
  t.records[slot] = row.record;
  t.SerialTable[slot] = std::move(row.serial);
}

// Moves slots from..n-1 one place up (n down to from+1 takes the slot below).
void ShiftUp(ModuleTable& t, int from, int n) {
  for (int m = n; m >= from + 1; --m) {
    t.records[m] = t.records[m - 1];
    t.SerialTable[m] = std::move(t.SerialTable[m - 1]);
  }
}

// Places data row n (n >= 2) among the n-1 sorted rows before it. The rules
// fix where unusual values go, so they are kept exactly: a row of equal ipm
// and vpm goes before the earlier one, and the look-ahead may compare with
// the still empty slot n (vpm 0).
void Place(ModuleTable& t, int n, Row& b) {
  bool placed = false;
  for (int k = 1; k <= n - 1 && !placed; ++k) {
    const ModuleRecord& s = t.records[k];
    if (b.record.ipm < s.ipm) {
      ShiftUp(t, k, n);
      Put(t, k, b);
      placed = true;
    } else if (b.record.ipm > s.ipm) {
      if (k == n - 1) {
        Put(t, n, b);
        placed = true;
      }
    } else if (b.record.ipm == s.ipm) {
      if (b.record.vpm <= s.vpm) {
        ShiftUp(t, k, n);
        Put(t, k, b);
        placed = true;
      } else if (b.record.vpm <= t.records[k + 1].vpm) {
        ShiftUp(t, k + 1, n);
        Put(t, k + 1, b);
        placed = true;
      }
    }
  }
  // A row the scan let pass goes to the end. Occupancy is known by count, so a
  // row numbered 0 in the last slot is never taken for an empty slot.
  if (!placed) Put(t, n, b);
}

}  // namespace

std::int16_t LoadModuleList(std::istream& in, const std::string& where, ModuleTable& table) {
  return LoadModuleList(in, where, table, nullptr);
}

std::int16_t LoadModuleList(const std::string& path, ModuleTable& table) {
  return LoadModuleList(path, table, nullptr);
}

std::int16_t LoadModuleList(std::istream& in, const std::string& where, ModuleTable& table,
                            std::vector<ListRow>* rows_in_file_order) {
  if (rows_in_file_order != nullptr) rows_in_file_order->clear();
  // The sort places each row among the rows before it and leaves the slots
  // after the last row as they are, so the load starts from an empty table.
  table.Clear();
  RowReader reader(in, where);
  int counter = -1;
  while (!reader.AtEnd()) {
    ++counter;
    const int n = counter;
    if (n == 0) {
      ReadHeader(reader, where);
      continue;
    }
    Row row = ReadRow(reader, n);
    // 0 marks an empty slot, and a blank spreadsheet row (",,,,,,") reads as
    // module 0 with zero values: taken as a module it would change every figure.
    if (!(row.record.moduleNo != 0)) {
      reader.Fail("モジュールリストファイルの" + RowName(n) +
                  " のモジュール番号が 0 です (スプレッドシートの空の行ではありませんか。モジュール番号は 0 "
                  "以外です): " +
                  where);
    }
    if (n > kModuleSlots) {
      throw RunError("モジュールリストファイルのデータ行が多すぎます (" + RowName(n) + "、読み込めるのは" +
                     std::to_string(kModuleSlots) + "行まで): " + where);
    }
    if (rows_in_file_order != nullptr) rows_in_file_order->push_back({row.record, row.serial});
    if (n == 1) {
      Put(table, 1, row);
    } else {
      Place(table, n, row);
    }
  }
  return static_cast<std::int16_t>(counter);
}

std::int16_t LoadModuleList(const std::string& path, ModuleTable& table, std::vector<ListRow>* rows_in_file_order) {
  if (path.empty()) throw RunError("使用するCSVファイルを指定してください");
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    throw RunError("モジュールリストファイルではなくフォルダが指定されています: " + path);
  }
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) throw RunError("モジュールリストファイルを開けません: " + path);
  return LoadModuleList(in, path, table, rows_in_file_order);
}

}  // namespace voltrigg
