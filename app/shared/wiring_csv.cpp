#include "app/shared/wiring_csv.h"

#include "input/number_text.h"

namespace voltrigg {

namespace {

constexpr const char* kEol = "\r\n";

// Quoted as the result file quotes its texts: a quote doubled.
void Text(std::string& out, const std::string& text) {
  out += '"';
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace

const char* WiringKey(ShownWiring wiring) { return wiring == ShownWiring::Optimized ? "optimized" : "result"; }

std::string FormatWiringCsv(const PlanView& plan, ShownWiring wiring, const std::string& result_name) {
  std::string out;
  Text(out, "Wiring=");
  out += ',';
  Text(out, WiringKey(wiring));
  out += ',';
  Text(out, "Result File=");
  out += ',';
  Text(out, result_name);
  out += kEol;
  const char* const columns[] = {"String", "Position", "Module No", "S/N", "Vpm [V]", "Ipm [A]"};
  for (const char* column : columns) {
    if (column != columns[0]) out += ',';
    Text(out, column);
  }
  out += kEol;
  for (const ModuleCell& c : plan.cells) {
    out += std::to_string(c.string_no) + ',' + std::to_string(c.position) + ',' + FormatFloat(c.moduleNo) + ',';
    Text(out, c.serial_bytes);
    // The cell keeps the list's 32-bit values in a double: exact both ways.
    out += ',' + FormatFloat(static_cast<float>(c.vpm_v)) + ',' + FormatFloat(static_cast<float>(c.ipm_a)) + kEol;
  }
  return out;
}

}  // namespace voltrigg
