#include "output/result_reader.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <utility>

#include "input/number_text.h"

namespace voltrigg {

namespace {

constexpr std::size_t kMaxFieldBytes = std::size_t{64} * 1024;
constexpr std::size_t kMaxFields = 16;  // the widest line has 7
constexpr int kEnd = -1;
constexpr int kMaxBlankLines = 1000;  // tolerated after the last row (an editor's padding)

struct Field {
  std::string text;
  bool quoted = false;
};

struct Record {
  std::vector<Field> fields;
  int line = 0;  // where the record starts
  bool Blank() const { return fields.size() == 1 && !fields[0].quoted && fields[0].text.empty(); }
};

// At most 40 bytes of a text for a message, not cut inside a UTF-8 character.
std::string Shown(const std::string& text) {
  std::string out;
  std::size_t cut = text.size();
  if (cut > 40) {
    cut = 40;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  }
  for (std::size_t i = 0; i < cut; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    out += c < 0x20 ? ' ' : static_cast<char>(c);  // no line ends or control bytes in messages
  }
  if (cut < text.size()) out += "...";
  return out;
}

// Splits comma-separated text into records: a record ends at a line end
// (CR LF, LF or CR) outside double quotes. Counts lines for messages and
// refuses what no result file holds (NUL bytes, huge fields, wide lines)
// before it has read more than one buffer beyond them.
class RecordReader {
 public:
  RecordReader(std::istream& in, std::string where) : in_(in), where_(std::move(where)) {}

  bool Next(Record& record) {
    record.fields.clear();
    record.line = line_;
    if (Peek() == kEnd) return false;
    for (;;) {
      if (record.fields.size() == kMaxFields) Fail(record.line, RunFaultKind::ResultTooManyFields);
      record.fields.push_back(ReadField(record.line));
      const int c = Get();
      if (c == ',') continue;
      if (c == '\r') {
        if (Peek() == '\n') Get();
        ++line_;
      } else if (c == '\n') {
        ++line_;
      }
      // The writer ends every line, the last one included.
      unterminated_ = c == kEnd;
      return true;  // a line end or the end of the input
    }
  }

  [[noreturn]] void Fail(int line, RunFaultKind what, std::string value = {}, std::int64_t a = 0, std::int64_t b = 0,
                         std::int64_t c = 0, std::int64_t d = 0, int column = -1) const {
    RunFault fault = MakeFault(what, a, b, c, d);
    fault.file = where_;
    fault.line = line;
    fault.column = column;
    fault.value = std::move(value);
    throw ResultFileError(std::move(fault));
  }

  const std::string& where() const { return where_; }
  bool unterminated() const { return unterminated_; }
  int line() const { return line_; }

 private:
  int Peek() {
    if (pos_ == len_) {
      if (!in_.good()) {
        if (in_.bad()) Fail(line_, RunFaultKind::ResultReadFailed);
        return kEnd;
      }
      in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
      len_ = static_cast<std::size_t>(in_.gcount());
      pos_ = 0;
      if (in_.bad()) Fail(line_, RunFaultKind::ResultReadFailed);
      if (len_ == 0) return kEnd;
      if (!started_) {
        started_ = true;
        // A byte order mark that an editor put in front is not part of the file's text.
        if (len_ >= 3 && buffer_[0] == '\xEF' && buffer_[1] == '\xBB' && buffer_[2] == '\xBF') pos_ = 3;
        return Peek();
      }
    }
    const auto c = static_cast<unsigned char>(buffer_[pos_]);
    if (c == 0) Fail(line_, RunFaultKind::ResultNulByte);
    return c;
  }

  int Get() {
    const int c = Peek();
    if (c != kEnd) ++pos_;
    return c;
  }

  void Append(Field& f, int c, int record_line) {
    if (f.text.size() == kMaxFieldBytes) Fail(record_line, RunFaultKind::ResultFieldTooLong);
    f.text += static_cast<char>(c);
  }

