#include "commission/measurement_file.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <string_view>
#include <unordered_map>
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

MeasurementFault FaultOf(FieldReader::Problem p) {
  switch (p) {
    case FieldReader::Problem::UnclosedQuote:
      return MeasurementFault::UnclosedQuote;
    case FieldReader::Problem::TextAfterQuote:
      return MeasurementFault::TextAfterQuote;
    case FieldReader::Problem::TooLong:
      return MeasurementFault::FieldTooLong;
    case FieldReader::Problem::NulByte:
      return MeasurementFault::NulByte;
    case FieldReader::Problem::ReadFailed:
      return MeasurementFault::ReadFailed;
    case FieldReader::Problem::EndOfInput:
    case FieldReader::Problem::None:
      break;
  }
  return MeasurementFault::EndsInsideRow;
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

  [[noreturn]] void Fail(int line, MeasurementRefusal refusal) const {
    throw MeasurementFileError(std::move(refusal), line, where_);
  }

  // The fields of the next line, or an empty vector at the end.
  std::vector<FieldReader::Field> NextLine() {
    std::vector<FieldReader::Field> line;
    if (fields_.AtEnd()) return line;
    for (;;) {
      std::optional<FieldReader::Field> f = fields_.Next();
      if (!f) Fail(line_of_last_, Refusal(FaultOf(fields_.LastProblem())));
      line_of_last_ = f->line;
      const bool last = f->ends_line;
      line.push_back(std::move(*f));
      if (last) return line;
      if (line.size() > kMaxColumns) {
        Fail(line.front().line, Refusal(MeasurementFault::TooManyFields, {}, {}, static_cast<int>(kMaxColumns)));
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
    reader.Fail(f.line, Refusal(MeasurementFault::NotANumber, column, shown));
  }
  if (text.front() == '+') text.erase(0, 1);  // from_chars takes no plus sign
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    reader.Fail(f.line, Refusal(MeasurementFault::NotFinite, column, shown));
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
    reader.Fail(f->line, Refusal(MeasurementFault::Negative, column, shown));
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
    reader.Fail(f->line, Refusal(MeasurementFault::UnknownWord, kPolarityColumn, shown));
  }
  return Polarity::Reversed;
}

// A refusal about a condition: its column and the limit that names it.
MeasurementRefusal ConditionRefusal(MeasurementFault fault, const char* column, const ConditionLimit& limit) {
  MeasurementRefusal refusal = Refusal(fault, column);
  refusal.limit = limit;
  return refusal;
}

double Condition(const Reader& reader, const FieldReader::Field* f, const std::optional<double>& fallback,
                 const char* column, const ConditionLimit& limit, int line) {
  std::optional<double> value = f != nullptr ? Number(reader, *f, column) : std::nullopt;
  const bool from_option = !value;
  if (!value) value = fallback;
  if (!value) reader.Fail(line, ConditionRefusal(MeasurementFault::NoCondition, column, limit));
  if (!WithinLimit(*value, limit)) {
    char text[64];
    (void)std::snprintf(text, sizeof text, "%g", *value);
    MeasurementRefusal refusal = ConditionRefusal(MeasurementFault::ConditionOutOfRange, column, limit);
    refusal.value = text;
    refusal.from_option = from_option;
    reader.Fail(line, std::move(refusal));
  }
  return *value;
}

std::atomic<MeasurementRefusalWording> installed_wording{nullptr};

// Without a catalogue: the fault's number and what it names, for a developer.
std::string PlainDescription(const MeasurementRefusal& r, int line, const std::string& where) {
  std::string out = "measurement fault " + std::to_string(static_cast<int>(r.fault)) + " in " + where;
  if (line > 0) out += " line " + std::to_string(line);
  if (!r.field.empty()) out += " field " + r.field;
  if (!r.value.empty()) out += ": " + r.value;
  return out;
}

}  // namespace

void SetMeasurementRefusalWording(MeasurementRefusalWording wording) { installed_wording.store(wording); }

std::string WordMeasurementRefusal(const MeasurementRefusal& refusal, int line, const std::string& where) {
  const MeasurementRefusalWording wording = installed_wording.load();
  return wording != nullptr ? wording(refusal, line, where) : PlainDescription(refusal, line, where);
}

