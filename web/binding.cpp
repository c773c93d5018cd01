// The browser page's way into the core: one calculation run exactly as
// voltrigg-cli makes it (the same run driver and batch front end, the
// assessment by the same shared functions), on files in emscripten's
// in-memory file system, with what the page shows handed back as JavaScript
// values.
#include <emscripten/bind.h>
#include <emscripten/val.h>
#include <unistd.h>

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
#include "app/shared/curve_problems.h"
#include "app/shared/inverter_window_texts.h"
#include "app/shared/inverter_window_view.h"
#include "app/shared/opened_result.h"
#include "app/shared/plan_view.h"
#include "assess/array_at_conditions.h"
#include "assess/array_curve.h"
#include "assess/assessment.h"
#include "assess/assessment_json.h"
#include "assess/conditions.h"
#include "assess/curve_translation.h"
#include "assess/inverter_window_rows.h"
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

val AssessmentValue(const OpenedResult& opened) {
  const Assessment& a = opened.assessment->core;
  val out = val::object();
  out.set("json", Bytes(FormatAssessmentJson(a)));
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
std::optional<std::string> LoadProfile(const val& profile, AssessOptions& options) {
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
  std::optional<std::string> problem = LoadInverterOption(name, options);
  std::filesystem::current_path("/", ec);
  std::filesystem::remove_all(kProfileFolder, ec);
  return problem;
}

WebAssessOptions ReadAssessOptions(const val& o) {
  WebAssessOptions w;
  w.language = o["language"].as<std::string>() == "en" ? Language::English : Language::Japanese;
  // A condition the page does not send keeps the core's default.
  const auto number = [&](const char* key, double& into) {
    if (o[key].isUndefined()) return;
    if (const auto value = ParseOptionNumber(o[key].as<std::string>()))
      into = *value;
    else
      into = std::numeric_limits<double>::quiet_NaN();  // refused below, with its range
  };
  AssessConditions& c = w.options.conditions;
  number("tmin_c", c.tmin_c);
  number("voc_coefficient_pct_per_k", c.voc_coefficient_pct_per_k);
  number("max_system_voltage_v", c.max_system_voltage_v);
  number("t_cold_operating_c", c.t_cold_operating_c);
  number("t_hot_c", c.t_hot_c);
  number("isc_coefficient_pct_per_k", c.isc_coefficient_pct_per_k);
  number("isc_factor", c.isc_factor);
  const auto extras = ParseExtrasOrder(o["extras"].as<std::string>());
  w.options.isc_first = extras.value_or(false);
  if (const auto fault = ValidateConditions(c)) {
    w.fault = ConditionFaultText(*fault, w.language);
  } else if (!extras) {
    w.fault = "--extras: voc,isc / isc,voc";
  } else if (const val profile = o["inverter"]; !profile.isUndefined() && !profile.isNull()) {
    // As voltrigg-cli: the conditions first, then the profile.
    if (auto problem = LoadProfile(profile, w.options)) w.inverter_fault = std::move(*problem);
  }
  return w;
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

// One run. `options` holds assess (bool) and, when it is true, tmin_c,
// voc_coefficient_pct_per_k, max_system_voltage_v and optionally
// t_cold_operating_c, t_hot_c, isc_coefficient_pct_per_k and isc_factor
// (texts; a missing one keeps its default), extras ("voc,isc" or "isc,voc"),
// language ("ja" or "en", for the assessment's problems), optionally
// inverter ({ name, bytes }: the inverter profile), first_part, a function
// given the first part's figures before the optimiser runs, and progress, a
// function given { percent, searches_done, searches_total, random_done,
// random_total } as the optimiser and random wiring go on. Returns
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
                               assess ? assess->options : AssessOptions{});
      out.set("result", ResultValue(opened->result));
      val views = val::object();
      views.set("result", PlanViewsOf(*opened, ShownWiring::Result));
      out.set("plan_views", views);
    } catch (const std::exception& e) {
      out.set("result_error", std::string(e.what()));
    }
    if (assess && opened) {
      const val first_part = options["first_part"];
      const val progress = options["progress"];
      CompletionProgressCallback told_progress;
      if (IsFunction(progress)) {
        told_progress = [&progress](const CompletionProgress& p) { progress(ProgressValue(p)); };
      }
      if (std::optional<AssessmentJob> job = StartAssessment(*opened)) {
        if (IsFunction(first_part)) first_part(FirstPartValue(opened->assessment->core));
        ApplyBackgroundPart(*opened, RunBackgroundPart(std::move(*job), {}, told_progress));
      }
      if (opened->assessment && opened->assessment->complete) {
        out.set("assessment", AssessmentValue(*opened));
      } else {
        val problems = val::array();
        for (const std::string& p : AssessmentProblemLines(FailureOf(opened->assessment_status), assess->language)) {
          problems.call<void>("push", p);
        }
        out.set("assessment_problems", problems);
      }
    }
  }
  FreshRunFolder();  // the list and the result leave no trace for the next run
  return out;
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
}
