// The page's plant tab and the core: the form planned as voltrigg-cli plant
// plans it (app/shared/plant_form.h), the three files handed back as bytes,
// and the serial search over the register of the last plan made here.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <optional>
#include <string>
#include <vector>

#include "app/shared/option_table.h"
#include "app/shared/plant_form.h"
#include "app/shared/text_catalogue.h"

namespace voltrigg::web {
namespace {

using emscripten::val;

val PlantBytes(const std::string& bytes) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  return val::global("Uint8Array").new_(emscripten::typed_memory_view(bytes.size(), data));
}

val Lines(const std::vector<std::string>& lines) {
  val out = val::array();
  for (const std::string& line : lines) out.call<void>("push", line);
  return out;
}

PlantFormFile FileOf(const val& file) {
  return PlantFormFile{file["name"].isString() ? file["name"].as<std::string>() : std::string(),
                       file["bytes"].as<std::string>()};
}

// The register of the last plan made by planPlant, for findPlantSerial.
std::optional<PlantRegisterIndex>& KeptRegister() {
  static std::optional<PlantRegisterIndex> kept;
  return kept;
}

// The option table's conditions with the plant's defaults (the system
// voltage limit 1500 V), as the plant tab builds its fields.
val PlantOptionTable(const std::string& language_name) {
  const Language language = language_name == "en" ? Language::English : Language::Japanese;
  const AssessConditions defaults = PlantConditionDefaults();
  val rows = val::array();
  for (const OptionEntry& entry : OptionTable()) {
    if (!TakesOption(entry, OptionUse::Assessment) || entry.kind == OptionKind::Inverter) continue;
    val row = val::object();
    row.set("key", std::string(entry.key));
    row.set("member", std::string(entry.member));
    row.set("kind", std::string(entry.kind == OptionKind::Number ? "number" : "extras"));
    row.set("label", std::string(language == Language::Japanese ? entry.label_ja : entry.label_en));
    row.set("default", DefaultText(entry, defaults));
    row.set("help", OptionHelp(entry, language, defaults));
    rows.call<void>("push", row);
  }
  return rows;
}

// `lists`: [{ name, bytes }], `layout`: { name, bytes }; `options`: sort,
// pallet_window, extras and the conditions (texts, by member), language
// ("ja" or "en") and progress, a function given (stage, text) as planning
// goes on. Returns { exit_status, refusals, warnings, summary } and, unless
// refused, register_csv, picklist_csv and plant_json (Uint8Arrays).
val PlanPlantValue(const val& lists, const val& layout, const val& options) {
  PlantForm form;
  const unsigned count = lists["length"].as<unsigned>();
  for (unsigned k = 0; k < count; ++k) form.lists.push_back(FileOf(lists[k]));
  form.layout = FileOf(layout);
  form.language = options["language"].isString() && options["language"].as<std::string>() == "en" ? Language::English
                                                                                                  : Language::Japanese;
  if (options["sort"].isString()) form.sort = options["sort"].as<std::string>();
  if (options["pallet_window"].isString()) form.pallet_window = options["pallet_window"].as<std::string>();
  if (options["extras"].isString()) form.extras = options["extras"].as<std::string>();
  for (const OptionEntry& entry : OptionTable()) {
    if (entry.kind != OptionKind::Number || !TakesOption(entry, OptionUse::Assessment)) continue;
    const val given = options[entry.member];
    if (given.isString()) form.conditions.emplace_back(entry.member, given.as<std::string>());
  }
  const val progress = options["progress"];
  PlantProgress told;
  if (progress.typeOf().as<std::string>() == "function") {
    told = [&progress, language = form.language](PlantStage stage) {
      progress(static_cast<int>(stage), PlantStageText(stage, language));
    };
  }
  KeptRegister().reset();
  const PlantFormRun run = PlanPlantForm(form, told);
  val out = val::object();
  out.set("exit_status", run.exit_status);
  out.set("refusals", Lines(run.refusals));
  out.set("warnings", Lines(run.warnings));
  out.set("summary", Lines(run.summary));
  if (run.refusals.empty()) {
    out.set("register_csv", PlantBytes(run.files.register_csv));
    out.set("picklist_csv", PlantBytes(run.files.picklist_csv));
    out.set("plant_json", PlantBytes(run.files.plant_json));
    KeptRegister().emplace(run.files.register_csv);
  }
  return out;
}

// Where the module of `serial` goes in the last plan: { found, text } and,
// when found, its inverter ("spare" for a spare), input, string and position.
val FindPlantSerial(const std::string& serial, const std::string& language_name) {
  const Language language = language_name == "en" ? Language::English : Language::Japanese;
  val out = val::object();
  const PlantRegisterRow* row = KeptRegister() ? KeptRegister()->Find(serial) : nullptr;
  out.set("found", row != nullptr);
  if (row == nullptr) {
    out.set("text", PlantSerialNotFoundText(serial, language));
    return out;
  }
  out.set("text", PlantPlaceText(*row, language));
  out.set("inverter", row->inverter);
  out.set("input", row->input);
  out.set("string", row->string);
  out.set("position", row->position);
  out.set("pallet", row->pallet);
  return out;
}

std::string PlantFileRoleName(const std::string& bytes) {
  return RoleOfPlantFile(bytes) == PlantFileRole::Layout ? "layout" : "list";
}

std::string PlantTabHint(const std::string& language_name) {
  return PageText(PagePhrase::PlantTabHint, language_name == "en" ? Language::English : Language::Japanese);
}

}  // namespace
}  // namespace voltrigg::web

EMSCRIPTEN_BINDINGS(voltrigg_plant) {
  emscripten::function("plantOptionTable", &voltrigg::web::PlantOptionTable);
  emscripten::function("planPlant", &voltrigg::web::PlanPlantValue);
  emscripten::function("findPlantSerial", &voltrigg::web::FindPlantSerial);
  emscripten::function("plantFileRole", &voltrigg::web::PlantFileRoleName);
  emscripten::function("plantTabHint", &voltrigg::web::PlantTabHint);
}
