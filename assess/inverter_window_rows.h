#pragma once
// The inverter window as rows (check, value, limit, margin, verdict), the
// same for voltrigg-cli's table, the viewer's table and the printed plan.
#include <string>
#include <vector>

#include "assess/inverter_window.h"

namespace voltrigg {

enum class Verdict { Ok, Fails, Clips, NotChecked };

struct WindowRow {
  std::string check;      // the JSON key, e.g. "mppt_min"
  std::string condition;  // what the value is, e.g. "array Vmp at 70 °C"
  std::string value;      // e.g. "451.20 V"
  std::string limit;      // e.g. "450 V", "-" when not given
  std::string margin;     // e.g. "+1.20 V (+0.3 %)", "-" without a limit
  Verdict verdict = Verdict::NotChecked;
};

// The five checks in the order of the JSON.
std::vector<WindowRow> InverterWindowRows(const InverterWindow& window);

// The words of the verdicts, the warnings of a failed check and voltrigg-cli's
// table are the front ends' (app/shared/text_catalogue.h).

}  // namespace voltrigg
