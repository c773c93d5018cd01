#include "web/binding/values.h"

#include <cstdint>
#include <limits>
#include <optional>

#include "app/shared/inverter_window_texts.h"
#include "app/shared/inverter_window_view.h"
#include "app/shared/plan_view.h"
#include "app/shared/text_catalogue.h"
#include "app/shared/wiring_csv.h"
#include "assess/array_curve.h"
#include "assess/assessment_json.h"
#include "assess/inverter_window_rows.h"
#include "input/text_utf8.h"

namespace voltrigg::web {

val Bytes(const std::string& bytes) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  return val::global("Uint8Array").new_(emscripten::typed_memory_view(bytes.size(), data));
}

val Texts(const std::vector<std::string>& lines) {
  val out = val::array();
  for (const std::string& line : lines) out.call<void>("push", line);
  return out;
}

bool IsFunction(const val& v) { return v.typeOf().as<std::string>() == "function"; }

val ListWarningTexts(const std::vector<ListWarning>& warnings) {
  return Texts(ListWarningLines(warnings, [](const std::string& bytes) { return TextAsUtf8(bytes); }));
}

namespace {

constexpr int kCurvePoints = 200;  // samples of a drawn I-V / P-V curve

val Point(const OperatingPoint& p) {
  val out = val::object();
  out.set("pmax_w", p.Pmax);
  out.set("vpm_v", p.Vpm);
  out.set("ipm_a", p.Ipm);
  return out;
}

}  // namespace

val ResultValue(const ResultFileData& r) {
  val out = val::object();
  out.set("input_name", TextAsUtf8(r.InputName));
  out.set("simple_pmax_sum_w", r.SimplePmaxSum);
  out.set("minimum", Point(r.MinimumPoint));
  out.set("initial", Point(r.InitialPoint));
  out.set("estimated", Point(r.EstimatedPoint));
  out.set("series", r.series);
  out.set("parallel", r.parallel);
  // The rows as columns: a few typed arrays cross into JavaScript far faster
  // than a thousand objects built field by field.
  std::vector<std::int32_t> string_no;
  std::vector<std::int32_t> position;
  std::vector<float> module_no;
  std::vector<float> vpm;
  std::vector<float> ipm;
  std::string serials;  // decoded, each ended by NUL (a list never holds one)
  for (const ResultRow& row : r.rows) {
    string_no.push_back(row.string_no);
    position.push_back(row.position);
    module_no.push_back(row.moduleNo);
    vpm.push_back(row.vpm);
    ipm.push_back(row.ipm);
    serials += TextAsUtf8(row.serialNo);
    serials += '\0';
  }
  val rows = val::object();
  rows.set("string_no", TypedArray("Int32Array", string_no));
  rows.set("position", TypedArray("Int32Array", position));
  rows.set("module_no", TypedArray("Float32Array", module_no));
  rows.set("vpm_v", TypedArray("Float32Array", vpm));
  rows.set("ipm_a", TypedArray("Float32Array", ipm));
  rows.set("serials", serials);
  out.set("rows", rows);
  return out;
}