namespace {

// The strings a file may measure: numbered 1..count (a result's), or named
// (a plant's): each name with its place from 1.
struct StringsOfPlan {
  int count = 0;
  const std::unordered_map<std::string, int>* names = nullptr;
};

// The string a row measures as its field reads, before the measured values:
// a result's number, none for an empty field.
std::optional<double> StringNumberOfRow(const Reader& reader, const FieldReader::Field& f, const StringsOfPlan& plan,
                                        int line) {
  if (plan.names != nullptr) return std::nullopt;
  // A plant's measurements given with a result: named as its register names them.
  const std::string text = Trimmed(f.text);
  if (LooksLikeNamedString(TextAsUtf8(text))) {
    reader.Fail(line, Refusal(MeasurementFault::NameForNumberedString, kStringColumn, TextAsUtf8(text.substr(0, 40)),
                              plan.count));
  }
  return Number(reader, f, kStringColumn);
}

// The string's place in the plan, after the measured values: none for an
// empty field; refused when the plan has no such string.
std::optional<double> StringOfRow(const Reader& reader, const FieldReader::Field& f,
                                  const std::optional<double>& string_no, const StringsOfPlan& plan, int line) {
  const std::string text = Trimmed(f.text);
  const std::string shown = TextAsUtf8(text.substr(0, 40));
  if (plan.names == nullptr) {
    if (string_no && !(*string_no >= 1 && *string_no <= plan.count && *string_no == std::floor(*string_no))) {
      reader.Fail(line, Refusal(MeasurementFault::NotInPlan, kStringColumn, shown, plan.count));
    }
    return string_no;
  }
  if (text.empty()) return std::nullopt;
  const auto it = plan.names->find(TextAsUtf8(text));
  if (it == plan.names->end()) {
    // A result's measurements given with a plant: strings numbered 1..P.
    if (LooksLikeNumber(text)) reader.Fail(line, Refusal(MeasurementFault::NumberForNamedString, kStringColumn, shown));
    reader.Fail(line, Refusal(MeasurementFault::NotANamedString, kStringColumn, shown, plan.count));
  }
  return it->second;
}

std::vector<StringMeasurement> Read(std::istream& in, const std::string& where, const StringsOfPlan& strings,
                                    const MeasurementDefaults& defaults, const std::string& plan_fingerprint) {
  const bool named = strings.names != nullptr;
  // A plant's form has a row per string, however many.
  const int max_rows = named ? std::max(kMaxMeasurementRows, strings.count) : kMaxMeasurementRows;
  if (defaults.irradiance_w_m2 && !WithinLimit(*defaults.irradiance_w_m2, kIrradianceLimit)) {
    throw std::invalid_argument(DescribeConditionFault({kIrradianceLimit, *defaults.irradiance_w_m2}));
  }
  if (defaults.module_temperature_c && !WithinLimit(*defaults.module_temperature_c, kModuleTemperatureLimit)) {
    throw std::invalid_argument(DescribeConditionFault({kModuleTemperatureLimit, *defaults.module_temperature_c}));
  }
  Reader reader(in, where);
  const std::vector<FieldReader::Field> header = reader.NextLine();
  if (header.empty()) reader.Fail(0, Refusal(MeasurementFault::Empty));
  std::array<int, kColumns> at{};
  at.fill(-1);
  for (std::size_t c = 0; c < header.size(); ++c) {
    const int k = ColumnNamed(header[c]);
    if (k < 0) continue;
    if (at[static_cast<std::size_t>(k)] >= 0) {
      const std::string name = kColumnNames[static_cast<std::size_t>(k)];
      reader.Fail(header[c].line, Refusal(MeasurementFault::ColumnTwice, name));
    }
    at[static_cast<std::size_t>(k)] = static_cast<int>(c);
  }
  const int header_line = header.front().line;
  for (int k : {kString, kVoc, kIsc}) {
    if (at[static_cast<std::size_t>(k)] < 0) {
      const char* name = kColumnNames[static_cast<std::size_t>(k)];
      reader.Fail(header_line, Refusal(MeasurementFault::NoColumn, name));
    }
  }
  if (at[kIrradiance] < 0 && !defaults.irradiance_w_m2) {
    reader.Fail(header_line,
                ConditionRefusal(MeasurementFault::NoConditionColumn, kIrradianceColumn, kIrradianceLimit));
  }
  if (at[kTemperature] < 0 && !defaults.module_temperature_c) {
    reader.Fail(header_line, ConditionRefusal(MeasurementFault::NoConditionColumn, kModuleTemperatureColumn,
                                              kModuleTemperatureLimit));
  }

  std::vector<StringMeasurement> out;
  std::map<int, int> line_of_string;
  int rows = 0;
  for (std::vector<FieldReader::Field> row = reader.NextLine(); !row.empty(); row = reader.NextLine()) {
    const int line = row.front().line;
    if (++rows > max_rows) reader.Fail(line, Refusal(MeasurementFault::TooManyRows, {}, {}, max_rows));
    if (row.size() != header.size()) {
      reader.Fail(line, Refusal(MeasurementFault::FieldCount, {}, {}, static_cast<int>(row.size()),
                                static_cast<int>(header.size())));
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
        reader.Fail(line, std::move(refusal));
      }
    }
    const std::optional<double> number = StringNumberOfRow(reader, *field(kString), strings, line);
    const std::optional<double> voc = Number(reader, *field(kVoc), kVocColumn);
    const std::optional<double> isc = Number(reader, *field(kIsc), kIscColumn);
    const std::optional<double> string_no = StringOfRow(reader, *field(kString), number, strings, line);
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
      if (given != nullptr) reader.Fail(line, Refusal(MeasurementFault::NoValue, kVocColumn, given));
      continue;
    }
    if (!string_no) {
      reader.Fail(line,
                  Refusal(named ? MeasurementFault::NoStringName : MeasurementFault::NoStringNumber, kStringColumn));
    }
    if (!voc) reader.Fail(line, Refusal(MeasurementFault::NoValue, kVocColumn, kIscColumn));
    if (!isc) reader.Fail(line, Refusal(MeasurementFault::NoValue, kIscColumn, kVocColumn));
    StringMeasurement m;
    m.string_no = static_cast<int>(*string_no);
    m.voc_v = *voc;
    m.isc_a = *isc;
    m.line = line;
    const auto [it, fresh] = line_of_string.emplace(m.string_no, line);
    if (!fresh) {
      const std::string name = named ? TextAsUtf8(Trimmed(field(kString)->text)) : std::string();
      reader.Fail(line, Refusal(MeasurementFault::MeasuredTwice, kStringColumn, name, m.string_no, it->second));
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

}  // namespace

std::vector<StringMeasurement> ReadMeasurements(std::istream& in, const std::string& where, int string_count,
                                                const MeasurementDefaults& defaults,
                                                const std::string& plan_fingerprint) {
  return Read(in, where, StringsOfPlan{string_count, nullptr}, defaults, plan_fingerprint);
}

std::vector<StringMeasurement> ReadMeasurementFile(const std::string& path, int string_count,
                                                   const MeasurementDefaults& defaults,
                                                   const std::string& plan_fingerprint) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) throw MeasurementFileError(Refusal(MeasurementFault::CannotOpen), 0, TextAsUtf8(path));
  return ReadMeasurements(in, TextAsUtf8(path), string_count, defaults, plan_fingerprint);
}

