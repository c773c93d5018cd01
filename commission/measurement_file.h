#pragma once
// The commissioning measurement file: comma-separated text (UTF-8 or
// Shift-JIS, CR LF or LF) with a header naming its columns in any order:
// string, voc_v, isc_a, irradiance_w_m2, module_temperature_c; the further
// items of the record in optional columns: polarity (ok or reversed),
// insulation_pos_mohm, insulation_neg_mohm, insulation_test_v,
// earth_continuity_ohm, each empty where not measured; a plan column with
// the fingerprint of the plan the form was made for (PlanFingerprint); a
// note column and unknown columns are carried and ignored. A row whose
// voc_v and isc_a are both empty is a string not measured yet (the blank
// form's rows); such a row may not hold a further item.
#include <istream>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "commission/string_verdict.h"

namespace voltrigg {

inline constexpr int kMaxMeasurementRows = 10000;

// The columns of the file, as the form writes them.
inline constexpr const char* kStringColumn = "string";
inline constexpr const char* kVocColumn = "voc_v";
inline constexpr const char* kIscColumn = "isc_a";
inline constexpr const char* kIrradianceColumn = "irradiance_w_m2";
inline constexpr const char* kModuleTemperatureColumn = "module_temperature_c";
inline constexpr const char* kNoteColumn = "note";
inline constexpr const char* kPolarityColumn = "polarity";
inline constexpr const char* kInsulationPositiveColumn = "insulation_pos_mohm";
inline constexpr const char* kInsulationNegativeColumn = "insulation_neg_mohm";
inline constexpr const char* kInsulationTestVoltageColumn = "insulation_test_v";
inline constexpr const char* kEarthContinuityColumn = "earth_continuity_ohm";
inline constexpr const char* kPlanColumn = "plan";
// The words of the polarity column (blanks and case aside).
inline constexpr const char* kPolarityOkWord = "ok";
inline constexpr const char* kPolarityReversedWord = "reversed";

// The conditions of the whole file (--irradiance, --module-temperature), used
// where a row leaves them empty. Checked by the reader (kIrradianceLimit,
// kModuleTemperatureLimit; std::invalid_argument).
struct MeasurementDefaults {
  std::optional<double> irradiance_w_m2;
  std::optional<double> module_temperature_c;
};

// Why a file cannot be used. The core words none of it: the front ends'
// text catalogue does (app/shared/measurement_texts.h), in their language.
enum class MeasurementFault {
  CannotOpen,
  UnclosedQuote,
  TextAfterQuote,
  FieldTooLong,
  NulByte,
  ReadFailed,
  EndsInsideRow,
  TooManyFields,        // count: the most a row may hold
  Empty,                // no header line
  ColumnTwice,          // field: the column
  NoColumn,             // field: the column
  NoConditionColumn,    // field: the column, limit: the condition the whole file could give it by
  TooManyRows,          // count: the most a file may hold
  FieldCount,           // count: fields of the row, other: fields of the header
  NotANumber,           // field, value
  NotFinite,            // field, value
  NotInPlan,            // value: the string number as written, count: strings of the plan
  NoStringNumber,       //
  NoValue,              // field: the empty one, value: the column given (isc_a, voc_v or a further item)
  MeasuredTwice,        // count: the string, other: the line of its first measurement; value: its name, if named
  NoCondition,          // field, limit: the condition the whole file could give it by
  ConditionOutOfRange,  // field, value: the number, limit: its range, from_option
  Negative,             // field, value: a further item below 0
  UnknownWord,          // field, value: a polarity that is neither ok nor reversed
  OtherPlan,            // field, value: the fingerprint written, expected: the plan's own
  // A plan of named strings (a plant's, ReadNamedMeasurements) and a result's told apart.
  NotANamedString,        // field, value: the name as written, count: strings of the plan
  NoStringName,           // field
  NumberForNamedString,   // field, value: a string number, as a result's file has it, where a name belongs
  NameForNumberedString,  // field, value: a plant's string name (INVERTER.INPUT.STRING), count: strings of the plan
};

struct MeasurementRefusal {
  MeasurementFault fault = MeasurementFault::CannotOpen;
  std::string field;  // the column, where one is named
  std::string value;  // as the message shows it (UTF-8)
  int count = 0;
  int other = 0;
  // ConditionOutOfRange: the range; NoCondition, NoConditionColumn: the
  // condition a front end's option (--irradiance) gives for the whole file.
  ConditionLimit limit{};
  bool from_option = false;  // ConditionOutOfRange: the value came from the option, not the row
  std::string expected;      // OtherPlan: the fingerprint of the plan checked against
};

// How a program words a refusal in what(): its text catalogue's language,
// chosen once at its start (as SetRunFaultWording). `where` is the file as
// the reader was given it, `line` 0 for the file as a whole. Until one is
// chosen, what() gives a plain description for a developer.
using MeasurementRefusalWording = std::string (*)(const MeasurementRefusal& refusal, int line,
                                                  const std::string& where);
void SetMeasurementRefusalWording(MeasurementRefusalWording wording);
std::string WordMeasurementRefusal(const MeasurementRefusal& refusal, int line, const std::string& where);

// A file that cannot be used: the refusal, the line (0 for the file as a
// whole) and the file as the reader was given it (UTF-8).
class MeasurementFileError : public std::runtime_error {
 public:
  MeasurementFileError(MeasurementRefusal refusal, int line, const std::string& where)
      : std::runtime_error(WordMeasurementRefusal(refusal, line, where)),
        line_(line),
        refusal_(std::move(refusal)),
        where_(where) {}
  int line() const { return line_; }
  const MeasurementRefusal& refusal() const { return refusal_; }
  const std::string& where() const { return where_; }