namespace {

val CurveValue(const std::vector<ModuleCurve>& curves, const Wiring& wiring) {
  val out = val::array();
  for (const CurvePoint& p : SampleArrayCurve(curves, wiring, kCurvePoints)) {
    val v = val::array();
    v.call<void>("push", p.voltage_v);
    v.call<void>("push", p.current_a);
    v.call<void>("push", p.power_w);
    out.call<void>("push", v);
  }
  return out;
}

val ArrangementValue(const Assessment& a, const ArrangementFigures& f) {
  val out = val::object();
  out.set("pmp_w", f.point.pmp_w);
  out.set("vmp_v", f.point.vmp_v);
  out.set("imp_a", f.point.imp_a);
  out.set("mismatch_loss_pct", f.mismatch_loss_pct);
  val strings = val::array();
  for (const StringFigures& s : f.strings) {
    val v = val::object();
    val numbers = val::array();
    val serials = val::array();
    for (int index : s.modules) {
      const ModuleData& m = a.modules[static_cast<std::size_t>(index)];
      numbers.call<void>("push", m.number);
      serials.call<void>("push", TextAsUtf8(m.serial));
    }
    v.set("module_numbers", numbers);
    v.set("serials", serials);
    v.set("current_a", s.current_a);
    v.set("voc_v", s.voc_v);
    v.set("voc_cold_v", s.voc_cold_v);
    strings.call<void>("push", v);
  }
  out.set("strings", strings);
  out.set("curve", CurveValue(a.curves, WiringOf(f)));
  return out;
}

val VoltageCheckValue(const VoltageCheck& v) {
  val check = val::object();
  check.set("max_string_voc_cold_v", v.max_string_voc_cold_v);
  check.set("limit_v", v.limit_v);
  check.set("ok", v.ok);
  val over = val::array();
  for (int j : v.strings_over) over.call<void>("push", j + 1);  // 1-based, as the page names strings
  check.set("strings_over", over);
  return check;
}

const char* VerdictKey(Verdict v) {
  switch (v) {
    case Verdict::Ok:
      return "ok";
    case Verdict::Fails:
      return "fails";
    case Verdict::Clips:
      return "clips";
    case Verdict::NotChecked:
      break;
  }
  return "not_checked";
}

val OptionalNumber(const std::optional<double>& value) { return value ? val(*value) : val::null(); }

// The inverter window as the viewer shows it: its heading and verdict line,
// the five rows, and the P-V curves at the cold operating temperature, 25 °C
// and the hot one of the wiring it checks.
val InverterWindowValue(const Assessment& a) {
  const InverterWindow& w = a.inverter_window;
  val out = val::object();
  out.set("ok", w.ok);
  out.set("has_profile", w.inverter.name.has_value());
  out.set("inverter_name", w.inverter.name ? val(TextAsUtf8(*w.inverter.name)) : val::null());
  out.set("heading", InverterWindowHeadingJa(w));
  val rows_value = val::array();
  for (const InverterWindowRowText& row : InverterWindowTableJa(w)) {
    val v = val::object();
    v.set("check", row.check);
    v.set("name", row.cells[0]);
    v.set("condition", row.cells[1]);
    v.set("value", row.cells[2]);
    v.set("limit", row.cells[3]);
    v.set("margin", row.cells[4]);
    v.set("verdict", std::string(VerdictKey(row.verdict)));
    v.set("verdict_name", row.cells[5]);
    rows_value.call<void>("push", v);
  }
  out.set("rows", rows_value);
  out.set("verdict_line", InverterWindowVerdictLineJa(w));
  val problems = val::array();
  for (const std::string& p : w.problems) problems.call<void>("push", p);
  out.set("problems", problems);
  // What the chart marks: the MPPT window and the voltage limit [V].
  out.set("mppt_min_v", OptionalNumber(w.inverter.mppt_min_v));
  out.set("mppt_max_v", OptionalNumber(w.inverter.mppt_max_v));
  out.set("voltage_limit_v", OptionalNumber(w.max_voltage.limit));
  val hot = val::object();
  hot.set("pmp_w", w.hot.pmp_w);
  hot.set("vmp_v", w.hot.vmp_v);
  val cold = val::object();
  cold.set("pmp_w", w.cold.pmp_w);
  cold.set("vmp_v", w.cold.vmp_v);
  out.set("hot", hot);
  out.set("cold", cold);
  // The curves: voltage [V] and power [W] per sample, empty where a curve
  // cannot be carried to the temperature.
  val curves = val::array();
  for (const TemperatureCurve& t : WindowCurvesOf(a, kCurvePoints)) {
    std::vector<double> voltage_v;
    std::vector<double> power_w;
    for (const CurvePoint& p : t.points) {
      voltage_v.push_back(p.voltage_v);
      power_w.push_back(p.power_w);
    }
    val curve = val::object();
    curve.set("temperature_c", t.temperature_c);
    curve.set("voltage_v", TypedArray("Float64Array", voltage_v));
    curve.set("power_w", TypedArray("Float64Array", power_w));
    curves.call<void>("push", curve);
  }
  out.set("curves", curves);
  return out;
}

// A plan view as the page draws it: the cells and the strings as columns of
// typed arrays, the colours as RGB triples.
val PlanViewValue(const PlanView& v) {
  val out = val::object();
  out.set("series", v.series);
  out.set("parallel", v.parallel);
  out.set("colour_range_pct", v.colour_range_pct);
  out.set("mean_string_voltage_v", v.mean_string_voltage_v);
  out.set("mean_string_current_a", v.mean_string_current_a);
  out.set("limit_v", v.limit_v);
  out.set("max_voc_cold_v", v.max_voc_cold_v ? val(*v.max_voc_cold_v) : val::null());
  std::vector<std::int32_t> string_no, position;
  std::vector<float> module_no;
  std::vector<double> vpm, ipm, deviation;
  std::vector<std::uint8_t> colour;
  std::string serials;  // each ended by NUL (a list never holds one)
  for (const ModuleCell& c : v.cells) {
    string_no.push_back(c.string_no);
    position.push_back(c.position);
    module_no.push_back(c.moduleNo);
    vpm.push_back(c.vpm_v);
    ipm.push_back(c.ipm_a);
    deviation.push_back(c.deviation_pct);
    for (int channel : {c.colour.red, c.colour.green, c.colour.blue})
      colour.push_back(static_cast<std::uint8_t>(channel));
    serials += c.serial;
    serials += '\0';
  }
  val cells = val::object();
  cells.set("string_no", TypedArray("Int32Array", string_no));
  cells.set("position", TypedArray("Int32Array", position));
  cells.set("module_no", TypedArray("Float32Array", module_no));
  cells.set("vpm_v", TypedArray("Float64Array", vpm));
  cells.set("ipm_a", TypedArray("Float64Array", ipm));
  cells.set("deviation_pct", TypedArray("Float64Array", deviation));
  cells.set("colour", TypedArray("Uint8Array", colour));
  cells.set("serials", serials);
  out.set("cells", cells);
  std::vector<double> sum, mean_vpm, mean_ipm, planning, current, voc_cold;
  std::vector<std::uint8_t> over;
  for (const StringSummary& st : v.strings) {
    sum.push_back(st.vpm_sum_v);
    mean_vpm.push_back(st.mean_vpm_v);
    mean_ipm.push_back(st.mean_ipm_a);
    planning.push_back(st.planning_current_a);
    current.push_back(PlanView::Current(st));
    voc_cold.push_back(st.physics ? st.physics->voc_cold_v : std::numeric_limits<double>::quiet_NaN());
    over.push_back(st.over_limit ? 1 : 0);
  }
  val strings = val::object();
  strings.set("vpm_sum_v", TypedArray("Float64Array", sum));
  strings.set("mean_vpm_v", TypedArray("Float64Array", mean_vpm));
  strings.set("mean_ipm_a", TypedArray("Float64Array", mean_ipm));
  strings.set("planning_current_a", TypedArray("Float64Array", planning));
  strings.set("current_a", TypedArray("Float64Array", current));
  strings.set("voc_cold_v", TypedArray("Float64Array", voc_cold));
  strings.set("over_limit", TypedArray("Uint8Array", over));
  strings.set("physical", !v.strings.empty() && v.strings.front().physics.has_value());
  out.set("strings", strings);
  return out;
}

}  // namespace

