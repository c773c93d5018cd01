#pragma once
// The commissioning check of rows typed on a page, string by string, rather
// than read from a file. The opened result's array and its modules' curves
// are taken once; each row is checked as it is typed, by the measurement
// file's own reader and the check voltrigg-cli commission makes; the rows are
// written as a measurement file in the blank form's columns, with the plan's
// fingerprint on every row, so that voltrigg-cli commission reads that file
// and writes the very commissioning file the page shows; and a measurement
// file is read back into rows to go on with it.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/shared/commission_options.h"
#include "app/shared/commission_view.h"
#include "app/shared/opened_result.h"
#include "commission/commissioning.h"
#include "commission/measurement_form.h"
#include "plant/plant.h"

namespace voltrigg {

// The fields of a typed row, in the measurement file's column order, so that
// a block of cells pasted from a sheet laid out like the form fills them in
// that order.
enum class TypedField {
  Voc,
  Isc,
  Irradiance,
  ModuleTemperature,
  Polarity,
  InsulationPositive,
  InsulationNegative,
  InsulationTestVoltage,
  EarthContinuity,
  Note,
};
inline constexpr std::size_t kTypedFieldCount = 10;

// The column a field is written to: "voc_v", "isc_a", ...
const char* TypedFieldColumn(TypedField field);

// One string's row as typed: texts, empty where nothing is typed.
struct TypedRow {
  std::array<std::string, kTypedFieldCount> fields;

  const std::string& operator[](TypedField f) const { return fields[static_cast<std::size_t>(f)]; }
  std::string& operator[](TypedField f) { return fields[static_cast<std::size_t>(f)]; }
};

// A typed number as the reader reads it: full-width digits, point, signs and
// blanks (as a Japanese input method types them) and the minus sign U+2212
// turned into their ASCII forms, blanks around it dropped. Anything else is
// left for the reader to judge.
std::string NormalisedNumberText(std::string_view typed);

struct CommissionSession {
  std::string result_name;  // the result and its list as the commissioning file names them (bytes)
  std::string list_name;
  std::string file_name;      // the measurement file the rows are saved as, named in refusals (UTF-8)
  CommissionArray array;      // the result's wiring, the list's modules and their curves
  std::string plan;           // the fingerprint of the result's wiring, written on every row
  std::vector<FormRow> form;  // per string 1..P: expected Voc and Isc at 1000 W/m² and 25 °C
  // A plant's strings (StartPlantCommissionSession): string j + 1 is
  // string_names[j], the insulation test chosen by the plant's system
  // voltage, and the commissioning file names the plant file and its lists.
  // Empty for a result's strings, numbered 1..P.
  std::vector<std::string> string_names;
  double system_voltage_v = 0;          // [V] a plant's
  std::vector<std::string> list_names;  // a plant's lists (bytes)
};

// The session of `opened`'s result wiring: nothing, with the reason in
// `failure` as the viewer words it, without a list that matches the result
// or when a module's curve cannot be fitted. The conditions' coefficients
// give the form's expected values.
std::optional<CommissionSession> StartCommissionSession(const OpenedResult& opened, const CommissionOptions& options,
                                                        std::string result_name, std::string list_name,
                                                        std::string file_name, CommissionFailure* failure);

// The session of a plant's strings: the plant file and the lists it was
// planned from, read as voltrigg-cli commission reads them (sources as the
// plant's planning takes them: files, or texts of in-memory files), named in
// the commissioning file as `plant_name` and `list_names`. Nothing, with
// every refusal in Japanese in `failure` (one a line), when the plant file
// or a list is refused or a serial of the plant is in no list. The rows,
// files and checks below then name the strings as the plant's register does.
std::optional<CommissionSession> StartPlantCommissionSession(const PlantSource& plant_file,
                                                             const std::vector<PlantSource>& lists,
                                                             const CommissionOptions& options, bool isc_first,
                                                             std::string file_name, CommissionFailure* failure);

// The measurement file of `rows` (rows[j] is string j + 1; missing rows are
// empty): the form's header and one row per string, CR LF line ends, the
// typed texts as typed (numbers normalised, control characters as blanks,
// fields quoted where they need it), the irradiance and module temperature
// of `all_rows` written into every measured row that leaves them empty, and
// each string's expected values and the plan's fingerprint. String j + 1
// stands on line j + 2, so the reader's line numbers name the string.
std::string MeasurementFileOfRows(const CommissionSession& session, const std::vector<TypedRow>& rows,
                                  const MeasurementDefaults& all_rows);

// True when the row holds a measured value (Voc, Isc, the polarity or a
// further item): a row with only conditions or a note is a string not measured.
bool RowStarted(const TypedRow& row);

// What a started row still needs before it can be checked: Voc, Isc, and the
// irradiance and module temperature unless `all_rows` gives them.
std::vector<TypedField> MissingFields(const TypedRow& row, const MeasurementDefaults& all_rows);

struct RowCheck {
  enum class State {
    Empty,       // nothing measured yet: the string is not measured
    Incomplete,  // `missing` is still to be typed
    Refused,     // `refusal`: the reader's or the check's refusal in Japanese, naming the line and the column
    Checked,     // `string`: the string's expected values and verdict
  };
  State state = State::Empty;
  std::vector<TypedField> missing;
  std::string refusal;
  std::optional<StringCommissioning> string;
};

// The row of string `string_no` (1..P, a plant's in the plant file's order) checked alone, exactly as the same
// row of the measurement file is: written, read back and checked.
RowCheck CheckTypedRow(const CommissionSession& session, int string_no, const TypedRow& row,
                       const CommissionOptions& options);

// Every row at once, as the file that is saved: its text, the strings whose
// rows are incomplete (each with what it lacks), and either the check or the
// refusal of the first row that cannot be used.
struct RowsCheck {
  std::string file;  // MeasurementFileOfRows
  std::vector<std::pair<int, std::vector<TypedField>>> incomplete;
  std::optional<std::string> refusal;
  std::optional<Commissioning> check;  // when nothing is incomplete or refused
};
RowsCheck CheckTypedRows(const CommissionSession& session, const std::vector<TypedRow>& rows,
                         const CommissionOptions& options);

// The commissioning file of a complete check, as voltrigg-cli commission
// writes it for the measurement file of the same rows beside the result.
std::string CommissioningJsonOfRows(const CommissionSession& session, const Commissioning& check);

// The blank form of the session's plan, as voltrigg-cli commission --form writes it.
std::string BlankFormOf(const CommissionSession& session);

// A measurement file read back into rows (string 1..P) to go on with it:
// read as the check reads it (refused with the catalogue's words, naming the
// file, the line and the column, a file of another plan among them), each
// measured value as its shortest text that reads back to the same number.
// `file_name` names the file in a refusal.
struct MeasurementRows {
  std::vector<TypedRow> rows;
  std::optional<std::string> refusal;
};
MeasurementRows ReadMeasurementRows(const CommissionSession& session, const std::string& path,
                                    const std::string& file_name, const CommissionOptions& options);

// A key for what was typed of a result: the 64-bit FNV-1a hash of the
// result's bytes and the list's bytes, each after its length as 8 bytes
// little-endian, as "k" and 16 hexadecimal digits. The same files give the
// same key whatever they are called.
std::string ContentKey(std::string_view result_bytes, std::string_view list_bytes);

}  // namespace voltrigg