  Field ReadField(int record_line) {
    Field f;
    int c = Peek();
    while (c == ' ' || c == '\t') Get(), c = Peek();
    if (c != '"') {
      while (c != kEnd && c != ',' && c != '\r' && c != '\n') Append(f, Get(), record_line), c = Peek();
      while (!f.text.empty() && (f.text.back() == ' ' || f.text.back() == '\t')) f.text.pop_back();
      return f;
    }
    f.quoted = true;
    Get();
    for (;;) {
      c = Get();
      if (c == kEnd) Fail(record_line, RunFaultKind::ResultUnclosedQuote);
      if (c == '"') {
        if (Peek() != '"') break;
        Get();
      } else if (c == '\n' || (c == '\r' && Peek() != '\n')) {
        ++line_;  // a line end inside a quoted text belongs to the text
      }
      Append(f, c, record_line);
    }
    c = Peek();
    while (c == ' ' || c == '\t') Get(), c = Peek();
    if (c != kEnd && c != ',' && c != '\r' && c != '\n') Fail(record_line, RunFaultKind::ResultTextAfterQuote);
    return f;
  }

  std::istream& in_;
  std::string where_;
  std::array<char, std::size_t{64} * 1024> buffer_{};
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
  bool started_ = false;
  int line_ = 1;
  bool unterminated_ = false;  // the last record read ended without a line end
};

class Parser {
 public:
  Parser(std::istream& in, const std::string& where) : reader_(in, where) {}

  ResultFileData Parse() {
    ResultFileData d;
    Record r;
    Expect(r, 1, 2);
    Label(r, 0, "Input Filename=", 1);
    d.InputName = r.fields[1].text;
    Expect(r, 2, 2);
    Label(r, 0, "Simple Sum of Module Pmax [W]=", 2);
    d.SimplePmaxSum = Number(r, 1, 2);
    d.MinimumPoint = PointLine(r, 3, "Minimum", "Array Vpm [V]=");
    d.InitialPoint = PointLine(r, 4, "Initial", "Array Vpm [V]=");
    d.EstimatedPoint = PointLine(r, 5, "Estimated", "Array Vpm= [V]");
    Expect(r, 6, 1);
    Label(r, 0, "Obtained Array Matrix as as follows:", 6);
    Expect(r, 7, 5);
    static constexpr std::array<const char*, 5> kHeadings = {"String", "Module No", "S/N", "Vpm [V]", "Ipm [A]"};
    for (std::size_t i = 0; i < kHeadings.size(); ++i) Label(r, i, kHeadings[i], 7);
    ReadRows(d);
    return d;
  }

 private:
  // Reads the next record, which must be the file's line `n` with `count` fields.
  void Expect(Record& r, int n, std::size_t count) {
    if (!reader_.Next(r)) reader_.Fail(reader_.line(), RunFaultKind::ResultEndsEarly, {}, n);
    if (r.fields.size() != count) {
      reader_.Fail(r.line, RunFaultKind::ResultFieldCount, {}, static_cast<std::int64_t>(r.fields.size()), n,
                   static_cast<std::int64_t>(count));
    }
  }

  // Field `i` of the file's line `n` holds the writer's label.
  void Label(const Record& r, std::size_t i, const char* label, int n) {
    if (r.fields[i].text != label) {
      reader_.Fail(r.line, RunFaultKind::ResultWrongLabel, Shown(r.fields[i].text), n, 0, 0, 0, static_cast<int>(i));
    }
  }

  // Field `i` of the file's line `n` (0: a module row) is a number.
  float Number(const Record& r, std::size_t i, int n) {
    const Field& f = r.fields[i];
    float value = 0;
    if (f.text.empty() || !ParseNumberField(f.text, value)) {
      reader_.Fail(r.line, RunFaultKind::ResultNotANumber, Shown(f.text), n, 0, 0, 0, static_cast<int>(i));
    }
    return value;
  }

  OperatingPoint PointLine(Record& r, int n, const char* name, const char* vpm_label) {
    Expect(r, n, 7);
    Label(r, 0, name, n);
    Label(r, 1, "Array Pmax [W]=", n);
    Label(r, 3, vpm_label, n);
    Label(r, 5, "Array Ipm [A]=", n);
    OperatingPoint p;
    p.Pmax = Number(r, 2, n);
    p.Vpm = Number(r, 4, n);
    p.Ipm = Number(r, 6, n);
    return p;
  }