val PlanViewsOf(const OpenedResult& opened, ShownWiring wiring) {
  val out = val::object();
  out.set("ipm", PlanViewValue(MakePlan(opened, wiring, ColourBy::Ipm)));
  out.set("vpm", PlanViewValue(MakePlan(opened, wiring, ColourBy::Vpm)));
  return out;
}

val AssessmentValue(const OpenedResult& opened, const std::string& result_name) {
  const Assessment& a = opened.assessment->core;
  val out = val::object();
  out.set("json", Bytes(FormatAssessmentJson(a)));
  // voltrigg-cli's file only when the planning run on the list gives the result.
  out.set("json_same_as_cli", opened.assessment->same_as_cli);
  out.set("optimized_csv", Bytes(FormatWiringCsv(MakePlan(opened, ShownWiring::Optimized, ColourBy::Ipm),
                                                 ShownWiring::Optimized, result_name)));
  out.set("sum_mpp_w", a.sum_mpp_w);
  out.set("initial", ArrangementValue(a, a.initial));
  out.set("estimated", ArrangementValue(a, a.estimated));
  out.set("optimized", ArrangementValue(a, a.optimized));
  val random = val::object();
  random.set("samples", a.random_wiring.samples);
  random.set("mean_pmp_w", a.random_wiring.mean_pmp_w);
  random.set("worst_pmp_w", a.random_wiring.worst_pmp_w);
  // Against the modules' Σ Vmp·Imp, as the mismatch loss.
  const auto loss = [&a](double pmp_w) {
    return a.sum_mpp_w > 0 ? val(MismatchLossPct(pmp_w, a.sum_mpp_w)) : val::null();
  };
  random.set("mean_loss_pct", loss(a.random_wiring.mean_pmp_w));
  random.set("worst_loss_pct", loss(a.random_wiring.worst_pmp_w));
  out.set("random", random);
  out.set("voltage_check", VoltageCheckValue(a.voltage_check));
  out.set("inverter_window", InverterWindowValue(a));
  val views = val::object();
  views.set("result", PlanViewsOf(opened, ShownWiring::Result));
  views.set("optimized", PlanViewsOf(opened, ShownWiring::Optimized));
  out.set("plan_views", views);
  return out;
}

