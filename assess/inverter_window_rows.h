#pragma once
// The inverter window as rows of text (check, value, limit, margin, verdict),
// the same for voltrigg-cli's table, the viewer's table and the printed plan,
// and the warnings a failed check gives.
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

// "OK", "FAILS", "clips" (the input current above the inverter's usable
// current: a note, not a failure), "not checked".
const char* VerdictText(Verdict verdict);

// The five checks in the order of the JSON.
std::vector<WindowRow> InverterWindowRows(const InverterWindow& window);

struct WindowWarning {
  bool note = false;  // the input current clips: worth knowing, not a failure
  std::string text;
};

// One per curve that could not be carried to a temperature, one per failed
// check (naming it, its value and its limit) and the clipping note.
std::vector<WindowWarning> InverterWindowWarnings(const InverterWindow& window);

// The table voltrigg-cli prints: a heading line with the inverter and the
// conditions, the rows in aligned columns and the window's verdict.
std::string InverterWindowTable(const InverterWindow& window);

}  // namespace voltrigg
