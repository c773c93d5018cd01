#include "commission/measurement_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <utility>

#include "commission/plan_fingerprint.h"
#include "input/field_reader.h"
#include "input/number_text.h"
#include "input/text_utf8.h"

namespace voltrigg {

namespace {

enum Column {
  kString,
  kVoc,
  kIsc,
  kIrradiance,
  kTemperature,
  kNote,
  kPolarity,
  kInsulationPositive,
  kInsulationNegative,
  kInsulationTestVoltage,
  kEarthContinuity,
  kPlan,
  kColumns
};

constexpr std::array<const char*, kColumns> kColumnNames{kStringColumn,
                                                         kVocColumn,
                                                         kIscColumn,
                                                         kIrradianceColumn,
                                                         kModuleTemperatureColumn,
                                                         kNoteColumn,
                                                         kPolarityColumn,
                                                         kInsulationPositiveColumn,
                                                         kInsulationNegativeColumn,
                                                         kInsulationTestVoltageColumn,
                                                         kEarthContinuityColumn,
                                                         kPlanColumn};

// The further items' number columns, in the order a missing Voc names them.
constexpr std::array<Column, 4> kFurtherNumberColumns{kInsulationPositive, kInsulationNegative, kInsulationTestVoltage,
                                                      kEarthContinuity};

// More columns than any spreadsheet of this needs; bounds what a row holds.
constexpr std::size_t kMaxColumns = 256;

std::string Trimmed(const std::string& text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return text;
}

// The column a header field names (blanks and case aside), or -1 for one the reader carries and ignores.
int ColumnNamed(const FieldReader::Field& field) {
  const std::string name = Lower(Trimmed(field.text));
  const auto it = std::find(kColumnNames.begin(), kColumnNames.end(), name);
  return it == kColumnNames.end() ? -1 : static_cast<int>(it - kColumnNames.begin());
}

std::pair<MeasurementFault, const char*> ProblemText(FieldReader::Problem p) {
  switch (p) {
    case FieldReader::Problem::UnclosedQuote:
      return {MeasurementFault::UnclosedQuote, "a quoted field is not closed"};
    case FieldReader::Problem::TextAfterQuote:
      return {MeasurementFault::TextAfterQuote, "text follows a closing quote"};
    case FieldReader::Problem::TooLong:
      return {MeasurementFault::FieldTooLong, "a field is longer than 64 KiB"};
    case FieldReader::Problem::NulByte:
      return {MeasurementFault::NulByte, "a NUL byte (not a text file)"};
    case FieldReader::Problem::ReadFailed:
      return {MeasurementFault::ReadFailed, "the file cannot be read"};
    case FieldReader::Problem::EndOfInput:
    case FieldReader::Problem::None:
      break;
  }
  return {MeasurementFault::EndsInsideRow, "the file ends inside a row"};
}

MeasurementRefusal Refusal(MeasurementFault fault, std::string field = {}, std::string value = {}, int count = 0,
                           int other = 0) {
  MeasurementRefusal r;
  r.fault = fault;
  r.field = std::move(field);
  r.value = std::move(value);
  r.count = count;
  r.other = other;
  return r;
}

class Reader {
 public:
  Reader(std::istream& in, const std::string& where) : fields_(in), where_(where) {}

  [[noreturn]] void Fail(int line, MeasurementRefusal refusal, const std::string& what) const {
    throw MeasurementFileError(where_ + (line > 0 ? " line " + std::to_string(line) : std::string()) + ": " + what,
                               line, std::move(refusal));
  }

  // The fields of the next line, or an empty vector at the end.
  std::vector<FieldReader::Field> NextLine() {
    std::vector<FieldReader::Field> line;
    if (fields_.AtEnd()) return line;
    for (;;) {
      std::optional<FieldReader::Field> f = fields_.Next();
      if (!f) {
        const auto [fault, text] = ProblemText(fields_.LastProblem());
        Fail(line_of_last_, Refusal(fault), text);
      }
      line_of_last_ = f->line;
      const bool last = f->ends_line;
      line.push_back(std::move(*f));
      if (last) return line;
      if (line.size() > kMaxColumns) {
        Fail(line.front().line, Refusal(MeasurementFault::TooManyFields, {}, {}, static_cast<int>(kMaxColumns)),
             "more than " + std::to_string(kMaxColumns) + " fields");
      }
    }
  }

