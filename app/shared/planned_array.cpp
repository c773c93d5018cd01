#include "app/shared/planned_array.h"

#include <cstdio>
#include <utility>

#include "app/shared/curve_problems.h"
#include "input/run_error.h"
#include "input/text_utf8.h"

namespace voltrigg {

namespace {

std::string NumberText(double number) {
  char text[32];
  (void)std::snprintf(text, sizeof text, "%.9g", number);
  return text;
}

// Why the list is not the result's, as the first difference in string order
// shows it: a row without a module of its own first, then the count, then values.
std::string MismatchText(const OpenedResult& o) {
  for (const ListDifference& d : o.match.differences) {
    using Kind = ListDifference::Kind;
    if (d.kind != Kind::WiredTwice && d.kind != Kind::NotInList && d.kind != Kind::Serial) continue;
    const ResultRow& r = o.result.rows[static_cast<std::size_t>(d.result_row)];
    return "string " + std::to_string(r.string_no) + ": module " + NumberText(r.moduleNo) + " (S/N " + r.serialNo +
           ") is not in the module list, or appears more often than there";
  }
  if (o.match.list_count != o.match.result_count) return {};
  for (const ListDifference& d : o.match.differences) {
    if (d.kind != ListDifference::Kind::Vpm && d.kind != ListDifference::Kind::Ipm) continue;
    const auto index = static_cast<std::size_t>(d.list_index);
    return ModuleName(o.modules[index], index, Language::English) + " has other Vpm or Ipm than line " +
           std::to_string(d.line) + " of the result file";
  }
  return {};
}

}  // namespace

PlannedArray PlannedArrayOf(OpenedResult o) {
  if (o.result.rows.empty()) throw RunError("the result file " + TextAsUtf8(o.result_path) + " holds no array");
  const std::string shown = TextAsUtf8(o.list_path.empty() ? o.result.InputName : o.list_path);
  switch (o.list_status.kind) {
    case ListStatus::Kind::NotBeside:
      throw RunError("the module list " + shown + " is not beside the result file (name it with --modules)");
    case ListStatus::Kind::NotFound:
    case ListStatus::Kind::NotAFile:
      throw RunError("the module list " + shown +
                     (o.list_named ? " is not a file" : " is not beside the result file (name it with --modules)"));
    case ListStatus::Kind::Unreadable:
      throw RunError(o.list_status.detail);
    case ListStatus::Kind::Mismatch:
      if (std::string why = MismatchText(o); !why.empty()) {
        throw RunError("the module list " + shown + " is not the result's: " + why);
      }
      throw RunError("the module list " + shown + " holds " + std::to_string(o.match.list_count) +
                     " modules, the result file " + std::to_string(o.match.result_count));
    case ListStatus::Kind::Matches:
      break;
  }
  CommissionRefusal refusal;
  std::optional<CommissionArray> array = CommissionArrayOf(o, &refusal);
  if (!array) {
    const std::vector<ModuleProblem>& problems = refusal.problems;
    std::string text = "no curve for " + CurveProblemTexts(problems, o.modules, Language::English).front();
    if (problems.size() > 1) text += " (and " + std::to_string(problems.size() - 1) + " more)";
    if (SuggestsColumns(problems, o.modules)) text += "; " + ColumnsHint(Language::English);
    throw RunError(text);
  }
  PlannedArray out;
  out.result = std::move(o.result);
  out.list_path = std::move(o.list_path);
  out.modules = std::move(array->modules);
  out.curves = std::move(array->curves);
  out.wiring = std::move(array->wiring);
  return out;
}

PlannedArray LoadPlannedArray(const std::string& result_path, const std::string& modules_path, bool isc_first) {
  AssessOptions options;
  options.isc_first = isc_first;
  return PlannedArrayOf(OpenResult(result_path, modules_path, options));
}

}  // namespace voltrigg
