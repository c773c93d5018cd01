#pragma once
#include <cstdint>
#include <istream>
#include <string>
#include <utility>
#include <vector>

#include "calc/array_matrix.h"
#include "input/run_error.h"

namespace voltrigg {

// One matrix row of a result file: a module's place in the array and its values.
struct ResultRow {
  std::int16_t string_no = 0;  // 1..P
  int position = 0;            // 1..S, counted while reading
  float moduleNo = 0;
  std::string serialNo;  // bytes as written (any 8-bit encoding)
  float vpm = 0;         // [V]
  float ipm = 0;         // [A]
  int line = 0;          // line of the file where the row starts
};

// Everything a result file holds, read back.
struct ResultFileData {
  std::string InputName;    // the module list's file name as written on line 1
  float SimplePmaxSum = 0;  // [W]
  OperatingPoint MinimumPoint;
  OperatingPoint InitialPoint;
  OperatingPoint EstimatedPoint;
  std::vector<ResultRow> rows;  // file order: string by string, position by position
  int series = 0;               // S, modules per string (0 when there are no rows)
  int parallel = 0;             // P, strings
};

// A file that is not a result file. `line` is the line that does not fit
// (0 when the file as a whole is at fault: cannot be opened, not a file).
class ResultFileError : public RunError {
 public:
  explicit ResultFileError(RunFault fault) : RunError(std::move(fault)) {}
  int line() const { return fault().line; }
};

// What a result file can hold: the run writes at most this many modules, in
// at most kResultMaxStrings strings of at most kResultMaxSeries modules.
inline constexpr int kResultMaxModules = 1000;
inline constexpr int kResultMaxStrings = 100;
inline constexpr int kResultMaxSeries = 20;

// Reads the result file at `path` without changing it. The file must have the
// writer's lines in the writer's order: the labels as written, numbers that
// read as 32-bit floats, and matrix rows numbered string by string with the
// same number of modules in every string. Line ends may be CR LF or LF; texts
// may be quoted or bare. Reading stops at the first line that does not fit, so
// a huge or binary file costs no more than its first lines. Throws
// ResultFileError naming the line.
ResultFileData ReadResultFile(const std::string& path);

// The same from a stream; `where` names the source in messages.
ResultFileData ReadResultFile(std::istream& in, const std::string& where);

}  // namespace voltrigg
