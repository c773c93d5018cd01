#pragma once
// Plant planning: a whole plant's measured modules wired to inverters, their
// inputs and strings. One call plans (PlanPlant); a front end parses its
// arguments, calls it and writes the three files it returns. Everything here
// is structured; the wording of faults and of the summary lives with the
// front ends (app/shared/plant_texts.h).
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "assess/array_curve.h"
#include "assess/conditions.h"
#include "assess/inverter_profile.h"
#include "assess/inverter_window.h"
#include "assess/module_curve.h"
#include "input/list_warnings.h"

namespace voltrigg {

// At most this many modules in all the lists of one plan.
inline constexpr std::int64_t kMaxPlantModules = 2000000;
// A list file larger than this is refused before it is read.
inline constexpr std::int64_t kMaxPlantFileBytes = std::int64_t{1} << 30;
// The layout's limits.
inline constexpr int kMaxModulesPerString = 60;
inline constexpr int kMaxInvertersPerGroup = 100000;
inline constexpr int kMaxInputsPerInverter = 1000;
inline constexpr int kMaxStringsPerInput = 1000;
inline constexpr std::size_t kMaxPlantNameBytes = 200;
inline constexpr std::size_t kMaxPrefixBytes = 40;
inline constexpr std::int64_t kMaxLayoutBytes = std::int64_t{1} << 20;
// A list's Pmax may differ from its Vmp * Imp by this share before it is refused.
inline constexpr double kPmaxMismatchShare = 0.10;
// Voc above this many times Vmp, or Isc above this many times Imp, is no module's.
inline constexpr double kMaxOpenToMppRatio = 2.0;
// At most this many faults are reported; the first ones in file and line order.
inline constexpr std::size_t kMaxPlantFaults = 50;

// How the modules are given their places.
enum class PlantSort {
  Delivered,  // files in the order given, rows in file order, no sorting
  Pallets,    // sorted, each string only from the pallets open while it is filled
  Free,       // any module anywhere; the spares are chosen too
};
inline constexpr std::array<PlantSort, 3> kPlantSorts = {PlantSort::Delivered, PlantSort::Pallets, PlantSort::Free};
// "delivered", "pallets", "free": the names in the files and on the command line.
const char* PlantSortName(PlantSort sort);
std::optional<PlantSort> PlantSortNamed(const std::string& name);

// A module list or the layout: read from `path`, or taken from `text` when it
// is given (in-memory files). `name` is how faults and outputs name it.
struct PlantSource {
  std::string name;
  std::string path;
  std::optional<std::string> text;
};

// What planning has got to, for a progress display only.
enum class PlantStage { ReadingLists, FittingCurves, Placing, Checks, Writing };
using PlantProgress = std::function<void(PlantStage stage)>;

struct PlantRequest {
  std::vector<PlantSource> lists;
  PlantSource layout;
  PlantSort sort = PlantSort::Free;
  int pallet_window = 2;                 // pallets open at a time (Pallets)
  AssessConditions conditions;           // the front end sets the plant's system voltage (1500 V)
  ExtrasUse extras = ExtrasUse::VocIsc;  // seven-field lists: what columns 6 and 7 hold
  int threads = 0;                       // at most this many threads; 0: all the machine has
  PlantProgress progress;
};

// Where a module came from: the list (index into PlantRequest::lists) and the line.
struct PlantPlace {
  int file = -1;
  std::int64_t line = 0;
};

// A refusal, with what and where; nothing is planned or written.
struct PlantFault {
  enum class Kind {
    // The request.
    NoLists,          // no module list given
    BadConditions,    // `condition` says which
    BadPalletWindow,  // `count` is the window given
    BadExtras,        // columns 6 and 7 of a seven-field list must be Voc and Isc
    // A list file as a whole.
    FileUnreadable,  // cannot be opened or read
    FileTooLarge,    // `count` bytes, above kMaxPlantFileBytes
    NotText,         // a NUL byte at `line`
    UnclosedQuote,   // at `line`, `field`
    TextAfterQuote,  // at `line`, `field`
    FieldTooLong,    // at `line`, `field`
    NoHeader,        // an empty file
    UnknownHeader,   // neither seven fields nor named columns; `count` fields
    MissingColumn,   // a named-column list without `field`
    RepeatedColumn,  // `field` named twice in the header
    FieldCount,      // `line` holds `count` fields where the header has `needed`
    TooManyRows,     // `count` modules in all, more than kMaxPlantModules
    NoPalletColumn,  // Pallets, but the list has no `pallet` column
    // A row: `line`, `field` (the column's name), `value` (the field's text).
    EmptySerial,
    RepeatedSerial,  // also `first`: where the serial came first
    NotANumber,
    NotFinite,  // a number beyond the 32-bit float range
    NotPositive,
    VocNotAboveVmp,
    IscNotAboveImp,
    ImplausibleRatio,  // voc_v or isc_a above kMaxOpenToMppRatio times vmp_v or imp_a
    PmaxMismatch,      // pmax_w more than kPmaxMismatchShare from vmp_v * imp_a (`value`: pmax_w)
    CurveNotFitted,    // `fit_problem` says why
    EmptyPallet,       // Pallets, and the row's pallet is empty
    // The layout: `field` is the key's path, e.g. inverter_groups[2].count.
    LayoutUnreadable,
    LayoutTooLarge,
    LayoutNotJson,  // `detail`: the JSON library's message
    LayoutRepeatedKey,
    LayoutUnknownKey,
    LayoutMissingKey,
    LayoutWrongType,         // `detail`: what it must be
    LayoutOutOfRange,        // `value`, `detail`: the range
    LayoutProfile,           // `profile`: the inverter profile's fault as ParseInverterProfile gives it
    LayoutRepeatedInverter,  // `value`: the inverter's name
    // The lists and the layout together.
    TooFewModules,  // `count` modules, `needed` by the layout
    // A plant file read back for its strings (plant/plant_commission.h):
    // `file_name` is the plant file's name.
    PlantFileUnreadable,
    PlantFileTooLarge,        // `count` bytes, above kMaxPlantFileBytes
    PlantFileNotJson,         // `detail`: the JSON library's message
    PlantFileMalformed,       // `field`: the key's path, `detail`: what it must be
    PlantFileRepeatedString,  // `value`: the string's name, given to two strings
    PlantFileRepeatedSerial,  // `value`: the serial, `field`: the second string it is in
    // The plant file and the lists together.
    SerialNotInLists,  // `value`: the serial, `field`: its string's name
  };
  Kind kind = Kind::NoLists;
  int file = -1;          // index into PlantRequest::lists; -1 for the layout or the request
  std::string file_name;  // the list's or the layout's name
  std::int64_t line = 0;  // from 1; 0 when not at a line
  std::string field;      // the column's name or the layout's key
  std::string value;      // the text at fault (UTF-8)
  PlantPlace first;       // RepeatedSerial: where the serial came first
  std::string first_file_name;
  std::int64_t count = 0;
  std::int64_t needed = 0;
  FitProblem fit_problem = FitProblem::None;
  std::optional<ConditionFault> condition;
  std::optional<ProfileFault> profile;
  std::string detail;
};

// A list warning as a planning run gives it (the kinds and the share of
// input/list_warnings.h), over the whole plant, with its places.
struct PlantWarning {
  ListWarning::Kind kind = ListWarning::Kind::FarFromMedian;
  std::string name;   // "Pmax", "Vpm", ...; "モジュール番号" for numbers used twice in one list
  std::string unit;   // "W", "V", "A"
  std::string value;  // DuplicateNumber: the number
  double median = 0;  // FarFromMedian: the lot's median in `unit`
  std::vector<PlantPlace> places;
  std::vector<float> values;  // FarFromMedian: each place's value
};

// The figures of one way of placing the modules.
struct PlantModeFigures {
  double pmp_w = 0;      // the sum of the inputs' maximum power points
  double sum_mpp_w = 0;  // the used modules' Vmp * Imp summed
  double mismatch_loss_pct = 0;
};

// One failed check of the plan written.
struct PlantFailedCheck {
  enum class Kind { StringVoltage, MpptMin, MpptMax, ShortCircuitCurrent };
  Kind kind = Kind::StringVoltage;
  int inverter = 0;  // index into PlantSummary::inverter_names
  int input = 0;     // from 1
  int string = 0;    // from 1; StringVoltage only
  double value = 0;
  double limit = 0;
};

// What the front end prints: numbers only.
struct PlantSummary {
  std::optional<std::string> name;
  PlantSort sort = PlantSort::Free;
  int pallet_window = 0;
  std::int64_t modules_used = 0;
  std::int64_t modules_spare = 0;
  std::int64_t strings = 0;
  std::int64_t inputs = 0;
  std::int64_t inverters = 0;
  int modules_per_string = 0;
  PlantModeFigures plant;                                // of the sort written
  std::array<std::optional<PlantModeFigures>, 3> modes;  // by kPlantSorts; pallets: none without pallets
  double highest_string_voc_cold_v = 0;
  double voltage_limit_v = 0;               // the limit of the string with the highest cold Voc
  bool voltage_ok = true;                   // every string at or below its own limit
  std::int64_t inputs_clipping = 0;         // inputs whose current exceeds the inverter's usable current (a note)
  std::vector<PlantFailedCheck> failed;     // the first kMaxPlantFaults failed checks
  std::int64_t failed_count = 0;            // all of them
  std::vector<std::string> inverter_names;  // for PlantFailedCheck::inverter
  bool ok = true;
  // Maximum power points of the plan written (at 25, 70 and 15 °C) that the
  // general search of assess/ found: slow, not wrong.
  std::int64_t inputs_searched = 0;
};

// The three files, as bytes, each to be written whole.
struct PlantFiles {
  std::string register_csv;  // BASE.register.csv
  std::string picklist_csv;  // BASE.picklist.csv
  std::string plant_json;    // BASE.plant.json
};

struct PlantOutcome {
  std::vector<PlantFault> faults;  // not empty: refused, nothing else is set
  std::vector<PlantWarning> warnings;
  PlantSummary summary;
  PlantFiles files;
  bool Refused() const { return !faults.empty(); }
};

// Reads the lists and the layout, places the modules in all three ways,
// checks the plan of `request.sort` and formats its files.
PlantOutcome PlanPlant(const PlantRequest& request);

}  // namespace voltrigg
