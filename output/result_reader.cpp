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
      if (record.fields.size() == kMaxFields)
        Fail(record.line, "項目が多すぎます (結果ファイルの行は多くて 7 項目です)");
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

  [[noreturn]] void Fail(int line, const std::string& what) const {
    throw ResultFileError("結果ファイルの " + std::to_string(line) + " 行目: " + what + " (" + where_ + ")", line);
  }

  const std::string& where() const { return where_; }
  bool unterminated() const { return unterminated_; }
  int line() const { return line_; }

 private:
  int Peek() {
    if (pos_ == len_) {
      if (!in_.good()) {
        if (in_.bad()) throw ResultFileError("結果ファイルを読み込めません: " + where_, line_);
        return kEnd;
      }
      in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
      len_ = static_cast<std::size_t>(in_.gcount());
      pos_ = 0;
      if (in_.bad()) throw ResultFileError("結果ファイルを読み込めません: " + where_, line_);
      if (len_ == 0) return kEnd;
      if (!started_) {
        started_ = true;
        // A byte order mark that an editor put in front is not part of the file's text.
        if (len_ >= 3 && buffer_[0] == '\xEF' && buffer_[1] == '\xBB' && buffer_[2] == '\xBF') pos_ = 3;
        return Peek();
      }
    }
    const auto c = static_cast<unsigned char>(buffer_[pos_]);
    if (c == 0) Fail(line_, "NUL 文字があります (テキストファイルではありません)");
    return c;
  }

  int Get() {
    const int c = Peek();
    if (c != kEnd) ++pos_;
    return c;
  }

  void Append(Field& f, int c, int record_line) {
    if (f.text.size() == kMaxFieldBytes) Fail(record_line, "項目が長すぎます (64 KiB を超えています)");
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
      if (c == kEnd) Fail(record_line, "引用符 \" が閉じられていません");
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
    if (c != kEnd && c != ',' && c != '\r' && c != '\n') Fail(record_line, "閉じ引用符の後に余分な文字があります");
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
    Expect(r, 1, 2, "\"Input Filename=\",入力ファイル名");
    Label(r, 0, "Input Filename=");
    d.InputName = r.fields[1].text;
    Expect(r, 2, 2, "\"Simple Sum of Module Pmax [W]=\",数値");
    Label(r, 0, "Simple Sum of Module Pmax [W]=");
    d.SimplePmaxSum = Number(r, 1, "Pmax の合計");
    d.MinimumPoint = PointLine(r, 3, "Minimum", "Array Vpm [V]=");
    d.InitialPoint = PointLine(r, 4, "Initial", "Array Vpm [V]=");
    d.EstimatedPoint = PointLine(r, 5, "Estimated", "Array Vpm= [V]");
    Expect(r, 6, 1, "\"Obtained Array Matrix as as follows:\"");
    Label(r, 0, "Obtained Array Matrix as as follows:");
    Expect(r, 7, 5, "\"String\",\"Module No\",\"S/N\",\"Vpm [V]\",\"Ipm [A]\"");
    static constexpr std::array<const char*, 5> kHeadings = {"String", "Module No", "S/N", "Vpm [V]", "Ipm [A]"};
    for (std::size_t i = 0; i < kHeadings.size(); ++i) Label(r, i, kHeadings[i]);
    ReadRows(d);
    return d;
  }

 private:
  // Reads the next record, which must be the file's line `n` with `count` fields.
  void Expect(Record& r, int n, std::size_t count, const std::string& form) {
    if (!reader_.Next(r)) {
      reader_.Fail(reader_.line(), "ファイルが終わっています (結果ファイルは 7 行以上あります; " + std::to_string(n) +
                                       " 行目 " + form + " がありません)");
    }
    if (r.fields.size() != count) {
      std::string hint;
      if (n == 1)
        hint = r.fields.size() == 7 ? "; 結果ファイルではありません。モジュールリストではありませんか"
                                    : "; 結果ファイルではありません";
      reader_.Fail(r.line, "項目が " + std::to_string(r.fields.size()) + " 個あります (結果ファイルのこの行は " + form +
                               " の " + std::to_string(count) + " 項目です" + hint + ")");
    }
  }

  void Label(const Record& r, std::size_t i, const char* label) {
    if (r.fields[i].text != label) {
      std::string hint;
      if (std::string_view(label) == "Input Filename=") hint = "; 結果ファイルではありません";
      reader_.Fail(r.line, std::to_string(i + 1) + " 項目目が \"" + Shown(r.fields[i].text) + "\" です (\"" + label +
                               "\" のはずです" + hint + ")");
    }
  }

  float Number(const Record& r, std::size_t i, const std::string& what) {
    const Field& f = r.fields[i];
    float value = 0;
    if (f.text.empty() || !ParseNumberField(f.text, value)) {
      reader_.Fail(r.line,
                   std::to_string(i + 1) + " 項目目 (" + what + ") が数値ではありません: \"" + Shown(f.text) + "\"");
    }
    return value;
  }

  OperatingPoint PointLine(Record& r, int n, const char* name, const char* vpm_label) {
    Expect(r, n, 7,
           std::string("\"") + name + "\",\"Array Pmax [W]=\",数値,\"" + vpm_label + "\",数値,\"Array Ipm [A]=\",数値");
    Label(r, 0, name);
    Label(r, 1, "Array Pmax [W]=");
    Label(r, 3, vpm_label);
    Label(r, 5, "Array Ipm [A]=");
    OperatingPoint p;
    p.Pmax = Number(r, 2, std::string(name) + " の Pmax");
    p.Vpm = Number(r, 4, std::string(name) + " の Vpm");
    p.Ipm = Number(r, 6, std::string(name) + " の Ipm");
    return p;
  }

  std::int16_t StringNumber(const Record& r) {
    const std::string& t = r.fields[0].text;
    int value = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size() || value < 1 || value > kResultMaxStrings) {
      reader_.Fail(r.line, "ストリング番号が 1 から " + std::to_string(kResultMaxStrings) +
                               " の整数ではありません: \"" + Shown(t) + "\"");
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
        if (++blank_lines > kMaxBlankLines) reader_.Fail(r.line, "空の行が多すぎます");
        continue;
      }
      if (blank_line != 0) reader_.Fail(blank_line, "空の行があります (モジュールの行の間に空行は入りません)");
      if (r.fields.size() < 5 && reader_.unterminated()) {
        reader_.Fail(r.line, "結果ファイルが途中で切れています (最後の行の項目が " + std::to_string(r.fields.size()) +
                                 " 個で終わっています。モジュールの行は 5 項目です)");
      }
      if (r.fields.size() != 5) {
        reader_.Fail(r.line, "項目が " + std::to_string(r.fields.size()) +
                                 " 個あります (モジュールの行はストリング番号,モジュール番号,シリアル番号,Vpm,Ipm の 5 "
                                 "項目です)");
      }
      if (d.rows.size() == static_cast<std::size_t>(kResultMaxModules)) {
        reader_.Fail(r.line, "モジュールの行が多すぎます (結果ファイルのモジュールは多くて " +
                                 std::to_string(kResultMaxModules) + " 個です)");
      }
      ResultRow row;
      row.line = r.line;
      row.string_no = StringNumber(r);
      row.moduleNo = Number(r, 1, "モジュール番号");
      row.serialNo = std::move(r.fields[2].text);
      row.vpm = Number(r, 3, "Vpm");
      row.ipm = Number(r, 4, "Ipm");
      if (d.rows.empty()) {
        if (row.string_no != 1) reader_.Fail(r.line, "最初のモジュールのストリング番号が 1 ではありません");
        row.position = 1;
      } else {
        const ResultRow& prev = d.rows.back();
        if (row.string_no == prev.string_no) {
          row.position = prev.position + 1;
          if (row.position > kResultMaxSeries) {
            reader_.Fail(r.line, "ストリング " + std::to_string(row.string_no) + " のモジュールが " +
                                     std::to_string(kResultMaxSeries) + " 個を超えています");
          }
        } else if (row.string_no == prev.string_no + 1) {
          CloseString(d, prev, string_start_line, r.line);
          string_start_line = r.line;
          row.position = 1;
        } else {
          reader_.Fail(r.line, "ストリング " + std::to_string(prev.string_no) + " の次がストリング " +
                                   std::to_string(row.string_no) + " です (ストリング番号は 1 から順に並びます)");
        }
      }
      d.rows.push_back(std::move(row));
    }
    if (!d.rows.empty()) {
      const ResultRow& last = d.rows.back();
      // The writer writes whole strings: a short last string is a file cut off.
      if (last.string_no > 1 && last.position < d.series) {
        reader_.Fail(last.line, "結果ファイルが途中で切れています (ストリング " + std::to_string(last.string_no) +
                                    " のモジュールが " + std::to_string(last.position) +
                                    " 個で終わっています。ストリング 1 は " + std::to_string(d.series) + " 個です)");
      }
      CloseString(d, last, string_start_line, last.line);
    }
  }

  // Every string holds as many modules as the first. `line` is where the
  // mismatch shows: the first row of the next string, or the last row.
  void CloseString(ResultFileData& d, const ResultRow& last, int start_line, int line) {
    if (last.string_no == 1) d.series = last.position;
    if (last.position != d.series) {
      reader_.Fail(line, "ストリング " + std::to_string(last.string_no) + " (" + std::to_string(start_line) +
                             " 行目から) のモジュールが " + std::to_string(last.position) +
                             " 個です (ストリング 1 は " + std::to_string(d.series) +
                             " 個; どのストリングも同じ数です)");
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
  if (ec || !fs::exists(status)) throw ResultFileError("結果ファイルがありません: " + path, 0);
  if (fs::is_directory(status)) throw ResultFileError("結果ファイルではなくフォルダです: " + path, 0);
  // A device or a pipe could block or never end.
  if (!fs::is_regular_file(status)) throw ResultFileError("結果ファイルが通常のファイルではありません: " + path, 0);
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    const int error = errno;
    throw ResultFileError(
        "結果ファイルを開けません: " + path + (error != 0 ? " (" + std::string(std::strerror(error)) + ")" : ""), 0);
  }
  return ReadResultFile(in, path);
}

}  // namespace voltrigg