 private:
  int line_;
  MeasurementRefusal refusal_;
  std::string where_;
};

// The measured strings of the file, in file order; `string_count` is the
// plan's P. `plan_fingerprint` is the fingerprint of the plan checked
// (PlanFingerprint): a row whose plan field names another plan is refused,
// one whose plan field is empty is not; empty, the plan column is carried
// unchecked. Refused (MeasurementFileError): a row of another plan, a number
// that does not parse or is not finite, a further item below 0 or a polarity
// other than ok or reversed, a further item in a row without Voc and Isc, a
// string number not in the plan, a string measured twice, a missing
// condition or one out of range, a row whose field count is not the header's,
// more than kMaxMeasurementRows rows, a broken field.
std::vector<StringMeasurement> ReadMeasurements(std::istream& in, const std::string& where, int string_count,
                                                const MeasurementDefaults& defaults,
                                                const std::string& plan_fingerprint = {});

// The same from the file at `path`.
std::vector<StringMeasurement> ReadMeasurementFile(const std::string& path, int string_count,
                                                   const MeasurementDefaults& defaults,
                                                   const std::string& plan_fingerprint = {});

// The measured strings of a plan whose strings are named (NamedStringPlan:
// string j + 1 is names[j]): the string column holds the name, blanks
// around it aside, and each measurement's string_no is the string's place in
// `names`. Refused as ReadMeasurements refuses, and besides: a name that is
// not one of `names`, a row with values but no name, a row that numbers its
// string as a result's file does. A file holds at most kMaxMeasurementRows
// rows or one per string, whichever is more. A result's file
// (ReadMeasurements) in turn refuses a row that names its string as a
// plant's register does (INVERTER.INPUT.STRING).
std::vector<StringMeasurement> ReadNamedMeasurements(std::istream& in, const std::string& where,
                                                     const std::vector<std::string>& names,
                                                     const MeasurementDefaults& defaults,
                                                     const std::string& plan_fingerprint = {});
std::vector<StringMeasurement> ReadNamedMeasurementFile(const std::string& path, const std::vector<std::string>& names,
                                                        const MeasurementDefaults& defaults,
                                                        const std::string& plan_fingerprint = {});

// True when `text` has the shape of a plant's string name: a name, a dot, the
// input's number, a dot, the string's number ("INV-03.7.2"), the name not a number.
bool LooksLikeNamedString(const std::string& text);

// True when the first line of the file at `path` names the columns string,
// voc_v and isc_a, read as the reader reads a header (any order, quoted or
// not, a byte-order mark skipped): a measurement file rather than a result
// or a module list. False for a file that cannot be opened or read.
bool NamesMeasurementColumns(const std::string& path);

}  // namespace voltrigg
