// The browser page's way into the core: one calculation run exactly as
// voltrigg-cli makes it (the same run driver and batch front end, the
// assessment by the same shared functions), a result file opened with its
// list as the viewer opens it, and the commissioning check of the rows typed
// on the page (app/shared/commission_session.h), on files in emscripten's
// in-memory file system, with what the page shows handed back as JavaScript
// values.
#include <emscripten/bind.h>
#include <emscripten/val.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/shared/assess_options.h"
#include "app/shared/commission_session.h"
#include "app/shared/commission_view.h"
#include "app/shared/curve_problems.h"
#include "app/shared/inverter_window_texts.h"
#include "app/shared/inverter_window_view.h"
#include "app/shared/opened_result.h"
#include "app/shared/opened_result_texts.h"
#include "app/shared/option_table.h"
#include "app/shared/plan_view.h"
#include "app/shared/text_catalogue.h"
#include "app/shared/wiring_csv.h"
#include "assess/array_at_conditions.h"
#include "assess/array_curve.h"
#include "assess/assessment.h"
#include "assess/assessment_json.h"
#include "assess/conditions.h"
#include "assess/curve_translation.h"
#include "assess/inverter_window_rows.h"
#include "commission/measurement_file.h"
#include "commission/test_items.h"
#include "identity.h"
#include "input/list_warnings.h"
#include "input/run_counts.h"
#include "input/text_utf8.h"
#include "output/result_reader.h"
#include "run/batch_run.h"
#include "run/plan_assessment.h"

