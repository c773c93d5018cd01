#pragma once
// What a front end shows of one wiring, computed once from the rows of a
// result file (or of another wiring of the same modules): per module its
// deviation from its string's mean and the colour for it, per string its
// sums. The viewer's picture, table, charts and printed plan and the page's
// picture all draw from this.
#include <optional>
#include <string>
#include <vector>

namespace voltrigg {

// A colour as three 8-bit channels.
struct Rgb {
  int red = 0;
  int green = 0;
  int blue = 0;
  bool operator==(const Rgb&) const = default;
};

enum class ColourBy { Ipm, Vpm };

// Which wiring of the opened result is shown: the result file's own, or the
// optimised wiring of the same modules.
enum class ShownWiring { Result, Optimized };

// One module at its place in a wiring.
struct WiredModule {
  int string_no = 0;  // 1..P
  int position = 0;   // 1..S, series order
  float moduleNo = 0;
  std::string serial_bytes;  // as in the files (any 8-bit encoding)
  float vpm = 0;             // [V]
  float ipm = 0;             // [A]
};

// What the physical assessment says of one string of the wiring.
struct StringPhysics {
  double current_a = 0;   // at the array's maximum power point
  double voc_v = 0;       // open-circuit voltage at 25 °C
  double voc_cold_v = 0;  // open-circuit voltage at the lowest temperature
};

struct ModuleCell {
  int string_no = 0;
  int position = 0;
  float moduleNo = 0;
  std::string serial;  // decoded for display (UTF-8)
  std::string serial_bytes;
  double vpm_v = 0;
  double ipm_a = 0;
  double deviation_pct = 0;  // of the coloured value from its string's mean
  Rgb colour;
};

struct StringSummary {
  int string_no = 0;
  int first_cell = 0;    // index of position 1 in PlanView::cells
  double vpm_sum_v = 0;  // Σ Vpm of the string
  double mean_vpm_v = 0;
  double mean_ipm_a = 0;
  double planning_current_a = 0;  // the planning rule: Ipm of position 1
  std::optional<StringPhysics> physics;
  bool over_limit = false;            // cold open-circuit voltage above the system limit
  bool commissioning_failed = false;  // failed or not measured in the commissioning check shown
};

struct PlanView {
  int series = 0;    // S
  int parallel = 0;  // P
  ColourBy colour_by = ColourBy::Ipm;
  double colour_range_pct = 0;         // the deviation drawn in full colour (both ways)
  std::vector<ModuleCell> cells;       // string by string, position by position
  std::vector<StringSummary> strings;  // string 1..P
  double mean_string_voltage_v = 0;    // mean of the strings' Σ Vpm
  double mean_string_current_a = 0;    // mean of the strings' currents (physical when known)
  std::optional<double> max_voc_cold_v;
  double limit_v = 0;  // system voltage limit the strings were checked against (0: not checked)

  int OverLimitCount() const;
  // The string current shown: the physical one when assessed, else the planning rule's.
  static double Current(const StringSummary& s) { return s.physics ? s.physics->current_a : s.planning_current_a; }
};

// `modules` in string order with S per string; `physics` empty or one per string.
PlanView BuildPlanView(const std::vector<WiredModule>& modules, int series, int parallel, ColourBy colour_by,
                       const std::vector<StringPhysics>& physics, double limit_v);

// Colours the cells with full colour at `range_pct` of deviation (both ways),
// so that two wirings of the same modules can share one scale.
void SetColourRange(PlanView& plan, double range_pct);

// Blue below the mean, white at it, orange above; t in [-1, 1] (clamped).
Rgb DeviationColour(double t);

}  // namespace voltrigg
