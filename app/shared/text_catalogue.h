#pragma once
// The words of the front ends, Japanese and English, in one place: the
// core's faults, the count checks, the list's warnings, the conditions'
// faults and ranges, the inverter profile's faults, the files written, the
// inverter window, and voltrigg-cli's reports. The window, the viewer and
// the page speak Japanese; voltrigg-cli speaks its locale's language. The
// system's own texts (the four check messages, 計算が終了しました, the result
// file's labels) are the same in both.
//
// Faults of the commissioning check: app/shared/measurement_texts.h; the
// assessment's problems: app/shared/curve_problems.h; the options:
// app/shared/option_table.h.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "assess/assessment.h"
#include "assess/conditions.h"
#include "assess/inverter_profile.h"
#include "assess/inverter_window.h"
#include "assess/inverter_window_rows.h"
#include "input/list_warnings.h"
#include "input/run_counts.h"
#include "input/run_error.h"
#include "output/result_file.h"

namespace voltrigg {

enum class Language { English, Japanese };

// The language of a locale as gettext reads it: the first non-empty of
// LC_ALL, LC_MESSAGES and LANG; Japanese when its language is "ja" ("ja",
// "ja_JP", "ja_JP.UTF-8", "ja@...", ...), English for anything else, "C" and
// "POSIX" and no locale at all included.
Language LanguageOfLocale(const char* lc_all, const char* lc_messages, const char* lang);
// The same from the environment.
Language LanguageOfEnvironment();

// What RunError::what() gives in this program from now on: the core's
// faults in `language` (SetRunFaultWording). Call once, at the start. (The
// commissioning check's refusals: SpeakMeasurementRefusalsIn.)
void SpeakFaultsIn(Language language);

// True when `text` holds a Japanese character (kana, kanji, full-width forms).
bool HoldsJapanese(const std::string& text);

// The columns `text` takes on a terminal (Japanese characters two each), and
// `text` padded with blanks to `width` columns, on the right or the left.
std::size_t TerminalColumns(const std::string& text);
enum class Align { Left, Right };
std::string PadToColumns(const std::string& text, std::size_t width, Align align);

// --- The core's faults -----------------------------------------------------

// A fault of a run (input/run_error.h) in `language`; the Japanese is the
// window's message.
std::string FaultText(const RunFault& fault, Language language);

// A failed count check: the system's own message for the first four, in
// every language.
std::string CountCheckText(CountCheck check, Language language);

// The line after a failed count check: the count that failed against its
// limit after a series or parallel refusal ("直列 28 > 20", "series 28 > 20"),
// else the counts it compared ("モジュール 100 枚、並列 9 × 直列 10 = 90").
std::string CheckFactsText(std::int16_t module_count, std::int16_t series_count, std::int16_t parallel_count,
                           Language language);
// The same in Japanese, as the window's page shows it.
std::string CheckFacts(std::int16_t module_count, std::int16_t series_count, std::int16_t parallel_count);

// The kinds of file a front end writes, for its messages.
enum class WrittenFile { Result, Assessment, Form, Commissioning };

// A file that could not be written, named by its kind.
std::string FileWriteText(const FileWriteError& error, WrittenFile file, Language language);

// --- The module list's warnings ---------------------------------------------

// Turns a serial number's bytes into UTF-8 for the reader.
using SerialShown = std::function<std::string(const std::string&)>;

// One line for a warning; at most `rows_named` rows are named, then the
// count of the others.
std::string ListWarningText(const ListWarning& warning, const SerialShown& shown_serial, Language language,
                            std::size_t rows_named = 10);
// The lines every front end shows: the first `shown` warnings, then how many more.
std::vector<std::string> ListWarningLines(const std::vector<ListWarning>& warnings, const SerialShown& shown_serial,
                                          Language language, std::size_t shown = 10);
// The same in Japanese, as the viewer and the page show them.
std::string ListWarningText(const ListWarning& warning, const SerialShown& shown_serial, std::size_t rows_named = 10);
std::vector<std::string> ListWarningLines(const std::vector<ListWarning>& warnings, const SerialShown& shown_serial,
                                          std::size_t shown = 10);

// --- Conditions and the inverter profile ----------------------------------

// A condition's range: "from -60 to 40 °C", "above 0 and at most 3000 V";
// "-60 から 40 °C", "0 より大きく 3000 V 以下".
std::string RangeText(const ConditionLimit& limit, Language language);

// How a front end names a condition in its messages: voltrigg-cli and the
// viewer by their option ("--tmin"), the page by its field's label.
enum class ConditionNaming { Option, Label };

// A refused condition: its name, the range and the value given (or that the
// text given is no number).
std::string ConditionFaultText(const ConditionFault& fault, Language language, ConditionNaming naming);
// The same named by the option, as voltrigg-cli and the viewer name it.
std::string ConditionFaultText(const ConditionFault& fault, Language language);

// --extras given neither voc,isc nor isc,voc.
std::string ExtrasFaultText(const std::string& given, Language language, ConditionNaming naming);

// An inverter profile that cannot be used, naming the file (as UTF-8) when
// it was read from one, and the key.
std::string ProfileFaultText(const ProfileFault& fault, Language language);

// --- The inverter window ----------------------------------------------------

// "OK", "FAILS", "clips", "not checked"; "適合", "不適合", "超過 (出力制限)", "検査なし".
std::string VerdictText(Verdict verdict, Language language);

// What was checked and what not, in one line: "max_voltage OK; mppt_min,
// mppt_max, short_circuit_current, input_current not checked: no inverter
// profile" (Japanese: by the checks' names). For the CLI's verdict, the
// viewer's and the page's verdict line and the plan.
std::string InverterWindowCheckedText(const InverterWindow& window, Language language);

// The table voltrigg-cli prints: a heading with the inverter and the
// coefficients, the five rows, and the verdict with what it checked.
std::string InverterWindowTableText(const InverterWindow& window, Language language);

struct WindowWarningText {
  bool note = false;  // the input current clips: worth knowing, not a failure
  std::string text;
};

// One per curve that could not be carried to a temperature (naming the
// module of `modules`), one per failed check (its value and its limit), and
// the clipping note.
std::vector<WindowWarningText> InverterWindowWarningTexts(const InverterWindow& window,
                                                          const std::vector<ModuleData>& modules, Language language);

// --- voltrigg-cli's reports ---------------------------------------------------

// The fixed words of voltrigg-cli: its help, its notes and its table headings.
enum class CliPhrase {
  ProgramDescription,
  SeriesHelp,
  ParallelHelp,
  OutputHelp,
  ModulesHelp,
  AssessHelp,
  HelpFlagHelp,
  VersionFlagHelp,
  CommissionFooter,
  PlantFooter,
  PlantHint,
  CommissionDescription,
  CommissionResultHelp,
  CommissionMeasuredHelp,
  CommissionModulesHelp,
  CommissionFormHelp,
  CommissionOutputHelp,
  CommissionUsage,
  NoAssessmentWritten,
  AssessmentPrefix,  // "assessment: " before a problem
  WarningPrefix,     // "warning: "
  NotePrefix,        // "note: "
  AssessmentFile,    // "Assessment file: "
  CommissioningFile,
  ResultFile,
  UnexpectedError,
};
std::string CliText(CliPhrase phrase, Language language);

// What the page says in its own terms.
enum class PagePhrase {
  PlantTabHint,  // after a run refused strings above 20 or more than 1000 modules: the plant tab plans them
};
std::string PageText(PagePhrase phrase, Language language);

// CLI11's own labels ("Usage", "OPTIONS", "Positionals", "REQUIRED", "Needs",
// ...) in `language`: the pairs to give its formatter, and the options' group.
std::vector<std::pair<std::string, std::string>> CliHelpLabels(Language language);
std::string CliOptionsGroup(Language language);

// A command line CLI11 refused, in `language`: its English message for
// English, else the refusal in Japanese ("--series を指定してください").
std::string CliUsageText(const std::string& cli11_message, const std::string& error_name, Language language);

// After a completed run: the completion message (the system's own), the
// counts, the figures and the result's path.
struct CompletionFigures {
  std::int16_t modules = 0;
  std::int16_t series = 0;
  std::int16_t parallel = 0;
  float simple_pmax_sum_w = 0;
  float minimum[3] = {0, 0, 0};  // Pmax [W], Vpm [V], Ipm [A]
  float initial[3] = {0, 0, 0};
  float estimated[3] = {0, 0, 0};
};
std::string CompletionReportText(const CompletionFigures& figures, const std::string& written_path, Language language);

// The assessment's table: the arrangements by the curves and the voltage check.
std::string AssessmentTableText(const Assessment& assessment, Language language);

// A string whose cold open-circuit voltage is above the limit (1-based `string_no`).
std::string StringOverLimitText(int string_no, double voc_cold_v, double tmin_c, double limit_v, Language language);

}  // namespace voltrigg