  std::int16_t StringNumber(const Record& r) {
    const std::string& t = r.fields[0].text;
    int value = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size() || value < 1 || value > kResultMaxStrings) {
      reader_.Fail(r.line, RunFaultKind::ResultBadStringNumber, Shown(t), kResultMaxStrings);
    }
    return static_cast<std::int16_t>(value);
  }

  void ReadRows(ResultFileData& d) {
    Record r;
    int string_start_line = 8;
    int blank_line = 0;  // the first blank line after the rows, if any
    int blank_lines = 0;
    while (reader_.Next(r)) {
      if (r.Blank()) {
        if (blank_line == 0) blank_line = r.line;
        if (++blank_lines > kMaxBlankLines) reader_.Fail(r.line, RunFaultKind::ResultTooManyBlankLines);
        continue;
      }
      if (blank_line != 0) reader_.Fail(blank_line, RunFaultKind::ResultBlankLine);
      const auto fields = static_cast<std::int64_t>(r.fields.size());
      if (r.fields.size() < 5 && reader_.unterminated())
        reader_.Fail(r.line, RunFaultKind::ResultCutOffRow, {}, fields);
      if (r.fields.size() != 5) reader_.Fail(r.line, RunFaultKind::ResultRowFieldCount, {}, fields);
      if (d.rows.size() == static_cast<std::size_t>(kResultMaxModules)) {
        reader_.Fail(r.line, RunFaultKind::ResultTooManyModules, {}, kResultMaxModules);
      }
      ResultRow row;
      row.line = r.line;
      row.string_no = StringNumber(r);
      row.moduleNo = Number(r, 1, 0);
      row.serialNo = std::move(r.fields[2].text);
      row.vpm = Number(r, 3, 0);
      row.ipm = Number(r, 4, 0);
      if (d.rows.empty()) {
        if (row.string_no != 1) reader_.Fail(r.line, RunFaultKind::ResultFirstStringNotOne);
        row.position = 1;
      } else {
        const ResultRow& prev = d.rows.back();
        if (row.string_no == prev.string_no) {
          row.position = prev.position + 1;
          if (row.position > kResultMaxSeries) {
            reader_.Fail(r.line, RunFaultKind::ResultStringTooLong, {}, row.string_no, kResultMaxSeries);
          }
        } else if (row.string_no == prev.string_no + 1) {
          CloseString(d, prev, string_start_line, r.line);
          string_start_line = r.line;
          row.position = 1;
        } else {
          reader_.Fail(r.line, RunFaultKind::ResultStringOrder, {}, prev.string_no, row.string_no);
        }
      }
      d.rows.push_back(std::move(row));
    }
    if (!d.rows.empty()) {
      const ResultRow& last = d.rows.back();
      // The writer writes whole strings: a short last string is a file cut off.
      if (last.string_no > 1 && last.position < d.series) {
        reader_.Fail(last.line, RunFaultKind::ResultCutOffString, {}, last.string_no, last.position, d.series);
      }
      CloseString(d, last, string_start_line, last.line);
    }
  }

  // Every string holds as many modules as the first. `line` is where the
  // mismatch shows: the first row of the next string, or the last row.
  void CloseString(ResultFileData& d, const ResultRow& last, int start_line, int line) {
    if (last.string_no == 1) d.series = last.position;
    if (last.position != d.series) {
      reader_.Fail(line, RunFaultKind::ResultStringLength, {}, last.string_no, start_line, last.position, d.series);
    }
    d.parallel = last.string_no;
  }

  RecordReader reader_;
};

}  // namespace

ResultFileData ReadResultFile(std::istream& in, const std::string& where) { return Parser(in, where).Parse(); }

ResultFileData ReadResultFile(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  const auto refuse = [&](RunFaultKind what, std::string reason = {}) {
    throw ResultFileError(MakeFault(what, path, std::move(reason)));
  };
  if (ec || !fs::exists(status)) refuse(RunFaultKind::ResultMissing);
  if (fs::is_directory(status)) refuse(RunFaultKind::ResultIsFolder);
  // A device or a pipe could block or never end.
  if (!fs::is_regular_file(status)) refuse(RunFaultKind::ResultNotRegular);
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    const int error = errno;
    refuse(RunFaultKind::ResultCannotOpen, error != 0 ? std::strerror(error) : "");
  }
  return ReadResultFile(in, path);
}

}  // namespace voltrigg
