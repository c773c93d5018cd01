// Fuzz target: the physical assessment of any module list and any wiring.
//
// Input: one byte for S (1..8), then bytes that choose the wiring (each picks
// one of the modules not wired yet), a line feed, then the module list file's
// bytes. Lists of up to 64 modules are assessed.
//
// Every list gives an assessment or named problems, never a crash; an
// assessment has no NaN figure anywhere, its voltage check agrees with its
// strings, the optimised wiring is never below the two it starts from, and
// its JSON parses back with the same module count.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "assess/assessment.h"
#include "assess/assessment_json.h"
#include "fuzz/fuzz_support.h"
#include "input/module_list.h"
#include "input/run_error.h"
#include "run/plan_assessment.h"

using voltrigg::fuzz::NextLine;
using voltrigg::fuzz::Require;

namespace {

constexpr std::size_t kMaxModules = 64;

bool Finite(const voltrigg::ArrangementFigures& f) {
  if (!std::isfinite(f.point.pmp_w) || !std::isfinite(f.point.vmp_v) || !std::isfinite(f.point.imp_a) ||
      !std::isfinite(f.mismatch_loss_pct))
    return false;
  for (const voltrigg::StringFigures& s : f.strings) {
    if (!std::isfinite(s.current_a) || !std::isfinite(s.voc_v) || !std::isfinite(s.voc_cold_v)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace voltrigg;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  if (rest.empty()) return 0;
  const int series = 1 + static_cast<unsigned char>(rest.front()) % 8;
  rest.remove_prefix(1);
  const std::string_view choice = NextLine(rest);
  std::vector<ListRow> list;
  try {
    std::istringstream in{std::string(rest)};
    const auto table = std::make_unique<ModuleTable>();
    (void)LoadModuleList(in, "fuzz.csv", *table, &list);
  } catch (const RunError&) {
    return 0;
  }
  if (list.empty() || list.size() > kMaxModules) return 0;
  const std::size_t n = list.size() - list.size() % static_cast<std::size_t>(series);
  if (n == 0) return 0;

  // The wiring: strings of S modules, each module once, picked by the bytes.
  std::vector<int> left;
  for (std::size_t k = 0; k < n; ++k) left.push_back(static_cast<int>(k));
  std::vector<int> order;
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t pick = k < choice.size() ? static_cast<unsigned char>(choice[k]) % left.size() : 0;
    order.push_back(left[pick]);
    left.erase(left.begin() + static_cast<std::ptrdiff_t>(pick));
  }
  AssessmentInput input;
  input.modules = ModulesForAssessment(list, choice.size() % 2 == 1 ? ExtrasUse::IscVoc : ExtrasUse::VocIsc);
  input.modules.resize(n);
  input.series = series;
  input.parallel = static_cast<int>(n) / series;
  for (std::size_t k = 0; k < n; ++k) {
    if (k % static_cast<std::size_t>(series) == 0) {
      input.initial.emplace_back();
      input.estimated.emplace_back();
    }
    input.initial.back().push_back(static_cast<int>(k));
    input.estimated.back().push_back(order[k]);
  }
  input.random_samples = 5;

  const AssessmentOutcome outcome = AssessRun(input);
  if (!outcome.assessment) {
    Require(!outcome.problems.empty());
    return 0;
  }
  const Assessment& a = *outcome.assessment;
  Require(a.complete);
  Require(Finite(a.initial) && Finite(a.estimated) && Finite(a.optimized));
  Require(std::isfinite(a.random_wiring.mean_pmp_w) && std::isfinite(a.random_wiring.worst_pmp_w));
  Require(a.optimized.point.pmp_w >= a.initial.point.pmp_w && a.optimized.point.pmp_w >= a.estimated.point.pmp_w);
  bool all_within = true;
  for (const StringFigures& s : a.estimated.strings)
    all_within = all_within && s.voc_cold_v <= a.conditions.max_system_voltage_v;
  Require(a.voltage_check.ok == all_within);
  const nlohmann::json back = nlohmann::json::parse(FormatAssessmentJson(a));
  Require(back["modules"] == n);
  Require(back["voltage_check"]["ok"] == a.voltage_check.ok);
  return 0;
}
