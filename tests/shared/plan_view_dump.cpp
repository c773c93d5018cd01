// Prints the opened result's plan views as JSON, for the page's test that
// holds the picture the page draws to the viewer's model:
//   shared_plan_view_dump RESULT.csv [--assess]
// With --assess, the assessment under the default conditions is made first
// and the optimised wiring's views follow the result's.
#include <cmath>
#include <cstring>
#include <exception>
#include <iostream>
#include <nlohmann/json.hpp>

#include "app/shared/opened_result.h"

using namespace voltrigg;

namespace {

nlohmann::json ViewJson(const PlanView& v) {
  nlohmann::json out;
  out["series"] = v.series;
  out["parallel"] = v.parallel;
  out["colour_range_pct"] = v.colour_range_pct;
  out["mean_string_voltage_v"] = v.mean_string_voltage_v;
  out["mean_string_current_a"] = v.mean_string_current_a;
  out["limit_v"] = v.limit_v;
  out["max_voc_cold_v"] = v.max_voc_cold_v ? nlohmann::json(*v.max_voc_cold_v) : nlohmann::json();
  nlohmann::json cells = nlohmann::json::array();
  for (const ModuleCell& c : v.cells) {
    cells.push_back({{"string_no", c.string_no},
                     {"position", c.position},
                     {"module_no", static_cast<double>(c.moduleNo)},
                     {"serial", c.serial},
                     {"vpm_v", c.vpm_v},
                     {"ipm_a", c.ipm_a},
                     {"deviation_pct", c.deviation_pct},
                     {"colour", {c.colour.red, c.colour.green, c.colour.blue}}});
  }
  out["cells"] = cells;
  nlohmann::json strings = nlohmann::json::array();
  for (const StringSummary& s : v.strings) {
    strings.push_back({{"vpm_sum_v", s.vpm_sum_v},
                       {"mean_vpm_v", s.mean_vpm_v},
                       {"mean_ipm_a", s.mean_ipm_a},
                       {"planning_current_a", s.planning_current_a},
                       {"current_a", PlanView::Current(s)},
                       {"voc_cold_v", s.physics ? nlohmann::json(s.physics->voc_cold_v) : nlohmann::json()},
                       {"over_limit", s.over_limit}});
  }
  out["strings"] = strings;
  return out;
}

nlohmann::json ViewsJson(const OpenedResult& o, ShownWiring wiring) {
  return {{"ipm", ViewJson(MakePlan(o, wiring, ColourBy::Ipm))}, {"vpm", ViewJson(MakePlan(o, wiring, ColourBy::Vpm))}};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: shared_plan_view_dump RESULT.csv [--assess]\n";
    return 64;
  }
  try {
    OpenedResult o = OpenResult(argv[1], "", AssessOptions{});
    nlohmann::json out;
    if (argc > 2 && std::strcmp(argv[2], "--assess") == 0) {
      RunAssessment(o);
      if (!(o.assessment && o.assessment->complete)) {
        std::cerr << "no assessment\n";
        return 2;
      }
      out["optimized"] = ViewsJson(o, ShownWiring::Optimized);
    }
    out["result"] = ViewsJson(o, ShownWiring::Result);
    std::cout << out.dump() << '\n';
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 2;
  }
  return 0;
}