 private:
  FieldReader fields_;
  std::string where_;
  int line_of_last_ = 1;
};

// A decimal number, blanks around it allowed; nothing for an empty field.
// Refused: text that is not a number, a number beyond the double range.
std::optional<double> Number(const Reader& reader, const FieldReader::Field& f, const char* column) {
  std::string text = Trimmed(f.text);
  if (text.empty()) return std::nullopt;
  const std::string shown = TextAsUtf8(text.substr(0, 40));
  if (!LooksLikeNumber(text)) {
    reader.Fail(f.line, Refusal(MeasurementFault::NotANumber, column, shown),
                "field " + std::string(column) + ": \"" + shown + "\" is not a number");
  }
  if (text.front() == '+') text.erase(0, 1);  // from_chars takes no plus sign
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    reader.Fail(f.line, Refusal(MeasurementFault::NotFinite, column, shown),
                "field " + std::string(column) + ": \"" + shown + "\" is not a finite number");
  }
  return value;
}

// A further item's number: none for an empty field (or no column), refused
// as Number refuses and below 0.
std::optional<double> NotNegative(const Reader& reader, const FieldReader::Field* f, const char* column) {
  if (f == nullptr) return std::nullopt;
  const std::optional<double> value = Number(reader, *f, column);
  if (value && !(*value >= 0)) {
    const std::string shown = TextAsUtf8(Trimmed(f->text).substr(0, 40));
    reader.Fail(f->line, Refusal(MeasurementFault::Negative, column, shown),
                "field " + std::string(column) + ": \"" + shown + "\" is negative");
  }
  return value;
}

// The polarity word, blanks and case aside: none for an empty field.
std::optional<Polarity> PolarityWord(const Reader& reader, const FieldReader::Field* f) {
  if (f == nullptr) return std::nullopt;
  const std::string word = Lower(Trimmed(f->text));
  if (word.empty()) return std::nullopt;
  if (word == kPolarityOkWord) return Polarity::Ok;
  if (word != kPolarityReversedWord) {
    const std::string shown = TextAsUtf8(Trimmed(f->text).substr(0, 40));
    reader.Fail(f->line, Refusal(MeasurementFault::UnknownWord, kPolarityColumn, shown),
                "field polarity: \"" + shown + "\" is neither " + kPolarityOkWord + " nor " + kPolarityReversedWord);
  }
  return Polarity::Reversed;
}

std::string RangeOf(const ConditionLimit& limit) { return LimitRangeText(limit); }

double Condition(const Reader& reader, const FieldReader::Field* f, const std::optional<double>& fallback,
                 const char* column, const ConditionLimit& limit, int line) {
  std::optional<double> value = f != nullptr ? Number(reader, *f, column) : std::nullopt;
  const bool from_option = !value;
  if (!value) value = fallback;
  if (!value) {
    reader.Fail(line, Refusal(MeasurementFault::NoCondition, column, limit.option),
                "field " + std::string(column) + ": no value (give it in the row or for the whole file with " +
                    limit.option + ")");
  }
  if (!WithinLimit(*value, limit)) {
    char text[64];
    (void)std::snprintf(text, sizeof text, "%g", *value);
    MeasurementRefusal refusal = Refusal(MeasurementFault::ConditionOutOfRange, column, text);
    refusal.limit = limit;
    refusal.from_option = from_option;
    reader.Fail(line, std::move(refusal),
                "field " + std::string(column) + ": " + text +
                    (from_option ? " (from " + std::string(limit.option) + ")" : "") + " is not " + RangeOf(limit));
  }
  return *value;
}

}  // namespace

