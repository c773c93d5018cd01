#include "app/shared/commission_session.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "app/shared/measurement_texts.h"
#include "app/shared/plant_texts.h"
#include "commission/measurement_file.h"
#include "commission/plan_fingerprint.h"
#include "input/number_text.h"
#include "plant/plant_commission.h"

namespace voltrigg {

namespace {

constexpr std::array<TypedField, 8> kNumberFields{TypedField::Voc,
                                                  TypedField::Isc,
                                                  TypedField::Irradiance,
                                                  TypedField::ModuleTemperature,
                                                  TypedField::InsulationPositive,
                                                  TypedField::InsulationNegative,
                                                  TypedField::InsulationTestVoltage,
                                                  TypedField::EarthContinuity};

// The fields that make a row measured; the conditions and the note do not.
constexpr std::array<TypedField, 7> kMeasuredFields{TypedField::Voc,
                                                    TypedField::Isc,
                                                    TypedField::Polarity,
                                                    TypedField::InsulationPositive,
                                                    TypedField::InsulationNegative,
                                                    TypedField::InsulationTestVoltage,
                                                    TypedField::EarthContinuity};

bool IsNumberField(TypedField f) {
  return std::find(kNumberFields.begin(), kNumberFields.end(), f) != kNumberFields.end();
}

std::string Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// A field of one line: line ends, tabs and other control bytes become
// blanks, so that string j + 1 stays on line j + 2 and no NUL reaches the file.
std::string OneLine(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }, ' ');
  return text;
}

// A field as the reader reads it back: quoted when it holds a comma, a
// quote, or blanks at an end (which the reader would otherwise drop).
std::string CsvField(const std::string& text) {
  const bool edge_blank = !text.empty() && (text.front() == ' ' || text.back() == ' ');
  if (text.find_first_of(",\"") == std::string::npos && !edge_blank) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string FieldText(const TypedRow& row, TypedField f) {
  const std::string& typed = row[f];
  if (IsNumberField(f)) return OneLine(NormalisedNumberText(typed));
  if (f == TypedField::Polarity) return Trimmed(OneLine(typed));
  return OneLine(typed);
}

void AppendRow(std::string& out, const CommissionSession& s, std::size_t j, const TypedRow* row,
               const MeasurementDefaults& all_rows) {
  out += s.string_names.empty() ? std::to_string(j + 1) : CsvField(s.string_names[j]);
  const bool started = row != nullptr && RowStarted(*row);
  for (std::size_t k = 0; k < kTypedFieldCount; ++k) {
    const auto f = static_cast<TypedField>(k);
    std::string text = row != nullptr ? FieldText(*row, f) : std::string();
    if (started && text.empty()) {
      if (f == TypedField::Irradiance && all_rows.irradiance_w_m2) text = FormatDouble(*all_rows.irradiance_w_m2);
      if (f == TypedField::ModuleTemperature && all_rows.module_temperature_c) {
        text = FormatDouble(*all_rows.module_temperature_c);
      }
    }
    out += ',';
    out += CsvField(text);
  }
  // The form's orientation columns, to the meter's resolution, and the plan.
  char stc[128];
  const FormRow& form = s.form[j];
  (void)std::snprintf(stc, sizeof stc, ",%.2f,%.3f,", form.voc_stc_v, form.isc_stc_a);
  out += stc;
  out += CsvField(s.plan);
  out += "\r\n";
}

std::string Header() {
  std::string out;
  out += kStringColumn;
  for (std::size_t k = 0; k < kTypedFieldCount; ++k) {
    out += ',';
    out += TypedFieldColumn(static_cast<TypedField>(k));
  }
  out += std::string(",") + kVocStcColumn + "," + kIscStcColumn + "," + kPlanColumn + "\r\n";
  return out;
}

// The file's measurements read back as voltrigg-cli reads the saved file:
// every condition is in its row, so no option gives one.
std::vector<StringMeasurement> ReadBack(const CommissionSession& s, const std::string& file) {
  std::istringstream in(file);
  if (!s.string_names.empty())
    return ReadNamedMeasurements(in, s.file_name, s.string_names, MeasurementDefaults{}, s.plan);
  return ReadMeasurements(in, s.file_name, static_cast<int>(s.array.wiring.size()), MeasurementDefaults{}, s.plan);
}

// The check of the session's strings, a result's or a plant's.
Commissioning Check(const CommissionSession& s, const std::vector<StringMeasurement>& measured,
                    const CommissionConditions& conditions) {
  if (s.string_names.empty())
    return CheckCommissioning(s.array.modules, s.array.curves, s.array.wiring, measured, conditions);
  Commissioning check = CheckCommissioningAtSystemVoltage(s.array.modules, s.array.curves, s.array.wiring, measured,
                                                          conditions, s.system_voltage_v);
  check.string_names = s.string_names;
  return check;
}

std::string CheckRefusal(const std::invalid_argument& e) { return std::string("試運転検査ができません: ") + e.what(); }

}  // namespace

