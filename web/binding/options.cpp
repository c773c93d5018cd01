// The option table as the page builds its forms from it, and the page's
// options checked without a run.
#include "web/binding/options.h"

#include <emscripten/bind.h>

#include <optional>

#include "app/shared/option_table.h"
#include "app/shared/option_texts.h"
#include "web/binding/page.h"

namespace voltrigg::web {

using emscripten::val;

namespace {

Language LanguageNamed(const std::string& name) { return name == "en" ? Language::English : Language::Japanese; }

// The profile's bytes as a file of its own folder, so that the core reads it
// exactly as voltrigg-cli --inverter NAME reads a file NAME beside it (the
// same checks and messages); `read` runs while the file is there.
template <typename Read>
auto WithProfileFile(const val& profile, const Read& read) {
  const PageFile file = FileOf(profile, "profile.json");
  FreshFolder(kProfileFolder);
  WriteWholeFile(file.name, file.bytes);
  auto out = read(file.name);
  RemoveFolder(kProfileFolder);
  return out;
}

// The option table as the page builds its form from it: for each condition
// of the assessment (and the extras), its key (the field's id), the member
// the page sends, the label in `language`, the default and the range.
val OptionTableValue(const std::string& language_name) {
  const Language language = LanguageNamed(language_name);
  val rows = val::array();
  for (const OptionEntry* entry : AssessFormOptions()) {
    val row = val::object();
    row.set("key", std::string(entry->key));
    row.set("member", std::string(entry->member));
    row.set("kind", std::string(entry->kind == OptionKind::Number ? "number" : "extras"));
    row.set("label", std::string(language == Language::Japanese ? entry->label_ja : entry->label_en));
    row.set("default", DefaultText(*entry));
    row.set("help", OptionHelp(*entry, language));
    if (entry->limit != nullptr) row.set("range", RangeText(*entry->limit, language));
    rows.call<void>("push", row);
  }
  return rows;
}

// The commissioning check's own rows, shown beside the assessment's.
val CommissionOptionTableValue() {
  val rows = val::array();
  for (const OptionEntry* entry : CommissionFormOptions()) {
    val row = val::object();
    row.set("key", std::string(entry->key));
    row.set("member", std::string(entry->member));
    row.set("label", std::string(entry->label_ja));
    row.set("default", DefaultText(*entry));
    row.set("help", OptionHelp(*entry, Language::Japanese));
    row.set("every_row", entry->measurement_default);
    rows.call<void>("push", row);
  }
  return rows;
}

// The assessment's options checked without a run: the conditions' fault, or "".
std::string CheckAssessOptions(const val& options) { return ReadAssessOptions(options).fault; }

// The inverter profile checked without a run (after the conditions, as
// voltrigg-cli): the core's reason, or "".
std::string CheckInverterProfile(const val& options) { return ReadAssessOptions(options).inverter_fault; }

std::string CommissionOptionsFault(const val& options) { return ReadCommissionOptions(options).fault; }

}  // namespace

WebAssessOptions ReadAssessOptions(const val& o) {
  WebAssessOptions w;
  w.language = LanguageNamed(o["language"].as<std::string>());
  OptionTexts texts;
  for (const OptionEntry& entry : OptionTable()) {
    if (entry.kind != OptionKind::Number || !TakesOption(entry, OptionUse::Assessment)) continue;
    const val given = o[entry.member];
    if (!given.isUndefined()) texts.conditions[entry.key] = given.as<std::string>();
  }
  texts.extras = o["extras"].as<std::string>();
  const auto read = [&texts, &w](const std::optional<std::string>& profile_path) {
    texts.inverter_path = profile_path;
    return ReadAssessOptionTexts(texts, w.options);
  };
  const val profile = o["inverter"];
  const std::optional<OptionsFault> fault =
      profile.isUndefined() || profile.isNull()
          ? read(std::nullopt)
          : WithProfileFile(profile, [&read](const std::string& path) { return read(path); });
  if (fault) {
    // The page names a condition by its field's label, in its own language.
    (fault->kind == OptionsFault::Kind::Profile ? w.inverter_fault : w.fault) =
        OptionsFaultText(*fault, w.language, ConditionNaming::Label);
  }
  return w;
}

WebCommissionOptions ReadCommissionOptions(const val& o) {
  WebCommissionOptions w;
  OptionTexts texts;
  for (const OptionEntry& entry : OptionTable()) {
    if (entry.kind != OptionKind::Number || !TakesOption(entry, OptionUse::Commissioning)) continue;
    const val given = o[entry.member];
    if (!given.isString()) continue;
    if (auto text = FormFieldText(entry, given.as<std::string>())) texts.conditions[entry.key] = std::move(*text);
  }
  if (const auto fault = ReadCommissionOptionTexts(texts, w.options, nullptr)) {
    w.fault = OptionsFaultText(*fault, Language::Japanese, ConditionNaming::Label);
  }
  return w;
}

AssessOptions ExtrasOnly(const val& options) {
  const val extras = options["extras"];
  return ExtrasOnlyOptions(extras.isString() ? std::optional<std::string>(extras.as<std::string>()) : std::nullopt);
}

}  // namespace voltrigg::web

EMSCRIPTEN_BINDINGS(voltrigg_options) {
  emscripten::function("checkAssessOptions", &voltrigg::web::CheckAssessOptions);
  emscripten::function("checkInverterProfile", &voltrigg::web::CheckInverterProfile);
  emscripten::function("optionTable", &voltrigg::web::OptionTableValue);
  emscripten::function("commissionOptionTable", &voltrigg::web::CommissionOptionTableValue);
  emscripten::function("commissionOptionsFault", &voltrigg::web::CommissionOptionsFault);
}