std::vector<StringMeasurement> ReadMeasurements(std::istream& in, const std::string& where, int string_count,
                                                const MeasurementDefaults& defaults,
                                                const std::string& plan_fingerprint) {
  if (defaults.irradiance_w_m2 && !WithinLimit(*defaults.irradiance_w_m2, kIrradianceLimit)) {
    throw std::invalid_argument(DescribeConditionFault({kIrradianceLimit, *defaults.irradiance_w_m2}));
  }
  if (defaults.module_temperature_c && !WithinLimit(*defaults.module_temperature_c, kModuleTemperatureLimit)) {
    throw std::invalid_argument(DescribeConditionFault({kModuleTemperatureLimit, *defaults.module_temperature_c}));
  }
  Reader reader(in, where);
  const std::vector<FieldReader::Field> header = reader.NextLine();
  if (header.empty())
    reader.Fail(0, Refusal(MeasurementFault::Empty),
                "the file is empty (a header line is needed: " + std::string(kStringColumn) + "," + kVocColumn + "," +
                    kIscColumn + "," + kIrradianceColumn + "," + kModuleTemperatureColumn + ")");
  std::array<int, kColumns> at{};
  at.fill(-1);
  for (std::size_t c = 0; c < header.size(); ++c) {
    const int k = ColumnNamed(header[c]);
    if (k < 0) continue;
    if (at[static_cast<std::size_t>(k)] >= 0) {
      const std::string name = kColumnNames[static_cast<std::size_t>(k)];
      reader.Fail(header[c].line, Refusal(MeasurementFault::ColumnTwice, name),
                  "the column " + name + " is named twice");
    }
    at[static_cast<std::size_t>(k)] = static_cast<int>(c);
  }
  const int header_line = header.front().line;
  for (int k : {kString, kVoc, kIsc}) {
    if (at[static_cast<std::size_t>(k)] < 0) {
      const char* name = kColumnNames[static_cast<std::size_t>(k)];
      reader.Fail(header_line, Refusal(MeasurementFault::NoColumn, name),
                  std::string("the header has no column ") + name);
    }
  }
  if (at[kIrradiance] < 0 && !defaults.irradiance_w_m2) {
    reader.Fail(header_line, Refusal(MeasurementFault::NoConditionColumn, kIrradianceColumn, kIrradianceLimit.option),
                std::string("the header has no column ") + kIrradianceColumn + " and " + kIrradianceLimit.option +
                    " is not given");
  }
  if (at[kTemperature] < 0 && !defaults.module_temperature_c) {
    reader.Fail(header_line,
                Refusal(MeasurementFault::NoConditionColumn, kModuleTemperatureColumn, kModuleTemperatureLimit.option),
                std::string("the header has no column ") + kModuleTemperatureColumn + " and " +
                    kModuleTemperatureLimit.option + " is not given");
  }

  std::vector<StringMeasurement> out;
  std::map<int, int> line_of_string;
  int rows = 0;
  for (std::vector<FieldReader::Field> row = reader.NextLine(); !row.empty(); row = reader.NextLine()) {
    const int line = row.front().line;
    if (++rows > kMaxMeasurementRows) {
      reader.Fail(line, Refusal(MeasurementFault::TooManyRows, {}, {}, kMaxMeasurementRows),
                  "more than " + std::to_string(kMaxMeasurementRows) + " rows");
    }
    if (row.size() != header.size()) {
      reader.Fail(
          line,
          Refusal(MeasurementFault::FieldCount, {}, {}, static_cast<int>(row.size()), static_cast<int>(header.size())),
          std::to_string(row.size()) + " fields where the header has " + std::to_string(header.size()));
    }
    const auto field = [&](Column c) -> const FieldReader::Field* {
      const int k = at[static_cast<std::size_t>(c)];
      return k < 0 ? nullptr : &row[static_cast<std::size_t>(k)];
    };
    // A row of another plan first: its values belong to other strings.
    if (const FieldReader::Field* plan = field(kPlan); plan != nullptr && !plan_fingerprint.empty()) {
      const std::string written = Trimmed(plan->text);
      if (!written.empty() && !SamePlan(written, plan_fingerprint)) {
        const std::string shown = TextAsUtf8(written.substr(0, 40));
        MeasurementRefusal refusal = Refusal(MeasurementFault::OtherPlan, kPlanColumn, shown);
        refusal.expected = TextAsUtf8(plan_fingerprint);
        const std::string what =
            "field plan: " + shown + " is the form of another plan (this plan is " + refusal.expected + ")";
        reader.Fail(line, std::move(refusal), what);
      }
    }
    const std::optional<double> string_no = Number(reader, *field(kString), kStringColumn);
    const std::optional<double> voc = Number(reader, *field(kVoc), kVocColumn);
    const std::optional<double> isc = Number(reader, *field(kIsc), kIscColumn);
    if (string_no && !(*string_no >= 1 && *string_no <= string_count && *string_no == std::floor(*string_no))) {
      const std::string shown = TextAsUtf8(Trimmed(field(kString)->text).substr(0, 40));
      reader.Fail(
          line, Refusal(MeasurementFault::NotInPlan, kStringColumn, shown, string_count),
          "field string: " + shown + " is not a string of the plan (1 to " + std::to_string(string_count) + ")");
    }
    const std::optional<Polarity> polarity = PolarityWord(reader, field(kPolarity));
    std::array<std::optional<double>, kFurtherNumberColumns.size()> further;
    for (std::size_t k = 0; k < further.size(); ++k) {
      further[k] = NotNegative(reader, field(kFurtherNumberColumns[k]), kColumnNames[kFurtherNumberColumns[k]]);
    }
    // A row of the blank form not filled in yet, or an empty spreadsheet row.
    // A further item without Voc and Isc would be lost: refused.
    if (!voc && !isc) {
      const char* given = polarity ? kPolarityColumn : nullptr;
      for (std::size_t k = 0; given == nullptr && k < further.size(); ++k) {
        if (further[k]) given = kColumnNames[kFurtherNumberColumns[k]];
      }
      if (given != nullptr) {
        reader.Fail(line, Refusal(MeasurementFault::NoValue, kVocColumn, given),
                    "field voc_v: no value (" + std::string(given) + " is given)");
      }
      continue;
    }
    if (!string_no)
      reader.Fail(line, Refusal(MeasurementFault::NoStringNumber, kStringColumn), "field string: no string number");
    if (!voc)
      reader.Fail(line, Refusal(MeasurementFault::NoValue, kVocColumn, kIscColumn),
                  "field voc_v: no value (isc_a is given)");
    if (!isc)
      reader.Fail(line, Refusal(MeasurementFault::NoValue, kIscColumn, kVocColumn),
                  "field isc_a: no value (voc_v is given)");
    StringMeasurement m;
    m.string_no = static_cast<int>(*string_no);
    m.voc_v = *voc;
    m.isc_a = *isc;
    m.line = line;
    const auto [it, fresh] = line_of_string.emplace(m.string_no, line);
    if (!fresh) {
      reader.Fail(line, Refusal(MeasurementFault::MeasuredTwice, kStringColumn, {}, m.string_no, it->second),
                  "field string: string " + std::to_string(m.string_no) + " is measured twice (also line " +
                      std::to_string(it->second) + ")");
    }
    m.irradiance_w_m2 =
        Condition(reader, field(kIrradiance), defaults.irradiance_w_m2, kIrradianceColumn, kIrradianceLimit, line);
    m.module_temperature_c = Condition(reader, field(kTemperature), defaults.module_temperature_c,
                                       kModuleTemperatureColumn, kModuleTemperatureLimit, line);
    if (const FieldReader::Field* note = field(kNote)) m.note = TextAsUtf8(note->text);
    m.polarity = polarity;
    m.insulation_pos_mohm = further[0];
    m.insulation_neg_mohm = further[1];
    m.insulation_test_v = further[2];
    m.earth_continuity_ohm = further[3];
    if (const FieldReader::Field* plan = field(kPlan)) m.plan = TextAsUtf8(Trimmed(plan->text));
    out.push_back(std::move(m));
  }
  return out;
}

std::vector<StringMeasurement> ReadMeasurementFile(const std::string& path, int string_count,
                                                   const MeasurementDefaults& defaults,
                                                   const std::string& plan_fingerprint) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) {
    throw MeasurementFileError("cannot open the measurement file " + path, 0, Refusal(MeasurementFault::CannotOpen));
  }
  return ReadMeasurements(in, TextAsUtf8(path), string_count, defaults, plan_fingerprint);
}

bool NamesMeasurementColumns(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return false;
  Reader reader(in, path);
  std::vector<FieldReader::Field> header;
  try {
    header = reader.NextLine();
  } catch (const MeasurementFileError&) {
    return false;  // not even a first line the reader can take
  }
  std::array<bool, kColumns> named{};
  for (const FieldReader::Field& f : header) {
    if (const int k = ColumnNamed(f); k >= 0) named[static_cast<std::size_t>(k)] = true;
  }
  return named[kString] && named[kVoc] && named[kIsc];
}

}  // namespace voltrigg