const char* TypedFieldColumn(TypedField field) {
  switch (field) {
    case TypedField::Voc:
      return kVocColumn;
    case TypedField::Isc:
      return kIscColumn;
    case TypedField::Irradiance:
      return kIrradianceColumn;
    case TypedField::ModuleTemperature:
      return kModuleTemperatureColumn;
    case TypedField::Polarity:
      return kPolarityColumn;
    case TypedField::InsulationPositive:
      return kInsulationPositiveColumn;
    case TypedField::InsulationNegative:
      return kInsulationNegativeColumn;
    case TypedField::InsulationTestVoltage:
      return kInsulationTestVoltageColumn;
    case TypedField::EarthContinuity:
      return kEarthContinuityColumn;
    case TypedField::Note:
      break;
  }
  return kNoteColumn;
}

std::string NormalisedNumberText(std::string_view typed) {
  std::string out;
  out.reserve(typed.size());
  for (std::size_t i = 0; i < typed.size();) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(typed[i + k]); };
    const std::size_t left = typed.size() - i;
    // U+FF01..U+FF5E, the full-width forms of ASCII: EF BC 81..BF and EF BD 80..9E.
    if (left >= 3 && byte(0) == 0xEF && (byte(1) == 0xBC || byte(1) == 0xBD)) {
      const unsigned code = 0xFF00u + ((byte(1) - 0xBCu) << 6u) + (byte(2) & 0x3Fu);
      const unsigned ascii = code - 0xFEE0u;  // U+FF10 '０' is '0'
      if (code >= 0xFF01u && code <= 0xFF5Eu && (byte(2) & 0xC0u) == 0x80u &&
          (ascii == '+' || ascii == '-' || ascii == '.' || (ascii >= '0' && ascii <= '9') || ascii == 'e' ||
           ascii == 'E')) {
        out += static_cast<char>(ascii);
        i += 3;
        continue;
      }
    }
    if (left >= 3 && byte(0) == 0xE2 && byte(1) == 0x88 && byte(2) == 0x92) {  // U+2212 minus sign
      out += '-';
      i += 3;
      continue;
    }
    if (left >= 3 && byte(0) == 0xE3 && byte(1) == 0x80 && byte(2) == 0x80) {  // U+3000 ideographic space
      out += ' ';
      i += 3;
      continue;
    }
    out += typed[i];
    ++i;
  }
  return Trimmed(out);
}

std::optional<CommissionSession> StartCommissionSession(const OpenedResult& opened, const CommissionOptions& options,
                                                        std::string result_name, std::string list_name,
                                                        std::string file_name, CommissionFailure* failure) {
  CommissionRefusal refusal;
  std::optional<CommissionArray> array = CommissionArrayOf(opened, &refusal);
  if (!array) {
    // The viewer's words for why the check cannot be made.
    if (failure != nullptr) (void)MakeMeasurementForm(opened, options, failure);
    return std::nullopt;
  }
  CommissionSession s;
  s.result_name = std::move(result_name);
  s.list_name = std::move(list_name);
  s.file_name = std::move(file_name);
  s.array = std::move(*array);
  const TemperatureCoefficients coefficients{options.conditions.voc_coefficient_pct_per_k,
                                             options.conditions.isc_coefficient_pct_per_k};
  s.form = FormRowsAtStc(s.array.modules, s.array.curves, s.array.wiring, coefficients);
  s.plan = PlanFingerprint(s.array.modules, s.array.wiring);
  return s;
}

