#pragma once
// One planning run as a plain call: the module list read once, the counts
// checked, the baseline figures, both search passes and the final matrix
// computed, and everything handed back. Nothing is cleared and no file is
// written, so every front end (the window's run, voltrigg-cli, the page, the
// viewer's replanning) builds on the same result.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "calc/baseline.h"
#include "calc/final_matrix.h"
#include "calc/search.h"
#include "input/list_warnings.h"
#include "input/module_list.h"
#include "input/run_counts.h"
#include "output/result_file.h"

namespace voltrigg {

struct PlanRequest {
  std::string list_path;               // InputPath: the module list, read once
  std::string input_name;              // InputName: the list's name on the result's first line
  RunCounts counts;                    // S and P, converted from their texts
  ExtrasUse extras = ExtrasUse::None;  // what the list's warnings take columns 6 and 7 for
};

struct PlanResult {
  std::string input_name;
  RunCounts counts;
  std::int16_t ModuleCount = 0;
  ModuleTable modules;                // sorted by ipm, then vpm, as loaded
  std::vector<ListRow> rows;          // the same rows in file order (data row k at index k - 1)
  std::vector<ListWarning> warnings;  // what the list holds that a planner must see
  // The first count check that failed, and its message in the program's
  // words (WordRunFault); nothing is computed then.
  std::optional<CountCheck> failed;
  std::optional<std::string> failed_check;
  BaselineFigures baseline;  // SimplePmaxSum and MinimumPoint
  OperatingPoint InitialPoint;
  PassResult pass1;
  PassResult pass2;
  FinalMatrixResult final;

  bool Planned() const { return !failed; }
};

// A plan whose count check failed on strings above 20 modules or more than
// 1000 modules: an array a planning run never takes, which a plant plan does.
bool BeyondAPlanningRun(const PlanResult& plan);

// Loads the list, checks the counts and, when they pass, plans the array.
// Throws RunError for a list that cannot be read, a product of the counts
// outside the 16-bit range, a shape the tables cannot hold or a float error.
PlanResult Plan(const PlanRequest& request);

// The figures and matrix of a planned result, for the result file. Refers
// to `plan`, which must outlive it.
ResultFileContent ResultContentOf(const PlanResult& plan);

// Throws RunError when writing `output_base`.csv would replace the module
// list the plan was read from (another spelling, a link or a hard link of it
// included).
void RefuseToOverwriteTheList(const std::string& list_path, const std::string& output_base);

}  // namespace voltrigg