namespace voltrigg::web {
namespace {

using emscripten::val;

// Every run starts in an empty folder holding the list under its own name, so
// that messages name the files as voltrigg-cli does when started beside the list.
constexpr const char* kRunFolder = "/voltrigg";
constexpr int kCurvePoints = 200;  // samples of a drawn I-V / P-V curve

// A copy of `bytes` as a Uint8Array (texts that may not be UTF-8: result
// file, messages quoting a field of the list).
val Bytes(const std::string& bytes) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  return val::global("Uint8Array").new_(emscripten::typed_memory_view(bytes.size(), data));
}

template <typename T>
val TypedArray(const char* type, const std::vector<T>& values) {
  return val::global(type).new_(emscripten::typed_memory_view(values.size(), values.data()));
}

void FreshRunFolder() {
  std::error_code ec;
  std::filesystem::current_path("/", ec);
  std::filesystem::remove_all(kRunFolder, ec);
  std::filesystem::create_directories(kRunFolder, ec);
  std::filesystem::current_path(kRunFolder, ec);
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The list's name as a file name of the run folder: a picked file has no
// folder part; anything else is cut to its last part.
std::string ListFileName(const std::string& name) {
  std::string file = std::filesystem::path(name).filename().string();
  if (file.empty() || file == "." || file == "..") file = "modules.csv";
  return file;
}

val Point(const OperatingPoint& p) {
  val out = val::object();
  out.set("pmax_w", p.Pmax);
  out.set("vpm_v", p.Vpm);
  out.set("ipm_a", p.Ipm);
  return out;
}

// The result file as the core reads it back: figures and matrix rows, serial
// numbers decoded for display.
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
  const AssessConditions& c = w.conditions;
  const TemperatureCoefficients coefficients{c.voc_coefficient_pct_per_k, c.isc_coefficient_pct_per_k};
  const Wiring wiring = WiringOf(a.estimated);
  val curves = val::array();
  for (const double t_c : {c.t_cold_operating_c, kStcTemperatureC, c.t_hot_c}) {
    std::vector<double> voltage_v;
    std::vector<double> power_w;
    for (const CurvePoint& p : SampleArrayCurveAt(a.modules, a.curves, wiring, CellConditions{kStcIrradianceW_m2, t_c},
                                                  coefficients, kCurvePoints)) {
      voltage_v.push_back(p.voltage_v);
      power_w.push_back(p.power_w);
    }
    val curve = val::object();
    curve.set("temperature_c", t_c);
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

// The plan of `wiring` coloured by Ipm and by Vpm.
val PlanViewsOf(const OpenedResult& opened, ShownWiring wiring) {
  val out = val::object();
  out.set("ipm", PlanViewValue(MakePlan(opened, wiring, ColourBy::Ipm)));
  out.set("vpm", PlanViewValue(MakePlan(opened, wiring, ColourBy::Vpm)));
  return out;
}

// `result_name` names the result file in the optimised wiring's file.
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
  const auto loss = [&a](double pmp_w) { return a.sum_mpp_w > 0 ? val(100 * (1 - pmp_w / a.sum_mpp_w)) : val::null(); };
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

// Why a planned run has no assessment, as voltrigg-cli says it.
PlanAssessment FailureOf(const AssessmentStatus& s) {
  PlanAssessment out;
  using Kind = AssessmentStatus::Kind;
  switch (s.kind) {
    case Kind::NoColumns:
    case Kind::CurveProblems:
      out.failure = PlanAssessment::Failure::ModulesWithoutCurve;
      out.problems = s.problems;
      out.modules = s.modules;
      break;
    case Kind::OutOfMemory:
      out.failure = PlanAssessment::Failure::OutOfMemory;
      break;
    case Kind::BackgroundFailed:
      out.failure = s.out_of_memory ? PlanAssessment::Failure::OutOfMemory : PlanAssessment::Failure::Unexpected;
      out.detail = s.detail;
      break;
    case Kind::Failed:
    case Kind::ConditionFault:
    case Kind::NotTheListsRun:
    case Kind::None:
      out.failure = s.unexpected ? PlanAssessment::Failure::Unexpected : PlanAssessment::Failure::Error;
      out.detail = s.detail;
      break;
  }
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

// The assessment's options as the page holds them: texts, read as the viewer
// reads its options, "voc,isc" or "isc,voc", and the inverter profile as
// { name, bytes } (none: only the system voltage limit is checked).
struct WebAssessOptions {
  AssessOptions options;
  Language language = Language::Japanese;
  std::string fault;           // why the conditions cannot be used, or empty
  std::string inverter_fault;  // why the inverter profile cannot be used, or empty
};

// Profiles are read from a folder of their own, never the run's, so that a
// profile named like the list or the result cannot meet them.
constexpr const char* kProfileFolder = "/voltrigg-profile";

// The profile in `profile` ({ name, bytes }) read by the core exactly as
// voltrigg-cli --inverter NAME reads a file NAME beside it: the same checks
// (64 KiB at most, the keys, the limits) and the same messages.
std::optional<ProfileFault> LoadProfile(const val& profile, AssessOptions& options) {
  std::string name =
      std::filesystem::path(profile["name"].isString() ? profile["name"].as<std::string>() : "").filename().string();
  if (name.empty() || name == "." || name == "..") name = "profile.json";
  const std::string bytes = profile["bytes"].as<std::string>();
  std::error_code ec;
  std::filesystem::current_path("/", ec);
  std::filesystem::remove_all(kProfileFolder, ec);
  std::filesystem::create_directories(kProfileFolder, ec);
  std::filesystem::current_path(kProfileFolder, ec);
  {
    std::ofstream out(name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::optional<ProfileFault> fault = LoadInverterOption(name, options);
  std::filesystem::current_path("/", ec);
  std::filesystem::remove_all(kProfileFolder, ec);
  return fault;
}

// The page names a condition by its field's label, in its own language.
WebAssessOptions ReadAssessOptions(const val& o) {
  WebAssessOptions w;
  w.language = o["language"].as<std::string>() == "en" ? Language::English : Language::Japanese;
  // Every condition of the option table that the page shows; one it does
  // not send keeps the core's default. The same check as voltrigg-cli's and
  // the viewer's, worded by the field's label.
  for (const OptionEntry& entry : OptionTable()) {
    if (entry.kind != OptionKind::Number || !TakesOption(entry, OptionUse::Assessment)) continue;
    const val given = o[entry.member];
    if (given.isUndefined()) continue;
    if (const auto fault = SetOption(entry, given.as<std::string>(), &w.options, nullptr)) {
      w.fault = ConditionFaultText(*fault, w.language, ConditionNaming::Label);
      return w;
    }
  }
  if (const auto fault = ValidateConditions(w.options.conditions)) {
    w.fault = ConditionFaultText(*fault, w.language, ConditionNaming::Label);
    return w;
  }
  const std::string extras_text = o["extras"].as<std::string>();
  const auto extras = ParseExtrasOrder(extras_text);
  if (!extras) {
    w.fault = ExtrasFaultText(extras_text, w.language, ConditionNaming::Label);
    return w;
  }
  w.options.isc_first = *extras;
  // As voltrigg-cli: the conditions first, then the profile.
  if (const val profile = o["inverter"]; !profile.isUndefined() && !profile.isNull()) {
    if (auto fault = LoadProfile(profile, w.options)) w.inverter_fault = ProfileFaultText(*fault, w.language);
  }
  return w;
}

// The option table as the page builds its form from it: for each condition
// of the assessment (and the extras), its key (the field's id), the member
// the page sends, the label in `language`, the default and the range.
val OptionTableValue(const std::string& language_name) {
  const Language language = language_name == "en" ? Language::English : Language::Japanese;
  val rows = val::array();
  for (const OptionEntry& entry : OptionTable()) {
    if (!TakesOption(entry, OptionUse::Assessment) || entry.kind == OptionKind::Inverter) continue;
    val row = val::object();
    row.set("key", std::string(entry.key));
    row.set("member", std::string(entry.member));
    row.set("kind", std::string(entry.kind == OptionKind::Number ? "number" : "extras"));
    row.set("label", std::string(language == Language::Japanese ? entry.label_ja : entry.label_en));
    row.set("default", DefaultText(entry));
    row.set("help", OptionHelp(entry, language));
    if (entry.limit != nullptr) row.set("range", RangeText(*entry.limit, language));
    rows.call<void>("push", row);
  }
  return rows;
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

bool IsFunction(const val& v) { return v.typeOf().as<std::string>() == "function"; }

// "OUTPUT.csv": the output name's last part, as the page saves the result.
std::string ResultNameOf(const std::string& output_name) {
  const std::size_t cut = output_name.find_last_of("/\\");
  return (cut == std::string::npos ? output_name : output_name.substr(cut + 1)) + ".csv";
}

// Only the extras of `options` ("voc,isc" or "isc,voc"; the default when
// missing or not one of them), for a result opened without the assessment:
// they decide the modules' Voc and Isc for the commissioning check.
AssessOptions ExtrasOnly(const val& options) {
  AssessOptions out;
  const val extras = options["extras"];
  if (extras.isString()) {
    if (const auto isc_first = ParseExtrasOrder(extras.as<std::string>())) out.isc_first = *isc_first;
  }
  return out;
}

// Both parts of the assessment of `opened`, telling the page the first
// part's figures and the progress through the functions in `options`.
void AssessOpened(OpenedResult& opened, const val& options) {
  const val first_part = options["first_part"];
  const val progress = options["progress"];
  CompletionProgressCallback told_progress;
  if (IsFunction(progress)) {
    told_progress = [&progress](const CompletionProgress& p) { progress(ProgressValue(p)); };
  }
  if (std::optional<AssessmentJob> job = StartAssessment(opened)) {
    if (IsFunction(first_part)) first_part(FirstPartValue(opened.assessment->core));
    ApplyBackgroundPart(opened, RunBackgroundPart(std::move(*job), {}, told_progress));
  }
}

// The result the page shows, kept on the page's own thread for the
// commissioning check: the last one planned or opened with `keep`. The
// worker, which only assesses, never keeps one. The check's session is made
// from it and goes with it.
std::optional<OpenedResult>& KeptResult() {
  static std::optional<OpenedResult> kept;
  return kept;
}
std::optional<CommissionSession>& Session() {
  static std::optional<CommissionSession> session;
  return session;
}

bool KeepsResult(const val& options) {
  const val keep = options["keep"];
  return keep.isTrue();
}

void Keep(OpenedResult opened) {
  Session().reset();
  KeptResult() = std::move(opened);
}

// One run. `options` holds assess (bool) and, when it is true, tmin_c,
// voc_coefficient_pct_per_k, max_system_voltage_v and optionally
// t_cold_operating_c, t_hot_c, isc_coefficient_pct_per_k and isc_factor
// (texts; a missing one keeps its default), extras ("voc,isc" or "isc,voc"),
// language ("ja" or "en", for the assessment's problems), optionally
// inverter ({ name, bytes }: the inverter profile), first_part, a function
// given the first part's figures before the optimiser runs, and progress, a
// function given { percent, searches_done, searches_total, random_done,
// random_total } as the optimiser and random wiring go on; without assess,
// keep (bool) keeps the completed run's result for the commissioning check,
// its modules' Voc and Isc read as extras says. Returns
// { outcome, exit_status, messages (Uint8Arrays, the run's messages in order),
// and after a completed run result_file (Uint8Array), result, and with assess
// either assessment or assessment_problems }. Options that cannot be used give
// outcome "refused" with condition_fault or inverter_fault (the core's
// reason), and no run, as voltrigg-cli refuses them before it reads anything.
val Run(const std::string& list_bytes, const std::string& list_name, const std::string& series_text,
        const std::string& parallel_text, const std::string& output_name, const val& options) {
  std::optional<WebAssessOptions> assess;
  if (options["assess"].as<bool>()) {
    assess = ReadAssessOptions(options);
    if (!assess->fault.empty() || !assess->inverter_fault.empty()) {
      val out = val::object();
      out.set("outcome", std::string("refused"));
      out.set("exit_status", 64);
      out.set("messages", val::array());
      if (!assess->fault.empty()) out.set("condition_fault", assess->fault);
      if (!assess->inverter_fault.empty()) out.set("inverter_fault", assess->inverter_fault);
      return out;
    }
  }

  FreshRunFolder();
  const std::string list_file = ListFileName(list_name);
  {
    std::ofstream list(list_file, std::ios::binary);
    list.write(list_bytes.data(), static_cast<std::streamsize>(list_bytes.size()));
  }

  const ExtrasUse extras = !assess                     ? ExtrasUse::None
                           : assess->options.isc_first ? ExtrasUse::IscVoc
                                                       : ExtrasUse::VocIsc;
  BatchRun run = RunBatch(BatchRequest{.list_path = list_file,
                                       .input_name = list_file,
                                       .series_text = series_text,
                                       .parallel_text = parallel_text,
                                       .output_base = output_name,
                                       .extras = extras});

  val out = val::object();
  out.set("outcome", std::string(OutcomeName(run.outcome)));
  out.set("exit_status", ExitStatus(run.outcome));
  val messages = val::array();
  // The run's messages as the window shows them: the failure, or the completion message.
  messages.call<void>("push",
                      Bytes(run.outcome == RunOutcome::Completed ? std::string(kCompletionMessage) : run.message));
  out.set("messages", messages);
  // As voltrigg-cli follows them: a failed check's figures, and after any run
  // that read the whole list the list's warnings (the first ten, then a count).
  if (run.outcome == RunOutcome::CheckFailed) {
    out.set("check_facts",
            CheckFacts(run.plan->ModuleCount, run.plan->counts.SeriesCount, run.plan->counts.ParallelCount));
    // Strings above 20 or more than 1000 modules: where such an array is planned.
    if (BeyondAPlanningRun(*run.plan)) out.set("plant_hint", CliText(CliPhrase::PlantHint, Language::Japanese));
  }
  if (run.outcome != RunOutcome::Failed) {
    val texts = val::array();
    for (const std::string& line :
         ListWarningLines(run.plan->warnings, [](const std::string& bytes) { return TextAsUtf8(bytes); })) {
      texts.call<void>("push", line);
    }
    out.set("list_warnings", texts);
  }
  if (run.outcome == RunOutcome::Completed) {
    out.set("result_file", Bytes(ReadWholeFile(run.result_path)));
    // The result read back, as the viewer opens it, with the run's own reading of the list.
    std::optional<OpenedResult> opened;
    try {
      opened = OpenResultOfRun(run.result_path, list_file, std::make_shared<const PlanResult>(std::move(*run.plan)),
                               assess ? assess->options : ExtrasOnly(options));
      out.set("result", ResultValue(opened->result));
      val views = val::object();
      views.set("result", PlanViewsOf(*opened, ShownWiring::Result));
      out.set("plan_views", views);
    } catch (const std::exception& e) {
      out.set("result_error", std::string(e.what()));
    }
    if (assess && opened) {
      AssessOpened(*opened, options);
      if (opened->assessment && opened->assessment->complete) {
        out.set("assessment", AssessmentValue(*opened, ResultNameOf(output_name)));
      } else {
        val problems = val::array();
        for (const std::string& p : AssessmentProblemLines(FailureOf(opened->assessment_status), assess->language)) {
          problems.call<void>("push", p);
        }
        out.set("assessment_problems", problems);
      }
    } else if (opened && KeepsResult(options)) {
      Keep(std::move(*opened));
    }
  }
  FreshRunFolder();  // the list and the result leave no trace for the next run
  return out;
}

// Opened files are written to a folder of their own, never the run's.
constexpr const char* kOpenFolder = "/voltrigg-open";

void FreshFolder(const char* folder) {
  std::error_code ec;
  std::filesystem::current_path("/", ec);
  std::filesystem::remove_all(folder, ec);
  std::filesystem::create_directories(folder, ec);
  std::filesystem::current_path(folder, ec);
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

val Texts(const std::vector<std::string>& lines) {
  val out = val::array();
  for (const std::string& line : lines) out.call<void>("push", line);
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

// A picked or dropped file: { name, bytes }.
struct PageFile {
  std::string name;  // the name's last part, as written to the folder
  std::string bytes;
};

std::vector<PageFile> FilesOf(const val& files) {
  std::vector<PageFile> out;
  const auto count = files["length"].as<unsigned>();
  for (unsigned k = 0; k < count; ++k) {
    const val f = files[k];
    out.push_back(
        {ListFileName(f["name"].isString() ? f["name"].as<std::string>() : ""), f["bytes"].as<std::string>()});
  }
  return out;
}

// Files picked or dropped together, told apart as the viewer tells them
// apart: a file whose header names string, voc_v and isc_a is a measurement
// file; one the result reader reads is the result; the other is its module
// list. `files` is an array of { name, bytes } (at most three). Returns
// { result, list, measurements } (the files' indices, -1 for none) or
// { refused, reasons } where they cannot be told apart: no result, two
// results, or more than one other file; each reason names a file and why it
// is not a result (the reader's words).
val TellFilesApart(const val& files) {
  const std::vector<PageFile> picked = FilesOf(files);
  FreshFolder(kOpenFolder);
  int result = -1;
  int list = -1;
  int measurements = -1;
  int results = 0;
  int others = 0;
  std::vector<std::string> reasons;
  for (std::size_t k = 0; k < picked.size(); ++k) {
    const std::string path = "file-" + std::to_string(k) + ".csv";
    WriteWholeFile(path, picked[k].bytes);
    if (NamesMeasurementColumns(path)) {
      measurements = static_cast<int>(k);
      continue;
    }
    try {
      (void)ReadResultFile(path);
      result = static_cast<int>(k);
      ++results;
    } catch (const std::exception& e) {
      list = static_cast<int>(k);
      ++others;
      reasons.push_back(TextAsUtf8(picked[k].name) + ": " + e.what());
    }
  }
  FreshFolder(kOpenFolder);
  val out = val::object();
  if (results != 1 || others > 1) {
    out.set("refused", results == 0 ? std::string("no_result") : results > 1 ? "two_results" : "two_lists");
    out.set("reasons", Texts(reasons));
    return out;
  }
  out.set("result", result);
  out.set("list", list);
  out.set("measurements", measurements);
  return out;
}

// A result file with its module list (`list` null for none), opened as the
// viewer opens it: the result read once (a file that is not one is refused
// with the reader's words, naming the line), its list matched once, the same
// refusals and notes. `result` and `list` are { name, bytes }; `options` as
// Run's (assess, the conditions, extras, language, first_part, progress),
// and keep: keep the opened result for the commissioning check. Returns
// { outcome "completed", result_file, result, plan_views, list_state,
// list_status, list_differences, list_warnings, assessment_note, and with
// assess assessment }, or { outcome "refused", result_error } or the
// options' fault as Run gives it.
val OpenResultFiles(const val& result, const val& list, const val& options) {
  val out = val::object();
  std::optional<WebAssessOptions> assess;
  if (options["assess"].as<bool>()) {
    assess = ReadAssessOptions(options);
    if (!assess->fault.empty() || !assess->inverter_fault.empty()) {
      out.set("outcome", std::string("refused"));
      if (!assess->fault.empty()) out.set("condition_fault", assess->fault);
      if (!assess->inverter_fault.empty()) out.set("inverter_fault", assess->inverter_fault);
      return out;
    }
  }
  const PageFile result_file{ListFileName(result["name"].as<std::string>()), result["bytes"].as<std::string>()};
  std::optional<PageFile> list_file;
  if (!list.isNull() && !list.isUndefined()) {
    list_file = PageFile{ListFileName(list["name"].as<std::string>()), list["bytes"].as<std::string>()};
  }
  // Side by side, as the viewer finds them; a list named like the result in a folder of its own.
  FreshFolder(kOpenFolder);
  WriteWholeFile(result_file.name, result_file.bytes);
  std::string list_path;
  if (list_file) {
    list_path = list_file->name;
    if (list_path == result_file.name) {
      std::filesystem::create_directories("list");
      list_path = "list/" + list_path;
    }
    WriteWholeFile(list_path, list_file->bytes);
  }
  std::optional<OpenedResult> opened;
  try {
    opened = OpenResult(result_file.name, list_path, assess ? assess->options : ExtrasOnly(options));
  } catch (const std::exception& e) {
    FreshFolder(kOpenFolder);
    out.set("outcome", std::string("refused"));
    out.set("result_error", std::string(e.what()));
    return out;
  }
  // The list as the viewer names it: its own name, not the folder it was read from.
  if (list_file) opened->list_status.name = TextAsUtf8(list_file->name);
  out.set("outcome", std::string("completed"));
  out.set("result_file", Bytes(result_file.bytes));
  out.set("result", ResultValue(opened->result));
  val views = val::object();
  views.set("result", PlanViewsOf(*opened, ShownWiring::Result));
  out.set("plan_views", views);
  out.set("list_state", std::string(ListStateName(opened->list_state)));
  out.set("list_status", ListStatusTextJa(opened->list_status));
  out.set("list_differences", Texts(ListDifferenceTextsJa(opened->match, opened->list)));
  out.set("list_warnings",
          Texts(ListWarningLines(opened->warnings, [](const std::string& bytes) { return TextAsUtf8(bytes); })));
  if (assess) {
    AssessOpened(*opened, options);
    if (opened->assessment && opened->assessment->complete) {
      out.set("assessment", AssessmentValue(*opened, result_file.name));
    }
  }
  out.set("assessment_note", AssessmentStatusTextJa(opened->assessment_status));
  FreshFolder(kOpenFolder);
  if (!assess && KeepsResult(options)) Keep(std::move(*opened));
  return out;
}

// The commissioning check's options as the page holds them (texts by the
// option table's members: voc_coefficient_pct_per_k, isc_coefficient_pct_per_k,
// voc_tolerance_pct, isc_tolerance_pct, insulation_min_mohm, and the
// irradiance_w_m2 and module_temperature_c of every row, empty for none),
// read as voltrigg-cli commission reads its options; the fault names the
// field by its label.
struct WebCommissionOptions {
  CommissionOptions options;
  std::string fault;
};

WebCommissionOptions ReadCommissionOptions(const val& o) {
  WebCommissionOptions w;
  for (const OptionEntry& entry : OptionTable()) {
    if (entry.kind != OptionKind::Number || !TakesOption(entry, OptionUse::Commissioning)) continue;
    const val given = o[entry.member];
    if (!given.isString()) continue;
    const std::string text = NormalisedNumberText(given.as<std::string>());
    if (text.empty() && entry.measurement_default) continue;  // no value for every row
    if (const auto fault = SetOption(entry, text, nullptr, &w.options)) {
      w.fault = ConditionFaultText(*fault, Language::Japanese, ConditionNaming::Label);
      return w;
    }
  }
  if (const auto fault = ValidateCommissionOptions(w.options)) {
    w.fault = ConditionFaultText(*fault, Language::Japanese, ConditionNaming::Label);
  }
  return w;
}

// The option table's rows of the commissioning check that the page's form
// shows beside the assessment's (the coefficients are the assessment's fields).
val CommissionOptionTableValue() {
  val rows = val::array();
  for (const OptionEntry& entry : OptionTable()) {
    if (entry.kind != OptionKind::Number || entry.use != OptionUse::Commissioning) continue;
    val row = val::object();
    row.set("key", std::string(entry.key));
    row.set("member", std::string(entry.member));
    row.set("label", std::string(entry.label_ja));
    row.set("default", DefaultText(entry));
    row.set("help", OptionHelp(entry, Language::Japanese));
    row.set("every_row", entry.measurement_default);
    rows.call<void>("push", row);
  }
  return rows;
}

std::string CommissionOptionsFault(const val& options) { return ReadCommissionOptions(options).fault; }

std::string Css(const Rgb& c) {
  return "rgb(" + std::to_string(c.red) + ", " + std::to_string(c.green) + ", " + std::to_string(c.blue) + ")";
}

const char* VerdictKey(VerdictKind kind) {
  switch (kind) {
    case VerdictKind::Pass:
      return "pass";
    case VerdictKind::PassWithNote:
      return "pass_with_note";
    case VerdictKind::Fail:
      return "fail";
    case VerdictKind::NotMeasured:
      break;
  }
  return "not_measured";
}

std::string ShortestText(double value) {
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return ec == std::errc() ? std::string(text, end) : std::string();
}

// One string of the check as the page shows it: the viewer's cells, the
// verdict with its colours, the findings (with the row's note) and each test
// item's status, and the further items as read.
val StringValue(const StringCommissioning& s) {
  Commissioning one;
  one.strings.push_back(s);
  const CommissionRow row = CommissionRows(one).front();
  val out = val::object();
  out.set("string_no", s.string_no);
  val cells = val::array();
  for (const std::string& cell : row.cells) cells.call<void>("push", cell);
  out.set("cells", cells);
  out.set("kind", std::string(VerdictKey(row.kind)));
  out.set("verdict", row.cells[kColVerdict]);
  out.set("colour", Css(VerdictColour(row.kind)));
  out.set("background", Css(VerdictBackground(row.kind)));
  out.set("findings", row.cells[kColFindings]);
  out.set("findings_with_note", FindingsWithNote(row));
  val keys = val::array();
  for (const Finding& f : s.verdict.findings) keys.call<void>("push", std::string(FindingKeyName(f.key)));
  out.set("finding_keys", keys);
  val items = val::object();
  for (const TestItem item : kTestItems) {
    items.set(TestItemName(item), std::string(ItemStatusName(StatusOf(s.verdict, item))));
  }
  out.set("items", items);
  val further = val::object();
  if (s.measurement) {
    const StringMeasurement& m = *s.measurement;
    const auto optional = [](const std::optional<double>& v) { return v ? ShortestText(*v) : std::string(); };
    further.set("polarity", m.polarity ? std::string(PolarityName(*m.polarity)) : std::string());
    further.set("insulation_pos_mohm", optional(m.insulation_pos_mohm));
    further.set("insulation_neg_mohm", optional(m.insulation_neg_mohm));
    further.set("insulation_test_v", optional(m.insulation_test_v));
    further.set("earth_continuity_ohm", optional(m.earth_continuity_ohm));
  }
  out.set("further", further);
  return out;
}

val FieldNames(const std::vector<TypedField>& fields) {
  val out = val::array();
  for (const TypedField f : fields) out.call<void>("push", std::string(TypedFieldColumn(f)));
  return out;
}

// The rows the page holds: an array (string 1..P) of arrays of the ten texts
// in TypedField's order.
TypedRow RowOf(const val& fields) {
  TypedRow row;
  const auto count = std::min<std::size_t>(fields["length"].as<std::size_t>(), kTypedFieldCount);
  for (std::size_t k = 0; k < count; ++k) {
    const val f = fields[k];
    if (f.isString()) row.fields[k] = f.as<std::string>();
  }
  return row;
}

std::vector<TypedRow> RowsOf(const val& rows) {
  std::vector<TypedRow> out;
  const auto count = rows["length"].as<std::size_t>();
  out.reserve(count);
  for (std::size_t j = 0; j < count; ++j) out.push_back(RowOf(rows[j]));
  return out;
}

val RowsValue(const std::vector<TypedRow>& rows) {
  val out = val::array();
  for (const TypedRow& row : rows) {
    val fields = val::array();
    for (const std::string& f : row.fields) fields.call<void>("push", f);
    out.call<void>("push", fields);
  }
  return out;
}

// The commissioning check of the kept result: its session made once (the
// list's modules with the page's extras, their curves fitted), the names
// the files carry, and what the page shows before anything is typed: the
// plan's fingerprint, each string's modules and its expected values at
// 1000 W/m² and 25 °C, and the insulation test the array calls for.
// { ok: false, failure } when the check cannot be made (no matching list, a
// module without a curve, or the options' fault).
val StartCommission(const std::string& result_name, const std::string& list_name, const std::string& file_name,
                    const val& options) {
  val out = val::object();
  Session().reset();
  std::optional<OpenedResult>& kept = KeptResult();
  const WebCommissionOptions w = ReadCommissionOptions(options);
  const auto fail = [&out](const std::string& text) {
    out.set("ok", false);
    out.set("failure", text);
    return out;
  };
  if (!kept) return fail("結果ファイルが開かれていません");
  if (!w.fault.empty()) return fail(w.fault);
  // The modules' Voc and Isc as the page's extras say.
  const AssessOptions extras = ExtrasOnly(options);
  if (extras.isc_first != kept->options.isc_first && !kept->list.empty()) {
    kept->options.isc_first = extras.isc_first;
    kept->modules = ModulesForAssessment(kept->list, extras.isc_first ? ExtrasUse::IscVoc : ExtrasUse::VocIsc);
  }
  CommissionFailure failure;
  std::optional<CommissionSession> session =
      StartCommissionSession(*kept, w.options, result_name, list_name, file_name, &failure);
  if (!session) return fail(failure.text);
  out.set("ok", true);
  out.set("plan", session->plan);
  val strings = val::array();
  for (std::size_t j = 0; j < session->form.size(); ++j) {
    val s = val::object();
    s.set("string_no", session->form[j].string_no);
    s.set("modules", static_cast<int>(session->array.wiring[j].size()));
    s.set("voc_stc_v", session->form[j].voc_stc_v);
    s.set("isc_stc_a", session->form[j].isc_stc_a);
    strings.call<void>("push", s);
  }
  out.set("strings", strings);
  const double system_v = ArraySystemVoltageV(session->array.modules, session->array.wiring);
  out.set("system_voltage_v", system_v);
  out.set("insulation_test_required_v", InsulationTestVoltageForV(system_v));
  Session() = std::move(session);
  return out;
}

const char* RowStateName(RowCheck::State state) {
  switch (state) {
    case RowCheck::State::Empty:
      return "empty";
    case RowCheck::State::Incomplete:
      return "incomplete";
    case RowCheck::State::Refused:
      return "refused";
    case RowCheck::State::Checked:
      break;
  }
  return "checked";
}

// One typed row checked: { state, missing (columns), refusal, string }.
val CheckRow(int string_no, const val& fields, const val& options) {
  val out = val::object();
  const WebCommissionOptions w = ReadCommissionOptions(options);
  if (!Session() || !w.fault.empty()) {
    out.set("state", std::string("refused"));
    out.set("refusal", w.fault.empty() ? std::string("試運転検査が始まっていません") : w.fault);
    return out;
  }
  const RowCheck check = CheckTypedRow(*Session(), string_no, RowOf(fields), w.options);
  out.set("state", std::string(RowStateName(check.state)));
  out.set("missing", FieldNames(check.missing));
  out.set("refusal", check.refusal);
  if (check.string) out.set("string", StringValue(*check.string));
  return out;
}

// Every row as the file that is saved: { file (Uint8Array), incomplete
// ([{ string, missing }]), refusal, and when complete check: { ok, summary,
// conditions, json (Uint8Array), strings, failed, not_measured,
// further_items_measured, system_voltage_v, insulation_test_required_v,
// coverage } }.
val CheckRows(const val& rows, const val& options) {
  val out = val::object();
  const WebCommissionOptions w = ReadCommissionOptions(options);
  if (!Session() || !w.fault.empty()) {
    out.set("refusal", w.fault.empty() ? std::string("試運転検査が始まっていません") : w.fault);
    return out;
  }
  const CommissionSession& session = *Session();
  const RowsCheck check = CheckTypedRows(session, RowsOf(rows), w.options);
  out.set("file", Bytes(check.file));
  val incomplete = val::array();
  for (const auto& [string_no, missing] : check.incomplete) {
    val v = val::object();
    v.set("string", string_no);
    v.set("missing", FieldNames(missing));
    incomplete.call<void>("push", v);
  }
  out.set("incomplete", incomplete);
  if (check.refusal) out.set("refusal", *check.refusal);
  if (!check.check) return out;
  const Commissioning& c = *check.check;
  val v = val::object();
  v.set("ok", c.ok);
  v.set("summary", CommissionSummaryJa(c));
  v.set("conditions", CommissionConditionsTextJa(c.conditions));
  v.set("json", Bytes(CommissioningJsonOfRows(session, c)));
  val strings = val::array();
  for (const StringCommissioning& s : c.strings) strings.call<void>("push", StringValue(s));
  v.set("strings", strings);
  v.set("failed", TypedArray("Int32Array", c.strings_failed));
  v.set("not_measured", TypedArray("Int32Array", c.strings_not_measured));
  v.set("further_items_measured", c.further_items_measured);
  v.set("system_voltage_v", c.system_voltage_v);
  v.set("insulation_test_required_v", c.insulation_test_required_v);
  val coverage = val::array();
  for (const TestItemCoverage& k : TestItemCoverages(c)) {
    val item = val::object();
    item.set("item", std::string(TestItemName(k.item)));
    item.set("made", TypedArray("Int32Array", k.strings_made));
    item.set("failed", TypedArray("Int32Array", k.strings_failed));
    item.set("not_made", TypedArray("Int32Array", k.strings_not_made));
    coverage.call<void>("push", item);
  }
  v.set("coverage", coverage);
  out.set("check", v);
  return out;
}

// A measurement file opened to go on with it: { rows } (arrays of the ten
// texts, string 1..P) or { refusal } naming the file, the line and the
// column (another plan's file among them), as voltrigg-cli refuses it.
val ReadMeasurementFileRows(const std::string& name, const std::string& bytes, const val& options) {
  val out = val::object();
  const WebCommissionOptions w = ReadCommissionOptions(options);
  if (!Session() || !w.fault.empty()) {
    out.set("refusal", w.fault.empty() ? std::string("試運転検査が始まっていません") : w.fault);
    return out;
  }
  const std::string file = ListFileName(name);
  FreshFolder(kOpenFolder);
  WriteWholeFile(file, bytes);
  const MeasurementRows read = ReadMeasurementRows(*Session(), file, TextAsUtf8(file), w.options);
  FreshFolder(kOpenFolder);
  if (read.refusal) {
    out.set("refusal", *read.refusal);
  } else {
    out.set("rows", RowsValue(read.rows));
  }
  return out;
}

// The blank form of the plan, as voltrigg-cli commission --form writes it.
val BlankForm() { return Session() ? Bytes(BlankFormOf(*Session())) : val::null(); }

// The key under which the page keeps what is typed for a result and its list.
std::string ContentKeyOf(const std::string& result_bytes, const std::string& list_bytes) {
  return ContentKey(result_bytes, list_bytes);
}

// The assessment's options checked without a run: the conditions' fault, or "".
std::string CheckAssessOptions(const val& options) { return ReadAssessOptions(options).fault; }

// The inverter profile of `options` checked without a run (after the
// conditions, as voltrigg-cli): the core's reason, or "".
std::string CheckInverterProfile(const val& options) { return ReadAssessOptions(options).inverter_fault; }

val Identity() {
  val out = val::object();
  out.set("caption", std::string(identity::kWindowCaption));
  out.set("title", std::string(identity::kApplicationTitle));
  out.set("copyright", std::string(identity::kLegalCopyright));
  out.set("completion", std::string(kCompletionMessage));
  return out;
}

}  // namespace
}  // namespace voltrigg::web

EMSCRIPTEN_BINDINGS(voltrigg) {
  emscripten::function("run", &voltrigg::web::Run);
  emscripten::function("identity", &voltrigg::web::Identity);
  emscripten::function("checkAssessOptions", &voltrigg::web::CheckAssessOptions);
  emscripten::function("checkInverterProfile", &voltrigg::web::CheckInverterProfile);
  emscripten::function("optionTable", &voltrigg::web::OptionTableValue);
  emscripten::function("tellFilesApart", &voltrigg::web::TellFilesApart);
  emscripten::function("openResult", &voltrigg::web::OpenResultFiles);
  emscripten::function("commissionOptionTable", &voltrigg::web::CommissionOptionTableValue);
  emscripten::function("commissionOptionsFault", &voltrigg::web::CommissionOptionsFault);
  emscripten::function("startCommission", &voltrigg::web::StartCommission);
  emscripten::function("checkRow", &voltrigg::web::CheckRow);
  emscripten::function("checkRows", &voltrigg::web::CheckRows);
  emscripten::function("readMeasurementFile", &voltrigg::web::ReadMeasurementFileRows);
  emscripten::function("blankForm", &voltrigg::web::BlankForm);
  emscripten::function("contentKey", &voltrigg::web::ContentKeyOf);
  // The page speaks Japanese; so do the core's faults it shows.
  voltrigg::SpeakFaultsIn(voltrigg::Language::Japanese);
}
