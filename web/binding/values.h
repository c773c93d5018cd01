#pragma once
// What the core and the shared front-end code give, as the JavaScript values
// the page reads: objects named as the core names the figures, typed arrays
// for long columns, Uint8Arrays for bytes that may not be UTF-8.
#include <emscripten/val.h>

#include <string>
#include <vector>

#include "app/shared/opened_result.h"
#include "assess/assessment.h"
#include "input/list_warnings.h"
#include "output/result_reader.h"
#include "run/calculation_run.h"
#include "run/plan_assessment.h"

namespace voltrigg::web {

using emscripten::val;

// A copy of `bytes` as a Uint8Array (texts that may not be UTF-8: result
// file, messages quoting a field of the list).
val Bytes(const std::string& bytes);

template <typename T>
val TypedArray(const char* type, const std::vector<T>& values) {
  return val::global(type).new_(emscripten::typed_memory_view(values.size(), values.data()));
}

// An array of texts.
val Texts(const std::vector<std::string>& lines);

bool IsFunction(const val& v);

// The result file as the core reads it back: figures and matrix rows, serial
// numbers decoded for display.
val ResultValue(const ResultFileData& result);

// The plan of `wiring` coloured by Ipm and by Vpm: { ipm, vpm }.
val PlanViewsOf(const OpenedResult& opened, ShownWiring wiring);

// The whole assessment of `opened`; `result_name` names the result file in
// the optimised wiring's file.
val AssessmentValue(const OpenedResult& opened, const std::string& result_name);

// The functions of `options` the assessment tells: first_part, given the
// first part's figures before the optimiser runs, and progress, given
// { percent, searches_done, searches_total, random_done, random_total };
// empty where `options` has no such function.
struct AssessCallbacks {
  FirstPartCallback first_part;
  CompletionProgressCallback progress;
};
AssessCallbacks CallbacksOf(const val& options);

// The list's warnings as lines: the first ten, then a count.
val ListWarningTexts(const std::vector<ListWarning>& warnings);

const char* OutcomeName(RunOutcome outcome);
const char* ListStateName(ListState state);

}  // namespace voltrigg::web
