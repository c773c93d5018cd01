// The commissioning check of the rows typed on the page
// (app/shared/commission_session.h), of the result the page keeps, with
// what the page shows handed back as JavaScript values.
#include <emscripten/bind.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/shared/commission_session.h"
#include "app/shared/commission_view.h"
#include "app/shared/kept_result.h"
#include "app/shared/picked_files.h"
#include "app/shared/plant_form.h"
#include "commission/test_items.h"
#include "input/number_text.h"
#include "input/text_utf8.h"
#include "web/binding/options.h"
#include "web/binding/page.h"
#include "web/binding/values.h"

namespace voltrigg::web {
namespace {

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

// One string of the check as the page shows it: the viewer's cells, the
// verdict with its colours, the findings (with the row's note) and each test
// item's status, and the further items as read.
// A plant's string by its register name; a result's strings have none.
void SetStringName(val& out, const CommissionSession& session, int string_no) {
  const auto j = static_cast<std::size_t>(string_no - 1);
  if (string_no >= 1 && j < session.string_names.size()) out.set("name", session.string_names[j]);
}

val StringValue(const CommissionSession& session, const StringCommissioning& s) {
  const CommissionRow row = CommissionRowOf(s);
  val out = val::object();
  out.set("string_no", s.string_no);
  SetStringName(out, session, s.string_no);
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
    const auto optional = [](const std::optional<double>& v) { return v ? FormatDouble(*v) : std::string(); };
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

// What the page shows of a session before anything is typed: the plan's
// fingerprint, each string (with its name for a plant's) with its modules and
// expected values at 1000 W/m² and 25 °C, and the insulation test the system
// voltage calls for.
val StartValue(const CommissionSession& session) {
  val out = val::object();
  out.set("ok", true);
  out.set("plan", session.plan);
  val strings = val::array();
  for (std::size_t j = 0; j < session.form.size(); ++j) {
    val s = val::object();
    s.set("string_no", session.form[j].string_no);
    SetStringName(s, session, session.form[j].string_no);
    s.set("modules", static_cast<int>(session.array.wiring[j].size()));
    s.set("voc_stc_v", session.form[j].voc_stc_v);
    s.set("isc_stc_a", session.form[j].isc_stc_a);
    strings.call<void>("push", s);
  }
  out.set("strings", strings);
  // A plant's system voltage is the plant's; a result's that of its array.
  const double system_v = session.string_names.empty()
                              ? ArraySystemVoltageV(session.array.modules, session.array.wiring)
                              : session.system_voltage_v;
  out.set("system_voltage_v", system_v);
  out.set("insulation_test_required_v", InsulationTestVoltageForV(system_v));
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
  const WebCommissionOptions w = ReadCommissionOptions(options);
  // The modules' Voc and Isc as the page's extras say.
  if (const auto failure = StartKeptCommission(Kept(), w.options, w.fault, ExtrasOnly(options).isc_first, result_name,
                                               list_name, file_name)) {
    out.set("ok", false);
    out.set("failure", *failure);
    return out;
  }
  return StartValue(*Kept().session);
}

// The measurement file of a plant's strings as the page saves it:
// BASE.plant.json gives BASE-measured.csv.
std::string MeasuredFileNameOf(const std::string& plant_name) {
  std::string base = plant_name;
  for (const std::string suffix : {".plant.json", ".json"}) {
    if (base.size() > suffix.size() && base.ends_with(suffix)) {
      base.resize(base.size() - suffix.size());
      break;
    }
  }
  return base + "-measured.csv";
}

// The check of a plant's strings: the session made from the plant file
// (BASE.plant.json) and the lists it was planned from, { name, bytes } each,
// as voltrigg-cli commission PLANT --list LIST... reads them, in place of the
// session before (the kept result stays). Returns what startCommission
// returns, each string with its register name, or { ok: false, failure }
// with every refusal in Japanese, one a line.
val StartPlantCommission(const val& plant_file, const val& lists, const val& options) {
  val out = val::object();
  Kept().session.reset();
  const WebCommissionOptions w = ReadCommissionOptions(options);
  if (!w.fault.empty()) {
    out.set("ok", false);
    out.set("failure", w.fault);
    return out;
  }
  const PageFile plant = FileOf(plant_file, "plant.plant.json");
  std::vector<PlantSource> sources;
  const auto count = lists["length"].as<std::size_t>();
  for (std::size_t k = 0; k < count; ++k) {
    PageFile list = FileOf(lists[k]);
    sources.push_back(PlantSource{list.name, "", std::move(list.bytes)});
  }
  CommissionFailure failure;
  Kept().session = StartPlantCommissionSession(PlantSource{plant.name, "", plant.bytes}, sources, w.options,
                                               ExtrasOnly(options).isc_first, MeasuredFileNameOf(plant.name), &failure);
  if (!Kept().session) {
    out.set("ok", false);
    out.set("failure", failure.text);
    return out;
  }
  return StartValue(*Kept().session);
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
  if (const auto refusal = KeptCheckRefusal(Kept(), w.fault)) {
    out.set("state", std::string("refused"));
    out.set("refusal", *refusal);
    return out;
  }
  const RowCheck check = CheckTypedRow(*Kept().session, string_no, RowOf(fields), w.options);
  out.set("state", std::string(RowStateName(check.state)));
  out.set("missing", FieldNames(check.missing));
  out.set("refusal", check.refusal);
  if (check.string) out.set("string", StringValue(*Kept().session, *check.string));
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
  if (const auto refusal = KeptCheckRefusal(Kept(), w.fault)) {
    out.set("refusal", *refusal);
    return out;
  }
  const CommissionSession& session = *Kept().session;
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
  for (const StringCommissioning& s : c.strings) strings.call<void>("push", StringValue(session, s));
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
  if (const auto refusal = KeptCheckRefusal(Kept(), w.fault)) {
    out.set("refusal", *refusal);
    return out;
  }
  const std::string file = PickedFileName(name, "modules.csv");
  FreshFolder(kOpenFolder);
  WriteWholeFile(file, bytes);
  const MeasurementRows read = ReadMeasurementRows(*Kept().session, file, TextAsUtf8(file), w.options);
  FreshFolder(kOpenFolder);
  if (read.refusal) {
    out.set("refusal", *read.refusal);
  } else {
    out.set("rows", RowsValue(read.rows));
  }
  return out;
}

// The blank form of the plan, as voltrigg-cli commission --form writes it.
val BlankForm() { return Kept().session ? Bytes(BlankFormOf(*Kept().session)) : val::null(); }

// The key under which the page keeps what is typed for a result and its list.
std::string ContentKeyOf(const std::string& result_bytes, const std::string& list_bytes) {
  return ContentKey(result_bytes, list_bytes);
}

// The key for a plant's strings: ContentKey of the plant file and of its
// lists taken as one, each list after its length as 8 bytes little-endian, so
// that the same files in the same order give the same key whatever they are
// called, and no two sets of lists run together into the same bytes.
std::string PlantContentKey(const std::string& plant_bytes, const val& lists) {
  std::string all;
  const auto count = lists["length"].as<std::size_t>();
  for (std::size_t k = 0; k < count; ++k) {
    const std::string bytes = lists[k].as<std::string>();
    std::uint64_t size = bytes.size();
    for (int b = 0; b < 8; ++b, size >>= 8) all.push_back(static_cast<char>(size & 0xff));
    all += bytes;
  }
  return ContentKey(plant_bytes, all);
}

// Whether picked files are a plant file (a JSON object) or lists.
std::string PlantFileKind(const std::string& bytes) {
  return RoleOfPlantFile(bytes) == PlantFileRole::Layout ? "plant" : "list";
}

}  // namespace
}  // namespace voltrigg::web

EMSCRIPTEN_BINDINGS(voltrigg_commission) {
  emscripten::function("startCommission", &voltrigg::web::StartCommission);
  emscripten::function("checkRow", &voltrigg::web::CheckRow);
  emscripten::function("checkRows", &voltrigg::web::CheckRows);
  emscripten::function("readMeasurementFile", &voltrigg::web::ReadMeasurementFileRows);
  emscripten::function("blankForm", &voltrigg::web::BlankForm);
  emscripten::function("contentKey", &voltrigg::web::ContentKeyOf);
  emscripten::function("startPlantCommission", &voltrigg::web::StartPlantCommission);
  emscripten::function("plantContentKey", &voltrigg::web::PlantContentKey);
  emscripten::function("plantFileKind", &voltrigg::web::PlantFileKind);
}
