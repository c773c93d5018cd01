#pragma once
// The commissioning check's words, a part of the text catalogue
// (app/shared/text_catalogue.h), in Japanese and English: why a measurement
// file is refused, the findings, the test items of the record, the
// commissioning file's texts, and voltrigg-cli commission's table and notes.
// The core (commission/) words none of it.
#include <string>
#include <vector>

#include "app/shared/text_catalogue.h"
#include "commission/commissioning.h"
#include "commission/measurement_file.h"

namespace voltrigg {

// --- Refused measurement files ------------------------------------------------

// A refusal of the measurement file `file_name` (UTF-8) at `line` (0 for the
// file as a whole), naming the line and the field; a condition the whole
// file could give is named as `naming` says (the option, or the page's label).
// English: "m.csv line 5: field voc_v: \"abc\" is not a number"; Japanese:
// "測定ファイル m.csv の 5 行目、列 voc_v: 「abc」は数値ではありません".
std::string MeasurementRefusalText(const MeasurementRefusal& refusal, int line, const std::string& file_name,
                                   Language language, ConditionNaming naming = ConditionNaming::Option);

// The same of a refused file.
std::string MeasurementErrorText(const MeasurementFileError& error, const std::string& file_name, Language language);
std::string MeasurementErrorText(const MeasurementFileError& error, const std::string& file_name, Language language,
                                 ConditionNaming naming);
// The same in Japanese, as the viewer and the page show it.
std::string MeasurementErrorTextJa(const MeasurementFileError& error, const std::string& file_name);

// What MeasurementFileError::what() gives in this program from now on
// (SetMeasurementRefusalWording): beside SpeakFaultsIn in every program that
// checks measurements. Call once, at the start.
void SpeakMeasurementRefusalsIn(Language language);

// --- Findings and the commissioning file --------------------------------------

// A finding of the verdict, with the count where there is one.
std::string FindingText(const Finding& finding, Language language);
// The same in Japanese: the report's words, and the commissioning file's "text".
std::string FindingTextJa(const Finding& finding);

// The commissioning file as every front end writes it (FormatCommissioningJson
// with the findings' texts in Japanese, the bytes the file has always had).
std::string CommissioningJsonText(const Commissioning& check, const std::vector<ModuleData>& modules,
                                  const std::string& result_file, const std::string& modules_file);
// The same of a plant's strings (FormatNamedCommissioningJson).
std::string PlantCommissioningJsonText(const Commissioning& check, const std::vector<ModuleData>& modules,
                                       const std::string& plant_file, const std::vector<std::string>& modules_files);

// --- The test items of the record ---------------------------------------------

// "polarity", "insulation of the positive pole to earth", ...; "極性", ...
std::string TestItemText(TestItem item, Language language);
// "not measured", "pass", "fail", "measured"; "未測定", "合格", "不合格", "測定済み".
std::string ItemStatusText(ItemStatus status, Language language);

// A string's value of a test item as the tables show it: polarity as its
// word (ok, reversed; 正常, 逆), the numbers as written (shortest text: 0.4,
// 1000); empty when the item was not measured.
std::string TestItemValueText(const StringMeasurement& measurement, TestItem item, Language language);

// String numbers with runs joined: "1-3, 5, 7-9".
std::string StringNumbersText(const std::vector<int>& numbers);
// The same by the strings' names where they have them (`names[n - 1]`
// names string n; empty: numbers), runs joined by "…": "INV-01.1.1…INV-01.3.2".
std::string StringNamesText(const std::vector<int>& numbers, const std::vector<std::string>& names);

// Which strings made a test item and which did not, in one line:
// "polarity: made on strings 1-3 (failed: 2); not made on 4-6", "... made on
// every string", "... not made".
std::string TestItemCoverageText(const TestItemCoverage& coverage, Language language);
// One line per test item (TestItemCoverages), in the order of kTestItems.
std::vector<std::string> TestItemCoverageLines(const Commissioning& check, Language language);

// The limits of the further items: the insulation minimum and the test
// voltage the array's system voltage calls for.
std::string InsulationLimitsText(const Commissioning& check, Language language);
// The same from the figures (the blank form's): `system_voltage_v` NaN when not known.
std::string InsulationLimitsText(double insulation_min_mohm, double system_voltage_v, double insulation_test_required_v,
                                 Language language);

// --- voltrigg-cli commission ----------------------------------------------------

// voltrigg-cli commission's table: a heading with the files and the
// conditions, a row per string (G, T, expected and measured Voc and Isc,
// deviations, verdict, findings) and which strings failed. When a
// measurement holds a further item of the record, and only then, each row
// also shows polarity, insulation of each pole, the test voltage and earth
// continuity (a failing value marked "!"), the heading the limits, and the
// end which test items each string made and which it did not. The files'
// names as UTF-8.
std::string CommissioningTableText(const Commissioning& check, const std::string& result_name,
                                   const std::string& list_name, Language language);

// The blank form written: "Measurement form (6 strings): PATH".
std::string FormWrittenText(std::size_t strings, const std::string& path, Language language);

// A file the check would write over one it reads.
enum class WouldReplace { FormOverInput, CommissioningOverInput };
std::string WouldReplaceText(WouldReplace what, const std::string& path, Language language);

// A string whose expected values cannot be computed (its curves cannot be
// carried to its conditions): `problem` is the core's description.
std::string NoExpectedValuesText(int string_no, const std::string& problem, Language language);
// The same of a string by its label (StringLabel: a plant's string by name).
std::string NoExpectedValuesText(const std::string& string_label, const std::string& problem, Language language);

}  // namespace voltrigg
