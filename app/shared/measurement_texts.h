#pragma once
// The commissioning check's words, a part of the text catalogue
// (app/shared/text_catalogue.h): why a measurement file is refused, the
// findings, and voltrigg-cli commission's table and notes.
#include <string>

#include "app/shared/text_catalogue.h"
#include "commission/commissioning.h"
#include "commission/measurement_file.h"

namespace voltrigg {

// "測定ファイル m.csv の 5 行目、列 voc_v: 「abc」は数値ではありません": the file
// (as `file_name`, UTF-8), the line, the field and what is wrong.
std::string MeasurementErrorTextJa(const MeasurementFileError& error, const std::string& file_name);

// The same in `language`; English is the reader's own message.
std::string MeasurementErrorText(const MeasurementFileError& error, const std::string& file_name, Language language);

// A finding of the verdict: FindingTextJa, or its English.
std::string FindingText(const Finding& finding, Language language);

// voltrigg-cli commission's table: a heading with the files and the
// conditions, a row per string (G, T, expected and measured Voc and Isc,
// deviations, verdict, findings) and which strings failed. The files' names
// as UTF-8.
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

}  // namespace voltrigg