const char* OutcomeName(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Completed:
      return "completed";
    case RunOutcome::CheckFailed:
      return "check_failed";
    case RunOutcome::Failed:
      break;
  }
  return "failed";
}

namespace {

// The first part of an assessment: the result's wiring and its voltage check.
val FirstPartValue(const Assessment& a) {
  val out = val::object();
  out.set("sum_mpp_w", a.sum_mpp_w);
  out.set("initial", ArrangementValue(a, a.initial));
  out.set("estimated", ArrangementValue(a, a.estimated));
  out.set("voltage_check", VoltageCheckValue(a.voltage_check));
  out.set("inverter_window", InverterWindowValue(a));
  return out;
}

val ProgressValue(const CompletionProgress& p) {
  val v = val::object();
  v.set("percent", p.percent);
  v.set("searches_done", p.searches_done);
  v.set("searches_total", p.searches_total);
  v.set("random_done", p.random_done);
  v.set("random_total", p.random_total);
  return v;
}

}  // namespace

AssessCallbacks CallbacksOf(const val& options) {
  AssessCallbacks out;
  if (const val first_part = options["first_part"]; IsFunction(first_part)) {
    out.first_part = [first_part](const Assessment& a) { first_part(FirstPartValue(a)); };
  }
  if (const val progress = options["progress"]; IsFunction(progress)) {
    out.progress = [progress](const CompletionProgress& p) { progress(ProgressValue(p)); };
  }
  return out;
}

const char* ListStateName(ListState state) {
  switch (state) {
    case ListState::NotFound:
      return "not_found";
    case ListState::Unreadable:
      return "unreadable";
    case ListState::Mismatch:
      return "mismatch";
    case ListState::Matches:
      break;
  }
  return "matches";
}

}  // namespace voltrigg::web