std::optional<CommissionSession> StartPlantCommissionSession(const PlantSource& plant_file,
                                                             const std::vector<PlantSource>& lists,
                                                             const CommissionOptions& options, bool isc_first,
                                                             std::string file_name, CommissionFailure* failure) {
  PlantCommissionPlan made =
      MakePlantCommissionPlan(plant_file, lists, isc_first ? ExtrasUse::IscVoc : ExtrasUse::VocIsc);
  if (!made.plan) {
    if (failure != nullptr) {
      failure->text.clear();
      for (const PlantFault& f : made.faults) {
        failure->text += (failure->text.empty() ? "" : "\n") + PlantFaultText(f, Language::Japanese);
      }
    }
    return std::nullopt;
  }
  NamedStringPlan& plan = *made.plan;
  CommissionSession s;
  s.result_name = plant_file.name;
  for (const PlantSource& list : lists) s.list_names.push_back(list.name);
  s.list_name = s.list_names.empty() ? std::string() : s.list_names.front();
  s.file_name = std::move(file_name);
  const TemperatureCoefficients coefficients{options.conditions.voc_coefficient_pct_per_k,
                                             options.conditions.isc_coefficient_pct_per_k};
  s.form = FormRowsOfNamedPlan(plan, coefficients);
  s.plan = PlanFingerprint(plan.modules, plan.wiring);
  s.array.modules = std::move(plan.modules);
  s.array.curves = std::move(plan.curves);
  s.array.wiring = std::move(plan.wiring);
  s.string_names = std::move(plan.names);
  s.system_voltage_v = plan.system_voltage_v;
  return s;
}

bool RowStarted(const TypedRow& row) {
  return std::any_of(kMeasuredFields.begin(), kMeasuredFields.end(),
                     [&row](TypedField f) { return !FieldText(row, f).empty(); });
}

std::vector<TypedField> MissingFields(const TypedRow& row, const MeasurementDefaults& all_rows) {
  std::vector<TypedField> missing;
  if (!RowStarted(row)) return missing;
  const auto empty = [&row](TypedField f) { return FieldText(row, f).empty(); };
  if (empty(TypedField::Voc)) missing.push_back(TypedField::Voc);
  if (empty(TypedField::Isc)) missing.push_back(TypedField::Isc);
  if (empty(TypedField::Irradiance) && !all_rows.irradiance_w_m2) missing.push_back(TypedField::Irradiance);
  if (empty(TypedField::ModuleTemperature) && !all_rows.module_temperature_c) {
    missing.push_back(TypedField::ModuleTemperature);
  }
  return missing;
}

std::string MeasurementFileOfRows(const CommissionSession& s, const std::vector<TypedRow>& rows,
                                  const MeasurementDefaults& all_rows) {
  std::string out = Header();
  for (std::size_t j = 0; j < s.array.wiring.size(); ++j)
    AppendRow(out, s, j, j < rows.size() ? &rows[j] : nullptr, all_rows);
  return out;
}

RowCheck CheckTypedRow(const CommissionSession& s, int string_no, const TypedRow& row,
                       const CommissionOptions& options) {
  if (string_no < 1 || static_cast<std::size_t>(string_no) > s.array.wiring.size()) {
    throw std::invalid_argument("string " + std::to_string(string_no) + " is not a string of the plan");
  }
  RowCheck out;
  if (!RowStarted(row)) return out;
  out.missing = MissingFields(row, options.defaults);
  if (!out.missing.empty()) {
    out.state = RowCheck::State::Incomplete;
    return out;
  }
  // The file with this row alone, so that the reader's line is the row's line in the saved file.
  std::vector<TypedRow> rows(static_cast<std::size_t>(string_no));
  rows.back() = row;
  try {
    const std::vector<StringMeasurement> measured = ReadBack(s, MeasurementFileOfRows(s, rows, options.defaults));
    Commissioning check = Check(s, measured, options.conditions);
    out.state = RowCheck::State::Checked;
    out.string = std::move(check.strings[static_cast<std::size_t>(string_no - 1)]);
  } catch (const MeasurementFileError& e) {
    out.state = RowCheck::State::Refused;
    out.refusal = MeasurementErrorTextJa(e, s.file_name);
  } catch (const std::invalid_argument& e) {
    out.state = RowCheck::State::Refused;
    out.refusal = CheckRefusal(e);
  }
  return out;
}

