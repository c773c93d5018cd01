#pragma once
// What ends a run, as a structured fault: what went wrong, where (the file,
// its line, row or column) and the value. The core words nothing itself; the
// front ends' text catalogue (app/shared/text_catalogue.h) does, in the
// language each speaks.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace voltrigg {

// The window's two count boxes.
enum class CountBox { Series, Parallel };

enum class RunFaultKind {
  // A count box's text (box; value: the text as typed, cut after about 40 bytes).
  CountEmpty,
  CountFullWidthDigits,
  CountNotANumber,
  CountOutOfRange,
  CountProductOutOfRange,  // numbers: P, S
  CountCheckFailed,        // numbers: the CountCheck (input/run_counts.h), N, S, P

  // The module list (file: the list as named).
  ListNotGiven,
  ListIsFolder,
  ListCannotOpen,
  ListReadFailed,
  ListFieldNotANumber,  // row, column, value (cut), separator; the odd line
  ListEndsInsideRow,    // row, column; the odd line
  ListUnclosedQuote,    // row, column
  ListTextAfterQuote,   // row, column
  ListFieldTooLong,     // row, column
  ListNulByte,          //
  ListIsResultFile,     //
  ListSeparatedBySemicolons,
  ListSeparatedByTabs,
  ListModuleNumberZero,  // row; the odd line
  ListTooManyRows,       // row, numbers: the rows a list may hold
  ListIsJson,            // the load failed and the file is JSON
  ListIsXml,             // ... XML
  ListIsWorkbook,        // ... a spreadsheet workbook (zip: xlsx, ods; OLE: xls)

  // The calculation (numbers: N, S, P, and the limit where one is named).
  ShapeNotProduct,
  ShapeModules,
  ShapeSeries,
  ShapeParallel,
  ShapeTableSlots,
  ModuleNumberOutOfRange,  // value: the module number
  FloatError,              // value: the figure being computed

  // The result file written (file: its path; value: the system's reason, may be empty).
  ResultRowsBeyondTable,    // numbers: N
  ResultSerialBeyondTable,  // numbers: the slot
  OutputNameEmpty,
  FileCannotCreate,
  FileFolderOfThatName,
  FileCannotWrite,
  ResultIsTheList,       // file: the result that would replace the list
  AssessmentNotRemoved,  // file: the assessment of an earlier run

  // The result file read back (file; line where one is named).
  ResultMissing,
  ResultIsFolder,
  ResultNotRegular,
  ResultCannotOpen,  // value: the system's reason, may be empty
  ResultReadFailed,
  ResultTooManyFields,
  ResultNulByte,
  ResultFieldTooLong,
  ResultUnclosedQuote,
  ResultTextAfterQuote,
  ResultEndsEarly,        // numbers: the line missing
  ResultFieldCount,       // numbers: fields, the file's line it should be, fields it should hold
  ResultWrongLabel,       // column: the field (0-based), value: what it holds, numbers: the file's line it should be
  ResultNotANumber,       // column, value, numbers: the file's line (1..7), or 0 for a module row
  ResultBadStringNumber,  // value, numbers: the most strings
  ResultTooManyBlankLines,
  ResultBlankLine,
  ResultCutOffRow,       // numbers: fields
  ResultRowFieldCount,   // numbers: fields
  ResultTooManyModules,  // numbers: the most modules
  ResultFirstStringNotOne,
  ResultStringTooLong,  // numbers: the string, the most modules in series
  ResultStringOrder,    // numbers: the string before, the string after
  ResultCutOffString,   // numbers: the string, its modules, the modules of string 1
  ResultStringLength,   // numbers: the string, its first line, its modules, the modules of string 1

  // A planned run assessed.
  PlanWithoutArray,
  PlanModuleNotInList,  // value: which module

  OutOfMemory,
  Unexpected,  // value: what the library said
  Worded,      // value: a message already in a front end's words
};

struct RunFault {
  RunFaultKind what = RunFaultKind::Worded;
  std::string file;   // the file it is about, as named (bytes)
  int line = 0;       // a line of the file, 0 for none
  int row = -1;       // the module list's data row (0: its header line), -1 for none
  int column = -1;    // the module list's column 0..6, a result line's field; -1 for none
  std::string value;  // the value as read or typed, a figure, the system's reason
  std::int64_t numbers[4] = {0, 0, 0, 0};
  CountBox box = CountBox::Series;
  char separator = 0;  // ';' or '\t' seen in a field that is no number
  // The module list's first line that does not hold seven fields: it shifts
  // every row after it, so a row's fault may be that line's doing.
  int odd_line = 0;
  int odd_fields = 0;
};

// A fault of `what`, about `file` where one is named, with `value`.
inline RunFault MakeFault(RunFaultKind what, std::string file = {}, std::string value = {}) {
  RunFault fault;
  fault.what = what;
  fault.file = std::move(file);
  fault.value = std::move(value);
  return fault;
}

// A fault of `what` with the counts it compared, in the order its text names them.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): plain numbers of the fault, named by its kind
inline RunFault MakeFault(RunFaultKind what, std::int64_t a, std::int64_t b = 0, std::int64_t c = 0,
                          std::int64_t d = 0) {
  RunFault fault = MakeFault(what);
  fault.numbers[0] = a;
  fault.numbers[1] = b;
  fault.numbers[2] = c;
  fault.numbers[3] = d;
  return fault;
}

// How a program words the faults that what() gives: its text catalogue's
// language, chosen once at its start. Until one is chosen, what() gives a
// plain description for a developer.
using RunFaultWording = std::string (*)(const RunFault& fault);
void SetRunFaultWording(RunFaultWording wording);
std::string WordRunFault(const RunFault& fault);

// A failure that ends a run: its fault, and the fault in the program's words.
class RunError : public std::runtime_error {
 public:
  explicit RunError(RunFault fault) : std::runtime_error(WordRunFault(fault)), fault_(std::move(fault)) {}
  // A message already worded by a front end (app/shared).
  explicit RunError(const std::string& message) : RunError(MakeFault(RunFaultKind::Worded, {}, message)) {}
  const RunFault& fault() const { return fault_; }

 private:
  RunFault fault_;
};

}  // namespace voltrigg
