#include "app/shared/plant_form.h"

#include <algorithm>
#include <charconv>

#include "app/shared/assess_options.h"
#include "app/shared/option_table.h"
#include "app/shared/option_texts.h"
#include "app/shared/plant_texts.h"

namespace voltrigg {

namespace {

constexpr int kUsage = 64;

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// A whole number and nothing else, as the command line reads --pallet-window.
std::optional<int> WholeNumber(std::string_view text) {
  text = Trimmed(text);
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

PlantFormRun Refusal(int status, std::string line) {
  PlantFormRun run;
  run.exit_status = status;
  run.refusals.push_back(std::move(line));
  return run;
}

// The form's conditions checked as voltrigg-cli checks its options: each
// against its range, then all together, then the extras.
std::optional<std::string> ReadConditions(const PlantForm& form, PlantRequest& request) {
  OptionTexts texts;
  for (const auto& given : form.conditions) {
    const auto entry = std::find_if(OptionTable().begin(), OptionTable().end(),
                                    [&given](const OptionEntry& e) { return given.first == e.member; });
    if (entry != OptionTable().end()) texts.conditions[entry->key] = given.second;
  }
  texts.extras = form.extras;
  AssessOptions options;
  options.conditions = PlantConditionDefaults();
  if (const auto fault = ReadAssessOptionTexts(texts, options))
    return OptionsFaultText(*fault, form.language, form.naming);
  request.conditions = options.conditions;
  request.extras = ExtrasUseOf(options);
  return std::nullopt;
}

}  // namespace

AssessConditions PlantConditionDefaults() {
  AssessConditions conditions;
  conditions.max_system_voltage_v = kPlantSystemVoltageV;
  return conditions;
}

PlantFormRun PlanPlantForm(const PlantForm& form, const PlantProgress& progress) {
  PlantRequest request;
  if (auto refusal = ReadConditions(form, request)) return Refusal(kUsage, std::move(*refusal));
  const std::optional<PlantSort> sort = PlantSortNamed(form.sort);
  if (!sort) return Refusal(kUsage, PlantSortFaultText(form.sort, form.language));
  request.sort = *sort;
  const std::optional<int> window = WholeNumber(form.pallet_window);
  if (!window) return Refusal(kUsage, PlantPalletWindowFaultText(form.pallet_window, form.language, form.naming));
  request.pallet_window = *window;
  for (const PlantFormFile& f : form.lists) request.lists.push_back(PlantSource{f.name, f.name, f.bytes});
  request.layout = PlantSource{form.layout.name, form.layout.name, form.layout.bytes};
  request.progress = progress;

  const PlantOutcome outcome = PlanPlant(request);
  PlantFormRun run;
  if (outcome.Refused()) {
    const PlantFault& first = outcome.faults.front();
    run.exit_status = PlantRefusalExitStatus(first.kind);
    for (const PlantFault& f : outcome.faults) {
      run.refusals.push_back(f.kind == PlantFault::Kind::BadPalletWindow && form.naming == ConditionNaming::Label
                                 ? PlantPalletWindowFaultText(std::to_string(f.count), form.language, form.naming)
                                 : PlantFaultText(f, form.language));
    }
    if (outcome.faults.size() >= kMaxPlantFaults) {
      run.refusals.push_back(PlantFirstRefusalsText(kMaxPlantFaults, form.language));
    }
    run.refusals.push_back(PlantPhraseText(PlantPhrase::NothingWritten, form.language));
    return run;
  }
  std::vector<std::string> list_names(form.lists.size());
  std::transform(form.lists.begin(), form.lists.end(), list_names.begin(),
                 [](const PlantFormFile& f) { return f.name; });
  for (const PlantWarning& w : outcome.warnings) {
    run.warnings.push_back(PlantPhraseText(PlantPhrase::WarningPrefix, form.language) +
                           PlantWarningText(w, list_names, form.language));
  }
  run.summary = PlantSummaryLines(outcome.summary, form.language);
  run.files = outcome.files;
  run.exit_status = outcome.summary.ok ? 0 : 1;
  return run;
}

std::string PlantStageText(PlantStage stage, Language language) {
  const bool ja = language == Language::Japanese;
  switch (stage) {
    case PlantStage::ReadingLists:
      return ja ? "リストとレイアウトを読み込んでいます" : "reading the lists and the layout";
    case PlantStage::FittingCurves:
      return ja ? "モジュールの I-V 曲線を求めています" : "fitting the modules' curves";
    case PlantStage::Placing:
      return ja ? "3 つの割り当てでモジュールを配置しています" : "placing the modules in the three ways";
    case PlantStage::Checks:
      return ja ? "電圧とパワコンの入力範囲を検査しています" : "checking voltages and inverter windows";
    case PlantStage::Writing:
      return ja ? "ファイルを作っています" : "making the files";
  }
  return {};
}

PlantFileRole RoleOfPlantFile(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  const std::string_view text = Trimmed(bytes.substr(0, 4096));
  return !text.empty() && text.front() == '{' ? PlantFileRole::Layout : PlantFileRole::List;
}

PlantRegisterIndex::PlantRegisterIndex(const std::string& register_csv) {
  // Fields as the register writes them: quoted when they hold a comma, a
  // quote, a line end or blanks at either end, a quote inside doubled.
  std::vector<std::string> fields(1);
  bool quoted = false;
  bool header = true;
  const auto end_row = [&] {
    if (!header && fields.size() == 6) {
      by_serial_.emplace(fields[0], rows_.size());
      rows_.push_back(PlantRegisterRow{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]});
    }
    header = false;
    fields.assign(1, std::string());
  };
  for (std::size_t k = 0; k < register_csv.size(); ++k) {
    const char c = register_csv[k];
    if (quoted) {
      if (c != '"') {
        fields.back() += c;
      } else if (k + 1 < register_csv.size() && register_csv[k + 1] == '"') {
        fields.back() += '"';
        ++k;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else if (c == '\n') {
      end_row();
    } else if (c != '\r') {
      fields.back() += c;
    }
  }
  if (fields.size() > 1 || !fields.front().empty()) end_row();
}

const PlantRegisterRow* PlantRegisterIndex::Find(std::string_view serial) const {
  const auto found = by_serial_.find(std::string(Trimmed(serial)));
  return found == by_serial_.end() ? nullptr : &rows_[found->second];
}

std::string PlantPlaceText(const PlantRegisterRow& row, Language language) {
  const bool ja = language == Language::Japanese;
  const std::string pallet =
      row.pallet.empty() ? std::string() : (ja ? " (パレット " + row.pallet + ")" : " (pallet " + row.pallet + ")");
  if (row.Spare()) return ja ? row.serial + ": 予備" + pallet : row.serial + ": spare" + pallet;
  return ja ? row.serial + ": パワコン " + row.inverter + "、入力 " + row.input + "、ストリング " + row.string + "、" +
                  row.position + " 番目" + pallet
            : row.serial + ": inverter " + row.inverter + ", input " + row.input + ", string " + row.string +
                  ", position " + row.position + pallet;
}

std::string PlantSerialNotFoundText(const std::string& serial, Language language) {
  const std::string shown(Trimmed(serial));
  return language == Language::Japanese ? "シリアル番号 " + shown + " はこの計画にありません"
                                        : "no module of this plan has the serial " + shown;
}

}  // namespace voltrigg