RowsCheck CheckTypedRows(const CommissionSession& s, const std::vector<TypedRow>& rows,
                         const CommissionOptions& options) {
  RowsCheck out;
  out.file = MeasurementFileOfRows(s, rows, options.defaults);
  for (std::size_t j = 0; j < rows.size() && j < s.array.wiring.size(); ++j) {
    std::vector<TypedField> missing = MissingFields(rows[j], options.defaults);
    if (!missing.empty()) out.incomplete.emplace_back(static_cast<int>(j) + 1, std::move(missing));
  }
  if (!out.incomplete.empty()) return out;
  try {
    out.check = Check(s, ReadBack(s, out.file), options.conditions);
  } catch (const MeasurementFileError& e) {
    out.refusal = MeasurementErrorTextJa(e, s.file_name);
  } catch (const std::invalid_argument& e) {
    out.refusal = CheckRefusal(e);
  }
  return out;
}

std::string CommissioningJsonOfRows(const CommissionSession& s, const Commissioning& check) {
  if (!s.string_names.empty()) return PlantCommissioningJsonText(check, s.array.modules, s.result_name, s.list_names);
  return CommissioningJsonText(check, s.array.modules, s.result_name, s.list_name);
}

std::string BlankFormOf(const CommissionSession& s) { return FormatMeasurementForm(s.form, s.string_names); }

MeasurementRows ReadMeasurementRows(const CommissionSession& s, const std::string& path, const std::string& file_name,
                                    const CommissionOptions& options) {
  MeasurementRows out;
  std::vector<StringMeasurement> measured;
  try {
    measured = s.string_names.empty()
                   ? ReadMeasurementFile(path, static_cast<int>(s.array.wiring.size()), options.defaults, s.plan)
                   : ReadNamedMeasurementFile(path, s.string_names, options.defaults, s.plan);
  } catch (const MeasurementFileError& e) {
    out.refusal = MeasurementErrorTextJa(e, file_name);
    return out;
  } catch (const std::invalid_argument& e) {
    out.refusal = CheckRefusal(e);
    return out;
  }
  out.rows.resize(s.array.wiring.size());
  for (const StringMeasurement& m : measured) {
    TypedRow& row = out.rows[static_cast<std::size_t>(m.string_no - 1)];
    row[TypedField::Voc] = FormatDouble(m.voc_v);
    row[TypedField::Isc] = FormatDouble(m.isc_a);
    row[TypedField::Irradiance] = FormatDouble(m.irradiance_w_m2);
    row[TypedField::ModuleTemperature] = FormatDouble(m.module_temperature_c);
    if (m.polarity) row[TypedField::Polarity] = PolarityName(*m.polarity);
    const auto optional = [](const std::optional<double>& value) {
      return value ? FormatDouble(*value) : std::string();
    };
    row[TypedField::InsulationPositive] = optional(m.insulation_pos_mohm);
    row[TypedField::InsulationNegative] = optional(m.insulation_neg_mohm);
    row[TypedField::InsulationTestVoltage] = optional(m.insulation_test_v);
    row[TypedField::EarthContinuity] = optional(m.earth_continuity_ohm);
    row[TypedField::Note] = m.note;
  }
  return out;
}

std::string ContentKey(std::string_view result_bytes, std::string_view list_bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  const auto bytes = [&hash](std::string_view data) {
    for (const char c : data) {
      hash ^= static_cast<std::uint8_t>(c);
      hash *= 0x100000001b3ULL;
    }
  };
  const auto length = [&bytes](std::uint64_t n) {
    char le[8];
    for (char& b : le) {
      b = static_cast<char>(n & 0xFFu);
      n >>= 8;
    }
    bytes(std::string_view(le, sizeof le));
  };
  length(result_bytes.size());
  bytes(result_bytes);
  length(list_bytes.size());
  bytes(list_bytes);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string key(17, 'k');
  for (std::size_t i = 0; i < 16; ++i) key[1 + i] = kHex[(hash >> (60 - 4 * i)) & 0xFu];
  return key;
}

}  // namespace voltrigg
