#pragma once
// A wiring of the opened result as a comma-separated file for the crew: the
// page saves the optimised wiring this way (OUTPUT-optimized.csv), since a
// result file holds the planning figures of the result's own wiring and no
// other. The first line names the wiring and the result it belongs to, then
// one row per module in string and series order, its numbers written as the
// result file writes them and its serial number's bytes as in the list.
#include <string>

#include "app/shared/plan_view.h"

namespace voltrigg {

// "result" or "optimized": the key of a wiring in the files.
const char* WiringKey(ShownWiring wiring);

// Lines (CR LF): "Wiring=","optimized","Result File=",RESULT; the column
// names "String","Position","Module No","S/N","Vpm [V]","Ipm [A]"; then every
// cell of `plan` as it stands (string by string, position by position).
// `result_name` is the result file's name (bytes).
std::string FormatWiringCsv(const PlanView& plan, ShownWiring wiring, const std::string& result_name);

}  // namespace voltrigg