std::vector<StringMeasurement> ReadNamedMeasurements(std::istream& in, const std::string& where,
                                                     const std::vector<std::string>& names,
                                                     const MeasurementDefaults& defaults,
                                                     const std::string& plan_fingerprint) {
  if (names.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    throw std::invalid_argument("more strings than a measurement file can name");
  }
  std::unordered_map<std::string, int> place;
  place.reserve(names.size());
  for (std::size_t j = 0; j < names.size(); ++j) {
    if (names[j].empty() || !place.emplace(names[j], static_cast<int>(j) + 1).second) {
      throw std::invalid_argument("the plan's string names must be given and differ");
    }
  }
  return Read(in, where, StringsOfPlan{static_cast<int>(names.size()), &place}, defaults, plan_fingerprint);
}

std::vector<StringMeasurement> ReadNamedMeasurementFile(const std::string& path, const std::vector<std::string>& names,
                                                        const MeasurementDefaults& defaults,
                                                        const std::string& plan_fingerprint) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) throw MeasurementFileError(Refusal(MeasurementFault::CannotOpen), 0, TextAsUtf8(path));
  return ReadNamedMeasurements(in, TextAsUtf8(path), names, defaults, plan_fingerprint);
}

bool LooksLikeNamedString(const std::string& text) {
  const auto digits = [](std::string_view part) {
    return !part.empty() && std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  const std::size_t last = text.rfind('.');
  if (last == std::string::npos || last == 0) return false;
  const std::size_t middle = text.rfind('.', last - 1);
  if (middle == std::string::npos || middle == 0) return false;
  const std::string_view view(text);
  const std::string_view name = view.substr(0, middle);
  return digits(view.substr(middle + 1, last - middle - 1)) && digits(view.substr(last + 1)) && !LooksLikeNumber(name);
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
