#include "app/shared/planned_array.h"

#include <filesystem>
#include <memory>

#include "app/shared/curve_problems.h"
#include "assess/wiring_match.h"
#include "input/module_list.h"
#include "input/run_error.h"
#include "input/text_utf8.h"
#include "run/plan_assessment.h"

namespace voltrigg {

std::string ListBesideResult(const std::string& result_path, const std::string& input_name) {
  // Names written on Windows carry "\" between folders.
  const std::size_t cut = input_name.find_last_of("/\\");
  const std::string name = cut == std::string::npos ? input_name : input_name.substr(cut + 1);
  if (name.empty() || name == "." || name == "..") return {};
  const std::filesystem::path folder = std::filesystem::path(result_path).parent_path();
  return (folder / name).string();
}

PlannedArray LoadPlannedArray(const std::string& result_path, const std::string& modules_path, bool isc_first) {
  PlannedArray out;
  out.result = ReadResultFile(result_path);
  if (out.result.rows.empty()) throw RunError("the result file " + TextAsUtf8(result_path) + " holds no array");
  out.list_path = modules_path.empty() ? ListBesideResult(result_path, out.result.InputName) : modules_path;
  const std::string shown = TextAsUtf8(out.list_path.empty() ? out.result.InputName : out.list_path);
  std::error_code ec;
  if (out.list_path.empty() || !std::filesystem::is_regular_file(out.list_path, ec)) {
    throw RunError(
        "the module list " + shown +
        (modules_path.empty() ? " is not beside the result file (name it with --modules)" : " is not a file"));
  }
  // The run's own load checks the list with the run's messages; the
  // modules are then taken in the file's order, as the assessment takes them.
  auto table = std::make_unique<ModuleTable>();
  std::vector<ListRow> list_rows;
  (void)LoadModuleList(out.list_path, *table, &list_rows);
  out.modules = ModulesForAssessment(list_rows, isc_first ? ExtrasUse::IscVoc : ExtrasUse::VocIsc);

  std::vector<std::vector<WiringRow>> rows(static_cast<std::size_t>(out.result.parallel));
  for (const ResultRow& r : out.result.rows) {
    rows[static_cast<std::size_t>(r.string_no - 1)].push_back(WiringRow{r.moduleNo, r.serialNo, r.vpm, r.ipm});
  }
  std::string problem;
  std::optional<Wiring> wiring = MatchWiring(out.modules, rows, &problem);
  if (!wiring) throw RunError("the module list " + shown + " is not the result's: " + problem);
  if (out.modules.size() != out.result.rows.size()) {
    throw RunError("the module list " + shown + " holds " + std::to_string(out.modules.size()) +
                   " modules, the result file " + std::to_string(out.result.rows.size()));
  }
  // The match may fall back to the number and serial number alone; the
  // commissioning needs the very modules the result was planned from.
  for (std::size_t k = 0; k < out.result.rows.size(); ++k) {
    const ResultRow& r = out.result.rows[k];
    const auto index = static_cast<std::size_t>(
        (*wiring)[static_cast<std::size_t>(r.string_no - 1)][static_cast<std::size_t>(r.position - 1)]);
    const ModuleData& m = out.modules[index];
    if (m.vpm_v != static_cast<double>(r.vpm) || m.ipm_a != static_cast<double>(r.ipm)) {
      throw RunError("the module list " + shown + " is not the result's: " + ModuleName(m, index, Language::English) +
                     " has other Vpm or Ipm than line " + std::to_string(r.line) + " of the result file");
    }
  }
  out.wiring = std::move(*wiring);

  std::vector<ModuleProblem> problems;
  out.curves.reserve(out.modules.size());
  for (std::size_t k = 0; k < out.modules.size(); ++k) {
    const CurveFit fit = FitModuleCurve(out.modules[k]);
    if (fit.problem != FitProblem::None) {
      problems.push_back(ModuleProblem{static_cast<int>(k), out.modules[k].number, out.modules[k].serial, fit.problem});
    }
    out.curves.push_back(fit.curve);
  }
  if (!problems.empty()) {
    std::string text = "no curve for " + CurveProblemTexts(problems, out.modules, Language::English).front();
    if (problems.size() > 1) text += " (and " + std::to_string(problems.size() - 1) + " more)";
    if (SuggestsColumns(problems, out.modules)) text += "; " + ColumnsHint(Language::English);
    throw RunError(text);
  }
  return out;
}

}  // namespace voltrigg
