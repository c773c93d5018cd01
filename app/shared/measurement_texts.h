#pragma once
// Why a measurement file is refused, in Japanese for the viewer; voltrigg-cli
// prints the reader's own English message.
#include <string>

#include "commission/measurement_file.h"

namespace voltrigg {

// "測定ファイル m.csv の 5 行目、列 voc_v: 「abc」は数値ではありません": the file
// (as `file_name`, UTF-8), the line, the field and what is wrong.
std::string MeasurementErrorTextJa(const MeasurementFileError& error, const std::string& file_name);

}  // namespace voltrigg
