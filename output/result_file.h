#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <utility>

#include "calc/array_matrix.h"
#include "calc/final_matrix.h"
#include "input/module_list.h"
#include "input/number_text.h"
#include "input/run_error.h"  // FormatFloat, for the callers that print figures as the file does

namespace voltrigg {

// Everything the result file shows, as it stands after a completed
// calculation. It refers to the final matrix and the module table (for the
// serial numbers of the matrix rows), which must outlive it.
struct ResultFileContent {
  std::string InputName;
  float SimplePmaxSum = 0;  // [W]
  OperatingPoint MinimumPoint;
  OperatingPoint InitialPoint;
  const FinalMatrixResult& final;
  const ModuleTable& table;
  int N = 0;
};

// The file's bytes: 7 + N lines, each ended by CR LF; texts in double quotes
// (a quote inside doubled), numbers bare, floats as their shortest text that
// reads back to the same float. Throws RunError when N or a serial number
// slot lies outside the tables.
std::string FormatResultFile(const ResultFileContent& content);

// Why a file could not be written whole: the message of the result file (for
// the run's messages), and its parts, for front ends that name another kind
// of file.
class FileWriteError : public RunError {
 public:
  enum class Step { Create, FolderOfThatName, Write };
  FileWriteError(const std::string& message, Step step, std::string path, std::string reason)
      : RunError(message), step_(step), path_(std::move(path)), reason_(std::move(reason)) {}
  Step step() const { return step_; }
  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }  // the system's text for the error; empty for a folder

 private:
  Step step_;
  std::string path_;
  std::string reason_;
};

// Test seam: called before each chunk is written with the bytes written so
// far; returning true makes that write fail.
using WriteFailureHook = std::function<bool(std::size_t written)>;

// Writes `bytes` to `path` whole or not at all: into a temporary file in the
// same folder, then renamed over `path`. On failure the old file keeps its
// bytes, no temporary file stays behind, and a RunError says what failed.
// `before_replace`, when given, is called once the new bytes are safely on
// disk, just before they replace `path`; when it throws, `path` is left as
// it was.
void WriteFileAtomically(const std::string& path, const std::string& bytes, const WriteFailureHook& fail = {},
                         const std::function<void()>& before_replace = {});

// The result file `OutputBase` + ".csv". An empty OutputBase, or one whose
// name part is empty, is refused with the output-name message.
void WriteResultFile(const std::string& OutputBase, const ResultFileContent& content, const WriteFailureHook& fail = {},
                     const std::function<void()>& before_replace = {});

}  // namespace voltrigg
