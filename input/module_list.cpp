#include "input/module_list.h"

#include <algorithm>
#include <cctype>
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

RunFault ListFault(RunFaultKind what, const std::string& where, int row = -1, int column = -1) {
  RunFault fault = MakeFault(what, where);
  fault.row = row;
  fault.column = column;
  return fault;
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
      RunFault fault = ListFault(RunFaultKind::ListFieldNotANumber, where_, row, column);
      fault.value = Shown(f.text);
      if (f.text.find(';') != std::string::npos) fault.separator = ';';
      if (f.text.find('\t') != std::string::npos) fault.separator = '\t';
      Fail(std::move(fault));
    }
    return value;
  }

  // A fault of the load, with the first line that does not hold seven
  // fields when there is one: it shifts every row after it.
  [[noreturn]] void Fail(RunFault fault) const {
    fault.odd_line = odd_line_;
    fault.odd_fields = odd_fields_;
    if (fault.odd_line == 0 && fields_ > 7) {
      fault.odd_line = line_;
      fault.odd_fields = fields_;
    }
    throw RunError(std::move(fault));
  }

  FieldReader::Field Read(int row, int column) {
    auto f = reader_.Next();
    if (f) {
      Count(*f);
      return *f;
    }
    switch (reader_.LastProblem()) {
      case FieldReader::Problem::EndOfInput:
        Fail(ListFault(RunFaultKind::ListEndsInsideRow, where_, row, column));
      case FieldReader::Problem::UnclosedQuote:
        throw RunError(ListFault(RunFaultKind::ListUnclosedQuote, where_, row, column));
      case FieldReader::Problem::TextAfterQuote:
        throw RunError(ListFault(RunFaultKind::ListTextAfterQuote, where_, row, column));
      case FieldReader::Problem::TooLong:
        throw RunError(ListFault(RunFaultKind::ListFieldTooLong, where_, row, column));
      case FieldReader::Problem::NulByte:
        throw RunError(ListFault(RunFaultKind::ListNulByte, where_));
      case FieldReader::Problem::ReadFailed:
      case FieldReader::Problem::None:
        break;
    }
    throw RunError(ListFault(RunFaultKind::ListReadFailed, where_));
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
    throw RunError(ListFault(RunFaultKind::ListIsResultFile, where));
  }
  // A whole line read as one field: four separators are no header's wording.
  const auto separators = [&](char c) { return std::count(first.text.begin(), first.text.end(), c); };
  if (!first.quoted && separators(';') >= 4) {
    throw RunError(ListFault(RunFaultKind::ListSeparatedBySemicolons, where));
  }
  if (!first.quoted && separators('\t') >= 4) {
    throw RunError(ListFault(RunFaultKind::ListSeparatedByTabs, where));
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
      reader.Fail(ListFault(RunFaultKind::ListModuleNumberZero, where, n));
    }
    if (n > kModuleSlots) {
      RunFault fault = ListFault(RunFaultKind::ListTooManyRows, where, n);
      fault.numbers[0] = kModuleSlots;
      throw RunError(std::move(fault));
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

namespace {

// A file saved in another format than comma-separated text, by its first bytes.
std::optional<RunFaultKind> ForeignFileKind(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;  // a pipe would block or be used up
  std::ifstream in(path, std::ios::binary);
  std::string head(512, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  if (head.starts_with("PK\x03\x04") || head.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
    return RunFaultKind::ListIsWorkbook;
  }
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  const auto next = [&](std::size_t at) {
    while (at < head.size() && blank(head[at])) ++at;
    return at;
  };
  const std::size_t at = next(head.starts_with("\xEF\xBB\xBF") ? 3 : 0);
  if (at == head.size()) return std::nullopt;
  // What a JSON document opens with, which no list's header does ("[No]" stays a list).
  const std::size_t inner = next(at + 1);
  const char after = inner < head.size() ? head[inner] : '\0';
  if (head[at] == '{' && (after == '"' || after == '}' || after == '\0')) return RunFaultKind::ListIsJson;
  if (head[at] == '[' && (after == '{' || after == '[' || after == '"' || after == ']' || after == '\0')) {
    return RunFaultKind::ListIsJson;
  }
  // An XML declaration, or a first line that is a tag without a comma.
  const std::string first_line = head.substr(at, head.find('\n', at) - at);
  if (first_line.starts_with("<?xml") || first_line.starts_with("<!")) return RunFaultKind::ListIsXml;
  if (first_line.starts_with("<") && first_line.size() > 1 && std::isalpha(static_cast<unsigned char>(first_line[1])) &&
      first_line.find(',') == std::string::npos && first_line.find('>') != std::string::npos) {
    return RunFaultKind::ListIsXml;
  }
  return std::nullopt;
}

}  // namespace

std::int16_t LoadModuleList(const std::string& path, ModuleTable& table, std::vector<ListRow>* rows_in_file_order) {
  if (path.empty()) throw RunError(ListFault(RunFaultKind::ListNotGiven, path));
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) throw RunError(ListFault(RunFaultKind::ListIsFolder, path));
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) throw RunError(ListFault(RunFaultKind::ListCannotOpen, path));
  try {
    return LoadModuleList(in, path, table, rows_in_file_order);
  } catch (const RunError&) {
    // A list saved in another format fails somewhere in its first lines;
    // the user is better told what the file is than which field broke.
    if (const std::optional<RunFaultKind> foreign = ForeignFileKind(path)) {
      throw RunError(ListFault(*foreign, path));
    }
    throw;
  }
}

}  // namespace voltrigg
